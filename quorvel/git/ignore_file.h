#pragma once
// One ignore-rule file with git's own semantics: its lines parsed as git
// parses them, and the line that decides for a path.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::git {

namespace detail {
class rule_index;
}
class walk_engine;

// Rules in force for a whole walk or query beside git's own sources: the
// text itself where it is given, shown as `source`, else the file `file`.
struct added_rules {
  std::filesystem::path file;
  std::optional<std::string> text{};
  std::string source{};

  bool operator==(const added_rules&) const = default;
};

// Git's settings that change how rules match, and which rules count
// (git/precedence.h says where each source stands).
struct ignore_options {
  bool ignore_case = false;  // git's core.ignoreCase: ASCII letters match either case
  // Whether the walk and the query read git's index, so that a tracked path
  // (and a folder below which anything is tracked) is never ignored, as in
  // git; false answers as `git check-ignore --no-index` does. Rule files
  // themselves do not look at it.
  bool use_index = true;
  // Which of git's own sources below the tree's rule files are read:
  // `$GIT_DIR/info/exclude` and the global excludes file
  // (core.excludesFile). Both by default, as git reads them.
  bool info_exclude = true;
  bool global_excludes = true;
  // More rule-file names read in every folder like ".gitignore", after it
  // and in this order (UTF-8 names, no "/").
  std::vector<std::string> rule_file_names{};
  // Rule files and texts whose patterns are relative to the top, as in
  // info/exclude, in force everywhere; the later ones decide over the
  // earlier. A file named here must exist.
  std::vector<added_rules> added{};
  // Lines that decide before every rule file, as one file relative to the
  // top; empty for none.
  std::string overrides{};

  bool operator==(const ignore_options&) const = default;
};

// The name under which the overrides' lines are shown.
inline constexpr std::string_view overrides_source = "<overrides>";

// One rule line of a file.
struct ignore_rule {
  // The line as git prints it (`git check-ignore -v`): its bytes without the
  // line end and without the trailing spaces that git drops, "!" and all.
  std::string text;
  std::uint32_t line = 0;    // its number in the file, from 1
  bool negation = false;     // "!": a match keeps the path
  bool folder_only = false;  // a trailing "/": only folders match
  bool anchored = false;     // a "/" at the start or in the middle: the whole path must match
  // What is matched: the line without "!", the trailing "/" and a leading
  // "/"; against the path below the file's folder when anchored, else
  // against the last name of it.
  std::string pattern;

  bool operator==(const ignore_rule&) const = default;
};

// The rules of one file (a ".gitignore", `$GIT_DIR/info/exclude` or the
// global excludes file), immutable once built. Copies share the compiled
// index.
//
// Lines are cut at LF; a CR before the LF is dropped, and so is a UTF-8 byte
// order mark at the start of the file. A line is cut at a NUL byte. Trailing
// spaces are dropped unless escaped with "\". A blank line, a line that
// begins with "#" and a line with nothing left after "!" (or "/") match
// nothing; nothing is ever an error: a pattern that git can never match
// (such as "[" or one that ends in "\") is kept and matches nothing.
//
// Usable as the `Rules` of filesystem::finder, which then walks as git does
// (git/walk_engine.h, git/walker.h).
class ignore_file {
 public:
  // The walk over these files is git's (filesystem/rule_engine.h).
  using engine_type = walk_engine;

  // Reads the rule file at `file` (a symbolic link is followed). A file that
  // is missing or cannot be read (a folder too) gives no rules, as in git.
  // Throws std::bad_alloc or std::length_error for a file too large to hold.
  explicit ignore_file(const std::filesystem::path& file, const ignore_options& options = {});

  // The rules in `bytes`, the contents of a rule file, as though read from
  // `source` (which is only remembered, never read).
  static ignore_file from_text(std::string_view bytes, std::filesystem::path source = {},
                               const ignore_options& options = {});

  // The path this file was read from (or given as its source).
  const std::filesystem::path& source() const { return source_; }

  // The rules, in file order; lines that match nothing are left out.
  const std::vector<ignore_rule>& rules() const { return rules_; }

  // Returns the last rule that matches `path` (UTF-8 bytes, below the file's
  // folder, "/" between names, no leading "/", such as "src/a.c"), or null
  // when none does: within one file the last matching line decides, whether
  // it ignores or keeps. `is_folder` tells whether the path names a folder
  // (a symbolic link is not one). Never throws.
  const ignore_rule* last_match(std::string_view path, bool is_folder) const;

  // Whether an entry named `name` (its native text) is a repository's own
  // ".git", which a walk never hands out; with ignore_case in either case.
  template <class Char>
  static bool is_repository_name(std::basic_string_view<Char> name, const ignore_options& options);

 private:
  ignore_file(std::filesystem::path source, std::string_view bytes, const ignore_options& options);

  std::filesystem::path source_;
  std::vector<ignore_rule> rules_;
  std::shared_ptr<const detail::rule_index> index_;
};

template <class Char>
bool ignore_file::is_repository_name(std::basic_string_view<Char> name,
                                     const ignore_options& options) {
  constexpr std::string_view dot_git = ".git";
  if (name.size() != dot_git.size()) {
    return false;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    Char c = name[i];
    if (options.ignore_case && c >= Char('A') && c <= Char('Z')) {
      c = static_cast<Char>(c - Char('A') + Char('a'));
    }
    if (c != static_cast<Char>(dot_git[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace quorvel::git
