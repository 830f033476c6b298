// quorvel::walk against git and the file system: each option's rows are
// what `git ls-files`, `git check-ignore` or `find` say of the same tree.

#include "quorvel/walk/walk.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/file_identity.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/walk/check.h"
#include "tests/support/environment.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing::set_environment;
using testing::shell;
using lines = std::set<std::string>;

std::string utf8(const fs::path& path) {
  return platform::generic_utf8(path);
}

// The walk's entries whose records pass `pick`, by path.
template <class Pick>
lines paths(walk& w, Pick pick) {
  lines out;
  for (const entry& e : w) {
    if (pick(e)) {
      out.insert(e.path);
    }
  }
  return out;
}
lines paths(walk&& w) {
  return paths(w, [](const entry&) { return true; });
}

// A repository with an ignored node_modules and build folder, ignored
// logs, a file that a deeper rule keeps again, tracked files (one of them
// inside an ignored folder), hidden names and a name in UTF-8. Git and the
// library read the same configuration: the test's own.
class WalkTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
#ifdef _WIN32
    // Under Wine, git, find and the shell are the host's: they take no
    // "Z:" paths. PlainWalkTest holds the rows that need none of them.
    GTEST_SKIP() << "git and find are checked against on POSIX systems";
#endif
    set_environment("HOME", utf8(root / "home"));
    set_environment("XDG_CONFIG_HOME", utf8(root / "home/xdg"));
    set_environment("GIT_CONFIG_NOSYSTEM", "1");
    set_environment("GIT_CONFIG_GLOBAL", utf8(root / "home/gitconfig"));
    file("home/gitconfig", "[user]\n\tname = t\n\temail = t@example.com\n");
    file("home/xdg/git/ignore", "*.tmp\n");
    tree = folder("repo");
    ASSERT_EQ(shell("git init -q", tree), 0);
    file("repo/.gitignore", "node_modules/\n*.log\nbuild/\n.cache\n");
    file("repo/keep/.gitignore", "!*.log\n");
    for (const char* name :
         {"src/a.c", "src/b/c.h", "src/b/d.log", "x.log", "y.tmp", "keep/y.log",
          "node_modules/p/q.js", "node_modules/r.js", "build/out.o", "build/tracked.o",
          "docs/.hidden", ".cache/z", ".env", "README", "\xc3\xbc.txt", "deep/1/2/3/4.txt"}) {
      file(fs::path("repo") / fs::u8path(name), "x");
    }
    ASSERT_EQ(shell("git add src README .gitignore && git add -f build/tracked.o && "
                    "git commit -qm first",
                    tree),
              0);
  }

  // What `command` prints in the repository, one line each.
  lines ask(const std::string& command) const {
    const fs::path out = root / "out.txt";
    EXPECT_EQ(shell(command + " > '" + utf8(out) + "'", tree), 0) << command;
    std::ifstream in(out, std::ios::binary);
    lines got;
    for (std::string line; std::getline(in, line);) {
      got.insert(line);
    }
    return got;
  }

  // Every entry below the repository that `find` lists with `find_options`
  // (".git" left out), as paths below it.
  lines find(const std::string& find_options) const {
    lines got = ask("find . -mindepth 1 -name .git -prune -o " + find_options + " -print");
    lines below;
    for (const std::string& line : got) {
      below.insert(line.substr(2));  // "./"
    }
    return below;
  }

  std::string repo() const {
    return utf8(tree);
  }

  fs::path tree;
};

// The same walk without git: no repository, rows the file system decides.
class PlainWalkTest : public testing::temp_folder_test {};

TEST_F(WalkTest, PrunedWalkListsWhatGitLsFilesLists) {
  const lines git = ask("git -c core.quotePath=false ls-files -co --exclude-standard");
  walk pruned(repo(), walk::options().prune_ignored(false));
  EXPECT_EQ(
      paths(pruned, [](const entry& e) { return e.kind != entry_kind::folder && !e.ignored; }),
      git);
  walk kept(repo(), walk::options().kept_only());
  EXPECT_EQ(paths(kept, [](const entry& e) { return e.kind != entry_kind::folder; }), git);

  const lines others = ask("git -c core.quotePath=false ls-files -o --exclude-standard");
  walk untracked(repo(), walk::options().kept_only());
  EXPECT_EQ(
      paths(untracked, [](const entry& e) { return e.kind != entry_kind::folder && !e.tracked; }),
      others);
}

