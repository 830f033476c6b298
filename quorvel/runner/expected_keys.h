#pragma once
// A set of wide texts kept in one buffer of bytes: the keys of git's listing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel::runner {

// The keys of a large listing, a few hundred thousand paths of which most
// begin with the same folder: each key is stored once, as its bytes after a
// length, in one buffer, and found through an open-addressed table of
// offsets into it. A key that begins with the set's common prefix is stored
// without it. One string per key cost more than the walk and the report
// together.
//
// Texts are stored as bytes in an extended UTF-8 that spells every unit
// (surrogates and values beyond Unicode too) and keeps ASCII as it is, so the
// set holds exactly the texts inserted.
class expected_keys {
 public:
  // `common`: the prefix that most keys share (the test folder's text and a
  // "/"); any text is right, it only saves room.
  explicit expected_keys(std::wstring_view common = {});

  // Adds `key` unless it is there already.
  void insert(std::wstring_view key);

  bool contains(std::wstring_view key) const;

  // Whether the text that `bytes` decode to (text::bytes_to_wide) is a key:
  // a path's native text where names are bytes, not decoded when it is ASCII.
  bool contains_bytes(std::string_view bytes) const;

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // The keys in the order of std::wstring's comparison.
  std::vector<std::wstring> sorted() const;

 private:
  // `encoded` is a text's extended UTF-8.
  bool contains_encoded(std::string_view encoded) const;
  // The stored form of `encoded`: without the common prefix where it begins
  // with it, and whether it did.
  std::pair<std::string_view, bool> stored_form(std::string_view encoded) const;
  std::string_view key_at(std::uint32_t offset, bool& prefixed) const;
  void grow();

  std::string common_;
  // Each key: its length twice over, plus 1 when it had the common prefix, in
  // seven-bit groups, then its bytes. Offset 0 is never a key's.
  std::string bytes_ = std::string(1, '\0');
  // For each place of the table: a tag made from the key's hash (0 for a
  // free place) and the key's offset. A miss mostly ends at the tags, two
  // bytes each, without a look into the buffer.
  std::vector<std::uint16_t> tags_;
  std::vector<std::uint32_t> offsets_;
  std::size_t count_ = 0;
};

}  // namespace quorvel::runner
