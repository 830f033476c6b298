#pragma once
// The walk in a few lines: every entry below a folder, each with git's
// verdict, as plain UTF-8 records.
//
//     #include <quorvel/walk/walk.h>
//
//     for (const quorvel::entry& e : quorvel::walk("src")) {
//       if (!e.ignored) std::cout << e.path << '\n';
//     }
//
// Git's rules decide, as `git status` and `git ls-files --exclude-standard`
// apply them: the work tree's ".gitignore" files, `.git/info/exclude`, the
// global excludes file, and the index (a tracked file is never ignored).
// Entries named ".git" are never handed out. Each folder's entries come out
// together, its subfolders first, then the rest, each group in byte order of
// the names; a folder's subtree follows later (not right after it).
//
// quorvel/git/walker.h and quorvel/filesystem/finder.h are the layers below,
// for walks that need more (other rule files, native paths, the design's
// engine).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "quorvel/filesystem/next_iterator.h"
#include "quorvel/walk/rule_options.h"

namespace quorvel {

// What an entry is, the entry itself (a link is not followed).
enum class entry_kind {
  file,
  folder,             // a real folder: no link, no nested repository
  link,               // a symbolic link (or junction); entered only where the walk
                      // follows links (walk::options::follow_links)
  nested_repository,  // a folder holding a repository of its own: handed out, not entered
  other,              // a FIFO, a socket, a device
};

// One entry as the walk hands it out. Text is UTF-8 (on POSIX systems a
// name's bytes as the system gives them).
struct entry {
  // The path below the walk's root, "/" between names ("src/main.cpp").
  std::string path;
  entry_kind kind = entry_kind::file;
  // The walk goes into this folder (its entries follow later): a real
  // folder that is not pruned and lies above the maximum depth (and on the
  // root's file system, where the walk keeps to it); where the walk
  // follows links, also a link to such a folder (`kind` stays `link`) that
  // does not lead back to a folder above it.
  bool entered = false;
  // Git ignores it: a rule line, or an ignored folder above it.
  bool ignored = false;
  // Git's index tracks it (a folder: something below it). Such an entry is
  // never ignored; `rule` still names the line that would ignore it.
  bool tracked = false;
  // The deciding line as written ("*.log", "!keep.log"), its file as
  // `git check-ignore -v` names it (".gitignore", "src/.gitignore",
  // ".git/info/exclude", or the global file's full path; the source of
  // rules given as text, "<overrides>") and its number, from 1. Empty and 0
  // where no line ignores the entry.
  std::string rule;
  std::string rule_source;
  std::uint32_t rule_line = 0;
  // 1 for the root's own entries, 2 for theirs, and so on.
  std::size_t depth = 0;
  // Seconds since 1970-01-01 UTC, read only when the options ask for them
  // (walk::options::read_times); 0 otherwise or where unknown.
  std::int64_t modified = 0;
  std::int64_t created = 0;

  // The entry's path on the system: the root as given (made absolute where
  // it was "." or ".."), joined with `path`. Made on each call. Empty for a
  // record that no walk filled.
  std::filesystem::path full_path() const;

  // The walk's root, shared by its records, for full_path.
  std::shared_ptr<const std::filesystem::path> root;
};

// The walk below one folder, as an input range of entries: one pass only.
// Not copyable; movable. The folder is not read before the first entry is
// asked for, except for the checks the constructor makes.
class walk {
 public:
  // What the walk hands out and how; each setter returns the options, so
  // that they chain: `walk::options().prune_ignored().max_depth(2)`. The
  // defaults hand out every entry, read git's index, take core.ignoreCase
  // from the repository, skip the times and read folders ahead on a second
  // thread.
  class options : public rule_options<options> {
   public:
    // An ignored folder is not entered: nothing below it is read, judged or
    // handed out. The folder itself is handed out (with its verdict) unless
    // `hand_out_folder` is false. Costs nothing: it is the cheap way to skip
    // node_modules and build output. Turns reading ahead off by default.
    options& prune_ignored(bool hand_out_folder = true);
    // Only entries that git keeps are handed out, and no ignored folder is
    // entered (so it prunes too). Turns reading ahead off by default.
    options& kept_only(bool on = true);
    // Asks `keep` about each entry before it is handed out; false leaves it
    // out and, for a folder, keeps the walk out of it. Costs one call and
    // one more record (`entry`) per entry.
    options& filter(std::function<bool(const entry&)> keep);
    // Entries at most `depth` below the root (1: the root's own); folders
    // at that depth are handed out, not entered. Turns reading ahead off by
    // default.
    options& max_depth(std::size_t depth);
    // Whether entries whose names begin with "." are handed out (and such
    // folders entered); on by default. Off saves each such entry's record;
    // rule files (".gitignore") are read all the same.
    options& hidden(bool on);
    // Which rules count (use_index, ignore_case, info_exclude,
    // global_excludes, rule_file_name, rule_file, rules, overrides) come
    // from rule_options (rule_options.h).

