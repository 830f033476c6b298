#include "quorvel/filesystem/lean_item.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {
namespace {

using char_type = std::filesystem::path::value_type;
using text_view = std::basic_string_view<char_type>;

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
    case platform::entry_type::other:
      return platform::attribute_normal;
    case platform::entry_type::symlink:
    case platform::entry_type::unknown:
      break;
  }
  return 0;
}

// The name after a record path's last "/" (the whole text where it has
// none); names from a listing hold no separator.
text_view name_of(const lean_item& entry) {
  const text_view path = entry.path;
  const std::size_t slash = path.rfind(static_cast<char_type>('/'));
  return slash == text_view::npos ? path : path.substr(slash + 1);
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

void sort_entries(std::vector<lean_item>& entries) {
  if (entries.size() < 2) {
    return;
  }
  // The entries of one listing share their folder and differ in their
  // names, so the path order within each group is the order of the names.
  // Where they do not (a record made otherwise), the paths are compared as
  // std::filesystem::path compares them.
  const text_view first = entries.front().path;
  const std::size_t folder = first.size() - name_of(entries.front()).size();
  const bool one_folder = std::all_of(entries.begin(), entries.end(), [&](const lean_item& entry) {
    const text_view path = entry.path;
    return path.size() > folder && path.substr(0, folder) == first.substr(0, folder) &&
           path.size() - name_of(entry).size() == folder;
  });
  struct sort_key {
    bool is_directory;
    text_view name;
    std::size_t index;
  };
  std::vector<sort_key> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    keys.push_back({entries[i].is_directory(), one_folder ? name_of(entries[i]) : text_view(), i});
  }
  std::stable_sort(keys.begin(), keys.end(), [&](const sort_key& a, const sort_key& b) {
    if (a.is_directory != b.is_directory) {
      return b.is_directory;
    }
    if (one_folder) {
      return b.name < a.name;
    }
    return std::filesystem::path(entries[b.index].path) <
           std::filesystem::path(entries[a.index].path);
  });
  std::vector<lean_item> sorted;
  sorted.reserve(entries.size());
  for (const sort_key& key : keys) {
    sorted.push_back(std::move(entries[key.index]));
  }
  entries = std::move(sorted);
}

}  // namespace quorvel::filesystem
