#pragma once
// Git's verdict on single paths, without a walk: what
// `git check-ignore -v --no-index` answers.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quorvel/git/ignore_file.h"
#include "quorvel/git/precedence.h"
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
  // Git tracks the path (or, for a folder, something below it): it is never
  // ignored, and no line is given, as git check-ignore shows it.
  bool tracked = false;

  bool operator==(const check_result&) const = default;
};

// Answers for paths below one folder of a work tree. Each rule file is read
// once, when a path first needs it, and kept for later questions.
class checker {
 public:
  // Finds the work tree around `root` (git/work_tree.h) and reads its
  // exclude files; `options` reach every rule file. Without a repository the
  // root counts as the top. Throws what reading a rule file throws
  // (std::bad_alloc, std::length_error for a file too large to hold), and
  // std::runtime_error for a configuration that git refuses (find_work_tree).
  explicit checker(const std::filesystem::path& root, ignore_options options = {});

  // The verdict on `path`, given relative to the root as UTF-8 bytes with
  // "/" between names (empty names and "." are passed over, ".." goes up; a
  // trailing "/" makes it a folder), and whether it names a folder. As in
  // git, each folder on the way is asked first, and an ignored one decides
  // for everything below it with its own line; a rule file below an ignored
  // folder, or that is a symbolic link, is not read. A path that leaves the
  // work tree, or names nothing, has no verdict. Throws what reading a rule
  // file throws.
  check_result check(std::string_view path, bool is_folder);

  // The same for a relative path in the system's form.
  check_result check_path(const std::filesystem::path& path, bool is_folder);

  // The work tree that the answers are taken from.
  const work_tree& tree() const { return tree_; }

 private:
  // Adds the rule files of the folder `below` (below the top), read once.
  void add_folder_files(std::string_view below, rule_files& files);

  work_tree tree_;
  tree_place place_;
  ignore_options options_;
  tracked_files index_;
  rule_files excludes_;  // lowest precedence first
  std::unordered_map<std::string, rule_files> folder_files_;
};

}  // namespace quorvel::git
