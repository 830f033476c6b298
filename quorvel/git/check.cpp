#include "quorvel/git/check.h"

#include <set>
#include <utility>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

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
    : tree_(find_work_tree(root)),
      place_(place_in(tree_, root)),
      options_(options),
      index_(read_index(tree_, options_)) {
  git::add_exclude_files(tree_, options_, excludes_);
}

void checker::add_folder_files(std::string_view below, rule_files& files) {
  auto found = folder_files_.find(std::string(below));
  if (found == folder_files_.end()) {
    static const std::set<fs::path> names{".gitignore"};
    const fs::path folder =
        below.empty() ? place_.top : place_.top / platform::to_path(text::bytes_to_wide(below));
    rule_files read;
    git::add_folder_files(filesystem::folder_view(folder, names), options_,
                          rule_file::whole_walk, below.empty() ? 0 : below.size() + 1, read);
    found = folder_files_.emplace(std::string(below), std::move(read)).first;
  }
  files.insert(files.end(), found->second.begin(), found->second.end());
}

check_result checker::check(std::string_view path, bool is_folder) {
  if (path.ends_with('/')) {
    is_folder = true;
  }
  std::vector<std::string> names;
  push_names(place_.root_below_top, names, 0);
  if (!push_names(path, names, 0) || names.empty()) {
    return {};
  }
  std::string below;
  for (const std::string& name : names) {
    if (!below.empty()) {
      below.push_back('/');
    }
    below.append(name);
  }
  if (is_tracked(index_, below, is_folder)) {
    check_result tracked;
    tracked.tracked = true;
    return tracked;
  }
  rule_files files = excludes_;
  const decision decided =
      descend(files, below, is_folder,
              [this](std::string_view folder, rule_files& in_force) {
                add_folder_files(folder, in_force);
              });
  if (decided.line == nullptr) {
    return {};
  }
  check_result result;
  result.ignored = decided.ignored();
  result.rule_file = decided.file->file;
  result.rule_line = decided.line->line;
  result.rule = decided.line->text;
  return result;
}

check_result checker::check_path(const std::filesystem::path& path, bool is_folder) {
  return check(std::string_view(platform::generic_utf8(path)), is_folder);
}

}  // namespace quorvel::git
