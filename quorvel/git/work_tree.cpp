#include "quorvel/git/work_tree.h"

#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "quorvel/git/detail/config.h"
#include "quorvel/platform/environment.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;
using detail::parse_bool;
using detail::read_small;
using detail::utf8_path;

bool is_folder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

std::string_view trim_end(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

bool is_hex(std::string_view text) {
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      return false;
    }
  }
  return true;
}

// HEAD names a branch ("ref: refs/..."), or holds an object name, or is a
// symbolic link into refs/.
bool is_valid_head(const fs::path& head) {
  std::error_code error;
  if (fs::is_symlink(head, error)) {
    const fs::path target = fs::read_symlink(head, error);
    return !error && target.generic_string().rfind("refs/", 0) == 0;
  }
  if (!fs::is_regular_file(head, error)) {
    return false;
  }
  const std::string bytes = read_small(head);
  std::string_view text = bytes;
  if (text.rfind("ref:", 0) == 0) {
    text.remove_prefix(4);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
      text.remove_prefix(1);
    }
    return text.rfind("refs/", 0) == 0;
  }
  text = trim_end(text);
  return (text.size() == 40 || text.size() == 64) && is_hex(text);
}

// The folder that holds the objects and refs of the repository `git_dir`:
// itself, or what its "commondir" file names (a linked work tree's).
fs::path common_dir_of(const fs::path& git_dir) {
  const std::string bytes = read_small(git_dir / "commondir");
  const std::string_view named = trim_end(bytes);
  if (named.empty()) {
    return git_dir;
  }
  const fs::path common = utf8_path(named);
  return common.is_absolute() ? common : (git_dir / common).lexically_normal();
}

bool is_git_directory(const fs::path& folder) {
  const fs::path common = common_dir_of(folder);
  return is_folder(common / "objects") && is_folder(common / "refs") &&
         is_valid_head(folder / "HEAD");
}

// The repository that `folder/.git` stands for, or empty.
fs::path repository_of(const fs::path& folder) {
  const fs::path dot_git = folder / ".git";
  std::error_code error;
  const fs::file_status status = fs::status(dot_git, error);
  if (fs::is_directory(status)) {
    return is_git_directory(dot_git) ? dot_git : fs::path();
  }
  if (!fs::is_regular_file(status)) {
    return {};
  }
  const std::string bytes = read_small(dot_git);
  constexpr std::string_view prefix = "gitdir: ";
  if (bytes.rfind(prefix, 0) != 0) {
    return {};
  }
  const std::string_view named = trim_end(std::string_view(bytes).substr(prefix.size()));
  if (named.empty()) {
    return {};
  }
  fs::path target = utf8_path(named);
  if (target.is_relative()) {
    target = (folder / target).lexically_normal();
  }
  return is_git_directory(target) ? target : fs::path();
}

bool environment_flag(const char* name) {
  const std::optional<fs::path> value = platform::environment_path(name);
  if (!value) {
    return false;
  }
  return parse_bool(text::wide_to_bytes(platform::to_wide(*value))).value_or(true);
}

// The home folder: $HOME, and on Windows $USERPROFILE where HOME is unset.
std::optional<fs::path> home_folder() {
  std::optional<fs::path> home = platform::environment_path("HOME");
#ifdef _WIN32
  if (!home || home->empty()) {
    home = platform::environment_path("USERPROFILE");
  }
#endif
  if (home && home->empty()) {
    return std::nullopt;
  }
  return home;
}

// $XDG_CONFIG_HOME/git/<name>, else $HOME/.config/git/<name>; empty when
// neither is set.
fs::path xdg_git_file(const char* name) {
  const std::optional<fs::path> xdg = platform::environment_path("XDG_CONFIG_HOME");
  if (xdg && !xdg->empty()) {
    return *xdg / "git" / name;
  }
  const std::optional<fs::path> home = home_folder();
  return home ? *home / ".config" / "git" / name : fs::path();
}

}  // namespace

std::vector<std::filesystem::path> work_tree::exclude_files() const {
  std::vector<std::filesystem::path> files;
  if (!excludes_file.empty()) {
    files.push_back(excludes_file);
  }
  if (!info_exclude.empty()) {
    files.push_back(info_exclude);
  }
  return files;
}

bool holds_repository(const std::filesystem::path& folder) {
  return !repository_of(folder).empty();
}

work_tree find_work_tree(const std::filesystem::path& folder) {
  work_tree tree;
  std::error_code error;
  fs::path start = fs::absolute(folder, error).lexically_normal();
  if (error) {
    start = folder.lexically_normal();
  }
  if (!start.has_filename() && start.has_relative_path()) {
    start = start.parent_path();
  }
  for (fs::path current = start;;) {
    fs::path git_dir = repository_of(current);
    if (!git_dir.empty()) {
      tree.top = current;
      tree.git_dir = std::move(git_dir);
      break;
    }
    fs::path parent = current.parent_path();
    if (parent == current || parent.empty()) {
      break;
    }
    current = std::move(parent);
  }

  const std::optional<fs::path> home = home_folder();
  detail::repository_facts repository;
  if (!tree.git_dir.empty()) {
    repository.git_dir = tree.git_dir;
    repository.branch = detail::checked_out_branch(tree.git_dir);
  }
  detail::config_reader reader(std::move(repository), home);
  if (!environment_flag("GIT_CONFIG_NOSYSTEM")) {
    const std::optional<fs::path> system = platform::environment_path("GIT_CONFIG_SYSTEM");
#ifdef _WIN32
    if (system) {
      reader.read(*system);
    }
#else
    reader.read(system ? *system : fs::path("/etc/gitconfig"));
#endif
  }
  if (const std::optional<fs::path> global = platform::environment_path("GIT_CONFIG_GLOBAL")) {
    reader.read(*global);
  } else {
    const fs::path xdg_config = xdg_git_file("config");
    if (!xdg_config.empty()) {
      reader.read(xdg_config);
    }
    if (home) {
      reader.read(*home / ".gitconfig");
    }
  }
  if (!tree.git_dir.empty()) {
    const fs::path common = common_dir_of(tree.git_dir);
    reader.read(common / "config");
    tree.info_exclude = common / "info" / "exclude";
    tree.hash_size = detail::object_hash_size(common / "config");
  }
  const detail::config_settings& settings = reader.settings();
  tree.ignore_case = settings.ignore_case;

  if (settings.excludes_file) {
    const std::string& named = *settings.excludes_file;
    if (named.rfind("~/", 0) == 0 && home) {
      tree.excludes_file = *home / utf8_path(std::string_view(named).substr(2));
    } else if (!named.empty()) {
      const fs::path file = utf8_path(named);
      const fs::path& base = tree.top.empty() ? start : tree.top;
      tree.excludes_file = file.is_relative() ? base / file : file;
    }
  } else {
    tree.excludes_file = xdg_git_file("ignore");
  }
  return tree;
}

}  // namespace quorvel::git
