#include "quorvel/git/index.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/read_all.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;

// Repositories that git itself makes, in a fresh folder, with none of the
// machine's own settings.
class IndexTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    repo = root / "r";
  }

  // Runs a shell line in the repository (made first with `init`).
  void run(const std::string& line) {
    const std::string clean = "export LC_ALL=C GIT_CONFIG_NOSYSTEM=1 HOME='" + root.string() +
                              "' XDG_CONFIG_HOME='" + root.string() +
                              "' GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@t GIT_COMMITTER_NAME=t "
                              "GIT_COMMITTER_EMAIL=t@t && ";
    ASSERT_EQ(testing::shell(clean + line, repo), 0) << line;
  }

  void init(std::string_view options = "") {
    fs::create_directories(repo);
    run("git init -q " + std::string(options));
  }

  std::string bytes(const fs::path& file) {
    std::string out;
    filesystem::read_all(file, out);
    return out;
  }

  // The paths that `git ls-files --sparse` lists, each once.
  std::vector<std::string> listed() {
    run("git ls-files --sparse -z > ../listed");
    const std::string all = bytes(root / "listed");
    std::set<std::string> paths;
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find('\0', at);
      paths.insert(all.substr(at, end - at));
      at = end + 1;
    }
    return {paths.begin(), paths.end()};
  }

  fs::path repo;
};

std::vector<std::string> paths_of(const tracked_files& files) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < files.size(); ++i) {
    paths.emplace_back(files.path(i));
  }
  return paths;
}

// Checks both questions against the answers that the list `git` implies,
// for every path of it, every folder above one, and near misses.
void expect_answers(const tracked_files& files, const std::vector<std::string>& git) {
  std::set<std::string> files_only;  // without sparse folders, which are not tracked files
  std::vector<std::string> asked = {"", "zz", "b.", "b/"};
  for (const std::string& path : git) {
    if (!path.ends_with('/')) {
      files_only.insert(path);
    }
    asked.push_back(path);
    asked.push_back(path + "x");
    asked.push_back(path.substr(0, path.size() - 1));
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      asked.push_back(path.substr(0, slash));
    }
  }
  for (const std::string& question : asked) {
    SCOPED_TRACE(question);
    EXPECT_EQ(files.tracked(question), files_only.count(question) == 1);
    const bool below = std::any_of(git.begin(), git.end(), [&](const std::string& path) {
      return question.empty() || path.starts_with(question + "/");
    });
    EXPECT_EQ(files.tracked_below(question), below);
  }
}

// One repository and what it must hold beside git's list.
struct form_row {
  std::string_view name;
  std::string_view init;  // options of `git init`
  std::size_t hash_size;
  std::string_view setup;  // shell commands after it
  std::uint32_t version;   // what the index must be, so the row tests what it says
};

// A blob name, files in folders whose names sort around "/", a gitlink and
// a path longer than the 0xFFF that the length field holds.
constexpr std::string_view tree_setup =
    "mkdir -p b/d b-c && touch a b/c b/d/e b.c b-c/x && git add . && "
    "h=$(git hash-object -w a) && long=$(head -c 5000 /dev/zero | tr '\\0' L) && "
    "git update-index --add --cacheinfo 100644,$h,b/$long --cacheinfo 160000,$h,sub";

const form_row form_rows[] = {
    {"v2", "", 20, "git config index.version 2 && TREE", 2},
    {"v3 with intent-to-add and skip-worktree", "", 20,
     "git config index.version 2 && TREE && touch n && git add -N n && "
     "git update-index --skip-worktree b/c",
     3},
    {"v4", "", 20, "git config index.version 4 && TREE && touch b/d/n && git add -N b/d/n", 4},
    {"v2 sha256", "--object-format=sha256", 32, "git config index.version 2 && TREE", 2},
    {"v4 sha256", "--object-format=sha256", 32,
     "git config index.version 4 && TREE && touch n && git add -N n", 4},
    {"split", "", 20,
     "TREE && git update-index --split-index && git rm -q --cached b/c b.c && touch b/new && "
     "git add b/new && echo more > a && git add a",
     2},
    {"split v4", "", 20,
     "git config index.version 4 && TREE && git update-index --split-index && "
     "git rm -q --cached b-c/x && touch 0 && git add 0",
     4},
    // 241 deletions in a row: the delete bitmap holds a run of set words.
    {"split with a run", "", 20,
     "mkdir d && touch $(seq -f d/%03g 300) && git add . && git update-index --split-index && "
     "git rm -q --cached $(seq -f d/%03g 10 250)",
     2},
    {"sparse", "", 20,
     "mkdir -p a b/c d/e d/g/h && touch top a/x b/c/y b/z d/e/v d/g/h/w d/u && git add . && "
     "git commit -qm one && git sparse-checkout set --cone --sparse-index a d/e",
     3},
    {"conflict", "", 20,
     "echo 1 > f && touch g && git add . && git commit -qm one && git checkout -qb side && "
     "echo 2 > f && git commit -qam two && git checkout -q - && echo 3 > f && "
     "git commit -qam three && ! git merge -q side >/dev/null",
     2},
    {"no entries", "", 20, "touch a && git add a && git rm -q --cached a", 2},
};

