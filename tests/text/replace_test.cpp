#include "quorvel/text/replace.h"

#include <string>

#include <gtest/gtest.h>

#include "quorvel/text/utf8.h"

namespace quorvel::text {
namespace {

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
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(wide_to_bytes(row.text));
    std::wstring text = row.text;
    replace_all(text, row.find, row.replacement);
    EXPECT_EQ(text, row.result);
  }
}

TEST(ReplaceAllTest, IsLinearInTheNumberOfReplacements) {
  // Regression: replacing in place moved the rest of the text every time, and
  // folding the line ends of a rule file of a few megabytes took minutes.
  std::wstring text;
  for (int i = 0; i < 1'000'000; ++i) {
    text += L"a\r\n";
  }
  replace_all(text, L"\r\n", L"\n");
  EXPECT_EQ(text.size(), 2'000'000u);
  EXPECT_EQ(text.substr(0, 4), L"a\na\n");
}

}  // namespace
}  // namespace quorvel::text
