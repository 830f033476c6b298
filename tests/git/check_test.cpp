#include "quorvel/git/check.h"

#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/native_path.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;
using testing::set_environment;

// The rule files of the tree below, by folder, as text.
const std::vector<folder_rules> tree_rules = {
    {"", "build/\n*.o\n!keep.o\n/only-top\ndeep/**/*.tmp\n"},
    {"src", "x.c\n!*.o\n!build/\n"},
    {"src/lib", "!x.c\n*.h\n"},
    {"build", "!*\n"},
    {"star", "*\n!*.c\n"},
};

// A question and git's answer, as `git check-ignore -v -n --no-index <path>`
// printed it in the tree below (from the folder `from`): "<source>:<line>:
// <pattern>", "::" when no line decides, or "fatal: ..." when git refused
// the path. "<top>" stands for the tree's absolute path and "<home>" for the
// home folder.
struct check_row {
  std::string from;
  std::string path;
  bool is_folder;
  std::string answer;
};

// The rows whose paths are relative and whose answers come from the tree's
// own files: the rules held in memory give the same answers.
const check_row relative_rows[] = {
    {"", "a.o", false, ".gitignore:2:*.o"},
    {"", "keep.o", false, ".gitignore:3:!keep.o"},
    {"", "src/a.o", false, "src/.gitignore:2:!*.o"},
    {"", "src/x.c", false, "src/.gitignore:1:x.c"},
    {"", "src/lib/x.c", false, "src/lib/.gitignore:1:!x.c"},
    {"", "src/lib/y.h", false, "src/lib/.gitignore:2:*.h"},
    {"", "build", true, ".gitignore:1:build/"},
    {"", "build/", false, ".gitignore:1:build/"},
    {"", "build", false, "::"},
    // Below an ignored folder its line decides; the folder's own file is
    // never read.
    {"", "build/x.c", false, ".gitignore:1:build/"},
    {"", "build/keep.o", false, ".gitignore:1:build/"},
    {"", "build/a/b/c", false, ".gitignore:1:build/"},
    // A deeper file keeps the folder, so its entries are asked one by one.
    {"", "src/build", true, "src/.gitignore:3:!build/"},
    {"", "src/build/x.c", false, "src/.gitignore:1:x.c"},
    {"", "only-top", false, ".gitignore:4:/only-top"},
    {"", "src/only-top", false, "::"},
    {"", "deep/a/b.tmp", false, ".gitignore:5:deep/**/*.tmp"},
    {"", "deep/b.tmp", false, ".gitignore:5:deep/**/*.tmp"},
    {"", "src//./x.c", false, "src/.gitignore:1:x.c"},
    {"", "src/../a.o", false, ".gitignore:2:*.o"},
    {"", ".", true, "::"},
    {"", "./", true, "::"},
    {"", "src/..", true, "::"},
    // A path that ends in "/" (or in "." or "..") asks about the folder, then,
    // as git does, about an empty name inside it, which "*" matches.
    {"", "star", true, "::"},
    {"", "star/", true, "star/.gitignore:1:*"},
    {"", "star/.", true, "star/.gitignore:1:*"},
    {"", "star/x/..", true, "star/.gitignore:1:*"},
    {"", "star/x", true, "star/.gitignore:1:*"},
    {"", "star/a.c", false, "star/.gitignore:2:!*.c"},
    {"", "src/.", true, "::"},
    {"", "src/lib/", true, "::"},
    {"", "src/build/", true, "::"},
    {"", "build/.", true, ".gitignore:1:build/"},
    {"", "..", true, "fatal: ..: '..' is outside repository at '<top>'"},
    {"", "../x", false, "fatal: ../x: '../x' is outside repository at '<top>'"},
    {"", "src/../../x", false,
     "fatal: src/../../x: 'src/../../x' is outside repository at '<top>'"},
    {"", "", false,
     "fatal: empty string is not a valid pathspec. please use . instead if you meant to match "
     "all paths"},
    // From a folder below the top: paths are relative to it, and may climb to
    // the top but not above it.
    {"src", "a.o", false, "src/.gitignore:2:!*.o"},
    {"src", "x.c", false, "src/.gitignore:1:x.c"},
    {"src", "lib/x.c", false, "src/lib/.gitignore:1:!x.c"},
    {"src", "../a.o", false, ".gitignore:2:*.o"},
    {"src", "../build/x", false, ".gitignore:1:build/"},
    {"src", "..", true, "::"},
    {"src", ".", true, "::"},
    {"src", "../star/", true, "star/.gitignore:1:*"},
    {"src", "lib/..", true, "::"},
    {"src", "../../x", false, "fatal: ../../x: '../../x' is outside repository at '<top>'"},
};

