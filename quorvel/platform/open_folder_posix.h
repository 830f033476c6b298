#pragma once
// Opening a folder whose path may be longer than the system takes whole.
// Not installed: the POSIX files of this folder share it.

#include <string>

namespace quorvel::platform::detail {

// open(path, flags | O_DIRECTORY | O_CLOEXEC). A path of PATH_MAX bytes or
// more, which open refuses whole, is opened through its ancestors: the
// longest leading part that it takes, then each next part relative to the
// folder opened before, as many times as it takes. Returns the descriptor,
// or -1 with errno set.
int open_folder(const std::string& path, int flags);

}  // namespace quorvel::platform::detail
