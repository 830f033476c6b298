#pragma once
// Where a git work tree starts and which rule files below its own it reads:
// `$GIT_DIR/info/exclude` and the global excludes file.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

namespace quorvel::git {

// The work tree around a folder, as git finds it.
struct work_tree {
  // The nearest folder at or above the given one that holds a repository
  // (a `.git` folder, or a `.git` file naming one); empty when there is none.
  std::filesystem::path top;
  // The repository's folder (for a linked work tree, its own folder below
  // the main repository's); empty without a repository.
  std::filesystem::path git_dir;
  // `$GIT_DIR/info/exclude` (in the common folder of linked work trees);
  // empty without a repository. It need not exist.
  std::filesystem::path info_exclude;
  // The global excludes file: `core.excludesFile` where a configuration file
  // sets it, else `$XDG_CONFIG_HOME/git/ignore`, else
  // `$HOME/.config/git/ignore`; empty when none can be named. It need not
  // exist.
  std::filesystem::path excludes_file;
  // `core.ignoreCase` where a configuration file sets it.
  std::optional<bool> ignore_case;
  // The size in bytes of the repository's object names, as in its index:
  // 32 where its own `config` sets `extensions.objectFormat` to "sha256",
  // else 20 (SHA-1), also without a repository.
  std::size_t hash_size = 20;

  // The files whose rules lie below all the work tree's own, from the
  // lowest precedence to the highest: the global excludes file, then
  // info/exclude (those that are named).
  std::vector<std::filesystem::path> exclude_files() const;

  bool operator==(const work_tree&) const = default;
};

// Finds the work tree that holds `folder`. The configuration is read from
// the system file (`/etc/gitconfig`, or `$GIT_CONFIG_SYSTEM`; none with
// `$GIT_CONFIG_NOSYSTEM`), the global ones (`$GIT_CONFIG_GLOBAL`, or
// `$XDG_CONFIG_HOME/git/config` or `$HOME/.config/git/config`, then
// `~/.gitconfig`) and the repository's own `config`, the later deciding.
// Include directives are followed as git follows them: `include.path`, and
// `includeIf` with the conditions `gitdir:`, `gitdir/i:` and `onbranch:`
// (not `hasconfig:`, which counts as false). A `~/` in `core.excludesFile`
// is the home folder, and a relative path is taken from the top. The files
// named above count as empty where they cannot be read, and an included
// file that is missing is passed over. Throws std::runtime_error, with the
// words git stops with, where git refuses the configuration: includes
// nested more than 10 deep (as a loop of includes is), an include that
// names a folder or has no value, an included file that exists but cannot
// be read. Throws nothing else except std::bad_alloc.
work_tree find_work_tree(const std::filesystem::path& folder);

// Whether `folder` holds a repository of its own: a `.git` folder with
// `HEAD`, `objects` and `refs` (the last two in its common folder for a
// linked work tree), or a `.git` file that reads "gitdir: <folder>" naming
// such a folder. An empty `.git` folder or a stray `.git` file does not
// count, as in git. Never throws except std::bad_alloc.
bool holds_repository(const std::filesystem::path& folder);

}  // namespace quorvel::git
