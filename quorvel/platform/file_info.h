#pragma once
// Attribute bits and time stamps of one file-system entry, in the terms of the
// Windows file search that the item records were designed around.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "quorvel/platform/file_identity.h"

namespace quorvel::platform {

// The Windows FILE_ATTRIBUTE_* bits that the records carry.
inline constexpr std::uint32_t attribute_directory = 0x10;
inline constexpr std::uint32_t attribute_archive = 0x20;  // Windows sets it on new files
// Neither a file, a folder nor a link: a FIFO, a socket, a device (POSIX
// systems; Windows lists none of these in a folder).
inline constexpr std::uint32_t attribute_device = 0x40;
inline constexpr std::uint32_t attribute_normal = 0x80;
inline constexpr std::uint32_t attribute_reparse_point = 0x400;

// The reparse tags of the links that the walk does not enter.
inline constexpr std::uint32_t reparse_tag_symlink = 0xA000000C;
inline constexpr std::uint32_t reparse_tag_mount_point = 0xA0000003;  // a junction

// The native text of a name or path.
using native_view = std::basic_string_view<std::filesystem::path::value_type>;

// The type of an entry itself (a final link not followed), as a listing
// or a query tells it; `unknown` where it could not tell.
enum class entry_type : std::uint8_t { unknown, directory, regular, symlink, other };

// What the platform reports for an entry itself (a final link not followed).
struct file_info {
  std::uint32_t attributes = 0;
  std::int64_t created = 0;   // seconds since 1970, 0 where unknown
  std::int64_t modified = 0;  // seconds since 1970

  bool operator==(const file_info&) const = default;
};

// Returns the attributes and times of the entry at `path`; all zero when it
// does not exist or cannot be queried. Never throws.
//
// On POSIX systems: a directory gives 0x10; a symbolic link gives 0x400, plus
// 0x10 when its target is a directory; a regular file 0x80; any other entry
// (a FIFO, a socket, a device) 0x40. `modified` is
// the last-write time and `created` the birth time where the file system
// keeps one (else 0), both rounded to the nearest second.
file_info query_file_info(const std::filesystem::path& path);

// Queries about the entries of one folder that need not walk the folder's
// path again for each entry: where the platform allows, the folder is held
// open and each entry is looked up by its name in it. So they reach the
// entries of a folder whose path is too long for the system to take whole.
class folder_listing;
class folder_queries {
 public:
  // Opens `folder` when a query first needs it (a walk that reads no times
  // asks only about links, which most folders lack); if that fails, every
  // query goes by the full path.
  explicit folder_queries(const std::filesystem::path& folder);
  ~folder_queries();
  folder_queries(const folder_queries&) = delete;
  folder_queries& operator=(const folder_queries&) = delete;

  // query_file_info(path), for a `path` that is the folder, as it was given,
  // joined with a name; any other path is queried by its full text. Never
  // throws.
  file_info query(const std::filesystem::path& path) const;

  // query(listed.path()).attributes for an entry that this folder's listing
  // handed out. On POSIX systems the type that the listing cached answers
  // for everything but a symbolic link, whose target is still asked about,
  // so most entries cost no query at all. Never throws.
  std::uint32_t attributes(const std::filesystem::directory_entry& listed) const;

  // The same for the entry at `path` whose type a folder_listing told as
  // `type`: a query only for a link or where the type is unknown.
  std::uint32_t attributes(const std::filesystem::path& path, entry_type type) const;

  // std::filesystem::exists(path), for such a `path`, with what it throws:
  // an answer other than "there" or "not there" is asked again by the full
  // path, which gives the standard error. Asked in the folder only when it
  // is open already or the path is too long to take whole: opening it
  // costs more than one query by the full path.
  bool exists(const std::filesystem::path& path) const;

  // The type of the entry at such a `path` itself (a final link not
  // followed); `unknown` where it cannot be queried. Never throws.
  entry_type type_of(const std::filesystem::path& path) const;

  // Fills `out` with the bytes of the regular file at such a `path` (a link
  // followed), as filesystem::read_all does, and returns true; returns false
  // and leaves `out` alone where it is no regular file or cannot be opened
  // or read. Throws std::bad_alloc or std::length_error for a file too large
  // to hold.
  bool read(const std::filesystem::path& path, std::string& out) const;

  // identify(path, error) for such a `path`, asked in the open folder where
  // the platform holds one. Never throws.
  file_identity identify(const std::filesystem::path& path, std::error_code& error) const noexcept;

 private:
  friend class folder_listing;

  // The name of `path` within the folder, or null where `path` is to be
  // asked by its full text. Opens the folder first when `open` is set.
  const char* name_in_folder(const std::filesystem::path& path, bool open = true) const;

  static constexpr int not_opened = -2;
  std::filesystem::path folder_;
  mutable int descriptor_ = not_opened;
  bool owns_descriptor_ = true;  // false while a folder_listing lends its own
};

// True when `entry` is a link that the walk must hand out but not enter: a
// symbolic link, or (on Windows) a junction. On POSIX systems it reads the
// entry's cached status; on Windows it asks the file search for the entry's
// reparse tag. Never throws.
bool is_link_not_to_enter(const std::filesystem::directory_entry& entry) noexcept;

// True when an entry with these Windows attribute bits and reparse tag (the
// file search's dwReserved0) is a symbolic link or a junction: a reparse point
// tagged as either. Tag 0, which Windows never gives, counts too: Wine reports
// the host's symbolic links as reparse points without a tag.
constexpr bool is_link_reparse_point(std::uint32_t attributes, std::uint32_t reparse_tag) {
  return (attributes & attribute_reparse_point) != 0 &&
         (reparse_tag == reparse_tag_symlink || reparse_tag == reparse_tag_mount_point ||
          reparse_tag == 0);
}

}  // namespace quorvel::platform