// Rows that need the tree on disk: absolute paths and the exclude files.
const check_row disk_rows[] = {
    {"", "info-ex", false, ".git/info/exclude:1:info-ex"},
    {"src", "info-ex", false, ".git/info/exclude:1:info-ex"},
    {"", "glob-ex", false, "<home>/xdg/git/ignore:1:glob-ex"},
    {"", "<top>/build/x.o", false, ".gitignore:1:build/"},
    {"", "<top>/src/../a.o", false, ".gitignore:2:*.o"},
    {"", "<top>", true, "::"},
    {"", "<top>/", true, "::"},
    {"", "<top>/star/", true, "star/.gitignore:1:*"},
    {"src", "<top>/a.o", false, ".gitignore:2:*.o"},
    {"src", "<top>/x.c", false, "::"},
    {"", "<top>/../x", false, "fatal: <top>/../x: '<top>/../x' is outside repository at '<top>'"},
    {"", "<home>/x.o", false, "fatal: <home>/x.o: '<home>/x.o' is outside repository at '<top>'"},
};

std::string replaced(std::string text, std::string_view name, const std::string& by) {
  for (std::size_t at; (at = text.find(name)) != std::string::npos;) {
    text.replace(at, name.size(), by);
  }
  return text;
}

// The answer in the form of the rows.
std::string answer_of(checker& query, const std::string& path, bool is_folder) {
  try {
    const check_result result = query.check(path, is_folder);
    if (result.rule_line == 0) {
      EXPECT_FALSE(result.ignored);
      EXPECT_TRUE(result.rule_file.empty());
      return "::";
    }
    EXPECT_EQ(result.ignored, !result.rule.starts_with('!'));
    return result.rule_source + ':' + std::to_string(result.rule_line) + ':' + result.rule;
  } catch (const path_error& refused) {
    return std::string("fatal: ") + refused.what();
  }
}

class CheckTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    top = root / "tree";
    testing::write_file(top / ".git/HEAD", "ref: refs/heads/main\n");
    fs::create_directories(top / ".git/objects");
    fs::create_directories(top / ".git/refs");
    file("tree/.git/info/exclude", "info-ex\n");
    file("home/xdg/git/ignore", "glob-ex\n!info-ex\n");
    set_environment("HOME", platform::generic_utf8(root / "home"));
    set_environment("XDG_CONFIG_HOME", platform::generic_utf8(root / "home/xdg"));
    set_environment("GIT_CONFIG_NOSYSTEM", "1");
    set_environment("GIT_CONFIG_GLOBAL", platform::generic_utf8(root / "home/none"));
    for (const folder_rules& rules : tree_rules) {
      file(fs::path("tree") / rules.folder / ".gitignore", rules.text);
    }
    folder("tree/src/build");
    folder("tree/deep/a");
    folder("tree/star/x");
  }

  // A row's text with the placeholders filled in.
  std::string filled(const std::string& text) const {
    return replaced(replaced(text, "<top>", platform::generic_utf8(fs::canonical(top))), "<home>",
                    platform::generic_utf8(root / "home"));
  }

  void expect_rows(const check_row* begin, const check_row* end, bool in_memory) {
    checker at_top = in_memory ? checker::from_rules(tree_rules) : checker(top);
    checker at_src(top / "src");
    for (const check_row* row = begin; row != end; ++row) {
      if (in_memory && !row->from.empty()) {
        continue;  // rules held in memory are asked from their top
      }
      SCOPED_TRACE(row->from + " asks " + row->path);
      EXPECT_EQ(answer_of(row->from.empty() ? at_top : at_src, filled(row->path), row->is_folder),
                in_memory ? replaced(filled(row->answer), "repository at '" + filled("<top>'"),
                                     "the top of the rules held in memory")
                          : filled(row->answer));
    }
  }

  fs::path top;
};

TEST_F(CheckTest, AnswersAsGitCheckIgnore) {
  expect_rows(std::begin(relative_rows), std::end(relative_rows), false);
  expect_rows(std::begin(disk_rows), std::end(disk_rows), false);
}

TEST_F(CheckTest, RulesHeldInMemoryAnswerAsTheSameFilesOnDisk) {
  expect_rows(std::begin(relative_rows), std::end(relative_rows), true);
}

TEST_F(CheckTest, TheTopAsksItsFilesAboutAnEmptyName) {
  // Rows that git decided in a tree with the folder "a"; a path that ends in
  // "/" is still a folder only where the caller says so, as git asks the
  // disk.
  const struct {
    std::string rules;
    std::string path;
    bool is_folder;
    std::string answer;
  } rows[] = {
      {"*\n!*.c\n", ".", true, ".gitignore:1:*"},
      {"*\n!*.c\n", "a/..", true, ".gitignore:1:*"},
      {"*\n!*.c\n", "a/", true, ".gitignore:1:*"},
      {"*\n!*.c\n", "a", true, ".gitignore:1:*"},
      {"/a/\n!/a/\n/a/*\n", "a/", true, ".gitignore:3:/a/*"},
      {"/a/\n!/a/\n/a/*\n", "a", true, ".gitignore:2:!/a/"},
      {"/a/\n!/a/\n/a/*\n", "a/b", false, ".gitignore:3:/a/*"},
      {"*/\n", ".", true, "::"},
      {"*/\n", "a/", true, ".gitignore:1:*/"},
      {"*/\n", "missing/", false, ".gitignore:1:*/"},
      {"*/\n", "missing", false, "::"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rules + " asked " + row.path);
    checker held = checker::from_rules({{"", row.rules}});
    EXPECT_EQ(answer_of(held, row.path, row.is_folder), row.answer);
  }
}

