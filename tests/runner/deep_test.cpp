// End-to-end: a tree whose folder paths pass the system's path limit is
// walked to the bottom by both engines, every entry with its full path.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <algorithm>
#include <cstring>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using testing::run_folder;

// 40 folders of 120-byte names: 4,840 bytes below the test folder, past
// PATH_MAX (4,096). On Windows 20, 2,420 characters, far past 260: Wine
// keeps its files on the host, whose limit it cannot pass.
#ifdef _WIN32
constexpr int depth = 20;
#else
constexpr int depth = 40;
#endif
const std::string level_name(120, 'd');

class DeepTreeTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    test_folder = folder("case");
    for (int i = 0; i < depth; ++i) {
      below += level_name + "/";
    }
    make_tree();
    // As git would write it, could it list folders that deep (it stops with
    // "could not open directory ... Filename too long").
    file("case/i.txt",
         "On branch master\n\nIgnored files:\n"
         "  (use \"git add -f <file>...\" to include in what will be committed)\n"
         "\t" +
             below + "b.o\n\n");
  }

  // The folders one level at a time, each made and entered relative to the
  // one above, as nothing takes the whole path; at the bottom a rule file
  // that ignores b.o, a kept file, and a link to the folder above, which is
  // handed out but not entered.
  void make_tree() {
#ifdef _WIN32
    // One level at a time in the "\\?\" form, which takes any length.
    std::wstring at = L"\\\\?\\" + std::filesystem::absolute(test_folder).native();
    std::replace(at.begin(), at.end(), L'/', L'\\');
    for (int i = 0; i < depth; ++i) {
      at += L"\\" + std::wstring(level_name.begin(), level_name.end());
      ASSERT_NE(::CreateDirectoryW(at.c_str(), nullptr), 0);
    }
    for (const auto& [name, bytes] : bottom_files) {
      const std::wstring path = at + L"\\" + std::wstring(name, name + std::strlen(name));
      const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      DWORD written = 0;
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      ::CloseHandle(file);
      ASSERT_EQ(written, bytes.size());
    }
#else
    int at = ::open(test_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(at, 0);
    for (int i = 0; i < depth; ++i) {
      ASSERT_EQ(::mkdirat(at, level_name.c_str(), 0755), 0);
      const int next = ::openat(at, level_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ::close(at);
      ASSERT_GE(at = next, 0);
    }
    for (const auto& [name, bytes] : bottom_files) {
      const int file = ::openat(at, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      ASSERT_GE(file, 0);
      ASSERT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
      ::close(file);
    }
    ASSERT_EQ(::symlinkat("..", at, "up"), 0);
    ::close(at);
#endif
  }

  // The lines for the entries of the bottom folder, as `rule` (the rule part
  // of an ignored line) says.
  std::string bottom_lines(std::string_view rule) const {
    const std::string path = " - /" + below;
    std::string lines;
#ifndef _WIN32
    // A link to a folder counts among the folders, which come first.
    lines += " OK : 00" + path + "up\n";
#endif
    return lines + " OK : 00" + path + ".gitignore\n" + " OK : 00" + path + "a.txt\n" + " OK : 11" +
           path + "b.o <*.o> " + std::string(rule) + "\n";
  }

  static constexpr std::pair<const char*, std::string_view> bottom_files[] = {
      {".gitignore", "*.o\n"}, {"a.txt", "kept"}, {"b.o", "ignored"}};

  std::filesystem::path test_folder;
  std::string below;  // the bottom folder below the test folder, with a "/" after it
};

TEST_F(DeepTreeTest, BothEnginesWalkToTheBottomWithFullPaths) {
  const struct {
    const char* engine;
    bool git;
    std::string rule;
  } rows[] = {
      {"design", false, "/.*\\/[^\\/]*\\.o.*/"},
      {"git", true, below + ".gitignore:1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.engine);
    const auto result =
        row.git ? run_folder({"--git", test_folder.string()}) : run_folder({test_folder.string()});
    EXPECT_EQ(result.exit_code, 0);
    // The folders come first, one per level, then i.txt, then the bottom.
    std::string expected = " OK : 00 - /" + level_name + "\n OK : 00 - /i.txt\n";
    std::string path;
    for (int i = 1; i < depth; ++i) {
      path += "/" + level_name;
      expected += " OK : 00 - " + path + "/" + level_name + "\n";
    }
    expected += bottom_lines(row.rule);
    expected += "\n========================\nAll OK\n========================\n";
    EXPECT_EQ(result.output, expected);
  }
  // Clean-up must reach the bottom too, or every run would leave a tree.
  testing::remove_tree(root);
  EXPECT_FALSE(std::filesystem::exists(root));
}

}  // namespace
}  // namespace quorvel::runner
