#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_info.h"
#include "platform/filetime.h"

namespace quorvel::platform {
namespace {

// Expresses a POSIX time stamp as FILETIME ticks, so that the rounding is the
// one every platform shares.
std::int64_t to_seconds(const statx_timestamp& stamp) {
  const auto ticks =
      static_cast<std::uint64_t>(stamp.tv_sec + seconds_1601_to_1970) * ticks_per_second +
      stamp.tv_nsec / 100;
  return filetime_to_unix_seconds(ticks);
}

}  // namespace

file_info query_file_info(const std::filesystem::path& path) {
  file_info info;
  struct statx status {};
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME | STATX_BTIME,
              &status) != 0) {
    return info;
  }
  const auto type = status.stx_mode & S_IFMT;
  if (type == S_IFDIR) {
    info.attributes = attribute_directory;
  } else if (type == S_IFLNK) {
    info.attributes = attribute_reparse_point;
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
      info.attributes |= attribute_directory;
    }
  } else {
    info.attributes = attribute_normal;
  }
  info.modified = to_seconds(status.stx_mtime);
  if ((status.stx_mask & STATX_BTIME) != 0) {
    info.created = to_seconds(status.stx_btime);
  }
  return info;
}

bool is_link_not_to_enter(const std::filesystem::directory_entry& entry) noexcept {
  std::error_code error;
  return entry.is_symlink(error);
}

}  // namespace quorvel::platform
