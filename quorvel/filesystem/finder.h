#pragma once
// The ignore-aware walk: every entry below a root folder, one per call, each
// with the verdict of the rule files in force. The walk knows the tree's
// order, its listings and its records; which rule files are in force and how
// they decide is the engine's (rule_engine.h).

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "quorvel/filesystem/design_engine.h"
#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/filesystem/read_ahead.h"
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

namespace detail {

// The lister of a walk that reads ahead (finder::list_ahead). It follows one
// walk: a copy of the walk starts without one and lists for itself, which
// gives the same records.
struct ahead_slot {
  ahead_slot() = default;
  ahead_slot(const ahead_slot& other) noexcept : walking(other.walking) {}
  ahead_slot& operator=(const ahead_slot& other) noexcept {
    if (this != &other) {
      reader.reset();
      walking = other.walking;
    }
    return *this;
  }
  ahead_slot(ahead_slot&&) noexcept = default;
  ahead_slot& operator=(ahead_slot&&) noexcept = default;
  ~ahead_slot() = default;

  std::unique_ptr<read_ahead> reader;
  bool walking = false;  // `next` was called: too late to start one
};

// The record of the entry that `entries` stands at, in the folder whose
// record is `folder`: one overload per kind of record.
inline finder_item listed_record(const finder_item& folder, const folder_entries& entries,
                                 item_times times) {
  if (const std::filesystem::directory_entry* entry = entries.standard_entry()) {
    // The standard listing cached the entry's type: no query of its own.
    return finder_item(*entry, entries.queries(), times);
  }
  return finder_item(folder.entry.path() / entries.name(), entries.type(), entries.queries(),
                     times);
}
inline lean_item listed_record(const lean_item& folder, const folder_entries& entries,
                               item_times times) {
  return lean_item(folder.path, entries.name(), entries.type(), entries.queries(), times);
}

// Whether a folder's record is best listed by the standard listing, whose
// entries cache their status for the records that keep it.
constexpr bool prefers_standard_listing(const finder_item*) {
  return true;
}
constexpr bool prefers_standard_listing(const lean_item*) {
  return false;
}

// Whether a record that is a directory is a link that the walk hands out
// but does not enter. Told by the attributes where they say it (POSIX
// systems), so that it holds for records whose paths are too long to query.
template <class Item>
bool is_link_not_to_enter(const Item& record) {
  if constexpr (platform::backslash_is_separator) {
    // Without the reparse bit a folder is no link; with it, its tag tells.
    std::error_code error;
    return (record.attributes & platform::attribute_reparse_point) != 0 &&
           platform::is_link_not_to_enter(std::filesystem::directory_entry(path_of(record), error));
  } else {
    return (record.attributes & platform::attribute_reparse_point) != 0;
  }
}

}  // namespace detail

// The options of a rule-file type's engine, which the walk hands to it.
template <class Rules>
using rules_options_t = typename engine_for<Rules>::options_type;

// Walks the tree below a root folder depth first. Each folder's kept entries
// come out together, its subfolders first and then its other entries, each
// group in ascending path order; folders are listed in the reverse order of
// their discovery. Symbolic links (and junctions) are handed out but not
// entered. The root and its ancestors are never handed out. An entry whose
// name is one of the rule-file names is marked (`is_rule_file`).
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
  // or read is skipped in silence, keeping what was read of it. Errors while
  // loading a folder's rule files, or while testing an entry, leave `next`
  // as exceptions; the walk can go on with the next folder afterwards.
  virtual bool next(Item& out);

  // Lists the folders ahead of the walk on a second thread, so that the
  // system's share of reading them overlaps with judging their entries;
  // the records and their order stay the same. Only for records that keep
  // their paths as text (lean_item), and only before the first `next`;
  // otherwise it does nothing.
  void list_ahead();

  // The walk as an input range of records, for `for (const auto& entry :
  // walk)`: begin() takes the first record and each step the next, with
  // `next`; what `next` throws leaves the loop. One pass only.
  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = Item;
    using difference_type = std::ptrdiff_t;
    using pointer = const Item*;
    using reference = const Item&;

    iterator() = default;
    reference operator*() const { return record_; }
    pointer operator->() const { return &record_; }
    iterator& operator++() {
      if (!walk_->next(record_)) {
        walk_ = nullptr;
      }
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& at, std::default_sentinel_t) {
      return at.walk_ == nullptr;
    }

   private:
    friend class finder;
    explicit iterator(finder* walk) : walk_(walk) { ++*this; }

    finder* walk_ = nullptr;
    Item record_;
  };
  iterator begin() { return iterator(this); }
  std::default_sentinel_t end() const { return {}; }

 protected:
  const engine_type& engine() const { return engine_; }

 private:
  // Lists one folder taken off `folders` into `items`.
  void list(const Item& folder, std::int32_t level);
  // Judges one listed entry and keeps it (and queues a folder to enter).
  void add_entry(const Item& folder, Item& record);
  // Sets `is_rule_file` where the record's name is a rule-file name.
  void mark_rule_file(Item& record) const;

  std::vector<Item> folders;
  bool with_ignored = true;
  bool recursive = true;
  item_times entry_times = item_times::read;
  std::set<std::filesystem::path> ignore_names;
  rule_stack<Rules> ignores;
  std::vector<Item> items;
  detail::ahead_slot ahead_;
  engine_type engine_;
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
                                 : folder_entries(where, detail::prefers_standard_listing(&folder));
  const folder_view view(folder_path, ignore_names, &entries, ahead_.reader.get());
  if (!engine_.enters(folder, view)) {
    return;
  }
  engine_.enter(folder, view, ignores, level);
  while (entries.next()) {
    if (engine_.passes_over(entries.name())) {
      continue;
    }
    Item record = detail::listed_record(folder, entries, entry_times);
    add_entry(folder, record);
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list_ahead() {
  if (detail::prefers_standard_listing(static_cast<const Item*>(nullptr)) ||
      ahead_.reader != nullptr || ahead_.walking || folders.size() != 1) {
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
  ahead_.reader = std::make_unique<read_ahead>(
      platform::listing_path(path_of(folders.back())).native(), engine_.ahead_skips(),
      std::move(look_for));
}

template <class Rules, class Item>
void finder<Rules, Item>::add_entry(const Item& folder, Item& record) {
  record.inherit(folder);
  engine_.judge(record, ignores);
  mark_rule_file(record);
  if (with_ignored || !record.ignored) {
    if (recursive && record.is_directory() && !detail::is_link_not_to_enter(record)) {
      folders.push_back(record);
    }
    items.push_back(std::move(record));
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
