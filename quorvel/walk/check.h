#pragma once
// Git's verdict on single paths, in plain UTF-8, without a walk: what
// `git check-ignore -v` answers.
//
//     #include <quorvel/walk/check.h>
//
//     quorvel::checker rules("my/repo");
//     quorvel::verdict v = rules.check("build/app.o");
//     if (v.ignored) std::cout << v.rule_source << ':' << v.rule_line << ' ' << v.rule << '\n';
//
//     auto held = quorvel::checker::from_rules({{"", "build/\n"}, {"src", "*.tmp\n"}});
//     held.check("src/build/x.c", false).ignored;  // true: "build/" in the top's rules
//
// A path that git refuses (outside the work tree, or empty) throws
// quorvel::git::path_error with git's own words: no question gets a wrong
// answer. quorvel/git/check.h is the layer below, for native paths.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/git/check.h"
#include "quorvel/walk/rule_options.h"

namespace quorvel {

// The verdict on one path and the line that decided it.
struct verdict {
  // Ignored by a line of its own, or through an ignored folder above it.
  bool ignored = false;
  // Git's index tracks the path (a folder: something below it): it is never
  // ignored, and no line is given, as `git check-ignore` shows it.
  bool tracked = false;
  // The deciding line as written ("*.log", "!keep.log": a keeping line
  // decides too), its file as git names it (".gitignore", "src/.gitignore",
  // ".git/info/exclude", the global file's full path) and its number from 1;
  // empty and 0 where no line matched.
  std::string rule;
  std::string rule_source;
  std::uint32_t rule_line = 0;
};

// One rule file held in memory: the folder it stands in (below the top,
// "/" between names, empty for the top) and its text.
using folder_rules = git::folder_rules;

// Answers for paths below one folder of a work tree, or below the top of
// rules held in memory. Reads each rule file once, when a path first needs
// it. Not safe to ask from two threads at once; movable.
class checker {
 public:
  // Which rules count: git's sources by default (the index, core.ignoreCase
  // as the repository sets it, info/exclude and the global excludes file),
  // and the sources of rule_options.h.
  class options : public rule_options<options> {
    friend class checker;
  };

  // The rules in force below `root` (UTF-8; relative to the current folder
  // or absolute): its work tree's configuration, exclude files, index and
  // rule files. Throws std::filesystem::filesystem_error where the root is
  // missing, no folder, or cannot be listed; std::runtime_error where git
  // would refuse the configuration; git::index_error for an index that
  // cannot be read.
  explicit checker(std::string_view root, const options& chosen = options());
  // Rules held in memory, each file as the ".gitignore" of its folder in a
  // tree whose top is the root (several for one folder count one after
  // another); no index, no exclude files. Throws git::path_error for a
  // folder that leaves the top.
  static checker from_rules(const std::vector<folder_rules>& files,
                            const options& chosen = options());
  ~checker();
  checker(checker&&) noexcept;
  checker& operator=(checker&&) noexcept;

  // The verdict on `path`: relative to the root or absolute and inside the
  // work tree, "/" between names (also "\\" on Windows). Whether it names a
  // folder is asked of the disk, as git asks it: a folder that is no
  // symbolic link. Rules held in memory see no disk: there the path names a
  // folder where it ends in "/".
  verdict check(std::string_view path);
  // The same, saying whether the path names a folder.
  verdict check(std::string_view path, bool is_folder);

 private:
  checker() = default;
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace quorvel
