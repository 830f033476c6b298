// Every case of tests/cases, made in a fresh repository, listed by git and
// judged by the folder program: the run must match what the case expects.

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "tests/corpus/case_file.h"
#include "tests/corpus/check.h"
#include "tests/corpus/materialise.h"
#include "tests/corpus/process.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::corpus {
namespace {

const std::filesystem::path cases_folder = QUORVEL_CASES_FOLDER;

std::string test_name(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    c = plain ? c : '_';
  }
  return name;
}

class CorpusTest : public ::testing::TestWithParam<std::filesystem::path> {
 protected:
  void SetUp() override { out_folder = quorvel::testing::make_temp_folder(); }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(out_folder, ignored);
  }

  std::filesystem::path out_folder;
};

TEST_P(CorpusTest, RunMatchesTheCase) {
  const corpus_case the_case = read_case(GetParam());
  const catalogue known = read_catalogue(cases_folder / "catalogue.txt");
  for (const std::string& problem : check_case(the_case, known)) {
    ADD_FAILURE() << problem;
  }

  const std::filesystem::path folder = make_case(the_case, out_folder);
  const std::vector<walk_entry> tree = list_tree(folder);
  std::set<std::string> made;
  for (const walk_entry& entry : tree) {
    made.insert(entry.path);
  }
  EXPECT_EQ(made, declared_paths(the_case)) << "the materialised tree is not the declared one";

  const quorvel::testing::program_result run = quorvel::testing::run_folder({folder.string()});
  const run_report report = check_run(the_case, tree, folder, run.exit_code, run.output);
  for (const std::string& problem : report.problems) {
    ADD_FAILURE() << problem;
  }
  if (!report.problems.empty()) {
    ADD_FAILURE() << "the program's output was:\n" << run.output;
  }
}

// The git engine on the same case: there git's answers are the expectation
// for every entry, whatever the case says of the design's engine.
TEST_P(CorpusTest, GitRunAgreesWithGit) {
  const corpus_case the_case = read_case(GetParam());
  const std::filesystem::path folder = make_case(the_case, out_folder);
  const std::vector<walk_entry> tree = list_git_tree(folder);
  const std::vector<std::string> environment = case_environment(out_folder);
  const std::map<std::string, git_answer> git =
      ask_git(folder, tree, environment, {}, the_case.uses_index());

  const process_result run =
      run_process({QUORVEL_FOLDER_PROGRAM, "--git", folder.string()}, {}, environment);
  const run_report report = check_git_run(tree, git, run.exit_code, run.output);
  for (const std::string& problem : report.problems) {
    ADD_FAILURE() << problem;
  }
  if (!report.problems.empty()) {
    ADD_FAILURE() << "the output of folder --git was:\n" << run.output << run.errors;
  }
  // The engine's query answers for every entry what git check-ignore does.
  const std::map<std::string, git_answer> query =
      ask_git(folder, tree, environment, QUORVEL_CHECK_IGNORE_PROGRAM, the_case.uses_index());
  for (const auto& [path, answer] : git) {
    const auto found = query.find(path);
    EXPECT_TRUE(found != query.end() && found->second == answer)
        << quote(path) << ": git says "
        << quote(answer.source + ":" + answer.line + ":" + answer.pattern) << ", the query "
        << (found == query.end() ? std::string("nothing")
                                 : quote(found->second.source + ":" + found->second.line + ":" +
                                         found->second.pattern));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CorpusTest, ::testing::ValuesIn(list_case_files(cases_folder)),
                         test_name);

// The walker reads the rule files of every folder above the test folder, up
// to "/": one left in the temporary folder's ancestors would change every
// case.
TEST(CorpusEnvironmentTest, NoRuleFileAboveTheTemporaryFolder) {
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  for (std::filesystem::path folder = temp;; folder = folder.parent_path()) {
    EXPECT_FALSE(std::filesystem::exists(folder / ".gitignore")) << folder / ".gitignore";
    if (folder == folder.parent_path()) {
      break;
    }
  }
}

}  // namespace
}  // namespace quorvel::corpus
