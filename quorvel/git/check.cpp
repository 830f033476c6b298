#include "quorvel/git/check.h"

#include <system_error>

#include "quorvel/platform/native_path.h"

namespace quorvel::git {
namespace {

namespace fs = std::filesystem;

// The names of `path`, with empty ones and "." left out and ".." taking the
// last one back; false when ".." would leave `names` below what it started
// with.
bool push_names(std::string_view path, std::vector<std::string>& names, std::size_t floor) {
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (name.empty() || name == ".") {
      continue;
    }
    if (name == "..") {
      if (names.size() <= floor) {
        return false;
      }
      names.pop_back();
      continue;
    }
    names.emplace_back(name);
  }
  return true;
}

}  // namespace

checker::checker(const std::filesystem::path& root, ignore_options options)
    : tree_(find_work_tree(root)), options_(options) {
  std::error_code error;
  fs::path absolute = fs::absolute(root, error).lexically_normal();
  if (error) {
    absolute = root.lexically_normal();
  }
  if (!absolute.has_filename() && absolute.has_relative_path()) {
    absolute = absolute.parent_path();
  }
  top_ = tree_.top.empty() ? absolute : tree_.top;
  const fs::path below = absolute.lexically_relative(top_);
  if (!below.empty() && below != ".") {
    root_below_top_ = platform::generic_utf8(below) + "/";
  }
  for (const fs::path& file : tree_.exclude_files()) {
    excludes_.emplace_back(file, options_);
  }
}

const ignore_file* checker::folder_file(const std::string& below) {
  auto found = folder_files_.find(below);
  if (found == folder_files_.end()) {
    const fs::path file =
        (below.empty() ? top_ : top_ / platform::to_path(text::bytes_to_wide(below))) /
        ".gitignore";
    std::unique_ptr<const ignore_file> loaded;
    // Git does not follow a symbolic link to a rule file in the tree.
    std::error_code error;
    if (fs::symlink_status(file, error).type() == fs::file_type::regular) {
      loaded = std::make_unique<const ignore_file>(file, options_);
    }
    found = folder_files_.emplace(below, std::move(loaded)).first;
  }
  return found->second.get();
}

bool checker::decide(const std::vector<const ignore_file*>& chain,
                     const std::vector<std::size_t>& cuts, std::string_view path, bool is_folder,
                     check_result& result) const {
  // The deepest file with a matching line decides, then the exclude files.
  const auto take = [&](const ignore_file& file, const ignore_rule* line) {
    result.ignored = !line->negation;
    result.rule_file = file.source();
    result.rule_line = line->line;
    result.rule = line->text;
    return true;
  };
  for (std::size_t i = chain.size(); i-- > 0;) {
    if (chain[i] == nullptr) {
      continue;
    }
    if (const ignore_rule* line = chain[i]->last_match(path.substr(cuts[i]), is_folder)) {
      return take(*chain[i], line);
    }
  }
  for (auto it = excludes_.rbegin(); it != excludes_.rend(); ++it) {
    if (const ignore_rule* line = it->last_match(path, is_folder)) {
      return take(*it, line);
    }
  }
  return false;
}

check_result checker::check(std::string_view path, bool is_folder) {
  if (path.ends_with('/')) {
    is_folder = true;
  }
  std::vector<std::string> names;
  push_names(root_below_top_, names, 0);
  if (!push_names(path, names, 0) || names.empty()) {
    return {};
  }
  // Each folder on the way is judged by the files above it before its own
  // file is read; an ignored one decides for all below it.
  std::vector<const ignore_file*> chain{folder_file("")};
  std::vector<std::size_t> cuts{0};
  std::string below;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      below.push_back('/');
    }
    below.append(names[i]);
    const bool last = i + 1 == names.size();
    check_result result;
    if (decide(chain, cuts, below, last ? is_folder : true, result) && (last || result.ignored)) {
      return result;
    }
    if (!last) {
      chain.push_back(folder_file(below));
      cuts.push_back(below.size() + 1);
    }
  }
  return {};
}

check_result checker::check_path(const std::filesystem::path& path, bool is_folder) {
  return check(std::string_view(platform::generic_utf8(path)), is_folder);
}

}  // namespace quorvel::git
