#pragma once
// How the walk makes and treats each kind of record (finder_item, which
// keeps its path in a std::filesystem::directory_entry, and lean_item, which
// keeps it as text): one overload per kind.

#include <filesystem>
#include <system_error>

#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {

// The record of the entry that `entries` stands at, in the folder whose
// record is `folder`: one overload per kind of record.
inline finder_item listed_record(const finder_item& folder, const folder_entries& entries,
                                 item_times times) {
  if (const std::filesystem::directory_entry* entry = entries.standard_entry()) {
    // The standard listing cached the entry's type: no query of its own.
    return finder_item(*entry, entries.queries(), times);
  }
  return finder_item(folder.entry.path() / entries.name(), entries.type(), entries.queries(),
                     times);
}
inline lean_item listed_record(const lean_item& folder, const folder_entries& entries,
                               item_times times) {
  return lean_item(folder.path, entries.name(), entries.type(), entries.queries(), times);
}

// Whether a folder's record is best listed by the standard listing, whose
// entries cache their status for the records that keep it.
constexpr bool prefers_standard_listing(const finder_item*) {
  return true;
}
constexpr bool prefers_standard_listing(const lean_item*) {
  return false;
}

// Whether a record that is a directory is a link that the walk hands out
// but does not enter. Told by the attributes where they say it (POSIX
// systems), so that it holds for records whose paths are too long to query.
template <class Item>
bool is_link_not_to_enter(const Item& record) {
  if constexpr (platform::backslash_is_separator) {
    // Without the reparse bit a folder is no link; with it, its tag tells.
    std::error_code error;
    return (record.attributes & platform::attribute_reparse_point) != 0 &&
           platform::is_link_not_to_enter(std::filesystem::directory_entry(path_of(record), error));
  } else {
    return (record.attributes & platform::attribute_reparse_point) != 0;
  }
}

}  // namespace quorvel::filesystem