TEST_F(WalkTest, PrunedFoldersAreHandedOutOrNotAndNeverEntered) {
  walk handed(repo(), walk::options().prune_ignored());
  std::map<std::string, entry> seen;
  for (const entry& e : handed) {
    seen[e.path] = e;
  }
  ASSERT_EQ(seen.count("node_modules"), 1u);
  EXPECT_TRUE(seen["node_modules"].ignored);
  EXPECT_FALSE(seen["node_modules"].entered);
  EXPECT_EQ(seen.count("node_modules/r.js"), 0u);
  // build/ tracks a file: git keeps the folder, and the walk enters it.
  EXPECT_TRUE(seen["build"].entered);
  EXPECT_TRUE(seen["build"].tracked);
  EXPECT_TRUE(seen["src"].entered);

  const lines without = paths(walk(repo(), walk::options().prune_ignored(false)));
  EXPECT_EQ(without.count("node_modules"), 0u);
  EXPECT_EQ(without.count("build"), 1u);
}

TEST_F(WalkTest, IgnoredFilesAreThoseGitIgnores) {
  const lines git = ask("git -c core.quotePath=false ls-files -o -i --exclude-standard");
  walk all(repo());
  EXPECT_EQ(paths(all, [](const entry& e) { return e.ignored && e.kind != entry_kind::folder; }),
            git);
}

TEST_F(WalkTest, DecidingLinesAreThoseGitCheckIgnoreNames) {
  // Each ignored entry's line, as `git check-ignore -v` prints it.
  walk all(repo());
  std::string asked;
  lines ours;
  for (const entry& e : all) {
    if (e.ignored) {
      asked += e.path + '\n';
      ours.insert(e.rule_source + ':' + std::to_string(e.rule_line) + ':' + e.rule + '\t' + e.path);
    }
  }
  ASSERT_FALSE(ours.empty());
  file("asked.txt", asked);
  // The global file is named by its full path in both.
  const lines git = ask("git -c core.quotePath=false check-ignore -v --no-index --stdin < '" +
                        utf8(root / "asked.txt") + "'");
  EXPECT_EQ(ours, git);
}

TEST_F(WalkTest, GitsSourcesCountOneByOne) {
  // What git ignores with each of its sources, and without the global file
  // (core.excludesFile naming an empty one) or without info/exclude (left
  // empty): the walk with that source left out ignores the same.
  file("repo/.git/info/exclude", ".hidden\n");
  const auto ignored_files = [](walk& w) {
    return paths(w, [](const entry& e) { return e.ignored && e.kind == entry_kind::file; });
  };
  const std::string listed = "git -c core.quotePath=false ";
  const std::string others = " ls-files -o -i --exclude-standard";
  walk all(repo());
  EXPECT_EQ(ignored_files(all), ask(listed + others));
  walk without_global(repo(), walk::options().global_excludes(false));
  EXPECT_EQ(ignored_files(without_global), ask(listed + "-c core.excludesFile=/dev/null" + others));
  walk without_info(repo(), walk::options().info_exclude(false));
  const lines ours = ignored_files(without_info);
  file("repo/.git/info/exclude", "");
  EXPECT_EQ(ours, ask(listed + others));
  EXPECT_EQ(ours.count("docs/.hidden"), 0u);
}

TEST_F(WalkTest, WithoutTheIndexTrackedFilesAreIgnoredAsRulesSay) {
  std::string all_files;
  for (const std::string& path : find("-type f")) {
    all_files += path + '\n';
  }
  file("all.txt", all_files);
  const lines git = ask("git -c core.quotePath=false check-ignore --no-index --stdin < '" +
                        utf8(root / "all.txt") + "'");
  walk no_index(repo(), walk::options().use_index(false));
  EXPECT_EQ(paths(no_index, [](const entry& e) { return e.ignored && e.kind == entry_kind::file; }),
            git);
  EXPECT_EQ(git.count("build/tracked.o"), 1u);
  walk with_index(repo());
  for (const entry& e : with_index) {
    if (e.path == "build/tracked.o") {
      EXPECT_FALSE(e.ignored);
      EXPECT_TRUE(e.tracked);
      EXPECT_EQ(e.rule, "build/");  // the line that would ignore it
    }
  }
}

TEST_F(WalkTest, MaxDepthHandsOutWhatFindListsAtThatDepth) {
  for (std::size_t depth : {1u, 2u, 3u, 5u}) {
    const lines found = find("-maxdepth " + std::to_string(depth));
    std::map<std::string, entry> seen;
    walk limited(repo(), walk::options().max_depth(depth));
    for (const entry& e : limited) {
      seen[e.path] = e;
      EXPECT_LE(e.depth, depth);
      EXPECT_EQ(e.depth,
                1 + static_cast<std::size_t>(std::count(e.path.begin(), e.path.end(), '/')));
      EXPECT_EQ(e.entered, e.kind == entry_kind::folder && e.depth < depth) << e.path;
    }
    lines walked;
    for (const auto& [path, e] : seen) {
      walked.insert(path);
    }
    EXPECT_EQ(walked, found) << "depth " << depth;
  }
}

