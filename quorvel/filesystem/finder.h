#pragma once
// The ignore-aware walk: every entry below a root folder, one per call, each
// with the verdict of the rule files in force.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/read_ahead.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/split.h"
#include "quorvel/text/utf8.h"

namespace quorvel::filesystem {

// Returns the folder that a walk of `root` starts from: its lexically normal
// form, except that a folder which is the current directory (".", "./",
// "a/..") or lies above it ("..", "../x") becomes its absolute path, so that
// its entries' paths keep their names whole and its ancestors are its real
// ones. May consult the file system (the current directory) for those.
std::filesystem::path walk_root(const std::filesystem::path& root);

namespace detail {

// A rule-file type that combines its files as git does (git::ignore_file):
// it names its options (`options_type`) and gives the last line of one file that matches a
// path, whether that line ignores or keeps it.
template <class Rules>
concept git_style_rules = requires(const Rules& rules, std::string_view path) {
  typename Rules::options_type;
  {rules.last_match(path, true)};
};

struct no_rule_options {};

template <class Rules>
struct rules_options {
  using type = no_rule_options;
};
template <git_style_rules Rules>
struct rules_options<Rules> {
  using type = typename Rules::options_type;
};

// What a walk with git-style rules keeps beyond the others: how a record's
// path becomes the path below the work tree's top that the rules match.
struct git_walk_state {
  std::size_t cut = 0;  // bytes cut off the front of a record's path ...
  std::string lead;     // ... and what is put before the rest
};

// A record that keeps its path as native text (lean_item) rather than in a
// std::filesystem::directory_entry (item).
template <class Item>
concept text_path_record = !requires(const Item& record) {
  record.entry.path();
};

// The native text of a record's path, whichever way the record keeps it.
template <class Item>
platform::native_view path_text(const Item& record) {
  if constexpr (text_path_record<Item>) {
    return record.path;
  } else {
    return record.entry.path().native();
  }
}

// A record's path: the one its entry holds, or one made from its text.
template <class Item>
decltype(auto) path_of(const Item& record) {
  if constexpr (text_path_record<Item>) {
    return std::filesystem::path(record.path);
  } else {
    return record.entry.path();
  }
}

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

}  // namespace detail

// The options of a rule-file type, which the walk hands to each file it
// loads; an empty type for rule files that take none.
template <class Rules>
using rules_options_t = typename detail::rules_options<Rules>::type;

// One loaded rule file, in force until the walk leaves its folder's subtree.
template <class Rules>
struct ignore_entry {
  std::int32_t level = 0;         // retired when this many folders are left pending
  std::wstring folder;            // the folder that holds the file, as passed to enter_folder
  std::size_t folder_length = 0;  // characters cut off an entry's path to match it
  std::filesystem::path file_name;
  std::shared_ptr<Rules> compiled;
  // The file's path as the records it decides name it, made once rather
  // than for each record.
  std::filesystem::path file;
};

// Walks the tree below a root folder depth first. Each folder's kept entries
// come out together, its subfolders first and then its other entries, each
// group in ascending path order; folders are listed in the reverse order of
// their discovery. Symbolic links (and junctions) are handed out but not
// entered. The root and its ancestors are never handed out.
//
// The rule files of the root's ancestors, of the root and of every folder on
// the way down are in force for the entries below them; the deepest one in
// force decides alone, and the entries of an ignored folder inherit its
// verdict.
//
// With rule files that combine as git does (detail::git_style_rules, such as
// git::ignore_file), the walk is git's instead:
// - the work tree's top is the nearest folder at or above the root that
//   holds a repository; rule files above it are not read, and below all
//   rule files of the tree come `$GIT_DIR/info/exclude` and then the global
//   excludes file (Rules::find_work_tree);
// - for each entry the deepest file that has a matching line decides, and
//   files without one leave it to the shallower ones; a folder is a folder
//   only when it is no symbolic link;
// - an ignored folder's entries are handed out with its verdict, whatever
//   deeper lines say, and its rule files are not read; a rule file that is a
//   symbolic link is not read either;
// - entries named `.git` are never handed out, and a folder that holds a
//   repository of its own is handed out but not entered;
// - paths are matched as UTF-8 bytes below the top, and an ignored record
//   carries the deciding line as written (`rule`), its file and its number
//   (`rule_line`), with `rule_regex` empty.
template <class Rules, class Item>
class finder {
 public:
  using item_type = Item;  // the records that `next` fills

