// quorvel_check_ignore: the git engine's query (git::checker) answering as
// `git check-ignore -v -n -z --stdin` does, so that the two can be compared
// byte for byte.
//
//   quorvel_check_ignore [--no-index] < paths
//
// With --no-index, as with git's, the index is left out: a tracked path is
// answered like any other.
//
// Reads NUL-terminated paths relative to the current folder and writes, for
// each, four NUL-terminated fields: the rule file (as git names it), the line
// number, the line as git shows it, and the path; the first three empty when
// no line matches. A path is a folder when it is one and no symbolic link.

#include <exception>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "quorvel/git/check.h"
#include "quorvel/git/work_tree.h"

namespace {

int run(bool use_index) {
  const std::filesystem::path root = std::filesystem::current_path();
  // The repository's core.ignorecase decides, as it does for git.
  quorvel::git::ignore_options options;
  options.ignore_case = quorvel::git::find_work_tree(root).ignore_case.value_or(false);
  options.use_index = use_index;
  quorvel::git::checker checker(root, options);
  const std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
  std::string output;
  std::size_t start = 0;
  for (std::size_t end; (end = input.find('\0', start)) != std::string::npos; start = end + 1) {
    const std::string path = input.substr(start, end - start);
    std::error_code error;
    const bool is_folder = std::filesystem::symlink_status(path, error).type() ==
                           std::filesystem::file_type::directory;
    const quorvel::git::check_result result = checker.check(path, is_folder);
    if (result.rule_line != 0) {
      output += result.rule_source;
      output += '\0';
      output += std::to_string(result.rule_line);
      output += '\0';
      output += result.rule;
    } else {
      output += std::string(2, '\0');
    }
    output += '\0';
    output += path;
    output += '\0';
  }
  std::cout << output << std::flush;
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view usage = "usage: quorvel_check_ignore [--no-index] < paths\n";
  if (argc > 2 || (argc == 2 && std::string_view(argv[1]) != "--no-index")) {
    std::cerr << usage;
    return 2;
  }
  try {
    return run(argc == 1);
  } catch (const std::exception& failure) {
    std::cerr << "error: " << failure.what() << "\n";
    return 2;
  }
}
