#pragma once
// Git's precedence among rule files, written once for the walk
// (git/walk_engine.h) and the query (git/check.h): where a tree's rules
// start, which files are in force, which line decides for a path, and how a
// folder's verdict passes down to everything below it.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/rule_engine.h"
#include "quorvel/git/ignore_file.h"
#include "quorvel/git/index.h"
#include "quorvel/git/work_tree.h"

namespace quorvel::git {

// One rule file in force, and all of them, lowest precedence first: the
// global excludes file, info/exclude, the rules added for the whole walk
// (ignore_options::added, in the order given), then the tree's own files
// from the top down, in each folder ".gitignore" and then the added names in
// their order. The overrides, where there are any, come first of all, at
// `overrides_level`, yet decide before every other file. Each file's
// `folder_length` is what is cut off a path below the top to give the path
// below its folder.
using rule_file = filesystem::ignore_entry<ignore_file>;
using rule_files = std::vector<rule_file>;

// The level of the overrides: no walk retires it, and `decide` asks them
// first.
constexpr std::int32_t overrides_level = rule_file::whole_walk - 1;

// The rule-file names that a walk looks for in every folder, "|" between
// them: ".gitignore" and then `options.rule_file_names`, a name given twice
// counting once. Throws std::invalid_argument for a name that is empty, ".",
// "..", or holds a "/", a "|" or a NUL (or a "\\" where that separates
// names).
std::wstring folder_file_names(const ignore_options& options);

// Where a walk or a query of `root` stands in its work tree.
struct tree_place {
  // The root, absolute and lexically normal, without a trailing separator.
  std::filesystem::path root;
  // The work tree's top; without a repository, the root itself: then only
  // its own rule files and those below it count, and the global file.
  std::filesystem::path top;
  // The root's path below the top as UTF-8 ("src/lib"), empty at the top.
  std::string root_below_top;
};
tree_place place_in(const work_tree& tree, const std::filesystem::path& root);

// The line that decided for a path, and the file that holds it; no line
// where none matched.
struct decision {
  const ignore_rule* line = nullptr;
  const rule_file* file = nullptr;

  bool ignored() const { return line != nullptr && !line->negation; }
};

// The decision of `files` on `path` (UTF-8 bytes below the top, "/" between
// names), which names a folder where `is_folder` (a symbolic link is no
// folder): the last matching override line decides where there is one;
// else the deepest file with a matching line decides, whether the line
// ignores or keeps; files without one leave it to those above, and the
// rules added for the whole walk and then the exclude files come last.
decision decide(const rule_files& files, std::string_view path, bool is_folder);

// Whether git tracks `path` (below the top): an entry of `index` or, for a
// folder, one with tracked entries below it. Such a path is never ignored,
// whatever the rules say; the untracked entries below a folder that a line
// ignores stay ignored by that line.
inline bool is_tracked(const tracked_files& index, std::string_view path, bool is_folder) {
  return index.tracked(path) || (is_folder && index.tracked_below(path));
}

// The index of the work tree, as `options` ask: empty without a repository,
// or where they leave the index out. Throws index_error for an index that
// cannot be read.
tracked_files read_index(const work_tree& tree, const ignore_options& options);

// Adds the files in force for a whole walk or query: the overrides, the
// work tree's exclude files that `options` ask for, and the rules that they
// add. Rules given as text are named by their source ("<overrides>" for the
// overrides). Throws std::filesystem::filesystem_error for an added file
// that is missing or cannot be read: a rule file named on purpose is not
// passed over in silence.
void add_whole_tree_files(const work_tree& tree, const ignore_options& options, rule_files& files);

// Adds the rule files named `view.names()` in the view's folder, as git
// reads them: a regular file only (git does not follow a symbolic link to a
// rule file inside the tree). ".gitignore" and `options.rule_file_names`
// come in that order, any other name after them. Each gets `level` and
// `folder_length`.
void add_folder_files(const filesystem::folder_view& view, const ignore_options& options,
                      std::int32_t level, std::size_t folder_length, rule_files& files);

// Goes down from the top to `path` (below the top; empty is the top) as git
// does for every path: each folder on the way is judged by the files in
// force before its own are read (`read_folder(below, files)` adds them; the
// top's are read first), and an ignored folder decides for everything below
// it. Returns the decision on the first ignored folder, else on `path`
// itself (a folder where `is_folder`); nothing for the top.
template <class ReadFolder>
decision descend(rule_files& files, std::string_view path, bool is_folder,
                 ReadFolder&& read_folder) {
  if (path.empty()) {
    return {};
  }
  read_folder(std::string_view(), files);
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    const bool last = slash == std::string_view::npos;
    const std::string_view below = last ? path : path.substr(0, slash);
    const decision decided = decide(files, below, last ? is_folder : true);
    if (last || decided.ignored()) {
      return decided;
    }
    read_folder(below, files);
    start = slash + 1;
  }
}

}  // namespace quorvel::git
