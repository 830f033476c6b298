#pragma once
// The runner's command line: options first, then the test folder, as GNU and
// git programs take them.

#include <cstddef>
#include <string>
#include <vector>

#include "quorvel/runner/colour.h"

namespace quorvel::runner {

// What a command line asks for once it has been read.
enum class command { run, help, version, fail };

struct options {
  command what = command::run;
  bool git = false;          // --git: the git engine's walk and report
  bool errors_only = false;  // --errors-only: no " OK" lines
  colour_choice colour = colour_choice::automatic;
  bool has_folder = false;  // false: no test folder was named
  std::wstring folder;
  // For command::fail, the line that says what is wrong, without its line
  // end ("folder: unknown option '-x'").
  std::string error;
};

// Reads `arguments` (program name first). Options are read up to the first
// argument that is not one (a lone "-" is such an argument) or up to "--",
// which itself is dropped; the argument after that is the test folder and the
// rest are ignored. "--help" ("-h"), "--version" and the first bad option end
// the reading: the first of them in the line decides `what`. "--color"
// without a value means "always", as it does for GNU programs and git.
// Options are never abbreviated.
options parse_options(const std::vector<std::wstring>& arguments);

// The usage and the options, one per line, each line ending in "\n": what
// --help writes, and what follows the line of a bad option.
extern const char* const usage_text;

// "folder (quorvel) <version>", the version being the project's.
extern const char* const version_text;

}  // namespace quorvel::runner
