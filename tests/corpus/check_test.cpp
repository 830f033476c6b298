#include "tests/corpus/check.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/corpus/case_file.h"
#include "tests/support/temp_folder.h"

namespace quorvel::corpus {
namespace {

// A small case: *.log everywhere, build/ ignored by the library but (as the
// case claims) not by git, so build and everything in it disagree.
const char case_text[] =
    "# Sample\n"
    "tags: t\n"
    "tree:\n"
    "  file a.log\n"
    "  file src/b.log\n"
    "  file src/c.c\n"
    "  file build/x.o\n"
    "  file build/out/deep.o\n"
    "rules .gitignore:\n"
    "  *.log\n"
    "  build/\n"
    "expect:\n"
    "  a.log      ignored <*.log> /.*\\/[^\\/]*\\.log.*/\n"
    "  src/b.log  ignored <*.log>\n"
    "  build      ignored <build/>  git kept  why w\n";

const std::vector<walk_entry> sample_tree = {{".gitignore", false, false},
                                             {"a.log", false, false},
                                             {"build", true, true},
                                             {"build/out", true, true},
                                             {"build/out/deep.o", false, false},
                                             {"build/x.o", false, false},
                                             {"i.txt", false, false},
                                             {"src", true, true},
                                             {"src/b.log", false, false},
                                             {"src/c.c", false, false}};

const std::string log_part = " <*.log> /.*\\/[^\\/]*\\.log.*/";
const std::string build_part = " <build/> /.*\\/build.*/";

// The lines of a correct walk, without the summary.
std::vector<std::string> sample_lines() {
  return {
      "ERR : 10 - /build" + build_part,
      " OK : 00 - /src",
      " OK : 00 - /.gitignore",
      " OK : 11 - /a.log" + log_part,
      " OK : 00 - /i.txt",
      " OK : 11 - /src/b.log" + log_part,
      " OK : 00 - /src/c.c",
      "ERR : 10 - /build/out" + build_part,
      "ERR : 10 - /build/x.o" + build_part,
      "ERR : 10 - /build/out/deep.o" + build_part,
  };
}

std::string with_summary(const std::vector<std::string>& lines, const std::string& summary) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\n";
  }
  return text + "\n========================\n" + summary + "\n========================\n";
}

class CheckRunTest : public ::testing::Test {
 protected:
  run_report check(const std::string& output, int exit_code = 0) const {
    return check_run(sample, sample_tree, "/t/repo/case", exit_code, output);
  }

