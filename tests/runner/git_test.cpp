// End-to-end: real git writes the listing, the program judges the walk.

#include <string>

#include <gtest/gtest.h>

#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using testing::run_folder;
using testing::shell;

class GitTest : public testing::temp_folder_test {
 protected:
  // Makes `root/repo` a fresh repository and returns its test folder
  // `root/repo/case`.
  std::filesystem::path make_repository() {
    const auto repository = folder("repo");
    EXPECT_EQ(shell("git init -q && git config user.email t@example.com && "
                    "git config user.name t",
                    repository),
              0);
    return folder("repo/case");
  }

  // Writes the listing the way the README tells users to.
  static void write_listing(const std::filesystem::path& test_folder) {
    ASSERT_EQ(shell("LC_ALL=C git -c core.quotePath=false status --ignored=matching "
                    "--untracked-files=all > i.txt",
                    test_folder),
              0);
  }
};

TEST_F(GitTest, AgreesWithGitOnASmallTree) {
  const auto test_folder = make_repository();
  file("repo/case/.gitignore", "# build output\n*.log\nbuild/\n\n!keep.log\n");
  for (const char* name :
       {"a.log", "keep.log", "notes.txt", "src/main.c", "src/debug.log", "src/build/out.o"}) {
    file("repo/case/" + std::string(name), "x");
  }
  write_listing(test_folder);
  const auto result = run_folder({test_folder.string()});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /src\n"
            " OK : 00 - /.gitignore\n"
            " OK : 11 - /a.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /i.txt\n"
            " OK : 00 - /keep.log\n"
            " OK : 00 - /notes.txt\n"
            " OK : 11 - /src/build <build/> /.*\\/build.*/\n"
            " OK : 11 - /src/debug.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /src/main.c\n"
            " OK : 11 - /src/build/out.o <build/> /.*\\/build.*/\n"
            "\n========================\nAll OK\n========================\n");
}

TEST_F(GitTest, ARuleFileAboveTheTestFolderCounts) {
  const auto test_folder = make_repository();
  file("repo/.gitignore", "*.tmp\n");
  file("repo/case/x.tmp");
  file("repo/case/y.txt");
  write_listing(test_folder);
  const auto result = run_folder({test_folder.string()});
  EXPECT_EQ(result.output,
            " OK : 00 - /i.txt\n"
            " OK : 11 - /x.tmp <*.tmp> /.*\\/[^\\/]*\\.tmp.*/\n"
            " OK : 00 - /y.txt\n"
            "\n========================\nAll OK\n========================\n");
}

TEST_F(GitTest, ADeeperRuleFileDecidesAloneWhereGitDisagrees) {
  const auto test_folder = make_repository();
  file("repo/case/.gitignore", "*.log\n");
  file("repo/case/sub/.gitignore", "*.tmp\n");
  file("repo/case/a.log");
  file("repo/case/sub/a.log");
  write_listing(test_folder);
  const auto result = run_folder({test_folder.string()});
  // git applies both files to sub/a.log; the library lets the deepest decide.
  EXPECT_EQ(result.output,
            " OK : 00 - /sub\n"
            " OK : 00 - /.gitignore\n"
            " OK : 11 - /a.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /i.txt\n"
            " OK : 00 - /sub/.gitignore\n"
            "ERR : 01 - /sub/a.log\n"
            "\n========================\nErrors : 1\n========================\n");
}

// In a clone, tracked files that a rule matches are kept, as git keeps them:
// the git engine reads the index, the design's does not.
TEST_F(GitTest, TheGitEngineKeepsTrackedFiles) {
  const auto test_folder = make_repository();
  file("repo/case/.gitignore", "*.o\nbuild/\n");
  for (const char* name : {"a.o", "b.o", "build/kept.c", "build/x.o"}) {
    file("repo/case/" + std::string(name));
  }
  ASSERT_EQ(
      shell("git add .gitignore && git add -f a.o build/kept.c && git commit -qm t", test_folder),
      0);
  write_listing(test_folder);
  const auto result = run_folder({"--git", test_folder.string()});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /build\n"
            " OK : 00 - /.gitignore\n"
            " OK : 00 - /a.o\n"
            " OK : 11 - /b.o <*.o> case/.gitignore:1\n"
            " OK : 00 - /i.txt\n"
            " OK : 00 - /build/kept.c\n"
            " OK : 11 - /build/x.o <build/> case/.gitignore:2\n"
            "\n========================\nAll OK\n========================\n");
  // A corrupt index stops the run before any entry is written.
  std::filesystem::resize_file(root / "repo/.git/index", 30);
  const auto corrupt = run_folder({"--git", test_folder.string()});
  EXPECT_EQ(corrupt.exit_code, 4);
  EXPECT_EQ(corrupt.output.rfind("error: ", 0), 0U) << corrupt.output;
  EXPECT_NE(corrupt.output.find("index"), std::string::npos) << corrupt.output;
  EXPECT_EQ(corrupt.output.find(" OK"), std::string::npos) << corrupt.output;
}

}  // namespace
}  // namespace quorvel::runner
