#pragma once
// Running a helper program (git, the folder program) as a child process.

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::corpus {

struct process_result {
  int exit_code = -1;  // 128 + the signal when the child was killed
  std::string output;  // standard output, byte for byte
  std::string errors;  // standard error, byte for byte
};

// Runs `arguments` (the program first, looked up on PATH) in `working_folder`
// with the environment of this process plus `environment` ("NAME=value"
// entries, overriding), standard input read from the file `input` (empty when
// none is named) and both output streams captured through pipes. Throws
// std::runtime_error when the child cannot be started; exit code 126 when the
// folder or the input cannot be opened.
process_result run_process(const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_folder,
                           const std::vector<std::string>& environment = {},
                           const std::filesystem::path& input = {});

}  // namespace quorvel::corpus
