// check-ignore: which line of which rule file decides for each path, as
// `git check-ignore -v --non-matching` prints it (quorvel::checker):
//
//   check-ignore [--no-index] <root> <path>...
//   check-ignore [--no-index] --stdin [-z] <root>
//
// One line per path, in the order given: "<source>:<line>:<pattern>\t<path>",
// or "::\t<path>" where no line decides; paths relative to <root> or
// absolute, printed as given, never quoted. --stdin reads one per line (or in
// git's C quotes); with -z paths and the four fields of an answer end in NUL.
// --no-index leaves the index out. Exit code as git's: 0 when a line decided,
// 1 when none, 128 where git refuses (not a path beyond a link), 129: usage.

#include <cstdio>
#include <iostream>
#include <optional>
#include <quorvel/platform/console.h>
#include <quorvel/platform/native_path.h>
#include <quorvel/text/c_quote.h>
#include <quorvel/walk/check.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

bool any_decided = false;

// Writes the answer on `path` in one of git's two forms.
void answer(quorvel::checker& rules, std::string_view path, bool nul_ended, std::ostream& out) {
  const quorvel::verdict v = rules.check(path);
  const char between = nul_ended ? '\0' : ':';
  if (v.rule_line != 0) {
    any_decided = true;
    out << v.rule_source << between << v.rule_line << between << v.rule;
  } else {
    out << between << between;
  }
  out << (nul_ended ? '\0' : '\t') << path << (nul_ended ? '\0' : '\n');
}

// Answers the paths on standard input, each at once for a caller that waits
// for it (a pipe, a terminal), as git does; into a file in large writes.
void answer_input(quorvel::checker& rules, bool nul_ended) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);  // a path's bytes as they come, "\r" too
#endif
  struct stat status {};
  const bool to_file = fstat(fileno(stdout), &status) == 0 && S_ISREG(status.st_mode);
  for (std::string line; std::getline(std::cin, line, nul_ended ? '\0' : '\n');) {
    const std::optional<std::string> path =
        nul_ended || !line.starts_with('"') ? line : quorvel::text::c_unquote(line);
    if (!path) {
      throw std::runtime_error("line is badly quoted");
    }
    answer(rules, *path, nul_ended, std::cout);
    if (!to_file) {
      std::cout.flush();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);  // standard output in large writes,
  std::cin.tie(nullptr);             // not flushed for each read
  std::vector<std::string> args;
  for (const std::wstring& argument : quorvel::platform::command_line(argc, argv)) {
    args.push_back(quorvel::text::wide_to_bytes(argument));
  }
  bool from_input = false, nul_ended = false, no_index = false;
  std::size_t at = 1;
  while (at < args.size() &&
         (args[at] == "--stdin" || args[at] == "-z" || args[at] == "--no-index")) {
    from_input |= args[at] == "--stdin";
    nul_ended |= args[at] == "-z";
    no_index |= args[at++] == "--no-index";
  }
  const quorvel::platform::utf8_output_session session;  // "\n" stays "\n" on Windows
  try {
    if (at < args.size() && nul_ended && !from_input) {
      throw std::runtime_error("-z only makes sense with --stdin");
    }
    if (at >= args.size() || (!from_input && at + 1 == args.size())) {
      std::fputs(
          "usage: check-ignore [--no-index] <root> <path>...\n"
          "       check-ignore [--no-index] --stdin [-z] <root>\n",
          stderr);
      return 129;
    }
    if (from_input && at + 1 < args.size()) {
      throw std::runtime_error("cannot specify pathnames with --stdin");
    }
    quorvel::checker rules(args[at], quorvel::checker::options().use_index(!no_index));
    if (from_input) {
      answer_input(rules, nul_ended);
    } else {
      std::ostringstream out;  // nothing is printed where git refuses a path
      for (std::size_t i = at + 1; i < args.size(); ++i) {
        answer(rules, args[i], false, out);
      }
      std::cout << out.str();
    }
    return std::cout.flush() ? (any_decided ? 0 : 1) : 128;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "fatal: %s\n", failure.what());
    return 128;
  }
}
