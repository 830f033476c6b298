#include "tests/corpus/case_file.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::corpus {
namespace {

corpus_case parse(const std::string& text) {
  return parse_case(text, "t.case", "t");
}

TEST(UnescapeTest, EscapesSpellTheirBytes) {
  const struct {
    std::string token;
    std::string bytes;
  } rows[] = {
      {"plain", "plain"},
      {"a\\\\b", "a\\b"},
      {"say \\\"hi\\\"", "say \"hi\""},
      {"\\r\\n\\t", "\r\n\t"},
      {"a\\0b", std::string("a\0b", 3)},
      {"\\xFF\\x41",
       "\xFF"
       "A"},
      {"\\u{FEFF}", "\xEF\xBB\xBF"},
      {"\\u{e9}", "\xC3\xA9"},
      {"\\u{1F600}", "\xF0\x9F\x98\x80"},
      {"trailing  ", "trailing  "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.token);
    EXPECT_EQ(unescape(row.token), row.bytes);
    EXPECT_EQ(unescape(quote(row.bytes).substr(1, quote(row.bytes).size() - 2)), row.bytes);
  }
}

TEST(UnescapeTest, BadEscapesAreRefused) {
  for (const std::string token : {"\\", "\\q", "\\x4", "\\xZZ", "\\u{}", "\\u{110000}", "a\"b"}) {
    SCOPED_TRACE(token);
    EXPECT_THROW(unescape(token), std::invalid_argument);
  }
}

TEST(QuoteTest, InvisibleBytesAreEscaped) {
  EXPECT_EQ(quote("a b"), "\"a b\"");
  EXPECT_EQ(quote(std::string("\r\n\t\0\xFF\\\"", 7)), "\"\\r\\n\\t\\0\\xFF\\\\\\\"\"");
}

TEST(ParseCaseTest, ReadsEverySection) {
  const corpus_case parsed = parse(
      "# Reads everything\n"
      "tags: name, *.ext\n"
      "\n"
      "tree:\n"
      "  file src/a.c\n"
      "  file \"with space.txt\" = \"x\\n\"\n"
      "  dir  empty\n"
      "  link to-src -> src\n"
      "\n"
      "rules .gitignore:\n"
      "  # a comment line of the rule file\n"
      "  \\#raw backslash\n"
      "  \"\\n\"\n"
      "  \"build  \\r\\n\"\n"
      "  \"no line end\"\n"
      "rules ../.gitignore:\n"
      "  *.log\n"
      "\n"
      "expect:\n"
      "  # a comment of the case\n"
      "  src/a.c kept\n"
      "  build ignored <build/>\n"
      "  x.log  ignored <*.log> /.*\\/[^\\/]*\\.log.*/  git kept  why some-cause\n"
      "  \"with space.txt\" kept git kept\n"
      "  q ignored \"a> b\" /x/\n"
      "exit: 0\n");
  EXPECT_EQ(parsed.name, "t");
  EXPECT_EQ(parsed.description, "Reads everything");
  EXPECT_EQ(parsed.tags, (std::vector<std::string>{"name", "*.ext"}));
  EXPECT_EQ(parsed.tree, (std::vector<tree_entry>{{entry_kind::file, "src/a.c", "", 5},
                                                  {entry_kind::file, "with space.txt", "x\n", 6},
                                                  {entry_kind::folder, "empty", "", 7},
                                                  {entry_kind::link, "to-src", "src", 8}}));
  ASSERT_EQ(parsed.rule_files.size(), 2u);
  EXPECT_EQ(
      parsed.rule_files[0],
      (rule_file{".gitignore",
                 "# a comment line of the rule file\n\\#raw backslash\n\nbuild  \r\nno line end",
                 10}));
  EXPECT_EQ(parsed.rule_files[1], (rule_file{"../.gitignore", "*.log\n", 16}));
  ASSERT_EQ(parsed.expectations.size(), 5u);
  EXPECT_EQ(parsed.expectations[0], (expectation{"src/a.c", false, "", {}, {}, "", 21}));
  EXPECT_EQ(parsed.expectations[1], (expectation{"build", true, "build/", {}, {}, "", 22}));
  EXPECT_EQ(parsed.expectations[2],
            (expectation{"x.log", true, "*.log", ".*\\/[^\\/]*\\.log.*", false, "some-cause", 23}));
  EXPECT_EQ(parsed.expectations[3], (expectation{"with space.txt", false, "", {}, false, "", 24}));
  EXPECT_EQ(parsed.expectations[4], (expectation{"q", true, "a> b", "x", {}, "", 25}));
  EXPECT_EQ(parsed.exit_code, 0);
}

TEST(ParseCaseTest, ReadsTheRuleFileThatAnExitCodeOfFourNames) {
  const corpus_case parsed =
      parse("# Bad\ntags: errors\nrules sub/.gitignore:\n  a(b\nexit: 4 at sub/.gitignore:1\n");
  EXPECT_EQ(parsed.exit_code, 4);
  EXPECT_EQ(parsed.error_file, "sub/.gitignore");
  EXPECT_EQ(parsed.error_line, 1);
}

TEST(ParseCaseTest, ReadsTrackedPathsAndTheIndexForm) {
  const corpus_case parsed = parse(
      "# x\ntags: t\ntracked:\n  a.c\n  # a comment\n  \"b c\"  deleted\n  d rm-cached\n"
      "  e intent-to-add\n  f/g gitlink\nindex: split\n");
  EXPECT_EQ(parsed.tracked, (std::vector<tracked_path>{{"a.c", tracked_kind::committed, 4},
                                                       {"b c", tracked_kind::deleted, 6},
                                                       {"d", tracked_kind::rm_cached, 7},
                                                       {"e", tracked_kind::intent_to_add, 8},
                                                       {"f/g", tracked_kind::gitlink, 9}}));
  EXPECT_EQ(parsed.index_form, "split");
  EXPECT_TRUE(parsed.uses_index());
  EXPECT_FALSE(parse("# x\ntags: t\n").uses_index());
  EXPECT_TRUE(parse("# x\ntags: t\nindex: v4\n").uses_index());
}

TEST(ParseCaseTest, EmptyRuleTextIsAllowed) {
  const corpus_case parsed = parse("# x\ntags: t\nexpect:\n  a ignored <>\n");
  ASSERT_EQ(parsed.expectations.size(), 1u);
  EXPECT_TRUE(parsed.expectations[0].ignored);
  EXPECT_EQ(parsed.expectations[0].rule, "");
}

TEST(ParseCaseTest, MalformedCasesNameTheirLine) {
  const struct {
    std::string text;
    std::string message;  // the start of what()
  } rows[] = {
      {"no description\n", "t.case:1:"},
      {"# x\n", "t.case:1: the case has no tags"},
      {"# x\ntags: t\ntree:\n  file a \n", "t.case:4: trailing spaces"},
      {"# x\ntags: t\ntree:\n  file\ta\n", "t.case:4: tabs"},
      {"# x\ntags: t\ntree:\n  file ../a\n", "t.case:4: a tree path"},
      {"# x\ntags: t\ntree:\n  file /a\n", "t.case:4: a tree path"},
      {"# x\ntags: t\ntree:\n  file a\n  dir a\n", "t.case:5: the entry a is given twice"},
      {"# x\ntags: t\ntree:\n  thing a\n", "t.case:4: a tree line"},
      {"# x\ntags: t\ntree:\n  link a b\n", "t.case:4: a link's target"},
      {"# x\ntags: t\n  stray\n", "t.case:3: an indented line outside a block"},
      {"# x\ntags: t\nrules x/../.gitignore:\n", "t.case:3: a rule file"},
      {"# x\ntags: t\nexpect:\n  a maybe\n", "t.case:4: the verdict"},
      {"# x\ntags: t\nexpect:\n  a ignored\n", "t.case:4: an ignored entry names its rule"},
      {"# x\ntags: t\nexpect:\n  a kept <r>\n", "t.case:4: a kept entry has no rule"},
      {"# x\ntags: t\nexpect:\n  a ignored <r\n", "t.case:4: a rule is written"},
      {"# x\ntags: t\nexpect:\n  a ignored <r> x\n", "t.case:4: a rule is written"},
      {"# x\ntags: t\nexpect:\n  a kept git maybe\n", "t.case:4: git's verdict"},
      {"# x\ntags: t\nexpect:\n  a kept git ignored because x\n", "t.case:4: expected \"why\""},
      {"# x\ntags: t\nexpect:\n  a kept\n  a kept\n", "t.case:5: the entry a is expected twice"},
      {"# x\ntags: t\nrules .gitignore:\n  \"a\"b\n", "t.case:4: a quoted token runs"},
      {"# x\ntags: t\nexit: 3\n", "t.case:3: exit is"},
      {"# x\ntags: t\nsomething\n", "t.case:3: unknown line"},
      {"# x\ntags: t\ntracked:\n  ../a\n", "t.case:4: a tracked path is relative"},
      {"# x\ntags: t\ntracked:\n  a staged\n", "t.case:4: a tracked path is marked"},
      {"# x\ntags: t\ntracked:\n  a gitlink x\n", "t.case:4: unexpected text"},
      {"# x\ntags: t\ntracked:\n  a\n  a deleted\n", "t.case:5: the tracked path a is given"},
      {"# x\ntags: t\nindex: v5\n", "t.case:3: index is"},
      {"# x\ntags: t\nindex: v4\nindex: v4\n", "t.case:4: the index form is given twice"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      parse(row.text);
      ADD_FAILURE() << "no error";
    } catch (const case_error& error) {
      EXPECT_EQ(std::string(error.what()).substr(0, row.message.size()), row.message);
    }
  }
}

}  // namespace
}  // namespace quorvel::corpus
