#include "quorvel/git/walker.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/gitignore.h"
#include "quorvel/git/check.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/native_path.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;
using testing::set_environment;

// What git says of one entry: its path below the top, whether it is
// ignored, and the deciding line's file (below the top; "global" for the
// global excludes file) and number.
struct walk_row {
  std::string path;
  bool ignored;
  std::string file;
  std::uint32_t line;
  bool operator==(const walk_row&) const = default;
};

void PrintTo(const walk_row& row, std::ostream* out) {
  *out << row.path << ' ' << row.ignored << ' ' << row.file << ':' << row.line;
}

// A work tree whose verdicts git gave (`git status --ignored=matching
// --untracked-files=all`, `git check-ignore -v --no-index`), made here
// without git: the repositories are the folders that git would accept.
class GitWalkTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    make_repository(root / "tree");
    file("tree/.git/info/exclude", "info-ex\n");
    file("home/xdg/git/ignore", "glob-ex\n!info-ex\n");
    // The configuration and the global file are the test's own.
    set_environment("HOME", platform::generic_utf8(root / "home"));
    set_environment("XDG_CONFIG_HOME", platform::generic_utf8(root / "home/xdg"));
    set_environment("GIT_CONFIG_NOSYSTEM", "1");
    set_environment("GIT_CONFIG_GLOBAL", nullptr);
    // Line 8 matches names as UTF-8 bytes: each "??" is one of "\u00fc", "\u00ef".
    file("tree/.gitignore",
         "# build output\n*.log\n!keep.log\n\nign/\nlink/\n/top-only\n??n??.txt\n");
    file("tree/a/.gitignore", "!*.log\n");
    file("tree/a/b/.gitignore", "c.log\n");
    file("tree/ign/.gitignore", "!w\n!z/\n");
    for (const char* name : {"a/b/c.log", "a/keep.log", "a/b/keep.log", "a/x.log", "ign/z/w",
                             "ign/k", "nested/x/f", "plain/.git", "plain/other", "info-ex",
                             "glob-ex", "top-only", "a/top-only", "real/y", "d.log", "keep.log"}) {
      file(fs::path("tree") / name);
    }
    file(fs::path("tree") / platform::to_path(L"\u00fcn\u00ef.txt"));
    file(fs::path("tree") / platform::to_path(L"\u00fcnX.txt"));
    make_repository(root / "tree/nested");
    has_link = testing::make_folder_link(root / "tree/real", root / "tree/link");
  }

  // The parts of a repository that git checks.
  void make_repository(const fs::path& folder) {
    testing::write_file(folder / ".git/HEAD", "ref: refs/heads/main\n");
    fs::create_directories(folder / ".git/objects");
    fs::create_directories(folder / ".git/refs");
  }

  // Walks `start`, from `here` when it is relative; the rows in path order
  // (the walk's order of folders is the listing's).
  std::vector<walk_row> walk(const fs::path& start, const fs::path& here = {}) {
    const fs::path before = fs::current_path();
    if (!here.empty()) {
      fs::current_path(here);
    }
    std::vector<walk_row> rows;
    {
      walker walk(start);
      filesystem::finder_item entry{fs::path()};
      while (walk.next(entry)) {
        const auto full = [&](const fs::path& path) {
          return path.is_relative() && !path.empty() ? here / path : path;
        };
        rows.push_back({below_tree(full(entry.entry.path())), entry.ignored,
                        below_tree(full(entry.rule_file)), entry.rule_line});
        EXPECT_TRUE(entry.rule_regex.empty());
      }
    }
    fs::current_path(before);
    std::sort(rows.begin(), rows.end(),
              [](const walk_row& a, const walk_row& b) { return a.path < b.path; });
    return rows;
  }

  std::string below_tree(const fs::path& path) const {
    if (path.empty()) {
      return {};
    }
    if (path == root / "home/xdg/git/ignore") {
      return "global";
    }
    return platform::generic_utf8(path.lexically_relative(root / "tree"));
  }

  bool has_link = false;
};

