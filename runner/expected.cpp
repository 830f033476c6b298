#include "runner/expected.h"

#include <string>
#include <utility>
#include <vector>

#include "filesystem/read_all.h"
#include "platform/native_path.h"
#include "text/replace.h"
#include "text/split.h"
#include "text/utf8.h"

namespace quorvel::runner {

std::wstring expected_key(std::wstring line, const std::filesystem::path& folder) {
  text::replace_all(line, L"\t", L"");
  if (!line.empty() && line.back() == L'/') {
    line.pop_back();
  }
  std::wstring key = platform::to_wide(folder / platform::to_path(line));
  if constexpr (platform::backslash_is_separator) {
    text::replace_all(key, L"\\", L"/");
  }
  return key;
}

expected_map parse_listing(const std::wstring& text, const std::filesystem::path& folder) {
  expected_map expected;
  const std::vector<std::wstring> lines = text::split(text, L"\n");
  bool in_ignored_section = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::wstring& line = lines[i];
    if (in_ignored_section) {
      if (line.empty()) {
        in_ignored_section = false;
      } else {
        expected.emplace(expected_key(line, folder), true);
      }
    }
    if (line == L"Ignored files:") {
      in_ignored_section = true;
      ++i;  // git's hint line follows the header; it is not an entry
    }
  }
  return expected;
}

expected_map read_expected(const std::filesystem::path& listing,
                           const std::filesystem::path& folder) {
  std::string bytes;
  filesystem::read_all(listing, bytes);
  return parse_listing(text::utf8_to_wide(bytes), folder);
}

}  // namespace quorvel::runner
