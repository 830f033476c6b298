#include "quorvel/filesystem/lean_item.h"

#include <string_view>
#include <utility>

#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {
namespace {

// The attributes that a listing's type gives without a query, or 0 where
// the entry must be asked about: a symbolic link's target, an unknown type,
// and on Windows always (the file search's bits are more than the type).
std::uint32_t attributes_of(platform::entry_type type) {
  if constexpr (platform::backslash_is_separator) {
    return 0;
  }
  switch (type) {
    case platform::entry_type::directory:
      return platform::attribute_directory;
    case platform::entry_type::regular:
      return platform::attribute_normal;
    case platform::entry_type::other:
      return platform::attribute_device;
    case platform::entry_type::symlink:
    case platform::entry_type::unknown:
      break;
  }
  return 0;
}

}  // namespace

lean_item::lean_item(const std::filesystem::path& from) {
  if (from.empty()) {
    return;
  }
  path = platform::to_path(normalize_item_path(from)).native();
  refresh();
}

lean_item::lean_item(platform::native_view folder, platform::native_view name,
                     platform::entry_type type, const platform::folder_queries& queries,
                     item_times times) {
  // A listed folder's record path is normal and a listed name is neither
  // empty, "." nor "..", nor holds a separator: joined, they are normal too.
  path = platform::join_name(folder, name);
  if (times == item_times::skip) {
    attributes = attributes_of(type);
    if (attributes == 0) {
      attributes = queries.attributes(std::filesystem::path(path), type);
    }
    return;
  }
  const platform::file_info info = queries.query(std::filesystem::path(path));
  attributes = info.attributes;
  created = info.created;
  modified = info.modified;
}

void lean_item::refresh() {
  attributes = 0;
  created = 0;
  modified = 0;
  if (path.empty()) {
    return;
  }
  const platform::file_info info = platform::query_file_info(std::filesystem::path(path));
  attributes = info.attributes;
  created = info.created;
  modified = info.modified;
}

std::wstring item_path(const lean_item& entry) {
  return platform::native_to_wide(entry.path);
}

}  // namespace quorvel::filesystem
