#pragma once
// A test fixture that gives each test a fresh temporary folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace quorvel::testing {

// Creates a fresh folder under the system's temporary folder.
std::filesystem::path make_temp_folder();

// Writes `bytes` to `path` (creating parent folders), replacing any content.
void write_file(const std::filesystem::path& path, std::string_view bytes = {});

// Sets the last-write time of the entry at `path` (a final link followed) to
// `seconds` and `nanoseconds` after 1970-01-01 UTC, as precisely as the
// platform keeps it (100 ns on Windows). Throws std::runtime_error on failure.
void set_modified_time(const std::filesystem::path& path, std::int64_t seconds, long nanoseconds);

// Makes `link` a symbolic link to the folder `target` and returns whether the
// system made one that it reports as a link; false where it cannot (Windows
// without the privilege). Throws where POSIX systems fail to make it.
bool make_folder_link(const std::filesystem::path& target, const std::filesystem::path& link);

// Removes `path` and everything below it, never through a link: a link is
// removed itself. Reports nothing.
void remove_tree(const std::filesystem::path& path) noexcept;

// Makes `folder` reachable as the root of a drive of its own on Windows and
// returns that root ("Q:\\"); empty where the system has no drive letters or
// none can be had. unmap_drive gives the letter back.
std::filesystem::path map_drive(const std::filesystem::path& folder);
void unmap_drive(const std::filesystem::path& drive_root);

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
