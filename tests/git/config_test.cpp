// Configuration as find_work_tree reads it, includes followed: rows that git
// decided with `git config --get core.excludesFile` in the same setup. Where
// git runs natively the rows are put to git again, so that a row that git no
// longer agrees with fails here rather than passing on a stale answer.

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/git/check.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/native_path.h"
#include "tests/support/environment.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;
using testing::scoped_variable;

#ifndef _WIN32
constexpr bool ask_git = true;
#else
// Git there is the host's, which sees other paths in the files' contents.
constexpr bool ask_git = false;
#endif

// One setup: files below the home folder, the folder asked from, and what
// git said: core.excludesFile as it printed it (nullopt: not set),
// core.ignoreCase, or the words it stopped with (after "fatal: ").
struct config_row {
  using files_type = std::vector<std::pair<std::string, std::string>>;
  config_row(std::string name_, files_type files_, std::string run_in_,
             std::optional<std::string> excludes_, std::optional<bool> ignore_case_ = {},
             std::string error_ = {})
      : name(std::move(name_)),
        files(std::move(files_)),
        run_in(std::move(run_in_)),
        excludes(std::move(excludes_)),
        ignore_case(ignore_case_),
        error(std::move(error_)) {}

  std::string name;
  files_type files;
  std::string run_in;
  std::optional<std::string> excludes;
  std::optional<bool> ignore_case;
  std::string error;
};

std::string include_if(const std::string& condition, const std::string& path = "extra.inc") {
  return "[includeIf \"" + condition + "\"]\n\tpath = " + path + "\n";
}

// A home folder with its repositories, and the environment pointed at it.
class ConfigTest : public testing::temp_folder_test {
 protected:
  void SetUp() override {
    temp_folder_test::SetUp();
    home = root / "home";
    home_text = platform::generic_utf8(home);
    variables.emplace_back("GIT_CONFIG_GLOBAL", nullptr);
    variables.emplace_back("HOME", home_text.c_str());
    variables.emplace_back("XDG_CONFIG_HOME", (home_text + "/xdg").c_str());
    variables.emplace_back("GIT_CONFIG_NOSYSTEM", "1");

    make_repository("work/repo", "ref: refs/heads/main\n");
    make_repository("work/feature", "ref: refs/heads/feature/x\n");
    make_repository("work/detached", "0123456789abcdef0123456789abcdef01234567\n");
    make_repository("elsewhere/repo", "ref: refs/heads/main\n");
    fs::create_directories(home / "plain");
    // A linked work tree of work/repo, on its own branch.
    testing::write_file(home / "linked/.git", "gitdir: ../work/repo/.git/worktrees/linked\n");
    testing::write_file(home / "work/repo/.git/worktrees/linked/HEAD", "ref: refs/heads/side\n");
    testing::write_file(home / "work/repo/.git/worktrees/linked/commondir", "../..\n");
    testing::write_file(home / "work/repo/.git/worktrees/linked/gitdir",
                        home_text + "/linked/.git\n");
    has_link = testing::make_folder_link(home / "work", home / "link");

    testing::write_file(home / "extra.inc", "[core]\n\texcludesFile = from-extra\n");
    testing::write_file(home / "case.inc",
                        "[core]\n\texcludesFile = from-case\n\tignoreCase = true\n");
  }

  void make_repository(const std::string& below, const std::string& head) {
    testing::write_file(home / below / ".git/HEAD", head);
    fs::create_directories(home / below / ".git/objects");
    fs::create_directories(home / below / ".git/refs");
  }