TEST_F(CheckTest, AnAbsolutePathMayReachTheTopThroughALink) {
  if (!testing::make_folder_link(top, root / "link")) {
    GTEST_SKIP() << "no symbolic links here";
  }
  checker query(top);
  // git: ".gitignore:1:build/" and "src/.gitignore:1:x.c"; a link below the
  // top is a name like any other (git refuses nothing there).
  EXPECT_EQ(answer_of(query, platform::generic_utf8(root / "link/build/x.o"), false),
            ".gitignore:1:build/");
  EXPECT_EQ(answer_of(query, platform::generic_utf8(root / "link/src/x.c"), false),
            "src/.gitignore:1:x.c");
  // The checker's root reached through the link works alike.
  checker through(root / "link/src");
  EXPECT_EQ(answer_of(through, "../build/x", false), ".gitignore:1:build/");
  EXPECT_EQ(answer_of(through, platform::generic_utf8(top / "a.o"), false), ".gitignore:2:*.o");
}

TEST_F(CheckTest, SeveralTextsForOneFolderCountInTurn) {
  // The later text decides where both match, the earlier one where only it
  // does; a folder's text decides below it as git's deepest file does.
  checker held = checker::from_rules(
      {{"", "*.o\n!keep.o\n"}, {"", "!*.o\n"}, {"./lib/", "*.a\n"}, {"lib", "!x.a\n"}});
  EXPECT_EQ(answer_of(held, "a.o", false), ".gitignore:1:!*.o");
  EXPECT_EQ(answer_of(held, "keep.o", false), ".gitignore:1:!*.o");
  EXPECT_EQ(answer_of(held, "lib/y.a", false), "lib/.gitignore:1:*.a");
  EXPECT_EQ(answer_of(held, "lib/x.a", false), "lib/.gitignore:1:!x.a");
  EXPECT_EQ(answer_of(held, "lib/z.o", false), ".gitignore:1:!*.o");
  const check_result result = held.check("lib/y.a", false);
  EXPECT_TRUE(result.ignored);
  EXPECT_EQ(result.rule_file, fs::path("lib/.gitignore"));
  EXPECT_EQ(answer_of(held, "/lib/y.a", false),
            "fatal: /lib/y.a: '/lib/y.a' is outside the top of the rules held in memory");
  EXPECT_THROW(checker::from_rules({{"../up", "*\n"}}), path_error);
}

TEST_F(CheckTest, MoreSourcesStandWhereTheWalkPutsThem) {
  // The overrides first; then src's ".more" after its .gitignore; the text
  // and the added file above info/exclude (which ignores info-ex) and below
  // the tree's files.
  ignore_options more;
  more.rule_file_names = {".more"};
  more.added = {{{}, "!info-ex\n*.txt\nbuild/\n", "<mine>"}, {root / "extra.txt", {}, {}}};
  more.overrides = "!*.o\nsrc/lib/\n";
  file("extra.txt", "!a.txt\n");
  file("tree/src/.more", "!x.c\n");
  const std::string extra = platform::generic_utf8(root / "extra.txt");
  struct row {
    std::string path;
    std::string on_disk;
    std::string in_memory;  // no ".more" file there
  };
  const row rows[] = {
      {"a.o", "<overrides>:1:!*.o", "<overrides>:1:!*.o"},
      {"src/lib/y.h", "<overrides>:2:src/lib/", "<overrides>:2:src/lib/"},
      {"src/lib/x.c", "<overrides>:2:src/lib/", "<overrides>:2:src/lib/"},
      {"src/x.c", "src/.more:1:!x.c", "src/.gitignore:1:x.c"},
      {"info-ex", "<mine>:1:!info-ex", "<mine>:1:!info-ex"},
      {"b.txt", "<mine>:2:*.txt", "<mine>:2:*.txt"},
      {"a.txt", extra + ":1:!a.txt", extra + ":1:!a.txt"},
      {"build/x", ".gitignore:1:build/", ".gitignore:1:build/"},
  };
  checker on_disk(top, more);
  checker held = checker::from_rules(tree_rules, more);
  for (const row& r : rows) {
    EXPECT_EQ(answer_of(on_disk, r.path, false), r.on_disk) << r.path;
    EXPECT_EQ(answer_of(held, r.path, false), r.in_memory) << r.path;
  }
  more.added.push_back({root / "missing.txt", {}, {}});
  EXPECT_THROW(checker(top, more), fs::filesystem_error);
  EXPECT_THROW(checker::from_rules(tree_rules, more), fs::filesystem_error);
}

TEST_F(CheckTest, ARootThatCannotBeListedIsRefused) {
  EXPECT_THROW(checker(root / "missing"), fs::filesystem_error);
  EXPECT_THROW(checker(top / ".gitignore"), fs::filesystem_error);
  const check_result result = checker(top / "src").check_path(fs::path("x.c"), false);
  EXPECT_EQ(result.rule_file, top / "src/.gitignore");
}

}  // namespace
}  // namespace quorvel::git
