#pragma once
// Making a case on disk: a fresh git repository holding the test folder, and
// git's listing of it written the way the README tells users to.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/corpus/case_file.h"

namespace quorvel::corpus {

// The command, run inside the test folder, that writes git's listing.
inline constexpr char listing_command[] =
    "LC_ALL=C git -c core.quotePath=false status --ignored=matching --untracked-files=all > i.txt";

// Makes `the_case` below `out_folder` (created when missing) and returns the
// test folder, `out_folder`/repo/case:
// - "repo" is a fresh repository (git init, a local user name and e-mail, no
//   commits); git runs without the system's and the user's configuration, so
//   no global exclude file takes part;
// - the case's tree and rule files are written ("../.gitignore" into repo,
//   "../../.gitignore" into `out_folder`), links last;
// - the listing command runs in the test folder, which creates "i.txt" before
//   git lists the folder, so git sees it as the user's run would.
// Throws std::runtime_error when `out_folder`/repo (or, for a case with a rule
// file above the repository, `out_folder`/.gitignore) already exists, or when
// a file cannot be written or git fails.
std::filesystem::path make_case(const corpus_case& the_case,
                                const std::filesystem::path& out_folder);

// The environment entries under which the corpus runs git.
const std::vector<std::string>& git_environment();

}  // namespace quorvel::corpus
