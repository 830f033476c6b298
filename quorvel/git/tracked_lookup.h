#pragma once
// Asking git's index about the entries of a walk, folder by folder: the
// paths below the folder being listed are found once, and each of its
// entries is then looked up among them by its name alone.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "quorvel/git/index.h"

namespace quorvel::git {

// is_tracked (precedence.h) for a walk: the same answers, cheaper where
// consecutive questions are about entries of one folder. Shares the index's
// paths (a copy of a tracked_files is cheap). Not for two threads at once.
class tracked_lookup {
 public:
  tracked_lookup() = default;
  tracked_lookup(tracked_files index, bool ignore_case)
      : index_(std::move(index)), ignore_case_(ignore_case) {}

  const tracked_files& index() const { return index_; }

  // Whether git tracks `path` (below the top): an entry of the index or,
  // for a folder, one with tracked entries below it.
  bool is_tracked(std::string_view path, bool is_folder);

 private:
  // Moves the range to the paths below `folder` ("" for the top).
  void look_in(std::string_view folder);

  tracked_files index_;
  bool ignore_case_ = false;
  bool has_range_ = false;
  std::string folder_;  // the folder whose paths the range holds
  std::size_t first_ = 0;
  std::size_t end_ = 0;
};

}  // namespace quorvel::git
