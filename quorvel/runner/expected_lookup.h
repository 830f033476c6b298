#pragma once
// Whether git's listing covers a path, answered from the path's text.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/runner/expected.h"

namespace quorvel::runner {

// Whether the path or one of its ancestors, up to the root of the file
// system, is a key of the listing's set, parent by parent as
// std::filesystem::path::parent_path goes: the question of judge_entry. Keys
// are looked up by hash, and the answer for the folder of the last path asked
// about is kept, since the walk hands out a folder's entries together.
class expected_lookup {
 public:
  // Keeps views of the keys of `expected`, which must outlive the lookup.
  explicit expected_lookup(const expected_map& expected);

  // `text` is the wide text of the path (platform::to_wide).
  bool covers(std::wstring_view text);

  // The same for the path's native text: covers(platform::to_wide(path)),
  // without decoding where names are bytes.
  bool covers_native(std::basic_string_view<std::filesystem::path::value_type> native);

  // An open-addressed set of views, a power of two in size and less than 60%
  // full: for each place, a tag made from the key's hash (0 for a free place)
  // and the key. Most paths asked about are not keys; a miss then costs a
  // look at a few neighbouring tags, small enough (two bytes each) to stay in
  // the cache: with four-byte tags the first look was most of a judgement.
  template <class Char>
  class key_set {
   public:
    void build(const std::vector<std::basic_string_view<Char>>& keys);
    bool contains(std::basic_string_view<Char> key) const;

   private:
    std::vector<std::uint16_t> tags_;
    std::vector<std::basic_string_view<Char>> keys_;
  };

  // The answer for the folder asked about last.
  template <class Char>
  struct folder_memory {
    bool known = false;
    std::basic_string<Char> folder;
    bool covered = false;
  };

 private:
  template <class Char>
  bool covers_native_text(std::basic_string_view<Char> native);

  key_set<wchar_t> wide_keys_;
  folder_memory<wchar_t> wide_memory_;
  // The keys as bytes, those that some name's bytes decode to: a key whose
  // bytes decode to other text is never the text of a path.
  std::vector<std::string> byte_key_text_;
  key_set<char> byte_keys_;
  folder_memory<char> byte_memory_;
};

}  // namespace quorvel::runner
