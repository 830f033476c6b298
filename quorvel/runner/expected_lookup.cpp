#include "quorvel/runner/expected_lookup.h"

#include <filesystem>
#include <functional>
#include <type_traits>
#include <utility>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {
namespace {

// True when the parent of `text` is the text up to its last "/" (or "/" for
// an element right below the root, or nothing for a single relative
// element), as it is for a path with "/" alone between its elements, none
// empty and none at the end.
template <class Char>
bool has_plain_parents(std::basic_string_view<Char> text) {
  if constexpr (platform::backslash_is_separator) {
    return false;
  }
  const Char doubled[] = {Char('/'), Char('/')};
  return text.find(std::basic_string_view<Char>(doubled, 2)) == text.npos &&
         (text.size() <= 1 || text.back() != Char('/'));
}

// The parent of a path with plain parents that is neither "/" nor empty.
template <class Char>
std::basic_string_view<Char> plain_parent(std::basic_string_view<Char> text) {
  const std::size_t slash = text.rfind(Char('/'));
  if (slash == text.npos) {
    return {};
  }
  return text.substr(0, slash == 0 ? 1 : slash);
}

template <class Char>
bool is_root_or_empty(std::basic_string_view<Char> text) {
  return text.empty() || (text.size() == 1 && text[0] == Char('/'));
}

// The walk up from a path with plain parents, its folder's answer
// remembered; `contains` tells whether a text is a key.
template <class Char, class Contains>
bool covers_plain(std::basic_string_view<Char> text, Contains contains,
                  expected_lookup::folder_memory<Char>& memory) {
  // "/" and the empty path are their own parents: the walk ends there.
  if (is_root_or_empty(text)) {
    return contains(text);
  }
  const std::basic_string_view<Char> folder = plain_parent(text);
  if (!memory.known || folder != memory.folder) {
    bool covered = false;
    for (std::basic_string_view<Char> at = folder;; at = plain_parent(at)) {
      if (contains(at)) {
        covered = true;
        break;
      }
      if (is_root_or_empty(at)) {
        break;
      }
    }
    memory.known = true;
    memory.folder.assign(folder);
    memory.covered = covered;
  }
  // Whether the path itself is a key matters only below a folder that is
  // not covered.
  return memory.covered || contains(text);
}

}  // namespace

bool expected_lookup::covers(std::wstring_view text) {
  if (has_plain_parents(text)) {
    return covers_plain(
        text, [this](std::wstring_view key) { return keys_.contains(key); }, wide_memory_);
  }
  // The walk of judge_entry, as it is written there.
  std::filesystem::path at = platform::to_path(std::wstring(text));
  for (;;) {
    if (keys_.contains(platform::to_wide(at))) {
      return true;
    }
    std::filesystem::path parent = at.parent_path();
    if (parent == at) {
      return false;
    }
    at = std::move(parent);
  }
}

bool expected_lookup::covers_native(
    std::basic_string_view<std::filesystem::path::value_type> native) {
  return covers_native_text(native);
}

template <class Char>
bool expected_lookup::covers_native_text(std::basic_string_view<Char> native) {
  if constexpr (std::is_same_v<Char, char>) {
    // Decoding maps "/" to "/" and nothing else to it, so the text's parents
    // are the decoded parents of the bytes, and a key is the text of a path
    // exactly when it is the decoded form of that path's bytes.
    if (has_plain_parents(native)) {
      return covers_plain(
          native, [this](std::string_view key) { return keys_.contains_bytes(key); }, byte_memory_);
    }
    return covers(text::bytes_to_wide(native));
  } else {
    return covers(platform::to_wide(std::filesystem::path(native)));
  }
}

}  // namespace quorvel::runner
