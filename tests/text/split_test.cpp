#include "quorvel/text/split.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::text {
namespace {

TEST(SplitTest, KeepsEveryPieceIncludingEmptyOnes) {
  const struct {
    std::wstring text;
    std::wstring separator;
    std::vector<std::wstring> pieces;
  } rows[] = {
      {L"", L"\n", {L""}},
      {L"a\nb", L"\n", {L"a", L"b"}},
      {L"a\n", L"\n", {L"a", L""}},
      {L"\n\n", L"\n", {L"", L"", L""}},
      {L"a\r\nb", L"\n", {L"a\r", L"b"}},
      {L"a\n\nb\n", L"\n", {L"a", L"", L"b", L""}},
      {L"aaa", L"aa", {L"", L"a"}},
      {L"x**/y**/", L"**/", {L"x", L"y", L""}},
      {L"***/x", L"**/", {L"*", L"x"}},
      {L"a|b", L"|", {L"a", L"b"}},
      {L"*.txt", L"*", {L"", L".txt"}},
      {L"no separator", L"|", {L"no separator"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.text));
    EXPECT_EQ(split(row.text, row.separator), row.pieces);
  }
}

}  // namespace
}  // namespace quorvel::text
