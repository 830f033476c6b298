#pragma once
// File-system entries as the walker hands them out: `item` (normalised path,
// attributes, times) and `finder_item` (plus the walker's verdict). The
// fields that every kind of record shares are declared once, here:
// `entry_stat` and `entry_verdict` (lean_item.h holds the other kind).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "quorvel/platform/file_info.h"

namespace quorvel::filesystem {

// Returns the text under which an entry is known everywhere in the system:
// the lexically normal form of `path`, "/" between elements, without a
// trailing "/". The root "/" stays "/". Where "\" is a separator it becomes
// "/" too; on POSIX systems it is an ordinary character of a name.
std::wstring normalize_item_path(const std::filesystem::path& path);

// True when `path` is already in that form, so that normalize_item_path gives
// its text unchanged: no empty, "." or ".." element and no trailing "/".
// False only costs the normalisation; where "\" separates elements (and
// drive names have rules of their own) it is always false.
bool is_normal_item_path(const std::filesystem::path& path);

// Whether the record of a listed entry reads the entry's times. Without them
// (`created` and `modified` stay 0) most entries need no query of their own:
// the listing's type gives their attributes.
enum class item_times { read, skip };

// What the platform reports of an entry itself (a final symbolic link is not
// followed).
struct entry_stat {
  // True when the entry is a directory (attribute bit 0x10); for a symbolic
  // link, when its target is one.
  bool is_directory() const { return (attributes & platform::attribute_directory) != 0; }
  // True when the entry is a directory that is no symbolic link or junction:
  // one that the walk enters and that rules treat as a folder.
  bool is_real_folder() const {
    return is_directory() && (attributes & platform::attribute_reparse_point) == 0;
  }

  std::uint32_t attributes = 0;  // Windows FILE_ATTRIBUTE_* bits
  std::int64_t created = 0;      // seconds since 1970-01-01 UTC, 0 where unknown
  std::int64_t modified = 0;     // seconds since 1970-01-01 UTC
};

// The walker's verdict on an entry.
struct entry_verdict {
  // Takes the verdict that passes from a folder to its entries: all but
  // `is_rule_file` and `entered`, which are the entry's own. An engine then
  // decides the entry's own verdict from it.
  void inherit(const entry_verdict& folder) {
    ignored = folder.ignored;
    rule = folder.rule;
    rule_regex = folder.rule_regex;
    rule_file = folder.rule_file;
    rule_line = folder.rule_line;
    tracked = folder.tracked;
  }

  bool ignored = false;             // a rule in force, or an ignored folder above, excludes it
  bool is_rule_file = false;        // its name is one of the walker's rule-file names
  std::wstring rule;                // the deciding rule line as written; empty when none
  std::wstring rule_regex;          // that rule's regular-expression text
  std::filesystem::path rule_file;  // the rule file that holds the deciding rule
  std::uint32_t rule_line = 0;      // the deciding rule's line number, from 1; 0 where not known
  // Git's engine with the index: git tracks the entry, or (a folder)
  // something below it. Such an entry is never ignored; `rule`,
  // `rule_file` and `rule_line` then name the line that ignores it, if one
  // does, and that line still decides for the untracked entries below a
  // folder.
  bool tracked = false;
  // The walk goes into it (a folder, or a link it follows) unless the
  // walk's filter refuses it: the walk's own, set before the filter is
  // asked and never passed down. The engine may still keep out of it when
  // the walk comes to list it (git: a folder with a repository of its own).
  bool entered = false;
};

// One file-system entry: its normalised path and what the platform reports
// for the entry itself (a final symbolic link is not followed). A plain value;
// copies are independent.
class item : public entry_stat {
 public:
  // Normalises `path`, caches the entry's own status (a failed query caches
  // nothing and raises nothing) and reads its attributes and times. An empty
  // path leaves everything zero and empty and touches no file system.
  explicit item(std::filesystem::path path);
  // The empty record: item(std::filesystem::path()).
  item() : item(std::filesystem::path()) {}

  // The item of an entry that the listing of `folder` handed out: the same
  // as item(listed.path()), with the type that the listing cached for the
  // entry itself standing for the status query, a path already in normal
  // form taken as it is, and the attributes and times asked of the open
  // folder. So one query is made, not two, and it does not walk the whole
  // path. Where the listing could not tell the type, the entry's status is
  // queried when it is first asked for. With item_times::skip the times are
  // not read and stay 0.
  item(const std::filesystem::directory_entry& listed, const platform::folder_queries& folder,
       item_times times = item_times::read);

  // The item of the entry at `path` (the folder's path joined with a name)
  // that a platform::folder_listing told as being of `type`: the attributes
  // and times asked of the open folder, which reaches entries whose paths
  // are too long for the system to take whole. The `entry` keeps the path
  // (normalised); it caches a status only where the system takes the path
  // whole, so the walk asks the record's attributes, not its `entry`.
  item(std::filesystem::path path, platform::entry_type type,
       const platform::folder_queries& folder, item_times times = item_times::read);

  // Reloads `attributes`, `created` and `modified` for the path of `entry`;
  // all three are 0 when the entry cannot be found. Does not renew the
  // cached status of `entry`. Never throws.
  virtual void refresh();

  std::filesystem::directory_entry entry;
};

// An entry with the walker's verdict on it. Final, because records are
// held and destroyed by value, never through a pointer to `item`.
class finder_item final : public item, public entry_verdict {
 public:
  finder_item() = default;
  explicit finder_item(std::filesystem::path path);
  finder_item(const std::filesystem::directory_entry& listed,
              const platform::folder_queries& folder, item_times times = item_times::read);
  finder_item(std::filesystem::path path, platform::entry_type type,
              const platform::folder_queries& folder, item_times times = item_times::read);
};

// The wide text of an item's path (the path of its `entry`).
std::wstring item_path(const item& entry);

// The native text of a record's path and the path itself; lean_item.h has
// the same pair for the other kind, so code may take either.
inline platform::native_view native_text(const item& entry) {
  return entry.entry.path().native();
}
inline const std::filesystem::path& path_of(const item& entry) {
  return entry.entry.path();
}

// The order in which a folder's entries are sorted before the walker hands
// them out from the back: true when `a` goes before `b`. Non-directories come
// before directories, and each group is in descending path order, so taking
// from the back gives the directories in ascending order, then the rest.
bool entry_order(const finder_item& a, const finder_item& b);

// Sorts `entries` as std::sort with entry_order does. When they are the
// entries of one folder (one text before the last "/" of each path, distinct
// names after it), by their names alone, moving each item about once.
void sort_entries(std::vector<finder_item>& entries);

}  // namespace quorvel::filesystem
