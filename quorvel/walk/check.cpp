#include "quorvel/walk/check.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "quorvel/git/work_tree.h"
#include "quorvel/platform/native_path.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

verdict plain(git::check_result&& result) {
  verdict out;
  out.ignored = result.ignored;
  out.tracked = result.tracked;
  out.rule = std::move(result.rule);
  out.rule_source = std::move(result.rule_source);
  out.rule_line = result.rule_line;
  return out;
}

}  // namespace

struct checker::state {
  git::checker query;
  fs::path root;  // empty for rules held in memory
};

checker::checker(std::string_view root, const options& chosen) {
  fs::path where = platform::path_from_utf8(root);
  const git::ignore_options rules = chosen.resolved(git::find_work_tree(where));
  state_ = std::make_unique<state>(state{git::checker(where, rules), std::move(where)});
}

checker checker::from_rules(const std::vector<folder_rules>& files, const options& chosen) {
  git::ignore_options rules = chosen.resolved(git::work_tree{});
  rules.use_index = false;
  checker made;
  made.state_ = std::make_unique<state>(state{git::checker::from_rules(files, rules), {}});
  return made;
}

checker::~checker() = default;
checker::checker(checker&&) noexcept = default;
checker& checker::operator=(checker&&) noexcept = default;

verdict checker::check(std::string_view path) {
  bool is_folder = false;
  if (!state_->root.empty() && !path.empty()) {
    std::error_code error;
    is_folder = fs::symlink_status(state_->root / platform::path_from_utf8(path), error).type() ==
                fs::file_type::directory;
  }
  return check(path, is_folder);
}

verdict checker::check(std::string_view path, bool is_folder) {
  if constexpr (platform::backslash_is_separator) {
    // "\\" separates names too: the system's form of the path says so.
    return plain(state_->query.check_path(platform::path_from_utf8(path), is_folder));
  } else {
    return plain(state_->query.check(path, is_folder));
  }
}

}  // namespace quorvel