    // Whether `modified` and `created` are read; off by default. On costs
    // one query of the file system per entry, which can double a walk.
    options& read_times(bool on);
    // Whether a second thread lists folders ahead of the walk, so that
    // reading them overlaps with judging their entries (a large tree walks
    // faster; the entries are the same). The lister is told of each folder
    // the walk leaves out and reads nothing below it; it follows no links:
    // where the walk does, it lists what it reaches through a link itself.
    // On by default, off by default where the walk leaves folders out
    // (pruning, kept_only, max_depth, same_file_system): the walks that
    // leave most out gain least from it.
    options& read_ahead(bool on);
    // Whether a symbolic link (on Windows also a junction) to a folder is
    // entered like a folder; off by default. Rules judge such a link as a
    // folder ("node_modules/" matches a linked node_modules), the entries
    // below it by their paths through it, and the rule files in it count
    // as in any folder; git's index tracks nothing below a link. A link
    // that leads back to the root or to a folder between the root and the
    // link is handed out but not entered, and reported to on_unreadable
    // (std::errc::too_many_symbolic_link_levels). Costs one query of the
    // file system per folder.
    options& follow_links(bool on = true);
    // Whether the walk keeps to the root's file system: a folder (or a
    // followed link's folder) on another device is handed out, not entered.
    // Off by default; on costs one query per folder.
    options& same_file_system(bool on = true);
    // Calls `report` for each folder the walk cannot go into, or not all
    // the way, with the folder's record and the system's reason: one gone
    // since it was listed or not readable (passed over); one whose reading
    // fails part-way (the entries read before the failure are handed out);
    // a followed link that loops back (too_many_symbolic_link_levels; see
    // follow_links). The walk goes on. Without it such folders are passed
    // over in silence. The callback may throw: the exception leaves the
    // loop.
    options& on_unreadable(std::function<void(const entry& folder, std::error_code why)> report);

   private:
    friend class walk;
    bool prune_ = false;
    bool hand_out_pruned_ = true;
    bool kept_only_ = false;
    std::function<bool(const entry&)> filter_;
    std::size_t max_depth_ = static_cast<std::size_t>(-1);
    bool hidden_ = true;
    bool read_times_ = false;
    std::optional<bool> read_ahead_;
    bool follow_links_ = false;
    bool same_file_system_ = false;
    std::function<void(const entry&, std::error_code)> unreadable_;
  };

  // Prepares the walk of `root` (UTF-8; relative to the current folder or
  // absolute): finds its work tree, reads the configuration, the exclude
  // files, the index and the rule files above the root. Throws
  // std::filesystem::filesystem_error where the root does not exist, is no
  // folder or cannot be read, std::runtime_error where git would refuse the
  // configuration, std::bad_alloc. The first form takes the default options.
  explicit walk(std::string_view root);
  walk(std::string_view root, options chosen);
  ~walk();
  walk(walk&&) noexcept;
  walk& operator=(walk&&) noexcept;
  walk(const walk&) = delete;
  walk& operator=(const walk&) = delete;

  // Fills `out` with the next entry and returns true, or returns false once
  // the walk is over. Reuses `out`'s text buffers.
  bool next(entry& out);

  // `for (const entry& e : walk)`: begin() takes the first entry, each step
  // the next; what the walk throws leaves the loop.
  using iterator = filesystem::next_iterator<walk, entry>;
  iterator begin() { return iterator(*this); }
  std::default_sentinel_t end() const { return {}; }

  // The root the entries' paths are below, as the walk spells it.
  const std::filesystem::path& root() const;

 private:
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace quorvel
