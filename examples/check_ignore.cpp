// check-ignore: for each path below a folder, whether git's rules ignore it
// and which line of which rule file decides, as `git check-ignore -v
// --no-index --non-matching` prints it:
//
//   check-ignore <root> <path>...
//
// One line per path, in the order given: "<source>:<line>:<pattern>\t<path>"
// when a line decides (a "!" line too, which keeps the path), "::\t<path>"
// when none does. The source is the rule file's path below the work tree's
// top where it lies there (".gitignore", "src/.gitignore",
// ".git/info/exclude"), else its path as found (the global excludes file).
// Each path is taken relative to <root> (or absolute, below it) and printed
// as given; it names a folder when it ends with "/" or when a folder is
// there (a symbolic link is not one). Nothing is quoted.
//
// Exit code as git's: 0 when some line decided for some path (with -v git
// counts a deciding "!" line too), 1 when none did, 128 when a path lies
// outside the work tree (nothing is printed then) or a rule file cannot be
// read, 129 for a wrong command line.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <quorvel/git/check.h>
#include <quorvel/platform/console.h>
#include <quorvel/platform/native_path.h>
#include <quorvel/text/utf8.h>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace qg = quorvel::git;
namespace qp = quorvel::platform;

// The path's text as UTF-8 bytes, with "/" between its names.
std::string generic_bytes(const std::filesystem::path& path) {
  return quorvel::text::wide_to_bytes(qp::to_generic_wide(path));
}

// Whether `relative` (below `top`) stays inside it: no leading "..".
bool stays_below(const std::filesystem::path& relative) {
  return relative.empty() || *relative.begin() != "..";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::wstring> arguments = qp::command_line(argc, argv);
  if (arguments.size() < 3) {
    std::fputs("usage: check-ignore <root> <path>...\n", stderr);
    return 129;
  }
  const qp::utf8_output_session session;  // "\n" stays "\n" on Windows
  try {
    const std::filesystem::path root = qp::to_path(arguments[1]);
    qg::checker checker(root);
    const std::filesystem::path& top = checker.tree().top.empty() ? root : checker.tree().top;
    const std::filesystem::path full_top = std::filesystem::absolute(top).lexically_normal();

    // Every path is placed before any is answered: one outside the work tree
    // fails the whole command, as in git.
    struct question {
      std::wstring given;
      std::filesystem::path relative;  // below the root
      bool is_folder = false;
    };
    std::vector<question> questions;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
      question asked{arguments[i], qp::to_path(arguments[i])};
      const std::filesystem::path full = std::filesystem::absolute(root / asked.relative);
      if (!stays_below(full.lexically_normal().lexically_relative(full_top))) {
        std::fprintf(stderr, "fatal: %s: '%s' is outside the work tree at '%s'\n",
                     quorvel::text::wide_to_bytes(asked.given).c_str(),
                     generic_bytes(full.lexically_normal()).c_str(),
                     generic_bytes(full_top).c_str());
        return 128;
      }
      if (asked.relative.is_absolute()) {
        asked.relative = full.lexically_normal().lexically_relative(
            std::filesystem::absolute(root).lexically_normal());
      }
      std::error_code error;
      asked.is_folder =
          !asked.given.empty() && (asked.given.back() == L'/' ||
                                   (qp::backslash_is_separator && asked.given.back() == L'\\') ||
                                   std::filesystem::symlink_status(full, error).type() ==
                                       std::filesystem::file_type::directory);
      questions.push_back(std::move(asked));
    }

    bool any_decided = false;
    std::string out;
    for (const question& asked : questions) {
      const qg::check_result result = checker.check_path(asked.relative, asked.is_folder);
      if (result.rule_line != 0) {
        any_decided = true;
        const std::filesystem::path file =
            std::filesystem::absolute(result.rule_file).lexically_normal();
        const std::filesystem::path below = file.lexically_relative(full_top);
        out += generic_bytes(stays_below(below) ? below : result.rule_file);
        out += ':' + std::to_string(result.rule_line) + ':' + result.rule;
      } else {
        out += "::";
      }
      out += '\t' + quorvel::text::wide_to_bytes(asked.given) + '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) {
      return 128;
    }
    return any_decided ? 0 : 1;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "fatal: %s\n", failure.what());
    return 128;
  }
}