TEST_F(WalkTest, HiddenNamesLeftOutAsFindPrunesThem) {
  const lines found = ask("find . -mindepth 1 -name '.*' -prune -o -print | cut -c3-");
  EXPECT_EQ(paths(walk(repo(), walk::options().hidden(false))), found);
  // With them: every entry find lists, ".git" aside.
  EXPECT_EQ(paths(walk(repo())), find(""));
}

TEST_F(WalkTest, FilterSkipsEntriesAndKeepsTheWalkOutOfFolders) {
  const lines found = find("-path ./src -prune -o -name '*.js' -prune -o");
  std::vector<std::string> asked_about;
  walk filtered(repo(), walk::options().filter([&](const entry& e) {
    asked_about.push_back(e.path);
    return e.path != "src" && !e.path.ends_with(".js");
  }));
  EXPECT_EQ(paths(filtered, [](const entry&) { return true; }), found);
  // Nothing below a refused folder was asked about.
  EXPECT_TRUE(std::none_of(asked_about.begin(), asked_about.end(),
                           [](const std::string& p) { return p.starts_with("src/"); }));
}

TEST_F(WalkTest, ReadingAheadChangesNothing) {
  // Enough ignored folders that the lister is still busy below
  // node_modules when the walk tells it to leave them out.
  for (int i = 0; i < 300; ++i) {
    file("repo/node_modules/p" + std::to_string(i) + "/lib/x.js", "x");
  }
  const auto sequence = [this](walk::options chosen, bool ahead) {
    std::vector<std::string> out;
    for (const entry& e : walk(repo(), chosen.read_ahead(ahead))) {
      out.push_back(e.path + (e.ignored ? " i" : "") + (e.entered ? " e" : ""));
    }
    return out;
  };
  const auto no_src = [](const entry& e) { return e.path != "src"; };
  for (const walk::options& chosen :
       {walk::options(), walk::options().prune_ignored(), walk::options().kept_only(),
        walk::options().max_depth(2), walk::options().filter(no_src)}) {
    EXPECT_EQ(sequence(chosen, true), sequence(chosen, false));
  }
}

TEST_F(PlainWalkTest, FullPathsDepthsAndUtf8Names) {
  for (const char* name : {"\xc3\xbc.txt", "a/b/c", "a/.d"}) {
    file(fs::u8path(name), "x");
  }
  lines seen;
  for (const entry& e : walk(utf8(root))) {
    EXPECT_TRUE(fs::exists(fs::symlink_status(e.full_path()))) << e.path;
    EXPECT_EQ(e.full_path(), root / fs::u8path(e.path));
    EXPECT_EQ(e.kind == entry_kind::folder, fs::is_directory(e.full_path())) << e.path;
    EXPECT_FALSE(e.ignored);
    seen.insert(e.path + ' ' + std::to_string(e.depth));
  }
  EXPECT_EQ(seen, (lines{"\xc3\xbc.txt 1", "a 1", "a/b 2", "a/b/c 3", "a/.d 2"}));
  EXPECT_EQ(entry().full_path(), fs::path());
}

TEST_F(WalkTest, TimesReadOnlyWhenAsked) {
  testing::set_modified_time(tree / "README", 1000000000, 0);
  for (bool read : {false, true}) {
    for (const entry& e : walk(repo(), walk::options().read_times(read))) {
      if (e.path == "README") {
        EXPECT_EQ(e.modified, read ? 1000000000 : 0);
      }
    }
  }
}

TEST_F(WalkTest, IgnoreCaseFollowsTheRepositoryUnlessSet) {
  file("repo/UPPER.LOG", "x");
  ASSERT_EQ(shell("git config core.ignorecase true", tree), 0);
  const auto ignored = [this](walk::options chosen) {
    for (const entry& e : walk(repo(), std::move(chosen))) {
      if (e.path == "UPPER.LOG") {
        return e.ignored;
      }
    }
    ADD_FAILURE() << "UPPER.LOG not handed out";
    return false;
  };
  const bool git_folds = shell("git check-ignore -q --no-index UPPER.LOG", tree) == 0;
  const bool git_exact =
      shell("git -c core.ignorecase=false check-ignore -q --no-index UPPER.LOG", tree) == 0;
  EXPECT_TRUE(git_folds);
  EXPECT_EQ(ignored(walk::options()), git_folds);
  EXPECT_EQ(ignored(walk::options().ignore_case(false)), git_exact);
}

