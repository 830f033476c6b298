#pragma once
// Wide text for native paths and command-line arguments, without loss.
//
// On POSIX systems a name is any sequence of bytes. A name that is valid UTF-8
// becomes its characters; every other byte becomes U+DC00 + byte and goes back
// to the same byte, so any name the system can hold survives the round trip
// and nothing here ever throws on a name.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/text/utf8.h"

namespace quorvel::platform {

// Whether "\" separates path elements here (it is an ordinary character of a
// name on POSIX systems).
#ifdef _WIN32
inline constexpr bool backslash_is_separator = true;
#else
inline constexpr bool backslash_is_separator = false;
#endif

// The native text of `path` as wide text.
std::wstring to_wide(const std::filesystem::path& path);
// The same for the native text of a path, at hand without a path object.
std::wstring native_to_wide(std::basic_string_view<std::filesystem::path::value_type> text);

// The generic text of `path` ("/" between elements) as wide text.
std::wstring to_generic_wide(const std::filesystem::path& path);

// The path whose native text is `text`; the inverse of `to_wide`.
std::filesystem::path to_path(const std::wstring& text);

// The program's arguments (program name first) as wide text. On Windows they
// come from the wide command line (`argv` is not read), so no character is
// lost to the narrow code page.
std::vector<std::wstring> command_line(int argc, char** argv);

// The path under which the contents of the folder known by the record path
// `folder` are reached: listed, and joined with a rule-file name. The same
// path everywhere except for a bare drive designator on Windows ("C:", the
// record path of the drive root "C:\"), which names the drive's current
// folder and so becomes "C:/".
std::filesystem::path listing_path(const std::filesystem::path& folder);

// The native text of `path` as UTF-8 bytes: on POSIX systems its own bytes,
// viewed where they are (`buffer` unused); on Windows its UTF-16 text
// converted into `buffer`. The view lives as long as both.
inline std::string_view utf8_view(std::basic_string_view<std::filesystem::path::value_type> path,
                                  std::string& buffer) {
#ifdef _WIN32
  buffer = text::wide_to_bytes(path);
  return buffer;
#else
  (void)buffer;
  return path;
#endif
}
inline std::string_view utf8_view(const std::filesystem::path& path, std::string& buffer) {
  return utf8_view(std::basic_string_view<std::filesystem::path::value_type>(path.native()),
                   buffer);
}

// The path of the entry `name` of a folder, as a walk spells it: the folder's
// native text, a "/" unless it ends in one, and the name. Only "/" counts:
// on POSIX systems a "\" ending a folder's name is part of the name.
inline std::filesystem::path::string_type join_name(
    std::basic_string_view<std::filesystem::path::value_type> folder,
    std::basic_string_view<std::filesystem::path::value_type> name) {
  std::filesystem::path::string_type path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (folder.empty() || folder.back() != '/') {
    path.push_back('/');
  }
  path.append(name);
  return path;
}

// The path whose native text is the UTF-8 bytes `text`: on POSIX systems
// those bytes as they are; the inverse of `utf8_view`.
inline std::filesystem::path path_from_utf8(std::string_view text) {
#ifdef _WIN32
  return std::filesystem::path(text::bytes_to_wide(text));
#else
  return std::filesystem::path(text);
#endif
}

// The generic text of `path` ("/" between elements) as UTF-8 bytes.
inline std::string generic_utf8(const std::filesystem::path& path) {
#ifdef _WIN32
  return text::wide_to_bytes(path.generic_wstring());
#else
  return path.generic_string();
#endif
}

}  // namespace quorvel::platform
