#include "quorvel/filesystem/finder.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/item.h"
#include "quorvel/platform/native_path.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

using testing::temp_folder_test;

// A stand-in for a rule file: each line of the file is a name that it
// ignores wherever it occurs below its folder. Every question asked of it is
// logged, so tests can see which files were in force for which entry.
class name_rules {
 public:
  explicit name_rules(const std::filesystem::path& file) : file_(file) {
    std::ifstream stream(file);
    for (std::string line; std::getline(stream, line);) {
      names_.insert(platform::to_wide(line));
    }
  }

  bool match(const finder_item& entry, const std::wstring& path, std::wstring& rule,
             std::wstring& rule_regex) const {
    log()[entry.entry.path()].push_back(file_);
    const std::wstring name = path.substr(path.rfind(L'/') + 1);
    if (names_.count(name) == 0) {
      return false;
    }
    rule = name;
    rule_regex = L"rel:" + path;
    return true;
  }

  // The rule files consulted for each entry, in order (cleared by each test).
  static std::map<std::filesystem::path, std::vector<std::filesystem::path>>& log() {
    static std::map<std::filesystem::path, std::vector<std::filesystem::path>> calls;
    return calls;
  }

 private:
  std::filesystem::path file_;
  std::set<std::wstring> names_;
};

using plain_finder = finder<name_rules, finder_item>;

class FinderTest : public temp_folder_test {
 protected:
  // Walks `start` and returns the paths handed out, below `root`.
  std::vector<std::string> walk(const std::filesystem::path& start, std::wstring names = L"") {
    plain_finder walker(start, std::move(names));
    return drain(walker);
  }

  std::vector<std::string> drain(plain_finder& walker) {
    std::vector<std::string> paths;
    finder_item out{std::filesystem::path()};
    while (walker.next(out)) {
      paths.push_back(relative(out));
      walked.push_back(out);
    }
    return paths;
  }

  std::string relative(const finder_item& entry) const {
    return entry.entry.path().lexically_relative(root).generic_string();
  }

  // Whether `first` was enumerated before `second` in `folder`.
  static bool listed_before(const std::filesystem::path& folder, const std::string& first,
                            const std::string& second) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const auto name = entry.path().filename().string();
      if (name == first) {
        return true;
      }
      if (name == second) {
        return false;
      }
    }
    return false;
  }

  std::vector<finder_item> walked;
};

TEST_F(FinderTest, HandsOutFolderByFolderDirectoriesFirstAndDepthFirst) {
  folder("a");
  folder("b");
  file("f");
  file("g");
  file("a/x");
  file("b/y");
  std::vector<std::string> expected = {"a", "b", "f", "g"};
  // Subfolders are listed in the reverse of their discovery.
  if (listed_before(root, "a", "b")) {
    expected.insert(expected.end(), {"b/y", "a/x"});
  } else {
    expected.insert(expected.end(), {"a/x", "b/y"});
  }
  EXPECT_EQ(walk(root), expected);
}

TEST_F(FinderTest, SortsEachGroupByPathWithUpperCaseFirst) {
#ifdef _WIN32
  // Names that differ only in case name one entry there.
  const std::vector<std::string> names = {"beta", "Alpha", "Zulu"};
  const std::vector<std::string> expected = {"dir-Alpha", "dir-Zulu", "dir-beta",
                                             "Alpha",     "Zulu",     "beta"};
#else
  const std::vector<std::string> names = {"beta", "Alpha", "alpha", "Zulu"};
  const std::vector<std::string> expected = {"dir-Alpha", "dir-Zulu", "dir-alpha", "dir-beta",
                                             "Alpha",     "Zulu",     "alpha",     "beta"};
#endif
  for (const std::string& name : names) {
    file(name);
    folder("dir-" + name);
  }
  EXPECT_EQ(walk(root), expected);
}

TEST_F(FinderTest, HandsOutLinksToFoldersWithoutEnteringThem) {
  file("target/inside");
  if (!testing::make_folder_link(root / "target", root / "link") ||
      !testing::make_folder_link(root, root / "target/loop")) {
    GTEST_SKIP() << "links to folders cannot be made here";
  }
  const auto paths = walk(root);
  EXPECT_EQ(paths, (std::vector<std::string>{"link", "target", "target/loop", "target/inside"}));
  EXPECT_TRUE(walked[0].is_directory());
}

