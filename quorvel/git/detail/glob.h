#pragma once
// The compiled form of one wildmatch pattern, used by wildmatch() and by the
// rule files; not part of the library's interface.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::git::detail {

// A pattern compiled once into steps that each consume bytes of the text.
// Matching runs all the steps that can be active at once, byte by byte, so
// its time is bounded by the text's length times the number of steps, for
// any pattern (no backtracking).
class glob {
 public:
  // Compiles `pattern` as git's wildmatch reads it with path names (a "*",
  // "?" or class never matches "/"). A pattern that git can never match (a
  // backslash at its end, a class that does not close, an unknown class
  // name) compiles to one that matches nothing. With `ignore_case`, ASCII
  // letters match either case. Never throws except std::bad_alloc.
  glob(std::string_view pattern, bool ignore_case);

  // Whether the whole of `text` matches.
  bool matches(std::string_view text) const;

  // True when the pattern has no wildcard at all: it matches exactly the
  // text `literal()` (with ignore_case in lower case, but for escaped
  // bytes, which stay as written).
  bool is_literal() const { return literal_; }
  const std::string& literal() const { return literal_text_; }

 private:
  enum class kind : std::uint8_t {
    byte,       // one given byte
    any,        // "?": one byte other than "/"
    set,        // "[...]": one byte of a set, never "/"
    star,       // "*": any run of bytes other than "/"
    any_run,    // "**" at the end: any run of bytes
    dirs,       // "**/": nothing, or any run of bytes that ends with "/" ...
    dirs_tail,  // ... the second half of it: inside that run
  };
  struct step {
    kind what = kind::byte;
    std::uint8_t value = 0;  // the byte of kind::byte
    std::uint32_t set = 0;   // index into sets_ for kind::set
  };
  using byte_set = std::array<std::uint64_t, 4>;

  bool accepts(const step& s, unsigned char c) const;
  bool run(std::string_view text, std::size_t first, std::size_t last) const;

  std::vector<step> steps_;
  std::vector<byte_set> sets_;
  bool never_ = false;
  bool ignore_case_ = false;
  bool literal_ = false;
  std::string literal_text_;
  // Steps before the first and after the last run (star, "**") each take
  // one byte, so they are checked in place before the general run.
  std::size_t fixed_head_ = 0;
  std::size_t fixed_tail_ = 0;
  // The bytes between the two stars of a run "*<bytes>*" (no "/", case
  // kept), which is then a search; empty for other patterns.
  std::string contained_;
};

// ASCII lower case of a byte; other bytes are returned as they are.
inline unsigned char fold_case(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace quorvel::git::detail
