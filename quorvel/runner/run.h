#pragma once
// The test run: one test folder walked with the library and judged against
// git's listing of it.

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::runner {

// Exit codes of a run.
enum exit_code : int {
  exit_completed = 0,    // walked and reported, errors or not
  exit_no_argument = 1,  // no test folder named
  exit_bad_option = 1,   // an unknown option, or a bad value for one
  exit_no_folder = 2,    // the named folder does not exist
  exit_no_listing = 3,   // the folder has no "i.txt"
  exit_run_failed = 4,   // the walk could not be completed (e.g. a bad rule file)
};

// Runs the test named by `arguments` (program name first, then the options
// and the test folder, read by parse_options; later arguments are ignored),
// writing everything to `out`, and returns the exit code. --help and
// --version write their text and return exit_completed; a bad option writes
// its line and the usage and returns exit_bad_option. With --git the walk and
// the verdicts are the git engine's (git::walker), and an ignored entry's
// line names the deciding rule file and line (report_git_entry); such a run
// never stops at a rule line. With --errors-only only the "ERR" lines and the
// summary are written. Colours follow --color and the NO_COLOR variable
// (colour_wanted). A failure that stops the walk (a rule file that does
// not compile, a file-system error) ends the run with the line
// "error: <what failed>" and exit_run_failed; no summary follows.
int run(const std::vector<std::wstring>& arguments, std::ostream& out);

}  // namespace quorvel::runner
