#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "quorvel/platform/file_identity.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/open_folder_posix.h"

namespace quorvel::platform {
namespace {

file_identity from_status(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// The identity of `name` relative to the folder `at` (or the working folder,
// AT_FDCWD), links followed.
file_identity identify_at(int at, const char* name, std::error_code& error) noexcept {
  struct stat status {};
  if (::fstatat(at, name, &status, 0) != 0) {
    error = std::error_code(errno, std::generic_category());
    return {};
  }
  error.clear();
  return from_status(status);
}

}  // namespace

file_identity identify(const std::filesystem::path& path, std::error_code& error) noexcept {
  if (fits_whole(path)) {
    return identify_at(AT_FDCWD, path.c_str(), error);
  }
  // Too long to take whole: opened a part at a time, which takes folders only.
  const int folder = detail::open_folder(path.native(), O_PATH);
  if (folder < 0) {
    error = std::error_code(errno, std::generic_category());
    return {};
  }
  struct stat status {};
  const bool known = ::fstat(folder, &status) == 0;
  error = known ? std::error_code() : std::error_code(errno, std::generic_category());
  ::close(folder);
  return known ? from_status(status) : file_identity{};
}

file_identity folder_queries::identify(const std::filesystem::path& path,
                                       std::error_code& error) const noexcept {
  const char* name = name_in_folder(path);
  return name != nullptr ? identify_at(descriptor_, name, error) : platform::identify(path, error);
}

}  // namespace quorvel::platform
