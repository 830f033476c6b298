// The options, through the program itself.

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/runner/options.h"
#include "tests/support/environment.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using testing::run_folder;

// The lines of `report` that start with "ERR", then its summary (from the
// empty line on).
std::string errors_and_summary(const std::string& report) {
  std::istringstream lines(report);
  std::string kept;
  std::string line;
  while (std::getline(lines, line) && !line.empty()) {
    if (line.starts_with("ERR")) {
      kept += line + "\n";
    }
  }
  return kept + report.substr(report.find("\n\n=") + 1);
}

class CommandLineTest : public testing::temp_folder_test {
 protected:
  std::string test_folder() const { return (root / "t").string(); }
};

TEST_F(CommandLineTest, HelpVersionAndBadOptionsEndTheRunBeforeTheFolderIsRead) {
  const std::string usage = usage_text;
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string output;
  } rows[] = {
      {{"--help"}, 0, usage},
      {{"--git", "-h", "no-such-folder"}, 0, usage},
      {{"--version"}, 0, "folder (quorvel) " QUORVEL_PROJECT_VERSION "\n"},
      {{"--bogus", "--help"}, 1, "folder: unknown option '--bogus'\n" + usage},
      {{"-x"}, 1, "folder: unknown option '-x'\n" + usage},
      {{"--color=sometimes", "t"}, 1, "folder: invalid value 'sometimes' for '--color'\n" + usage},
      {{"--git"}, 1, "folder.exe <pathTests>\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.front());
    const auto result = run_folder(row.arguments);
    EXPECT_EQ(result.exit_code, row.exit_code);
    EXPECT_EQ(result.output, row.output);
  }
  EXPECT_NE(usage.find("usage: folder [options] <pathTests>\n"), std::string::npos);
}

TEST_F(CommandLineTest, AFolderThatLooksLikeAnOptionFollowsDoubleDash) {
  file("-t/i.txt");
  const auto result = run_folder({"--", "-t"}, root);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /i.txt\n\n========================\nAll OK\n========================\n");
}

TEST_F(CommandLineTest, ErrorsOnlyKeepsTheErrLinesTheSummaryAndTheExitCode) {
  file("t/i.txt", "Ignored files:\n  (hint)\n\ta\n\tb/\n");
  file("t/.gitignore", "a\n");
  file("t/a");
  file("t/b/c");
  file("t/d");
  file("ok/i.txt");
  for (const std::vector<std::string>& engine : {std::vector<std::string>{}, {"--git"}}) {
    for (const std::string& folder : {test_folder(), (root / "ok").string()}) {
      SCOPED_TRACE(folder + (engine.empty() ? "" : " --git"));
      std::vector<std::string> arguments = engine;
      arguments.push_back(folder);
      const auto full = run_folder(arguments);
      arguments.insert(arguments.begin(), "--errors-only");
      const auto errors = run_folder(arguments);
      EXPECT_EQ(errors.exit_code, full.exit_code);
      EXPECT_EQ(errors.output, errors_and_summary(full.output));
    }
  }
  // The filter itself: the two entries below b are the errors.
  const auto errors = run_folder({"--errors-only", test_folder()});
  EXPECT_EQ(errors.output,
            "ERR : 01 - /b\nERR : 01 - /b/c\n\n"
            "========================\nErrors : 2\n========================\n");
}

TEST_F(CommandLineTest, ColourFollowsTheOptionAndNoColor) {
#ifdef _WIN32
  GTEST_SKIP() << "the console's colours are attributes, not text (see ChangeColourTest)";
#endif
  file("t/i.txt", "Ignored files:\n  (hint)\n\tx\n");
  file("t/x");
  const std::string coloured =
      "\x1b[32m OK\x1b[39m : \x1b[34m0\x1b[39m0 - /i.txt\n"
      "\x1b[31mERR\x1b[39m : \x1b[34m0\x1b[39m1 - /x\n"
      "\x1b[31m\n========================\nErrors : 1\n========================\x1b[39m\n";
  const std::string plain =
      " OK : 00 - /i.txt\nERR : 01 - /x\n\n========================\nErrors : 1\n"
      "========================\n";
  const struct {
    const char* name;
    const char* colour;    // the option, or nullptr for none
    const char* no_color;  // the variable's value, or nullptr for unset
    bool terminal;
    bool coloured;
  } rows[] = {
      {"always colours a pipe", "--color=always", nullptr, false, true},
      {"a bare --color is always", "--color", nullptr, false, true},
      {"auto leaves a pipe plain", "--color=auto", nullptr, false, false},
      {"never leaves a terminal plain", "--color=never", nullptr, true, false},
      {"NO_COLOR turns auto off", nullptr, "1", true, false},
      {"an empty NO_COLOR does not", nullptr, "", true, true},
      {"NO_COLOR does not turn always off", "--color=always", "1", true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const testing::scoped_variable variable("NO_COLOR", row.no_color);
    std::vector<std::string> arguments;
    if (row.colour != nullptr) {
      arguments.push_back(row.colour);
    }
    arguments.push_back(test_folder());
    const auto result =
        row.terminal ? testing::run_folder_on_terminal(arguments) : run_folder(arguments);
    EXPECT_EQ(result.exit_code, 0);
    std::string expected = row.coloured ? coloured : plain;
    if (row.terminal) {
      // The terminal turns each "\n" into "\r\n".
      for (std::size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) {
        expected.insert(at, "\r");
      }
    }
    EXPECT_EQ(result.output, expected);
  }
}

}  // namespace
}  // namespace quorvel::runner
