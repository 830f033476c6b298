#include "quorvel/git/walk_engine.h"

#include <algorithm>
#include <utility>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {
namespace {

// The bytes to cut off a record's path spelt from `folder` to leave the
// path below it.
std::size_t cut_after(const std::filesystem::path& folder) {
  const std::string text =
      platform::generic_utf8(platform::to_path(filesystem::normalize_item_path(folder)));
  if (text.empty() || text == ".") {
    return 0;
  }
  return text.back() == '/' ? text.size() : text.size() + 1;
}

}  // namespace

decision walk_engine::begin(const std::filesystem::path& root,
                            const std::set<std::filesystem::path>& names, rule_files& ignores) {
  if (!tree_) {
    tree_ = find_work_tree(root);
  }
  const tree_place place = place_in(*tree_, root);
  tracked_ = tracked_lookup(read_index(*tree_, options_), options_.ignore_case);

  // Records are spelt as the root was given: from the top itself when the
  // root is absolute or the top lies at or below the current folder, else
  // from the current folder, which lies below the top.
  if (root.is_absolute()) {
    cut_ = cut_after(place.top);
  } else {
    const std::filesystem::path here = std::filesystem::current_path();
    const std::filesystem::path top_from_here = place.top.lexically_relative(here);
    if (!top_from_here.empty() && *top_from_here.begin() != "..") {
      cut_ = cut_after(top_from_here);
    } else {
      const std::filesystem::path here_from_top = here.lexically_relative(place.top);
      if (here_from_top != ".") {
        lead_ = platform::generic_utf8(here_from_top) + "/";
      }
    }
  }

  add_whole_tree_files(*tree_, options_, ignores);
  // The folders from the top down to the root, as the file system spells
  // them; the root's own files are read when it is listed.
  std::vector<std::filesystem::path> chain;
  for (std::filesystem::path folder = place.root;; folder = folder.parent_path()) {
    chain.push_back(folder);
    if (folder == place.top || folder.parent_path() == folder) {
      break;
    }
  }
  std::reverse(chain.begin(), chain.end());
  return descend(
      ignores, place.root_below_top, true, [&](std::string_view below, rule_files& files) {
        const auto depth =
            below.empty()
                ? std::size_t{0}
                : static_cast<std::size_t>(std::count(below.begin(), below.end(), '/') + 1);
        if (depth < chain.size()) {
          add_folder_files(filesystem::folder_view(chain[depth], names), options_,
                           rule_file::whole_walk, below.empty() ? 0 : below.size() + 1, files);
        }
      });
}

std::string_view walk_engine::below_top(platform::native_view path, std::string& buffer) const {
  std::string_view text = platform::utf8_view(path, buffer);
  text = text.substr(std::min(cut_, text.size()));
  if (lead_.empty()) {
    return text;
  }
  std::string joined = lead_;
  joined.append(text);
  buffer = std::move(joined);
  return buffer;
}

bool walk_engine::holds_nested_repository(platform::native_view folder,
                                          const filesystem::folder_view& view) const {
  // The top holds the work tree's own repository; any other folder that
  // holds one is handed out but not entered. Only a folder with a ".git"
  // entry can: where its listing tells there is none, nothing is asked.
  std::string buffer;
  if (below_top(folder, buffer).empty() || !view.may_hold(".git")) {
    return false;
  }
  return holds_repository(platform::listing_path(view.folder()));
}

void walk_engine::set_verdict(filesystem::entry_verdict& record, const decision& decided) {
  if (decided.ignored()) {
    record.ignored = true;
    record.rule = text::bytes_to_wide(decided.line->text);
    record.rule_regex.clear();
    record.rule_file = decided.file->file;
    record.rule_line = decided.line->line;
    return;
  }
  record.ignored = false;
  record.rule.clear();
  record.rule_regex.clear();
  record.rule_file.clear();
  record.rule_line = 0;
}

filesystem::read_ahead::skips walk_engine::ahead_skips() const {
  filesystem::read_ahead::skips skip;
  skip.name = [options = options_](platform::native_view name) {
    return ignore_file::is_repository_name(name, options);
  };
  skip.repository = [](const std::filesystem::path& folder) { return holds_repository(folder); };
  return skip;
}

}  // namespace quorvel::git
