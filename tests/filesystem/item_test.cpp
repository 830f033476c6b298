#include "filesystem/item.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_info.h"
#include "platform/native_path.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

using testing::temp_folder_test;

// The attribute bits of a new plain file.
#ifdef _WIN32
constexpr std::uint32_t plain_file = platform::attribute_archive;
#else
constexpr std::uint32_t plain_file = platform::attribute_normal;
#endif

TEST(NormalizeItemPathTest, GivesTheLexicallyNormalFormWithoutTrailingSlash) {
  struct row_type {
    const char* path;
    std::wstring normal;
  };
  std::vector<row_type> rows = {
      {"dir/sub/", L"dir/sub"},   {"a/./b//c", L"a/b/c"}, {"a/b/../c", L"a/c"}, {"/", L"/"},
      {"/work/t1/", L"/work/t1"}, {"./a", L"a"},
  };
  if constexpr (platform::backslash_is_separator) {
    rows.insert(rows.end(), {
                                {"dir\\sub\\", L"dir/sub"},
                                {"C:\\work\\t1\\", L"C:/work/t1"},
                                {"C:\\", L"C:"},  // a drive root loses its separator too
                                {"C:/", L"C:"},
                            });
  } else {
    rows.push_back({"dir\\sub\\", L"dir\\sub\\"});  // "\" belongs to the name
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(normalize_item_path(row.path), row.normal);
  }
}

TEST(ItemTest, EmptyPathTouchesNothing) {
  const finder_item empty{std::filesystem::path()};
  EXPECT_EQ(empty.attributes, 0u);
  EXPECT_EQ(empty.created, 0);
  EXPECT_EQ(empty.modified, 0);
  EXPECT_TRUE(empty.entry.path().empty());
  EXPECT_FALSE(empty.ignored);
  EXPECT_FALSE(empty.is_rule_file);
  EXPECT_TRUE(empty.rule.empty() && empty.rule_regex.empty() && empty.rule_file.empty());
}

class ItemOnDiskTest : public temp_folder_test {};

TEST_F(ItemOnDiskTest, AttributesDescribeTheEntryItself) {
  folder("dir");
  file("file.txt", "x");
  struct row_type {
    const char* name;
    std::uint32_t attributes;
  };
  std::vector<row_type> rows = {
      {"dir", platform::attribute_directory},
      {"file.txt", plain_file},
      {"missing", 0},
  };
#ifndef _WIN32
  // The standard library cannot make links on Windows (the platform tests
  // cover how links are told apart there).
  std::filesystem::create_directory_symlink(root / "dir", root / "link-to-dir");
  std::filesystem::create_symlink(root / "file.txt", root / "link-to-file");
  std::filesystem::create_symlink(root / "missing", root / "dangling");
  rows.insert(rows.end(), {
                              {"link-to-dir",
                               platform::attribute_reparse_point | platform::attribute_directory},
                              {"link-to-file", platform::attribute_reparse_point},
                              {"dangling", platform::attribute_reparse_point},
                          });
  EXPECT_TRUE(item(root / "link-to-dir").entry.is_symlink());
#endif
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const item entry(root / row.name);
    EXPECT_EQ(entry.attributes, row.attributes);
    EXPECT_EQ(entry.is_directory(), (row.attributes & platform::attribute_directory) != 0);
  }
}

TEST_F(ItemOnDiskTest, ModifiedTimeRoundsToTheNearestSecond) {
  const auto path = file("stamp");
  const struct {
    long nanoseconds;
    std::int64_t seconds;
  } rows[] = {{0, 1'000'000'000}, {499'999'999, 1'000'000'000}, {500'000'000, 1'000'000'001}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.nanoseconds);
    testing::set_modified_time(path, 1'000'000'000, row.nanoseconds);
    item entry(path);
    EXPECT_EQ(entry.modified, row.seconds);
    EXPECT_EQ(entry.entry.path(), path);
  }
}

TEST_F(ItemOnDiskTest, RefreshReloadsAndClearsForAVanishedEntry) {
  const auto path = file("gone");
  item entry(path);
  EXPECT_EQ(entry.attributes, plain_file);
  std::filesystem::remove(path);
  entry.refresh();
  EXPECT_EQ(entry.attributes, 0u);
  EXPECT_EQ(entry.modified, 0);
  EXPECT_EQ(entry.entry.path(), path);
}

TEST_F(ItemOnDiskTest, EntryOrderPutsFilesFirstThenDescendingPaths) {
  folder("a");
  folder("b");
  file("a.txt");
  file("b.txt");
  file("Zeta");
  std::vector<finder_item> entries;
  for (const char* name : {"b.txt", "a", "a.txt", "b", "Zeta"}) {
    entries.emplace_back(root / name);
  }
  std::sort(entries.begin(), entries.end(), entry_order);
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    names.push_back(entry.entry.path().filename().string());
  }
  // Upper case sorts before lower case; the walker takes from the back.
  EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "a.txt", "Zeta", "b", "a"}));
}

TEST_F(ItemOnDiskTest, CopiesAreIndependent) {
  finder_item original(file("x"));
  original.ignored = true;
  original.rule = L"x";
  finder_item copy = original;
  EXPECT_EQ(copy.entry.path(), original.entry.path());
  EXPECT_EQ(copy.attributes, original.attributes);
  EXPECT_EQ(copy.modified, original.modified);
  EXPECT_TRUE(copy.ignored);
  copy.rule = L"changed";
  copy.ignored = false;
  EXPECT_EQ(original.rule, L"x");
  EXPECT_TRUE(original.ignored);
}

}  // namespace
}  // namespace quorvel::filesystem
