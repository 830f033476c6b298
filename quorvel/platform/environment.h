#pragma once
// The process's environment variables, read without loss of characters.

#include <filesystem>
#include <optional>

namespace quorvel::platform {

// The value of the environment variable `name` as a path, or nullopt when it
// is not set. On Windows it is read as wide text, so no character is lost to
// the narrow code page. Never throws except std::bad_alloc.
std::optional<std::filesystem::path> environment_path(const char* name);

}  // namespace quorvel::platform
