#include "quorvel/platform/file_info.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/native_path.h"
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

TEST_F(FileInfoTest, LinksAreToldFromFolders) {
  folder("dir");
  file("plain");
  const bool linked = testing::make_folder_link(root / "dir", root / "link");
  EXPECT_FALSE(is_link_not_to_enter(std::filesystem::directory_entry(root / "dir")));
  EXPECT_FALSE(is_link_not_to_enter(std::filesystem::directory_entry(root / "plain")));
  EXPECT_FALSE(is_link_not_to_enter(std::filesystem::directory_entry(root / "missing")));
  if (!linked) {
    GTEST_SKIP() << "links to folders cannot be made here";
  }
  EXPECT_TRUE(is_link_not_to_enter(std::filesystem::directory_entry(root / "link")));
  // A link to a folder is handed out as a directory.
  EXPECT_NE(query_file_info(root / "link").attributes & attribute_directory, 0u);
}

TEST(LinkReparsePointTest, TellsLinksAndJunctionsByTheirTag) {
  const struct {
    const char* name;
    std::uint32_t attributes;
    std::uint32_t tag;
    bool is_link;
  } rows[] = {
      {"symbolic link to a folder", 0x410, reparse_tag_symlink, true},
      {"symbolic link to a file", 0x420, reparse_tag_symlink, true},
      {"junction", 0x410, reparse_tag_mount_point, true},
      {"host link under Wine", 0x410, 0, true},
      {"other reparse point (cloud file)", 0x410, 0x9000001A, false},
      {"tag without the reparse bit", 0x10, reparse_tag_symlink, false},
      {"plain folder", 0x10, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(is_link_reparse_point(row.attributes, row.tag), row.is_link);
  }
}

TEST(ListingPathTest, OnlyABareDriveDesignatorGainsItsRoot) {
  struct row_type {
    std::wstring folder;
    std::wstring listed;
  };
  std::vector<row_type> rows = {
      {L"/", L"/"},
      {L"work/t1", L"work/t1"},
      {L"C:/work", L"C:/work"},
      {L"CD", L"CD"},
  };
  if constexpr (backslash_is_separator) {
    rows.insert(rows.end(),
                {{L"C:", L"C:/"}, {L"z:", L"z:/"}, {L"C:/", L"C:/"}, {L"C:\\", L"C:\\"}});
  } else {
    rows.push_back({L"C:", L"C:"});  // a name like any other
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.folder));
    EXPECT_EQ(to_wide(listing_path(to_path(row.folder))), row.listed);
  }
}

}  // namespace
}  // namespace quorvel::platform
