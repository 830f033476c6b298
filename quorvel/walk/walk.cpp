#include "quorvel/walk/walk.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "quorvel/filesystem/finder.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/git/rule_source.h"
#include "quorvel/git/walker.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// Throws unless `root` is a folder that can be opened: a walk of a root that
// is not there must not look like the walk of an empty folder.
void check_root(const fs::path& root) {
  std::error_code error;
  const fs::file_status status = fs::status(root, error);
  if (error) {
    throw fs::filesystem_error("quorvel::walk: cannot reach the root", root, error);
  }
  if (!fs::is_directory(status)) {
    throw fs::filesystem_error("quorvel::walk: the root is no folder", root,
                               std::make_error_code(std::errc::not_a_directory));
  }
  if (platform::folder_listing(platform::listing_path(root)).is_open()) {
    return;
  }
  // The listing keeps no reason; the standard one tells it.
  fs::directory_iterator(root, error);
  throw fs::filesystem_error("quorvel::walk: cannot read the root", root,
                             error ? error : std::make_error_code(std::errc::permission_denied));
}

// Why a folder could not be read: the listing's own reason, or where it
// kept none, the standard listing's, asked again.
std::error_code why_unreadable(const fs::path& folder, std::error_code given) {
  if (given) {
    return given;
  }
  std::error_code error;
  fs::directory_iterator(platform::listing_path(folder), error);
  return error ? error : std::make_error_code(std::errc::io_error);
}

}  // namespace

std::filesystem::path entry::full_path() const {
  if (root == nullptr) {
    return {};
  }
  return *root / platform::path_from_utf8(path);
}

walk::options& walk::options::prune_ignored(bool hand_out_folder) {
  prune_ = true;
  hand_out_pruned_ = hand_out_folder;
  return *this;
}
walk::options& walk::options::kept_only(bool on) {
  kept_only_ = on;
  return *this;
}
walk::options& walk::options::filter(std::function<bool(const entry&)> keep) {
  filter_ = std::move(keep);
  return *this;
}
walk::options& walk::options::max_depth(std::size_t depth) {
  max_depth_ = depth;
  return *this;
}
walk::options& walk::options::hidden(bool on) {
  hidden_ = on;
  return *this;
}
walk::options& walk::options::read_times(bool on) {
  read_times_ = on;
  return *this;
}
walk::options& walk::options::read_ahead(bool on) {
  read_ahead_ = on;
  return *this;
}
walk::options& walk::options::follow_links(bool on) {
  follow_links_ = on;
  return *this;
}
walk::options& walk::options::same_file_system(bool on) {
  same_file_system_ = on;
  return *this;
}
walk::options& walk::options::on_unreadable(
    std::function<void(const entry&, std::error_code)> report) {
  unreadable_ = std::move(report);
  return *this;
}

struct walk::state {
  state(const fs::path& start, git::work_tree tree, const git::ignore_options& rules,
        options chosen)
      : root(std::make_shared<const fs::path>(start)),
        walker(start, std::move(tree), rules,
               chosen.read_times_ ? filesystem::item_times::read : filesystem::item_times::skip),
        sources(walker.tree().top.empty() ? start : walker.tree().top, rules),
        picked(std::move(chosen)) {
    // A root that ends in a separator ("/", "C:\") has none of its own
    // before the first name.
    const auto& text = start.native();
    const bool ends_in_separator =
        !text.empty() &&
        (text.back() == '/' || (platform::backslash_is_separator && text.back() == '\\'));
    cut = ends_in_separator ? text.size() : text.size() + 1;
  }