TEST_F(IndexTest, ReadsWhatGitWrites) {
  for (const form_row& row : form_rows) {
    SCOPED_TRACE(row.name);
    testing::remove_tree(repo);
    init(row.init);
    std::string setup(row.setup);
    if (const std::size_t at = setup.find("TREE"); at != std::string::npos) {
      setup.replace(at, 4, tree_setup);
    }
    run(setup);
    const std::string data = bytes(repo / ".git/index");
    ASSERT_GE(data.size(), 8u);
    EXPECT_EQ(data[7], static_cast<char>(row.version));
    const tracked_files files = tracked_files::read(repo / ".git", row.hash_size);
    const std::vector<std::string> git = listed();
    EXPECT_EQ(paths_of(files), git);
    expect_answers(files, git);
  }
}

TEST_F(IndexTest, MissingIndexTracksNothingAndAFolderIsAnError) {
  init();
  EXPECT_TRUE(tracked_files::read(repo / ".git", 20).empty());
  EXPECT_TRUE(tracked_files::read(root / "none/.git", 20).empty());
  fs::create_directories(root / "folder/index");
  EXPECT_THROW(tracked_files::read(root / "folder", 20), index_error);
  EXPECT_FALSE(tracked_files().tracked_below(""));
  EXPECT_FALSE(tracked_files().tracked("a"));
}

// git's core.ignoreCase folds ASCII letters only: with it, `git status`
// counts "abc" and "dir/x" as the tracked "ABC" and "Dir/x", but "\u00e9"
// stays apart from "\u00c9".
TEST_F(IndexTest, IgnoreCaseFoldsAsciiOnly) {
  init();
  run("mkdir Dir && touch ABC Dir/x \xC3\x89 _ && git add .");
  const tracked_files files = tracked_files::read(repo / ".git", 20, true);
  for (const char* path : {"ABC", "abc", "aBc", "Dir/x", "dir/x", "DIR/X", "\xC3\x89", "_"}) {
    EXPECT_TRUE(files.tracked(path)) << path;
  }
  for (const char* path : {"\xC3\xA9", "ab", "dir", "Dir", "x"}) {
    EXPECT_FALSE(files.tracked(path)) << path;
  }
  EXPECT_TRUE(files.tracked_below("dir"));
  EXPECT_TRUE(files.tracked_below("DIR"));
  EXPECT_FALSE(files.tracked_below("di"));
  EXPECT_FALSE(tracked_files::read(repo / ".git", 20).tracked("abc"));
}

// Each corruption must give an index_error that names the file.
void expect_error(std::string_view data, std::string_view expected, std::size_t hash_size = 20,
                  const tracked_files::shared_source& shared = {}) {
  try {
    (void)tracked_files::from_bytes(data, "/r/.git/index", hash_size, false, shared);
    ADD_FAILURE() << "no error, expected: " << expected;
  } catch (const index_error& failure) {
    const std::string what = failure.what();
    // The file, in the system's spelling ("\\" after ".git" on Windows).
    const std::string file = what.substr(0, what.find(": "));
    EXPECT_TRUE(std::filesystem::path(file).generic_string().starts_with("/r/.git/")) << what;
    EXPECT_NE(what.find(expected), std::string::npos) << what;
  }
}

std::string put32(std::string data, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    data[at + i] = static_cast<char>(value >> (24 - 8 * i));
  }
  return data;
}

// The checksum is not computed, so bytes can be put before it as they are.
std::string before_checksum(const std::string& data, std::string_view extra) {
  return data.substr(0, data.size() - 20) + std::string(extra) + data.substr(data.size() - 20);
}

