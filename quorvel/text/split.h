#pragma once
// Cutting wide text at a separator: the one cutting operation used for rule
// files, the git listing, glob patterns and lists of rule-file names.

#include <string>
#include <vector>

namespace quorvel::text {

// Returns the pieces of `text` between the occurrences of `separator`, found
// left to right without overlap. Every separator ends one piece, and the piece
// after the last separator is always present, so the result has at least one
// element and keeps empty pieces: "a\n\nb\n" gives "a", "", "b", "".
// `separator` must not be empty; an empty separator gives `text` as the one
// piece.
std::vector<std::wstring> split(const std::wstring& text, const std::wstring& separator);

}  // namespace quorvel::text
