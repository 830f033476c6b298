#include "quorvel/filesystem/item.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "quorvel/filesystem/lean_item.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/native_path.h"

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

bool is_normal_item_path(const std::filesystem::path& path) {
  if constexpr (platform::backslash_is_separator) {
    return false;
  }
  using char_type = std::filesystem::path::value_type;
  const std::basic_string_view<char_type> text = path.native();
  const auto slash = static_cast<char_type>('/');
  if (text.empty() || text.back() == slash) {
    return false;
  }
  // Each element, from just after a "/" (or the start) to the next one.
  for (std::size_t start = text.front() == slash ? 1 : 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(slash, start), text.size());
    const auto element = text.substr(start, end - start);
    const bool dots =
        element.size() <= 2 && element.find_first_not_of(static_cast<char_type>('.')) ==
                                   std::basic_string_view<char_type>::npos;
    if (element.empty() || dots) {
      return false;
    }
    start = end + 1;
  }
  return true;
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

item::item(const std::filesystem::directory_entry& listed, const platform::folder_queries& folder,
           item_times times) {
  if (listed.path().empty()) {
    return;
  }
  if (!is_normal_item_path(listed.path())) {
    std::error_code ignored_error;
    entry.assign(platform::to_path(normalize_item_path(listed.path())), ignored_error);
    item::refresh();
    if (times == item_times::skip) {
      // Where one query gives the attributes and the times (Windows), the
      // times are dropped, so that a record without them is the same
      // everywhere.
      created = 0;
      modified = 0;
    }
    return;
  }
  // A listing caches the type of the entry itself (a final link not
  // followed), which is what constructing the entry would query.
  entry = listed;
  if (times == item_times::skip) {
    attributes = folder.attributes(entry);
    return;
  }
  const platform::file_info info = folder.query(entry.path());
  attributes = info.attributes;
  created = info.created;
  modified = info.modified;
}

item::item(std::filesystem::path path, platform::entry_type type,
           const platform::folder_queries& folder, item_times times) {
  if (path.empty()) {
    return;
  }
  if (!is_normal_item_path(path)) {
    path = platform::to_path(normalize_item_path(path));
  }
  // A path too long for the system fails at once, without a lookup, and
  // leaves the entry without a cached status.
  std::error_code ignored_error;
  entry.assign(path, ignored_error);
  if (times == item_times::skip) {
    attributes = folder.attributes(entry.path(), type);
    return;
  }
  const platform::file_info info = folder.query(entry.path());
  attributes = info.attributes;
  created = info.created;
  modified = info.modified;
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

finder_item::finder_item(const std::filesystem::directory_entry& listed,
                         const platform::folder_queries& folder, item_times times)
    : item(listed, folder, times) {}

finder_item::finder_item(std::filesystem::path path, platform::entry_type type,
                         const platform::folder_queries& folder, item_times times)
    : item(std::move(path), type, folder, times) {}

std::wstring item_path(const item& entry) {
  return platform::to_wide(entry.entry.path());
}

bool entry_order(const finder_item& a, const finder_item& b) {
  if (a.is_directory() != b.is_directory()) {
    return b.is_directory();
  }
  if constexpr (!platform::backslash_is_separator) {
    // Entries of one folder differ only after their last "/": comparing the
    // names there is what the element-wise comparison of the paths comes
    // to, without splitting both paths into elements.
    using char_type = std::filesystem::path::value_type;
    const std::basic_string_view<char_type> x = a.entry.path().native();
    const std::basic_string_view<char_type> y = b.entry.path().native();
    const auto slash = static_cast<char_type>('/');
    const std::size_t folder = x.rfind(slash);
    if (folder != std::basic_string_view<char_type>::npos && folder == y.rfind(slash) &&
        folder + 1 < x.size() && folder + 1 < y.size() &&
        x.substr(0, folder) == y.substr(0, folder)) {
      return y.substr(folder + 1) < x.substr(folder + 1);
    }
  }
  return b.entry.path() < a.entry.path();
}

namespace {

// Sorts one folder's records as entry_order does, for either kind, moving
// each record once. The entries of one listing share their folder and differ
// in their names, so within each group their path order is the order of
// their names; where they do not (records made otherwise), the paths are
// compared as std::filesystem::path compares them.
template <class Record>
void sort_records(std::vector<Record>& entries) {
  if (entries.size() < 2) {
    return;
  }
  using text_view = platform::native_view;
  const auto slash = static_cast<text_view::value_type>('/');
  const text_view first = native_text(entries.front());
  const std::size_t folder = first.rfind(slash);
  bool one_folder = folder != text_view::npos;
  struct sort_key {
    bool is_directory;
    text_view name;
    std::size_t index;
  };
  std::vector<sort_key> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const text_view path = native_text(entries[i]);
    one_folder = one_folder && path.size() > folder + 1 && path[folder] == slash &&
                 path.substr(0, folder) == first.substr(0, folder) &&
                 path.find(slash, folder + 1) == text_view::npos;
    keys.push_back(
        {entries[i].is_directory(), one_folder ? path.substr(folder + 1) : text_view(), i});
  }
  std::stable_sort(keys.begin(), keys.end(), [&](const sort_key& a, const sort_key& b) {
    if (a.is_directory != b.is_directory) {
      return b.is_directory;
    }
    if (one_folder) {
      return b.name < a.name;
    }
    return path_of(entries[b.index]) < path_of(entries[a.index]);
  });
  std::vector<Record> sorted;
  sorted.reserve(entries.size());
  for (const sort_key& key : keys) {
    sorted.push_back(std::move(entries[key.index]));
  }
  entries = std::move(sorted);
}

}  // namespace

void sort_entries(std::vector<finder_item>& entries) {
  sort_records(entries);
}

void sort_entries(std::vector<lean_item>& entries) {
  sort_records(entries);
}

}  // namespace quorvel::filesystem
