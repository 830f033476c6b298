#include "tests/corpus/process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel::corpus {
namespace {

// The child's environment: ours, with the given entries replacing those of
// the same name.
std::vector<std::string> merged_environment(const std::vector<std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const std::string& wanted : extra) {
      replaced = replaced || wanted.substr(0, wanted.find('=')) == name;
    }
    if (!replaced) {
      result.push_back(text);
    }
  }
  result.insert(result.end(), extra.begin(), extra.end());
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (std::string& text : strings) {
    result.push_back(text.data());
  }
  result.push_back(nullptr);
  return result;
}

}  // namespace

process_result run_process(const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_folder,
                           const std::vector<std::string>& environment,
                           const std::filesystem::path& input) {
  if (arguments.empty()) {
    throw std::runtime_error("no program to run");
  }
  std::vector<std::string> argument_copies = arguments;
  std::vector<std::string> environment_copies = merged_environment(environment);
  // Everything the child needs is prepared before the fork: after it, the
  // child only calls functions that are safe there.
  std::vector<char*> argv = pointers(argument_copies);
  std::vector<char*> envp = pointers(environment_copies);
  const std::string folder = working_folder.string();
  const std::string input_file = input.empty() ? std::string("/dev/null") : input.string();

  int out_pipe[2];
  int error_pipe[2];
  if (::pipe(out_pipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  if (::pipe(error_pipe) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    throw std::runtime_error("pipe failed");
  }
  const pid_t child = ::fork();
  if (child < 0) {
    throw std::runtime_error("fork failed");
  }
  if (child == 0) {
    ::dup2(out_pipe[1], STDOUT_FILENO);
    ::dup2(error_pipe[1], STDERR_FILENO);
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    ::close(error_pipe[0]);
    ::close(error_pipe[1]);
    const int input_end = ::open(input_file.c_str(), O_RDONLY);
    if (input_end < 0) {
      ::_exit(126);
    }
    ::dup2(input_end, STDIN_FILENO);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
      ::_exit(126);
    }
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(error_pipe[1]);

  process_result result;
  pollfd ends[2] = {{out_pipe[0], POLLIN, 0}, {error_pipe[0], POLLIN, 0}};
  std::string* targets[2] = {&result.output, &result.errors};
  int open_ends = 2;
  char buffer[65536];
  while (open_ends > 0) {
    if (::poll(ends, 2, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (ends[i].fd < 0 || ends[i].revents == 0) {
        continue;
      }
      const ssize_t count = ::read(ends[i].fd, buffer, sizeof buffer);
      if (count > 0) {
        targets[i]->append(buffer, static_cast<std::size_t>(count));
      } else if (count == 0 || errno != EINTR) {
        ::close(ends[i].fd);
        ends[i].fd = -1;
        --open_ends;
      }
    }
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace quorvel::corpus