// The rows `find -L` gives for this tree: what it reaches through "target"
// and "store/st", with the loops ("target/loop" to the root, "store/self" to
// its own folder) named but not entered.
TEST_F(FinderTest, FollowsLinksToFoldersAndReportsTheLoops) {
  file("target/inside");
  file("store/pkg/x");
  if (!testing::make_folder_link(root / "target", root / "link") ||
      !testing::make_folder_link(root, root / "target/loop") ||
      !testing::make_folder_link(root / "store", root / "store/self") ||
      !testing::make_folder_link(root / "store/pkg", root / "target/st")) {
    GTEST_SKIP() << "links to folders cannot be made here";
  }
  plain_finder walker(root, L"");
  walk_options options;
  options.follow_links = true;
  walker.limit(options);
  std::vector<std::string> reported;
  walker.on_unreadable([&](const finder_item& folder, std::error_code why) {
    reported.push_back(relative(folder));
    EXPECT_EQ(why, std::errc::too_many_symbolic_link_levels);
  });
  std::vector<std::string> paths = drain(walker);
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths,
            (std::vector<std::string>{"link", "link/inside", "link/loop", "link/st", "link/st/x",
                                      "store", "store/pkg", "store/pkg/x", "store/self", "target",
                                      "target/inside", "target/loop", "target/st", "target/st/x"}));
  std::sort(reported.begin(), reported.end());
  EXPECT_EQ(reported, (std::vector<std::string>{"link/loop", "store/self", "target/loop"}));
}

// Without times, the listing's type stands in for the query of each entry:
// the attributes (and so the order and what is entered) must not change.
TEST_F(FinderTest, AWalkWithoutTimesGivesTheSameEntriesAndAttributes) {
  file("f");
  file("d/inside");
  folder("empty");
  testing::make_folder_link(root / "d", root / "link-to-folder");
#ifndef _WIN32
  std::filesystem::create_symlink(root / "f", root / "link-to-file");
  std::filesystem::create_symlink(root / "nowhere", root / "dangling");
#endif
  const auto walk_with = [&](item_times times) {
    std::vector<std::pair<std::string, std::uint32_t>> seen;
    plain_finder walker(root, L"", times);
    finder_item out{std::filesystem::path()};
    while (walker.next(out)) {
      seen.emplace_back(relative(out), out.attributes);
      if (times == item_times::skip) {
        EXPECT_EQ(out.created, 0) << relative(out);
        EXPECT_EQ(out.modified, 0) << relative(out);
      } else if (relative(out) == "f") {
        EXPECT_NE(out.modified, 0);
      }
    }
    return seen;
  };
  const auto with_times = walk_with(item_times::read);
  EXPECT_EQ(walk_with(item_times::skip), with_times);
  EXPECT_GE(with_times.size(), 4u);
}

TEST_F(FinderTest, AFolderThatVanishesBeforeItsListingYieldsNothingAndSpoilsNoSibling) {
  file("keep/one");
  file("gone/two");
  file("other/three");
  plain_finder walker(root, L"");
  finder_item out{std::filesystem::path()};
  ASSERT_TRUE(walker.next(out));  // the root is listed: its folders are queued
  std::filesystem::remove_all(root / "gone");
  std::set<std::string> rest = {relative(out)};
  while (walker.next(out)) {
    rest.insert(relative(out));
  }
  // The vanished folder is still handed out, but yields nothing of its own.
  EXPECT_EQ(rest.count("gone"), 1u);
  EXPECT_EQ(rest.count("gone/two"), 0u);
  EXPECT_EQ(rest.count("keep/one"), 1u);
  EXPECT_EQ(rest.count("other/three"), 1u);
}

TEST_F(FinderTest, ListsAFolderHoldingANameThatIsNotUtf8Whole) {
#ifdef _WIN32
  GTEST_SKIP() << "names are UTF-16 there";
#endif
  file("a");
  file("\xff\xfe.bin");
  file("z");
  const auto paths = walk(root);
  // Names compare byte by byte, so the stray bytes sort last.
  ASSERT_EQ(paths, (std::vector<std::string>{"a", "z", "\xff\xfe.bin"}));
  const std::wstring text = item_path(walked[2]);
  EXPECT_EQ(text.substr(text.size() - 6), std::wstring(L"\xDCFF\xDCFE.bin"));
}

// A folder whose name the narrow code page lacks is listed like any other:
// the drive-designator test reads the wide text, never a narrow copy of it.
TEST_F(FinderTest, WalksNamesThatNoNarrowCodePageHolds) {
  const std::wstring chinese = L"\u4e2d\u6587";
  const std::wstring emoji = L"\U0001F600";  // a surrogate pair where wchar_t has 16 bits
  file(platform::to_path(chinese + L"/" + emoji + L".txt"));
  file("z");
  walk(root);
  std::vector<std::wstring> names;
  for (const finder_item& entry : walked) {
    const std::wstring path = item_path(entry);
    names.push_back(path.substr(path.rfind(L'/') + 1));
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{chinese, L"z", emoji + L".txt"}));
}

