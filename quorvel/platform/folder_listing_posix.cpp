#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/open_folder_posix.h"

namespace quorvel::platform {
namespace detail {

int open_folder(const std::string& path, int flags) {
  flags |= O_DIRECTORY | O_CLOEXEC;
  if (path.size() < PATH_MAX) {
    return ::open(path.c_str(), flags);
  }
  // Each part ends before a "/" and is shorter than PATH_MAX; the folders on
  // the way need only be searched, so they are opened as paths.
  int at = AT_FDCWD;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = start + PATH_MAX - 1;
    if (end < path.size()) {
      end = path.rfind('/', end);
      if (end == std::string::npos || end <= start) {
        // One name longer than PATH_MAX: no system holds it.
        if (at != AT_FDCWD) {
          ::close(at);
        }
        errno = ENAMETOOLONG;
        return -1;
      }
    } else {
      end = path.size();
    }
    const bool last = end == path.size();
    const std::string part = path.substr(start, end - start);
    const int next = ::openat(at, part.c_str(), last ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int saved = errno;
    if (at != AT_FDCWD) {
      ::close(at);
    }
    if (next < 0) {
      errno = saved;
      return -1;
    }
    at = next;
    // A part that began with "/" would be taken from the system's root,
    // not from the folder opened before.
    start = end;
    while (start < path.size() && path[start] == '/') {
      ++start;
    }
  }
  return at;
}

}  // namespace detail

bool fits_whole(const std::filesystem::path& path) {
  return path.native().size() < PATH_MAX;
}

struct folder_listing::state {
  DIR* folder = nullptr;
};

folder_listing::folder_listing(const std::filesystem::path& folder) : queries_(folder) {
  const int descriptor = detail::open_folder(folder.native(), O_RDONLY);
  if (descriptor < 0) {
    error_ = std::error_code(errno, std::generic_category());
    return;
  }
  DIR* listing = ::fdopendir(descriptor);
  if (listing == nullptr) {
    error_ = std::error_code(errno, std::generic_category());
    ::close(descriptor);
    return;
  }
  state_ = std::make_unique<state>();
  state_->folder = listing;
  // The queries ask in the folder that is listed; the listing closes it.
  queries_.descriptor_ = ::dirfd(listing);
  queries_.owns_descriptor_ = false;
}

folder_listing::~folder_listing() {
  if (state_ != nullptr) {
    ::closedir(state_->folder);
  }
}

bool folder_listing::next() {
  if (state_ == nullptr || error_) {
    return false;
  }
  for (;;) {
    // readdir tells the end from a failure only by errno.
    errno = 0;
    const dirent* found = ::readdir(state_->folder);
    if (found == nullptr) {
      if (errno != 0) {
        error_ = std::error_code(errno, std::generic_category());
      }
      return false;
    }
    const char* name = found->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
      continue;
    }
    name_ = native_view(name, std::strlen(name));
    switch (found->d_type) {
      case DT_DIR:
        type_ = entry_type::directory;
        break;
      case DT_REG:
        type_ = entry_type::regular;
        break;
      case DT_LNK:
        type_ = entry_type::symlink;
        break;
      case DT_UNKNOWN:
        type_ = entry_type::unknown;
        break;
      default:
        type_ = entry_type::other;
        break;
    }
    return true;
  }
}

}  // namespace quorvel::platform
