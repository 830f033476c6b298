#include "quorvel/filesystem/ifstream.h"

namespace quorvel::filesystem {

ifstream::~ifstream() = default;

std::int64_t ifstream::read(char* buffer, std::int64_t count) {
  std::basic_ifstream<char>::read(buffer, static_cast<std::streamsize>(count));
  return static_cast<std::int64_t>(gcount());
}

}  // namespace quorvel::filesystem
