#pragma once
// Wide text for native paths and command-line arguments, without loss.
//
// On POSIX systems a name is any sequence of bytes. A name that is valid UTF-8
// becomes its characters; every other byte becomes U+DC00 + byte and goes back
// to the same byte, so any name the system can hold survives the round trip
// and nothing here ever throws on a name.

#include <filesystem>
#include <string>
#include <vector>

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

// The generic text of `path` ("/" between elements) as wide text.
std::wstring to_generic_wide(const std::filesystem::path& path);

// The path whose native text is `text`; the inverse of `to_wide`.
std::filesystem::path to_path(const std::wstring& text);

// The program's arguments (program name first) as wide text.
std::vector<std::wstring> command_line(int argc, char** argv);

}  // namespace quorvel::platform
