#pragma once
// Listing a folder of any depth: the names in it and the type that the
// listing knows for each, with the folder held open for queries about them.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "quorvel/platform/file_info.h"

namespace quorvel::platform {

// Whether the system takes `path` whole in a call: on POSIX systems, shorter
// than PATH_MAX bytes; on Windows, shorter than the 248 characters that a
// folder's path may have without the "\\?\" form. A longer path can still be
// reached: through a folder_listing, or folder_queries on its folder.
bool fits_whole(const std::filesystem::path& path);

// A folder's entries, one at a time, "." and ".." left out. The folder is
// opened when the listing is made and closed with it, so that a walk holds
// open only the folder it lists. A path too long to take whole is opened
// through the nearest ancestor that can be opened, one part at a time
// relative to the folder opened before (POSIX), or in the "\\?\" form
// (Windows).
class folder_listing {
 public:
  explicit folder_listing(const std::filesystem::path& folder);
  ~folder_listing();
  folder_listing(const folder_listing&) = delete;
  folder_listing& operator=(const folder_listing&) = delete;

  // Whether the folder was opened; one that was not lists nothing.
  bool is_open() const { return state_ != nullptr; }

  // Moves to the next entry and returns true, or returns false at the end,
  // or when reading fails (what was read stays valid; `error` tells).
  bool next();

  // Why the folder could not be opened, or why reading it stopped before
  // its end: the system's error; empty where neither happened.
  std::error_code error() const { return error_; }

  // The current entry's name and type; valid until the next call of `next`.
  native_view name() const { return name_; }
  entry_type type() const { return type_; }
  // The Windows attributes of the current entry where the listing gives
  // them (Windows); 0 elsewhere.
  std::uint32_t attributes() const { return attributes_; }

  // Queries about the folder's entries, through the open folder.
  const folder_queries& queries() const { return queries_; }

 private:
  struct state;  // the open listing, the platform's own
  std::unique_ptr<state> state_;
  native_view name_;
  entry_type type_ = entry_type::unknown;
  std::uint32_t attributes_ = 0;
  std::error_code error_;
  folder_queries queries_;
};

}  // namespace quorvel::platform
