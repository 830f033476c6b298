#include "runner/expected.h"

#include <string>
#include <utility>
#include <vector>

#include "filesystem/read_all.h"
#include "platform/native_path.h"
#include "text/split.h"
#include "text/utf8.h"

namespace quorvel::runner {

void replace_all(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  // Built anew: replacing in place moves the rest of the line each time,
  // quadratic in a listing line of millions of tabs.
  if (from.empty()) {
    return;
  }
  std::wstring::size_type position = text.find(from);
  if (position == std::wstring::npos) {
    return;
  }
  std::wstring replaced;
  replaced.reserve(text.size());
  std::wstring::size_type start = 0;
  for (; position != std::wstring::npos; position = text.find(from, start)) {
    replaced.append(text, start, position - start);
    replaced.append(to);
    start = position + from.size();
  }
  replaced.append(text, start);
  text = std::move(replaced);
}

std::wstring expected_key(std::wstring line, const std::filesystem::path& folder) {
  replace_all(line, L"\t", L"");
  if (!line.empty() && line.back() == L'/') {
    line.pop_back();
  }
  std::wstring key = platform::to_wide(folder / platform::to_path(line));
  if constexpr (platform::backslash_is_separator) {
    replace_all(key, L"\\", L"/");
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
