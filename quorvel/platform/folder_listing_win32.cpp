#include <algorithm>
#include <string>
#include <system_error>
#include <windows.h>

#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/long_path_win32.h"

namespace quorvel::platform {
namespace detail {

std::filesystem::path long_form(const std::filesystem::path& path) {
  if (fits_whole(path)) {
    return path;
  }
  std::error_code error;
  std::wstring text = std::filesystem::absolute(path, error).native();
  if (error) {
    text = path.native();
  }
  std::replace(text.begin(), text.end(), L'/', L'\\');
  if (text.starts_with(L"\\\\?\\")) {
    return text;
  }
  if (text.starts_with(L"\\\\")) {
    return L"\\\\?\\UNC\\" + text.substr(2);
  }
  return L"\\\\?\\" + text;
}

}  // namespace detail

bool fits_whole(const std::filesystem::path& path) {
  // Past MAX_PATH less room for an 8.3 name, folders need the long form.
  return path.native().size() < MAX_PATH - 12;
}

struct folder_listing::state {
  HANDLE search = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool first = true;  // `data` holds the first entry, not yet handed out
};

folder_listing::folder_listing(const std::filesystem::path& folder) : queries_(folder) {
  std::wstring pattern = detail::long_form(folder).native();
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') {
    pattern += L'\\';
  }
  pattern += L'*';
  auto opened = std::make_unique<state>();
  opened->search = ::FindFirstFileW(pattern.c_str(), &opened->data);
  if (opened->search != INVALID_HANDLE_VALUE) {
    state_ = std::move(opened);
  } else {
    error_ = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
  }
}

folder_listing::~folder_listing() {
  if (state_ != nullptr) {
    ::FindClose(state_->search);
  }
}

bool folder_listing::next() {
  if (state_ == nullptr || error_) {
    return false;
  }
  for (;;) {
    if (!state_->first && ::FindNextFileW(state_->search, &state_->data) == 0) {
      const DWORD why = ::GetLastError();
      if (why != ERROR_NO_MORE_FILES) {
        error_ = std::error_code(static_cast<int>(why), std::system_category());
      }
      return false;
    }
    state_->first = false;
    const wchar_t* name = state_->data.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) {
      continue;
    }
    name_ = native_view(name);
    attributes_ = state_->data.dwFileAttributes;
    if (is_link_reparse_point(attributes_, state_->data.dwReserved0)) {
      type_ = entry_type::symlink;
    } else if ((attributes_ & attribute_directory) != 0) {
      type_ = entry_type::directory;
    } else {
      type_ = entry_type::regular;
    }
    return true;
  }
}

}  // namespace quorvel::platform
