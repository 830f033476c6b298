// The program on input that anybody can write: listings, rule files, names
// and arguments that are broken, huge or strange. Each run must end with the
// exit code and output the program documents, hand out every listable entry
// exactly once, and stay in bounds (the sanitizer build runs these too).
// POSIX only: the names are bytes, and the cases make links and pipes.

#ifndef _WIN32

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using testing::run_folder;

const std::string all_ok = "\n========================\nAll OK\n========================\n";

// Deterministic noise: every byte value, NULs and stray UTF-8 bytes included.
std::string garbage(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 23);
  }
  return bytes;
}

// Writes `count` copies of `line` to `path` without building the whole file
// in memory first.
void write_repeated(const std::filesystem::path& path, const std::string& line, std::size_t count,
                    const std::string& tail = {}) {
  std::string block;
  for (std::size_t i = 0; i < 1024 && i < count; ++i) {
    block += line;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::size_t left = count;
  while (left >= 1024) {
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    left -= 1024;
  }
  for (; left > 0; --left) {
    out << line;
  }
  out << tail;
  ASSERT_TRUE(out.good()) << path;
}

class HostileTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    test = folder("t");
  }

  testing::program_result run() { return run_folder({test.string()}); }

  // The report's lines (the summary cut off), in order.
  static std::vector<std::string> lines_of(const std::string& output) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (auto end = output.find('\n'); end != std::string::npos; end = output.find('\n', start)) {
      if (end == start) {
        break;  // the blank line before the summary
      }
      lines.push_back(output.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  std::filesystem::path test;
};

// A listing that cannot be parsed is no listing: no entry is expected to be
// ignored, and the walk is reported in full.
TEST_F(HostileTest, ListingsWithoutAUsableSectionExpectNothingIgnored) {
  file("t/a.log");
  const struct {
    const char* name;
    std::string listing;
  } rows[] = {
      {"empty", ""},
      {"binary garbage", garbage(256 * 1024)},
      {"no section", "On branch main\nUntracked files:\n\ta.log\n"},
      {"header with CR LF", "Ignored files:\r\n  (hint)\r\n\ta.log\r\n"},
      {"header as the last line", "Ignored files:"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::write_file(test / "i.txt", row.listing);
    const auto result = run();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, " OK : 00 - /a.log\n OK : 00 - /i.txt\n" + all_ok);
  }
}

// 100 MB of listing lines before the section: read in one go, and the
// entries at the end still count.
TEST_F(HostileTest, AHugeListingIsReadToItsEnd) {
  file("t/.gitignore", "*.log\n");
  file("t/a.log");
  write_repeated(test / "i.txt", std::string(1023, 'x') + "\n", 100 * 1024,
                 "\nIgnored files:\n  (hint)\n\ta.log\n");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /.gitignore\n OK : 11 - /a.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /i.txt\n" +
                all_ok);
}

TEST_F(HostileTest, RuleFilesThatHoldNoRulesIgnoreNothing) {
  file("t/i.txt");
  file("t/a.log");
  const struct {
    const char* name;
    void (*make)(const std::filesystem::path& rule_file);
    const char* report;
  } rows[] = {
      {"a folder of that name",
       [](const std::filesystem::path& at) { testing::write_file(at / "inside.log"); },
       " OK : 00 - /.gitignore\n OK : 00 - /a.log\n OK : 00 - /i.txt\n"
       " OK : 00 - /.gitignore/inside.log\n"},
      // Running as root, no permission bit keeps a file from being read; a
      // named pipe cannot be sized, so it is not opened (and cannot block).
      {"a named pipe",
       [](const std::filesystem::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
       " OK : 00 - /.gitignore\n OK : 00 - /a.log\n OK : 00 - /i.txt\n"},
      {"a dangling link",
       [](const std::filesystem::path& at) { std::filesystem::create_symlink("nowhere", at); },
       " OK : 00 - /.gitignore\n OK : 00 - /a.log\n OK : 00 - /i.txt\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.make(test / ".gitignore");
    const auto result = run();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, row.report + all_ok);
    std::filesystem::remove_all(test / ".gitignore");
  }
}

// Regression: folding the CR LF line ends of a rule file moved the rest of
// the text once per line, so a 50 MB file took hours.
TEST_F(HostileTest, AFiftyMegabyteRuleFileIsReadWhole) {
  file("t/i.txt", "Ignored files:\n  (hint)\n\ta.log\n");
  file("t/a.log");
  file("t/b.txt");
  write_repeated(test / ".gitignore", "# " + std::string(1021, '-') + "\r\n", 50 * 1024,
                 "*.log\r\n");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /.gitignore\n OK : 11 - /a.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /b.txt\n OK : 00 - /i.txt\n" +
                all_ok);
}

TEST_F(HostileTest, NulBytesArePartOfTheirPatterns) {
  file("t/i.txt");
  file("t/a");
  write_repeated(test / ".gitignore", std::string(99, '\0') + "\n", 1000);
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, " OK : 00 - /.gitignore\n OK : 00 - /a\n OK : 00 - /i.txt\n" + all_ok);
}

