#include "quorvel/filesystem/read_ahead.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/native_path.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

namespace fs = std::filesystem;
using string_type = fs::path::string_type;

// The names of a listing, sorted.
std::vector<string_type> names_of(const listed_names& listed) {
  std::vector<string_type> names;
  std::size_t start = 0;
  for (const std::size_t end : listed.ends) {
    names.push_back(listed.names.substr(start, end - start));
    start = end;
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ReadAheadTest : public testing::temp_folder_test {};

TEST_F(ReadAheadTest, ListsEveryFolderInTheWalksOrder) {
  // The root holds a repository and is entered; "repo" is a repository of
  // its own, listed and not entered; "plain" only holds a file named .git.
  for (const char* name : {"a/x", "a/y/f", "a/y/g/h", "b/z/f", "c", ".git/HEAD", "b/.git/HEAD",
                           "repo/.git/HEAD", "repo/sub/f", "plain/.git", "plain/d/f"}) {
    file(name);
  }
  if constexpr (!platform::backslash_is_separator) {
    file("tail\\/d/f");  // a folder whose name ends in a backslash, an ordinary character here
  }
  const string_type dot_git = fs::path(".git").native();
  const auto is_repository = [](const fs::path& folder) {
    return fs::exists(folder / ".git/HEAD");
  };
  read_ahead ahead(root.native(),
                   {[&](platform::native_view name) { return name == dot_git; }, is_repository},
                   {dot_git});
  // The walk's order, told by the standard listing (the same order of
  // names): each folder's subfolders stacked as listed, the last one next.
  std::vector<fs::path> stack{root};
  std::vector<fs::path> listed;
  while (!stack.empty()) {
    const fs::path folder = stack.back();
    stack.pop_back();
    SCOPED_TRACE(folder.string());
    const auto taken = ahead.take(folder.native());
    ASSERT_TRUE(taken.has_value());
    EXPECT_TRUE(taken->opened);
    std::vector<string_type> expected;
    const std::size_t first_child = stack.size();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      const string_type name = entry.path().filename().native();
      expected.push_back(name);
      if (entry.is_directory() && !entry.is_symlink() && name != dot_git) {
        // Spelt as the walk spells its folders: "/" before the name.
        stack.push_back(folder.native() + fs::path("/").native() + name);
      }
    }
    if (folder != root && is_repository(folder)) {
      stack.resize(first_child);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_of(*taken), expected);
    EXPECT_EQ(taken->found,
              std::vector<signed char>{static_cast<signed char>(fs::exists(folder / ".git"))});
    listed.push_back(folder.lexically_relative(root));
  }
  // The root, a, a/y, a/y/g, b, plain, plain/d and repo, and on POSIX systems
  // the folder "tail\\" and its folder d.
  EXPECT_EQ(listed.size(), platform::backslash_is_separator ? 8U : 10U);
  EXPECT_FALSE(ahead.take((root / "repo/sub").native()).has_value());
}

TEST_F(ReadAheadTest, AnswersNothingForAFolderItDidNotTakeOn) {
  file("a/d/f");
  read_ahead ahead((root / "a").native(), {});
  // At once, and the listings still to come stay.
  EXPECT_FALSE(ahead.take((root / "b").native()).has_value());
  EXPECT_TRUE(ahead.take((root / "a").native()).has_value());
  EXPECT_TRUE(ahead.take((root / "a").native() + fs::path("/d").native()).has_value());
  // Handed over once.
  EXPECT_FALSE(ahead.take((root / "a").native()).has_value());
}

TEST(LookUpTest, TellsWhatTheListingHoldsAndNoMore) {
  listed_names listed;
  for (const char* name : {"a.txt", ".GITIGNORE", "sub"}) {
    listed.names += fs::path(name).native();
    listed.ends.push_back(listed.names.size());
  }
  listed.types = {platform::entry_type::regular, platform::entry_type::regular,
                  platform::entry_type::directory};
  struct row {
    const char* name;
    bool told;
    bool present;
    platform::entry_type type;
  };
  const row rows[] = {
      {"sub", true, true, platform::entry_type::directory},
      {"a.txt", true, true, platform::entry_type::regular},
      {"b.txt", true, false, platform::entry_type::unknown},
      {"a.tx", true, false, platform::entry_type::unknown},
      {".gitignore", false, false, {}},  // the same file where case is ignored
      {"sub/a.txt", false, false, {}},
      {"", false, false, {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto seen = look_up(listed, fs::path(r.name).native());
    ASSERT_EQ(seen.has_value(), r.told);
    if (r.told) {
      EXPECT_EQ(seen->present, r.present);
      EXPECT_EQ(seen->type, r.type);
    }
  }
}

TEST_F(ReadAheadTest, AFolderThatCannotBeOpenedIsListedEmpty) {
  read_ahead ahead((root / "missing").native(), {});
  const auto taken = ahead.take((root / "missing").native());
  ASSERT_TRUE(taken.has_value());
  EXPECT_FALSE(taken->opened);
  EXPECT_TRUE(taken->ends.empty());
}

}  // namespace
}  // namespace quorvel::filesystem
