#pragma once
// One folder's entries as the walk lists them, whichever way they were read:
// a listing read ahead on another thread, the standard listing, or the
// library's own. The walk asks the same questions of all three.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "quorvel/filesystem/read_ahead.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/platform/folder_listing.h"

namespace quorvel::filesystem {

// The entries of the folder at `where` (its listing path), one at a time,
// "." and ".." left out. A folder that vanished, cannot be opened or stops
// reading lists what was read of it; `error` tells why it stopped.
class folder_entries {
 public:
  // The listing that a read_ahead made of the folder.
  folder_entries(const std::filesystem::path& where, listed_names listed);
  // The folder listed now: by the standard listing where `standard` is set
  // and the system takes the path whole (its entries then carry their
  // cached status, see standard_entry), else by the library's own listing.
  folder_entries(const std::filesystem::path& where, bool standard);
  folder_entries(const folder_entries&) = delete;
  folder_entries& operator=(const folder_entries&) = delete;

  // Whether the folder could be opened; one that could not lists nothing.
  bool opened() const { return opened_; }
  // Why the folder could not be opened, or why its listing stopped before
  // the end (once `next` has returned false): the system's error; empty
  // where neither happened or the reason is not known.
  std::error_code error() const;

  // Moves to the next entry and returns true, or returns false at the end.
  bool next();

  // The current entry's name and the type the listing told.
  platform::native_view name() const { return name_; }
  platform::entry_type type() const { return type_; }
  // The standard listing's entry, with the status it cached; null on the
  // other ways.
  const std::filesystem::directory_entry* standard_entry() const;

  // Queries about the folder's entries, through the open folder.
  const platform::folder_queries& queries() const;
  // The listing read ahead where there is one and the folder could be
  // opened: it tells which names are there without a query.
  const listed_names* listed() const;

 private:
  enum class route { ahead, standard, own };
  route route_;
  bool opened_ = true;
  // Read ahead: the listing and the position in it.
  std::optional<listed_names> listed_;
  std::size_t next_index_ = 0;
  std::size_t name_start_ = 0;
  // The standard listing, and the error that ends it.
  std::filesystem::directory_iterator iterator_;
  std::error_code error_;
  bool started_ = false;
  // The library's own listing; its queries serve the own route.
  std::optional<platform::folder_listing> own_;
  std::optional<platform::folder_queries> queries_;
  platform::native_view name_;
  platform::entry_type type_ = platform::entry_type::unknown;
};

// What an engine may ask about a folder whose rule files it is to load: the
// rule-file names to look for and, for each, whether it is there and how to
// read it, answered from the folder's listing where the walk has one and by
// the cheapest query where not.
class folder_view {
 public:
  // A folder that the walk lists (`entries`), or one above the root that it
  // does not (null: every question goes by the path).
  folder_view(const std::filesystem::path& folder, const std::set<std::filesystem::path>& names,
              const folder_entries* entries = nullptr, const read_ahead* lister = nullptr);

  // The folder as records spell it, and the rule-file names to look for.
  const std::filesystem::path& folder() const { return folder_; }
  const std::set<std::filesystem::path>& names() const { return names_; }

  // The path of `name` in the folder, by which it is read and named.
  std::filesystem::path file(const std::filesystem::path& name) const;

  // Whether something named `name` is there, a link followed, as
  // std::filesystem::exists says (and throws).
  bool exists(const std::filesystem::path& name) const;
  // False where the folder's listing tells that nothing named `name` is
  // there; true where something may be (a query tells).
  bool may_hold(const std::filesystem::path& name) const;
  // Whether `name` is a regular file itself (a link is not one).
  bool is_regular_file(const std::filesystem::path& name) const;

  // The open folder through which a `file` of it whose path is too long for
  // the system to take whole must be read; null where the path will do.
  const platform::folder_queries* through(const std::filesystem::path& file) const;

 private:
  const std::filesystem::path& folder_;
  const std::set<std::filesystem::path>& names_;
  const folder_entries* entries_;
  const read_ahead* lister_;
  std::filesystem::path where_;  // the folder's listing path
};

}  // namespace quorvel::filesystem
