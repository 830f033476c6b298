#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/filetime.h"
#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/open_folder_posix.h"

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
  } else if (type == S_IFREG) {
    info.attributes = attribute_normal;
  } else {
    info.attributes = attribute_device;
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
  if (descriptor_ >= 0 && owns_descriptor_) {
    ::close(descriptor_);
  }
}

const char* folder_queries::name_in_folder(const std::filesystem::path& path, bool open) const {
  if (descriptor_ == not_opened && open) {
    descriptor_ = detail::open_folder(folder_.native(), O_PATH);
  }
  const std::string& text = path.native();
  const std::string& folder = folder_.native();
  if (descriptor_ < 0 || text.size() <= folder.size() + 1 || text[folder.size()] != '/' ||
      text.compare(0, folder.size(), folder) != 0 ||
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
    if (directory) {
      return attribute_directory;
    }
    const bool regular = listed.is_regular_file(error);
    return error ? 0 : regular ? attribute_normal : attribute_device;
  }
  const char* name = name_in_folder(listed.path());
  return name != nullptr ? link_attributes(descriptor_, name)
                         : link_attributes(AT_FDCWD, listed.path().c_str());
}

std::uint32_t folder_queries::attributes(const std::filesystem::path& path, entry_type type) const {
  switch (type) {
    case entry_type::directory:
      return attribute_directory;
    case entry_type::regular:
      return attribute_normal;
    case entry_type::other:
      return attribute_device;
    case entry_type::symlink: {
      const char* name = name_in_folder(path);
      return name != nullptr ? link_attributes(descriptor_, name)
                             : link_attributes(AT_FDCWD, path.c_str());
    }
    case entry_type::unknown:
      break;
  }
  return query(path).attributes;
}

bool folder_queries::exists(const std::filesystem::path& path) const {
  // A path too long to take whole can only be asked in the folder.
  const bool whole = fits_whole(path);
  const char* name = name_in_folder(path, !whole);
  if (name != nullptr) {
    struct stat status {};
    if (::fstatat(descriptor_, name, &status, 0) == 0) {
      return true;
    }
    // The two errors that std::filesystem takes for "not there".
    if (errno == ENOENT || errno == ENOTDIR) {
      return false;
    }
    if (!whole) {
      throw std::filesystem::filesystem_error("status", path,
                                              std::error_code(errno, std::generic_category()));
    }
  } else if (!whole) {
    // The folder itself cannot be opened: nothing in it can be reached.
    return false;
  }
  return std::filesystem::exists(path);
}

entry_type folder_queries::type_of(const std::filesystem::path& path) const {
  const char* name = name_in_folder(path);
  struct stat status {};
  if (::fstatat(name != nullptr ? descriptor_ : AT_FDCWD, name != nullptr ? name : path.c_str(),
                &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return entry_type::unknown;
  }
  switch (status.st_mode & S_IFMT) {
    case S_IFDIR:
      return entry_type::directory;
    case S_IFREG:
      return entry_type::regular;
    case S_IFLNK:
      return entry_type::symlink;
    default:
      return entry_type::other;
  }
}

bool folder_queries::read(const std::filesystem::path& path, std::string& out) const {
  const char* name = name_in_folder(path);
  // Not blocking: a FIFO of that name must not stall the walk before it is
  // seen to be no regular file.
  const int file =
      ::openat(name != nullptr ? descriptor_ : AT_FDCWD, name != nullptr ? name : path.c_str(),
               O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file < 0) {
    return false;
  }
  struct stat status {};
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(file);
    return false;
  }
  // As read_all: the size the file reports, cut to what it still holds.
  std::string bytes;
  try {
    bytes.resize(static_cast<std::size_t>(status.st_size));
  } catch (...) {
    ::close(file);
    throw;
  }
  std::size_t delivered = 0;
  while (delivered < bytes.size()) {
    const ssize_t got = ::read(file, bytes.data() + delivered, bytes.size() - delivered);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    delivered += static_cast<std::size_t>(got);
  }
  ::close(file);
  bytes.resize(delivered);
  out = std::move(bytes);
  return true;
}

bool is_link_not_to_enter(const std::filesystem::directory_entry& entry) noexcept {
  std::error_code error;
  return entry.is_symlink(error);
}

}  // namespace quorvel::platform
