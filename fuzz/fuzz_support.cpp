#include "fuzz/fuzz_support.h"

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

}  // namespace quorvel::fuzzing
