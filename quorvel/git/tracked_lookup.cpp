#include "quorvel/git/tracked_lookup.h"

#include "quorvel/git/precedence.h"

namespace quorvel::git {

namespace {

// The first place in [low, high) of the index's paths where `before` no
// longer holds, for a `before` that holds for a leading run of them.
template <class Before>
std::size_t first_not(const tracked_files& index, std::size_t low, std::size_t high,
                      Before before) {
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (before(index.path(middle))) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace

void tracked_lookup::look_in(std::string_view folder) {
  has_range_ = true;
  folder_.assign(folder);
  const std::string prefix = folder.empty() ? std::string() : std::string(folder) + '/';
  // The index is in byte order, so the paths below the folder are the run
  // that begins with its name and a "/".
  first_ = first_not(index_, 0, index_.size(),
                     [&prefix](std::string_view path) { return path < prefix; });
  end_ = first_not(index_, first_, index_.size(),
                   [&prefix](std::string_view path) { return path.starts_with(prefix); });
}

bool tracked_lookup::is_tracked(std::string_view path, bool is_folder) {
  if (ignore_case_ || index_.empty() || path.empty()) {
    // Folded paths are in another order than the index's, and the top has
    // no name to seek: asked whole.
    return git::is_tracked(index_, path, is_folder);
  }
  const std::size_t slash = path.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (!has_range_ || folder != folder_) {
    look_in(folder);
  }
  // Within the run every path begins with the same folder: the rest of each
  // is in the same order, and the name is sought among the rests.
  const std::size_t cut = folder.empty() ? 0 : folder.size() + 1;
  const auto rest_before = [cut](std::string_view key) {
    return [cut, key](std::string_view entry) { return entry.substr(cut) < key; };
  };
  std::size_t at = first_not(index_, first_, end_, rest_before(name));
  if (at == end_) {
    return false;
  }
  const std::string_view found = index_.path(at).substr(cut);
  if (found == name) {
    return true;
  }
  // The first path at or after the name is below the folder `name` only if
  // it begins with the name; "name-x" sorts before "name/", so the search
  // goes on from "name/".
  if (!is_folder || !found.starts_with(name)) {
    return false;
  }
  const std::string below = std::string(name) + '/';
  at = first_not(index_, at, end_, rest_before(below));
  return at < end_ && index_.path(at).substr(cut).starts_with(below);
}

}  // namespace quorvel::git