  std::string read(const fs::path& file) const {
    std::string text;
    std::ifstream stream(file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return text;
  }

  // Runs `git <arguments>` in `folder`; its exit code, standard output
  // without the last newline, and standard error.
  struct git_answer {
    int exit_code;
    std::string out;
    std::string err;
  };
  git_answer git(const std::string& arguments, const fs::path& folder) const {
    const int code = testing::shell(
        "git " + arguments + " >'" + root.string() + "/git.out' 2>'" + root.string() + "/git.err'",
        folder);
    std::string out = read(root / "git.out");
    if (!out.empty() && out.back() == '\n') {
      out.pop_back();
    }
    return {code, out, read(root / "git.err")};
  }

  // Where find_work_tree should say the excludes file is for `row`.
  fs::path expected_excludes(const config_row& row, const work_tree& tree) const {
    if (!row.excludes) {
      return home / "xdg/git/ignore";
    }
    if (row.excludes->rfind("~/", 0) == 0) {
      return home / row.excludes->substr(2);
    }
    return (tree.top.empty() ? home / row.run_in : tree.top) / *row.excludes;
  }

  void check(const config_row& row) {
    SCOPED_TRACE(row.name);
    for (const auto& [path, text] : row.files) {
      testing::write_file(home / path, text);
    }
    const fs::path folder = home / row.run_in;
    if (ask_git) {
      const git_answer excludes = git("config --get core.excludesFile", folder);
      if (!row.error.empty()) {
        EXPECT_EQ(excludes.exit_code, 128);
        EXPECT_NE(excludes.err.find("fatal: " + row.error), std::string::npos) << excludes.err;
      } else {
        EXPECT_EQ(excludes.exit_code == 0 ? std::optional(excludes.out) : std::nullopt,
                  row.excludes);
        const git_answer ignore_case = git("config --type=bool --get core.ignoreCase", folder);
        EXPECT_EQ(
            ignore_case.exit_code == 0 ? std::optional(ignore_case.out == "true") : std::nullopt,
            row.ignore_case);
      }
    }
    if (!row.error.empty()) {
      try {
        find_work_tree(folder);
        ADD_FAILURE() << "no error";
      } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), row.error);
      }
    } else {
      const work_tree tree = find_work_tree(folder);
      EXPECT_EQ(tree.excludes_file, expected_excludes(row, tree));
      EXPECT_EQ(tree.ignore_case, row.ignore_case);
    }
    for (const auto& [path, text] : row.files) {
      fs::remove(home / path);
    }
  }

  fs::path home;
  std::string home_text;
  std::deque<scoped_variable> variables;  // each variable once, so any order restores
  bool has_link = false;
};

TEST_F(ConfigTest, IncludesCountWhereTheyStand) {
  const config_row rows[] = {
      {"relative to the including file",
       {{".gitconfig", "[include]\n\tpath = extra.inc\n"}},
       "work/repo",
       "from-extra"},
      {"a later line overrides",
       {{".gitconfig", "[include]\n\tpath = extra.inc\n[core]\n\texcludesFile = after\n"}},
       "work/repo",
       "after"},
      {"an include overrides an earlier line",
       {{".gitconfig", "[core]\n\texcludesFile = before\n[include]\n\tpath = extra.inc\n"}},
       "work/repo",
       "from-extra"},
      {"~/ and nested relative, names in any case",
       {{".gitconfig", "[Include]\n\tPATH = ~/sub/nested.inc\n"},
        {"sub/nested.inc", "[include]\n\tpath = ../case.inc\n"}},
       "work/repo",
       "from-case",
       true},
      {"several paths, the last deciding",
       {{".gitconfig", "[include]\n\tpath = case.inc\n\tpath = \"extra.inc\" ; note\n"}},
       "plain",
       "from-extra",
       true},
      {"missing files passed over",
       {{".gitconfig",
         "[core]\n\texcludesFile = kept\n[include]\n\tpath = nowhere.inc\n"
         "\tpath = extra.inc/below\n"}},
       "work/repo",
       "kept"},
      {"a subsection of include is no include",
       {{".gitconfig",
         "[include \"x\"]\n\tpath = extra.inc\n[include]\n[includeIf]\n\tpath = "
         "case.inc\n"}},
       "work/repo",
       std::nullopt},
      {"the XDG file's includes, from its folder",
       {{"xdg/git/config", "[include]\n\tpath = xdg.inc\n"},
        {"xdg/git/xdg.inc", "[core]\n\texcludesFile = from-xdg\n"}},
       "plain",
       "from-xdg"},
      {"the repository's own config, from its folder",
       {{"work/repo/.git/config", "[include]\n\tpath = local.inc\n"},
        {"work/repo/.git/local.inc", "[core]\n\texcludesFile = ~/from-local\n"}},
       "work/repo",
       "~/from-local"},
  };
  for (const config_row& row : rows) {
    check(row);
  }
}

