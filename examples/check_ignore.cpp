// check-ignore: for each path below a folder, whether git's rules ignore it
// and which line of which rule file decides, as `git check-ignore -v
// --non-matching` prints it:
//
//   check-ignore [--no-index] <root> <path>...
//   check-ignore [--no-index] --stdin [-z] <root>
//
// One line per path, in the order given: "<source>:<line>:<pattern>\t<path>"
// when a line decides (a "!" line too, which keeps the path), "::\t<path>"
// when none does. The source is the rule file's path below the work tree's
// top where it lies there (".gitignore", "src/.gitignore",
// ".git/info/exclude"), else its path as found (the global excludes file).
// Each path is taken relative to <root> (or absolute, inside the work tree)
// and printed as given; it names a folder when a folder is there (a
// symbolic link is not one; "x/" is one where x is a folder, as git asks
// the disk). Nothing is quoted. A path that git tracks (or a folder below
// which it tracks anything) is never ignored: no line decides for it. With
// --no-index the index is not read and every line counts, as with git's
// --no-index.
//
// --stdin reads the paths from standard input, one per line (a line that
// starts with '"' is read back from git's C quotes), and answers each as it
// comes. With -z the paths are ended by NUL instead, and each answer is four
// fields each ended by NUL: source, line, pattern (all three empty when no
// line decides) and path.
//
// Exit code as git's: 0 when some line decided for some path (with -v git
// counts a deciding "!" line too), 1 when none did, 128 when git would
// refuse: a path outside the work tree or an empty one (given as arguments,
// nothing is printed then; read from standard input, the answers before it
// are), a root that cannot be listed, a rule file that cannot be read, -z
// without --stdin or paths with it; 129 for a wrong command line.

#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <quorvel/git/check.h>
#include <quorvel/git/work_tree.h>
#include <quorvel/platform/console.h>
#include <quorvel/platform/native_path.h>
#include <quorvel/text/c_quote.h>
#include <quorvel/text/utf8.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

namespace qg = quorvel::git;
namespace qp = quorvel::platform;

// Git's way of ending a program that cannot go on.
struct fatal {
  std::string message;
};

// Answers single paths and writes the answers in one of git's two forms.
class answers {
 public:
  answers(const std::filesystem::path& root, const qg::ignore_options& options, bool nul_ended)
      : root_(root), checker_(root, options), nul_ended_(nul_ended) {}

  // Adds the answer on `given` (native text) to `out`; throws fatal where
  // git refuses the path.
  void answer(const std::wstring& given, std::string& out) {
    const std::filesystem::path path = qp::to_path(given);
    std::error_code error;
    const bool is_folder =
        !given.empty() && std::filesystem::symlink_status(root_ / path, error).type() ==
                              std::filesystem::file_type::directory;
    const std::string bytes = quorvel::text::wide_to_bytes(given);
    qg::check_result result;
    try {
      // Where "/" alone separates names, the bytes are the path as given.
      result = qp::backslash_is_separator ? checker_.check_path(path, is_folder)
                                          : checker_.check(bytes, is_folder);
    } catch (const qg::path_error& refused) {
      throw fatal{refused.what()};
    }
    const char end = nul_ended_ ? '\0' : '\n';
    const char between = nul_ended_ ? '\0' : ':';
    if (result.rule_line != 0) {
      any_decided = true;
      out +=
          result.rule_source + between + std::to_string(result.rule_line) + between + result.rule;
    } else {
      out += between;
      out += between;
    }
    out += nul_ended_ ? '\0' : '\t';
    out += bytes;
    out += end;
  }

  bool any_decided = false;

 private:
  std::filesystem::path root_;
  qg::checker checker_;
  bool nul_ended_;
};

// Whether standard output is a regular file.
bool writes_to_file() {
  struct stat status {};
  return fstat(fileno(stdout), &status) == 0 && S_ISREG(status.st_mode);
}

bool write_out(const std::string& out) {
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0;
}

// The next path on standard input (ended by `end` or by the input's end), or
// nothing at the end.
std::optional<std::string> read_record(char end) {
  std::string record;
  int c = std::getchar();
  if (c == EOF) {
    return std::nullopt;
  }
  for (; c != EOF && c != static_cast<unsigned char>(end); c = std::getchar()) {
    record.push_back(static_cast<char>(c));
  }
  return record;
}

int run(const std::filesystem::path& root, const std::vector<std::wstring>& paths,
        qg::ignore_options options, bool from_input, bool nul_ended) {
  // The repository's core.ignorecase decides, as it does for git.
  options.ignore_case = qg::find_work_tree(root).ignore_case.value_or(false);
  answers asked(root, options, nul_ended);
  std::string out;
  if (!from_input) {
    // Every path is answered before any is printed: one that git refuses
    // fails the whole command, as in git.
    for (const std::wstring& path : paths) {
      asked.answer(path, out);
    }
    if (!write_out(out)) {
      return 128;
    }
    return asked.any_decided ? 0 : 1;
  }
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);  // a path's bytes as they come, "\r" too
#endif
  // Each answer goes out at once for a caller that waits for it (a pipe, a
  // terminal), as git's do; into a file they go out in large writes.
  const bool each_at_once = !writes_to_file();
  out.clear();
  while (std::optional<std::string> record = read_record(nul_ended ? '\0' : '\n')) {
    if (!nul_ended && record->starts_with('"')) {
      record = quorvel::text::c_unquote(*record);
      if (!record) {
        throw fatal{"line is badly quoted"};
      }
    }
    asked.answer(quorvel::text::bytes_to_wide(*record), out);
    if (each_at_once || out.size() >= 64 * 1024) {
      if (!write_out(out)) {
        return 128;
      }
      out.clear();
    }
  }
  return write_out(out) ? (asked.any_decided ? 0 : 1) : 128;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::wstring> arguments = qp::command_line(argc, argv);
  bool from_input = false;
  bool nul_ended = false;
  qg::ignore_options options;
  std::size_t at = 1;
  for (; at < arguments.size() &&
         (arguments[at] == L"--stdin" || arguments[at] == L"-z" || arguments[at] == L"--no-index");
       ++at) {
    if (arguments[at] == L"--no-index") {
      options.use_index = false;
    } else {
      (arguments[at] == L"-z" ? nul_ended : from_input) = true;
    }
  }
  const qp::utf8_output_session session;  // "\n" stays "\n" on Windows
  try {
    if (at < arguments.size() && nul_ended && !from_input) {
      throw fatal{"-z only makes sense with --stdin"};
    }
    if (at >= arguments.size() || (!from_input && at + 1 == arguments.size())) {
      std::fputs(
          "usage: check-ignore [--no-index] <root> <path>...\n"
          "       check-ignore [--no-index] --stdin [-z] <root>\n",
          stderr);
      return 129;
    }
    if (from_input && at + 1 < arguments.size()) {
      throw fatal{"cannot specify pathnames with --stdin"};
    }
    return run(qp::to_path(arguments[at]),
               std::vector<std::wstring>(arguments.begin() + static_cast<std::ptrdiff_t>(at + 1),
                                         arguments.end()),
               options, from_input, nul_ended);
  } catch (const fatal& stop) {
    std::fprintf(stderr, "fatal: %s\n", stop.message.c_str());
    return 128;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "fatal: %s\n", failure.what());
    return 128;
  }
}