TEST_F(GitWalkTest, AgreesWithGitOnEveryEntry) {
  std::vector<walk_row> expected = {
      {"a", false, "", 0},
      {"ign", true, ".gitignore", 5},
      {"link", false, "", 0},
      {"nested", false, "", 0},  // a repository of its own: not entered
      {"plain", false, "", 0},   // its empty .git file makes no repository
      {"real", false, "", 0},
      {".gitignore", false, "", 0},
      {"d.log", true, ".gitignore", 2},
      {"glob-ex", true, "global", 1},
      {"info-ex", true, ".git/info/exclude", 1},  // above the global file's "!info-ex"
      {"keep.log", false, "", 0},
      {"top-only", true, ".gitignore", 7},
      {"\xc3\xbcn\xc3\xaf.txt", true, ".gitignore", 8},
      {"\xc3\xbcnX.txt", false, "", 0},
      {"plain/other", false, "", 0},
      {"a/b", false, "", 0},
      {"a/.gitignore", false, "", 0},
      {"a/keep.log", false, "", 0},
      {"a/top-only", false, "", 0},
      {"a/x.log", false, "", 0},  // a/.gitignore's "!*.log" decides before the top's
      {"a/b/.gitignore", false, "", 0},
      {"a/b/c.log", true, "a/b/.gitignore", 1},
      {"a/b/keep.log", false, "", 0},  // a/b's file has no matching line: a's decides
      {"real/y", false, "", 0},
      // ign/.gitignore is not read: its "!w" and "!z/" change nothing.
      {"ign/z", true, ".gitignore", 5},
      {"ign/.gitignore", true, ".gitignore", 5},
      {"ign/k", true, ".gitignore", 5},
      {"ign/z/w", true, ".gitignore", 5},
  };
  if (!has_link) {
    std::erase(expected, walk_row{"link", false, "", 0});
  }
  std::sort(expected.begin(), expected.end(),
            [](const walk_row& a, const walk_row& b) { return a.path < b.path; });
  EXPECT_EQ(walk(root / "tree"), expected);
}

TEST_F(GitWalkTest, ReadsTheFilesAboveTheRootUpToTheTop) {
  EXPECT_EQ(walk(root / "tree/a/b"),
            (std::vector<walk_row>{{"a/b/.gitignore", false, "", 0},
                                   {"a/b/c.log", true, "a/b/.gitignore", 1},
                                   {"a/b/keep.log", false, "", 0}}));
  // Relative roots: from below the top, and from the top itself.
  EXPECT_EQ(walk("b", root / "tree/a"), walk(root / "tree/a/b"));
  EXPECT_EQ(walk("ign/z", root / "tree"),
            (std::vector<walk_row>{{"ign/z/w", true, ".gitignore", 5}}));
}

TEST_F(GitWalkTest, AddedRuleFileNamesAreMarkedAndDecideAfterGitignore) {
  file("tree/a/.more", "x.log\n");
  ignore_options options;
  options.rule_file_names = {".more"};
  walker walk(root / "tree/a", options);
  std::map<std::string, filesystem::finder_item> seen;
  filesystem::finder_item entry{fs::path()};
  while (walk.next(entry)) {
    seen.emplace(platform::generic_utf8(entry.entry.path().filename()), entry);
  }
  EXPECT_TRUE(seen.at(".more").is_rule_file);
  EXPECT_TRUE(seen.at(".gitignore").is_rule_file);
  EXPECT_FALSE(seen.at("keep.log").is_rule_file);
  // a/.gitignore keeps *.log; a/.more, read after it, ignores x.log again.
  EXPECT_TRUE(seen.at("x.log").ignored);
  EXPECT_EQ(seen.at("x.log").rule_file.filename(), fs::path(".more"));
  EXPECT_FALSE(seen.at("keep.log").ignored);
}

TEST_F(GitWalkTest, ReadsNoFileAboveTheTop) {
  // The folder above the tree holds a rule that would ignore everything.
  file(".gitignore", "*\n");
  const std::vector<walk_row> rows = walk(root / "tree/a/b");
  EXPECT_FALSE(rows.at(0).ignored);
}

