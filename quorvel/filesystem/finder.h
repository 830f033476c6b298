#pragma once
// The ignore-aware walk: every entry below a root folder, one per call, each
// with the verdict of the rule files in force. The walk knows the tree's
// order, its listings and its records; which rule files are in force and how
// they decide is the engine's (rule_engine.h).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "quorvel/filesystem/design_engine.h"
#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/folder_trail.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/filesystem/next_iterator.h"
#include "quorvel/filesystem/read_ahead.h"
#include "quorvel/filesystem/records.h"
#include "quorvel/filesystem/rule_engine.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/split.h"

namespace quorvel::filesystem {

// Returns the folder that a walk of `root` starts from: its lexically normal
// form, except that a folder which is the current directory (".", "./",
// "a/..") or lies above it ("..", "../x") becomes its absolute path, so that
// its entries' paths keep their names whole and its ancestors are its real
// ones. May consult the file system (the current directory) for those.
std::filesystem::path walk_root(const std::filesystem::path& root);

// The options of a rule-file type's engine, which the walk hands to it.
template <class Rules>
using rules_options_t = typename engine_for<Rules>::options_type;

// What a walk hands out and enters beyond the rules' verdicts
// (finder::limit). The defaults hand out and enter everything.
struct walk_options {
  // An ignored folder is not entered: nothing below it is listed, judged or
  // handed out. The folder itself is handed out, with its verdict, where
  // `hand_out_pruned` says so. A lister reading ahead is told of each
  // folder left out (this one, kept_only's, the filter's, max_depth's) and
  // lists nothing below it from then on.
  bool prune_ignored = false;
  bool hand_out_pruned = true;
  // Only kept entries are handed out, and no ignored folder is entered.
  bool kept_only = false;
  // Whether entries whose names begin with "." are handed out (and such
  // folders entered). Rule files are read all the same.
  bool hidden = true;
  // The root's entries are at depth 1; a folder at `max_depth` is handed
  // out but not entered.
  std::size_t max_depth = static_cast<std::size_t>(-1);
  // A symbolic link (or junction) whose target is a folder is entered like
  // a folder, and its entries are named by their paths through it. One that
  // leads back to the root or to a folder on the way down to it would walk
  // for ever: it is handed out, not entered, and reported (on_unreadable,
  // std::errc::too_many_symbolic_link_levels). Folders are told apart by
  // their identity on the system (platform/file_identity.h), which costs
  // one query per folder. The engine is told (rule_engine.h): git's judges
  // a link to a folder as a folder then.
  bool follow_links = false;
  // A folder on another file system (device) than the root, a followed
  // link's target included, is handed out but not entered. One query per
  // folder.
  bool same_file_system = false;
};

// Walks the tree below a root folder depth first. Each folder's kept entries
// come out together, its subfolders first and then its other entries, each
// group in ascending path order; folders are listed in the reverse order of
// their discovery. Symbolic links (and junctions) are handed out but not
// entered, unless walk_options::follow_links says so. The root and its
// ancestors are never handed out. An entry whose name is one of the
// rule-file names is marked (`is_rule_file`).
//
// Which rule files are in force for an entry and how they decide is the
// engine's, the one that `Rules` names (rule_engine.h): by default the
// design's (design_engine.h), for git::ignore_file git's (git/walker.h).
template <class Rules, class Item>
class finder {
 public:
  using item_type = Item;  // the records that `next` fills
  using engine_type = engine_for<Rules>;

  // Has the engine load the rule files in force above the root and queues
  // the root; lists nothing. `names` holds the rule-file names separated by
  // "|"; empty loads none. `times` says whether the records of listed
  // entries read their times (item_times). Throws what loading a rule file
  // above the root throws.
  finder(const std::filesystem::path& root, std::wstring names,
         item_times times = item_times::read);
  // The same, with `options` for the engine, which hands them to every rule
  // file it loads (for git::ignore_file: git's ignore-case setting).
  finder(const std::filesystem::path& root, std::wstring names, rules_options_t<Rules> options,
         item_times times = item_times::read);
  // The same with an engine made by the caller.
  finder(const std::filesystem::path& root, std::wstring names, engine_type engine,
         item_times times);
  virtual ~finder() = default;

  // Fills `out` with the next entry and returns true, or returns false (and
  // leaves `out` alone) once the walk is over. A folder that cannot be opened
  // or read is skipped, keeping what was read of it (on_unreadable tells).
  // Errors while loading a folder's rule files, or while testing an entry,
  // leave `next` as exceptions; the walk can go on with the next folder
  // afterwards.
  virtual bool next(Item& out);

  // Lists the folders ahead of the walk on a second thread, so that the
  // system's share of reading them overlaps with judging their entries;
  // the records and their order stay the same. Only for records that keep
  // their paths as text (lean_item), and only before the first `next`;
  // otherwise it does nothing. The lister enters no links: a walk that
  // follows them lists the folders it reaches through a link itself (no
  // such path is one the lister lists), and takes the rest from the lister.
  void list_ahead();

