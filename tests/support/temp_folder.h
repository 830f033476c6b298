#pragma once
// A test fixture that gives each test a fresh temporary folder.

#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace quorvel::testing {

// Creates a fresh folder under the system's temporary folder.
std::filesystem::path make_temp_folder();

// Writes `bytes` to `path` (creating parent folders), replacing any content.
void write_file(const std::filesystem::path& path, std::string_view bytes = {});

class temp_folder_test : public ::testing::Test {
 protected:
  void SetUp() override { root = make_temp_folder(); }
  void TearDown() override;

  // Writes a file below the root and returns its full path.
  std::filesystem::path file(const std::filesystem::path& relative, std::string_view bytes = {});
  // Creates folders below the root and returns the full path.
  std::filesystem::path folder(const std::filesystem::path& relative);

  std::filesystem::path root;
};

}  // namespace quorvel::testing