#ifndef _WIN32
TEST_F(WalkTest, KindsAreWhatFindTells) {
  ASSERT_EQ(::mkfifo(utf8(tree / "pipe").c_str(), 0600), 0);
  fs::create_directory_symlink("src", tree / "to-src");
  fs::create_symlink("README", tree / "to-readme");
  ASSERT_EQ(shell("git init -q inner && touch inner/f", tree), 0);
  // %y: d f l p s; a folder holding ".git" is a nested repository.
  const lines found =
      ask("find . -mindepth 1 -name .git -prune -o -path ./inner/f -prune -o "
          "-printf '%y %P\\n'");
  lines expected;
  for (const std::string& line : found) {
    const std::string path = line.substr(2);
    std::string kind;
    switch (line[0]) {
      case 'd':
        kind = fs::exists(tree / path / ".git") ? "nested_repository" : "folder";
        break;
      case 'f':
        kind = "file";
        break;
      case 'l':
        kind = "link";
        break;
      default:
        kind = "other";
    }
    expected.insert(kind + ' ' + path);
  }
  const char* names[] = {"file", "folder", "link", "nested_repository", "other"};
  lines walked;
  for (const entry& e : walk(repo())) {
    walked.insert(std::string(names[static_cast<int>(e.kind)]) + ' ' + e.path);
    if (e.kind != entry_kind::folder) {
      EXPECT_FALSE(e.entered) << e.path;
    }
  }
  EXPECT_EQ(walked, expected);
}
#endif

TEST_F(PlainWalkTest, ARootThatCannotBeWalkedThrows) {
  file("README", "x");
  EXPECT_THROW(walk(utf8(root / "missing")), fs::filesystem_error);
  EXPECT_THROW(walk(utf8(root / "README")), fs::filesystem_error);
#ifndef _WIN32
  if (::geteuid() != 0) {
    const fs::path closed = folder("closed");
    fs::permissions(closed, fs::perms::none);
    EXPECT_THROW(walk(utf8(closed)), fs::filesystem_error);
    fs::permissions(closed, fs::perms::owner_all);
  }
#endif
}

TEST_F(WalkTest, AFolderThatCannotBeReadIsReported) {
  // The folder goes away between its listing and the walk's entering it
  // (the filter runs in between): what a folder without read permission
  // does, also for a walk that runs as root.
  std::vector<std::string> reported;
  std::error_code reason;
  walk w(repo(), walk::options()
                     .read_ahead(false)
                     .filter([this](const entry& e) {
                       if (e.path == "deep/1") {
                         fs::rename(tree / "deep/1", root / "moved");
                       }
                       return true;
                     })
                     .on_unreadable([&](const entry& folder, std::error_code why) {
                       reported.push_back(folder.path);
                       reason = why;
                     }));
  const lines walked = paths(w, [](const entry&) { return true; });
  EXPECT_EQ(reported, std::vector<std::string>{"deep/1"});
  EXPECT_EQ(reason, std::errc::no_such_file_or_directory);
  EXPECT_EQ(walked.count("deep/1"), 1u);
  EXPECT_EQ(walked.count("deep/1/2"), 0u);
  EXPECT_EQ(walked.count("src/a.c"), 1u);  // the walk went on
}

// The checker of the same face answers each path as `git check-ignore -v
// -n` does, the disk telling which paths are folders ("build" without its
// "/"), relative or absolute, and with the index (tracked files kept).
TEST_F(WalkTest, CheckerAnswersAsGitCheckIgnore) {
  checker rules(repo());
  const std::vector<std::string> asked = {
      "build",   "build/out.o", "build/tracked.o", "x.log",       "keep/y.log", "node_modules/r.js",
      "src/a.c", "y.tmp",       "gone/",           "\xc3\xbc.txt"};
  std::string input;
  lines ours;
  for (const std::string& path : asked) {
    input += path + '\n';
    const verdict v = rules.check(path);
    ours.insert((v.rule_line == 0
                     ? "::"
                     : v.rule_source + ':' + std::to_string(v.rule_line) + ':' + v.rule) +
                '\t' + path);
    EXPECT_EQ(rules.check(repo() + '/' + path).rule, v.rule) << path;
  }
  file("asked.txt", input);
  // Exit code 1 where some path has no line.
  EXPECT_EQ(ours, ask("{ git -c core.quotePath=false check-ignore -v -n --stdin < '" +
                      utf8(root / "asked.txt") + "'; true; }"));
  EXPECT_TRUE(rules.check("build/tracked.o").tracked);
  EXPECT_THROW(rules.check("../outside"), git::path_error);
  EXPECT_THROW(rules.check(""), git::path_error);
}