  // Fills `out` from the walk's record `from`: the same fields in UTF-8.
  void fill(const filesystem::lean_item& from, entry& out) {
    if (out.root != root) {
      out.root = root;
    }
    // The root's own record (a root that cannot be read) has no path below it.
    const platform::native_view whole = from.path;
    const platform::native_view below = whole.size() > cut ? whole.substr(cut) : whole.substr(0, 0);
#ifdef _WIN32
    out.path = text::wide_to_bytes(below);
#else
    out.path.assign(below);
#endif
    out.depth =
        out.path.empty()
            ? 0
            : 1 + static_cast<std::size_t>(std::count(out.path.begin(), out.path.end(), '/'));
    out.entered = from.entered;
    if ((from.attributes & platform::attribute_reparse_point) != 0) {
      out.kind = entry_kind::link;
      // A followed link to a repository of its own is not entered either.
      out.entered =
          out.entered && !git::holds_repository(platform::listing_path(filesystem::path_of(from)));
    } else if (from.is_directory()) {
      // The engine keeps out of a folder with a repository of its own,
      // without saying so: it is asked again here, one query per folder.
      out.kind = git::holds_repository(platform::listing_path(filesystem::path_of(from)))
                     ? entry_kind::nested_repository
                     : entry_kind::folder;
    } else if ((from.attributes & platform::attribute_device) != 0) {
      out.kind = entry_kind::other;
    } else {
      out.kind = entry_kind::file;
    }
    out.ignored = from.ignored;
    out.tracked = from.tracked;
    out.entered = out.entered && out.kind != entry_kind::nested_repository;
    if (from.rule.empty()) {
      out.rule.clear();
      out.rule_source.clear();
      out.rule_line = 0;
    } else {
      out.rule = text::wide_to_bytes(from.rule);
      out.rule_source.assign(sources.name(from.rule_file));
      out.rule_line = from.rule_line;
    }
    out.modified = from.modified;
    out.created = from.created;
  }

  std::shared_ptr<const fs::path> root;
  git::lean_walker walker;
  git::rule_sources sources;
  options picked;
  std::size_t cut = 0;
  filesystem::lean_item record;  // the walk's record, its buffers reused
  entry asked;                   // the filter's and the error report's record
};

walk::walk(std::string_view root) : walk(root, options()) {}

walk::walk(std::string_view root, options chosen) {
  const fs::path given = platform::path_from_utf8(root);
  check_root(given);
  const fs::path start = filesystem::walk_root(given);
  // The work tree is found once: its configuration gives the default for
  // the case of letters, and the walk starts from it.
  git::work_tree tree = git::find_work_tree(start);
  const git::ignore_options rules = chosen.resolved(tree);
  state_ = std::make_unique<state>(start, std::move(tree), rules, std::move(chosen));

  state& s = *state_;
  const options& o = s.picked;
  filesystem::walk_options limits;
  limits.prune_ignored = o.prune_;
  limits.hand_out_pruned = o.hand_out_pruned_;
  limits.kept_only = o.kept_only_;
  limits.hidden = o.hidden_;
  limits.max_depth = o.max_depth_;
  limits.follow_links = o.follow_links_;
  limits.same_file_system = o.same_file_system_;
  s.walker.limit(limits);
  if (o.filter_) {
    s.walker.filter([&s](const filesystem::lean_item& record) {
      s.fill(record, s.asked);
      return s.picked.filter_(s.asked);
    });
  }
  if (o.unreadable_) {
    s.walker.on_unreadable([&s](const filesystem::lean_item& folder, std::error_code why) {
      s.fill(folder, s.asked);
      s.picked.unreadable_(s.asked, why_unreadable(filesystem::path_of(folder), why));
    });
  }
  const bool leaves_folders_out = o.prune_ || o.kept_only_ || o.same_file_system_ ||
                                  o.max_depth_ != static_cast<std::size_t>(-1);
  if (o.read_ahead_.value_or(!leaves_folders_out)) {
    s.walker.list_ahead();
  }
}

walk::~walk() = default;
walk::walk(walk&&) noexcept = default;
walk& walk::operator=(walk&&) noexcept = default;

bool walk::next(entry& out) {
  state& s = *state_;
  if (!s.walker.next(s.record)) {
    return false;
  }
  s.fill(s.record, out);
  return true;
}

const std::filesystem::path& walk::root() const {
  return *state_->root;
}

}  // namespace quorvel
