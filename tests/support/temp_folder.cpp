#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <fstream>
#include <random>
#include <stdexcept>

#include "quorvel/platform/filetime.h"

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

void set_modified_time(const std::filesystem::path& path, std::int64_t seconds, long nanoseconds) {
#ifdef _WIN32
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + platform::seconds_1601_to_1970) *
                                  platform::ticks_per_second +
                              static_cast<std::uint64_t>(nanoseconds / 100);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool done = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, nullptr, &time);
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
  }
#else
  const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                             {static_cast<time_t>(seconds), nanoseconds}};
  const bool done = ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
  if (!done) {
    throw std::runtime_error("cannot set the time of " + path.string());
  }
}

#ifndef _WIN32
// The Windows ones are beside the other process helpers: they may need the shell.
bool make_folder_link(const std::filesystem::path& target, const std::filesystem::path& link) {
  std::filesystem::create_directory_symlink(target, link);
  return true;
}

void remove_tree(const std::filesystem::path& path) noexcept {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::filesystem::path map_drive(const std::filesystem::path& /*folder*/) {
  return {};
}

void unmap_drive(const std::filesystem::path& /*drive_root*/) {}
#endif

void temp_folder_test::TearDown() {
  remove_tree(root);
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