  // Sets what the walk hands out and enters; before the first `next`.
  void limit(const walk_options& options);
  // Asks `keep` about each entry after it is judged: false leaves the entry
  // out and, for a folder, does not enter it. Before the first `next`.
  void filter(std::function<bool(const Item&)> keep) { filter_ = std::move(keep); }
  // Calls `report` with the record of each folder that the walk cannot go
  // into, or not all the way, and the system's reason (empty where it is
  // not known): one it cannot open (gone, or not readable), which it then
  // passes over; one whose listing fails part-way, whose entries read
  // before the failure it keeps; and a followed link that leads back to a
  // folder on the way down (too_many_symbolic_link_levels), which it hands
  // out without entering. Before the first `next`.
  void on_unreadable(std::function<void(const Item& folder, std::error_code why)> report) {
    unreadable_ = std::move(report);
  }

  // The walk as an input range of records, for `for (const auto& entry :
  // walk)`: begin() takes the first record and each step the next, with
  // `next`; what `next` throws leaves the loop. One pass only.
  using iterator = next_iterator<finder, Item>;
  iterator begin() { return iterator(*this); }
  std::default_sentinel_t end() const { return {}; }

 protected:
  const engine_type& engine() const { return engine_; }

 private:
  // Lists one folder taken off `folders` into `items`.
  void list(const Item& folder, std::int32_t level);
  // How many folders below the root `folder` lies (the root: 0).
  std::size_t depth_of(const Item& folder) const;
  // Judges one listed entry and keeps it (and queues a folder to enter).
  void add_entry(const Item& folder, Item& record, const platform::folder_queries& queries);
  // Tells the lister, where one reads ahead, that the walk does not enter
  // `folder`, so that it does not list what lies below.
  void leave_out(const Item& folder);
  // Sets `is_rule_file` where the record's name is a rule-file name.
  void mark_rule_file(Item& record) const;

