#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace quorvel::fuzzing {

std::filesystem::path write_rule_file(std::string_view bytes) {
  // One file per process: libFuzzer's -jobs runs several at once.
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("quorvel-fuzz-" + std::to_string(getpid()) + ".gitignore");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::abort();
  }
  return path;
}

bool split_rules_and_paths(std::string_view input, rules_and_paths& out) {
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) {
    return false;
  }
  out.rules = input.substr(0, split);
  out.paths.clear();
  for (std::string_view rest = input.substr(split + 1); !rest.empty();) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    out.paths.push_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return true;
}

}  // namespace quorvel::fuzzing
