#include "platform/file_info.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/temp_folder.h"

namespace quorvel::platform {
namespace {

class FileInfoTest : public testing::temp_folder_test {};

TEST_F(FileInfoTest, AMissingEntryGivesZeros) {
  EXPECT_EQ(query_file_info(root / "missing"), file_info{});
  EXPECT_EQ(query_file_info(root / "missing/below"), file_info{});
}

TEST_F(FileInfoTest, AFreshFileHasTimesOfNow) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  const file_info info = query_file_info(file("fresh"));
  EXPECT_NEAR(static_cast<double>(info.modified), static_cast<double>(now), 5.0);
  // Not every file system keeps a birth time; where none is kept it is 0.
  if (info.created != 0) {
    EXPECT_NEAR(static_cast<double>(info.created), static_cast<double>(now), 5.0);
  }
}

}  // namespace
}  // namespace quorvel::platform
