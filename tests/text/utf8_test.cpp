#include "quorvel/text/utf8.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::text {
namespace {

// Wide text from code units, so that rows can name units no literal spells
// on every platform.
std::wstring units(std::initializer_list<std::uint32_t> values) {
  std::wstring out;
  for (const std::uint32_t value : values) {
    out += static_cast<wchar_t>(value);
  }
  return out;
}

std::string hex(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (const char byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X ", static_cast<unsigned char>(byte));
    out += buffer;
  }
  return out;
}

struct decode_row {
  std::string bytes;
  std::wstring text;
};

void expect_decodes(const std::vector<decode_row>& rows) {
  for (const decode_row& row : rows) {
    SCOPED_TRACE(hex(row.bytes));
    EXPECT_EQ(utf8_to_wide(row.bytes), row.text);
  }
}

TEST(Utf8ToWideTest, DecodesEachSequenceLengthByItsLeadByte) {
  std::vector<decode_row> rows = {
      {"", L""},
      {"plain ascii", L"plain ascii"},
      {"\x41\xC3\xA9\xE2\x82\xAC", units({0x41, 0xE9, 0x20AC})},
      // A byte order mark is text like any other.
      {"\xEF\xBB\xBF#", units({0xFEFF, L'#'})},
      // Overlong forms and encoded surrogates pass as the value they spell.
      {"\xC0\x80", units({0x0000})},
      {"\xC1\x81", units({0x0041})},
      {"\xED\xA0\x80", units({0xD800})},
      // Of the bytes after the lead only the low six bits are used, and they
      // are consumed with the sequence...
      {"\xE2\xC2\xACz", units({0x20AC, L'z'})},
      // ...but an ASCII byte never is. Regression: a lone lead byte took the
      // line end after it, and the next rule line was lost.
      {"\xC3\x41z", units({0xDCC3, L'A', L'z'})},
      {"\xC3\nb", units({0xDCC3, L'\n', L'b'})},
      {"\xF0\x9F\x98\n", units({0xDCF0, 0xDC9F, 0xDC98, L'\n'})},
      // Regression: a 4-byte sequence lost its top bits (U+1F600 came out as
      // U+F600), so a pattern naming such a file never matched it.
      {"\xF0\x9F\x98\x80", L"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
      {"a\xF0\x90\x80\x80z", L"a\U00010000z"},
      // 5 and 6 bytes keep the low 16 bits of their value.
      {"\xF8\x88\x80\x80\x80", units({0x0000})},
      {"\xFC\x84\x80\x80\x81\x81", units({0x0041})},
      {"\xFB\xBF\xBF\xBF\xBFz", units({0xFFFF, L'z'})},
  };
  // Above U+10FFFF a surrogate pair cannot hold the value.
  if constexpr (sizeof(wchar_t) == 2) {
    rows.push_back({"\xF7\xBF\xBF\xBF", units({0xFFFF})});
  } else {
    rows.push_back({"\xF7\xBF\xBF\xBF", units({0x1FFFFF})});
  }
  expect_decodes(rows);
}

TEST(Utf8ToWideTest, ByteThatCannotStartASequenceBecomesLowSurrogate) {
  expect_decodes({
      {"\x80", units({0xDC80})},
      {"\xBF", units({0xDCBF})},
      {"\xFE", units({0xDCFE})},
      {"\xFF", units({0xDCFF})},
      {"a\x80\x80z", units({L'a', 0xDC80, 0xDC80, L'z'})},
  });
}

TEST(Utf8ToWideTest, SequenceCutShortByTheEndKeepsItsBytes) {
  // Reading past the end would pick up the string's terminating zero and
  // give one unit for the whole sequence instead.
  expect_decodes({
      {"\xC3", units({0xDCC3})},
      {"a\xE2\x82", units({L'a', 0xDCE2, 0xDC82})},
      {"\xF0\x9F\x98", units({0xDCF0, 0xDC9F, 0xDC98})},
      {"\xF8z", units({0xDCF8, L'z'})},
      {"\xFC\xC3\xA9", units({0xDCFC, 0xE9})},
  });
}

TEST(Utf8ToWideTest, StrayBytesDecodeAsInFileNames) {
  // A pattern holding a stray byte must give the unit that the same byte
  // gives in a file name.
  for (const std::string bytes : {"\x80", "\xFF", "x\xFE", "\xE2\x82"}) {
    SCOPED_TRACE(hex(bytes));
    EXPECT_EQ(utf8_to_wide(bytes), bytes_to_wide(bytes));
  }
}

}  // namespace
}  // namespace quorvel::text
