#include "quorvel/runner/options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::runner {
namespace {

TEST(ParseOptionsTest, ReadsOptionsUpToTheFolder) {
  using enum colour_choice;
  const struct {
    const char* name;
    std::vector<std::wstring> arguments;  // after the program name
    command what;
    bool git;
    bool errors_only;
    colour_choice colour;
    const wchar_t* folder;  // nullptr: none named
    std::string error;
  } rows[] = {
      {"nothing", {}, command::run, false, false, automatic, nullptr, ""},
      {"the folder alone", {L"t"}, command::run, false, false, automatic, L"t", ""},
      {"options in any order",
       {L"--errors-only", L"--color=never", L"--git", L"t"},
       command::run,
       true,
       true,
       never,
       L"t",
       ""},
      {"the last colour wins",
       {L"--color=never", L"--color=auto", L"t"},
       command::run,
       false,
       false,
       automatic,
       L"t",
       ""},
      {"a bare --color is always",
       {L"--color", L"t"},
       command::run,
       false,
       false,
       always,
       L"t",
       ""},
      {"options without a folder", {L"--git"}, command::run, true, false, automatic, nullptr, ""},
      {"arguments after the folder are not read",
       {L"t", L"--help", L"--bogus"},
       command::run,
       false,
       false,
       automatic,
       L"t",
       ""},
      {"-- ends the options",
       {L"--git", L"--", L"--help"},
       command::run,
       true,
       false,
       automatic,
       L"--help",
       ""},
      {"-- with nothing after it", {L"--"}, command::run, false, false, automatic, nullptr, ""},
      {"a lone - is a folder", {L"-", L"--git"}, command::run, false, false, automatic, L"-", ""},
      {"an empty argument is a folder", {L""}, command::run, false, false, automatic, L"", ""},
      {"-h", {L"-h"}, command::help, false, false, automatic, nullptr, ""},
      {"--help after other options",
       {L"--git", L"--help", L"t"},
       command::help,
       true,
       false,
       automatic,
       nullptr,
       ""},
      {"--version",
       {L"--version", L"--bogus"},
       command::version,
       false,
       false,
       automatic,
       nullptr,
       ""},
      {"an unknown option",
       {L"--bogus", L"--help"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: unknown option '--bogus'"},
      {"no abbreviations",
       {L"--err", L"t"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: unknown option '--err'"},
      {"no bundled short options",
       {L"-hv"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: unknown option '-hv'"},
      {"an option given a value it takes none",
       {L"--git=yes"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: unknown option '--git=yes'"},
      {"a bad colour",
       {L"--color=blue", L"t"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: invalid value 'blue' for '--color'"},
      {"an empty colour",
       {L"--color="},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: invalid value '' for '--color'"},
      {"the option is echoed as UTF-8",
       {L"--\u00e9"},
       command::fail,
       false,
       false,
       automatic,
       nullptr,
       "folder: unknown option '--\xc3\xa9'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::wstring> arguments{L"folder"};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    const options read = parse_options(arguments);
    EXPECT_EQ(read.what, row.what);
    EXPECT_EQ(read.git, row.git);
    EXPECT_EQ(read.errors_only, row.errors_only);
    EXPECT_EQ(read.colour, row.colour);
    EXPECT_EQ(read.has_folder, row.folder != nullptr);
    EXPECT_EQ(read.folder, row.folder != nullptr ? row.folder : L"");
    EXPECT_EQ(read.error, row.error);
  }
}

}  // namespace
}  // namespace quorvel::runner
