#include <windows.h>
// Needs the types of <windows.h>.
#include <new>
#include <shellapi.h>

#include "quorvel/platform/native_path.h"

namespace quorvel::platform {

// Native paths are UTF-16 here: every conversion is a copy, and none goes
// through the narrow code page, which would lose the characters it lacks.

std::wstring to_wide(const std::filesystem::path& path) {
  return path.native();
}

std::wstring native_to_wide(std::wstring_view text) {
  return std::wstring(text);
}

std::wstring to_generic_wide(const std::filesystem::path& path) {
  return path.generic_wstring();
}

std::filesystem::path to_path(const std::wstring& text) {
  return std::filesystem::path(text);
}

std::vector<std::wstring> command_line(int /*argc*/, char** /*argv*/) {
  // `argv` went through the narrow code page, which turns every character it
  // lacks into "?"; the wide command line holds the arguments as typed.
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) {
    throw std::bad_alloc();  // its only failure
  }
  std::vector<std::wstring> result;
  result.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    result.emplace_back(arguments[i]);
  }
  ::LocalFree(arguments);
  return result;
}

std::filesystem::path listing_path(const std::filesystem::path& folder) {
  // A bare drive designator names the drive's current folder; the walk means
  // the drive's root. Tested on the wide text: two units, the second ":".
  const std::wstring& text = folder.native();
  if (text.size() == 2 && text[1] == L':') {
    return folder / L"/";
  }
  return folder;
}

}  // namespace quorvel::platform