  // Whether one of `report`'s problems contains `text`.
  static bool mentions(const run_report& report, const std::string& text) {
    for (const std::string& problem : report.problems) {
      if (problem.find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  corpus_case sample = parse_case(case_text, "sample.case", "sample");
};

TEST_F(CheckRunTest, CorrectWalkPassesAndIsTallied) {
  const run_report report = check(with_summary(sample_lines(), "Errors : 4"));
  EXPECT_EQ(report.problems, std::vector<std::string>{});
  EXPECT_EQ(report.entries, 10);
  EXPECT_EQ(report.agree, 6);
  EXPECT_EQ(report.disagree, 4);
  EXPECT_EQ(report.causes, (std::map<std::string, int>{{"w", 4}}));
  EXPECT_FALSE(report.stopped);
}

TEST_F(CheckRunTest, WrongVerdictsAreFound) {
  const struct {
    std::size_t line;
    std::string replacement;
    std::string problem;
  } rows[] = {
      {3, " OK : 00 - /a.log", "\"a.log\": the walker's digit is 0, expected 1"},
      {3, " OK : 11 - /a.log <*.txt> /.*\\/[^\\/]*\\.log.*/", "expected the rule \"*.log\""},
      {3, " OK : 11 - /a.log <*.log> /x/", "expected the regular expression"},
      {6, " OK : 11 - /src/c.c <c> /c/", "the walker's digit is 1, expected 0"},
      {4, " OK : 00 - /i.txt <x> /x/", "a kept entry shows a rule part"},
      {4, "ERR : 01 - /i.txt", "git's digit is 1, expected 0"},
      {1, "ERR : 00 - /src", "the status does not follow the digits"},
      {1, " OK : 00 - /nothing", "names no entry of the case"},
      {1, " OK - 00 : /src", "not an entry line"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.replacement);
    std::vector<std::string> lines = sample_lines();
    lines[row.line] = row.replacement;
    const int errors = row.replacement.substr(0, 3) == "ERR" ? 5 : 4;
    EXPECT_TRUE(
        mentions(check(with_summary(lines, "Errors : " + std::to_string(errors))), row.problem));
  }
}

TEST_F(CheckRunTest, MissingAndRepeatedEntriesAreFound) {
  std::vector<std::string> lines = sample_lines();
  lines[6] = lines[5];
  const run_report report = check(with_summary(lines, "Errors : 4"));
  EXPECT_TRUE(mentions(report, "\"src/b.log\" comes out twice"));
  EXPECT_TRUE(mentions(report, "\"src/c.c\" does not come out"));
}

TEST_F(CheckRunTest, OrderWithinAFolderIsChecked) {
  std::vector<std::string> lines = sample_lines();
  std::swap(lines[0], lines[1]);  // src before build
  EXPECT_TRUE(mentions(check(with_summary(lines, "Errors : 4")), "the listing of \".\" is"));
  lines = sample_lines();
  std::swap(lines[1], lines[2]);  // a file before a folder
  EXPECT_TRUE(mentions(check(with_summary(lines, "Errors : 4")), "the listing of \".\" is"));
}

TEST_F(CheckRunTest, FoldersAreListedDepthFirst) {
  std::vector<std::string> lines = sample_lines();
  // build, then src, then build/out: build's subtree was left unfinished.
  const std::vector<std::string> reordered = {lines[0], lines[1], lines[2], lines[3], lines[4],
                                              lines[7], lines[8], lines[5], lines[6], lines[9]};
  EXPECT_TRUE(mentions(check(with_summary(reordered, "Errors : 4")),
                       "\"build/out\" is listed outside the subtree of its parent"));
  // A folder's entries split in two runs.
  const std::vector<std::string> split = {lines[0], lines[1], lines[2], lines[3], lines[4],
                                          lines[5], lines[7], lines[9], lines[8], lines[6]};
  EXPECT_TRUE(mentions(check(with_summary(split, "Errors : 4")), "do not come out together"));
}

TEST_F(CheckRunTest, SummaryMustCountTheErrLines) {
  EXPECT_TRUE(
      mentions(check(with_summary(sample_lines(), "Errors : 3")), "expected \"Errors : 4\""));
  EXPECT_TRUE(mentions(check(with_summary(sample_lines(), "All OK")), "expected \"Errors : 4\""));
  std::string no_summary;
  for (const std::string& line : sample_lines()) {
    no_summary += line + "\n";
  }
  EXPECT_TRUE(mentions(check(no_summary), "does not end with the summary"));
}

TEST_F(CheckRunTest, ExitCodeIsChecked) {
  EXPECT_TRUE(mentions(check(with_summary(sample_lines(), "Errors : 4"), 4),
                       "the exit code is 4, expected 0"));
}

TEST(CheckRunErrorTest, ErrorLineMustNameTheFileAndLine) {
  const corpus_case bad = parse_case(
      "# Bad\ntags: t\ntree:\n  file a\nrules sub/.gitignore:\n  # one\n  a(b\n"
      "exit: 4 at sub/.gitignore:2\n",
      "bad.case", "bad");
  const std::vector<walk_entry> tree = {{"a", false, false},
                                        {"i.txt", false, false},
                                        {"sub", true, true},
                                        {"sub/.gitignore", false, false}};
  const std::string head = " OK : 00 - /sub\n OK : 00 - /a\n OK : 00 - /i.txt\n";
  const run_report good =
      check_run(bad, tree, "/t/repo/case", 4,
                head + "error: /t/repo/case/sub/.gitignore:2: a(b: mismatched parenthesis\n");
  EXPECT_EQ(good.problems, std::vector<std::string>{});
  EXPECT_TRUE(good.stopped);
  EXPECT_EQ(good.entries, 3);

  const run_report wrong_line =
      check_run(bad, tree, "/t/repo/case", 4, head + "error: /t/repo/case/sub/.gitignore:1: x\n");
  EXPECT_FALSE(wrong_line.problems.empty());
  const run_report summary_instead =
      check_run(bad, tree, "/t/repo/case", 0,
                head + "\n========================\nAll OK\n========================\n");
  EXPECT_FALSE(summary_instead.problems.empty());
}

TEST(ExpectedVerdictsTest, InheritanceAndGitDefaults) {
  const corpus_case sample = parse_case(case_text, "sample.case", "sample");
  std::vector<std::string> problems;
  const auto verdicts = expected_verdicts(sample, sample_tree, problems);
  EXPECT_EQ(problems, std::vector<std::string>{});
  const struct {
    std::string path;
    bool ignored;
    std::string rule;
    bool git_ignored;
    std::string why;
  } rows[] = {
      {"a.log", true, "*.log", true, ""},
      {"src", false, "", false, ""},
      {"src/b.log", true, "*.log", true, ""},
      {"src/c.c", false, "", false, ""},
      {"build", true, "build/", false, "w"},
      {"build/x.o", true, "build/", false, "w"},
      {"build/out/deep.o", true, "build/", false, "w"},
      {"i.txt", false, "", false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    const expected_verdict& verdict = verdicts.at(row.path);
    EXPECT_EQ(verdict.ignored, row.ignored);
    EXPECT_EQ(verdict.rule, row.rule);
    EXPECT_EQ(verdict.git_ignored, row.git_ignored);
    EXPECT_EQ(verdict.why, row.why);
  }
}

TEST(ExpectedVerdictsTest, GitListingAFolderCoversItsEntries) {
  const corpus_case listed = parse_case(
      "# x\ntags: t\nexpect:\n  . kept\n  d kept git ignored why w\n  d/f kept git kept why w\n",
      "x.case", "x");
  std::vector<std::string> problems;
  const auto verdicts = expected_verdicts(
      listed, {{"d", true, true}, {"d/f", false, false}, {"d/g", false, false}}, problems);
  EXPECT_TRUE(verdicts.at("d/g").git_ignored);
  EXPECT_EQ(verdicts.at("d/g").why, "w");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("git ignores it too"), std::string::npos);
}

TEST(ExpectedVerdictsTest, ContradictionsAreReported) {
  const corpus_case contradicting =
      parse_case("# x\ntags: t\nexpect:\n  d ignored <d/>\n  d/f kept\n  e ignored <e> git kept\n",
                 "x.case", "x");
  std::vector<std::string> problems;
  expected_verdicts(contradicting, {{"d", true, true}, {"d/f", false, false}, {"e", false, false}},
                    problems);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("inherits its verdict"), std::string::npos);
  EXPECT_NE(problems[1].find("no cause is named"), std::string::npos);
}

TEST(CheckCaseTest, UnsoundCasesAreReported) {
  catalogue known;
  known.tags = {{"t", "a tag"}};
  known.causes = {{"w", "a cause"}};
  const struct {
    std::string text;
    std::string problem;
  } rows[] = {
      {"# x\ntags: u\n", "the tag \"u\" is not in the catalogue"},
      {"# x\ntags: t\nexpect:\n  nothing kept\n", "the case makes no entry \"nothing\""},
      {"# x\ntags: t\ntree:\n  file a\nexpect:\n  a kept git ignored\n", "names its cause"},
      {"# x\ntags: t\ntree:\n  file a\nexpect:\n  a kept git kept why w\n",
       "a cause is named only where git disagrees"},
      {"# x\ntags: t\ntree:\n  file a\nexpect:\n  a kept git ignored why v\n",
       "the cause \"v\" is not in the catalogue"},
      {"# x\ntags: t\ntree:\n  link l -> x\n  file l/f\n", "lies below the link"},
      {"# x\ntags: t\ntree:\n  file .gitignore\nrules .gitignore:\n  a\n",
       "is both a rule file and in the tree"},
      {"# x\ntags: t\ntree:\n  file i.txt\n", "i.txt is git's listing"},
      {"# x\ntags: t\nrules .gitignore:\n  a\nexit: 4 at .gitignore:3\n", "a line that"},
      {"# x\ntags: t\nexit: 4 at .gitignore:1\n", "not a rule file of the case"},
      {"# x\ntags: t\ntracked:\n  a\n", "is a file or link that the case makes"},
      {"# x\ntags: t\ntree:\n  dir a\ntracked:\n  a\n", "is a file or link that the case"},
      {"# x\ntags: t\ntree:\n  file a\ntracked:\n  a deleted\n", "is not in the work tree"},
      {"# x\ntags: t\ntree:\n  file m/a\ntracked:\n  m gitlink\n", "an empty folder"},
      {"# x\ntags: t\ntracked:\n  i.txt intent-to-add\n", "never tracked"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const std::vector<std::string> problems =
        check_case(parse_case(row.text, "x.case", "x"), known);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(row.problem), std::string::npos) << problems[0];
  }
}

// The git walk of a small tree: build/ ignored with what it holds, a negated
// match that keeps keep.log, a nested repository handed out but not entered.
const std::vector<walk_entry> git_tree = {{".gitignore", false, false}, {"build", true, true},
                                          {"build/x.o", false, false},  {"i.txt", false, false},
                                          {"keep.log", false, false},   {"nested", true, false}};

const std::map<std::string, git_answer> git_answers = {
    {".gitignore", {}},
    {"build", {true, ".gitignore", "1", "build/"}},
    {"build/x.o", {true, ".gitignore", "1", "build/"}},
    {"i.txt", {}},
    {"keep.log", {false, ".gitignore", "3", "!keep.log"}},
    {"nested", {}}};

std::vector<std::string> git_lines() {
  return {" OK : 11 - /build <build/> .gitignore:1",
          " OK : 00 - /nested",
          " OK : 00 - /.gitignore",
          " OK : 00 - /i.txt",
          " OK : 00 - /keep.log",
          " OK : 11 - /build/x.o <build/> .gitignore:1"};
}

TEST(CheckGitRunTest, AgreementPasses) {
  const run_report report =
      check_git_run(git_tree, git_answers, 0, with_summary(git_lines(), "All OK"));
  EXPECT_EQ(report.problems, std::vector<std::string>{});
  EXPECT_EQ(report.entries, 6);
  EXPECT_EQ(report.agree, 6);
}

TEST(CheckGitRunTest, DisagreementsWithGitAreFound) {
  const struct {
    std::size_t line;
    std::string replacement;
    std::string problem;
  } rows[] = {
      {0, "ERR : 01 - /build", "\"build\": the git engine's digit is 0, git's 1 (by \"build/\")"},
      {0, " OK : 11 - /build <build> .gitignore:1", "the rule part is"},
      {0, " OK : 11 - /build <build/> case/.gitignore:1", "git says \" <build/> .gitignore:1\""},
      {0, " OK : 11 - /build <build/> .gitignore:2", "the rule part is"},
      {4, " OK : 00 - /keep.log <!keep.log> .gitignore:3", "the rule part is"},
      {4, "ERR : 10 - /keep.log <x> .gitignore:1", "the git engine's digit is 1, git's 0"},
      {4, " OK : 11 - /keep.log <x> .gitignore:1", "git check-ignore says 0"},
      {1, " OK : 00 - /nested/.git", "names no entry"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.replacement);
    std::vector<std::string> lines = git_lines();
    lines[row.line] = row.replacement;
    const int errors = row.replacement.substr(0, 3) == "ERR" ? 1 : 0;
    const run_report report = check_git_run(
        git_tree, git_answers, 0,
        with_summary(lines, errors == 0 ? "All OK" : "Errors : " + std::to_string(errors)));
    EXPECT_TRUE(std::any_of(report.problems.begin(), report.problems.end(),
                            [&](const std::string& p) { return p.find(row.problem) != p.npos; }))
        << (report.problems.empty() ? std::string("no problem") : report.problems[0]);
  }
}

TEST(CheckGitRunTest, AnErrorExitOrAMissingEntryFails) {
  std::vector<std::string> lines = git_lines();
  EXPECT_FALSE(
      check_git_run(git_tree, git_answers, 4, with_summary(lines, "All OK")).problems.empty());
  lines.pop_back();
  EXPECT_EQ(check_git_run(git_tree, git_answers, 0, with_summary(lines, "All OK")).problems,
            std::vector<std::string>{"\"build/x.o\" does not come out"});
  // A nested repository's entries are not listed.
  lines = git_lines();
  lines.push_back(" OK : 00 - /nested/a");
  std::vector<walk_entry> tree = git_tree;
  tree.push_back({"nested/a", false, false});
  std::map<std::string, git_answer> answers = git_answers;
  answers["nested/a"] = {};
  EXPECT_FALSE(check_git_run(tree, answers, 0, with_summary(lines, "All OK")).problems.empty());
}

class RepositoryTest : public quorvel::testing::temp_folder_test {};

// Rows that git decided: which folders its status takes for repositories
// (shown as "x/" and not entered) and which it lists the entries of.
TEST_F(RepositoryTest, OnlyAWorkingGitFolderMakesARepository) {
  const auto git_folder = [this](const std::string& name, const std::string& head) {
    folder(name + "/.git/objects");
    folder(name + "/.git/refs");
    file(name + "/.git/HEAD", head);
  };
  git_folder("branch", "ref: refs/heads/main\n");
  git_folder("commit", "0123456789012345678901234567890123456789\n");
  git_folder("garbage", "garbage\n");
  git_folder("not-refs", "ref: foo\n");
  folder("empty/.git");
  folder("no-objects/.git/refs");
  file("no-objects/.git/HEAD", "ref: refs/heads/main\n");
  file("pointer/.git", "gitdir: ../branch/.git\n");
  file("nowhere/.git", "gitdir: /nonexistent\n");
  for (const auto& [name, expected] :
       std::vector<std::pair<std::string, bool>>{{"branch", true},
                                                 {"commit", true},
                                                 {"garbage", false},
                                                 {"not-refs", false},
                                                 {"empty", false},
                                                 {"no-objects", false},
                                                 {"pointer", true},
                                                 {"nowhere", false}}) {
    EXPECT_EQ(is_repository(root / name), expected) << name;
  }
  std::vector<std::string> listed;
  for (const walk_entry& entry : list_git_tree(root)) {
    listed.push_back(entry.path + (entry.is_listed ? "/" : ""));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"branch", "commit", "empty/", "garbage/",
                                              "no-objects/", "not-refs/", "nowhere/", "pointer"}));
}

TEST(DeclaredPathsTest, ParentsRuleFilesAndTheListing) {
  const corpus_case sample = parse_case(case_text, "sample.case", "sample");
  EXPECT_EQ(declared_paths(sample),
            (std::set<std::string>{".gitignore", "a.log", "build", "build/out", "build/out/deep.o",
                                   "build/x.o", "i.txt", "src", "src/b.log", "src/c.c"}));
  // A tracked file deleted from the work tree is not there; its folders are.
  const corpus_case deleted =
      parse_case("# x\ntags: t\ntracked:\n  a/b/gone deleted\n  top deleted\n", "x.case", "x");
  EXPECT_EQ(declared_paths(deleted), (std::set<std::string>{"a", "a/b", "i.txt"}));
}

}  // namespace
}  // namespace quorvel::corpus
