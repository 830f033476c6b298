#include "quorvel/filesystem/gitignore.h"

#include <filesystem>
#include <ostream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

// The comparable part of a compiled rule (a std::wregex has no equality).
struct rule_fields {
  bool negation = false;
  bool dir_only = false;
  std::wstring text;
  std::wstring regex_text;
  bool operator==(const rule_fields&) const = default;
};

void PrintTo(const rule_fields& rule, std::ostream* out) {
  *out << (rule.negation ? "negation " : "") << (rule.dir_only ? "dir_only " : "")
       << text::wide_to_bytes(rule.text) << " -> " << text::wide_to_bytes(rule.regex_text);
}

std::vector<rule_fields> fields_of(const gitignore& compiled) {
  std::vector<rule_fields> out;
  for (const ignore_rule& rule : compiled.compiled_rules()) {
    out.push_back({rule.negation, rule.dir_only, rule.text, rule.regex_text});
  }
  return out;
}

finder_item entry_of(bool is_directory) {
  finder_item entry{std::filesystem::path()};
  entry.attributes = is_directory ? platform::attribute_directory : platform::attribute_normal;
  return entry;
}

class GitignoreTest : public testing::temp_folder_test {
 protected:
  std::filesystem::path rule_file(const std::string& bytes) { return file(".gitignore", bytes); }
};

// One row of the translation list: a rule line and what it compiles to.
struct rule_line_case {
  const char* name;
  std::wstring line;
  bool negation;
  bool dir_only;
  std::wstring regex_text;
};

void PrintTo(const rule_line_case& row, std::ostream* out) {
  *out << text::wide_to_bytes(row.line);
}

class RuleLineTest : public GitignoreTest, public ::testing::WithParamInterface<rule_line_case> {};

TEST_P(RuleLineTest, CompilesToTheExactExpression) {
  const rule_line_case& row = GetParam();
  const gitignore compiled(
      rule_file("# one rule, after a blank line\n\n" + text::wide_to_bytes(row.line) + "\n"));
  const std::vector<rule_fields> expected = {
      {row.negation, row.dir_only, row.line, row.regex_text}};
  EXPECT_EQ(fields_of(compiled), expected);
}