  std::vector<Item> folders;
  bool with_ignored = true;
  bool recursive = true;
  item_times entry_times = item_times::read;
  std::set<std::filesystem::path> ignore_names;
  rule_stack<Rules> ignores;
  std::vector<Item> items;
  ahead_slot ahead_;
  engine_type engine_;
  walk_options limits_;
  std::function<bool(const Item&)> filter_;
  std::function<void(const Item&, std::error_code)> unreadable_;
  // The folders come through, for walks that follow links or keep to one
  // file system.
  folder_trail trail_;
  std::size_t root_length_ = 0;  // of the root record's native text
  std::size_t entry_depth_ = 1;  // of the entries being listed
};

template <class Rules, class Item>
finder<Rules, Item>::finder(const std::filesystem::path& root, std::wstring names, item_times times)
    : finder(root, std::move(names), engine_type(rules_options_t<Rules>{}), times) {}

template <class Rules, class Item>
finder<Rules, Item>::finder(const std::filesystem::path& root, std::wstring names,
                            rules_options_t<Rules> options, item_times times)
    : finder(root, std::move(names), engine_type(std::move(options)), times) {}

template <class Rules, class Item>
finder<Rules, Item>::finder(const std::filesystem::path& root, std::wstring names,
                            engine_type engine, item_times times)
    : entry_times(times), engine_(std::move(engine)) {
  if (!names.empty()) {
    for (const std::wstring& name : text::split(names, L"|")) {
      ignore_names.insert(platform::to_path(name));
    }
  }
  std::filesystem::path current = walk_root(root);
  const std::wstring current_text = platform::to_wide(current);
  if (current_text.size() > 1 &&
      (current_text.back() == L'/' ||
       (platform::backslash_is_separator && current_text.back() == L'\\'))) {
    current = current.parent_path();
  }
  folders.push_back(engine_.template start<Item>(current, ignore_names, ignores));
  root_length_ = native_text(folders.back()).size();
}

template <class Rules, class Item>
void finder<Rules, Item>::limit(const walk_options& options) {
  limits_ = options;
  with_ignored = !options.kept_only;
  if constexpr (requires(engine_type & engine) { engine.follow_links(true); }) {
    engine_.follow_links(options.follow_links);
  }
  if (folders.size() == 1) {
    trail_.start(options.follow_links, options.same_file_system,
                 platform::listing_path(path_of(folders.back())));
  }
}

template <class Rules, class Item>
std::size_t finder<Rules, Item>::depth_of(const Item& folder) const {
  const platform::native_view path = native_text(folder);
  if (path.size() <= root_length_) {
    return 0;
  }
  const platform::native_view below = path.substr(root_length_);
  // Below a root that ends in "/" ("/", "C:/"), the first name has none before it.
  const std::size_t first = path[root_length_ - 1] == '/' ? 1 : 0;
  return first + static_cast<std::size_t>(std::count(below.begin(), below.end(), '/'));
}

template <class Rules, class Item>
bool finder<Rules, Item>::next(Item& out) {
  ahead_.walking = true;
  for (;;) {
    if (!items.empty()) {
      out = std::move(items.back());
      items.pop_back();
      return true;
    }
    if (folders.empty()) {
      return false;
    }
    // Retires the files of the subtrees that are done (ignore_entry::level).
    const auto waiting = static_cast<std::int32_t>(folders.size());
    std::erase_if(ignores, [waiting](const auto& entry) { return entry.level == waiting; });

    const Item folder = std::move(folders.back());
    folders.pop_back();
    trail_.take();
    list(folder, static_cast<std::int32_t>(folders.size()));
    sort_entries(items);
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list(const Item& folder, std::int32_t level) {
  // Made once: for a record that keeps its path as text, each call makes one.
  const std::filesystem::path& folder_path = path_of(folder);
  const std::filesystem::path where = platform::listing_path(folder_path);
  std::optional<listed_names> ready;
  if (ahead_.reader != nullptr) {
    ready = ahead_.reader->take(where.native());
  }
  // The folder's own rule files and its entries are asked about in the
  // open folder.
  folder_entries entries = ready ? folder_entries(where, std::move(*ready))
                                 : folder_entries(where, prefers_standard_listing(&folder));
  if (unreadable_ && !entries.opened()) {
    unreadable_(folder, entries.error());
  }
  const folder_view view(folder_path, ignore_names, &entries, ahead_.reader.get());
  if (!engine_.enters(folder, view)) {
    return;
  }
  engine_.enter(folder, view, ignores, level);
  entry_depth_ = depth_of(folder) + 1;
  while (entries.next()) {
    if (engine_.passes_over(entries.name())) {
      continue;
    }
    if (!limits_.hidden && !entries.name().empty() && entries.name().front() == '.') {
      // Nor does the lister read such a folder.
      if (ahead_.reader != nullptr && entries.type() == platform::entry_type::directory) {
        ahead_.reader->leave_out(platform::join_name(where.native(), entries.name()));
      }
      continue;
    }
    Item record = listed_record(folder, entries, entry_times);
    add_entry(folder, record, entries.queries());
  }
  if (unreadable_ && entries.opened() && entries.error()) {
    unreadable_(folder, entries.error());
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list_ahead() {
  if (prefers_standard_listing(static_cast<const Item*>(nullptr)) || ahead_.reader != nullptr ||
      ahead_.walking || folders.size() != 1) {
    return;
  }
  // The lister passes over what the walk passes over, so that it reads the
  // folders the walk enters, in its order.
  std::vector<std::filesystem::path::string_type> look_for;
  if (engine_.looks_for_rule_files()) {
    for (const std::filesystem::path& name : ignore_names) {
      look_for.push_back(name.native());
    }
  }
  ahead_.reader =
      std::make_unique<read_ahead>(platform::listing_path(path_of(folders.back())).native(),
                                   engine_.ahead_skips(), std::move(look_for));
}

template <class Rules, class Item>
void finder<Rules, Item>::add_entry(const Item& folder, Item& record,
                                    const platform::folder_queries& queries) {
  record.inherit(folder);
  engine_.judge(record, ignores);
  mark_rule_file(record);
  // A real folder, or a link to one that the walk follows.
  const bool may_enter =
      record.is_directory() && (limits_.follow_links || !is_link_not_to_enter(record));
  if (!with_ignored && record.ignored) {
    if (may_enter) {
      leave_out(record);
    }
    return;
  }
  const bool pruned = limits_.prune_ignored && record.ignored;
  // Told before the filter, which sees whether the walk would go in.
  record.entered = recursive && !pruned && entry_depth_ < limits_.max_depth && may_enter;
  folder_trail::handle step;
  std::error_code why;
  if (record.entered && trail_.active()) {
    step = trail_.admit(path_of(record), queries, why);
    record.entered = step != nullptr;
  }
  if (filter_ && !filter_(record)) {
    if (may_enter) {
      leave_out(record);
    }
    return;
  }
  if (why && unreadable_) {
    unreadable_(record, why);
  }
  if (record.entered) {
    folders.push_back(record);
    if (trail_.active()) {
      trail_.push(std::move(step));
    }
  } else if (may_enter) {
    leave_out(record);
  }
  if (!pruned || limits_.hand_out_pruned || !record.is_directory()) {
    items.push_back(std::move(record));
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::leave_out(const Item& folder) {
  if (ahead_.reader != nullptr) {
    ahead_.reader->leave_out(platform::listing_path(path_of(folder)).native());
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::mark_rule_file(Item& record) const {
  const platform::native_view path = native_text(record);
  if constexpr (!platform::backslash_is_separator) {
    const std::size_t slash = path.rfind('/');
    if (slash != platform::native_view::npos && slash + 1 < path.size()) {
      // A path's last element after a "/" equals a name exactly when the
      // name's text is that element: a name of more elements, with a "/",
      // or empty, is never one element of that kind.
      const platform::native_view last = path.substr(slash + 1);
      for (const std::filesystem::path& name : ignore_names) {
        if (name.native() == last) {
          record.is_rule_file = true;
          return;
        }
      }
      return;
    }
  }
  if (ignore_names.count(path_of(record).filename()) != 0) {
    record.is_rule_file = true;
  }
}

}  // namespace quorvel::filesystem
