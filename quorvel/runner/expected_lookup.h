#pragma once
// Whether git's listing covers a path, answered from the path's text.

#include <filesystem>
#include <string>
#include <string_view>

#include "quorvel/runner/expected.h"

namespace quorvel::runner {

// Whether the path or one of its ancestors, up to the root of the file
// system, is a key of the listing's set, parent by parent as
// std::filesystem::path::parent_path goes: the question of judge_entry. The
// answer for the folder of the last path asked about is kept, since the walk
// hands out a folder's entries together.
class expected_lookup {
 public:
  // Asks `expected`, which must outlive the lookup.
  explicit expected_lookup(const expected_keys& expected) : keys_(expected) {}

  // `text` is the wide text of the path (platform::to_wide).
  bool covers(std::wstring_view text);

  // The same for the path's native text: covers(platform::to_wide(path)),
  // without decoding where names are bytes.
  bool covers_native(std::basic_string_view<std::filesystem::path::value_type> native);

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

  const expected_keys& keys_;
  folder_memory<wchar_t> wide_memory_;
  folder_memory<char> byte_memory_;
};

}  // namespace quorvel::runner