  // Loads the rule files of the root's ancestors and queues the root; lists
  // nothing. `names` holds the rule-file names separated by "|"; empty loads
  // none. `times` says whether the records of listed entries read their
  // times (item_times). Throws what loading an ancestor's rule file throws.
  finder(const std::filesystem::path& root, std::wstring names,
         item_times times = item_times::read);
  // The same, with `options` handed to every rule file that is loaded (for
  // git::ignore_file: git's ignore-case setting).
  finder(const std::filesystem::path& root, std::wstring names, rules_options_t<Rules> options,
         item_times times = item_times::read);
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

 private:
  static constexpr bool git_style = detail::git_style_rules<Rules>;

  // With `listed`, the folder's listing, which tells without a query which
  // rule files are there.
  void enter_folder(std::filesystem::path folder, std::int32_t level,
                    const platform::folder_queries* queries = nullptr,
                    const listed_names* listed = nullptr);
  void apply_ignores(Item& record);
  void list_folder(const Item& folder, const std::filesystem::path& where,
                   const platform::folder_queries& queries);
  // The same through a listing of the library's own: for a folder whose path
  // is too long for the system to take whole, and for every folder where
  // the records keep their paths as text.
  void list_with(const Item& folder, platform::folder_listing& listing);
  // The same from a listing read ahead, with queries about its entries.
  void list_names(const Item& folder, const listed_names& names,
                  const platform::folder_queries& queries);
  // Judges one listed entry and keeps it (and queues a folder to enter).
  void add_entry(const Item& folder, Item& record);
  // Whether a listed name is a repository's own ".git" (git's walk only),
  // which is never handed out; notes that the folder holds one.
  bool passes_over(platform::native_view name, bool& holds_git) const;
  // Git's walk: a folder that holds a repository of its own is handed out
  // but not entered, so what its listing found (from `pending` on) goes.
  void drop_nested_repository(const Item& folder, std::size_t pending, bool holds_git);
  // The rules of the file at `file`, read through `through` (the open
  // folder) where it is set, else by the path.
  std::shared_ptr<Rules> load_rules(const std::filesystem::path& file,
                                    const platform::folder_queries* through) const;
  // Git's walk: the start (the work tree, its exclude files, the ancestors
  // between its top and the root), the path that the rules match, and the
  // verdict of the files in force.
  void start_git_walk(const std::filesystem::path& root);
  std::string_view below_top(platform::native_view path, std::string& buffer) const;
  void decide_as_git(Item& record, std::string_view path, bool is_folder) const;

