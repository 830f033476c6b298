#pragma once
// Reading a walk's folders ahead of it, on a thread of its own, so that the
// system's share of listing them overlaps with judging the entries.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "quorvel/platform/file_info.h"

namespace quorvel::filesystem {

// What a listing of one folder gave: the names in it, each with the type
// the listing told (an unknown type already asked about), in the listing's
// order. `opened` is false where the folder could not be opened; `error`
// says why, or why the listing stopped before the folder's end.
struct listed_names {
  std::filesystem::path::string_type where;  // the folder's listing path, as the walk spells it
  std::filesystem::path::string_type names;  // the names, one after the other
  std::vector<std::size_t> ends;             // where each name ends in `names`
  std::vector<platform::entry_type> types;   // the type of each
  // For each name the lister was asked to look for, in the order it was
  // given them (read_ahead::found looks one up): 1 where something of
  // that name is there (a link followed, as std::filesystem::exists asks),
  // 0 where not, -1 where the question failed (the walk asks again, and
  // gets the error).
  std::vector<signed char> found;
  bool opened = false;
  std::error_code error;
};

// What a listing says of one name in its folder: whether it is there, and
// the type it was told as.
struct listed_entry {
  bool present = false;
  platform::entry_type type = platform::entry_type::unknown;
};

// Looks `name` up in `listed`; nothing where the listing cannot tell: for a
// name of more than one element, or one that it holds only in another case
// of its letters (the same file, where the file system ignores case).
std::optional<listed_entry> look_up(const listed_names& listed, platform::native_view name);

// Lists folders on a second thread in the order a depth-first walk that
// enters every real folder takes them (each folder's subfolders pushed in
// the listing's order and taken from the back), keeping a bounded number of
// listings ready. A walk that asks for the folders in that order, leaving
// some out, finds each one ready or soon ready; a folder that the lister
// will not list (or has dropped) is answered with nothing at once, and the
// walk lists it itself.
class read_ahead {
 public:
  // What the walk does not enter: folders of names that are no entries of
  // the tree (a repository's own ".git"; they are listed, not entered), and
  // folders that hold such a name and are repositories of their own (all
  // but the root). Either may be empty: nothing.
  struct skips {
    std::function<bool(platform::native_view name)> name;
    std::function<bool(const std::filesystem::path& folder)> repository;
  };

  // Starts listing from `root` (a folder's listing path), looking in each
  // folder for the names in `look_for` (the walk's rule files).
  read_ahead(std::filesystem::path::string_type root, skips skip,
             std::vector<std::filesystem::path::string_type> look_for = {});
  // Stops the thread and waits for it.
  ~read_ahead();
  read_ahead(const read_ahead&) = delete;
  read_ahead& operator=(const read_ahead&) = delete;

  // The listing of the folder `where`, read ahead, waiting for it where it
  // is not ready yet. The listings read before it are dropped: the walk left
  // those folders out. Nothing, at once and dropping nothing, where the
  // lister has not taken `where` on (or dropped it).
  std::optional<listed_names> take(platform::native_view where);

  // Tells the lister that the walk will not enter the folder `where` (a
  // listing path, as `take` takes it): pruned, filtered out or too deep.
  // The lister lists nothing at or below it from then on; what it read
  // there before is dropped as the walk goes past it.
  void leave_out(platform::native_view where);

  // What the lister found of `name`, one of the names it was asked to look
  // for, in the folder that `listed` lists: `listed_names::found`'s answer
  // for it, -1 for any other name.
  signed char found(const listed_names& listed, platform::native_view name) const;

 private:
  void run(std::filesystem::path::string_type root);
  void list_all(std::filesystem::path::string_type root);

  skips skip_;
  std::vector<std::filesystem::path::string_type> look_for_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<listed_names> ready_;  // read ahead and not yet taken, in order
  // The folders the lister has taken on and not handed over: on its stack,
  // being listed, or ready.
  std::unordered_set<std::filesystem::path::string_type> promised_;
  // Folders the walk left out since the lister last looked (leave_out).
  std::vector<std::filesystem::path::string_type> left_out_;
  std::size_t ready_names_ = 0;  // how many names `ready_` holds, for the bound
  bool done_ = false;            // the thread has listed all it will list
  bool stop_ = false;            // the walk is over: the thread ends
  bool walk_waits_ = false;      // `take` waits for a listing
  bool lister_waits_ = false;    // the thread waits for room
  std::thread thread_;           // last: started once the rest is set up
};

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

}  // namespace quorvel::filesystem
