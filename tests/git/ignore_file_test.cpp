#include "quorvel/git/ignore_file.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

using namespace std::literals;

// How one line is kept: the line as git prints it, and what it matches.
struct parse_row {
  std::string_view line;
  bool kept;  // false: the line matches nothing and is left out
  ignore_rule rule;
};

// The texts are what `git check-ignore -v` printed for each line.
const parse_row parse_rows[] = {
    {"a  ", true, {"a", 1, false, false, false, "a"}},
    {"b\\ ", true, {"b\\ ", 1, false, false, false, "b\\ "}},
    {"c\\  ", true, {"c\\ ", 1, false, false, false, "c\\ "}},
    {"a\\\\ ", true, {"a\\\\", 1, false, false, false, "a\\\\"}},
    {"e\t", true, {"e\t", 1, false, false, false, "e\t"}},
    {"  #g", true, {"  #g", 1, false, false, false, "  #g"}},
    {"\\#d", true, {"\\#d", 1, false, false, false, "\\#d"}},
    {"!!f", true, {"!!f", 1, true, false, false, "!f"}},
    {"!/a/b/", true, {"!/a/b/", 1, true, true, true, "a/b"}},
    {"a//", true, {"a//", 1, false, true, true, "a/"}},
    {"//d", true, {"//d", 1, false, false, true, "/d"}},
    {"ign/", true, {"ign/", 1, false, true, false, "ign"}},
    {"ab\0cd"sv, true, {"ab", 1, false, false, false, "ab"}},
    {"\\", true, {"\\", 1, false, false, false, "\\"}},
    {"#c", false, {}},
    {"!", false, {}},
    {"! ", false, {}},
    {"   ", false, {}},
    {"/", false, {}},
};

TEST(IgnoreFileTest, ParsesLinesAsGit) {
  for (const parse_row& row : parse_rows) {
    SCOPED_TRACE(std::string(row.line));
    const ignore_file file = ignore_file::from_text(row.line);
    if (!row.kept) {
      EXPECT_TRUE(file.rules().empty());
      continue;
    }
    ASSERT_EQ(file.rules().size(), 1u);
    EXPECT_EQ(file.rules()[0], row.rule);
  }
}

// A whole file and the line that decides for each path (0: none), as
// `git check-ignore -v --no-index` reported it.
struct decision_row {
  std::string_view path;
  bool is_folder;
  std::uint32_t line;
  bool negation;
};

struct file_case {
  std::string_view text;
  std::vector<decision_row> rows;
};

const file_case file_cases[] = {
    // A byte order mark, CR LF, comments, escapes and a CR that is not
    // before the LF; the mark on a later line is a byte of the pattern.
    {"\xEF\xBB\xBF"
     "a\r\nb\r\n#c\n\\#d\n!\n\\!e\n!!f\n \n  #g\n\\\n/\n\xEF\xBB\xBFh\nI\r\r\nj \r\nk\\\r\n"sv,
     {{"a", false, 1, false},
      {"b", false, 2, false},
      {"#c", false, 0, false},
      {"#d", false, 4, false},
      {"!e", false, 6, false},
      {"!f", false, 7, true},
      {"  #g", false, 9, false},
      {"\\", false, 0, false},
      {"h", false, 0, false},
      {"\xEF\xBB\xBFh", false, 12, false},
      {"I\r", false, 13, false},
      {"I", false, 0, false},
      {"j", false, 14, false},
      {"k", false, 0, false}}},
    // The last line without its LF loses its CR too; a NUL ends a line.
    {"x\r", {{"x", false, 1, false}}},
    {"ab\0cd\nef \0 \n\0gh\n"sv,
     {{"ab", false, 1, false}, {"abcd", false, 0, false}, {"ef", false, 2, false}}},
    // The last matching line wins; folder-only lines pass over files;
    // anchored lines match from the file's folder, others any name.
    {"sub/\n*/sub\nf/g\n*.log\n!keep.log\nlink/\n/top\n**/deep/x\n",
     {{"d/sub", true, 2, false},
      {"sub", true, 1, false},
      {"sub", false, 0, false},
      {"f/g", false, 3, false},
      {"e/f/g", false, 0, false},
      {"a/b.log", false, 4, false},
      {"a/keep.log", false, 5, true},
      {"link", false, 0, false},
      {"top", false, 7, false},
      {"a/top", false, 0, false},
      {"deep/x", false, 8, false},
      {"a/b/deep/x", true, 8, false}}},
};

TEST(IgnoreFileTest, LastMatchingLineDecides) {
  for (const file_case& file_case : file_cases) {
    const ignore_file file = ignore_file::from_text(file_case.text);
    for (const decision_row& row : file_case.rows) {
      SCOPED_TRACE(std::string(file_case.text.substr(0, 20)) + " / " + std::string(row.path));
      const ignore_rule* found = file.last_match(row.path, row.is_folder);
      EXPECT_EQ(found == nullptr ? 0 : found->line, row.line);
      if (found != nullptr) {
        EXPECT_EQ(found->negation, row.negation);
      }
    }
  }
}

TEST(IgnoreFileTest, IgnoreCaseReachesEveryKindOfLine) {
  const ignore_file file = ignore_file::from_text("Name\n*.LOG\nDir/Sub\n[A-B]*\n", {}, {true});
  for (const std::string_view path : {"x/NAME", "a.log", "dir/sub", "abc"}) {
    SCOPED_TRACE(std::string(path));
    EXPECT_NE(file.last_match(path, false), nullptr);
  }
  EXPECT_EQ(ignore_file::from_text("Name\n").last_match("name", false), nullptr);
}

TEST(IgnoreFileTest, MissingFileHasNoRules) {
  const std::filesystem::path missing = testing::make_temp_folder() / "none";
  EXPECT_TRUE(ignore_file(missing).rules().empty());
  EXPECT_TRUE(ignore_file(missing.parent_path()).rules().empty());
  testing::remove_tree(missing.parent_path());
}

}  // namespace
}  // namespace quorvel::git
