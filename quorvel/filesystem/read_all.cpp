#include "quorvel/filesystem/read_all.h"

#include <cstddef>
#include <cstdint>
#include <system_error>

#include "quorvel/filesystem/ifstream.h"

namespace quorvel::filesystem {

void read_all(const std::filesystem::path& path, std::string& out) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) {
    return;
  }
  // Value-initialised, so the stream's own state starts from zero.
  ifstream stream{};
  stream.open(path, std::ios_base::binary);
  if (!stream.is_open()) {
    return;
  }
  out.resize(static_cast<std::size_t>(size));
  const std::int64_t delivered = stream.read(out.data(), static_cast<std::int64_t>(size));
  // Regression: a file that shrank after the size query, or one that reports
  // more than it holds (as files under /sys do), left zero bytes at the end.
  out.resize(static_cast<std::size_t>(delivered));
  stream.close();
}

}  // namespace quorvel::filesystem
