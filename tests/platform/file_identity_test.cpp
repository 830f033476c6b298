// Identities of paths that do or do not lead to one file (the rows checked
// against std::filesystem::equivalent where it asks the system the same
// question); listing errors against what the system refuses.

#include "quorvel/platform/file_identity.h"

#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/folder_listing.h"
#include "tests/support/temp_folder.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

class FileIdentityTest : public testing::temp_folder_test {};

TEST_F(FileIdentityTest, PathsToTheSameFileShareAnIdentity) {
  file("dir/inside");
  file("other/inside");
  const bool linked = testing::make_folder_link(root / "dir", root / "link") &&
                      testing::make_folder_link(root / "link", root / "link-to-link");
  // Whether the two lead to one file; checked against the standard
  // library's answer where it compares the system's numbers too.
  const struct {
    const char* a;
    const char* b;
    bool same;
    bool through_link;
  } rows[] = {
      {"dir", "dir/.", true, false},
      {"dir", "other", false, false},
      {"dir", "dir/inside", false, false},
      {"dir", ".", false, false},
      {"dir", "link", true, true},
      {"dir", "link-to-link", true, true},
      {"link/inside", "dir/inside", true, true},
  };
  for (const auto& row : rows) {
    if (row.through_link && !linked) {
      continue;
    }
    std::error_code a_error;
    std::error_code b_error;
    const file_identity a = identify(root / row.a, a_error);
    const file_identity b = identify(root / row.b, b_error);
    ASSERT_FALSE(a_error) << row.a;
    ASSERT_FALSE(b_error) << row.b;
    EXPECT_EQ(a == b, row.same) << row.a << " " << row.b;
#ifndef _WIN32
    EXPECT_EQ(row.same, fs::equivalent(root / row.a, root / row.b)) << row.a << " " << row.b;
#endif
  }
}

TEST_F(FileIdentityTest, TheOpenFolderAnswersAsThePathDoes) {
  file("dir/inside");
  folder("sub");
  testing::make_folder_link(root / "dir", root / "link");
  const folder_queries queries(root);
  for (const char* name : {"dir", "sub", "link", "missing"}) {
    std::error_code by_path;
    std::error_code in_folder;
    EXPECT_EQ(queries.identify(root / name, in_folder), identify(root / name, by_path)) << name;
    EXPECT_EQ(in_folder, by_path) << name;
  }
}

TEST_F(FileIdentityTest, WhatCannotBeReachedGivesTheSystemsReason) {
  file("plain");
  std::error_code error;
  EXPECT_EQ(identify(root / "missing", error), file_identity{});
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
#ifndef _WIN32
  if (testing::make_folder_link(root / "nowhere", root / "dangling")) {
    identify(root / "dangling", error);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  }
  identify(root / "plain/below", error);
  EXPECT_EQ(error, std::errc::not_a_directory);
#endif
}

TEST_F(FileIdentityTest, AListingKeepsWhyItCouldNotOpen) {
  file("plain");
  const folder_listing missing(root / "missing");
  EXPECT_FALSE(missing.is_open());
  EXPECT_TRUE(missing.error());
  folder_listing fine(root);
  while (fine.next()) {
  }
  EXPECT_FALSE(fine.error());
#ifndef _WIN32
  EXPECT_EQ(missing.error(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(folder_listing(root / "plain").error(), std::errc::not_a_directory);
#endif
}

}  // namespace
}  // namespace quorvel::platform
