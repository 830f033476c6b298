#pragma once
// Git's engine for the walk (filesystem/rule_engine.h says what an engine
// is; git/precedence.h holds the rules it shares with the query):
// - the work tree's top is the nearest folder at or above the root that
//   holds a repository; rule files above it are not read, and below all
//   the tree's own rule files come the rules that the options add, then
//   `$GIT_DIR/info/exclude` and then the global excludes file; the
//   options' overrides decide before all of them;
// - for each entry the deepest file that has a matching line decides; a
//   folder is a folder only when it is no symbolic link, unless the walk
//   follows links: then a link to a folder is judged as a folder (so that
//   "node_modules/" matches a linked node_modules), the entries below it by
//   their paths through it, and the rule files in it are read as in any
//   folder. Git's index tracks nothing below a link (a link it tracks is
//   tracked as itself);
// - an ignored folder's entries keep its verdict, whatever deeper lines
//   say, and its rule files are not read; nor is a rule file that is a
//   symbolic link;
// - entries named `.git` are never handed out, and a folder that holds a
//   repository of its own is handed out but not entered;
// - paths are matched as UTF-8 bytes below the top, and an ignored record
//   carries the deciding line as written (`rule`), its file and its number
//   (`rule_line`), with `rule_regex` empty.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/read_ahead.h"
#include "quorvel/git/ignore_file.h"
#include "quorvel/git/index.h"
#include "quorvel/git/precedence.h"
#include "quorvel/git/tracked_lookup.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/file_info.h"

namespace quorvel::git {

class walk_engine {
 public:
  using options_type = ignore_options;

  // The work tree is found when the walk starts.
  explicit walk_engine(ignore_options options = {}) : options_(options) {}
  // With the work tree that the caller found for the root.
  walk_engine(ignore_options options, work_tree tree) : options_(options), tree_(std::move(tree)) {}

  template <class Item>
  Item start(const std::filesystem::path& root, const std::set<std::filesystem::path>& names,
             rule_files& ignores) {
    Item record(root);
    set_verdict(record, begin(root, names, ignores));
    record.tracked = true;  // asked of the index below
    std::string buffer;
    keep_tracked(record, below_top(filesystem::native_text(record), buffer), true);
    return record;
  }

  template <class Item>
  bool enters(const Item& folder, const filesystem::folder_view& view) const {
    return !holds_nested_repository(filesystem::native_text(folder), view);
  }

  template <class Item>
  void enter(const Item& folder, const filesystem::folder_view& view, rule_files& ignores,
             std::int32_t level) const {
    // Below a folder that a line ignores, that line decides: no rule file
    // there is read.
    if (!decided_by_folder(folder)) {
      std::string buffer;
      const std::string_view below = below_top(filesystem::native_text(folder), buffer);
      add_folder_files(view, options_, level, below.empty() ? 0 : below.size() + 1, ignores);
    }
  }

  // Whether links to folders are entered and so judged as folders.
  void follow_links(bool on) { follow_links_ = on; }

  bool passes_over(platform::native_view name) const {
    return ignore_file::is_repository_name(name, options_);
  }

  template <class Item>
  void judge(Item& record, const rule_files& ignores) const {
    // Below an ignored folder that tracks nothing, its verdict stands.
    if (record.ignored && !record.tracked) {
      return;
    }
    std::string buffer;
    const std::string_view path = below_top(filesystem::native_text(record), buffer);
    const bool is_folder = record.is_real_folder();
    if (decided_by_folder(record)) {
      // The folder's line ignores the entry, even where the folder itself
      // was kept for what it tracks.
      record.ignored = true;
    } else {
      set_verdict(record,
                  decide(ignores, path, is_folder || (follow_links_ && record.is_directory())));
    }
    // The index holds a link as itself, whatever it leads to.
    keep_tracked(record, path, is_folder);
  }

  filesystem::read_ahead::skips ahead_skips() const;
  bool looks_for_rule_files() const { return false; }

  // The work tree of the walk (found when it started), its index, and the
  // options.
  const work_tree& tree() const { return *tree_; }
  const tracked_files& index() const { return tracked_.index(); }
  const ignore_options& options() const { return options_; }

 private:
  // Finds the work tree where it was not given, loads the exclude files and
  // the files of the folders from the top down to the root, and returns the
  // decision that passes down to the root's entries.
  decision begin(const std::filesystem::path& root, const std::set<std::filesystem::path>& names,
                 rule_files& ignores);
  // A record's path below the top, as the rules match it.
  std::string_view below_top(platform::native_view path, std::string& buffer) const;
  bool holds_nested_repository(platform::native_view folder,
                               const filesystem::folder_view& view) const;
  static void set_verdict(filesystem::entry_verdict& record, const decision& decided);
  // Whether the verdict that a record took from its folder decides for it:
  // the folder is ignored by a line, or would be but for what it tracks.
  static bool decided_by_folder(const filesystem::entry_verdict& record) {
    return record.ignored || record.rule_line != 0;
  }
  // Keeps a tracked record (git's index) whatever its verdict. The record
  // holds its folder's `tracked`: below a folder that tracks nothing,
  // nothing is, and the index is not asked.
  void keep_tracked(filesystem::entry_verdict& record, std::string_view path,
                    bool is_folder) const {
    record.tracked = record.tracked && tracked_.is_tracked(path, is_folder);
    if (record.tracked) {
      record.ignored = false;
    }
  }

  ignore_options options_;
  bool follow_links_ = false;
  std::optional<work_tree> tree_;
  // The index (empty where the options leave it out), asked folder by folder.
  mutable tracked_lookup tracked_;
  // How a record's path becomes the path below the top: bytes cut off its
  // front, and what is put before the rest.
  std::size_t cut_ = 0;
  std::string lead_;
};

}  // namespace quorvel::git
