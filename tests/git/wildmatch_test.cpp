#include "quorvel/git/wildmatch.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace quorvel::git {
namespace {

struct wildmatch_row {
  std::string_view pattern;
  std::string_view text;
  bool match;              // what git said
  bool match_ignore_case;  // what git said with core.ignoreCase
};

// Every row was asked of git 2.39: the pattern as the only line of a
// .gitignore and `git check-ignore --no-index <text>`, once with
// core.ignoreCase off and once on (no folder above the text matched).
constexpr wildmatch_row rows[] = {
    {"x/a*b", "x/a/b", false, false},
    {"x/a*b", "x/aXYb", true, true},
    {"x/a?b", "x/a/b", false, false},
    {"x/a?b", "x/acb", true, true},
    {"x/a[/]b", "x/a/b", false, false},
    {"x[a/b]y", "xby", true, true},
    {"a/***/b", "a/x/y/b", true, true},
    {"a/***/b", "a/b", true, true},
    {"a/**b", "a/x/yb", false, false},
    {"a/**b", "a/xb", true, true},
    {"a**/b", "ax/y/b", true, true},
    {"a**/b", "ab", true, true},
    {"a**/b", "xa/y/b", false, false},
    {"x/a**/b", "x/ayb", false, false},
    {"x/**a/b", "x/y/za/b", false, false},
    {"x/a**z/b", "x/ay/z/b", false, false},
    {"x/*ab*", "x/cabd", true, true},
    {"x/*ab*", "x/c/abd", false, false},
    {"x/*a/b*", "x/ca/bd", true, true},
    {"x/*AB*", "x/cabd", false, true},
    {"**/b", "b", true, true},
    {"**/b", "x/y/b", true, true},
    {"a/**", "a", false, false},
    {"x/a\\*b", "x/a*b", true, true},
    {"x/a\\*b", "x/axb", false, false},
    {"x/a\\b", "x/ab", true, true},
    {"x/a\\", "x/a\\", false, false},
    {"x/a\\", "x/a", false, false},
    {"x/[", "x/[", false, false},
    {"x/[]", "x/[]", false, false},
    {"x/[]]", "x/]", true, true},
    {"x/[]a]", "x/a", true, true},
    {"x/[!]a]", "x/b", true, true},
    {"x/[!]a]", "x/]", false, false},
    {"x/[^a]", "x/b", true, true},
    {"x/[a-]", "x/-", true, true},
    {"x/[z-a]", "x/z", true, true},
    {"x/[z-a]", "x/m", false, false},
    {"x/[z-a]", "x/a", false, false},
    {"x/[--0]x", "x/.x", true, true},
    {"x/[--0]", "x/+", false, false},
    {"x/[+--]", "x/,", true, true},
    {"x/[a--]", "x/a", true, true},
    {"x/[a--]", "x/-", false, false},
    {"x/[a-c-e]", "x/d", false, false},
    {"x/[a-c-e]", "x/-", true, true},
    {"x/[]-a]", "x/^", true, true},
    {"x/[]-a]", "x/-", false, false},
    {"x/[\\]-a]", "x/^", true, true},
    {"x/[a-\\]]", "x/b", false, false},
    {"x/[\\\\]", "x/\\", true, true},
    {"x/[\\a]", "x/\\", false, false},
    {"x/[[:alpha:]]", "x/q", true, true},
    {"x/[[:ALPHA:]]", "x/a", false, false},
    {"x/[[:foo:]]", "x/f", false, false},
    {"x/[[:alpha:]", "x/q", false, false},
    {"x/[[:alpha:]x", "x/x", false, false},
    {"x/[a", "x/[a", false, false},
    {"x/a(b", "x/a(b", true, true},
    {"x/[[:digit:][:alpha:]]", "x/5", true, true},
    {"x/[[:alpha:]-z]", "x/-", true, true},
    {"x/[a-[:alpha:]]", "x/b", false, false},
    {"x/[[:alpha:]]]", "x/a]", true, true},
    {"x/[[]", "x/[", true, true},
    {"x/[[:]", "x/:", true, true},
    {"x/[[:]]", "x/:", false, false},
    {"x/[[::]]", "x/:", false, false},
    {"x/[[=a=]]", "x/a", false, false},
    {"x/[[:punct:]]a", "x/.a", true, true},
    {"x/[[:space:]]", "x/ ", true, true},
    {"x/[[:upper:]]", "x/a", false, true},
    {"x/[[:lower:]]", "x/A", false, true},
    {"x/[[:xdigit:]]", "x/F", true, true},
    {"x/[[:alnum:]]", "x/_", false, false},
    {"x/?", "x/\xc3\xa9", false, false},
    {"x/??", "x/\xc3\xa9", true, true},
    {"x/[\xc3\xa9]", "x/\xc3\xa9", false, false},
    {"x/[\xc3\xa9][\xc3\xa9]", "x/\xc3\xa9", true, true},
    {"x/A", "x/a", false, true},
    {"x/[A-Z]", "x/a", false, true},
    {"x/[a-z]", "x/A", false, true},
    {"x/[^a]", "x/A", true, false},
    {"x/[B-a]", "x/_", true, true},
    {"x/[B-a]", "x/b", false, true},
    {"x/[B-a]", "x/A", false, true},
    {"x/[Z-a]", "x/z", false, true},
    {"x/\xc3\xa9", "x/\xc3\x89", false, false},
    {"x/*.TXT", "x/a.txt", false, true},
    // Stars after a class are one star: only after the literal text that
    // begins the pattern do they reach over folders.
    {"x/[[:alpha:]]**/a", "x/Ba", false, false},
    // Ignoring case, git lowers the name's byte before the class: an
    // upper-case member matches nothing, ranges and classes either case.
    {"x/[A]", "x/A", true, false},
    {"x/[!A]", "x/A", false, true},
    {"x/[A-A]", "x/a", false, true},
    {"x/[[:upper:]]", "x/A", true, true},
    {"x/\\A", "x/A", true, false},
    {"x/\\a", "x/A", false, true},
    {"x/[[:upper:]]", "x/b", false, true},
    {"x/[[:lower:]]", "x/B", false, true},
    // A range whose end lies below its start holds the start as a member.
    {"x/[b-a]", "x/B", false, true},
    {"x/[B-A]", "x/b", false, false},
};

TEST(WildmatchTest, RowsThatGitDecided) {
  for (const wildmatch_row& row : rows) {
    SCOPED_TRACE(std::string(row.pattern) + " ~ " + std::string(row.text));
    EXPECT_EQ(wildmatch(row.pattern, row.text), row.match);
    EXPECT_EQ(wildmatch(row.pattern, row.text, true), row.match_ignore_case);
  }
}

// Regression guard for backtracking: many stars against a long name that
// almost matches must finish (in time proportional to their product).
TEST(WildmatchTest, ManyStarsAgainstALongNameEnd) {
  std::string pattern;
  for (int i = 0; i < 40; ++i) {
    pattern += "*a";
  }
  const std::string text(20000, 'a');
  EXPECT_TRUE(wildmatch(pattern + "*", text));
  EXPECT_FALSE(wildmatch(pattern + "*b", text));
  EXPECT_FALSE(wildmatch("**/" + pattern + "/**/b", text + "/" + text + "/c"));
}

}  // namespace
}  // namespace quorvel::git
