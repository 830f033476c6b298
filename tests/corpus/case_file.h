#pragma once
// The corpus's case files: one small test folder per file, with its rule files
// byte for byte and the verdicts the walker must reach on its entries.
//
// A case file reads like this (every line of a block is indented by two spaces):
//
//   # What the case tests, in one line
//   tags: name, negation
//
//   tree:
//     file src/a.c
//     file "name with space.txt" = "some content\n"
//     dir  empty
//     link to-src -> src
//
//   rules .gitignore:
//     *.log
//     "trailing space \r\n"
//
//   expect:
//     build        ignored <build> /.*\/build.*/
//     builder.txt  ignored <build>  git kept  why longer-name
//     src/a.c      kept
//
//   exit: 0
//   git config: core.ignorecase true
//
//   tracked:
//     build/kept.c
//     gone.c      deleted
//     new.c       intent-to-add
//     old.c       rm-cached
//     module      gitlink
//   index: split
//
// Tokens are raw up to the next space, or double-quoted with the escapes \\ \"
// \n \r \t \0 \xHH and \u{HEX} (a code point, written as UTF-8). A raw line of
// a rules block is one rule line and gets a line feed; a quoted line is exactly
// the bytes it spells, so line ends, a missing last line end, a byte order mark
// or invalid UTF-8 are written out. No case line may end in a space or hold a
// tab or a carriage return, so nothing in a case is invisible.
//
// Paths are relative to the test folder and use "/". A rules block may also
// name "../.gitignore" (the repository's root, just above the test folder),
// "../../.gitignore" (above the repository, where git never looks),
// "../.git/info/exclude" (the repository's own excludes) and
// "~/.config/git/ignore" (the global excludes file, at its default place in
// the case's own home folder). In the
// expect block the path "." stands for the test folder itself, whose verdict
// its entries inherit. After the verdict and its rule, "git ignored" or "git
// kept" records what git's listing says where it differs from the library
// (with "why" and a cause from the catalogue) or where the case wants it
// checked.
//
// The tracked block puts paths in git's index; the walker's own engine knows
// nothing of it, so git's verdicts there are stated as above. A bare path is a
// file or link of the tree (or a rule file below the test folder) that is
// added with "git add -f" and committed before the listing is written. After
// the commit, and after the index takes the form that "index:" names (v2, v3,
// v4: that version; split: a split index, so that what follows lands in its
// split-off index), the marked paths follow: "deleted" is committed as an empty
// file and then removed from the work tree (it is not in the tree; the folders
// above it stay), "rm-cached" is committed and then taken out of the index
// again ("git rm --cached"), "intent-to-add" is added with "git add -N -f", and
// "gitlink" is an index entry for a submodule's commit, with no repository
// behind it (its folder is an empty "dir" of the tree, or absent).

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::corpus {

// The two rule files that are not named .gitignore, as a rules block names them.
inline constexpr char info_exclude_file[] = "../.git/info/exclude";
inline constexpr char global_excludes_file[] = "~/.config/git/ignore";

// A case file, or the catalogue, that does not follow the format.
// what() is "<file>:<line>: <what is wrong>".
class case_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class entry_kind { file, folder, link };

// One entry that the case creates below the test folder (parents implied).
struct tree_entry {
  entry_kind kind = entry_kind::file;
  std::string path;     // relative to the test folder, bytes
  std::string content;  // a file's bytes, or a link's target
  int line = 0;         // where the case file declares it

  bool operator==(const tree_entry&) const = default;
};

// A file given line by line in a rules block.
struct rule_file {
  std::string path;  // relative to the test folder; may begin with "../"
  std::string bytes;
  int line = 0;

  bool operator==(const rule_file&) const = default;
};

// What the library must decide for one entry, and what git says of it.
struct expectation {
  std::string path;  // relative to the test folder; "." is the folder itself
  bool ignored = false;
  std::string rule;                  // the deciding rule's text, when ignored
  std::optional<std::string> regex;  // its regular-expression text, when stated
  std::optional<bool> git_ignored;   // git's verdict, when stated
  std::string why;                   // the cause of a disagreement with git
  int line = 0;

  bool operator==(const expectation&) const = default;
};

// How a tracked path gets into the index.
enum class tracked_kind { committed, deleted, rm_cached, intent_to_add, gitlink };

// One path of the tracked block.
struct tracked_path {
  std::string path;  // relative to the test folder, bytes
  tracked_kind kind = tracked_kind::committed;
  int line = 0;

  bool operator==(const tracked_path&) const = default;
};

// One parsed case file.
struct corpus_case {
  std::string name;  // the file name without ".case"
  std::string description;
  std::vector<std::string> tags;
  std::vector<tree_entry> tree;
  std::vector<rule_file> rule_files;
  std::vector<expectation> expectations;
  int exit_code = 0;
  std::string error_file;  // for exit code 4: the rule file the error names
  int error_line = 0;      // and its line
  // Settings made with `git config` in the repository: key and value.
  std::vector<std::pair<std::string, std::string>> git_config;
  std::vector<tracked_path> tracked;
  std::string index_form;  // "v2", "v3", "v4" or "split"; empty for git's default

  // Whether git's index counts: then git check-ignore and the query run
  // without --no-index.
  bool uses_index() const { return !tracked.empty() || !index_form.empty(); }
};

// Parses the text of a case file. `source` names it in error messages and
// `name` becomes the case's name. Throws case_error.
corpus_case parse_case(std::string_view text, const std::string& source, std::string name);

// Reads and parses the case file `file`, named after its stem.
// Throws case_error (also when the file cannot be read).
corpus_case read_case(const std::filesystem::path& file);

// The tags that a case may carry, in the order the report lists them, and the
// causes of disagreement with git that an expectation may name.
struct catalogue {
  std::vector<std::pair<std::string, std::string>> tags;    // tag, description
  std::vector<std::pair<std::string, std::string>> causes;  // key, one-line explanation

  bool has_tag(std::string_view tag) const;
  bool has_cause(std::string_view key) const;
};

// Reads the catalogue: lines "tag <tag>: <description>" and "why <key>:
// <explanation>", "#" comments and blank lines. Throws case_error.
catalogue read_catalogue(const std::filesystem::path& file);

// Returns the bytes that a quoted token spells; `token` is the text between
// the quotes. Throws std::invalid_argument for a bad escape.
std::string unescape(std::string_view token);

// Returns `bytes` as a double-quoted token that unescape reads back; printable
// ASCII stays as it is.
std::string quote(std::string_view bytes);

// The case files below `folder`, sorted by name.
std::vector<std::filesystem::path> list_case_files(const std::filesystem::path& folder);

}  // namespace quorvel::corpus
