#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::platform {

std::wstring to_wide(const std::filesystem::path& path) {
  return text::bytes_to_wide(path.native());
}

std::wstring native_to_wide(std::string_view text) {
  return text::bytes_to_wide(text);
}

std::wstring to_generic_wide(const std::filesystem::path& path) {
  return to_wide(path);
}

std::filesystem::path to_path(const std::wstring& text) {
  return std::filesystem::path(text::wide_to_bytes(text));
}

std::vector<std::wstring> command_line(int argc, char** argv) {
  std::vector<std::wstring> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(text::bytes_to_wide(argv[i]));
  }
  return arguments;
}

std::filesystem::path listing_path(const std::filesystem::path& folder) {
  return folder;
}

}  // namespace quorvel::platform
