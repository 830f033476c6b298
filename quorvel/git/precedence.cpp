#include "quorvel/git/precedence.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "quorvel/filesystem/ifstream.h"
#include "quorvel/filesystem/read_all.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {
namespace {

constexpr std::string_view git_rule_file = ".gitignore";

// The bytes of an added rule file, which must be there: a missing file
// would otherwise look like one without rules.
std::string read_added_file(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (!error && std::filesystem::is_directory(status)) {
    error = std::make_error_code(std::errc::is_a_directory);
  }
  if (!error) {
    filesystem::ifstream probe{};
    probe.open(file, std::ios_base::binary);
    if (!probe.is_open()) {
      error = std::make_error_code(std::errc::permission_denied);
    }
  }
  if (error) {
    throw std::filesystem::filesystem_error("cannot read the rule file", file, error);
  }
  std::string bytes;
  filesystem::read_all(file, bytes);
  return bytes;
}

std::filesystem::path path_of_utf8(std::string_view text) {
  return platform::to_path(text::bytes_to_wide(text));
}

}  // namespace

std::wstring folder_file_names(const ignore_options& options) {
  std::wstring names = text::bytes_to_wide(git_rule_file);
  std::vector<std::string_view> seen{git_rule_file};
  for (const std::string& name : options.rule_file_names) {
    const bool refused = name.empty() || name == "." || name == ".." ||
                         name.find_first_of(std::string_view("/|\0", 3)) != std::string::npos ||
                         (platform::backslash_is_separator && name.find('\\') != std::string::npos);
    if (refused) {
      throw std::invalid_argument("not a rule-file name: \"" + name + "\"");
    }
    if (std::find(seen.begin(), seen.end(), name) == seen.end()) {
      seen.push_back(name);
      names += L'|';
      names += text::bytes_to_wide(name);
    }
  }
  return names;
}

tree_place place_in(const work_tree& tree, const std::filesystem::path& root) {
  tree_place place;
  std::error_code error;
  place.root = std::filesystem::absolute(root, error).lexically_normal();
  if (error) {
    place.root = root.lexically_normal();
  }
  if (!place.root.has_filename() && place.root.has_relative_path()) {
    place.root = place.root.parent_path();
  }
  place.top = tree.top.empty() ? place.root : tree.top;
  const std::filesystem::path below = place.root.lexically_relative(place.top);
  if (!below.empty() && below != ".") {
    place.root_below_top = platform::generic_utf8(below);
  }
  return place;
}

decision decide(const rule_files& files, std::string_view path, bool is_folder) {
  auto last = files.rend();
  if (!files.empty() && files.front().level == overrides_level) {
    if (const ignore_rule* line = files.front().compiled->last_match(path, is_folder)) {
      return {line, &files.front()};
    }
    --last;
  }
  for (auto it = files.rbegin(); it != last; ++it) {
    if (it->folder_length > path.size()) {
      continue;
    }
    if (const ignore_rule* line =
            it->compiled->last_match(path.substr(it->folder_length), is_folder)) {
      return {line, &*it};
    }
  }
  return {};
}

tracked_files read_index(const work_tree& tree, const ignore_options& options) {
  if (!options.use_index || tree.git_dir.empty()) {
    return {};
  }
  return tracked_files::read(tree.git_dir, tree.hash_size, options.ignore_case);
}

void add_whole_tree_files(const work_tree& tree, const ignore_options& options, rule_files& files) {
  const auto add = [&](std::int32_t level, std::string_view bytes, std::filesystem::path source) {
    files.push_back({level, 0,
                     std::make_shared<ignore_file>(ignore_file::from_text(bytes, source, options)),
                     std::move(source)});
  };
  if (!options.overrides.empty()) {
    add(overrides_level, options.overrides, path_of_utf8(overrides_source));
  }
  for (const std::filesystem::path& file : tree.exclude_files()) {
    const bool wanted = file == tree.info_exclude ? options.info_exclude : options.global_excludes;
    if (wanted) {
      files.push_back(
          {rule_file::whole_walk, 0, std::make_shared<ignore_file>(file, options), file});
    }
  }
  for (const added_rules& rules : options.added) {
    if (rules.text) {
      add(rule_file::whole_walk, *rules.text, path_of_utf8(rules.source));
    } else {
      add(rule_file::whole_walk, read_added_file(rules.file), rules.file);
    }
  }
}

void add_folder_files(const filesystem::folder_view& view, const ignore_options& options,
                      std::int32_t level, std::size_t folder_length, rule_files& files) {
  const auto read = [&](const std::filesystem::path& name) {
    if (!view.is_regular_file(name)) {
      return;
    }
    std::filesystem::path file = view.file(name);
    std::shared_ptr<ignore_file> compiled;
    // A file whose path is too long to take whole is read through the open
    // folder.
    if (const platform::folder_queries* through = view.through(file)) {
      std::string bytes;
      through->read(file, bytes);
      compiled = std::make_shared<ignore_file>(ignore_file::from_text(bytes, file, options));
    } else {
      compiled = std::make_shared<ignore_file>(file, options);
    }
    files.push_back({level, folder_length, std::move(compiled), std::move(file)});
  };
  if (options.rule_file_names.empty()) {
    for (const std::filesystem::path& name : view.names()) {
      read(name);
    }
    return;
  }
  // The view's names are sorted; the order that decides is ".gitignore"
  // and then the added names as given, any other after them.
  std::vector<std::filesystem::path> ordered{path_of_utf8(git_rule_file)};
  for (const std::string& name : options.rule_file_names) {
    ordered.push_back(path_of_utf8(name));
  }
  for (const std::filesystem::path& name : view.names()) {
    ordered.push_back(name);
  }
  for (auto it = ordered.begin(); it != ordered.end(); ++it) {
    if (view.names().count(*it) != 0 && std::find(ordered.begin(), it, *it) == it) {
      read(*it);
    }
  }
}

}  // namespace quorvel::git
