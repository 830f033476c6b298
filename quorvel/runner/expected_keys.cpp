#include "quorvel/runner/expected_keys.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>
#include <utility>

#include "quorvel/text/utf8.h"

namespace quorvel::runner {
namespace {

// Appends the extended UTF-8 of `text`: a unit below 0x80 as itself, every
// other in UTF-8's pattern of a lead byte and continuation bytes, up to seven
// bytes for 36 bits. No unit but "/" gives a "/", and no two texts the same
// bytes.
void append_encoded(std::string& out, std::wstring_view text) {
  for (const wchar_t unit : text) {
    const auto value = static_cast<std::uint32_t>(unit);
    if (value < 0x80) {
      out += static_cast<char>(value);
      continue;
    }
    int trailing = 1;
    while (trailing < 6 && value >= (std::uint64_t{1} << (6 + 5 * trailing))) {
      ++trailing;
    }
    // 0xC0, 0xE0, ... 0xFC: the lead byte of 2 to 6 bytes; 0xFE for 7.
    const unsigned lead = trailing == 6 && value >= (std::uint32_t{1} << 31)
                              ? 0xFEu
                              : (0xFF00u >> (trailing + 1)) & 0xFFu;
    if (lead == 0xFEu) {
      out += static_cast<char>(lead);
    } else {
      out += static_cast<char>(lead | (value >> (6 * trailing)));
    }
    for (int at = trailing - 1; at >= 0; --at) {
      out += static_cast<char>(0x80u | ((value >> (6 * at)) & 0x3Fu));
    }
  }
}

std::wstring decode(std::string_view bytes) {
  std::wstring text;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at++]);
    if (lead < 0x80) {
      text += static_cast<wchar_t>(lead);
      continue;
    }
    int trailing = 1;
    while (trailing < 6 && (lead & (0x40u >> trailing)) != 0) {
      ++trailing;
    }
    std::uint32_t value = lead == 0xFEu ? 0 : lead & (0x3Fu >> trailing);
    for (int i = 0; i < trailing; ++i) {
      value = (value << 6) | (static_cast<unsigned char>(bytes[at++]) & 0x3Fu);
    }
    text += static_cast<wchar_t>(value);
  }
  return text;
}

std::string encoded(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  append_encoded(out, text);
  return out;
}

// The stored form's place in the table; a prefixed key hashes apart from
// the same bytes without it.
std::size_t hash_of(std::string_view stored, bool prefixed) {
  return std::hash<std::string_view>()(stored) ^
         (prefixed ? static_cast<std::size_t>(0x9E3779B97F4A7C15ull) : 0u);
}

std::uint16_t tag_of(std::size_t hash) {
  return static_cast<std::uint16_t>((hash >> 48) | 1u);
}

}  // namespace

expected_keys::expected_keys(std::wstring_view common)
    : common_(encoded(common)), tags_(16, 0), offsets_(16, 0) {}

std::pair<std::string_view, bool> expected_keys::stored_form(std::string_view encoded) const {
  if (!common_.empty() && encoded.starts_with(common_)) {
    return {encoded.substr(common_.size()), true};
  }
  return {encoded, false};
}

std::string_view expected_keys::key_at(std::uint32_t offset, bool& prefixed) const {
  std::size_t length = 0;
  int shift = 0;
  std::size_t at = offset;
  for (;;) {
    const auto byte = static_cast<unsigned char>(bytes_[at++]);
    length |= static_cast<std::size_t>(byte & 0x7Fu) << shift;
    if (byte < 0x80) {
      break;
    }
    shift += 7;
  }
  prefixed = (length & 1) != 0;
  return std::string_view(bytes_).substr(at, length >> 1);
}

bool expected_keys::contains_encoded(std::string_view encoded) const {
  const auto [stored, prefixed] = stored_form(encoded);
  const std::size_t hash = hash_of(stored, prefixed);
  const std::uint16_t tag = tag_of(hash);
  const std::size_t mask = tags_.size() - 1;
  for (std::size_t at = hash & mask; tags_[at] != 0; at = (at + 1) & mask) {
    bool key_prefixed = false;
    if (tags_[at] == tag && key_at(offsets_[at], key_prefixed) == stored &&
        key_prefixed == prefixed) {
      return true;
    }
  }
  return false;
}

bool expected_keys::contains(std::wstring_view key) const {
  return contains_encoded(encoded(key));
}

bool expected_keys::contains_bytes(std::string_view bytes) const {
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return contains_encoded(bytes);
  }
  return contains(text::bytes_to_wide(bytes));
}

void expected_keys::insert(std::wstring_view key) {
  const std::string text = encoded(key);
  if (contains_encoded(text)) {
    return;
  }
  if ((count_ + 1) * 5 > tags_.size() * 3) {
    grow();
  }
  const auto [stored, prefixed] = stored_form(text);
  const std::size_t offset = bytes_.size();
  // Offsets are 32 bits: a listing of 4 GiB of keys is beyond this set.
  if (offset + stored.size() + 10 > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("git's listing holds too many ignored paths");
  }
  for (std::size_t length = stored.size() * 2 + (prefixed ? 1 : 0);; length >>= 7) {
    if (length < 0x80) {
      bytes_ += static_cast<char>(length);
      break;
    }
    bytes_ += static_cast<char>(0x80u | (length & 0x7Fu));
  }
  bytes_ += stored;
  const std::size_t hash = hash_of(stored, prefixed);
  const std::size_t mask = tags_.size() - 1;
  std::size_t at = hash & mask;
  while (tags_[at] != 0) {
    at = (at + 1) & mask;
  }
  tags_[at] = tag_of(hash);
  offsets_[at] = static_cast<std::uint32_t>(offset);
  ++count_;
}

void expected_keys::grow() {
  const std::size_t size = tags_.size() * 2;
  std::vector<std::uint16_t> tags(size, 0);
  std::vector<std::uint32_t> offsets(size, 0);
  for (std::size_t place = 0; place < tags_.size(); ++place) {
    if (tags_[place] == 0) {
      continue;
    }
    bool prefixed = false;
    const std::string_view stored = key_at(offsets_[place], prefixed);
    std::size_t at = hash_of(stored, prefixed) & (size - 1);
    while (tags[at] != 0) {
      at = (at + 1) & (size - 1);
    }
    tags[at] = tags_[place];
    offsets[at] = offsets_[place];
  }
  tags_ = std::move(tags);
  offsets_ = std::move(offsets);
}

std::vector<std::wstring> expected_keys::sorted() const {
  const std::wstring common = decode(common_);
  std::vector<std::wstring> keys;
  keys.reserve(count_);
  for (std::size_t place = 0; place < tags_.size(); ++place) {
    if (tags_[place] != 0) {
      bool prefixed = false;
      const std::string_view stored = key_at(offsets_[place], prefixed);
      keys.push_back((prefixed ? common : std::wstring()) + decode(stored));
    }
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

}  // namespace quorvel::runner
