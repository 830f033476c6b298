#include <windows.h>

#include "quorvel/platform/file_identity.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/long_path_win32.h"

namespace quorvel::platform {

file_identity identify(const std::filesystem::path& path, std::error_code& error) noexcept {
  std::filesystem::path whole;
  try {
    whole = detail::long_form(path);
  } catch (...) {
    error = std::make_error_code(std::errc::not_enough_memory);
    return {};
  }
  // Opened for no access at all, which is enough to read its numbers; a
  // folder opens only with the backup flag, and a link or junction is
  // followed to its target.
  const HANDLE file =
      ::CreateFileW(whole.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
    return {};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info) != 0;
  error = known ? std::error_code()
                : std::error_code(static_cast<int>(::GetLastError()), std::system_category());
  ::CloseHandle(file);
  if (!known) {
    return {};
  }
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

file_identity folder_queries::identify(const std::filesystem::path& path,
                                       std::error_code& error) const noexcept {
  // Nothing is held open here: the path is asked whole.
  return platform::identify(path, error);
}

}  // namespace quorvel::platform
