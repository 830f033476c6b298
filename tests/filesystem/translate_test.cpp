#include "filesystem/translate.h"

#include <string>

#include <gtest/gtest.h>

#include "text/utf8.h"

namespace quorvel::filesystem {
namespace {

// The expression texts are what the program reports, so they are compared
// character for character. Raw strings: every backslash is one character.
TEST(TranslatePatternTest, GivesTheExactExpressionText) {
  const struct {
    std::wstring pattern;
    std::wstring text;
  } rows[] = {
      {L"", L""},
      {L"plain-name_1 Z", L"plain-name_1 Z"},
      // Empty pieces keep their star at either end.
      {L"*.txt", LR"([^\/]*\.txt)"},
      {L"foo*", LR"(foo[^\/]*)"},
      {L"*", LR"([^\/]*)"},
      {L"a**b", LR"(a[^\/]*[^\/]*b)"},
      {L"**/x", LR"((.*\/|)x)"},
      {L"a/**/b", LR"(a\/(.*\/|)b)"},
      {L"**/**/x", LR"((.*\/|)(.*\/|)x)"},
      {L"x/**/", LR"(x\/(.*\/|))"},
      {L"***/x", LR"([^\/]*(.*\/|)x)"},
      {L"foo/**", LR"(foo\/[^\/]*[^\/]*)"},
      // "?" becomes a wildcard only after literal dots were escaped.
      {L"a.?", LR"(a\..)"},
      {L"a+b", LR"(a\+b)"},
      {L"a!b", LR"(a^b)"},
      {L"[!abc]", LR"([^abc])"},
      {L"[a/b]", LR"([a\/b])"},
      // A backslash lands in front of the first character of a replacement.
      {LR"(\?)", LR"(\.)"},
      {LR"(\.)", LR"(\\.)"},
      {LR"(\!)", LR"(\^)"},
      {LR"(\#x)", LR"(\#x)"},
      {LR"(a\*)", LR"(a\[^\/]*)"},
      {L"a(b)c|{1}$^", L"a(b)c|{1}$^"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::wide_to_bytes(row.pattern));
    std::wstring text = row.pattern;
    translate_pattern(text);
    EXPECT_EQ(text, row.text);
  }
}

TEST(TranslatePieceTest, StarsNeverCrossAComponent) {
  const struct {
    std::wstring piece;
    std::wstring text;
  } rows[] = {
      {L"", L""},
      {L"**", LR"([^\/]*[^\/]*)"},
      {L"a*/b*", LR"(a[^\/]*\/b[^\/]*)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::wide_to_bytes(row.piece));
    std::wstring text = row.piece;
    translate_piece(text);
    EXPECT_EQ(text, row.text);
  }
}

TEST(ReplaceAllTest, NeverSearchesItsOwnInsertion) {
  const struct {
    std::wstring text;
    std::wstring find;
    std::wstring replacement;
    std::wstring result;
  } rows[] = {
      {L"a.b.", L".", LR"(\.)", LR"(a\.b\.)"},
      {L"aa", L"a", L"aa", L"aaaa"},
      {L"\r\r\n\n", L"\r\n", L"\n", L"\r\n\n"},
      {L"none", L"x", L"y", L"none"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::wide_to_bytes(row.text));
    std::wstring text = row.text;
    replace_all(text, row.find, row.replacement);
    EXPECT_EQ(text, row.result);
  }
}

}  // namespace
}  // namespace quorvel::filesystem
