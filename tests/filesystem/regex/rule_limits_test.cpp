#include "quorvel/filesystem/regex/rule_limits.h"

#include <ostream>
#include <regex>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/text/utf8.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {

void PrintTo(const expression_size& size, std::ostream* out) {
  *out << size.atoms << " atoms, " << size.repeats << " repeats"
       << (size.has_back_reference ? ", back-reference" : "");
}

namespace {

TEST(MeasureExpressionTest, CountsAsTheLibraryUnrollsIt) {
  const struct {
    std::wstring text;
    expression_size size;
  } rows[] = {
      {L"", {0, 0, false}},
      {L".*\\/build.*", {8, 2, false}},
      {L"^\\/(.*\\/|)foo$", {7, 1, false}},  // the group counts as one more
      {L"[a\\]b]x", {2, 0, false}},          // a class is one, escapes and all
      {L"a{3}", {3, 0, false}},
      {L"a{2,5}", {5, 1, false}},
      {L"a{2,}", {3, 1, false}},
      {L"(a*){4}", {8, 4, false}},
      {L"((a){10}){10}", {210, 0, false}},
      {L"a*?b+?", {2, 2, false}},
      {L"a*{3}", {3, 3, false}},  // a quantifier may follow a quantifier
      {L"a{2}{3}", {6, 0, false}},
      {L"(a)\\1", {3, 0, true}},
      {L"[\\1]", {1, 0, false}},  // inside a class it is no back-reference
      {L"a{x}", {4, 0, false}},   // no repetition: the library rejects it
      {L"(((", {0, 0, false}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::wide_to_bytes(row.text));
    EXPECT_EQ(measure_expression(row.text), row.size);
  }
}

TEST(MeasureExpressionTest, SaturatesInsteadOfOverflowing) {
  const expression_size size = measure_expression(L"((((a{99999}){99999}){99999}){99999})");
  EXPECT_GT(size.atoms, max_expression_atoms);
}

TEST(CompileRuleExpressionTest, RefusesWhatWouldExhaustStackOrClock) {
  const struct {
    const char* name;
    std::wstring text;
  } rows[] = {
      {"too many characters", L".*\\/" + std::wstring(max_expression_atoms, L'a') + L".*"},
      {"unrolled past the bound", L"(a){9000}"},
      {"too many repetitions", L"^\\/(a*){300}$"},
      {"too many groups",
       [] {
         std::wstring text = L"^\\/";
         for (int i = 0; i < 65; ++i) {
           text += L"(.*\\/|)";
         }
         return text + L"x$";
       }()},
      {"a back-reference beside many stars", L".*\\/(a)[^\\/]*[^\\/]*[^\\/]*\\1.*"},
      // Regression (found by fuzzing): the library read these numbers into a
      // long that overflowed, undefined behaviour before any error.
      {"a huge count after a star", L".*\\/a(*[^\\/]*{6666666333333333333}.*"},
      {"a huge count", L"^\\/a{99999999999999999999999}$"},
      {"a huge back-reference", L"^\\/(a)\\99999999999999999999999$"},
      // The brace does not close, but the library reads its counts first.
      {"a huge count in an open brace", L".*\\/a(*3{6666663666636664666366663666466,6666466,66.*"},
      {"a huge second count in an open brace", L"^\\/a{1,99999999999999999999999,$"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(compile_rule_expression(row.text), std::length_error);
  }
}

TEST(CompileRuleExpressionTest, AnInvalidExpressionStaysARegexError) {
  EXPECT_THROW(compile_rule_expression(L".*\\/a(b.*"), std::regex_error);
}

// The matcher that cannot blow up must not change a verdict: the same texts,
// compiled with nothing but ECMAScript, agree on every path.
TEST(CompileRuleExpressionTest, GivesTheVerdictsOfThePlainExpression) {
  const wchar_t* texts[] = {
      L".*\\/build.*",        L"^\\/build$",         L".*\\/[^\\/]*\\.log.*",
      L"^\\/(.*\\/|)foo$",    L"^\\/a\\/(.*\\/|)b$", L".*\\/a(b)c.*",
      L".*\\/[^abc].*",       L".*\\/a^b.*",         L".*\\/(a|ab)(c|bcd)(d*).*",
      L".*\\/(a)\\1.*",       L".*\\/a{2,3}.*",      L".*\\/(|a)*b.*",
      L".*\\/(?=a)[^\\/]*.*", L".*\\/\\bx.*",        L".*\\/.*",
  };
  const wchar_t* paths[] = {L"/build", L"/a/build", L"/builder", L"/x.log", L"/foo", L"/a/b/foo",
                            L"/a/b",   L"/a/x/y/b", L"/abc",     L"/d",     L"/aa",  L"/aaa",
                            L"/b",     L"/abcd",    L"/x",       L""};
  for (const wchar_t* text : texts) {
    const std::wregex plain(text, std::regex_constants::ECMAScript);
    const std::wregex compiled = compile_rule_expression(text);
    for (const wchar_t* path : paths) {
      SCOPED_TRACE(text::wide_to_bytes(std::wstring(text) + L" on " + path));
      EXPECT_EQ(std::regex_match(path, compiled), std::regex_match(path, plain));
    }
  }
}

TEST(CheckRuleCountTest, AFileTakesRulesUpToTheBound) {
  EXPECT_NO_THROW(check_rule_count(max_rules - 1));
  EXPECT_THROW(check_rule_count(max_rules), std::length_error);
}

class RuleBoundsTest : public testing::temp_folder_test {};

TEST_F(RuleBoundsTest, ALineAtTheBoundCompilesAndOneBeyondNamesFileAndLine) {
  const std::wstring longest(max_rule_line, L'a');
  const auto at_bound = file(".gitignore", "#\n" + text::wide_to_bytes(longest) + "\n");
  EXPECT_EQ(gitignore(at_bound).compiled_rules().size(), 1u);

  const auto beyond = file(".gitignore", "#\n\n" + std::string(max_rule_line + 1, 'b') + "\n");
  try {
    gitignore rules(beyond);
    FAIL() << "a line beyond the bound compiled";
  } catch (const std::length_error& failure) {
    EXPECT_EQ(std::string(failure.what()),
              beyond.string() +
                  ":3: rule line of 4097 characters is longer than the 4096 that "
                  "are compiled: " +
                  std::string(200, 'b') + "...");
  }
}

TEST_F(RuleBoundsTest, TooComplexPatternsNameFileAndLine) {
  const auto rules = file(".gitignore", "ok\n" + std::string(300, '*') + "x\n");
  try {
    gitignore compiled(rules);
    FAIL() << "300 stars compiled";
  } catch (const std::length_error& failure) {
    EXPECT_EQ(std::string(failure.what()).rfind(rules.string() + ":2: expression too complex: ", 0),
              0u)
        << failure.what();
  }
}

TEST_F(RuleBoundsTest, PathsBeyondTheBoundAreRefusedBeforeAnyRuleRuns) {
  const gitignore rules(file(".gitignore", "*.log\n"));
  finder_item entry{std::filesystem::path()};
  entry.attributes = platform::attribute_normal;
  std::wstring rule;
  std::wstring rule_regex;
  std::wstring path = L"/" + std::wstring(max_match_path - 5, L'a') + L".log";
  ASSERT_EQ(path.size(), max_match_path);
  EXPECT_TRUE(rules.match(entry, path, rule, rule_regex));
  path += L"x";
  EXPECT_THROW(rules.match(entry, path, rule, rule_regex), std::length_error);
}

}  // namespace
}  // namespace quorvel::filesystem
