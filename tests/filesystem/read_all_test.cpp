#include "quorvel/filesystem/read_all.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

class ReadAllTest : public testing::temp_folder_test {};

TEST_F(ReadAllTest, KeepsEveryByteUnchanged) {
  const std::string rows[] = {
      "",
      "a\r\nb",
      "\xEF\xBB\xBF# rules\n",
      std::string("before") + '\x1A' + "after",
      std::string("a\0b\0", 4),
      "\xFF\xFE\r",
  };
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    std::string out;
    read_all(file("data", bytes), out);
    EXPECT_EQ(out, bytes);
  }
}

TEST_F(ReadAllTest, LeavesOutputAloneWhenNothingCanBeRead) {
  const std::filesystem::path paths[] = {
      root / "missing",
      folder("a folder"),
      root / "missing" / "below",
  };
  for (const std::filesystem::path& path : paths) {
    SCOPED_TRACE(path.string());
    std::string out = "kept";
    read_all(path, out);
    EXPECT_EQ(out, "kept");
  }
}

TEST_F(ReadAllTest, LeavesOutputAloneForAFileItMayNotOpen) {
  const std::filesystem::path path = file("secret", "x");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  if (std::ifstream(path).is_open()) {
    GTEST_SKIP() << "this user may read any file";
  }
  std::string out;
  read_all(path, out);
  EXPECT_EQ(out, "");
}

TEST_F(ReadAllTest, KeepsOnlyTheBytesDelivered) {
  // Files under /sys report a size of a page and hold far less, like a file
  // that shrank after its size was taken. Regression: the rest came back as
  // zero bytes.
  const std::filesystem::path path = "/sys/devices/system/cpu/online";
  std::ifstream direct(path, std::ios_base::binary);
  if (!direct.is_open()) {
    GTEST_SKIP() << path << " is not available";
  }
  const std::string expected{std::istreambuf_iterator<char>(direct),
                             std::istreambuf_iterator<char>()};
  std::string out;
  read_all(path, out);
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace quorvel::filesystem
