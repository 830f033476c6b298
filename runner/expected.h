#pragma once
// The set of paths that git's status listing reports as ignored.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::runner {

// Full paths spelled as the walker spells its entries' paths, mapped to true.
using expected_map = std::map<std::wstring, bool>;

// Returns the key under which the listing line `line` names an entry of
// `folder`: tabs removed anywhere, one trailing "/" dropped, the rest appended
// to `folder` as a path, and, where "\" separates, every "\" turned into "/".
// Nothing else is normalised: quotes, "." and ".." elements stay.
std::wstring expected_key(std::wstring line, const std::filesystem::path& folder);

// Parses the decoded listing `text`: every non-empty line of an
// "Ignored files:" section becomes a key. The line right after each header
// (git's hint in parentheses) is skipped unseen, an empty line ends the
// section, and a line that ends in a carriage return is not a header.
expected_map parse_listing(const std::wstring& text, const std::filesystem::path& folder);

// Reads the listing file at `listing` as UTF-8 and parses it; a missing or
// unreadable file gives an empty set.
expected_map read_expected(const std::filesystem::path& listing,
                           const std::filesystem::path& folder);

// Whether git's listing covers a path: whether the path or one of its
// ancestors, up to the root of the file system, is a key of the listing's
// set, parent by parent as std::filesystem::path::parent_path goes. Keys are
// looked up by hash, and the answer for the folder of the last path asked
// about is kept, since the walk hands out a folder's entries together.
class expected_lookup {
 public:
  // Keeps views of the keys of `expected`, which must outlive the lookup.
  explicit expected_lookup(const expected_map& expected);

  // `text` is the wide text of the path (platform::to_wide).
  bool covers(std::wstring_view text);

 private:
  bool contains(std::wstring_view key) const;
  bool covers_text(std::wstring_view text) const;

  // An open-addressed table, a power of two in size and less than 60% full:
  // for each place, a tag made from the key's hash (0 for a free place) and
  // the key. Most paths asked about are not keys; a miss then costs a look
  // at a few neighbouring tags, small enough (two bytes each) to stay in the
  // cache: with four-byte tags the first look was most of a judgement.
  std::vector<std::uint16_t> tags_;
  std::vector<const std::wstring*> keys_;
  bool has_last_folder_ = false;
  std::wstring last_folder_;
  bool last_folder_covered_ = false;
};

}  // namespace quorvel::runner
