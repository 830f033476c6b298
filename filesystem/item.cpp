#include "filesystem/item.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/file_info.h"
#include "platform/native_path.h"

namespace quorvel::filesystem {

std::wstring normalize_item_path(const std::filesystem::path& path) {
  std::wstring text = platform::to_generic_wide(path.lexically_normal());
  if constexpr (platform::backslash_is_separator) {
    std::replace(text.begin(), text.end(), L'\\', L'/');
  }
  // The root "/" keeps its separator: without it the path would be empty.
  if (text.size() > 1 && text.back() == L'/') {
    text.pop_back();
  }
  return text;
}

item::item(std::filesystem::path path) {
  if (path.empty()) {
    return;
  }
  // The constructor with an error code clears the path when the query
  // fails; assigning keeps it, with nothing cached.
  std::error_code ignored_error;
  entry.assign(platform::to_path(normalize_item_path(path)), ignored_error);
  item::refresh();
}

bool item::is_directory() const {
  return (attributes & platform::attribute_directory) != 0;
}

void item::refresh() {
  attributes = 0;
  created = 0;
  modified = 0;
  if (entry.path().empty()) {
    return;
  }
  const platform::file_info info = platform::query_file_info(entry.path());
  attributes = info.attributes;
  created = info.created;
  modified = info.modified;
}

finder_item::finder_item(std::filesystem::path path) : item(std::move(path)) {}

std::wstring item_path(const item& entry) {
  return platform::to_wide(entry.entry.path());
}

bool entry_order(const finder_item& a, const finder_item& b) {
  if (a.is_directory() != b.is_directory()) {
    return b.is_directory();
  }
  return b.entry.path() < a.entry.path();
}

}  // namespace quorvel::filesystem
