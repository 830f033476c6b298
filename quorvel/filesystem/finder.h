#pragma once
// The ignore-aware walk: every entry below a root folder, one per call, each
// with the verdict of the rule files in force.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "quorvel/filesystem/item.h"
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
template <class Rules, class Item>
class finder {
 public:
  // Loads the rule files of the root's ancestors and queues the root; lists
  // nothing. `names` holds the rule-file names separated by "|"; empty loads
  // none. `times` says whether the records of listed entries read their
  // times (item_times). Throws what loading an ancestor's rule file throws.
  finder(const std::filesystem::path& root, std::wstring names,
         item_times times = item_times::read);
  virtual ~finder() = default;

  // Fills `out` with the next entry and returns true, or returns false (and
  // leaves `out` alone) once the walk is over. A folder that cannot be opened
  // or read is skipped in silence, keeping what was read of it. Errors while
  // loading a folder's rule files, or while testing an entry, leave `next`
  // as exceptions; the walk can go on with the next folder afterwards.
  virtual bool next(Item& out);

 private:
  void enter_folder(std::filesystem::path folder, std::int32_t level,
                    const platform::folder_queries* queries = nullptr);
  void apply_ignores(Item& record);
  void list_folder(const Item& folder, const platform::folder_queries& queries);

  std::vector<Item> folders;
  bool with_ignored = true;
  bool recursive = true;
  item_times entry_times = item_times::read;
  std::set<std::filesystem::path> ignore_names;
  std::vector<ignore_entry<Rules>> ignores;
  std::vector<Item> items;
};

namespace detail {

// Copies the verdict that passes from a folder to its entries.
template <class Item>
void copy_verdict(const Item& from, Item& to) {
  to.ignored = from.ignored;
  to.rule = from.rule;
  to.rule_regex = from.rule_regex;
  to.rule_file = from.rule_file;
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
    : entry_times(times) {
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
    // open folder.
    const platform::folder_queries queries(platform::listing_path(folder.entry.path()));
    enter_folder(folder.entry.path(), static_cast<std::int32_t>(folders.size()), &queries);
    list_folder(folder, queries);
    if constexpr (requires { sort_entries(items); }) {
      sort_entries(items);
    } else {
      std::sort(items.begin(), items.end(), entry_order);
    }
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::list_folder(const Item& folder, const platform::folder_queries& queries) {
  // A folder that vanished, cannot be opened or stops reading is passed over
  // in silence, keeping what was read of it. Building and testing the records
  // is outside this guard: a failure there must not cut the listing short
  // unnoticed.
  std::error_code error;
  std::filesystem::directory_iterator listing(platform::listing_path(folder.entry.path()), error);
  const std::filesystem::directory_iterator end;
  while (!error && listing != end) {
    Item record(*listing, queries, entry_times);
    detail::copy_verdict(folder, record);
    apply_ignores(record);
    if (with_ignored || !record.ignored) {
      if (recursive && record.is_directory() && !platform::is_link_not_to_enter(record.entry)) {
        folders.push_back(record);
      }
      items.push_back(std::move(record));
    }
    listing.increment(error);
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::enter_folder(std::filesystem::path folder, std::int32_t level,
                                       const platform::folder_queries* queries) {
  std::wstring folder_text = platform::to_wide(folder);
  std::size_t folder_length = folder_text.size();
  // A listed root "/" cuts nothing, so its entries' relative paths begin with
  // "/" like those of every other listed folder.
  if (level >= 0 && folder_text == L"/") {
    folder_length = 0;
  }
  for (const std::filesystem::path& name : ignore_names) {
    const std::filesystem::path file = platform::listing_path(folder) / name;
    if (queries != nullptr ? queries->exists(file) : std::filesystem::exists(file)) {
      ignores.push_back(
          {level, folder_text, folder_length, name, std::make_shared<Rules>(file), file});
    }
  }
}

template <class Rules, class Item>
void finder<Rules, Item>::apply_ignores(Item& record) {
  if (!record.ignored) {
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
    const text_view path = record.entry.path().native();
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
  if (ignore_names.count(record.entry.path().filename()) != 0) {
    record.is_rule_file = true;
  }
}

}  // namespace quorvel::filesystem
