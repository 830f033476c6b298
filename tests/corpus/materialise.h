#pragma once
// Making a case on disk: a fresh git repository holding the test folder, and
// git's listing of it written the way the README tells users to.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/corpus/case_file.h"
#include "tests/corpus/check.h"

namespace quorvel::corpus {

// The command, run inside the test folder, that writes git's listing.
inline constexpr char listing_command[] =
    "LC_ALL=C git -c core.quotePath=false status --ignored=matching --untracked-files=all > i.txt";

// Makes `the_case` below `out_folder` (created when missing) and returns the
// test folder, `out_folder`/repo/case:
// - "repo" is a fresh repository (git init, a local user name and e-mail, no
//   commits); git runs without the system's and the user's configuration,
//   with the home folder `out_folder`/home (case_environment), so only the
//   case's own global excludes file takes part; the case's "git config"
//   settings are made in it;
// - the case's tree and rule files are written ("../.gitignore" into repo,
//   "../../.gitignore" into `out_folder`, "../.git/info/exclude" over the one
//   git init made, the global excludes file into the home folder), links last;
// - the tracked paths go into the index, as the case file's comment tells;
// - the listing command runs in the test folder, which creates "i.txt" before
//   git lists the folder, so git sees it as the user's run would.
// Throws std::runtime_error when `out_folder`/repo (or, for a case with a rule
// file above the repository, `out_folder`/.gitignore) already exists, or when
// a file cannot be written or git fails.
std::filesystem::path make_case(const corpus_case& the_case,
                                const std::filesystem::path& out_folder);

// The environment entries under which the corpus runs git.
const std::vector<std::string>& git_environment();

// Those of git_environment, and a home folder of the case's own
// (`out_folder`/home, also as XDG_CONFIG_HOME's parent), so that the global
// excludes file is the case's and nobody else's: git and `folder --git` run
// under them.
std::vector<std::string> case_environment(const std::filesystem::path& out_folder);

// What `git check-ignore -v -n` says of every entry of `tree`, asked in the
// test folder `folder` (repo/case, as make_case makes it) under
// `environment`, by path; or what `program`, which answers in git's form
// (quorvel_check_ignore), says. Both get --no-index unless `use_index`
// (corpus_case::uses_index), so that tracked paths count only where the case
// has them. Throws std::runtime_error when git or the program fails.
std::map<std::string, git_answer> ask_git(const std::filesystem::path& folder,
                                          const std::vector<walk_entry>& tree,
                                          const std::vector<std::string>& environment,
                                          const std::string& program = {}, bool use_index = false);

// Where make_case writes `file` for the test folder `folder` made below
// `out_folder`.
std::filesystem::path rule_file_path(const rule_file& file, const std::filesystem::path& folder,
                                     const std::filesystem::path& out_folder);

}  // namespace quorvel::corpus
