#include <windows.h>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/filetime.h"

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
  const HANDLE search = ::FindFirstFileW(path.c_str(), &data);
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

bool folder_queries::exists(const std::filesystem::path& path) const {
  return std::filesystem::exists(path);
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
