#include "quorvel/runner/expected.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <ios>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/c_quote.h"
#include "quorvel/text/replace.h"
#include "quorvel/text/split.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {

namespace {

// The key of the test folder itself: its text as the walk spells the folder,
// without a separator at the end.
std::wstring folder_key(const std::filesystem::path& folder) {
  std::wstring key = platform::to_wide(folder);
  if constexpr (platform::backslash_is_separator) {
    text::replace_all(key, L"\\", L"/");
  }
  if (key.size() > 1 && key.back() == L'/') {
    key.pop_back();
  }
  return key;
}

// The set for the keys of `folder`'s listing: most of them are the folder's
// key, a "/" and more.
expected_keys keys_below(const std::filesystem::path& folder) {
  std::wstring common = folder_key(folder);
  if (common.empty() || common.back() != L'/') {
    common += L'/';
  }
  return expected_keys(common);
}

}  // namespace

std::wstring expected_key(std::wstring line, const std::filesystem::path& folder) {
  text::replace_all(line, L"\t", L"");
  // git lists a test folder that a rule above ignores as "./".
  if (line == L"./") {
    return folder_key(folder);
  }
  // git writes a name with a control character, a '"' or a '\' in C quotes.
  // Their text is ASCII, or raw UTF-8 between the quotes, so it encodes back
  // to the bytes git wrote; what they spell is decoded as the other lines are.
  if (line.size() >= 2 && line.front() == L'"' && line.back() == L'"') {
    if (std::optional<std::string> bytes = text::c_unquote(text::wide_to_bytes(line))) {
      line = text::utf8_to_wide(*bytes);
    }
  }
  if (!line.empty() && line.back() == L'/') {
    line.pop_back();
  }
  if constexpr (!platform::backslash_is_separator) {
    // A relative line of ASCII below a folder with a name: the path append
    // puts one "/" between the two, and the text survives the round trip
    // through bytes unchanged. Every line of a large listing but a few.
    const auto& folder_text = folder.native();
    if (!line.empty() && line.front() != L'/' && !folder_text.empty() &&
        folder_text.back() != '/' && std::all_of(line.begin(), line.end(), [](wchar_t c) {
          return static_cast<std::uint32_t>(c) < 0x80;
        })) {
      // Built to its size: the listing's keys are most of the run's memory.
      const std::wstring folder_wide = platform::to_wide(folder);
      std::wstring key;
      key.reserve(folder_wide.size() + 1 + line.size());
      key += folder_wide;
      key += L'/';
      key += line;
      return key;
    }
  }
  std::wstring key = platform::to_wide(folder / platform::to_path(line));
  if constexpr (platform::backslash_is_separator) {
    text::replace_all(key, L"\\", L"/");
  }
  return key;
}

namespace {

// The listing's lines, one at a time: every non-empty line of an
// "Ignored files:" section becomes a key, the line after each header is
// passed over unseen, and an empty line ends the section.
class listing_parser {
 public:
  listing_parser(expected_keys& expected, const std::filesystem::path& folder)
      : expected_(expected), folder_(folder) {}

  void line(const std::wstring& text) {
    if (skip_next_) {
      skip_next_ = false;  // git's hint line follows the header; it is not an entry
      return;
    }
    if (in_ignored_section_) {
      if (text.empty()) {
        in_ignored_section_ = false;
      } else {
        expected_.insert(expected_key(text, folder_));
      }
    }
    if (text == L"Ignored files:") {
      in_ignored_section_ = true;
      skip_next_ = true;
    }
  }

  // True when the next line counts for more than whether it is the header.
  bool wants_whole_line() const { return in_ignored_section_ && !skip_next_; }

  // What line(text) does with a line that is not wanted whole: `is_header`
  // tells whether the text is "Ignored files:".
  void unwanted_line(bool is_header) {
    if (skip_next_) {
      skip_next_ = false;
      return;
    }
    if (is_header) {
      in_ignored_section_ = true;
      skip_next_ = true;
    }
  }

 private:
  expected_keys& expected_;
  const std::filesystem::path& folder_;
  bool in_ignored_section_ = false;
  bool skip_next_ = false;
};

}  // namespace

expected_keys parse_listing(const std::wstring& text, const std::filesystem::path& folder) {
  expected_keys expected = keys_below(folder);
  listing_parser parser(expected, folder);
  for (const std::wstring& line : text::split(text, L"\n")) {
    parser.line(line);
  }
  return expected;
}

expected_keys read_expected(const std::filesystem::path& listing,
                            const std::filesystem::path& folder) {
  expected_keys expected = keys_below(folder);
  listing_parser parser(expected, folder);
  // Decoded a line at a time, each with its "\n", rather than whole and then
  // cut: the decoder never takes an ASCII byte into a sequence, so no
  // sequence spans a line end and the units are the same as from decoding
  // the whole text. Outside the sections only the header counts, and a line
  // of ASCII bytes decodes to those bytes: such a line is compared as it is.
  const auto take_line = [&parser](std::string_view line_bytes, bool ended) {
    if (!parser.wants_whole_line() && std::all_of(line_bytes.begin(), line_bytes.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x80;
        })) {
      parser.unwanted_line(line_bytes == "Ignored files:");
      return;
    }
    std::wstring line = text::utf8_to_wide(std::string(line_bytes) + (ended ? "\n" : ""));
    if (ended) {
      line.pop_back();
    }
    parser.line(line);
  };
  // Read a block at a time: the listing of a large tree is tens of
  // megabytes, more than everything else the run holds. A file that cannot
  // be opened or read (missing, a folder) reads as empty.
  std::ifstream file(listing, std::ios::binary);
  std::string pending;  // bytes after the last line end read so far
  std::size_t scanned = 0;
  std::vector<char> block(std::size_t{1} << 16);
  while (file) {
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got == 0) {
      break;
    }
    pending.append(block.data(), got);
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', std::max(start, scanned))) != pending.npos;
         start = end + 1) {
      take_line(std::string_view(pending).substr(start, end - start), true);
    }
    pending.erase(0, start);
    scanned = pending.size();
  }
  take_line(pending, false);
  return expected;
}

}  // namespace quorvel::runner
