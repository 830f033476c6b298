// quorvel_check_ignore: the git engine's query (git::checker) answering as
// `git check-ignore -v -n -z --no-index --stdin` does, so that the two can be
// compared byte for byte.
//
//   quorvel_check_ignore < paths
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
#include <system_error>

#include "quorvel/git/check.h"
#include "quorvel/git/work_tree.h"

namespace {

int run() {
  const std::filesystem::path root = std::filesystem::current_path();
  // The repository's core.ignorecase decides, as it does for git.
  quorvel::git::ignore_options options;
  options.ignore_case = quorvel::git::find_work_tree(root).ignore_case.value_or(false);
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

int main() {
  try {
    return run();
  } catch (const std::exception& failure) {
    std::cerr << "error: " << failure.what() << "\n";
    return 2;
  }
}
