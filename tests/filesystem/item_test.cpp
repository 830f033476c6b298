#include "quorvel/filesystem/item.h"

#include <algorithm>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/file_info.h"
#include "quorvel/platform/native_path.h"
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

TEST(NormalizeItemPathTest, NormalFormIsRecognisedWithoutNormalising) {
  const struct {
    const char* path;
    bool normal;
  } rows[] = {
      {"/work/t1/a.c", true}, {"a/b", true},    {"/", false},      {"", false},
      {"a//b", false},        {"a/./b", false}, {"a/../b", false}, {"./a", false},
      {"a/.", false},         {"a/..", false},  {"a/", false},     {"//a", false},
      {"/a/.b", true},        {"/a/..b", true}, {"/a/b..", true},  {"/a\\b", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    const std::filesystem::path path(row.path);
    if constexpr (platform::backslash_is_separator) {
      EXPECT_FALSE(is_normal_item_path(path));
      continue;
    }
    EXPECT_EQ(is_normal_item_path(path), row.normal);
    // Recognised as normal, the path is what normalising would give.
    if (is_normal_item_path(path)) {
      EXPECT_EQ(normalize_item_path(path), platform::to_wide(path));
    }
  }
}

TEST_F(ItemOnDiskTest, ListedEntriesGiveTheRecordsOfTheirPaths) {
  folder("dir");
  file("file.txt", "x");
  file("dir/inner");
#ifndef _WIN32
  std::filesystem::create_directory_symlink(root / "dir", root / "link-to-dir");
  std::filesystem::create_symlink(root / "file.txt", root / "link-to-file");
  std::filesystem::create_symlink(root / "missing", root / "dangling");
#endif
  // As the walker lists a folder: its record path, and the same text with
  // "." and a doubled "/" in it, which must be normalised first.
  const std::filesystem::path folders[] = {root, root / "." / "dir" / "..", root / ""};
  for (const std::filesystem::path& listed_folder : folders) {
    SCOPED_TRACE(listed_folder.string());
    const platform::folder_queries queries(listed_folder);
    std::size_t count = 0;
    for (const auto& listed : std::filesystem::directory_iterator(listed_folder)) {
      SCOPED_TRACE(listed.path().string());
      const finder_item from_listing(listed, queries);
      const finder_item from_path(listed.path());
      EXPECT_EQ(from_listing.entry.path(), from_path.entry.path());
      EXPECT_EQ(from_listing.attributes, from_path.attributes);
      EXPECT_EQ(from_listing.created, from_path.created);
      EXPECT_EQ(from_listing.modified, from_path.modified);
      EXPECT_EQ(from_listing.entry.is_symlink(), from_path.entry.is_symlink());
      EXPECT_EQ(platform::is_link_not_to_enter(from_listing.entry),
                platform::is_link_not_to_enter(from_path.entry));
      ++count;
    }
    EXPECT_GE(count, 2u);
  }
}

TEST_F(ItemOnDiskTest, FolderQueriesAnswerAsFullPathsDo) {
  folder("dir");
  file("dir/a", "x");
  file("b");
  const platform::folder_queries queries(root / "dir");
  // Entries of the folder, and paths that are not (which go by their text).
  const std::filesystem::path paths[] = {
      root / "dir" / "a", root / "dir" / "missing", root / "b",
      root / "dir",       root / "dir" / "a" / "x", root / "dirx"};
  for (const std::filesystem::path& path : paths) {
    SCOPED_TRACE(path.string());
    EXPECT_EQ(queries.query(path), platform::query_file_info(path));
    EXPECT_EQ(queries.exists(path), std::filesystem::exists(path));
  }
#ifndef _WIN32
  // Neither there nor not there: the standard error, as exists gives it.
  std::filesystem::create_symlink("loop", root / "dir" / "loop");
  EXPECT_THROW(queries.exists(root / "dir" / "loop"), std::filesystem::filesystem_error);
#endif
  const platform::folder_queries missing(root / "nowhere");
  EXPECT_EQ(missing.query(root / "b"), platform::query_file_info(root / "b"));
}

TEST_F(ItemOnDiskTest, SortingAFolderGivesTheEntryOrder) {
  std::mt19937 random(11);
  // Distinct even where names are compared without case.
  const std::string names[] = {"a",   "Beta", "b",        "Zeta",    "alpha", "a.txt",
                               "a-b", "a b",  "\xc3\xa9", "z",       "_",     "0",
                               "a0",  "aa",   "Qa",       ".hidden", "~"};
  for (int round = 0; round < 30; ++round) {
    const std::filesystem::path listed_folder = folder("round" + std::to_string(round));
    std::vector<finder_item> entries;
    for (const std::string& name : names) {
      if (random() % 3 == 0) {
        continue;
      }
      const std::filesystem::path path = listed_folder / name;
      if (random() % 2 == 0) {
        std::filesystem::create_directory(path);
      } else {
        testing::write_file(path);
      }
      entries.emplace_back(path);
    }
    std::shuffle(entries.begin(), entries.end(), random);
    std::vector<finder_item> expected = entries;
    std::sort(expected.begin(), expected.end(), entry_order);
    sort_entries(entries);
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].entry.path(), expected[i].entry.path()) << i;
    }
  }
  // Entries of different folders, and entries alike, are sorted the
  // standard way.
  std::vector<finder_item> mixed;
  mixed.emplace_back(file("x/b"));
  mixed.emplace_back(file("y/a"));
  mixed.emplace_back(file("x/a"));
  mixed.emplace_back(root / "x" / "a");
  std::vector<finder_item> expected = mixed;
  std::sort(expected.begin(), expected.end(), entry_order);
  sort_entries(mixed);
  for (std::size_t i = 0; i < mixed.size(); ++i) {
    EXPECT_EQ(mixed[i].entry.path(), expected[i].entry.path()) << i;
  }
}

TEST(EntryOrderTest, NamesOfOneFolderCompareAsWholePathsDo) {
  const char* paths[] = {"/r/a", "/r/b", "/r/B",   "/r/a.b", "/r/a/b", "/r/ab",      "/s/a",
                         "/r",   "r/a",  "/r/a b", "/r/-",   "/",      "/r/\xc3\xa9"};
  for (const char* first : paths) {
    for (const char* second : paths) {
      finder_item a{std::filesystem::path()};
      finder_item b{std::filesystem::path()};
      a.entry = std::filesystem::directory_entry();
      b.entry = std::filesystem::directory_entry();
      std::error_code ignored;
      a.entry.assign(first, ignored);
      b.entry.assign(second, ignored);
      EXPECT_EQ(entry_order(a, b), b.entry.path() < a.entry.path()) << first << " " << second;
    }
  }
}

}  // namespace
}  // namespace quorvel::filesystem
