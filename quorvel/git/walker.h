#pragma once
// The walk with git's semantics: filesystem::finder over git::ignore_file,
// reading ".gitignore" files and those that the options name.

#include <filesystem>

#include "quorvel/filesystem/finder.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/git/ignore_file.h"
#include "quorvel/git/walk_engine.h"
#include "quorvel/git/work_tree.h"

namespace quorvel::git {

// Walks the tree below a root folder as git sees it (git/walk_engine.h says
// how): every entry once, `.git` entries left out, each record with git's
// verdict and, when ignored, the deciding line as written, its file and its
// number.
//
//     git::walker walk("/src/project");
//     filesystem::finder_item entry{std::filesystem::path()};
//     while (walk.next(entry)) { ... entry.ignored, entry.rule_file ... }
//
// `Item` is the record type: filesystem::finder_item (walker), or
// filesystem::lean_item (lean_walker), which keeps its path as native text
// and so costs a fraction of a finder_item per entry.
template <class Item>
class basic_walker : public filesystem::finder<ignore_file, Item> {
 public:
  // Finds the work tree, loads the exclude files and the rule files from its
  // top down to the root, and queues the root; lists nothing. `options`
  // reach every rule file (git's core.ignoreCase) and name more sources;
  // `times` says whether the records read the entries' times. Throws what
  // reading a rule file throws (std::bad_alloc, std::length_error for a file
  // too large to hold; std::filesystem::filesystem_error for an added file
  // that is missing), std::invalid_argument for a rule-file name that cannot
  // be one, and std::runtime_error for a configuration that git refuses
  // (find_work_tree).
  explicit basic_walker(const std::filesystem::path& root, ignore_options options = {},
                        filesystem::item_times times = filesystem::item_times::read)
      : filesystem::finder<ignore_file, Item>(root, folder_file_names(options),
                                              walk_engine(options), times) {}
  // The same in the work tree `tree` that the caller found for the root
  // (find_work_tree), which is then not looked for again.
  basic_walker(const std::filesystem::path& root, work_tree tree, ignore_options options,
               filesystem::item_times times = filesystem::item_times::read)
      : filesystem::finder<ignore_file, Item>(root, folder_file_names(options),
                                              walk_engine(options, std::move(tree)), times) {}

  // The work tree that the walk is in.
  const work_tree& tree() const { return this->engine().tree(); }
};

class walker : public basic_walker<filesystem::finder_item> {
 public:
  using basic_walker::basic_walker;
};

class lean_walker : public basic_walker<filesystem::lean_item> {
 public:
  using basic_walker::basic_walker;
};

}  // namespace quorvel::git
