#include "quorvel/git/tracked_lookup.h"

#include "quorvel/git/precedence.h"

namespace quorvel::git {

void tracked_lookup::look_in(std::string_view folder) {
  has_range_ = true;
  folder_.assign(folder);
  const std::string prefix = folder.empty() ? std::string() : std::string(folder) + '/';
  // The index is in byte order, so the paths below the folder are the run
  // that begins with its name and a "/".
  std::size_t low = 0;
  std::size_t high = index_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (index_.path(middle) < prefix) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  first_ = low;
  high = index_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (index_.path(middle).starts_with(prefix)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  end_ = low;
}

bool tracked_lookup::is_tracked(std::string_view path, bool is_folder) {
  if (ignore_case_ || index_.empty() || path.empty()) {
    // Folded paths are in another order than the index's, and the top has
    // no name to seek: asked whole.
    return git::is_tracked(index_, path, is_folder);
  }
  const std::size_t slash = path.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (!has_range_ || folder != folder_) {
    look_in(folder);
  }
  if (first_ == end_) {
    return false;
  }
  // Within the run every path begins with the same folder: the rest of each
  // is in the same order, and the name is sought among the rests.
  const std::size_t cut = folder.empty() ? 0 : folder.size() + 1;
  std::size_t low = first_;
  std::size_t high = end_;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (index_.path(middle).substr(cut) < name) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == end_) {
    return false;
  }
  const std::string_view found = index_.path(low).substr(cut);
  if (found == name) {
    return true;
  }
  // The first path at or after the name: below the folder `name` exactly
  // when it begins with the name and a "/" (a "!" or "-" sorts before "/",
  // so "name-x" may come first: then the search goes on from "name/").
  if (!is_folder || !found.starts_with(name)) {
    return false;
  }
  std::string below(name);
  below.push_back('/');
  high = end_;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (index_.path(middle).substr(cut) < below) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < end_ && index_.path(low).substr(cut).starts_with(below);
}

}  // namespace quorvel::git