// Compiling a line of 1 MB overflowed the stack inside the regular-expression
// library; the line is now refused before it is compiled, and the message
// shows where without printing the whole line.
TEST_F(HostileTest, ARuleLineOfAMegabyteEndsTheRunWithCodeFour) {
  file("t/i.txt");
  const std::filesystem::path rules =
      file("t/.gitignore", "# fine\n" + std::string(1 << 20, 'a') + "\n");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_EQ(result.output, "error: " + rules.string() +
                               ":2: rule line of 1048576 characters is longer than the 4096 that "
                               "are compiled: " +
                               std::string(200, 'a') + "...\n");
}

// The backtracking matcher took minutes for "*a*a*a*a*b" against a long name
// of letters a; the same verdicts now come at once.
TEST_F(HostileTest, StarsAgainstALongNameDoNotStallTheWalk) {
  file("t/i.txt");
  file("t/" + std::string(250, 'a'));
  file("t/.gitignore", "*a*a*a*a*a*a*b\n");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, " OK : 00 - /.gitignore\n OK : 00 - /" + std::string(250, 'a') +
                               "\n OK : 00 - /i.txt\n" + all_ok);
}

TEST_F(HostileTest, StrangeNamesAreReportedOnceAsTheyAre) {
  file("t/i.txt", "Ignored files:\n  (hint)\n\tbad\xff.log\n");
  file("t/.gitignore", "*.log\n");
  file("t/line\nbreak");
  file("t/bad\xff.log");
  file("t/" + std::string(255, 'n'));
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /.gitignore\n"
            " OK : 11 - /bad\xff.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /i.txt\n"
            " OK : 00 - /line\nbreak\n"
            " OK : 00 - /" +
                std::string(255, 'n') + "\n" + all_ok);
}

TEST_F(HostileTest, APathFourThousandBytesDeepIsWalkedToTheBottom) {
  std::string relative;
  std::vector<std::string> expected;
  while (root.string().size() + 3 + relative.size() + 201 < 4000) {
    relative += "/" + std::string(200, 'd');
    expected.push_back(" OK : 00 - " + relative);
  }
  const std::string deepest = relative + "/x.log";
  ASSERT_GE((test.string() + deepest).size(), 3800u);
  file("t" + deepest);
  file("t/.gitignore", "*.log\n");
  file("t/i.txt", "Ignored files:\n  (hint)\n\t" + deepest.substr(1) + "\n");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> lines = lines_of(result.output);
  ASSERT_EQ(lines.size(), expected.size() + 3);
  // The root's files come right after its folder; every folder holds one
  // folder and nothing else, down to the file at the bottom.
  EXPECT_EQ(lines[0], expected[0]);
  EXPECT_EQ(lines[1], " OK : 00 - /.gitignore");
  EXPECT_EQ(lines[2], " OK : 00 - /i.txt");
  for (std::size_t i = 1; i < expected.size(); ++i) {
    EXPECT_EQ(lines[i + 2], expected[i]);
  }
  EXPECT_EQ(lines.back(), " OK : 11 - " + deepest + " <*.log> /.*\\/[^\\/]*\\.log.*/");
  EXPECT_TRUE(result.output.ends_with(all_ok));
}

TEST_F(HostileTest, LinkLoopsAreHandedOutButNotEntered) {
  file("t/i.txt");
  file("t/sub/f");
  std::filesystem::create_directory_symlink("..", test / "sub/up");
  std::filesystem::create_symlink("loop-b", test / "loop-a");
  std::filesystem::create_symlink("loop-a", test / "loop-b");
  const auto result = run();
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /sub\n OK : 00 - /i.txt\n OK : 00 - /loop-a\n OK : 00 - /loop-b\n"
            " OK : 00 - /sub/up\n OK : 00 - /sub/f\n" +
                all_ok);
}

TEST_F(HostileTest, TestFolderArgumentsThatAreNoFolder) {
  file("plain");
  std::filesystem::create_symlink("nowhere", root / "dangling");
  const struct {
    const char* name;
    std::string argument;
    int exit_code;
    std::string output;
  } rows[] = {
      {"a plain file", (root / "plain").string(), 3,
       "file log for git not found!\n run \"" + (root / "plain").string() + "\"/i.bat"},
      {"a dangling link", (root / "dangling").string(), 2,
       "folder tests " + (root / "dangling").string() + " not exists!\n"},
      {"missing, not UTF-8", (root / "no\xff").string(), 2,
       "folder tests " + (root / "no\xff").string() + " not exists!\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = run_folder({row.argument});
    EXPECT_EQ(result.exit_code, row.exit_code);
    EXPECT_EQ(result.output, row.output);
  }
}

TEST_F(HostileTest, ATestFolderNamedInBytesThatAreNotUtf8IsWalked) {
  const std::filesystem::path odd = folder("odd\xfe\xff");
  testing::write_file(odd / "i.txt", "Ignored files:\n  (hint)\n\ta.log\n");
  testing::write_file(odd / ".gitignore", "*.log\n");
  testing::write_file(odd / "a.log");
  const auto result = run_folder({odd.string()});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output,
            " OK : 00 - /.gitignore\n OK : 11 - /a.log <*.log> /.*\\/[^\\/]*\\.log.*/\n"
            " OK : 00 - /i.txt\n" +
                all_ok);
}

}  // namespace
}  // namespace quorvel::runner

#endif  // _WIN32