// Raw strings: every backslash is one character of the line or the text.
const rule_line_case rule_lines[] = {
    {"foo", L"foo", false, false, LR"(.*\/foo.*)"},
    {"root_foo", L"/foo", false, false, LR"(^\/foo$)"},
    {"foo_dir", L"foo/", false, true, LR"(.*\/foo.*)"},
    {"root_foo_dir", L"/foo/", false, true, LR"(^\/foo$)"},
    {"foo_bar", L"foo/bar", false, false, LR"(^\/foo\/bar$)"},
    {"root_foo_bar", L"/foo/bar", false, false, LR"(^\/foo\/bar$)"},
    {"foo_bar_dir", L"foo/bar/", false, true, LR"(^\/foo\/bar$)"},
    {"star", L"*", false, false, LR"(.*\/[^\/]*.*)"},
    {"star_txt", L"*.txt", false, false, LR"(.*\/[^\/]*\.txt.*)"},
    {"star_dir", L"*/", false, true, LR"(.*\/[^\/]*.*)"},
    {"root_star", L"/*", false, false, LR"(^\/[^\/]*$)"},
    {"root_star_c", L"/*.c", false, false, LR"(^\/[^\/]*\.c$)"},
    {"a_star_b_star_c", L"a*b*c", false, false, LR"(.*\/a[^\/]*b[^\/]*c.*)"},
    {"two_stars", L"**", false, false, LR"(.*\/[^\/]*[^\/]*.*)"},
    {"a_two_stars_b", L"a**b", false, false, LR"(.*\/a[^\/]*[^\/]*b.*)"},
    {"two_stars_dir", L"**/", false, true, LR"(.*\/[^\/]*[^\/]*.*)"},
    {"any_foo", L"**/foo", false, false, LR"(^\/(.*\/|)foo$)"},
    {"any_foo_bar", L"**/foo/bar", false, false, LR"(^\/(.*\/|)foo\/bar$)"},
    {"foo_two_stars", L"foo/**", false, false, LR"(^\/foo\/[^\/]*[^\/]*$)"},
    {"a_any_b", L"a/**/b", false, false, LR"(^\/a\/(.*\/|)b$)"},
    {"x_any_y_any_z", L"x/**/y/**/z", false, false, LR"(^\/x\/(.*\/|)y\/(.*\/|)z$)"},
    {"doc_any_md", L"doc/**/*.md", false, false, LR"(^\/doc\/(.*\/|)[^\/]*\.md$)"},
    {"three_stars_x", L"***/x", false, false, LR"(^\/[^\/]*(.*\/|)x$)"},
    {"question", L"?", false, false, LR"(.*\/..*)"},
    {"a_question_c", L"a?c", false, false, LR"(.*\/a.c.*)"},
    {"class", L"[abc]", false, false, LR"(.*\/[abc].*)"},
    {"negated_class", L"[!abc]", false, false, LR"(.*\/[^abc].*)"},
    {"range_star_log", L"[a-z]*.log", false, false, LR"(.*\/[a-z][^\/]*\.log.*)"},
    {"class_with_slash", L"[a/b]", false, false, LR"(^\/[a\/b]$)"},
    {"dot", L"a.b", false, false, LR"(.*\/a\.b.*)"},
    {"plus", L"a+b", false, false, LR"(.*\/a\+b.*)"},
    {"dot_star", L".*", false, false, LR"(.*\/\.[^\/]*.*)"},
    {"group", L"a(b)c", false, false, LR"(.*\/a(b)c.*)"},
    {"escaped_hash", LR"(\#foo)", false, false, LR"(.*\/\#foo.*)"},
    {"escaped_bang", LR"(\!foo)", false, false, LR"(.*\/\^foo.*)"},
    {"negated_star_txt", L"!*.txt", true, false, LR"(.*\/[^\/]*\.txt.*)"},
    {"negated_root_foo_dir", L"!/foo/", true, true, LR"(^\/foo$)"},
    {"negated_build_dir", L"!build/", true, true, LR"(.*\/build.*)"},
    {"out_dir", L"/out/", false, true, LR"(^\/out$)"},
    {"doc_api", L"doc/api", false, false, LR"(^\/doc\/api$)"},
    {"slash", L"/", false, true, LR"(.*\/.*)"},
    {"negated_slash", L"!/", true, true, LR"(.*\/.*)"},
    // Nothing is trimmed: spaces and tabs belong to the pattern, and only a
    // "#" in the first position makes a comment.
    {"spaces_hash", L"  #x", false, false, LR"(.*\/  #x.*)"},
    {"trailing_space", L"build ", false, false, LR"(.*\/build .*)"},
    {"leading_tab", L"\t*.o", false, false, L".*\\/\t[^\\/]*\\.o.*"},
};

std::string name_of(const ::testing::TestParamInfo<rule_line_case>& row) {
  return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(Table, RuleLineTest, ::testing::ValuesIn(rule_lines), name_of);

TEST_F(GitignoreTest, FilesWithoutPatternLinesHaveNoRules) {
  for (const std::string bytes : {"", "\n", "\r\n\r\n", "\r", "# comment\n\n#!not a rule\n#"}) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    EXPECT_TRUE(gitignore(rule_file(bytes)).compiled_rules().empty());
  }
}

TEST_F(GitignoreTest, NothingReadableGivesNoRules) {
  EXPECT_TRUE(gitignore(root / "missing" / ".gitignore").compiled_rules().empty());
  EXPECT_TRUE(gitignore(folder("sub/.gitignore")).compiled_rules().empty());
}

TEST_F(GitignoreTest, EveryKindOfLineEndGivesTheSameRules) {
  const std::vector<rule_fields> expected = {
      {false, false, L"a", LR"(.*\/a.*)"},
      {false, true, L"b/", LR"(.*\/b.*)"},
      {true, false, L"!c", LR"(.*\/c.*)"},
  };
  // The last line has no line end on purpose.
  for (const std::string bytes :
       {"a\nb/\n!c", "a\r\nb/\r\n!c", "a\rb/\r!c", "# x\r\n\r\na\n\rb/\r\n\n#y\r!c"}) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    EXPECT_EQ(fields_of(gitignore(rule_file(bytes))), expected);
  }
}

