#include "quorvel/git/rule_source.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace quorvel::git {
namespace {

// Rows that git decided: the rule file as `git check-ignore -v` names it from
// inside the work tree /w (the test folder /w/case).
TEST(RuleSourcesTest, NamesAsGitCheckIgnoreDoes) {
  const std::filesystem::path top = std::filesystem::current_path().root_path() / "w";
  const std::filesystem::path outside = std::filesystem::current_path().root_path() / "home";
  rule_sources sources(top);
  const struct {
    std::filesystem::path file;
    std::string name;
  } rows[] = {
      {top / ".gitignore", ".gitignore"},
      {top / "case" / ".gitignore", "case/.gitignore"},
      {top / "case" / "sub" / ".gitignore", "case/sub/.gitignore"},
      {top / "case" / "sub" / ".gitignore", "case/sub/.gitignore"},  // remembered
      {top / ".git" / "info" / "exclude", ".git/info/exclude"},
      {outside / ".config" / "git" / "ignore",
       (outside / ".config" / "git" / "ignore").generic_string()},
      // A folder whose name begins with the top's is not inside it.
      {top.string() + "x/.gitignore", top.generic_string() + "x/.gitignore"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file.string());
    EXPECT_EQ(sources.name(row.file), row.name);
  }
}

TEST(RuleSourcesTest, ARelativePathIsTakenFromTheCurrentFolder) {
  rule_sources sources(std::filesystem::current_path());
  EXPECT_EQ(sources.name("case/.gitignore"), "case/.gitignore");
  EXPECT_EQ(sources.name("./case/../.gitignore"), ".gitignore");
}

}  // namespace
}  // namespace quorvel::git