TEST(CheckerTest, RulesHeldInMemoryDecideParentFolders) {
  checker held = checker::from_rules({{"", "build/\n"}, {"src", "*.tmp\n!keep.tmp\n"}});
  EXPECT_TRUE(held.check("src/build/x.c").ignored);  // through the folder, as git
  EXPECT_EQ(held.check("src/build/x.c").rule_source, ".gitignore");
  EXPECT_TRUE(held.check("src/a.tmp").ignored);
  EXPECT_FALSE(held.check("src/keep.tmp").ignored);
  EXPECT_EQ(held.check("src/keep.tmp").rule_line, 2u);
  EXPECT_FALSE(held.check("build").ignored);  // no disk: a folder where it ends in "/"
  EXPECT_TRUE(held.check("build/").ignored);
  EXPECT_THROW(held.check(utf8(fs::absolute("x"))), git::path_error);  // no disk, no top

  // The sources of the walk's options reach the checker too.
  checker more = checker::from_rules(
      {{"", "*.log\n"}}, checker::options().rules("/a.txt\n", "mine").overrides("!keep.log\n"));
  EXPECT_TRUE(more.check("x.log").ignored);
  EXPECT_EQ(more.check("keep.log").rule_source, "<overrides>");
  EXPECT_FALSE(more.check("keep.log").ignored);
  EXPECT_EQ(more.check("a.txt").rule_source, "mine");
}

// More sources of rules, checked against a twin tree that holds the same
// entries and the same lines where git reads them: a rule file's lines
// appended to its folder's .gitignore, the added files and texts appended
// to info/exclude.
class SourcesTest : public WalkTest {
 protected:
  // One rule file of the walked tree ("ours", below its top) and the file
  // of the twin that gets its lines, appended in row order.
  struct rule_row {
    std::string file;
    std::string twin_file;
    std::string lines;
  };

  void SetUp() override {
    WalkTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    for (const char* top : {"ours", "twin"}) {
      ASSERT_EQ(shell("git init -q " + std::string(top), root), 0);
      for (const char* name :
           {"a.log", "b.dat", "c.dat", "keep1.log", "keep2.log", "g.dat", "k.inf", "j.inf", "y.tmp",
            "src/a.log", "src/b.dat", "src/c.dat", "src/keep1.log", "src/x.c", "src/y.c",
            "src/sub/c.dat", "src/sub/e.log", "out/x", "out/y.log"}) {
        file(fs::path(top) / name, "x");
      }
    }
  }

  // Writes `rows`: each file in ours, its lines appended to its twin file.
  void write(const std::vector<rule_row>& rows) {
    std::map<std::string, std::string> twin;
    for (const rule_row& row : rows) {
      file(fs::path("ours") / row.file, row.lines);
      twin[row.twin_file] += row.lines;
    }
    for (const auto& [name, text] : twin) {
      file(fs::path("twin") / name, text);
    }
  }

  // Each entry of the walk as "path" where kept, "path line" where a line
  // ignores it; rule files that the twin lacks left out.
  static lines verdicts(walk&& w, const lines& leave_out) {
    lines out;
    for (const entry& e : w) {
      if (leave_out.count(e.path.substr(e.path.rfind('/') + 1)) == 0) {
        out.insert(e.path + (e.ignored ? ' ' + e.rule : ""));
      }
    }
    return out;
  }

  // Git's verdicts in the twin on the same paths.
  lines git_verdicts(const lines& walked) {
    std::string asked;
    for (const std::string& line : walked) {
      asked += line.substr(0, line.find(' ')) + '\n';
    }
    file("asked.txt", asked);
    const fs::path out = root / "out.txt";
    EXPECT_EQ(shell("git -c core.quotePath=false check-ignore -v -n --no-index --stdin < '" +
                        utf8(root / "asked.txt") + "' > '" + utf8(out) + "'",
                    root / "twin"),
              0);
    std::ifstream in(out, std::ios::binary);
    lines got;
    for (std::string line; std::getline(in, line);) {
      // "<source>:<number>:<line>\t<path>", "::\t<path>" where none matched.
      const std::string path = line.substr(line.find('\t') + 1);
      const std::string head = line.substr(0, line.find('\t'));
      const std::string rule = head.substr(head.find(':', head.find(':') + 1) + 1);
      got.insert(path + (rule.empty() || rule.starts_with('!') ? "" : ' ' + rule));
    }
    return got;
  }

  std::string ours() const { return utf8(root / "ours"); }
};