TEST_F(GitignoreTest, KeepsLinesInFileOrderAsWritten) {
  const gitignore compiled(
      rule_file("# build output\n"
                "/out/\n"
                "\n"
                "*.log\n"
                "!keep.log\n"
                "  # indented, so a rule\n"));
  const std::vector<rule_fields> expected = {
      {false, true, L"/out/", LR"(^\/out$)"},
      {false, false, L"*.log", LR"(.*\/[^\/]*\.log.*)"},
      {true, false, L"!keep.log", LR"(.*\/keep\.log.*)"},
      {false, false, L"  # indented, so a rule", LR"(.*\/  # indented, so a rule.*)"},
  };
  EXPECT_EQ(fields_of(compiled), expected);
}

TEST_F(GitignoreTest, ByteOrderMarkStaysInTheFirstLine) {
  const gitignore compiled(rule_file("\xEF\xBB\xBF# not a comment\nx\n"));
  const std::vector<rule_fields> expected = {
      {false, false, L"\uFEFF# not a comment", L".*\\/\uFEFF# not a comment.*"},
      {false, false, L"x", LR"(.*\/x.*)"},
  };
  EXPECT_EQ(fields_of(compiled), expected);
}

TEST_F(GitignoreTest, LineThatCannotCompileFailsWithTheStandardType) {
  EXPECT_THROW(gitignore(rule_file("# fine so far\n\n*.o\n!\n")), std::out_of_range);

  const struct {
    const char* bytes;
    std::regex_constants::error_type code;
  } rows[] = {
      {"# fine so far\n\na(b\n", std::regex_constants::error_paren},
      {"*.o\n[abc\n", std::regex_constants::error_brack},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    try {
      gitignore compiled(rule_file(row.bytes));
      ADD_FAILURE() << "no std::regex_error";
    } catch (const std::regex_error& failure) {
      EXPECT_EQ(failure.code(), row.code);
    }
  }
}

TEST_F(GitignoreTest, FailureNamesTheFileAndTheLine) {
  // What the library itself says of the expression that the line became.
  const auto library_message = [](const std::wstring& expression) {
    try {
      std::wregex compiled(expression);
    } catch (const std::regex_error& failure) {
      return std::string(failure.what());
    }
    return std::string("(compiled)");
  };
  struct failure_row {
    std::filesystem::path relative;
    std::string bytes;
    std::string relative_bytes;  // `relative` as the message spells it
    std::string message;
  };
  std::vector<failure_row> rows = {
      {".gitignore", "# rules\n\n*.o\na(b\n", ".gitignore",
       ":4: invalid regular expression (" + library_message(LR"(.*\/a(b.*)") + "): a(b"},
      {".gitignore", "# c\r\n\r\n!\r\n", ".gitignore", ":3: nothing follows \"!\": !"},
      {".gitignore", "x\ry\r\r  [abc", ".gitignore",
       ":4: invalid regular expression (" + library_message(LR"(.*\/  [abc.*)") + "):   [abc"},
      {platform::to_path(L"caf\u00E9/.gitignore"), "\xE2\x82\xAC!\n!\n", "caf\xC3\xA9/.gitignore",
       ":2: nothing follows \"!\": !"},
  };
  if constexpr (!platform::backslash_is_separator) {
    // A name that is not UTF-8 comes out in the system's own bytes.
    rows.push_back({std::string("odd\xFF/.gitignore"), "!", "odd\xFF/.gitignore",
                    ":1: nothing follows \"!\": !"});
  }
  const std::string root_bytes = text::wide_to_bytes(platform::to_wide(root)) +
                                 (platform::backslash_is_separator ? "\\" : "/");
  for (const failure_row& row : rows) {
    SCOPED_TRACE(row.relative_bytes + row.message);
    const std::filesystem::path path = file(row.relative, row.bytes);
    try {
      gitignore compiled(path);
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& failure) {
      EXPECT_EQ(failure.what(), root_bytes + row.relative_bytes + row.message);
    }
  }
}