TEST_F(ConfigTest, ConditionsAsGitDecidesThem) {
  const auto global = [](const std::string& text) {
    return std::vector<std::pair<std::string, std::string>>{{".gitconfig", text}};
  };
  const auto hit = std::optional<std::string>("from-extra");
  const std::optional<std::string> miss;
  std::vector<config_row> rows = {
      {"gitdir ~/ folder", global(include_if("gitdir:~/work/")), "work/repo", hit},
      {"gitdir ~/ elsewhere", global(include_if("gitdir:~/elsewhere/")), "work/repo", miss},
      {"gitdir relative gets **/", global(include_if("gitdir:repo/")), "work/repo", hit},
      {"gitdir without / is the .git folder", global(include_if("gitdir:repo")), "work/repo", miss},
      {"gitdir naming .git", global(include_if("gitdir:work/repo/.git")), "work/repo", hit},
      {"gitdir .git/ needs more", global(include_if("gitdir:work/repo/.git/")), "work/repo", miss},
      {"gitdir empty matches any repository", global(include_if("gitdir:")), "work/repo", hit},
      {"gitdir wildcards", global(include_if("gitdir:~/w*k/*/.git")), "work/repo", hit},
      {"gitdir case counts", global(include_if("gitdir:~/WORK/")), "work/repo", miss},
      {"gitdir/i", global(include_if("gitdir/i:~/WORK/")), "work/repo", hit},
      {"the keyword's case counts", global(include_if("GitDir:~/work/")), "work/repo", miss},
      {"gitdir outside a repository", global(include_if("gitdir:")), "plain", miss},
      {"gitdir of a linked work tree is its own",
       global(include_if("gitdir:~/work/repo/.git/worktrees/")), "linked", hit},
      {"./ is the including file's folder",
       {{".gitconfig", "[include]\n\tpath = work/group.inc\n"},
        {"work/group.inc", include_if("gitdir:./", "../extra.inc")}},
       "work/repo",
       hit},
      {"./ outside that folder",
       {{".gitconfig", "[include]\n\tpath = work/group.inc\n"},
        {"work/group.inc", include_if("gitdir:./", "../extra.inc")}},
       "elsewhere/repo",
       miss},
      {"./ and a linked work tree whose repository lies below",
       {{".gitconfig", "[include]\n\tpath = work/group.inc\n"},
        {"work/group.inc", include_if("gitdir:./", "../extra.inc")}},
       "linked",
       hit},
      {"./ in the repository's config is its .git folder",
       {{"work/repo/.git/config", include_if("gitdir:./", "../../../extra.inc")}},
       "work/repo",
       miss},
      {"onbranch", global(include_if("onbranch:main")), "work/repo", hit},
      {"onbranch folder", global(include_if("onbranch:feature/")), "work/feature", hit},
      {"onbranch gets no **/", global(include_if("onbranch:x")), "work/feature", miss},
      {"onbranch of a linked work tree", global(include_if("onbranch:side")), "linked", hit},
      {"onbranch detached", global(include_if("onbranch:**")), "work/detached", miss},
      {"onbranch outside a repository", global(include_if("onbranch:**")), "plain", miss},
      {"hasconfig without remotes", global(include_if("hasconfig:remote.*.url:**")), "work/repo",
       miss},
  };
  // Asked through a link: the real path and the path as found both count.
  // Links as POSIX systems resolve them; under Wine a link's real path is
  // not what a Windows system would give, so these rows stay out there.
  if (has_link && !platform::backslash_is_separator) {
    rows.push_back(
        {"gitdir real path", global(include_if("gitdir:~/work/repo/")), "link/repo", hit});
    rows.push_back(
        {"gitdir path as found", global(include_if("gitdir:~/link/repo/")), "link/repo", hit});
    rows.push_back({"./ of a file read through a link is its real folder",
                    {{".gitconfig", "[include]\n\tpath = link/group.inc\n"},
                     {"work/group.inc", include_if("gitdir:./", "../extra.inc")}},
                    "work/repo",
                    hit});
  }
  for (const config_row& row : rows) {
    check(row);
  }
}

