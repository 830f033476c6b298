// Tracked files are never ignored: the walk and the query over a repository
// with commits, against rows that git decided (`git status
// --ignored=matching --untracked-files=all` and `git check-ignore -v -n`,
// with and without --no-index). Where git runs natively the rows are put to
// git again, so that a stale row fails here.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/read_all.h"
#include "quorvel/git/check.h"
#include "quorvel/git/walker.h"
#include "quorvel/platform/native_path.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;
using testing::shell;

// What git says of one path: ignored or not, whether it is tracked, and
// the line that `check-ignore -v -n` names without --no-index ("" for none).
struct tracked_row {
  std::string path;
  bool ignored;
  bool tracked;
  std::string line;  // "<file>:<number>:<pattern>"
};

const std::vector<tracked_row>& rows() {
  static const std::vector<tracked_row> table = {
      // A folder that a line ignores but that holds tracked files is kept;
      // its untracked entries, in subfolders too, stay ignored by its line.
      {"build", false, true, ""},
      {"build/tracked.c", false, true, ""},
      {"build/x.o", true, false, ".gitignore:1:build/"},
      {"build/sub", true, false, ".gitignore:1:build/"},
      {"build/sub/y.c", true, false, ".gitignore:1:build/"},
      // A negation below such a folder keeps nothing: the folder's line
      // decides for all below it.
      {"build/keep.o", true, false, ".gitignore:1:build/"},
      // A tracked file that a line ignores is kept; an untracked one is not.
      {"t.o", false, true, ""},
      {"other", false, false, ""},
      {"other/z.o", true, false, ".gitignore:2:*.o"},
      {"keep.o", false, false, ".gitignore:3:!keep.o"},
      // A tracked file deep below an ignored folder keeps each folder above
      // it, and each of those decides for its own untracked entries.
      {"logs", false, true, ""},
      {"logs/old", false, true, ""},
      {"logs/old/a.log", false, true, ""},
      {"logs/old/b.log", true, false, ".gitignore:4:*.log"},
      {"logs/new.log", true, false, ".gitignore:4:*.log"},
      {".gitignore", false, true, ""},
  };
  return table;
}

class TrackedTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    file(".gitignore", "build/\n*.o\n!keep.o\n*.log\n");
    for (const char* name :
         {"build/tracked.c", "build/x.o", "build/sub/y.c", "build/keep.o", "t.o", "other/z.o",
          "keep.o", "logs/old/a.log", "logs/old/b.log", "logs/new.log"}) {
      file(name);
    }
    ASSERT_EQ(shell("git init -q && git add .gitignore && "
                    "git add -f build/tracked.c t.o logs/old/a.log && "
                    "git -c user.name=t -c user.email=t@t commit -qm tracked",
                    root),
              0);
  }
};

TEST_F(TrackedTest, TheWalkKeepsWhatGitTracks) {
  std::map<std::string, filesystem::finder_item> walked;
  for (const auto& entry : walker(root)) {
    walked[platform::generic_utf8(fs::relative(entry.entry.path(), root))] = entry;
  }
  for (const tracked_row& row : rows()) {
    SCOPED_TRACE(row.path);
    ASSERT_EQ(walked.count(row.path), 1U);
    const filesystem::finder_item& entry = walked[row.path];
    EXPECT_EQ(entry.ignored, row.ignored);
    EXPECT_EQ(entry.tracked, row.tracked);
  }
  // Without the index, as git check-ignore --no-index: every line counts.
  ignore_options no_index;
  no_index.use_index = false;
  for (const auto& entry : walker(root, no_index)) {
    EXPECT_FALSE(entry.tracked);
    if (entry.entry.path() == root / "t.o" || entry.entry.path() == root / "build") {
      EXPECT_TRUE(entry.ignored);
    }
  }
}

TEST_F(TrackedTest, TheQueryAnswersAsCheckIgnoreDoes) {
  checker query(root);
  for (const tracked_row& row : rows()) {
    SCOPED_TRACE(row.path);
    const bool is_folder = fs::is_directory(root / row.path);
    const check_result result = query.check(row.path, is_folder);
    EXPECT_EQ(result.ignored, row.ignored);
    EXPECT_EQ(result.tracked, row.tracked && !row.ignored);
    const std::string line = result.rule_line == 0
                                 ? std::string()
                                 : platform::generic_utf8(fs::relative(result.rule_file, root)) +
                                       ":" + std::to_string(result.rule_line) + ":" + result.rule;
    EXPECT_EQ(line, row.line);
  }
  ignore_options no_index;
  no_index.use_index = false;
  EXPECT_EQ(checker(root, no_index).check("t.o", false).rule, "*.o");
}

#ifndef _WIN32
std::string read_file(const fs::path& file) {
  std::string bytes;
  filesystem::read_all(file, bytes);
  return bytes;
}

// The table is git's: each row's line as check-ignore names it, and each
// ignored path in git status's listing (itself or a folder above it).
TEST_F(TrackedTest, GitSaysWhatTheTableSays) {
  std::string paths;
  for (const tracked_row& row : rows()) {
    paths += row.path + "\n";
  }
  testing::write_file(root / ".git/paths", paths);
  ASSERT_EQ(shell("git check-ignore -v -n --stdin < .git/paths > .git/answer; "
                  "git status --porcelain --ignored=matching --untracked-files=all > .git/status",
                  root),
            0);
  std::string expected;
  for (const tracked_row& row : rows()) {
    expected += (row.line.empty() ? "::" : row.line) + "\t" + row.path + "\n";
  }
  EXPECT_EQ(read_file(root / ".git/answer"), expected);
  const std::string status = read_file(root / ".git/status");
  for (const tracked_row& row : rows()) {
    bool listed = false;
    for (std::string at = row.path;; at = fs::path(at).parent_path().generic_string()) {
      listed = listed || status.find("!! " + at + "\n") != std::string::npos ||
               status.find("!! " + at + "/\n") != std::string::npos;
      if (at.find('/') == std::string::npos) {
        break;
      }
    }
    EXPECT_EQ(listed, row.ignored) << row.path;
  }
}
#endif

}  // namespace
}  // namespace quorvel::git
