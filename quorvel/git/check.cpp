#include "quorvel/git/check.h"

#include <memory>
#include <set>
#include <system_error>
#include <utility>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/split.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;

// `path` made plain ("a/./b//c" is "a/b/c"), or nothing when it climbs
// above its start.
std::optional<std::string> plain_path(std::string_view path) {
  std::string joined;
  joined.reserve(path.size());
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (name.empty() || name == ".") {
      continue;
    }
    if (name == "..") {
      if (joined.empty()) {
        return std::nullopt;
      }
      const std::size_t last = joined.rfind('/');
      joined.resize(last == std::string::npos ? 0 : last);
      continue;
    }
    if (!joined.empty()) {
      joined.push_back('/');
    }
    joined.append(name);
  }
  return joined;
}

// Whether git keeps a "/" at the end of `path` once it is made plain: where
// it ends in "/", or in a "." or ".." name. Git then asks about an empty
// name inside that folder, after the folder itself.
bool ends_as_folder(std::string_view path) {
  if (path.ends_with('/') || (platform::backslash_is_separator && path.ends_with('\\'))) {
    return true;
  }
  const std::size_t slash = path.find_last_of(platform::backslash_is_separator ? "/\\" : "/");
  const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return last == "." || last == "..";
}

// `relative` (from lexically_relative) as a plain path below its base, or
// nothing when it leaves the base or has no common root with it.
std::optional<std::string> staying_below(const fs::path& relative) {
  if (relative.empty() || *relative.begin() == "..") {
    return std::nullopt;
  }
  return plain_path(platform::generic_utf8(relative));
}

// The options for reading the index: git check-ignore looks paths up in it
// as they are spelt, whatever core.ignorecase says (git status does not).
ignore_options exact_case(ignore_options options) {
  options.ignore_case = false;
  return options;
}

// A root that is missing or cannot be listed would give answers about
// nothing; it is refused at once instead.
const fs::path& listable_folder(const fs::path& root) {
  std::error_code error;
  const fs::file_status status = fs::status(root, error);
  if (!error && !fs::is_directory(status)) {
    error = std::make_error_code(std::errc::not_a_directory);
  }
  if (!error) {
    const fs::directory_iterator listing(root, error);
  }
  if (error) {
    throw fs::filesystem_error("cannot check paths below this root", root, error);
  }
  return root;
}

// The rule-file names read in every folder.
std::set<fs::path> names_of(const ignore_options& options) {
  std::set<fs::path> names;
  for (const std::wstring& name : text::split(folder_file_names(options), L"|")) {
    names.insert(platform::to_path(name));
  }
  return names;
}

constexpr std::string_view empty_path_message =
    "empty string is not a valid pathspec. please use . instead if you meant to match all paths";

}  // namespace

checker::checker(const std::filesystem::path& root, ignore_options options)
    : tree_(find_work_tree(listable_folder(root))),
      place_(place_in(tree_, root)),
      options_(options),
      index_(read_index(tree_, exact_case(options_))),
      names_(names_of(options_)),
      sources_(std::in_place, place_.top, options_) {
  git::add_whole_tree_files(tree_, options_, excludes_);
}

checker checker::from_rules(const std::vector<folder_rules>& files, ignore_options options) {
  checker held;
  held.options_ = options;
  held.in_memory_ = true;
  // The overrides and the added rules count; no exclude file is read.
  ignore_options without_excludes = options;
  without_excludes.info_exclude = false;
  without_excludes.global_excludes = false;
  git::add_whole_tree_files(work_tree(), without_excludes, held.excludes_);
  for (const folder_rules& file : files) {
    const std::optional<std::string> folder = plain_path(file.folder);
    if (!folder) {
      throw path_error(file.folder + ": '" + file.folder +
                       "' is outside the top of the rules held in memory");
    }
    const fs::path source = platform::to_path(
        text::bytes_to_wide(folder->empty() ? ".gitignore" : *folder + "/.gitignore"));
    held.folder_files_[*folder].push_back(
        {rule_file::whole_walk, folder->empty() ? 0 : folder->size() + 1,
         std::make_shared<ignore_file>(ignore_file::from_text(file.text, source, options)),
         source});
  }
  return held;
}

const checker::folder_state& checker::state_of(std::string_view folder) {
  if (const auto found = states_.find(folder); found != states_.end()) {
    return found->second;
  }
  // Built where it stays: the decision points into the files.
  folder_state& state = states_[std::string(folder)];
  state.files = excludes_;
  const auto read = [this](std::string_view below, rule_files& in_force) {
    add_folder_files(below, in_force);
  };
  if (folder.empty()) {
    read(folder, state.files);
    return state;
  }
  state.decided = descend(state.files, folder, true, read);
  if (!state.decided.ignored()) {
    // Only an ignoring decision passes down; the folder's own files join.
    state.decided = {};
    read(folder, state.files);
  }
  return state;
}