TEST_F(SourcesTest, RuleFileNamesReadAsThoughAppendedToGitignore) {
  // ".zz" is given before ".aa": the order given decides, not the names'.
  write({
      {".gitignore", ".gitignore", "*.log\n!keep*.log\nout/\n"},
      {".zz", ".gitignore", "!a.log\n*.dat\n"},
      {".aa", ".gitignore", "a.log\n!b.dat\n"},
      {"src/.gitignore", "src/.gitignore", "keep1.log\n"},
      {"src/.zz", "src/.gitignore", "!*.dat\n!keep1.log\n"},
      {"src/.aa", "src/.gitignore", "c.dat\n"},
      {"src/sub/.aa", "src/sub/.gitignore", "!e.log\n"},
      {"out/.zz", "out/.gitignore", "!y.log\n"},  // below an ignored folder: never read
  });
  const lines names{".zz", ".aa"};
  const auto chosen = [] { return walk::options().rule_file_name(".zz").rule_file_name(".aa"); };
  const lines walked = verdicts(walk(ours(), chosen()), names);
  EXPECT_EQ(walked, git_verdicts(walked));
  for (const char* row : {"a.log a.log", "b.dat", "src/c.dat c.dat", "src/keep1.log",
                          "src/sub/e.log", "out/y.log out/"}) {
    EXPECT_EQ(walked.count(row), 1u) << row;
  }
  EXPECT_EQ(verdicts(walk(ours(), chosen().read_ahead(false)), names), walked);
  // A walk from below the top reads the names above its root too.
  lines below;
  for (const std::string& line : walked) {
    if (line.starts_with("src/sub/")) {
      below.insert(line.substr(8));
    }
  }
  EXPECT_EQ(verdicts(walk(ours() + "/src/sub", chosen()), names), below);
  EXPECT_THROW(walk(ours(), walk::options().rule_file_name("a/b")), std::invalid_argument);
}

TEST_F(SourcesTest, AddedFilesAndTextsStandBetweenExcludeFilesAndTheTree) {
  // The global file ignores *.tmp in both trees; the twin's info/exclude
  // holds ours, then the added file's lines, then the text's.
  write({{".gitignore", ".gitignore", "!g.dat\nsrc/x.c\n"}});
  const std::string exclude = "*.inf\n";
  const std::string more = "*.dat\n!x.dat\nsrc/sub/\nsrc/y.c\n";
  const std::string text = "!k.inf\n!y.tmp\ng.dat\n!src/y.c\nkeep2.log\n";
  file("ours/.git/info/exclude", exclude);
  file("more.txt", more);
  file("twin/.git/info/exclude", exclude + more + text);
  std::map<std::string, entry> seen;
  lines walked;
  for (const entry& e :
       walk(ours(), walk::options().rule_file(utf8(root / "more.txt")).rules(text, "<mine>"))) {
    seen[e.path] = e;
    walked.insert(e.path + (e.ignored ? ' ' + e.rule : ""));
  }
  EXPECT_EQ(walked, git_verdicts(walked));
  // By hand: each source where it stands, and the names of their lines.
  EXPECT_FALSE(seen["k.inf"].ignored);  // the text beats info/exclude
  EXPECT_EQ(seen["j.inf"].rule_source, ".git/info/exclude");
  EXPECT_FALSE(seen["y.tmp"].ignored);  // and the global file
  EXPECT_FALSE(seen["g.dat"].ignored);  // the tree's own file beats the text
  EXPECT_EQ(seen["src/x.c"].rule_source, ".gitignore");
  EXPECT_FALSE(seen["src/y.c"].ignored);  // the later source beats the earlier
  EXPECT_EQ(seen["b.dat"].rule_source, utf8(root / "more.txt"));
  EXPECT_EQ(seen["b.dat"].rule_line, 1u);
  EXPECT_EQ(seen["src/sub/e.log"].rule, "src/sub/");
  EXPECT_EQ(seen["src/sub/e.log"].rule_line, 3u);
  EXPECT_EQ(seen["keep2.log"].rule_source, "<mine>");
  EXPECT_EQ(seen["keep2.log"].rule_line, 5u);
  // A missing file is an error when the walk is made.
  EXPECT_THROW(walk(ours(), walk::options().rule_file(utf8(root / "missing.txt"))),
               fs::filesystem_error);
  EXPECT_THROW(walk(ours(), walk::options().rule_file(utf8(root))), fs::filesystem_error);
}

