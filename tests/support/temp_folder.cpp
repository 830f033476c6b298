#include "tests/support/temp_folder.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace quorvel::testing {

std::filesystem::path make_temp_folder() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Creating the folder is the test for a free name.
    const std::filesystem::path candidate = base / ("quorvel-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      return candidate;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

void write_file(const std::filesystem::path& path, std::string_view bytes) {
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path());
  }
  std::ofstream stream(path, std::ios_base::binary | std::ios_base::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

void temp_folder_test::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

std::filesystem::path temp_folder_test::file(const std::filesystem::path& relative,
                                             std::string_view bytes) {
  write_file(root / relative, bytes);
  return root / relative;
}

std::filesystem::path temp_folder_test::folder(const std::filesystem::path& relative) {
  std::filesystem::create_directories(root / relative);
  return root / relative;
}

}  // namespace quorvel::testing