  std::vector<Item> folders;
  bool with_ignored = true;
  bool recursive = true;
  item_times entry_times = item_times::read;
  std::set<std::filesystem::path> ignore_names;
  std::vector<ignore_entry<Rules>> ignores;
  std::vector<Item> items;
  detail::ahead_slot ahead_;
  [[no_unique_address]] rules_options_t<Rules> options_{};
  [[no_unique_address]] std::conditional_t<git_style, detail::git_walk_state,
                                           detail::no_rule_options>
      git_;
};

namespace detail {

// Copies the verdict that passes from a folder to its entries.
template <class Item>
void copy_verdict(const Item& from, Item& to) {
  to.ignored = from.ignored;
  to.rule = from.rule;
  to.rule_regex = from.rule_regex;
  to.rule_file = from.rule_file;
  if constexpr (requires { to.rule_line; }) {
    to.rule_line = from.rule_line;
  }
}

// Whether a record that is a folder is a link that the walk hands out but
// does not enter. Told by the attributes where they say it (POSIX systems),
// so that it holds for records whose paths are too long to query whole.
template <class Item>
bool is_link_not_to_enter(const Item& record) {
  if constexpr (platform::backslash_is_separator) {
    if constexpr (text_path_record<Item>) {
      // Without the reparse bit a folder is no link; with it, its tag tells.
      std::error_code error;
      return (record.attributes & platform::attribute_reparse_point) != 0 &&
             platform::is_link_not_to_enter(
                 std::filesystem::directory_entry(path_of(record), error));
    } else {
      return platform::is_link_not_to_enter(record.entry);
    }
  } else {
    return (record.attributes & platform::attribute_reparse_point) != 0;
  }
}

// A folder that the rules treat as one: a symbolic link (or junction) to a
// folder is not.
template <class Item>
bool is_real_folder(const Item& record) {
  return record.is_directory() && (record.attributes & platform::attribute_reparse_point) == 0;
}

// Asks `rules` about `record` at `relative`: as a view where the rule-file
// type takes one, else as the string it takes.
template <class Rules, class Item>
bool ask(const Rules& rules, const Item& record, std::wstring_view relative, std::wstring& rule,
         std::wstring& rule_regex) {
  if constexpr (requires { rules.match(record, relative, rule, rule_regex); }) {
    return rules.match(record, relative, rule, rule_regex);
  } else {
    return rules.match(record, std::wstring(relative), rule, rule_regex);
  }
}

}  // namespace detail

template <class Rules, class Item>
finder<Rules, Item>::finder(const std::filesystem::path& root, std::wstring names, item_times times)
    : finder(root, std::move(names), rules_options_t<Rules>{}, times) {}

template <class Rules, class Item>
finder<Rules, Item>::finder(const std::filesystem::path& root, std::wstring names,
                            rules_options_t<Rules> options, item_times times)
    : entry_times(times), options_(std::move(options)) {
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
  if constexpr (git_style) {
    start_git_walk(current);
    return;
  }

  // From the topmost ancestor (the path that is its own parent) down to the root.
  std::vector<std::filesystem::path> chain;
  std::filesystem::path self;
  for (;;) {
    self = current;
    current = current.parent_path();
    if (self.compare(current) == 0) {
      break;
    }
    chain.push_back(self);
  }
  chain.push_back(self);
  std::reverse(chain.begin(), chain.end());

  // Each ancestor is tested against the files above it, and its verdict passes
  // down the chain to the root.
  Item carried{std::filesystem::path()};
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const auto k = static_cast<std::int32_t>(chain.size() - i);
    Item record(chain[i]);
    detail::copy_verdict(carried, record);
    apply_ignores(record);
    detail::copy_verdict(record, carried);
    if (k == 1) {
      folders.push_back(std::move(record));
    } else {
      enter_folder(chain[i], -k);
    }
  }
  items.clear();
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
    // The subtree of a folder whose files carry level n is done once n
    // folders are left pending again.
    const auto pending = static_cast<std::int32_t>(folders.size());
    std::erase_if(ignores, [pending](const auto& entry) { return entry.level == pending; });

