#pragma once
// Which rules count, for the walk (walk.h) and the checker (check.h) alike:
// git's own sources one by one, and sources of one's own. Each setter
// returns the options it belongs to, so that they chain with the rest:
// `walk::options().kept_only().rule_file_name(".ignore")`.
//
// From the weakest to the strongest: the global excludes file,
// `$GIT_DIR/info/exclude`, the `rule_file`s and `rules` in the order given,
// then the tree's own files (a deeper folder's beating a shallower one's);
// the overrides decide before all of them. Git's index, where it is read,
// keeps every tracked path whatever they say.

#include <optional>
#include <string>
#include <utility>

#include "quorvel/git/ignore_file.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/native_path.h"

namespace quorvel {

template <class Options>
class rule_options {
 public:
  // Whether git's index is read (on by default): a tracked file is then
  // never ignored, as in git. Off saves reading `.git/index` once (a few
  // milliseconds for a large repository) and answers as
  // `git check-ignore --no-index` does; `tracked` stays false.
  Options& use_index(bool on) {
    chosen_.use_index = on;
    return self();
  }
  // Git's core.ignoreCase: rules match ASCII letters in either case. By
  // default the repository's setting (false where none is set). Costs
  // little: matching folds letters.
  Options& ignore_case(bool on) {
    ignore_case_ = on;
    return self();
  }
  // Git's sources below the tree's own rule files, one by one:
  // `$GIT_DIR/info/exclude` and the global excludes file
  // (core.excludesFile); both read by default, as git reads them. Off
  // saves reading that file once.
  Options& info_exclude(bool on) {
    chosen_.info_exclude = on;
    return self();
  }
  Options& global_excludes(bool on) {
    chosen_.global_excludes = on;
    return self();
  }

  // More sources, none by default; each costs reading its rules once.
  //
  // A name read in every folder like ".gitignore" (".ignore"; UTF-8, no
  // "/"); may be given several times. In one folder ".gitignore" is read
  // first, then these names in the order given, and a later file's matching
  // line wins, as though appended to the earlier. A walk marks such files as
  // rule files. A name that cannot be one makes the walk, or a checker over
  // a tree, throw std::invalid_argument when it is made (rules held in
  // memory have no names). Costs one lookup in each folder's listing.
  Options& rule_file_name(std::string name) {
    chosen_.rule_file_names.push_back(std::move(name));
    return self();
  }
  // A file of rule lines (UTF-8 path, relative to the current folder or
  // absolute) whose patterns are relative to the work tree's top, as in
  // `.git/info/exclude`. A missing one makes the walk or the checker throw
  // std::filesystem::filesystem_error when it is made.
  Options& rule_file(std::string_view path) {
    chosen_.added.push_back({platform::path_from_utf8(path)});
    return self();
  }
  // Such lines given as text; the answers name `source` as their file.
  Options& rules(std::string text, std::string source = "<rules>") {
    chosen_.added.push_back({{}, std::move(text), std::move(source)});
    return self();
  }
  // Rule lines (relative to the top) that decide first: the last override
  // line that matches a path is its verdict ("!" keeps); where none
  // matches, the files decide. Given again, the lines are appended. As in
  // git, nothing below an ignored folder is kept: "!dir/x" cannot keep a
  // file below a folder that "dir/" ignores, "!dir/" keeps the folder. A
  // tracked file is still never ignored. The answers name "<overrides>" as
  // their file.
  Options& overrides(std::string_view text) {
    if (!chosen_.overrides.empty() && !chosen_.overrides.ends_with('\n')) {
      chosen_.overrides += '\n';
    }
    chosen_.overrides += text;
    return self();
  }

 protected:
  // The git engine's options as chosen, core.ignoreCase taken from `tree`
  // where the caller left it open.
  git::ignore_options resolved(const git::work_tree& tree) const {
    git::ignore_options out = chosen_;
    out.ignore_case = ignore_case_.value_or(tree.ignore_case.value_or(false));
    return out;
  }

 private:
  Options& self() { return static_cast<Options&>(*this); }

  git::ignore_options chosen_;
  std::optional<bool> ignore_case_;
};

}  // namespace quorvel
