#include <cstdlib>

#include "quorvel/platform/environment.h"

namespace quorvel::platform {

std::optional<std::filesystem::path> environment_path(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::filesystem::path(value);
}

}  // namespace quorvel::platform
