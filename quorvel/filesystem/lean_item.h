#pragma once
// `lean_item`: a walk record with finder_item's fields and meaning whose path
// is kept as native text, for walks that need no std::filesystem objects per
// entry.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"

namespace quorvel::filesystem {

// One entry as the walker hands it out, as finder_item describes it, except
// that the path is the native text of the entry's normalised path instead of
// a std::filesystem::directory_entry: a listed entry then costs one string,
// not a path split into its elements, copied and freed again. finder over
// git-style rules (git::lean_walker) fills it; a std::filesystem::path is
// made only where one is asked for. A plain value; copies are independent.
class lean_item : public entry_stat, public entry_verdict {
 public:
  using string_type = std::filesystem::path::string_type;

  // Everything zero and empty.
  lean_item() = default;

  // The record of the entry at `path`, normalised, with its attributes and
  // times queried (all 0 where that fails), as item(path) gives them. An
  // empty path touches no file system.
  explicit lean_item(const std::filesystem::path& path);

  // The record of the entry `name` of the folder whose record path is
  // `folder`, that the folder's listing told as being of `type`: the
  // listing's type gives the attributes where it can, else (a symbolic
  // link, an unknown type, Windows) they are asked of the open folder, as
  // are the times unless `times` is item_times::skip.
  lean_item(platform::native_view folder, platform::native_view name, platform::entry_type type,
            const platform::folder_queries& queries, item_times times);

  // Reloads `attributes`, `created` and `modified` for `path`; all three are
  // 0 when the entry cannot be found. Never throws.
  void refresh();

  // The native text of the entry's normalised path: what finder_item's
  // `entry.path().native()` holds.
  string_type path;
};

// The wide text of a record's path.
std::wstring item_path(const lean_item& entry);

// The native text of a record's path and a path made from it, as item.h
// gives them for the other kind.
inline platform::native_view native_text(const lean_item& entry) {
  return entry.path;
}
inline std::filesystem::path path_of(const lean_item& entry) {
  return std::filesystem::path(entry.path);
}

// Sorts one folder's records as sort_entries does finder_items: the
// non-directories before the directories, each group in descending path
// order, so that the walk hands them out from the back in ascending order.
void sort_entries(std::vector<lean_item>& entries);

}  // namespace quorvel::filesystem