    const Item folder = std::move(folders.back());
    folders.pop_back();
    // The folder's own rule files and its entries are asked about in the
    // open folder. Git reads no rule file inside an ignored folder.
    const bool reads_rules = !git_style || !folder.ignored;
    const auto level = static_cast<std::int32_t>(folders.size());
    // Made once: for a record that keeps its path as text, each call makes one.
    const std::filesystem::path& folder_path = detail::path_of(folder);
    const std::filesystem::path where = platform::listing_path(folder_path);
    std::optional<listed_names> ready;
    if (ahead_.reader != nullptr) {
      ready = ahead_.reader->take(where.native());
    }
    if (ready) {
      const platform::folder_queries queries(where);
      if (reads_rules) {
        // A folder that could not be listed may still hold rule files that
        // can be read: they are asked about, as without the listing.
        enter_folder(folder_path, level, &queries, ready->opened ? &*ready : nullptr);
      }
      list_names(folder, *ready, queries);
    } else if (!detail::text_path_record<Item> && platform::fits_whole(where)) {
      // The standard listing caches each entry's type in the record's
      // `entry`, which no other way of making one does without a query.
      const platform::folder_queries queries(where);
      if (reads_rules) {
        enter_folder(folder_path, level, &queries);
      }
      list_folder(folder, where, queries);
    } else {
      platform::folder_listing listing(where);
      if (reads_rules) {
        enter_folder(folder_path, level, &listing.queries());
      }
      list_with(folder, listing);
    }
    if constexpr (requires { sort_entries(items); }) {
      sort_entries(items);
    } else {
      std::sort(items.begin(), items.end(), entry_order);
    }
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list_folder(const Item& folder, const std::filesystem::path& where,
                                      const platform::folder_queries& queries) {
  // A folder that vanished, cannot be opened or stops reading is passed over
  // in silence, keeping what was read of it. Building and testing the records
  // is outside this guard: a failure there must not cut the listing short
  // unnoticed.
  std::error_code error;
  std::filesystem::directory_iterator listing(where, error);
  const std::filesystem::directory_iterator end;
  const std::size_t pending = folders.size();
  bool holds_git = false;
  while (!error && listing != end) {
    if constexpr (git_style) {
      using char_type = std::filesystem::path::value_type;
      const platform::native_view path = listing->path().native();
      std::size_t name = path.size();
      while (name > 0 && path[name - 1] != char_type('/') &&
             !(platform::backslash_is_separator && path[name - 1] == char_type('\\'))) {
        --name;
      }
      if (passes_over(path.substr(name), holds_git)) {
        listing.increment(error);
        continue;
      }
    }
    if constexpr (!detail::text_path_record<Item>) {
      Item record(*listing, queries, entry_times);
      add_entry(folder, record);
    }
    listing.increment(error);
  }
  drop_nested_repository(folder, pending, holds_git);
}

template <class Rules, class Item>
void finder<Rules, Item>::list_with(const Item& folder, platform::folder_listing& listing) {
  // Passed over in silence as list_folder does: what cannot be opened lists
  // nothing, and a read that fails ends the listing.
  const std::size_t pending = folders.size();
  bool holds_git = false;
  while (listing.next()) {
    if (passes_over(listing.name(), holds_git)) {
      continue;
    }
    if constexpr (detail::text_path_record<Item>) {
      Item record(detail::path_text(folder), listing.name(), listing.type(), listing.queries(),
                  entry_times);
      add_entry(folder, record);
    } else {
      Item record(folder.entry.path() / listing.name(), listing.type(), listing.queries(),
                  entry_times);
      add_entry(folder, record);
    }
  }
  drop_nested_repository(folder, pending, holds_git);
}

template <class Rules, class Item>
void finder<Rules, Item>::list_names([[maybe_unused]] const Item& folder,
                                     [[maybe_unused]] const listed_names& names,
                                     [[maybe_unused]] const platform::folder_queries& queries) {
  if constexpr (detail::text_path_record<Item>) {
    const std::size_t pending = folders.size();
    bool holds_git = false;
    const platform::native_view all = names.names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < names.ends.size(); ++i) {
      const platform::native_view name = all.substr(start, names.ends[i] - start);
      start = names.ends[i];
      if (passes_over(name, holds_git)) {
        continue;
      }
      Item record(detail::path_text(folder), name, names.types[i], queries, entry_times);
      add_entry(folder, record);
    }
    drop_nested_repository(folder, pending, holds_git);
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list_ahead() {
  if constexpr (detail::text_path_record<Item>) {
    if (ahead_.reader != nullptr || ahead_.walking || folders.size() != 1) {
      return;
    }
    read_ahead::skips skip;
    if constexpr (git_style) {
      // The lister passes over what the walk passes over, so that it reads
      // the folders the walk enters, in its order.
      skip.name = [options = options_](platform::native_view name) {
        return Rules::is_repository_name(name, options);
      };
      skip.repository = [](const std::filesystem::path& folder) {
        return Rules::holds_repository(folder);
      };
    }
    // The design's walk asks whether each rule file is there; the lister
    // asks for it.
    std::vector<std::filesystem::path::string_type> look_for;
    if constexpr (!git_style) {
      for (const std::filesystem::path& name : ignore_names) {
        look_for.push_back(name.native());
      }
    }
    ahead_.reader = std::make_unique<read_ahead>(
        platform::listing_path(detail::path_of(folders.back())).native(), std::move(skip),
        std::move(look_for));
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::add_entry(const Item& folder, Item& record) {
  detail::copy_verdict(folder, record);
  apply_ignores(record);
  if (with_ignored || !record.ignored) {
    if (recursive && record.is_directory() && !detail::is_link_not_to_enter(record)) {
      folders.push_back(record);
    }
    items.push_back(std::move(record));
  }
}

template <class Rules, class Item>
bool finder<Rules, Item>::passes_over([[maybe_unused]] platform::native_view name,
                                      [[maybe_unused]] bool& holds_git) const {
  if constexpr (git_style) {
    // A repository's own ".git" is never an entry of the work tree.
    if (Rules::is_repository_name(name, options_)) {
      holds_git = true;
      return true;
    }
  }
  return false;
}

template <class Rules, class Item>
void finder<Rules, Item>::drop_nested_repository([[maybe_unused]] const Item& folder,
                                                 [[maybe_unused]] std::size_t pending,
                                                 [[maybe_unused]] bool holds_git) {
  if constexpr (git_style) {
    // A folder that holds a repository of its own (not the work tree's top)
    // is handed out but not entered: what was found in it goes again.
    std::string buffer;
    if (holds_git && !below_top(detail::path_text(folder), buffer).empty() &&
        Rules::holds_repository(platform::listing_path(detail::path_of(folder)))) {
      items.clear();
      folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(pending), folders.end());
    }
  }
}

template <class Rules, class Item>
std::shared_ptr<Rules> finder<Rules, Item>::load_rules(
    const std::filesystem::path& file, const platform::folder_queries* through) const {
  if constexpr (git_style) {
    if (through != nullptr) {
      std::string bytes;
      through->read(file, bytes);
      return std::make_shared<Rules>(Rules::from_text(bytes, file, options_));
    }
    return std::make_shared<Rules>(file, options_);
  } else {
    if constexpr (std::is_constructible_v<Rules, const std::filesystem::path&, std::string_view>) {
      if (through != nullptr) {
        std::string bytes;
        through->read(file, bytes);
        return std::make_shared<Rules>(file, std::string_view(bytes));
      }
    }
    return std::make_shared<Rules>(file);
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::enter_folder(std::filesystem::path folder, std::int32_t level,
                                       const platform::folder_queries* queries,
                                       const listed_names* listed) {
  std::wstring folder_text = platform::to_wide(folder);
  std::size_t folder_length = folder_text.size();
  // A listed root "/" cuts nothing, so its entries' relative paths begin with
  // "/" like those of every other listed folder.
  if (level >= 0 && folder_text == L"/") {
    folder_length = 0;
  }
  if constexpr (git_style) {
    // Matched below the top: the file's folder and the "/" after it are cut.
    std::string buffer;
    const std::string_view below = below_top(folder.native(), buffer);
    folder_length = below.empty() ? 0 : below.size() + 1;
  }
  std::size_t rank = 0;  // of `name` in ignore_names, as the lister was told them
  for (const std::filesystem::path& name : ignore_names) {
    // Git's walk: a name the listing does not hold is no file there; one it
    // holds as a regular file is one (a link, or a type it could not tell,
    // is asked). The design's walk takes the lister's existence test, where
    // it did not fail.
    const signed char found =
        !git_style && listed != nullptr && rank < listed->found.size() ? listed->found[rank] : -1;
    ++rank;
    const auto seen =
        git_style && listed != nullptr ? look_up(*listed, name.native()) : std::nullopt;
    if (seen && !seen->present) {
      continue;
    }
    const bool listed_regular = seen && seen->type == platform::entry_type::regular;
    const bool listed_not_link = seen && seen->type != platform::entry_type::symlink &&
                                 seen->type != platform::entry_type::unknown;
    const std::filesystem::path file = platform::listing_path(folder) / name;
    // A file whose path is too long to take whole is reached through the
    // open folder.
    const platform::folder_queries* through =
        queries != nullptr && !platform::fits_whole(file) ? queries : nullptr;
    if constexpr (git_style) {
      // Git does not follow a symbolic link to a rule file in the tree.
      std::error_code error;
      const bool regular = listed_not_link ? listed_regular
                           : through != nullptr
                               ? through->type_of(file) == platform::entry_type::regular
                               : std::filesystem::symlink_status(file, error).type() ==
                                     std::filesystem::file_type::regular;
      if (regular) {
        ignores.push_back(
            {level, folder_text, folder_length, name, load_rules(file, through), file});
      }
    } else if (found >= 0           ? found == 1
               : queries != nullptr ? queries->exists(file)
                                    : std::filesystem::exists(file)) {
      ignores.push_back({level, folder_text, folder_length, name, load_rules(file, through), file});
    }
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::apply_ignores(Item& record) {
  if constexpr (git_style) {
    // An entry of an ignored folder keeps the folder's verdict.
    if (!record.ignored) {
      std::string buffer;
      decide_as_git(record, below_top(detail::path_text(record), buffer),
                    detail::is_real_folder(record));
    }
  } else if (!record.ignored) {
    // Shared by all files in force: a file that decides without naming a rule
    // reports what an earlier one wrote.
    std::wstring rule;
    std::wstring rule_regex;
    const std::wstring path = item_path(record);
    for (const ignore_entry<Rules>& entry : ignores) {
      if (entry.folder_length > path.size()) {
        (void)path.substr(entry.folder_length);  // the standard out-of-range error, as it reads
      }
      const bool ignored =
          detail::ask(*entry.compiled, record, std::wstring_view(path).substr(entry.folder_length),
                      rule, rule_regex);
      record.ignored = ignored;
      if (ignored) {
        record.rule_file = entry.file;
        record.rule = rule;
        record.rule_regex = rule_regex;
      }
    }
  }
  if (record.is_rule_file) {
    return;
  }
  if constexpr (!platform::backslash_is_separator) {
    using text_view = std::basic_string_view<std::filesystem::path::value_type>;
    const text_view path = detail::path_text(record);
    const std::size_t slash = path.rfind(static_cast<text_view::value_type>('/'));
    if (slash != text_view::npos && slash + 1 < path.size()) {
      // A path's last element after a "/" equals a name exactly when the
      // name's text is that element: a name of more elements, with a "/",
      // or empty, is never one element of that kind.
      const text_view last = path.substr(slash + 1);
      for (const std::filesystem::path& name : ignore_names) {
        if (name.native() == last) {
          record.is_rule_file = true;
          return;
        }
      }
      return;
    }
  }
  if (ignore_names.count(detail::path_of(record).filename()) != 0) {
    record.is_rule_file = true;
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::start_git_walk(const std::filesystem::path& root) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(root, error).lexically_normal();
  if (error) {
    absolute = root;
  }
  if (!absolute.has_filename() && absolute.has_relative_path()) {
    absolute = absolute.parent_path();
  }
  const auto tree = Rules::find_work_tree(absolute);
  // Without a repository the root is the top: only its own rule files and
  // those below it count, and the global excludes file.
  const std::filesystem::path top = tree.top.empty() ? absolute : tree.top;

  // How a record's path becomes the path below the top. Records are spelt
  // as the root was given: from the top itself when the root is absolute or
  // the top lies at or below the current folder, else from the current
  // folder, which lies below the top.
  const auto cut_after = [](const std::filesystem::path& folder) -> std::size_t {
    const std::string text = platform::generic_utf8(platform::to_path(normalize_item_path(folder)));
    if (text.empty() || text == ".") {
      return 0;
    }
    return text.back() == '/' ? text.size() : text.size() + 1;
  };
  if (root.is_absolute()) {
    git_.cut = cut_after(top);
  } else {
    const std::filesystem::path here = std::filesystem::current_path();
    const std::filesystem::path top_from_here = top.lexically_relative(here);
    if (!top_from_here.empty() && *top_from_here.begin() != "..") {
      git_.cut = cut_after(top_from_here);
    } else {
      const std::filesystem::path here_from_top = here.lexically_relative(top);
      if (here_from_top != ".") {
        git_.lead = platform::generic_utf8(here_from_top) + "/";
      }
    }
  }

  // Lowest precedence first: the files are asked from the back.
  for (const std::filesystem::path& file : tree.exclude_files()) {
    ignores.push_back({std::numeric_limits<std::int32_t>::min(), platform::to_wide(top), 0,
                       file.filename(), std::make_shared<Rules>(file, options_), file});
  }

  // The folders from the top down to the root: each is judged by the files
  // above it, and reads its own unless it is ignored. The top is never
  // judged; the root's own files are read when it is listed.
  std::vector<std::filesystem::path> chain;
  for (std::filesystem::path folder = absolute;; folder = folder.parent_path()) {
    chain.push_back(folder);
    if (folder == top || folder.parent_path() == folder) {
      break;
    }
  }
  std::reverse(chain.begin(), chain.end());
  Item carried{std::filesystem::path()};
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const auto level = static_cast<std::int32_t>(i) - static_cast<std::int32_t>(chain.size());
    const std::string below =
        i == 0 ? std::string() : platform::generic_utf8(chain[i].lexically_relative(top));
    if (i > 0 && !carried.ignored) {
      decide_as_git(carried, below, true);
    }
    if (i + 1 < chain.size() && !carried.ignored) {
      // The folder is spelt here from the root up, not as records are, so
      // its place below the top is set apart.
      const std::size_t before = ignores.size();
      enter_folder(chain[i], level);
      for (std::size_t k = before; k < ignores.size(); ++k) {
        ignores[k].folder_length = below.empty() ? 0 : below.size() + 1;
      }
    }
  }
  Item record(root);
  detail::copy_verdict(carried, record);
  folders.push_back(std::move(record));
}

template <class Rules, class Item>
std::string_view finder<Rules, Item>::below_top(platform::native_view path,
                                                std::string& buffer) const {
  std::string_view text = platform::utf8_view(path, buffer);
  text = text.substr(std::min(git_.cut, text.size()));
  if (git_.lead.empty()) {
    return text;
  }
  std::string joined = git_.lead;
  joined.append(text);
  buffer = std::move(joined);
  return buffer;
}

template <class Rules, class Item>
void finder<Rules, Item>::decide_as_git(Item& record, std::string_view path, bool is_folder) const {
  // The deepest file that has a matching line decides, whether the line
  // ignores or keeps; files without one leave it to those above, and the
  // exclude files below the tree's own come last. `ignores` holds them from
  // the lowest precedence to the highest.
  for (auto it = ignores.rbegin(); it != ignores.rend(); ++it) {
    if (it->folder_length > path.size()) {
      continue;
    }
    const auto* line = it->compiled->last_match(path.substr(it->folder_length), is_folder);
    if (line == nullptr) {
      continue;
    }
    record.ignored = !line->negation;
    if (record.ignored) {
      record.rule = text::bytes_to_wide(line->text);
      record.rule_regex.clear();
      record.rule_file = it->file;
      record.rule_line = line->line;
      return;
    }
    break;
  }
  record.ignored = false;
  record.rule.clear();
  record.rule_regex.clear();
  record.rule_file.clear();
  record.rule_line = 0;
}

}  // namespace quorvel::filesystem
