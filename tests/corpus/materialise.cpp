#include "tests/corpus/materialise.h"

#include <fstream>
#include <stdexcept>

#include "tests/corpus/process.h"

namespace quorvel::corpus {
namespace {

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream stream(path, std::ios_base::binary | std::ios_base::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

void run_git(const std::vector<std::string>& arguments, const std::filesystem::path& folder) {
  const process_result result = run_process(arguments, folder, git_environment());
  if (result.exit_code != 0) {
    std::string command;
    for (const std::string& argument : arguments) {
      command += (command.empty() ? "" : " ") + argument;
    }
    throw std::runtime_error(command + " failed in " + folder.string() + " with exit code " +
                             std::to_string(result.exit_code) + ": " + result.errors);
  }
}

}  // namespace

const std::vector<std::string>& git_environment() {
  static const std::vector<std::string> environment = {"GIT_CONFIG_NOSYSTEM=1",
                                                       "GIT_CONFIG_GLOBAL=/dev/null", "LC_ALL=C"};
  return environment;
}

std::filesystem::path make_case(const corpus_case& the_case,
                                const std::filesystem::path& out_folder) {
  const std::filesystem::path repo = out_folder / "repo";
  const std::filesystem::path folder = repo / "case";
  if (std::filesystem::exists(std::filesystem::symlink_status(repo))) {
    throw std::runtime_error(repo.string() + " already exists: give a fresh folder");
  }
  for (const rule_file& file : the_case.rule_files) {
    if (file.path == "../../.gitignore" &&
        std::filesystem::exists(std::filesystem::symlink_status(out_folder / ".gitignore"))) {
      throw std::runtime_error((out_folder / ".gitignore").string() +
                               " already exists: give a fresh folder");
    }
  }
  std::filesystem::create_directories(folder);
  run_git({"git", "-c", "init.defaultBranch=main", "init", "-q"}, repo);
  run_git({"git", "config", "user.name", "Corpus"}, repo);
  run_git({"git", "config", "user.email", "corpus@example.invalid"}, repo);

  for (const tree_entry& entry : the_case.tree) {
    const std::filesystem::path path = folder / entry.path;
    if (entry.kind == entry_kind::file) {
      write_bytes(path, entry.content);
    } else if (entry.kind == entry_kind::folder) {
      std::filesystem::create_directories(path);
    }
  }
  for (const rule_file& file : the_case.rule_files) {
    write_bytes((folder / file.path).lexically_normal(), file.bytes);
  }
  // Links come last, so that a link's target already exists when the case
  // means it to.
  for (const tree_entry& entry : the_case.tree) {
    if (entry.kind == entry_kind::link) {
      const std::filesystem::path path = folder / entry.path;
      std::filesystem::create_directories(path.parent_path());
      std::filesystem::create_symlink(entry.content, path);
    }
  }
  run_git({"/bin/sh", "-c", listing_command}, folder);
  return folder;
}

}  // namespace quorvel::corpus
