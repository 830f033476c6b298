#pragma once
// The paths that a repository tracks, read from its index
// (`$GIT_DIR/index`), for two questions: is this file tracked, and is
// anything tracked below this folder.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace quorvel::git {

// An index that cannot be read: what() reads "<file>: <what is wrong>", such
// as "/r/.git/index: entry 57 runs past the end of the data" (entries are
// counted from 1).
class index_error : public std::runtime_error {
 public:
  index_error(const std::filesystem::path& file, const std::string& what);
};

// The tracked paths of one index, immutable once read. Copies share the
// data, so they are cheap.
//
// Every entry counts, whatever its stage (a path in conflict has several),
// whether it is skipped in the work tree or only intended to be added
// (`git add -N`), and a gitlink (a submodule) too. A sparse index holds an
// entry for a whole folder outside the sparse cone ("doc/", mode 040000): it
// says that files are tracked below that folder, but which ones is not
// known here (that would need the tree objects), so a path below it is not
// counted as tracked.
//
// Index versions 2, 3 and 4 are read, and a split index together with its
// shared index. The trailing checksum is not computed (git does not check
// it on every read either), but every count, length and offset is checked
// against the data, and the entries must be in git's order.
//
// Paths are UTF-8 bytes below the work tree's top, "/" between names, with
// no leading or trailing "/" ("src/a.c"). With git's core.ignoreCase the
// questions ignore the case of ASCII letters, as git does; other letters
// must match exactly.
class tracked_files {
 public:
  // Gives the bytes of the shared index that a split index names by its
  // hash (`hex`, lower-case hexadecimal), or nullopt when there is none.
  // They must stay as they are until from_bytes returns.
  using shared_source = std::function<std::optional<std::string_view>(std::string_view hex)>;

  // Nothing tracked.
  tracked_files() = default;

  // Reads `git_dir`/index and, for a split index, the shared index
  // `git_dir`/sharedindex.<hash>. `hash_size` is the size of an object name
  // in bytes: 20 for SHA-1, 32 for SHA-256 (the repository's
  // extensions.objectFormat). A missing index (a repository with nothing
  // added yet, or no repository at all) tracks nothing. Throws index_error
  // for an index that cannot be read or is not a valid one,
  // std::invalid_argument for another hash size, and std::bad_alloc.
  static tracked_files read(const std::filesystem::path& git_dir, std::size_t hash_size,
                            bool ignore_case = false);

  // The same from the bytes of an index file; `file` names it in errors
  // (and a shared index is named after it: its folder, "sharedindex.<hash>").
  // A split index takes its shared index from `shared`; without one it is
  // an error. The result keeps no reference to the bytes.
  static tracked_files from_bytes(std::string_view data, const std::filesystem::path& file,
                                  std::size_t hash_size, bool ignore_case = false,
                                  const shared_source& shared = {});

  // Whether `path` is an entry of the index (a file, a symbolic link or a
  // gitlink; not a folder, not a path below a sparse folder entry). Never
  // throws.
  bool tracked(std::string_view path) const;

  // Whether anything is tracked below `folder`: an entry whose path begins
  // with `folder` + "/", or a sparse folder entry for it or below it. An
  // empty `folder` is the top. Never throws.
  bool tracked_below(std::string_view folder) const;

  // The number of distinct paths (the stages of one path count once; a
  // sparse folder entry counts as one), and the i-th of them in git's
  // order (byte order; i < size()), a sparse folder's with its trailing
  // "/". A split index's are those of the index that git puts together.
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  std::string_view path(std::size_t i) const;

 private:
  struct table;
  explicit tracked_files(std::shared_ptr<const table> data) : data_(std::move(data)) {}
  // The i-th path in the order searched (folded with ignore_case), and the
  // first of them that is not below `key` + `tail`.
  std::string_view searched(std::size_t i) const;
  std::size_t find(std::string_view key, std::string_view tail) const;

  std::shared_ptr<const table> data_;
};

}  // namespace quorvel::git
