#include "quorvel/filesystem/regex/rule_program.h"

#include <cstdint>
#include <cwchar>
#include <locale>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/text/utf8.h"

namespace quorvel::filesystem {
namespace {

std::optional<rule_program> parse(const std::wstring& regex_text) {
  return rule_program::parse(regex_text, std::locale());
}

// Every unit that a wide string can hold: the code points where wchar_t has
// 32 bits, the 16-bit units where it has 16.
std::uint32_t last_unit() {
  return sizeof(wchar_t) == 2 ? 0xFFFF : 0x10FFFF;
}

TEST(RuleProgramTest, DotAndNotSlashAgreeWithTheLibraryOnEveryUnit) {
  // The library's "." leaves out the two line ends and, for wide text, the
  // two Unicode separators; "[^\/]" leaves out "/" alone.
  const std::wregex dot(L".", std::regex_constants::ECMAScript);
  const std::wregex not_slash(L"[^\\/]", std::regex_constants::ECMAScript);
  const std::optional<rule_program> not_slash_program = parse(L"[^\\/]");
  ASSERT_TRUE(not_slash_program);
  for (std::uint32_t unit = 0; unit <= last_unit(); ++unit) {
    const std::wstring text(1, static_cast<wchar_t>(unit));
    if (dot_matches(text[0]) != std::regex_match(text, dot) ||
        not_slash_program->matches(text) != std::regex_match(text, not_slash)) {
      ADD_FAILURE() << "unit " << unit;
      return;
    }
  }
}

TEST(RuleProgramTest, TakesTheShapesOfTheTranslationAndLeavesTheRest) {
  const struct {
    std::wstring regex_text;
    bool taken;
  } rows[] = {
      // What the translation makes of ordinary patterns.
      {LR"(.*\/build.*)", true},
      {LR"(^\/build$)", true},
      {LR"(.*\/[^\/]*\.log.*)", true},
      {LR"(^\/(.*\/|)foo\/bar$)", true},
      {LR"(^\/doc\/(.*\/|)[^\/]*\.md$)", true},
      {LR"(.*\/[a-z][^\/]*\.log.*)", true},
      {LR"(.*\/[^abc].*)", true},
      {LR"(.*\/a.c.*)", true},
      {LR"(.*\/\#foo.*)", true},
      {LR"(.*\/\^foo.*)", true},
      {LR"(.*\/a\+b.*)", true},
      {LR"(.*\/.*)", true},
      {LR"(^\/[a\/b]$)", true},
      {L"", true},
      // Left to the library: groups and alternatives of the pattern's own,
      // other quantifiers, escapes of letters and digits, anchors inside.
      {LR"(.*\/a(b)c.*)", false},
      {LR"(.*\/a|b.*)", false},
      {LR"(.*\/a{2}.*)", false},
      {LR"(.*\/a+.*)", false},
      {LR"(.*\/a?.*)", false},
      {LR"(.*\/a*?.*)", false},
      {LR"(.*\/\d.*)", false},
      {LR"(.*\/\b.*)", false},
      {LR"(.*\/\1.*)", false},
      {LR"(.*\/a^b.*)", false},
      {LR"(.*\/a$b.*)", false},
      {LR"(.*\/a]b.*)", false},
      {LR"(.*\/a}b.*)", false},
      {LR"(.*\/[[:alpha:]].*)", false},
      {LR"(.*\/[\d].*)", false},
      {LR"(^\/(.*\/|)*x$)", false},
      {std::wstring(L".*\\/a") + L'\0' + L".*", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::wide_to_bytes(row.regex_text));
    EXPECT_EQ(parse(row.regex_text).has_value(), row.taken);
  }
}

TEST(RuleProgramTest, TooManyStepsAreLeftToTheLibrary) {
  EXPECT_TRUE(parse(std::wstring(rule_program::max_steps, L'a')));
  EXPECT_FALSE(parse(std::wstring(rule_program::max_steps + 1, L'a')));
}

// Expressions in every shape that programs take, run against every short
// text over a small alphabet: each verdict must be the library's.
const std::vector<std::wstring>& expressions() {
  static const std::vector<std::wstring> all = {
      LR"(.*\/ab.*)",
      LR"(^\/ab$)",
      LR"(^\/a\/b$)",
      LR"(.*\/[^\/]*\.b.*)",
      LR"(.*\/a[^\/]*.*)",
      LR"(.*\/a[^\/]*b[^\/]*a.*)",
      LR"(.*\/[^\/]*[^\/]*.*)",
      LR"(^\/[^\/]*$)",
      LR"(^\/(.*\/|)a$)",
      LR"(^\/a\/(.*\/|)b$)",
      LR"(^\/[^\/]*(.*\/|)b$)",
      LR"(^\/(.*\/|)(.*\/|)a$)",
      LR"(^\/a\/(.*\/|)[^\/]*\.b$)",
      LR"(.*\/a.b.*)",
      LR"(.*\/..*)",
      LR"(.*\/[ab].*)",
      LR"(.*\/[^a].*)",
      LR"(.*\/[a-b]*\..*)",
      LR"(.*\/[]a.*)",
      LR"(.*\/[^]a.*)",
      LR"(.*\/[\]a].*)",
      LR"(.*\/[\.].*)",
      LR"(.*\/\..*)",
      LR"(.*\/.*)",
      LR"(a*b)",
      LR"(a.*)",
      LR"()",
      LR"(^\/[a\/b]$)",
      // A long program: more states than one 64-bit word holds.
      L"^\\/" + std::wstring(70, L'a') + L"[^\\/]*(.*\\/|)" + std::wstring(10, L'b') + L"$",
  };
  return all;
}

void expect_same_verdicts(const std::wstring& alphabet, std::size_t longest) {
  for (const std::wstring& expression : expressions()) {
    SCOPED_TRACE(text::wide_to_bytes(expression));
    const std::optional<rule_program> program = parse(expression);
    ASSERT_TRUE(program);
    const std::wregex library(expression, std::regex_constants::ECMAScript);
    // Every text of up to `longest` units, counted in base alphabet.size().
    std::vector<std::size_t> digits;
    for (;;) {
      std::wstring text;
      for (const std::size_t digit : digits) {
        text += alphabet[digit];
      }
      if (program->matches(text) != std::regex_match(text, library)) {
        ADD_FAILURE() << "text " << text::wide_to_bytes(text);
        return;
      }
      std::size_t at = 0;
      while (at < digits.size() && digits[at] + 1 == alphabet.size()) {
        digits[at++] = 0;
      }
      if (at == digits.size()) {
        if (digits.size() == longest) {
          break;
        }
        digits.push_back(0);
      } else {
        ++digits[at];
      }
    }
  }
}

TEST(RuleProgramTest, AgreesWithTheLibraryOnEveryShortText) {
  expect_same_verdicts(L"ab/.", 6);
}

TEST(RuleProgramTest, AgreesWithTheLibraryWhereDotStops) {
  expect_same_verdicts(std::wstring(L"a/\n\r") + static_cast<wchar_t>(0x2028) +
                           static_cast<wchar_t>(0x2029) + static_cast<wchar_t>(0xE9),
                       4);
}

TEST(RuleProgramTest, LongTextsAgreeWithTheLibrary) {
  const std::wstring long_name(200, L'a');
  const std::wstring texts[] = {
      L"/" + std::wstring(70, L'a') + L"x/y/" + std::wstring(10, L'b'),
      L"/" + std::wstring(70, L'a') + L"/" + std::wstring(10, L'b'),
      L"/" + std::wstring(69, L'a') + L"/" + std::wstring(10, L'b'),
      L"/dir/" + long_name + L".b",
      L"/" + long_name + L"/" + long_name + L"/a",
  };
  for (const std::wstring& expression : expressions()) {
    const std::optional<rule_program> program = parse(expression);
    ASSERT_TRUE(program);
    const std::wregex library(expression, std::regex_constants::ECMAScript);
    for (const std::wstring& text : texts) {
      EXPECT_EQ(program->matches(text), std::regex_match(text, library))
          << text::wide_to_bytes(expression) << " on " << text::wide_to_bytes(text);
    }
  }
}

TEST(RuleProgramTest, BracketMembersBeyondAsciiComeFromTheLibrary) {
  const std::wstring brackets[] = {L"[^a]", L"[\u00e0-\u00ff]", L"[a\u00e9]", L"[^\u00e9]"};
  const std::wstring names[] = {L"\u00e9", L"\u00df", L"\u0101", L"a", L"\U0001F600"};
  for (const std::wstring& bracket : brackets) {
    const std::wstring expression = L".*\\/" + bracket + L".*";
    const std::optional<rule_program> program = parse(expression);
    ASSERT_TRUE(program);
    const std::wregex library(expression, std::regex_constants::ECMAScript);
    for (const std::wstring& name : names) {
      const std::wstring text = L"/" + name;
      EXPECT_EQ(program->matches(text), std::regex_match(text, library))
          << text::wide_to_bytes(expression) << " on " << text::wide_to_bytes(text);
    }
  }
}

}  // namespace
}  // namespace quorvel::filesystem
