#pragma once
// The design's rule engine (rule_engine.h says what an engine is): the rule
// files of the root's ancestors, of the root and of every folder on the way
// down are in force, and the deepest one in force decides alone: a deeper
// file without a matching rule leaves an entry kept, whatever the shallower
// ones say. The entries of an ignored folder keep its verdict.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/rule_engine.h"
#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {

// For any rule-file type with a constructor from the file's path (and, where
// it has one, from the path and the bytes read by the walk) and
//     bool match(const Item& record, std::wstring path, std::wstring& rule,
//                std::wstring& rule_regex) const;
// (or a std::wstring_view path): whether the file ignores the record at
// `path`, the record's path with the file's folder cut off ("/src/a.c").
template <class Rules>
class design_engine {
 public:
  struct options_type {};

  explicit design_engine(options_type = {}) {}

  template <class Item>
  Item start(std::filesystem::path current, const std::set<std::filesystem::path>& names,
             rule_stack<Rules>& ignores) const {
    // From the topmost ancestor (the path that is its own parent) down to
    // the root; each is judged by the files above it and its verdict passes
    // down the chain.
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
    Item carried{std::filesystem::path()};
    for (std::size_t i = 0;; ++i) {
      Item record(chain[i]);
      record.inherit(carried);
      judge(record, ignores);
      if (i + 1 == chain.size()) {
        return record;
      }
      carried.inherit(record);
      load(folder_view(chain[i], names), ignores, ignore_entry<Rules>::whole_walk,
           platform::to_wide(chain[i]).size());
    }
  }

  template <class Item>
  bool enters(const Item&, const folder_view&) const {
    return true;
  }

  template <class Item>
  void enter(const Item&, const folder_view& view, rule_stack<Rules>& ignores,
             std::int32_t level) const {
    // Entries' paths are cut after the folder's; a listed root "/" cuts
    // nothing, so that they begin with "/" like those of every other folder.
    const std::wstring folder = platform::to_wide(view.folder());
    load(view, ignores, level, folder == L"/" ? 0 : folder.size());
  }

  bool passes_over(platform::native_view) const { return false; }

  template <class Item>
  void judge(Item& record, const rule_stack<Rules>& ignores) const {
    if (record.ignored) {
      return;
    }
    // Shared by all files in force: a file that decides without naming a
    // rule reports what an earlier one wrote.
    std::wstring rule;
    std::wstring rule_regex;
    const std::wstring path = item_path(record);
    for (const ignore_entry<Rules>& entry : ignores) {
      if (entry.folder_length > path.size()) {
        (void)path.substr(entry.folder_length);  // the standard out-of-range error, as it reads
      }
      const std::wstring_view relative = std::wstring_view(path).substr(entry.folder_length);
      bool ignored = false;
      if constexpr (requires { entry.compiled->match(record, relative, rule, rule_regex); }) {
        ignored = entry.compiled->match(record, relative, rule, rule_regex);
      } else {
        ignored = entry.compiled->match(record, std::wstring(relative), rule, rule_regex);
      }
      record.ignored = ignored;
      if (ignored) {
        record.rule_file = entry.file;
        record.rule = rule;
        record.rule_regex = rule_regex;
      }
    }
  }

  read_ahead::skips ahead_skips() const { return {}; }
  bool looks_for_rule_files() const { return true; }

 private:
  // Loads each rule file that is there (any kind of entry, a folder too),
  // in the order of the names.
  static void load(const folder_view& view, rule_stack<Rules>& ignores, std::int32_t level,
                   std::size_t folder_length) {
    for (const std::filesystem::path& name : view.names()) {
      if (!view.exists(name)) {
        continue;
      }
      std::filesystem::path file = view.file(name);
      std::shared_ptr<Rules> compiled;
      if constexpr (std::is_constructible_v<Rules, const std::filesystem::path&,
                                            std::string_view>) {
        // A file whose path is too long to take whole is read through the
        // open folder.
        if (const platform::folder_queries* through = view.through(file)) {
          std::string bytes;
          through->read(file, bytes);
          compiled = std::make_shared<Rules>(file, std::string_view(bytes));
        }
      }
      if (compiled == nullptr) {
        compiled = std::make_shared<Rules>(file);
      }
      ignores.push_back({level, folder_length, std::move(compiled), std::move(file)});
    }
  }
};

}  // namespace quorvel::filesystem