TEST_F(IndexTest, CorruptIndexesAreErrors) {
  using namespace std::literals;
  init();
  run("touch a bb && git add . && cp .git/index ../v2 && git update-index --index-version 4 && "
      "cp .git/index ../v4");
  const std::string v2 = bytes(root / "v2");
  const std::string v4 = bytes(root / "v4");
  ASSERT_EQ(tracked_files::from_bytes(v2, "i", 20).size(), 2u);
  ASSERT_EQ(tracked_files::from_bytes(v4, "i", 20).size(), 2u);
  // Every shorter file fails: an entry or the extensions no longer fit.
  for (const std::string* data : {&v2, &v4}) {
    for (std::size_t size = 0; size < data->size(); ++size) {
      SCOPED_TRACE(size);
      expect_error(data->substr(0, size), "");
    }
  }
  expect_error("DIRX" + v2.substr(4), "does not begin with \"DIRC\"");
  expect_error(put32(v2, 4, 5), "index version 5");
  expect_error(put32(v2, 8, 3), "the header counts 3 entries");
  expect_error(put32(v2, 8, 0xFFFFFFFF), "more than the data holds");
  expect_error(v2, "", 32);  // a SHA-1 index read as SHA-256
  expect_error(before_checksum(v2, "abcd\0\0\0\0"sv), "unknown extension \"abcd\"");
  expect_error(before_checksum(v2, "TREE\xFF\xFF\xFF\xF0"sv), "\"TREE\" runs past the end");
  expect_error(before_checksum(v2, "TRE"), "stray bytes");
  EXPECT_EQ(tracked_files::from_bytes(before_checksum(v2, "ABCD\0\0\0\1x"sv), "i", 20).size(), 2u);
  // The first entry's path drops a byte from the empty path before it.
  std::string v4_drop = v4;
  v4_drop[12 + 62] = 1;
  expect_error(v4_drop, "entry 1 drops 1 bytes of the previous path, which has 0");
  // "a" and "bb" in the wrong order; then "bb" with no NUL after it.
  std::string swapped = v2;
  std::swap(swapped[12 + 62], swapped[12 + 64 + 62]);
  expect_error(swapped, "entry 2 is out of order");
  std::string unended = v2;
  unended[12 + 61] = 2;  // the length of "a", whose NUL is then the next entry's first byte
  expect_error(unended, "not ended by a NUL");
  std::string extended = v2;
  extended[12 + 60] |= 0x40;
  expect_error(extended, "index version 2 does not have");
}

// A file is read through a window of a few hundred kilobytes. An index of
// several windows, with long paths across their edges and one longer than a
// window, reads as its bytes do, also with a skipped extension larger than
// a window and as a split index; cut short anywhere, it is an error.
TEST_F(IndexTest, ReadsAnIndexLargerThanTheWindow) {
  init();
  run("h=$(git hash-object -w --stdin </dev/null) && "
      "{ awk -v h=$h 'BEGIN { s = \"abcdefghijklmnopqrstuvwxyz0123456789\"; "
      "while (length(s) < 500) s = s s; "
      "for (i = 0; i < 3000; i++) printf \"100644 %s\\td%04d/%s\\n\", h, i, substr(s, 1 + i % 300) "
      "}' && "
      "printf \"100644 $h\\tm/\" && head -c 300000 /dev/zero | tr '\\0' L && echo && "
      "seq -f \"100644 $h\tn%04g\" 100; } | git update-index --index-info");
  const std::vector<std::string> git = listed();
  ASSERT_EQ(git.size(), 3101u);
  const fs::path copy = root / "copy";
  for (const char* version : {"2", "4"}) {
    SCOPED_TRACE(version);
    run(std::string("git update-index --index-version ") + version);
    EXPECT_EQ(paths_of(tracked_files::read(repo / ".git", 20)), git);
    const std::string data = bytes(repo / ".git/index");
    const std::string big =
        before_checksum(data, put32("ABCD....", 4, 600000) + std::string(600000, 'x'));
    testing::write_file(copy / "index", big);
    EXPECT_EQ(paths_of(tracked_files::read(copy, 20)), git);
    for (const std::size_t size :
         {data.size() / 3, data.find(std::string(1000, 'L')) + 1000, big.size() - 300000}) {
      SCOPED_TRACE(size);
      testing::write_file(copy / "index", std::string_view(big).substr(0, size));
      EXPECT_THROW((void)tracked_files::read(copy, 20), index_error);
    }
  }
  run("git update-index --split-index && git rm -q --cached d0002/* d0003/* && "
      "touch new && git add new");
  EXPECT_EQ(paths_of(tracked_files::read(repo / ".git", 20)), listed());
}

TEST_F(IndexTest, SplitIndexNeedsItsSharedIndex) {
  init();
  run("touch a b c && git add . && git update-index --split-index && git rm -q --cached b && "
      "mv .git/sharedindex.* ../shared");
  const std::string index = bytes(repo / ".git/index");
  const std::string shared = bytes(root / "shared");
  const auto give = [](const std::string& bytes) {
    return [&bytes](std::string_view) { return std::optional<std::string_view>(bytes); };
  };
  EXPECT_EQ(paths_of(tracked_files::from_bytes(index, "i", 20, false, give(shared))),
            (std::vector<std::string>{"a", "c"}));
  expect_error(index, "its shared index sharedindex.");
  EXPECT_THROW(tracked_files::read(repo / ".git", 20), index_error);
  std::string other = shared;
  other.back() ^= 1;
  expect_error(index, "does not end in the hash that names it", 20, give(other));
  // The delete bitmap's first literal word marks bit 1 ("b"); mark bit 8,
  // past the three entries that the shared index holds.
  const std::size_t link = index.find("link");
  ASSERT_NE(link, std::string::npos);
  std::string past = index;
  const std::size_t literal = link + 8 + 20 + 8 + 8;
  ASSERT_EQ(past[literal + 7], 2);
  past[literal + 7] = 0;
  past[literal + 6] = 1;
  expect_error(past, "the delete bitmap marks an entry past the shared index's 3", 20,
               give(shared));
}

}  // namespace
}  // namespace quorvel::git