TEST_F(WalkTest, OverridesDecideFirstYetCannotReachBelowAnIgnoredFolder) {
  // The repository's .gitignore: node_modules/ *.log build/ .cache; keep/
  // keeps *.log; build/tracked.o is tracked.
  struct row {
    std::string overrides;
    std::string path;
    std::string expected;  // "kept", or "<source>:<line>:<rule>"
  };
  const row rows[] = {
      {"!x.log", "x.log", "kept"},
      {".env", ".env", "<overrides>:1:.env"},
      {"/deep/", "deep/1/2/3/4.txt", "<overrides>:1:/deep/"},
      {".env\n!.env", ".env", "kept"},  // the last matching override line
      {"!deep/**/*.txt\n*.txt", "deep/1/2/3/4.txt", "<overrides>:2:*.txt"},
      {"*.txt\n!deep/**/*.txt", "deep/1/2/3/4.txt", "kept"},
      // A deeper rule file keeps keep/y.log; the override decides before it.
      {"*.log", "keep/y.log", "<overrides>:1:*.log"},
      {"*.c", "x.log", ".gitignore:2:*.log"},  // no override matches: the files decide
      // Nothing below an ignored folder is kept; keeping the folder lets the
      // files below it decide.
      {"!node_modules/r.js", "node_modules/r.js", ".gitignore:1:node_modules/"},
      {"!node_modules/", "node_modules", "kept"},
      {"!node_modules/", "node_modules/r.js", "kept"},
      {"!build/", "build/out.o", "kept"},
      // src/ tracks files and so is kept, yet its line ignores what it does
      // not track, as a .gitignore line would.
      {"src/", "src/b/d.log", "<overrides>:1:src/"},
      {"*.o", "build/tracked.o", "kept"},  // tracked: never ignored
      {"README", "README", "kept"},
  };
  for (const row& r : rows) {
    std::string got = "not walked";
    for (const entry& e : walk(repo(), walk::options().overrides(r.overrides))) {
      if (e.path == r.path) {
        got = e.ignored ? e.rule_source + ':' + std::to_string(e.rule_line) + ':' + e.rule : "kept";
      }
    }
    EXPECT_EQ(got, r.expected) << r.overrides;
  }
  // Patterns are relative to the top, also for a walk of a folder below it;
  // given twice, the lines are appended.
  file("repo/src/new.txt", "x");
  file("repo/src/other.txt", "x");
  std::map<std::string, bool> ignored;
  for (const entry& e :
       walk(repo() + "/src", walk::options().overrides("/src/new.txt").overrides("/other.txt"))) {
    ignored[e.path] = e.ignored;
  }
  EXPECT_TRUE(ignored.at("new.txt"));
  EXPECT_FALSE(ignored.at("other.txt"));
}

// Links for the walks that follow them: a pnpm-style node_modules and a
// second link to the same store (which holds a rule file), and, where
// `loops`, links back to the folder they are in, to its parent, to the top
// and to the folder above the top; a dangling link and a link to a file.
void add_links(const fs::path& root, const fs::path& tree, bool loops) {
  testing::write_file(root / "store/pkg/index.js", "x");
  testing::write_file(root / "store/pkg/a.map", "x");
  testing::write_file(root / "store/pkg/.gitignore", "*.map\n");
  fs::create_directories(tree / "web");
  fs::create_directory_symlink(root / "store", tree / "web/node_modules");
  fs::create_directory_symlink(root / "store", tree / "linked");
  fs::create_symlink(tree / "nowhere", tree / "dangling");
  fs::create_symlink(tree / "README", tree / "to-readme");
  if (loops) {
    fs::create_directory_symlink(tree / "src", tree / "src/self");
    fs::create_directory_symlink(tree / "src", tree / "src/b/up");
    fs::create_directory_symlink(tree, tree / "deep/1/top");
    // Above the root: the tree is reached again as a real folder below it.
    fs::create_directory_symlink(root, tree / "deep/1/above");
  }
}