void checker::add_folder_files(std::string_view below, rule_files& files) {
  auto found = folder_files_.find(below);
  if (found == folder_files_.end()) {
    if (in_memory_) {
      return;  // a folder without rules of its own
    }
    const fs::path folder =
        below.empty() ? place_.top : place_.top / platform::to_path(text::bytes_to_wide(below));
    rule_files read;
    git::add_folder_files(filesystem::folder_view(folder, names_), options_, rule_file::whole_walk,
                          below.empty() ? 0 : below.size() + 1, read);
    found = folder_files_.emplace(std::string(below), std::move(read)).first;
  }
  files.insert(files.end(), found->second.begin(), found->second.end());
}

std::optional<std::string> checker::absolute_below_top(const fs::path& path) const {
  const fs::path normal = path.lexically_normal();
  if (std::optional<std::string> below = staying_below(normal.lexically_relative(place_.top))) {
    return below;
  }
  // As git does, the path may reach the top through symbolic links: the
  // shortest start of it that is the top's own folder begins the path
  // below the top, whose own links are names like any other.
  fs::path leading;
  for (auto name = normal.begin(); name != normal.end(); ++name) {
    leading /= *name;
    std::error_code error;
    if (leading.is_absolute() && fs::equivalent(leading, place_.top, error)) {
      fs::path rest;
      for (++name; name != normal.end(); ++name) {
        rest /= *name;
      }
      return plain_path(platform::generic_utf8(rest));
    }
  }
  return std::nullopt;
}

std::optional<std::string> checker::below_top(std::string_view path) const {
  // Where "/" alone separates names, only a path that begins with one is
  // absolute; elsewhere the system's path tells.
  const bool absolute = platform::backslash_is_separator ? [&path] {
    const fs::path given = platform::to_path(text::bytes_to_wide(path));
    return given.has_root_directory() || given.has_root_name();
  }() : path.starts_with('/');
  std::optional<std::string> below;
  if (absolute) {
    const fs::path given = platform::to_path(text::bytes_to_wide(path));
    std::error_code error;
    const fs::path full = fs::absolute(given, error);
    if (in_memory_ || error) {
      return std::nullopt;
    }
    below = absolute_below_top(full);
  } else {
    // ".." may climb from the root up to the top, not above it.
    below = plain_path(place_.root_below_top + '/' + std::string(path));
  }
  if (below && !below->empty() && ends_as_folder(path)) {
    below->push_back('/');
  }
  return below;
}

check_result checker::answer(std::string_view path, std::string_view shown, bool is_folder) {
  if (path.empty()) {
    throw path_error(std::string(empty_path_message));
  }
  const std::optional<std::string> below = below_top(path);
  if (!below) {
    std::string where;
    if (in_memory_) {
      where = "the top of the rules held in memory";
    } else {
      std::error_code error;
      fs::path top = fs::weakly_canonical(place_.top, error);
      where = "repository at '" + platform::generic_utf8(error ? place_.top : top) + "'";
    }
    throw path_error(std::string(shown) + ": '" + std::string(shown) + "' is outside " + where);
  }
  // A tracked path, or a folder (the top too) below which anything is
  // tracked, is never ignored; git shows no line for it.
  std::string_view asked = *below;
  const bool as_folder = is_folder || asked.empty() || asked.ends_with('/');
  if (asked.ends_with('/')) {
    asked.remove_suffix(1);
  }
  if (is_tracked(index_, asked, as_folder)) {
    check_result tracked;
    tracked.tracked = true;
    return tracked;
  }
  decision decided;
  if (below->empty()) {
    // The top itself: git asks its own files about an empty name, which a
    // line such as "*" matches. Its type is unknown to git, so no folder.
    decided = decide(state_of("").files, "", false);
  } else {
    const std::size_t slash = below->rfind('/');
    const folder_state& folder =
        state_of(slash == std::string::npos ? std::string_view()
                                            : std::string_view(*below).substr(0, slash));
    decided = folder.decided.ignored() ? folder.decided : decide(folder.files, *below, is_folder);
  }
  if (decided.line == nullptr) {
    return {};
  }
  check_result result;
  result.ignored = decided.ignored();
  result.rule_file = decided.file->file;
  result.rule_line = decided.line->line;
  result.rule = decided.line->text;
  result.rule_source = sources_ ? std::string(sources_->name(result.rule_file))
                                : platform::generic_utf8(result.rule_file);
  return result;
}

check_result checker::check(std::string_view path, bool is_folder) {
  return answer(path, path, is_folder);
}

check_result checker::check_path(const std::filesystem::path& path, bool is_folder) {
  return answer(platform::generic_utf8(path), text::wide_to_bytes(platform::to_wide(path)),
                is_folder);
}

}  // namespace quorvel::git
