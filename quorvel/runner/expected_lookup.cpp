#include "quorvel/runner/expected_lookup.h"

#include <filesystem>
#include <functional>
#include <type_traits>
#include <utility>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {
namespace {

// A place's tag: never 0, which marks a free place.
std::uint16_t tag_of(std::size_t hash) {
  return static_cast<std::uint16_t>((hash >> 48) | 1u);
}

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
// remembered.
template <class Char>
bool covers_plain(std::basic_string_view<Char> text, const expected_lookup::key_set<Char>& keys,
                  expected_lookup::folder_memory<Char>& memory) {
  // "/" and the empty path are their own parents: the walk ends there.
  if (is_root_or_empty(text)) {
    return keys.contains(text);
  }
  const std::basic_string_view<Char> folder = plain_parent(text);
  if (!memory.known || folder != memory.folder) {
    bool covered = false;
    for (std::basic_string_view<Char> at = folder;; at = plain_parent(at)) {
      if (keys.contains(at)) {
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
  return memory.covered || keys.contains(text);
}

}  // namespace

template <class Char>
void expected_lookup::key_set<Char>::build(const std::vector<std::basic_string_view<Char>>& keys) {
  std::size_t size = 16;
  while (size < keys.size() + keys.size() * 3 / 4) {
    size *= 2;
  }
  tags_.assign(size, 0);
  keys_.assign(size, {});
  for (const std::basic_string_view<Char> key : keys) {
    const std::size_t hash = std::hash<std::basic_string_view<Char>>()(key);
    std::size_t at = hash & (size - 1);
    while (tags_[at] != 0) {
      at = (at + 1) & (size - 1);
    }
    tags_[at] = tag_of(hash);
    keys_[at] = key;
  }
}

template <class Char>
bool expected_lookup::key_set<Char>::contains(std::basic_string_view<Char> key) const {
  const std::size_t hash = std::hash<std::basic_string_view<Char>>()(key);
  const std::uint16_t tag = tag_of(hash);
  const std::size_t mask = tags_.size() - 1;
  for (std::size_t at = hash & mask; tags_[at] != 0; at = (at + 1) & mask) {
    if (tags_[at] == tag && keys_[at] == key) {
      return true;
    }
  }
  return false;
}

expected_lookup::expected_lookup(const expected_map& expected) {
  std::vector<std::wstring_view> wide;
  wide.reserve(expected.size());
  for (const auto& [key, ignored] : expected) {
    wide.push_back(key);
  }
  wide_keys_.build(wide);
  if constexpr (!platform::backslash_is_separator) {
    byte_key_text_.reserve(expected.size());
    for (const auto& [key, ignored] : expected) {
      std::string bytes = text::wide_to_bytes(key);
      if (text::bytes_to_wide(bytes) == key) {
        byte_key_text_.push_back(std::move(bytes));
      }
    }
    // Views are taken once no string moves any more.
    std::vector<std::string_view> views(byte_key_text_.begin(), byte_key_text_.end());
    byte_keys_.build(views);
  }
}

bool expected_lookup::covers(std::wstring_view text) {
  if (has_plain_parents(text)) {
    return covers_plain(text, wide_keys_, wide_memory_);
  }
  // The walk of judge_entry, as it is written there.
  std::filesystem::path at = platform::to_path(std::wstring(text));
  for (;;) {
    if (wide_keys_.contains(platform::to_wide(at))) {
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
      return covers_plain(native, byte_keys_, byte_memory_);
    }
    return covers(text::bytes_to_wide(native));
  } else {
    return covers(platform::to_wide(std::filesystem::path(native)));
  }
}

}  // namespace quorvel::runner