TEST_F(WalkTest, FollowedLinksWalkWhatFindFollows) {
  add_links(root, tree, true);
  ASSERT_EQ(shell("git add -f linked && git commit -qm link", tree), 0);
  // find -L prints every entry it reaches through links but the loops,
  // which it names on its error output instead.
  const fs::path errors = root / "find-errors.txt";
  const lines found =
      ask("{ LC_ALL=C find -L . -mindepth 1 -name .git -prune -o -printf '%y %P\\n' 2>'" +
          utf8(errors) + "' || true; }");
  std::map<std::string, char> types;
  lines expected;
  for (const std::string& line : found) {
    types[line.substr(2)] = line[0];
    expected.insert(line.substr(2));
  }
  lines loops;
  std::ifstream in(errors);
  for (std::string line; std::getline(in, line);) {
    const std::size_t start = line.find("'./");
    ASSERT_NE(start, std::string::npos) << line;
    loops.insert(line.substr(start + 3, line.find('\'', start + 3) - start - 3));
  }
  ASSERT_EQ(loops, (lines{"src/self", "src/b/up", "deep/1/top", "deep/1/above/repo"}));
  expected.insert(loops.begin(), loops.end());

  lines reported;
  walk followed(repo(), walk::options().follow_links().on_unreadable(
                            [&](const entry& e, std::error_code why) {
                              reported.insert(e.path);
                              EXPECT_EQ(why, std::errc::too_many_symbolic_link_levels) << e.path;
                              EXPECT_FALSE(e.entered) << e.path;
                            }));
  lines walked;
  for (const entry& e : followed) {
    walked.insert(e.path);
    EXPECT_EQ(e.kind == entry_kind::link, fs::is_symlink(tree / fs::u8path(e.path))) << e.path;
    EXPECT_EQ(e.entered, types[e.path] == 'd') << e.path;
    if (e.path == "linked") {
      EXPECT_TRUE(e.tracked);
    }
    if (e.path.starts_with("linked/")) {
      EXPECT_FALSE(e.tracked) << e.path;  // the index holds the link alone
    }
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(reported, loops);
}

TEST_F(WalkTest, AFollowedLinkIsJudgedAsTheFolderItLeadsTo) {
  add_links(root, tree, false);
  walk followed(repo(), walk::options().follow_links().use_index(false));
  std::string all;
  lines ignored;
  lines ours;
  for (const entry& e : followed) {
    all += e.path + '\n';
    if (e.ignored) {
      ignored.insert(e.path);
      ours.insert(e.rule_source + ':' + std::to_string(e.rule_line) + ':' + e.rule + '\t' + e.path);
    }
  }
  EXPECT_EQ(ignored.count("web/node_modules"), 1u);  // by "node_modules/"
  EXPECT_EQ(ignored.count("linked/pkg/a.map"), 1u);  // by the linked folder's own file
  // Git does not follow links: it is asked about a copy whose links are
  // real folders of the same shape (the dangling link, which cannot be
  // copied, is asked about as a file that is not there).
  file("all.txt", all);
  ASSERT_EQ(shell("rm repo/dangling && cp -RL repo mirror", root), 0);
  const std::string in_mirror = "cd ../mirror && git -c core.quotePath=false check-ignore ";
  EXPECT_EQ(ask(in_mirror + "--no-index --stdin < '" + utf8(root / "all.txt") + "'"), ignored);
  std::string asked;
  for (const std::string& path : ignored) {
    asked += path + '\n';
  }
  file("asked.txt", asked);
  EXPECT_EQ(ask(in_mirror + "-v --no-index --stdin < '" + utf8(root / "asked.txt") + "'"), ours);
}

TEST_F(WalkTest, FollowingLinksReadsAheadTheSame) {
  add_links(root, tree, true);
  const auto sequence = [this](bool ahead) {
    std::vector<std::string> out;
    for (const entry& e : walk(repo(), walk::options().follow_links().read_ahead(ahead))) {
      out.push_back(e.path + (e.ignored ? " i" : "") + (e.entered ? " e" : ""));
    }
    return out;
  };
  const std::vector<std::string> ahead = sequence(true);
  EXPECT_EQ(ahead, sequence(false));
  EXPECT_NE(std::find(ahead.begin(), ahead.end(), "linked/pkg/index.js"), ahead.end());
}

#ifndef _WIN32
TEST_F(PlainWalkTest, SameFileSystemStopsWhereFindXdevStops) {
  // A link to a folder on another file system than the temporary folder's:
  // a folder of our own in /dev/shm where it is one, else /proc or /sys,
  // which are only looked at, never walked.
  std::error_code error;
  const auto device = [&](const fs::path& path) { return platform::identify(path, error).device; };
  fs::path other;
  if (fs::is_directory("/dev/shm") && device("/dev/shm") != device(root) && !error) {
    other = fs::path("/dev/shm") / ("quorvel-" + root.filename().string());
    if (fs::create_directory(other, error)) {
      testing::write_file(other / "inside", "x");
    } else {
      other.clear();
    }
  }
  for (const char* candidate : {"/proc", "/sys"}) {
    if (other.empty() && fs::is_directory(candidate) && device(candidate) != device(root) &&
        !error) {
      other = candidate;
    }
  }
  if (other.empty()) {
    GTEST_SKIP() << "no other file system to link to";
  }
  file("a/b/f", "x");
  fs::create_directory_symlink(other, root / "a/other");
  fs::create_directory_symlink(root / "a/b", root / "a/near");
  const fs::path out = root.parent_path() / (root.filename().string() + "-find.txt");
  const bool found_ok =
      testing::shell("find -L . -mindepth 1 -xdev -printf '%P\\n' > '" + utf8(out) + "'", root) ==
      0;
  lines found;
  {
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) {
      found.insert(line);
    }
  }
  fs::remove(out);
  lines walked;
  for (const entry& e :
       walk(utf8(root), walk::options().follow_links().same_file_system().read_ahead(true))) {
    walked.insert(e.path);
    if (e.path == "a/other") {
      EXPECT_FALSE(e.entered);
    }
  }
  if (other.string().starts_with("/dev/shm")) {
    // Without keeping to one file system, the link is entered.
    EXPECT_EQ(paths(walk(utf8(root), walk::options().follow_links())).count("a/other/inside"), 1u);
    testing::remove_tree(other);
  }
  EXPECT_TRUE(found_ok);
  EXPECT_EQ(walked, found);
  EXPECT_EQ(walked.count("a/near/f"), 1u);
}
#endif

TEST_F(WalkTest, MovedWalkGoesOn) {
  walk first(repo(), walk::options().kept_only());
  walk second = std::move(first);
  EXPECT_EQ(paths(second, [](const entry&) { return true; }).count("src/a.c"), 1u);
}

}  // namespace
}  // namespace quorvel
