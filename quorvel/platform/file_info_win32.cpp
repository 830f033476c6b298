#include <string>
#include <utility>
#include <windows.h>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/filetime.h"
#include "quorvel/platform/long_path_win32.h"

namespace quorvel::platform {
namespace {

std::int64_t to_seconds(const FILETIME& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return filetime_to_unix_seconds(ticks);
}

// The search describes the entry itself: a link or junction is not followed.
// False when the entry cannot be found (or the path ends in a separator,
// which the search does not accept).
bool find_entry(const std::filesystem::path& path, WIN32_FIND_DATAW& data) {
  const HANDLE search = ::FindFirstFileW(detail::long_form(path).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    return false;
  }
  ::FindClose(search);
  return true;
}

}  // namespace

file_info query_file_info(const std::filesystem::path& path) {
  file_info info;
  WIN32_FIND_DATAW data;
  if (!find_entry(path, data)) {
    return info;
  }
  info.attributes = data.dwFileAttributes;
  info.created = to_seconds(data.ftCreationTime);
  info.modified = to_seconds(data.ftLastWriteTime);
  return info;
}

// The file search takes the full path in any case: nothing is held open.
folder_queries::folder_queries(const std::filesystem::path& folder) : folder_(folder) {}

folder_queries::~folder_queries() = default;

file_info folder_queries::query(const std::filesystem::path& path) const {
  return query_file_info(path);
}

std::uint32_t folder_queries::attributes(const std::filesystem::directory_entry& listed) const {
  // The file search gives the attributes and the times in one call.
  return query(listed.path()).attributes;
}

std::uint32_t folder_queries::attributes(const std::filesystem::path& path,
                                         entry_type /*type*/) const {
  // The file search gives the attributes and the link's tag in one call.
  return query(path).attributes;
}

bool folder_queries::exists(const std::filesystem::path& path) const {
  return std::filesystem::exists(detail::long_form(path));
}

entry_type folder_queries::type_of(const std::filesystem::path& path) const {
  WIN32_FIND_DATAW data;
  if (!find_entry(path, data)) {
    return entry_type::unknown;
  }
  if (is_link_reparse_point(data.dwFileAttributes, data.dwReserved0)) {
    return entry_type::symlink;
  }
  return (data.dwFileAttributes & attribute_directory) != 0 ? entry_type::directory
                                                            : entry_type::regular;
}

bool folder_queries::read(const std::filesystem::path& path, std::string& out) const {
  // Opening a folder this way fails (it takes FILE_FLAG_BACKUP_SEMANTICS),
  // so what opens is a file.
  const HANDLE file = ::CreateFileW(detail::long_form(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  LARGE_INTEGER size{};
  if (::GetFileType(file) != FILE_TYPE_DISK || ::GetFileSizeEx(file, &size) == 0) {
    ::CloseHandle(file);
    return false;
  }
  std::string bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (...) {
    ::CloseHandle(file);
    throw;
  }
  std::size_t delivered = 0;
  while (delivered < bytes.size()) {
    const std::size_t left = bytes.size() - delivered;
    const DWORD wanted = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD got = 0;
    if (::ReadFile(file, bytes.data() + delivered, wanted, &got, nullptr) == 0 || got == 0) {
      break;
    }
    delivered += got;
  }
  ::CloseHandle(file);
  bytes.resize(delivered);
  out = std::move(bytes);
  return true;
}

const char* folder_queries::name_in_folder(const std::filesystem::path&, bool) const {
  return nullptr;
}

bool is_link_not_to_enter(const std::filesystem::directory_entry& entry) noexcept {
  // The standard library here does not tell links from folders, so ask the
  // file search, which reports a reparse point's tag in dwReserved0.
  WIN32_FIND_DATAW data;
  if (!find_entry(entry.path(), data)) {
    return false;
  }
  return is_link_reparse_point(data.dwFileAttributes, data.dwReserved0);
}

}  // namespace quorvel::platform
