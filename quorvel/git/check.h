#pragma once
// Git's verdict on single paths, without a walk: what
// `git check-ignore -v --no-index` answers.
//
//   git::checker query(root);                    // rule files on disk
//   query.check("build/a.o", false);             // relative to the root
//   query.check("/home/me/repo/build/a.o", false);  // or absolute, inside the tree
//
//   auto held = git::checker::from_rules({{"", "build/\n"}, {"src", "*.tmp\n"}});
//   held.check("src/build/x.c", false);          // ignored by ".gitignore:1:build/"
//
// A path that git refuses (outside the work tree, or empty) throws
// git::path_error with git's own words; no question gets a wrong answer.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quorvel/git/ignore_file.h"
#include "quorvel/git/precedence.h"
#include "quorvel/git/rule_source.h"
#include "quorvel/git/work_tree.h"

namespace quorvel::git {

// The verdict on one path and the line that decided it.
struct check_result {
  // Ignored by a line of its own, or through an ignored folder above it.
  bool ignored = false;
  // The deciding line's file (a ".gitignore" below the top, info/exclude or
  // the global excludes file), its number from 1 and its text as git prints
  // it; empty and 0 when no line matched. A keeping line ("!...") decides
  // too: then `ignored` is false and the line is given.
  std::filesystem::path rule_file;
  std::uint32_t rule_line = 0;
  std::string rule;
  // The file's name as `git check-ignore -v` prints it, UTF-8 with "/"
  // between names: below the top for the tree's own files
  // ("src/.gitignore", ".git/info/exclude"), the full path for the global
  // excludes file (git/rule_source.h). Empty when no line matched.
  std::string rule_source;
  // Git tracks the path (or, for a folder, something below it): it is never
  // ignored, and no line is given, as git check-ignore shows it. As there,
  // the path is sought in the index as it is spelt, also under
  // core.ignorecase (where git status, and the walk, ignore case).
  bool tracked = false;

  bool operator==(const check_result&) const = default;
};

// A path that has no verdict because git refuses it. what() is git's
// message without its "fatal: ":
//   "<path>: '<path>' is outside repository at '<top>'"
//   "empty string is not a valid pathspec. please use . instead if you meant to match all paths"
class path_error : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The text of one rule file held in memory and the folder it stands in.
struct folder_rules {
  // The folder below the top, UTF-8 with "/" between names; empty for the
  // top itself.
  std::string folder;
  // The file's bytes, read as git reads a ".gitignore".
  std::string text;
};

// Answers for paths below one folder of a work tree, or below the top of
// rules held in memory. A file-backed checker reads each rule file once,
// when a path first needs it, and keeps it for later questions; not safe to
// ask from two threads at once.
class checker {
 public:
  // Finds the work tree around `root` (git/work_tree.h) and reads its
  // exclude files; `options` reach every rule file and name more sources,
  // which stand where the walk puts them (git/precedence.h). Without a
  // repository the root counts as the top. Throws
  // std::filesystem::filesystem_error when the root is missing, no folder,
  // or cannot be listed, or an added rule file is missing;
  // std::runtime_error for a configuration that git refuses
  // (find_work_tree); index_error for an index that cannot be read;
  // std::invalid_argument for a rule-file name that cannot be one; else
  // what reading a rule file throws (std::bad_alloc, std::length_error for
  // a file too large to hold).
  explicit checker(const std::filesystem::path& root, ignore_options options = {});

  // A checker over rule files held in memory, as though each were the
  // ".gitignore" of its folder in a tree whose top is the root: no file is
  // read but the added ones, and there are no exclude files (the overrides
  // and the rules that `options` add count). Several texts for one folder
  // count one after another, the later one deciding where both match. Paths are
  // relative to the top; the files are named "<folder>/.gitignore" in
  // answers. Throws path_error for a folder that leaves the top.
  static checker from_rules(const std::vector<folder_rules>& files, ignore_options options = {});

  // The verdict on `path`, as UTF-8 bytes with "/" between names: relative
  // to the root (empty names and "." are passed over, ".." goes up, also
  // above the root while it stays in the work tree) or absolute and inside
  // the work tree (git's top reached through a symbolic link counts), and
  // whether it names a folder (a symbolic link is none). As in git, each
  // folder on the way is asked first, and an ignored one decides for
  // everything below it with its own line; a rule file below an ignored
  // folder, or that is a symbolic link, is not read.
  //
  // Git's own ways with a path that ends in "/" (or in a "." or ".." name)
  // are kept: the folder is asked as a folder and, unless it is ignored, an
  // empty name inside it after it, with `is_folder` (git asks the disk: for
  // "build/", whether build is a folder there); the top itself (".") is an
  // empty name asked of the top's files, never a folder. A line such as "*"
  // matches an empty name.
  //
  // Throws path_error for an empty path, a path outside the work tree, and
  // an absolute path asked of rules held in memory; else what reading a rule
  // file throws.
  check_result check(std::string_view path, bool is_folder);

  // The same for a path in the system's form ("\\" between names too on
  // Windows); an error shows its native text.
  check_result check_path(const std::filesystem::path& path, bool is_folder);

  // The work tree that the answers are taken from; empty for rules held in
  // memory.
  const work_tree& tree() const { return tree_; }

 private:
  checker() = default;

  check_result answer(std::string_view path, std::string_view shown, bool is_folder);
  // The path below the top that `path` names, or nothing when it leaves the
  // work tree.
  std::optional<std::string> below_top(std::string_view path) const;
  std::optional<std::string> absolute_below_top(const std::filesystem::path& path) const;
  // Adds the rule files of the folder `below` (below the top), read once.
  void add_folder_files(std::string_view below, rule_files& files);

  // What holds for the entries of one folder: the files in force there and
  // the decision on the folder, which decides for them where it ignores.
  // Worked out once per folder (git's way down, precedence.h's descend),
  // so that the paths of one folder cost one lookup and one decision each.
  struct folder_state {
    rule_files files;
    decision decided;
  };
  const folder_state& state_of(std::string_view folder);

  // A map keyed by text that is searched by a view, without a copy.
  struct text_hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>()(text);
    }
  };

  work_tree tree_;
  tree_place place_;
  ignore_options options_;
  tracked_files index_;
  bool in_memory_ = false;
  std::set<std::filesystem::path> names_;  // the rule-file names read in each folder
  rule_files excludes_;                    // the files in force everywhere, lowest precedence first
  std::unordered_map<std::string, rule_files, text_hash, std::equal_to<>> folder_files_;
  std::unordered_map<std::string, folder_state, text_hash, std::equal_to<>> states_;
  std::optional<rule_sources> sources_;  // for files on disk
};

}  // namespace quorvel::git
