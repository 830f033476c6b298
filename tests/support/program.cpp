#include "tests/support/program.h"

#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::testing {
namespace {

// In a forked child: replaces it by `program` with `arguments`; returns only
// when the program cannot be started.
void exec_program(std::string name, std::vector<std::string> arguments) {
  std::vector<char*> argv;
  argv.push_back(name.data());
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  ::execv(name.c_str(), argv.data());
}

}  // namespace

program_result run_program(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_folder) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = ::fork();
  if (child < 0) {
    throw std::runtime_error("fork failed");
  }
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    const int null_input = ::open("/dev/null", O_RDONLY);
    ::dup2(null_input, STDIN_FILENO);
    if (!working_folder.empty() && ::chdir(working_folder.c_str()) != 0) {
      ::_exit(126);
    }
    exec_program(program.string(), arguments);
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  program_result result;
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(pipe_ends[0], buffer, sizeof buffer);
    if (count <= 0) {
      break;
    }
    result.output.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

program_result run_folder(const std::vector<std::string>& arguments,
                          const std::filesystem::path& working_folder) {
  return run_program(QUORVEL_FOLDER_PROGRAM, arguments, working_folder);
}

program_result run_folder_on_terminal(const std::vector<std::string>& arguments) {
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child < 0) {
    throw std::runtime_error("forkpty failed");
  }
  if (child == 0) {
    exec_program(QUORVEL_FOLDER_PROGRAM, arguments);
    ::_exit(127);
  }
  program_result result;
  char buffer[65536];
  for (;;) {
    // Reading fails with EIO once the child has closed the terminal.
    const ssize_t count = ::read(terminal, buffer, sizeof buffer);
    if (count <= 0) {
      break;
    }
    result.output.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(terminal);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

int shell(const std::string& command, const std::filesystem::path& working_folder) {
  const std::string line =
      working_folder.empty() ? command : "cd '" + working_folder.string() + "' && " + command;
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quorvel::testing
