#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/filetime.h"

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

// The attributes of the symbolic link `name` (relative to the folder `at`,
// or the working folder for AT_FDCWD): a reparse point, and a directory when
// its target is one.
std::uint32_t link_attributes(int at, const char* name) {
  struct stat target {};
  const bool to_folder = ::fstatat(at, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
  return attribute_reparse_point | (to_folder ? attribute_directory : 0);
}

// The entry `name` names relative to the folder `at` (or the working
// folder, AT_FDCWD).
file_info query_at(int at, const char* name) {
  file_info info;
  struct statx status {};
  if (::statx(at, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME | STATX_BTIME, &status) !=
      0) {
    return info;
  }
  const auto type = status.stx_mode & S_IFMT;
  if (type == S_IFDIR) {
    info.attributes = attribute_directory;
  } else if (type == S_IFLNK) {
    info.attributes = link_attributes(at, name);
  } else {
    info.attributes = attribute_normal;
  }
  info.modified = to_seconds(status.stx_mtime);
  if ((status.stx_mask & STATX_BTIME) != 0) {
    info.created = to_seconds(status.stx_btime);
  }
  return info;
}

}  // namespace

file_info query_file_info(const std::filesystem::path& path) {
  return query_at(AT_FDCWD, path.c_str());
}

folder_queries::folder_queries(const std::filesystem::path& folder) : folder_(folder) {}

folder_queries::~folder_queries() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

const char* folder_queries::name_in_folder(const std::filesystem::path& path, bool open) const {
  if (descriptor_ == not_opened && open) {
    descriptor_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  const std::string& text = path.native();
  const std::string& folder = folder_.native();
  // A path of PATH_MAX bytes or more is refused whole (ENAMETOOLONG), even
  // where its last name alone would be found.
  if (descriptor_ < 0 || text.size() >= PATH_MAX || text.size() <= folder.size() + 1 ||
      text[folder.size()] != '/' || text.compare(0, folder.size(), folder) != 0 ||
      text.find('/', folder.size() + 1) != std::string::npos) {
    return nullptr;
  }
  return text.c_str() + folder.size() + 1;
}

file_info folder_queries::query(const std::filesystem::path& path) const {
  const char* name = name_in_folder(path);
  return name != nullptr ? query_at(descriptor_, name) : query_file_info(path);
}

std::uint32_t folder_queries::attributes(const std::filesystem::directory_entry& listed) const {
  // The entry's own type, from the listing where it told one; where it did
  // not, is_symlink and is_directory ask the file system.
  std::error_code error;
  const bool link = listed.is_symlink(error);
  if (error) {
    return 0;
  }
  if (!link) {
    const bool directory = listed.is_directory(error);
    if (error) {
      return 0;
    }
    return directory ? attribute_directory : attribute_normal;
  }
  const char* name = name_in_folder(listed.path());
  return name != nullptr ? link_attributes(descriptor_, name)
                         : link_attributes(AT_FDCWD, listed.path().c_str());
}

bool folder_queries::exists(const std::filesystem::path& path) const {
  const char* name = name_in_folder(path, false);
  if (name != nullptr) {
    struct stat status {};
    if (::fstatat(descriptor_, name, &status, 0) == 0) {
      return true;
    }
    // The two errors that std::filesystem takes for "not there".
    if (errno == ENOENT || errno == ENOTDIR) {
      return false;
    }
  }
  return std::filesystem::exists(path);
}

bool is_link_not_to_enter(const std::filesystem::directory_entry& entry) noexcept {
  std::error_code error;
  return entry.is_symlink(error);
}

}  // namespace quorvel::platform
