#include "quorvel/text/c_quote.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace quorvel::text {
namespace {

TEST(CUnquoteTest, ReadsEveryEscapeAndRefusesWhatIsNotQuoted) {
  const struct {
    std::string quoted;
    std::optional<std::string> bytes;
  } rows[] = {
      {R"("a\tb.o")", "a\tb.o"},
      {R"("c\001.o")", "c\001.o"},
      {R"("d\\x/")", "d\\x/"},
      {R"("q\"u.o")", "q\"u.o"},
      {R"("bell\a\b\v\f.o")", "bell\a\b\v\f.o"},
      {R"("n\nl\r.o")", "n\nl\r.o"},
      {R"("\303\251t\303\251.o")", "\xc3\xa9t\xc3\xa9.o"},
      {R"("z\377\000")", std::string("z\xff\0", 3)},
      {"\"\xc3\xa9\\tb.o\"", "\xc3\xa9\tb.o"},  // raw bytes between the quotes stay
      {R"("")", ""},
      {R"("plain")", "plain"},
      // Not a quoted name: taken for nothing.
      {R"("a)", std::nullopt},
      {R"(a")", std::nullopt},
      {R"(")", std::nullopt},
      {"", std::nullopt},
      {R"("a"b")", std::nullopt},
      {R"("a\")", std::nullopt},
      {R"("a\x41")", std::nullopt},
      {R"("a\0")", std::nullopt},
      {R"("a\01")", std::nullopt},
      {R"("a\400")", std::nullopt},
      {R"("a\08")", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.quoted);
    EXPECT_EQ(c_unquote(row.quoted), row.bytes);
  }
}

}  // namespace
}  // namespace quorvel::text
