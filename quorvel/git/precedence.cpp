#include "quorvel/git/precedence.h"

#include <memory>
#include <system_error>
#include <utility>

#include "quorvel/platform/native_path.h"

namespace quorvel::git {

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
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
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

void add_exclude_files(const work_tree& tree, const ignore_options& options, rule_files& files) {
  for (const std::filesystem::path& file : tree.exclude_files()) {
    const bool wanted = file == tree.info_exclude ? options.info_exclude : options.global_excludes;
    if (wanted) {
      files.push_back(
          {rule_file::whole_walk, 0, std::make_shared<ignore_file>(file, options), file});
    }
  }
}

void add_folder_files(const filesystem::folder_view& view, const ignore_options& options,
                      std::int32_t level, std::size_t folder_length, rule_files& files) {
  for (const std::filesystem::path& name : view.names()) {
    if (!view.is_regular_file(name)) {
      continue;
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
  }
}

}  // namespace quorvel::git
