#include <cstdlib>
#include <string>

#include "quorvel/platform/environment.h"

namespace quorvel::platform {

std::optional<std::filesystem::path> environment_path(const char* name) {
  // Variable names are ASCII, so widening them byte by byte is exact.
  const std::string narrow(name);
  const std::wstring wide(narrow.begin(), narrow.end());
  const wchar_t* value = _wgetenv(wide.c_str());
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::filesystem::path(value);
}

}  // namespace quorvel::platform