// Everything a record says, whichever kind it is.
struct record_row {
  std::string path;
  std::uint32_t attributes;
  std::int64_t created;
  std::int64_t modified;
  bool ignored;
  bool is_rule_file;
  std::wstring rule;
  std::string rule_file;
  std::uint32_t rule_line;
  bool operator==(const record_row&) const = default;
};

void PrintTo(const record_row& row, std::ostream* out) {
  *out << row.path << " 0x" << std::hex << row.attributes << std::dec << ' ' << row.ignored << ' '
       << row.rule_file << ':' << row.rule_line;
}

// The records of a walk of `start` with `Walker`, in the walk's order, taken
// with `next` or, `by_range`, with a range-for loop.
template <class Walker>
std::vector<record_row> records(const fs::path& start, filesystem::item_times times,
                                bool ahead = false, bool by_range = false) {
  std::vector<record_row> rows;
  Walker walk = [&] {
    if constexpr (std::is_constructible_v<Walker, fs::path, std::wstring, filesystem::item_times>) {
      return Walker(start, L".gitignore", times);
    } else {
      return Walker(start, {}, times);
    }
  }();
  if (ahead) {
    walk.list_ahead();
  }
  const auto add = [&rows](const typename Walker::item_type& entry) {
    rows.push_back({platform::generic_utf8(platform::to_path(filesystem::item_path(entry))),
                    entry.attributes, entry.created, entry.modified, entry.ignored,
                    entry.is_rule_file, entry.rule, platform::generic_utf8(entry.rule_file),
                    entry.rule_line});
  };
  if (by_range) {
    for (const auto& entry : walk) {
      add(entry);
    }
    return rows;
  }
  typename Walker::item_type entry;
  while (walk.next(entry)) {
    add(entry);
  }
  return rows;
}

TEST_F(GitWalkTest, LeanRecordsSayWhatTheDesignsSay) {
  // Links, a nested repository, names that are UTF-8 and an ignored folder,
  // with the times read and skipped, from an absolute and a relative root;
  // git's engine and the design's.
  using design_finder = filesystem::finder<filesystem::gitignore, filesystem::finder_item>;
  using lean_finder = filesystem::finder<filesystem::gitignore, filesystem::lean_item>;
  for (const auto times : {filesystem::item_times::read, filesystem::item_times::skip}) {
    const std::vector<record_row> design = records<walker>(root / "tree", times);
    EXPECT_EQ(records<lean_walker>(root / "tree", times), design);
    EXPECT_GT(design.size(), 20U);
    const std::vector<record_row> by_design = records<design_finder>(root / "tree", times);
    EXPECT_EQ(records<lean_finder>(root / "tree", times), by_design);
    // Read ahead on a second thread, in the same order.
    EXPECT_EQ(records<lean_walker>(root / "tree", times, true), design);
    EXPECT_EQ(records<lean_finder>(root / "tree", times, true), by_design);
    // The same walks as ranges.
    EXPECT_EQ(records<walker>(root / "tree", times, false, true), design);
    EXPECT_EQ(records<lean_finder>(root / "tree", times, true, true), by_design);
  }
  const fs::path before = fs::current_path();
  fs::current_path(root / "tree/a");
  const auto design = records<walker>(fs::path("b/.."), filesystem::item_times::skip);
  const auto lean = records<lean_walker>(fs::path("b/.."), filesystem::item_times::skip);
  const auto by_design = records<design_finder>(fs::path(".."), filesystem::item_times::skip);
  const auto lean_by_design = records<lean_finder>(fs::path(".."), filesystem::item_times::skip);
  fs::current_path(before);
  EXPECT_EQ(lean, design);
  EXPECT_EQ(lean_by_design, by_design);
}

// A walk is a value: a copy made on the way goes on from where the walk is,
// and a copy of one that reads ahead lists for itself.
static_assert(std::is_copy_constructible_v<lean_walker> && std::is_move_constructible_v<walker>);
static_assert(std::input_iterator<walker::iterator> &&
              std::sentinel_for<std::default_sentinel_t, lean_walker::iterator>);