TEST_F(GitignoreTest, MatchGivesVerdictAndDecidingRule) {
  const std::wstring kept = L"kept";
  const struct {
    std::string rules;
    std::wstring path;
    bool is_directory;
    bool ignored;
    std::wstring rule;
    std::wstring rule_regex;
  } rows[] = {
      // The repository's folder is ignored before any rule is consulted.
      {"", L"/.git", true, true, kept, kept},
      {"*\n!.git\n", L"/.git", true, true, kept, kept},
      {"", L"/.git", false, false, kept, kept},
      {"", L"/sub/.git", true, false, kept, kept},
      {".git\n", L"/.git", false, true, L".git", LR"(.*\/\.git.*)"},
      // Directory-only rules skip files.
      {"build/\n", L"/build", true, true, L"build/", LR"(.*\/build.*)"},
      {"build/\n", L"/build", false, false, kept, kept},
      {"*\n!/\n", L"/src", true, false, L"", L""},
      {"*\n!/\n", L"/a.c", false, true, L"*", LR"(.*\/[^\/]*.*)"},
      // The last matching rule decides; an un-ignoring one empties the rule.
      {"*.log\n!keep.log\n", L"/keep.log", false, false, L"", L""},
      {"*.log\n!keep.log\n", L"/other.log", false, true, L"*.log", LR"(.*\/[^\/]*\.log.*)"},
      {"!keep.log\n*.log\n", L"/keep.log", false, true, L"*.log", LR"(.*\/[^\/]*\.log.*)"},
      {"*.log\n!keep.log\nkeep*\n", L"/keep.log", false, true, L"keep*", LR"(.*\/keep[^\/]*.*)"},
      // Once ignored, later ignoring rules are not run: the first one stays.
      {"*.txt\na*\n", L"/a.txt", false, true, L"*.txt", LR"(.*\/[^\/]*\.txt.*)"},
      {"*.TXT\n", L"/a.txt", false, false, kept, kept},
      // Unanchored rules start at any component and let anything follow.
      {"build\n", L"/builder", false, true, L"build", LR"(.*\/build.*)"},
      {"build\n", L"/docs/build.txt", false, true, L"build", LR"(.*\/build.*)"},
      {"build\n", L"/rebuild", false, false, kept, kept},
      {"build \n", L"/build", false, false, kept, kept},
      // Anchored rules must cover the whole relative path.
      {"/build\n", L"/build", false, true, L"/build", LR"(^\/build$)"},
      {"/build\n", L"/src/build", false, false, kept, kept},
      {"/build\n", L"/build/x", false, false, kept, kept},
      {"foo/**\n", L"/foo/a", false, true, L"foo/**", LR"(^\/foo\/[^\/]*[^\/]*$)"},
      {"foo/**\n", L"/foo/a/b", false, false, kept, kept},
      // "?" is any character, "/" included.
      {"a?b\n", L"/a/b", false, true, L"a?b", LR"(.*\/a.b.*)"},
      {"a(b)c\n", L"/a(b)c", false, false, kept, kept},
      {"\\#foo\n", L"/#foo", false, true, LR"(\#foo)", LR"(.*\/\#foo.*)"},
      {"\xEF\xBB\xBF"
       "foo\n",
       L"/foo", false, false, kept, kept},
      // Names beyond U+FFFF and stray bytes match the names the walker sees.
      {"\xF0\x9F\x98\x80.txt\n", L"/\U0001F600.txt", false, true, L"\U0001F600.txt",
       L".*\\/\U0001F600\\.txt.*"},
      {"odd\xFF\n", L"/" + text::bytes_to_wide("odd\xFF"), false, true,
       text::bytes_to_wide("odd\xFF"), L".*\\/" + text::bytes_to_wide("odd\xFF") + L".*"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.rules) + " " + text::wide_to_bytes(row.path));
    const gitignore compiled(rule_file(row.rules));
    std::wstring rule = kept;
    std::wstring rule_regex = kept;
    EXPECT_EQ(compiled.match(entry_of(row.is_directory), row.path, rule, rule_regex), row.ignored);
    EXPECT_EQ(rule, row.rule);
    EXPECT_EQ(rule_regex, row.rule_regex);
  }
}

}  // namespace
}  // namespace quorvel::filesystem
