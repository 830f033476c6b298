#include "quorvel/runner/report.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/filesystem/item.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {
namespace {

using filesystem::finder_item;

finder_item entry(const char* path, bool ignored, std::wstring rule = L"",
                  std::wstring rule_regex = L"") {
  // The path's UTF-8 bytes name the same entry on every platform.
  finder_item item{platform::to_path(text::bytes_to_wide(path))};
  item.ignored = ignored;
  item.rule = std::move(rule);
  item.rule_regex = std::move(rule_regex);
  return item;
}

TEST(JudgeEntryTest, GitCoversAnEntryThroughItselfOrAnyFolderAboveIt) {
  const expected_map expected = {{L"/work/t1/b.log", true}, {L"/work/t1/build", true}};
  const struct {
    const char* path;
    bool ignored;
    judgement verdict;
  } rows[] = {
      {"/work/t1/src/a.c", false, {false, true}},
      {"/work/t1/b.log", true, {true, true}},
      {"/work/t1/build/deep/x.o", true, {true, true}},
      {"/work/t1/other.log", true, {false, false}},
      {"/work/t1/b.log", false, {true, false}},
      {"/work/t1/builder", false, {false, true}},  // a longer name is not below it
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(judge_entry(entry(row.path, row.ignored), expected), row.verdict);
  }
}

TEST(JudgeEntryTest, ReachesTheRootOfTheFileSystem) {
  EXPECT_TRUE(judge_entry(entry("/work/t1/x", true), {{L"/", true}}).found);
  EXPECT_TRUE(judge_entry(entry("t1/x", true), {{L"", true}}).found);
}

TEST(ReportEntryTest, WritesTheLineForEachVerdict) {
  const struct {
    const char* name;
    finder_item item;
    judgement verdict;
    std::string line;
  } rows[] = {
      {"neither ignores", entry("/work/t1/src/a.c", false), {false, true}, " OK : 00 - /src/a.c\n"},
      {"both ignore",
       entry("/work/t1/b.log", true, L"*.log", L".*\\/[^\\/]*\\.log.*"),
       {true, true},
       " OK : 11 - /b.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"},
      {"only the walker ignores",
       entry("/work/t1/c.log", true, L"*.log", L"R"),
       {false, false},
       "ERR : 10 - /c.log <*.log> /R/\n"},
      {"only git ignores",
       entry("/work/t1/d", false, L"stale", L"stale"),
       {true, false},
       "ERR : 01 - /d\n"},
      {"empty rule texts", entry("/work/t1/.git", true), {true, true}, " OK : 11 - /.git <> //\n"},
      {"non-ASCII and stray bytes",
       entry("/work/t1/\xc3\xa9\xff", true, L"\u00e9*", L"x"),
       {true, true},
       " OK : 11 - /\xc3\xa9\xff <\xc3\xa9*> /x/\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::ostringstream stream;
    output out(stream);
    report_entry(out, row.item, row.verdict, std::string("/work/t1").size());
    EXPECT_EQ(stream.str(), row.line);
  }
}

TEST(ReportEntryTest, TheGitModeNamesTheRuleFileAndLine) {
  finder_item ignored = entry("/work/t1/b.log", true, L"*.log");
  ignored.rule_line = 12;
  const struct {
    const char* name;
    finder_item item;
    judgement verdict;
    std::string line;
  } rows[] = {
      {"ignored", ignored, {true, true}, " OK : 11 - /b.log <*.log> t1/.gitignore:12\n"},
      {"kept", entry("/work/t1/a.c", false), {false, true}, " OK : 00 - /a.c\n"},
      {"only git ignores", entry("/work/t1/d", false), {true, false}, "ERR : 01 - /d\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::ostringstream stream;
    output out(stream);
    const std::wstring path = filesystem::item_path(row.item);
    report_git_entry(out, row.item, path, row.verdict, std::string("/work/t1").size(),
                     "t1/.gitignore");
    EXPECT_EQ(stream.str(), row.line);
  }
}

TEST(ReportSummaryTest, SaysAllOkOrCountsTheErrors) {
  const struct {
    std::uint64_t errors;
    std::string text;
  } rows[] = {
      {0, "\n========================\nAll OK\n========================\n"},
      {3, "\n========================\nErrors : 3\n========================\n"},
      {18446744073709551615u,
       "\n========================\nErrors : 18446744073709551615\n========================\n"},
  };
  for (const auto& row : rows) {
    std::ostringstream stream;
    output out(stream);
    report_summary(out, row.errors);
    EXPECT_EQ(stream.str(), row.text);
  }
}

}  // namespace
}  // namespace quorvel::runner
