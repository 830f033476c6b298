#pragma once
// Which file a path leads to, as the system numbers it: so that a walk that
// follows links can tell a folder it has already come through, and one that
// keeps to a file system can tell where another begins.

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace quorvel::platform {

// The device (on Windows the volume's serial number) and the file's number
// on it (the inode; on Windows the file index). Two paths whose identities
// are equal lead to the same file; two devices that differ are two file
// systems.
struct file_identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool operator==(const file_identity&) const = default;
};

// The identity of what `path` leads to, links followed all the way. A path
// too long for the system to take whole is reached through its ancestors
// (POSIX: it must then be a folder) or in the "\\?\" form (Windows). On
// failure returns {} and sets `error` to the system's reason; never throws.
file_identity identify(const std::filesystem::path& path, std::error_code& error) noexcept;

}  // namespace quorvel::platform
