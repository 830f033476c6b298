#pragma once
// Judging one run of the folder program on a materialised case: what the
// walker must decide for every entry (the case's expectations plus the
// inheritance the walker applies), what git's listing must say, and whether
// the program's whole output has the shape of a walk.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/corpus/case_file.h"

namespace quorvel::corpus {

// One entry below a test folder, as the walk must see it.
struct walk_entry {
  std::string path;           // relative to the test folder, "/" between elements
  bool is_directory = false;  // a folder or a link to one: sorted with the folders
  bool is_listed = false;     // a real folder, which the walk enters

  bool operator==(const walk_entry&) const = default;
};

// Every entry below `folder` on disk, links not followed, sorted by path.
std::vector<walk_entry> list_tree(const std::filesystem::path& folder);

// The paths that the case makes below its test folder: tree entries, the
// folders above them, rule files below the test folder, and "i.txt".
std::set<std::string> declared_paths(const corpus_case& the_case);

// Problems in the case itself, found without running anything: unknown tags
// or causes, expectations of entries the case does not make, a stated
// disagreement with git without a cause (or a cause without one), entries
// below a link, an exit-4 rule file or line that does not exist. Empty when
// the case is sound.
std::vector<std::string> check_case(const corpus_case& the_case, const catalogue& known);

// What the run must show for one entry.
struct expected_verdict {
  bool ignored = false;  // the walker's digit
  std::string rule;      // the deciding rule's text, when ignored
  std::optional<std::string> regex;
  bool git_ignored = false;  // the digit that git's listing gives
  std::string why;           // the cause of a disagreement, own or a folder's above
};

// The expected verdict of every entry of `tree`:
// - a stated expectation counts as written;
// - an entry of an ignored folder inherits the folder's verdict and rule,
//   since the walker consults no rule file for it;
// - any other entry is kept;
// - git's digit is 1 below a folder that git's listing names; otherwise it is
//   the one stated, or that of the folder whose verdict the entry inherits,
//   or else equal to the walker's (by default the two agree).
// Stated expectations that contradict the inheritance are added to `problems`.
std::map<std::string, expected_verdict> expected_verdicts(const corpus_case& the_case,
                                                          const std::vector<walk_entry>& tree,
                                                          std::vector<std::string>& problems);

// The tally and the problems of one run.
struct run_report {
  std::vector<std::string> problems;  // where the run differs from the case; empty when as expected
  int entries = 0;                    // entry lines
  int agree = 0;                      // " OK" lines
  int disagree = 0;                   // "ERR" lines
  std::map<std::string, int> causes;  // "ERR" lines per cause; "unexplained" when none applies
  bool stopped = false;               // the run ended with exit code 4
};

// Checks the folder program's `output` and `exit_code` for the case
// materialised at `test_folder`, whose entries are `tree`:
// - the exit code is the case's; for 4 the last line is "error: " naming the
//   rule file and line, and no summary precedes it;
// - every entry line has the line format and names a known entry at most
//   once, with the expected digits, rule text and (where stated) regular
//   expression, and " OK" exactly when the two digits agree;
// - for exit code 0, every entry of `tree` appears, folder by folder: each
//   folder's entries together, its directories (links to folders included)
//   ascending, then the rest ascending, folders in depth-first order; and the
//   summary follows, its error count equal to the number of "ERR" lines.
run_report check_run(const corpus_case& the_case, const std::vector<walk_entry>& tree,
                     const std::filesystem::path& test_folder, int exit_code,
                     std::string_view output);

// What git says of one entry: its verdict and the line that decides it, as
// `git check-ignore -v` names it (the rule file relative to the repository's
// top, or the global file's full path, its line number and the pattern).
struct git_answer {
  bool ignored = false;
  std::string source;   // empty when no line matches
  std::string line;     // the line number's digits
  std::string pattern;  // as git shows it: trailing spaces dropped, "!" kept

  bool operator==(const git_answer&) const = default;
};

// Whether `folder` holds a repository that git takes for one: its ".git" is a
// folder (or a link to one, or a file "gitdir: <path>" naming one) with a file
// HEAD that names a branch ("ref: refs/...") or holds 40 hexadecimal digits,
// and the folders objects and refs. An empty ".git" folder is not one.
bool is_repository(const std::filesystem::path& folder);

// The entries that the git walk hands out below `folder`, sorted by path:
// those of list_tree without any entry named ".git" or below one, and without
// what lies below a nested repository (which is handed out but not entered,
// so it counts as a folder that is not listed).
std::vector<walk_entry> list_git_tree(const std::filesystem::path& folder);

// Checks the output of `folder --git` on a case whose entries are `tree`,
// against git's answer for every entry:
// - the exit code is 0 (nothing in a rule file stops git);
// - every entry line is " OK" with both digits git's verdict, and for an
//   ignored entry ends in " <pattern> source:line" as git names the line, for
//   a kept one in the path;
// - every entry of `tree` appears once, in the order of the walk, and the
//   summary is "All OK".
// Disagreements are counted under the cause "git-engine".
run_report check_git_run(const std::vector<walk_entry>& tree,
                         const std::map<std::string, git_answer>& git, int exit_code,
                         std::string_view output);

}  // namespace quorvel::corpus
