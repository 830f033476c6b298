#include "quorvel/filesystem/regex/translate.h"

#include <string>

#include <gtest/gtest.h>

#include "quorvel/text/utf8.h"

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
      // Empty pieces keep their star at the end; the full rule lines are in
      // the rule-file tests.
      {L"foo*", LR"(foo[^\/]*)"},
      {L"**/**/x", LR"((.*\/|)(.*\/|)x)"},
      {L"x/**/", LR"(x\/(.*\/|))"},
      // "?" becomes a wildcard only after literal dots were escaped.
      {L"a.?", LR"(a\..)"},
      {L"a!b", LR"(a^b)"},
      // A backslash lands in front of the first character of a replacement.
      {LR"(\?)", LR"(\.)"},
      {LR"(\.)", LR"(\\.)"},
      {LR"(\!)", LR"(\^)"},
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

}  // namespace
}  // namespace quorvel::filesystem
