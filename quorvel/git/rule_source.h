#pragma once
// The names under which rule files are shown: those that
// `git check-ignore -v` prints.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/git/ignore_file.h"

namespace quorvel::git {

// Names rule files as git does: a file inside the work tree by its path from
// the work tree's top ("case/.gitignore", ".git/info/exclude"), any other
// (the global excludes file) by its full path, "/" between names, as UTF-8.
class rule_sources {
 public:
  // `top` is the work tree's top (absolute). The rules that `options` give
  // as text are named by their source as given, the overrides
  // "<overrides>".
  explicit rule_sources(const std::filesystem::path& top, const ignore_options& options = {});

  // The name of the rule file `file`; a relative path is taken from the
  // current folder. The text stays valid until the next call. The last file
  // asked about is remembered, since a folder's entries come out together
  // and most share their rule file.
  std::string_view name(const std::filesystem::path& file);

 private:
  std::string top_;                           // generic UTF-8 text, ending in "/"
  std::vector<std::filesystem::path> given_;  // the sources of rules given as text
  std::filesystem::path last_file_;
  std::string last_name_;
};

}  // namespace quorvel::git