// A drive root "Q:\\" has the record path "Q:", which alone would name the
// drive's current folder: it is listed as "Q:/", its own rule file is loaded,
// and paths are matched with the designator cut off.
TEST_F(FinderTest, WalksADriveRootWithItsOwnRuleFile) {
  file(".rules", "a.txt\n");
  file("a.txt");
  file("sub/b.txt");
  const std::filesystem::path drive = testing::map_drive(root);
  if (drive.empty()) {
    GTEST_SKIP() << "no drive letter can be had here";
  }
  struct unmap_at_end {
    std::filesystem::path drive;
    ~unmap_at_end() { testing::unmap_drive(drive); }
  } unmap{drive};

  plain_finder walker(drive, L".rules");
  std::vector<std::wstring> paths;
  finder_item out{std::filesystem::path()};
  while (walker.next(out)) {
    paths.push_back(item_path(out));
    walked.push_back(out);
  }
  const std::wstring designator = platform::to_wide(drive).substr(0, 2);
  ASSERT_EQ(paths, (std::vector<std::wstring>{designator + L"/sub", designator + L"/.rules",
                                              designator + L"/a.txt", designator + L"/sub/b.txt"}));
  EXPECT_FALSE(walked[1].ignored);
  EXPECT_TRUE(walked[2].ignored);
  EXPECT_EQ(walked[2].rule_regex, L"rel:/a.txt");
  EXPECT_EQ(walked[2].rule_file, std::filesystem::path(designator + L"/.rules"));
  EXPECT_FALSE(walked[3].ignored);
}

TEST_F(FinderTest, RootSpellingsWalkTheSameEntries) {
  file("sub/x");
  const auto plain = walk(root);
  for (const auto& spelling : {root.string() + "/", root.string() + "//",
                               root.string() + "/./sub/..", root.string() + "/sub/../"}) {
    SCOPED_TRACE(spelling);
    EXPECT_EQ(walk(spelling), plain);
  }
}

TEST_F(FinderTest, EmptyRootEndsAtOnceAndStaysEnded) {
  plain_finder walker(root, L"");
  finder_item out(file("../marker-" + root.filename().string()));
  const auto before = out.entry.path();
  EXPECT_FALSE(walker.next(out));
  EXPECT_FALSE(walker.next(out));
  EXPECT_EQ(out.entry.path(), before);
  std::filesystem::remove(before);
}

TEST_F(FinderTest, ARootThatIsAFileYieldsNothing) {
  EXPECT_TRUE(walk(file("plain")).empty());
}

TEST(WalkRootTest, TakesTheCurrentFolderAndFoldersAboveItAsAbsolute) {
  const auto current = std::filesystem::current_path();
  const struct {
    const char* root;
    std::filesystem::path expected;
  } rows[] = {
      {".", current},
      {"./", current},
      {"a/..", current},
      {"a/../", current},
      {"..", current.parent_path()},
      {"../x", current.parent_path() / "x"},
      {"tests", "tests"},
      {"tests/", "tests/"},
      {"a/./b//c", "a/b/c"},
      {"/x/../y", "/y"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.root);
    // Normalising turns every separator into the preferred one.
    EXPECT_EQ(walk_root(row.root).native(),
              std::filesystem::path(row.expected).make_preferred().native());
  }
}

// Which rule files are consulted while each folder is listed: a folder's
// file is in force for its whole subtree and retired once the walk leaves it.
TEST_F(FinderTest, RuleFilesAreInForceExactlyForTheirSubtree) {
  file("R/.rules", "nothing\n");
  file("R/A/.rules", "nothing\n");
  file("R/A/a.txt");
  file("R/B/.rules", "nothing\n");
  file("R/B/b.txt");
  file("R/B/B1/.rules", "nothing\n");
  file("R/B/B1/b1.txt");
  name_rules::log().clear();
  walk(root / "R", L".rules");
  std::map<std::string, std::vector<std::string>> in_force;
  for (const auto& [path, files] : name_rules::log()) {
    auto& folders = in_force[relative(finder_item(path))];
    for (const auto& rules : files) {
      folders.push_back(std::filesystem::relative(rules.parent_path(), root).generic_string());
    }
  }
  // Shallowest first, never a sibling's, whichever sibling was listed first.
  EXPECT_EQ(in_force["R/A/a.txt"], (std::vector<std::string>{"R", "R/A"}));
  EXPECT_EQ(in_force["R/B/b.txt"], (std::vector<std::string>{"R", "R/B"}));
  EXPECT_EQ(in_force["R/B/B1/b1.txt"], (std::vector<std::string>{"R", "R/B", "R/B/B1"}));
  EXPECT_EQ(in_force["R/A"], (std::vector<std::string>{"R"}));
}

}  // namespace
}  // namespace quorvel::filesystem