TEST_F(GitWalkTest, ACopyOfAWalkThatReadsAheadGoesOnAlike) {
  lean_walker walk(root / "tree");
  walk.list_ahead();
  filesystem::lean_item entry;
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(walk.next(entry));
  }
  lean_walker copy = walk;
  std::vector<fs::path::string_type> rest;
  std::vector<fs::path::string_type> copy_rest;
  while (walk.next(entry)) {
    rest.push_back(entry.path);
  }
  while (copy.next(entry)) {
    copy_rest.push_back(entry.path);
  }
  EXPECT_EQ(copy_rest, rest);
  EXPECT_GT(rest.size(), 10U);
}

struct query_row {
  std::string path;
  bool is_folder;
  bool ignored;
  std::string file;
  std::uint32_t line;
  std::string rule;
};

TEST_F(GitWalkTest, QueryAnswersAsCheckIgnore) {
  checker query(root / "tree");
  // `git check-ignore -v --no-index` in the tree printed these lines; a
  // path inside an ignored folder gets the folder's line.
  const query_row rows[] = {
      {"a/b/c.log", false, true, "a/b/.gitignore", 1, "c.log"},
      {"a/keep.log", false, false, "a/.gitignore", 1, "!*.log"},
      {"a/b/keep.log", false, false, "a/.gitignore", 1, "!*.log"},
      {"ign/z/w", false, true, ".gitignore", 5, "ign/"},
      {"ign", true, true, ".gitignore", 5, "ign/"},
      {"ign", false, false, "", 0, ""},
      {"info-ex", false, true, ".git/info/exclude", 1, "info-ex"},
      {"glob-ex", false, true, "global", 1, "glob-ex"},
      {"top-only", false, true, ".gitignore", 7, "/top-only"},
      {"./a//top-only", false, false, "", 0, ""},
      {"a/../d.log", false, true, ".gitignore", 2, "*.log"},
      {"real/y", false, false, "", 0, ""},
  };
  for (const query_row& row : rows) {
    SCOPED_TRACE(row.path);
    const check_result result = query.check(row.path, row.is_folder);
    EXPECT_EQ(result.ignored, row.ignored);
    EXPECT_EQ(below_tree(result.rule_file), row.file);
    EXPECT_EQ(result.rule_line, row.line);
    EXPECT_EQ(result.rule, row.rule);
  }
  // A path outside the work tree has no verdict.
  EXPECT_THROW(query.check("../outside", false), path_error);
  // From a folder below the top, paths are relative to it.
  checker below(root / "tree/a");
  EXPECT_EQ(below.check_path(fs::path("b/c.log"), false), query.check("a/b/c.log", false));
}

TEST_F(GitWalkTest, FindsTheWorkTreeAndItsExcludeFiles) {
  file("tree/.git/config", "[core]\n\tignorecase = true\n\texcludesFile = ~/my-ignore ; note\n");
  const work_tree tree = find_work_tree(root / "tree/a/b");
  EXPECT_EQ(tree.top, root / "tree");
  EXPECT_EQ(tree.info_exclude, root / "tree/.git/info/exclude");
  EXPECT_EQ(tree.excludes_file, root / "home/my-ignore");
  EXPECT_EQ(tree.ignore_case, true);
  EXPECT_TRUE(holds_repository(root / "tree/nested"));
  EXPECT_FALSE(holds_repository(root / "tree/plain"));
  // A linked work tree names its repository, whose common folder holds the
  // rest.
  file("linked/.git", "gitdir: ../tree/.git/worktrees/linked\n");
  file("tree/.git/worktrees/linked/HEAD", "ref: refs/heads/other\n");
  file("tree/.git/worktrees/linked/commondir", "../..\n");
  const work_tree linked = find_work_tree(root / "linked");
  EXPECT_EQ(linked.top, root / "linked");
  EXPECT_EQ(linked.info_exclude, root / "tree/.git/info/exclude");
}

}  // namespace
}  // namespace quorvel::git