TEST_F(ConfigTest, StopsWhereGitStops) {
  // A chain .gitconfig -> c1 -> ... -> cN, cN setting the excludes file.
  const auto chain = [](int length) {
    std::vector<std::pair<std::string, std::string>> files = {
        {".gitconfig", "[include]\n\tpath = c1\n"}};
    for (int i = 1; i < length; ++i) {
      files.emplace_back("c" + std::to_string(i),
                         "[include]\n\tpath = c" + std::to_string(i + 1) + "\n");
    }
    files.emplace_back("c" + std::to_string(length),
                       "[core]\n\texcludesFile = c" + std::to_string(length) + "\n");
    return files;
  };
  std::vector<std::pair<std::string, std::string>> deep_missing = chain(10);
  deep_missing.back().second += "[include]\n\tpath = nowhere\n";
  const config_row rows[] = {
      {"ten deep", chain(10), "work/repo", "c10"},
      {"a missing file past ten deep", deep_missing, "work/repo", "c10"},
      {"eleven deep", chain(11), "work/repo", std::nullopt, std::nullopt,
       "exceeded maximum include depth (10) while including\n\t" + home_text + "/c11\nfrom\n\t" +
           home_text + "/c10\nThis might be due to circular includes."},
      {"a loop",
       {{".gitconfig", "[include]\n\tpath = .gitconfig\n"}},
       "plain",
       std::nullopt,
       std::nullopt,
       "exceeded maximum include depth (10) while including\n\t" + home_text +
           "/.gitconfig\nfrom\n\t" + home_text +
           "/.gitconfig\nThis might be due to circular "
           "includes."},
      {"an include of a folder",
       {{".gitconfig", "[core]\n\tignoreCase\n[include]\n\tpath = work\n"}},
       "work/repo",
       std::nullopt,
       std::nullopt,
       "bad config line 4 in file " + home_text + "/.gitconfig"},
      {"an include without a value",
       {{".gitconfig", "[include]\n\tpath\n"}},
       "work/repo",
       std::nullopt,
       std::nullopt,
       "bad config line 2 in file " + home_text + "/.gitconfig"},
  };
  for (const config_row& row : rows) {
    check(row);
  }
}

TEST_F(ConfigTest, ObjectFormatFromTheRepositorysOwnConfigOnly) {
  struct format_row {
    std::string name;
    std::string repository_config;
    std::string global;
    std::size_t hash_size;
  };
  const std::string v1 = "[core]\n\trepositoryformatversion = 1\n";
  const format_row rows[] = {
      {"none", v1, "", 20},
      {"sha256", v1 + "[extensions]\n\tobjectFormat = sha256\n", "", 32},
      {"names in any case", v1 + "[Extensions]\n\tOBJECTFORMAT = sha256\n", "", 32},
      {"the last decides", v1 + "[extensions]\n\tobjectFormat = sha256\n\tobjectFormat = sha1\n",
       "", 20},
      {"not through an include", v1 + "[include]\n\tpath = ../../../format.inc\n", "", 20},
      {"not from the global file", v1, "[extensions]\n\tobjectFormat = sha256\n", 20},
  };
  testing::write_file(home / "format.inc", "[extensions]\n\tobjectFormat = sha256\n");
  for (const format_row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::write_file(home / "work/repo/.git/config", row.repository_config);
    testing::write_file(home / ".gitconfig", row.global);
    if (ask_git) {
      EXPECT_EQ(git("rev-parse --show-object-format", home / "work/repo").out,
                row.hash_size == 32 ? "sha256" : "sha1");
    }
    EXPECT_EQ(find_work_tree(home / "work/repo").hash_size, row.hash_size);
  }
  EXPECT_EQ(find_work_tree(home / "plain").hash_size, 20u);
}

TEST_F(ConfigTest, AnIncludedExcludesFileIgnoresAsInGit) {
  testing::write_file(home / ".gitconfig", "[include]\n\tpath = secrets.inc\n");
  testing::write_file(home / "secrets.inc", "[core]\n\texcludesFile = ~/secret-ignore\n");
  testing::write_file(home / "secret-ignore", "*.secret\n");
  testing::write_file(home / "work/repo/a.secret");
  if (ask_git) {
    const git_answer answer = git("check-ignore -v a.secret", home / "work/repo");
    EXPECT_EQ(answer.exit_code, 0);
    EXPECT_EQ(answer.out, home_text + "/secret-ignore:1:*.secret\ta.secret");
  }
  checker query(home / "work/repo");
  const check_result secret = query.check("a.secret", false);
  EXPECT_TRUE(secret.ignored);
  EXPECT_EQ(secret.rule_file, home / "secret-ignore");
  EXPECT_EQ(secret.rule_line, 1u);
}

}  // namespace
}  // namespace quorvel::git
