#pragma once
// Git's configuration files, read for the few settings this library needs:
// the syntax of one file, and a reader that follows include directives as
// git does. Internal to the git component: no public header includes it.
//
// Includes, as git-config(1) has them:
// - `include.path` names a file whose settings count as if they stood where
//   the line stands (so later lines of the including file still override
//   them); a relative name is taken from the including file's folder, and
//   `~/` is the home folder; the key may be given any number of times;
// - `includeIf.<condition>.path` does the same when the condition holds:
//   `gitdir:PATTERN` (the repository's folder, its real path or the path as
//   found), `gitdir/i:PATTERN` (the same, ASCII letters in either case) and
//   `onbranch:PATTERN` (the checked-out branch). A condition that needs a
//   repository is false outside one.
// Left out: `hasconfig:remote.*.url:` (taken as false, as for any condition
// this reader does not know) and `~user/` in paths (only `~/` is expanded).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::git::detail {

// Paths in git's files are UTF-8, whatever the system's narrow code page.
std::filesystem::path utf8_path(std::string_view bytes);

// The bytes of a small file; a file that is missing or cannot be read gives
// none. Throws std::bad_alloc, std::length_error for a file too large.
std::string read_small(const std::filesystem::path& path);

// Git's reading of a boolean: true/yes/on, false/no/off or empty, or a
// number (true unless zero), letters in any case; nullopt for anything else.
std::optional<bool> parse_bool(std::string_view value);

// One `key = value` line of a configuration file.
struct config_entry {
  std::string section;     // lower case
  std::string subsection;  // case kept ("[a "B"]"); lower case in the old "[a.b]" form
  bool has_subsection = false;
  std::string key;                   // lower case
  std::optional<std::string> value;  // nullopt for a key without "=" (a boolean true)
  std::size_t line = 0;              // from 1, the line where the entry ends
};

// Hands each entry of the configuration text `text` to `take`, in order.
// Values follow git's syntax: quotes group, a backslash escapes, a comment
// ends the line, and a backslash at the line's end joins the next line. A
// section header that does not close ends the reading (git would refuse the
// file; this reader keeps what came before).
void parse_config(std::string_view text, const std::function<void(const config_entry&)>& take);

// What a conditional include asks about the repository.
struct repository_facts {
  // The repository's folder as it was found (absolute); empty outside one.
  std::filesystem::path git_dir;
  // The branch that HEAD names, without "refs/heads/"; empty for a detached
  // HEAD or outside a repository.
  std::string branch;
};

// The branch that `git_dir/HEAD` names (file or symbolic link), without
// "refs/heads/"; empty when it names none.
std::string checked_out_branch(const std::filesystem::path& git_dir);

// The settings this library takes from the configuration; the last line
// read that sets one decides.
struct config_settings {
  std::optional<std::string> excludes_file;  // core.excludesFile, as written
  std::optional<bool> ignore_case;           // core.ignoreCase
};

// Reads configuration files one after the other, following includes.
class config_reader {
 public:
  // Git refuses an include chain deeper than this.
  static constexpr int max_include_depth = 10;

  config_reader(repository_facts repository, std::optional<std::filesystem::path> home);

  // Reads `file` and the files it includes. A file named here that is
  // missing or cannot be read counts as empty. An included file that is
  // missing is passed over, as git does. Throws std::runtime_error with
  // git's words where git stops: an include chain deeper than
  // max_include_depth (a loop), an include that names a folder or gives no
  // value ("bad config line"), an included file that exists but cannot be
  // read ("unable to access").
  void read(const std::filesystem::path& file);

  const config_settings& settings() const { return settings_; }

 private:
  void read_text(const std::filesystem::path& file, std::string_view text, int depth);
  void include(const config_entry& entry, const std::filesystem::path& from, int depth);
  bool condition_holds(std::string_view condition, const std::filesystem::path& from) const;
  bool git_dir_matches(std::string_view pattern, const std::filesystem::path& from,
                       bool ignore_case) const;

  repository_facts repository_;
  std::optional<std::filesystem::path> home_;
  std::string real_git_dir_;   // UTF-8, "/" between names; empty outside a repository
  std::string found_git_dir_;  // the same for the path as found
  config_settings settings_;
};

// The size in bytes of the repository's object names: 32 where the last
// `extensions.objectFormat` of `repository_config` says "sha256", else 20.
// Only that file counts, without its includes, as for git.
std::size_t object_hash_size(const std::filesystem::path& repository_config);

}  // namespace quorvel::git::detail
