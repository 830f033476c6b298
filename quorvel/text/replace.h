#pragma once
// Replacing every occurrence of a text in wide text.

#include <string>
#include <string_view>

namespace quorvel::text {

// Replaces every `find` (not empty) in `text` by `replacement`, searching
// from the start and resuming right after each insertion, so a replacement
// is never searched again: "." by "\." in "a.b" gives "a\.b" once. An empty
// `find` leaves `text` unchanged.
void replace_all(std::wstring& text, std::wstring_view find, std::wstring_view replacement);

}  // namespace quorvel::text
