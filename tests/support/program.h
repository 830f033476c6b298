#pragma once
// Running the built `folder` program as a child process.

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::testing {

struct program_result {
  int exit_code = -1;
  std::string output;  // standard output, byte for byte
};

// Runs `program` with `arguments` (not including the program name) in the
// folder `working_folder` (the current one when empty), with standard output
// captured through a pipe (so it is not a terminal) and standard input empty.
program_result run_program(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_folder = {});

// Runs the `folder` program that this build made.
program_result run_folder(const std::vector<std::string>& arguments,
                          const std::filesystem::path& working_folder = {});

}  // namespace quorvel::testing

namespace quorvel::testing {

// Runs the `folder` program with its standard output on a pseudo-terminal and
// returns what the terminal received.
program_result run_folder_on_terminal(const std::vector<std::string>& arguments);

// Runs `command` through the shell in `working_folder`; returns its exit code.
int shell(const std::string& command, const std::filesystem::path& working_folder = {});

}  // namespace quorvel::testing
