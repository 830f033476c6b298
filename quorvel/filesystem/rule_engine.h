#pragma once
// The seam between the walk (finder.h) and a rule engine: what the walk asks
// of the rules, and nothing else. Read this file to add an engine.
//
// The walk knows the order of the tree, the listings and the records; an
// engine knows where a walk starts, which rule files are in force and how
// they decide. Two engines exist:
// - the design's (design_engine.h, the default for a rule-file type that
//   names none): every ancestor's rule files count, and the deepest file in
//   force decides alone;
// - git's (git/walk_engine.h, named by git::ignore_file): the work tree's
//   top, its exclude files, the deepest file with a matching line.
//
// A rule-file type `Rules` chooses its engine by naming it:
//
//     class my_rules { public: using engine_type = my_engine; ... };
//
// An engine `E` for records `Item` offers, as members:
//
//   using options_type = ...;  // handed to the constructor, and on to
//                              // every rule file it loads
//   explicit E(options_type options);
//
//   // Where the walk starts: loads into `ignores` the files in force above
//   // the root (at ignore_entry::whole_walk) and returns the root's record
//   // with the verdict that passes down to its entries. `root` is the walk's
//   // root as walk_root gives it, without a trailing separator.
//   Item start(const std::filesystem::path& root, const std::set<path>& names,
//              rule_stack<Rules>& ignores);
//
//   // The walk takes `folder` to list it: whether its entries are listed at
//   // all (git hands out a nested repository without entering it).
//   bool enters(const Item& folder, const folder_view& view) const;
//   // Loads the folder's own rule files into `ignores` at `level`, or none
//   // (git reads none inside an ignored folder).
//   void enter(const Item& folder, const folder_view& view, rule_stack<Rules>& ignores,
//              std::int32_t level) const;
//
//   // Whether a listed name is no entry of the tree (git's ".git"): the walk
//   // neither hands it out nor enters it.
//   bool passes_over(platform::native_view name) const;
//
//   // Gives `record` its verdict from the files in force. The record holds
//   // its folder's verdict already; an engine leaves an ignored folder's
//   // verdict on its entries.
//   void judge(Item& record, const rule_stack<Rules>& ignores) const;
//
//   // For reading ahead (read_ahead.h): what the lister passes over, and
//   // whether it looks for the rule files in each folder (for view.exists).
//   read_ahead::skips ahead_skips() const;
//   bool looks_for_rule_files() const;
//
// and may offer (the walk calls it where it is there, before the first entry):
//
//   // The walk enters links to folders (walk_options::follow_links).
//   void follow_links(bool on);
//
// The walk marks rule files (`is_rule_file`) and keeps or drops ignored
// entries itself: those are the same for every engine.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <vector>

#include "quorvel/filesystem/folder_entries.h"
#include "quorvel/filesystem/read_ahead.h"

namespace quorvel::filesystem {

// One loaded rule file, in force until the walk leaves its folder's subtree.
template <class Rules>
struct ignore_entry {
  // A file's `level` is the number of folders that were left waiting when
  // the walk took the file's folder to list it; once the walk is back to
  // that many waiting folders, the folder's subtree is done and the file is
  // retired. Files in force for the whole walk (those above the root, and
  // an engine's own such as git's exclude files) carry `whole_walk`, which
  // no count of waiting folders reaches.
  static constexpr std::int32_t whole_walk = -1;

  std::int32_t level = whole_walk;
  // What is cut off the front of an entry's path, in the engine's own form
  // of it, to give the path that the file matches.
  std::size_t folder_length = 0;
  std::shared_ptr<Rules> compiled;
  // The file's path as the records it decides name it.
  std::filesystem::path file;
};

// The rule files in force, in the order they were loaded: shallowest first.
template <class Rules>
using rule_stack = std::vector<ignore_entry<Rules>>;

template <class Rules>
class design_engine;

namespace detail {

template <class Rules>
struct engine_of {
  using type = design_engine<Rules>;
};
template <class Rules>
requires requires {
  typename Rules::engine_type;
}
struct engine_of<Rules> {
  using type = typename Rules::engine_type;
};

}  // namespace detail

// The engine that a rule-file type names, or the design's.
template <class Rules>
using engine_for = typename detail::engine_of<Rules>::type;

}  // namespace quorvel::filesystem
