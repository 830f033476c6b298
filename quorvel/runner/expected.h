#pragma once
// The set of paths that git's status listing reports as ignored.

#include <filesystem>
#include <map>
#include <string>

#include "quorvel/runner/expected_keys.h"

namespace quorvel::runner {

// Full paths spelled as the walker spells its entries' paths, mapped to true:
// the plain form of the listing's keys, which the parent walk of
// judge_entry reads and the tests check the compact set against.
using expected_map = std::map<std::wstring, bool>;

// Returns the key under which the listing line `line` names an entry of
// `folder`: tabs removed anywhere; a line in C quotes (text::c_unquote)
// replaced by the UTF-8 text its bytes spell, and a quoted line that is not
// well formed kept as it is; one trailing "/" dropped, the rest appended to
// `folder` as a path, and, where "\" separates, every "\" turned into "/".
// The line "./" is `folder` itself, without a trailing separator. Nothing
// else is normalised: "." and ".." elements stay.
std::wstring expected_key(std::wstring line, const std::filesystem::path& folder);

// Parses the decoded listing `text`: every non-empty line of an
// "Ignored files:" section becomes a key. The line right after each header
// (git's hint in parentheses) is skipped unseen, an empty line ends the
// section, and a line that ends in a carriage return is not a header. Keys
// below `folder` are stored without its text.
expected_keys parse_listing(const std::wstring& text, const std::filesystem::path& folder);

// Reads the listing file at `listing` as UTF-8 and parses it, a block at a
// time; a missing or unreadable file gives an empty set.
expected_keys read_expected(const std::filesystem::path& listing,
                            const std::filesystem::path& folder);

}  // namespace quorvel::runner
