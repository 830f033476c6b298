#include "filesystem/read_all.h"

#include <fstream>

// Placeholder until the stream classes land.

namespace quorvel::filesystem {

void read_all(const std::filesystem::path& path, std::string& out) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    return;
  }
  std::ifstream stream(path, std::ios_base::binary);
  if (!stream.is_open()) {
    return;
  }
  out.resize(size);
  stream.read(out.data(), static_cast<std::streamsize>(size));
  out.resize(static_cast<std::size_t>(stream.gcount()));
}

}  // namespace quorvel::filesystem
