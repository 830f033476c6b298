#include "quorvel/runner/run.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/platform/native_path.h"
#include "tests/support/environment.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using testing::run_folder;

class RunTest : public testing::temp_folder_test {
 protected:
  std::string folder_text() const { return root.string(); }

  // The folder as the hint after " run " shows it: its normal form (with the
  // preferred separators) quoted, a backslash before each quote and backslash.
  static std::string quoted_folder(const std::string& folder) {
    std::string normal = folder;
    if constexpr (platform::backslash_is_separator) {
      std::replace(normal.begin(), normal.end(), '/', '\\');
    }
    std::string quoted = "\"";
    for (const char c : normal) {
      if (c == '"' || c == '\\') {
        quoted += '\\';
      }
      quoted += c;
    }
    return quoted + "\"";
  }
};

TEST_F(RunTest, EndsEarlyWithAMessageAndACodeForMissingInput) {
  file("plain-file");
  folder("no-listing");
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    int exit_code;
    std::string output;
  } rows[] = {
      {"no argument", {}, 1, "folder.exe <pathTests>\n"},
      {"missing folder",
       {folder_text() + "/nope"},
       2,
       "folder tests " + folder_text() + "/nope not exists!\n"},
      {"the argument is echoed unchanged",
       {folder_text() + "/./nope\xff/"},
       2,
       "folder tests " + folder_text() + "/./nope\xff/ not exists!\n"},
      {"a plain file passes the existence test",
       {folder_text() + "/plain-file"},
       3,
       "file log for git not found!\n run " + quoted_folder(folder_text() + "/plain-file") +
           "/i.bat"},
      {"no listing",
       {folder_text() + "/no-listing"},
       3,
       "file log for git not found!\n run " + quoted_folder(folder_text() + "/no-listing") +
           "/i.bat"},
      {"the hint shows the normal form",
       {folder_text() + "/./no-listing//"},
       3,
       "file log for git not found!\n run " + quoted_folder(folder_text() + "/no-listing/") +
           "/i.bat"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = run_folder(row.arguments);
    EXPECT_EQ(result.exit_code, row.exit_code);
    EXPECT_EQ(result.output, row.output);
  }
}

TEST_F(RunTest, TheHintQuotesDoubleQuotesAndBackslashes) {
#ifdef _WIN32
  GTEST_SKIP() << "names hold neither; the separators are quoted in the other hints";
#endif
  folder("a\"b\\c");
  const auto result = run_folder({folder_text() + "/a\"b\\c"});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.output,
            "file log for git not found!\n run \"" + folder_text() + "/a\\\"b\\\\c\"/i.bat");
}

// The folder is named in a script that no narrow code page holds, and so is
// an entry: the argument is read as wide text and every name written as UTF-8.
TEST_F(RunTest, AFolderNamedInAnyScriptIsWalkedAndReported) {
  const std::filesystem::path test_folder = root / platform::to_path(L"\u4e2d\u6587");
  testing::write_file(test_folder / "i.txt");
  testing::write_file(test_folder / platform::to_path(L"\U0001F600.txt"));
  const auto result = run_folder({test_folder.string()});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /i.txt\n OK : 00 - /\xF0\x9F\x98\x80.txt\n\n"
            "========================\nAll OK\n========================\n");
}

TEST_F(RunTest, AnEmptyFolderEndsWithAllOk) {
  file("t/i.txt");
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {folder_text() + "/t"}, {folder_text() + "/t", "ignored", "too"}}) {
    const auto result = run_folder(arguments);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output,
              " OK : 00 - /i.txt\n\n========================\nAll OK\n========================\n");
  }
}

TEST_F(RunTest, ATrailingSeparatorIsKeptInTheCutPrefix) {
  file("t/i.txt");
  const auto result = run_folder({folder_text() + "/t/"});
  EXPECT_EQ(result.output,
            " OK : 00 - i.txt\n\n========================\nAll OK\n========================\n");
}

TEST_F(RunTest, TheCurrentFolderKeepsItsNamesWhole) {
  file("t/i.txt");
  file("t/abc");
  for (const char* spelling : {".", "./", "sub/.."}) {
    SCOPED_TRACE(spelling);
    folder("t/sub");
    const auto result = run_folder({spelling}, root / "t");
    EXPECT_EQ(result.output,
              " OK : 00 - /sub\n OK : 00 - /abc\n OK : 00 - /i.txt\n\n"
              "========================\nAll OK\n========================\n");
  }
}

TEST_F(RunTest, ErrorsAreCountedButTheRunStillCompletes) {
  file("t/i.txt", "Ignored files:\n  (hint)\n\ta\n\tb/\n");
  file("t/a");
  file("t/b/c");
  const auto result = run_folder({folder_text() + "/t"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            "ERR : 01 - /b\nERR : 01 - /a\n OK : 00 - /i.txt\nERR : 01 - /b/c\n\n"
            "========================\nErrors : 3\n========================\n");
}

TEST_F(RunTest, ABadRuleFileEndsTheRunWithCodeFourAndNoSummary) {
  const struct {
    const char* name;
    const char* rules;
    std::string line;
  } rows[] = {
      {"a lone exclamation mark", "# nothing but a negation\n\n!\n", "3"},
      {"an unclosed group", "ok\r\na(b\r\n", "2"},
      {"an unclosed class", "[abc", "1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    file("t/i.txt");
    file("t/a");
    file("t/sub/.gitignore", row.rules);
    // The folder's record path joined with the rule-file name.
    const std::string rule_file = (root / "t/sub").generic_string() +
                                  char(std::filesystem::path::preferred_separator) + ".gitignore";
    const auto result = run_folder({folder_text() + "/t"});
    EXPECT_EQ(result.exit_code, 4);
    // The root's entries were written before the walk reached the bad file.
    const std::string written = " OK : 00 - /sub\n OK : 00 - /a\n OK : 00 - /i.txt\n";
    EXPECT_EQ(result.output.substr(0, written.size()), written);
    const std::string error = result.output.substr(written.size());
    EXPECT_EQ(error.rfind("error: " + rule_file + ":" + row.line + ": ", 0), 0u) << error;
    EXPECT_EQ(error.find("========"), std::string::npos);
    EXPECT_EQ(error.back(), '\n');
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1);
  }
}

TEST_F(RunTest, OnATerminalTheReportIsColoured) {
#ifdef _WIN32
  GTEST_SKIP() << "the console's colours are attributes, not text (see ChangeColourTest)";
#endif
  file("t/i.txt", "Ignored files:\n  (hint)\n\tx\n");
  file("t/x");
  const testing::scoped_variable no_color("NO_COLOR", nullptr);
  const auto result = testing::run_folder_on_terminal({folder_text() + "/t"});
  EXPECT_EQ(result.exit_code, 0);
  // The terminal turns each "\n" into "\r\n".
  EXPECT_EQ(result.output,
            "\x1b[32m OK\x1b[39m : \x1b[34m0\x1b[39m0 - /i.txt\r\n"
            "\x1b[31mERR\x1b[39m : \x1b[34m0\x1b[39m1 - /x\r\n"
            "\x1b[31m\r\n========================\r\nErrors : 1\r\n"
            "========================\x1b[39m\r\n");
}

TEST_F(RunTest, RunsInProcessWithoutColourOnAStringStream) {
  file("t/i.txt");
  std::ostringstream out;
  EXPECT_EQ(run({L"folder", (root / "t").wstring()}, out), exit_completed);
  EXPECT_EQ(out.str(),
            " OK : 00 - /i.txt\n\n========================\nAll OK\n========================\n");
}

}  // namespace
}  // namespace quorvel::runner
