#include "tests/corpus/materialise.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <map>
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

void run_git(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
             const std::vector<std::string>& environment) {
  const process_result result = run_process(arguments, folder, environment);
  if (result.exit_code != 0) {
    std::string command;
    for (const std::string& argument : arguments) {
      command += (command.empty() ? "" : " ") + argument;
    }
    throw std::runtime_error(command + " failed in " + folder.string() + " with exit code " +
                             std::to_string(result.exit_code) + ": " + result.errors);
  }
}

// The commit that a gitlink records; no repository holds it, and git never
// looks for it when it lists or checks paths.
constexpr char gitlink_commit[] = "0123456789abcdef0123456789abcdef01234567";

std::vector<std::string> paths_of(const corpus_case& the_case,
                                  std::initializer_list<tracked_kind> kinds) {
  std::vector<std::string> paths;
  for (const tracked_path& entry : the_case.tracked) {
    if (std::find(kinds.begin(), kinds.end(), entry.kind) != kinds.end()) {
      paths.push_back(entry.path);
    }
  }
  return paths;
}

// Runs `command` followed by "--" and `paths`, unless there are none.
void run_git_on(std::vector<std::string> command, const std::vector<std::string>& paths,
                const std::filesystem::path& folder, const std::vector<std::string>& environment) {
  if (paths.empty()) {
    return;
  }
  command.emplace_back("--");
  command.insert(command.end(), paths.begin(), paths.end());
  run_git(command, folder, environment);
}

// Fills the index as the case's tracked block says, in the order that its
// comment gives: commit, the index form, then the marked paths, so that with a
// split index the removals and additions land in the split-off index.
void put_in_index(const corpus_case& the_case, const std::filesystem::path& folder,
                  const std::vector<std::string>& environment) {
  const std::vector<std::string> deleted = paths_of(the_case, {tracked_kind::deleted});
  for (const std::string& path : deleted) {
    write_bytes(folder / path, {});
  }
  const std::vector<std::string> committed =
      paths_of(the_case, {tracked_kind::committed, tracked_kind::deleted, tracked_kind::rm_cached});
  // Literal pathspecs: a tracked name such as "a*" names that file alone.
  run_git_on({"git", "--literal-pathspecs", "add", "-f"}, committed, folder, environment);
  if (!committed.empty()) {
    run_git({"git", "commit", "-q", "-m", "tracked"}, folder, environment);
  }
  if (the_case.index_form == "split") {
    // Otherwise git folds the changes below back into a new shared index as
    // soon as they are a fifth of the entries, which in a small case is at once.
    run_git({"git", "config", "splitIndex.maxPercentChange", "100"}, folder, environment);
    run_git({"git", "update-index", "--split-index"}, folder, environment);
  } else if (!the_case.index_form.empty()) {
    run_git({"git", "update-index", "--index-version", the_case.index_form.substr(1)}, folder,
            environment);
  }
  run_git_on({"git", "--literal-pathspecs", "rm", "--cached", "-q"},
             paths_of(the_case, {tracked_kind::rm_cached}), folder, environment);
  for (const std::string& path : deleted) {
    std::filesystem::remove(folder / path);
  }
  run_git_on({"git", "--literal-pathspecs", "add", "-N", "-f"},
             paths_of(the_case, {tracked_kind::intent_to_add}), folder, environment);
  // The cache info names the path from the repository's top.
  for (const std::string& path : paths_of(the_case, {tracked_kind::gitlink})) {
    run_git({"git", "update-index", "--add", "--cacheinfo",
             std::string("160000,") + gitlink_commit + "," +
                 (folder.filename() / path).generic_string()},
            folder.parent_path(), environment);
  }
}

}  // namespace

const std::vector<std::string>& git_environment() {
  static const std::vector<std::string> environment = {"GIT_CONFIG_NOSYSTEM=1",
                                                       "GIT_CONFIG_GLOBAL=/dev/null", "LC_ALL=C"};
  return environment;
}

std::vector<std::string> case_environment(const std::filesystem::path& out_folder) {
  std::vector<std::string> environment = git_environment();
  const std::filesystem::path home = out_folder / "home";
  environment.push_back("HOME=" + home.string());
  environment.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
  return environment;
}

std::filesystem::path rule_file_path(const rule_file& file, const std::filesystem::path& folder,
                                     const std::filesystem::path& out_folder) {
  if (file.path == global_excludes_file) {
    return out_folder / "home" / ".config" / "git" / "ignore";
  }
  return (folder / file.path).lexically_normal();
}

std::map<std::string, git_answer> ask_git(const std::filesystem::path& folder,
                                          const std::vector<walk_entry>& tree,
                                          const std::vector<std::string>& environment,
                                          const std::string& program, bool use_index) {
  // The paths go in NUL-terminated, the only form in which every name passes
  // unquoted; the file lies in the repository's git folder, which no walk sees.
  const std::filesystem::path input = folder.parent_path() / ".git" / "check-ignore-input";
  std::string paths;
  for (const walk_entry& entry : tree) {
    paths += entry.path;
    paths += '\0';
  }
  write_bytes(input, paths);
  std::vector<std::string> command =
      program.empty() ? std::vector<std::string>{"git", "check-ignore", "-v", "-n", "-z", "--stdin"}
                      : std::vector<std::string>{program};
  if (!use_index) {
    command.emplace_back("--no-index");
  }
  const process_result result = run_process(command, folder, environment, input);
  std::filesystem::remove(input);
  std::map<std::string, git_answer> answers;
  if (result.exit_code != 0 && result.exit_code != 1) {
    throw std::runtime_error((program.empty() ? std::string("git check-ignore") : program) +
                             " failed in " + folder.string() + " with exit code " +
                             std::to_string(result.exit_code) + ": " + result.errors);
  }
  // Four fields per path, each ending in a NUL: source, line, pattern, path.
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t end; (end = result.output.find('\0', start)) != std::string::npos;
       start = end + 1) {
    fields.push_back(result.output.substr(start, end - start));
  }
  for (std::size_t i = 0; i + 4 <= fields.size(); i += 4) {
    git_answer& answer = answers[fields[i + 3]];
    answer.source = fields[i];
    answer.line = fields[i + 1];
    answer.pattern = fields[i + 2];
    // A matching negation keeps the entry; check-ignore shows it all the same.
    answer.ignored = !answer.source.empty() && answer.pattern.substr(0, 1) != "!";
  }
  return answers;
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
  const std::vector<std::string> environment = case_environment(out_folder);
  // No template: its sample hooks and comments cost time and play no part.
  run_git({"git", "-c", "init.defaultBranch=main", "init", "-q", "--template="}, repo, environment);
  run_git({"git", "config", "user.name", "Corpus"}, repo, environment);
  run_git({"git", "config", "user.email", "corpus@example.invalid"}, repo, environment);
  for (const auto& [key, value] : the_case.git_config) {
    run_git({"git", "config", key, value}, repo, environment);
  }

  for (const tree_entry& entry : the_case.tree) {
    const std::filesystem::path path = folder / entry.path;
    if (entry.kind == entry_kind::file) {
      write_bytes(path, entry.content);
    } else if (entry.kind == entry_kind::folder) {
      std::filesystem::create_directories(path);
    }
  }
  for (const rule_file& file : the_case.rule_files) {
    write_bytes(rule_file_path(file, folder, out_folder), file.bytes);
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
  put_in_index(the_case, folder, environment);
  run_git({"/bin/sh", "-c", listing_command}, folder, environment);
  return folder;
}

}  // namespace quorvel::corpus
