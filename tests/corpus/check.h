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

}  // namespace quorvel::corpus
