#pragma once
// A rule's expression, when it has one of the shapes that the pattern
// translation produces, as a short program of character tests and
// repetitions that is run without the regular-expression library. Internal to
// the rule-file compiler (gitignore.cpp, rule_index.cpp) and its tests.

#include <bitset>
#include <cstdint>
#include <locale>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::filesystem {

// One test of a single character.
struct char_test {
  enum class kind : std::uint8_t {
    literal,    // the character `ch`
    any,        // ".": every character but "\n", "\r", U+2028 and U+2029
    not_slash,  // "[^\/]": every character but "/"
    set,        // any other bracket expression, `set` indexing the program's
    none,       // no character: the entry to "(.*\/|)"
  };
  kind type = kind::literal;
  wchar_t ch = 0;
  std::uint32_t set = 0;

  bool operator==(const char_test&) const = default;
};

// One step of a program: its test made once, or any number of times ("*").
struct program_step {
  char_test test;
  bool repeated = false;
  // "(.*\/|)" is three steps, all `optional`: an entry that takes no
  // character and `opens_optional`, from which the group may be passed over
  // whole, then ".*" and "\/". Passing over from the ".*" itself would let
  // a match skip the "\/" after having started the group.
  bool opens_optional = false;
  bool optional = false;

  bool operator==(const program_step&) const = default;
};

// True when ECMAScript's "." matches `c` as libstdc++ implements it for wide
// characters: the two line ends and the two Unicode line separators are the
// characters it leaves out.
constexpr bool dot_matches(wchar_t c) {
  return c != L'\n' && c != L'\r' && c != static_cast<wchar_t>(0x2028) &&
         c != static_cast<wchar_t>(0x2029);
}

// An expression as a list of steps, matched whole (as std::regex_match
// does) by running all its states at once: time in proportion to the path
// length and the number of steps, whatever the stars.
//
// The shapes taken are sequences of literal characters (identity escapes of
// printable ASCII punctuation included), ".", bracket expressions without
// nested "[", each optionally followed by "*", the group "(.*\/|)", a "^"
// at the very start and a "$" at the very end. Everything else (other groups,
// alternatives, other quantifiers, escapes of letters and digits, "^" or "$"
// elsewhere, "]" or "}" outside a bracket) is left to the library.
class rule_program {
 public:
  // The most steps a program may have; a longer expression is left to the
  // library.
  static constexpr std::size_t max_steps = 255;

  // Returns the program of `regex_text` (an expression that compiles with
  // the ECMAScript grammar in `locale`), or nothing when the text is not of
  // a shape above. Bracket expressions are compiled on their own to learn
  // their members, so their meaning is the library's by construction.
  static std::optional<rule_program> parse(const std::wstring& regex_text,
                                           const std::locale& locale);

  // True when the whole of `text` matches, exactly when std::regex_match of
  // the expression would say so.
  bool matches(std::wstring_view text) const;

  // True when `test` accepts `c`.
  bool accepts(const char_test& test, wchar_t c) const;

  const std::vector<program_step>& steps() const { return steps_; }

 private:
  // A bracket expression: its members below 128 learnt up front, the others
  // asked of its own compiled expression when they turn up.
  struct bracket {
    std::bitset<128> ascii;
    std::shared_ptr<const std::wregex> expression;
  };

  // State sets are bit sets of `words_` 64-bit words: bit i means "the next
  // character goes to step i", bit steps_.size() means "all steps done".
  static constexpr std::size_t max_words = (max_steps + 1 + 63) / 64;
  using state_set = std::uint64_t[max_words];

  void build_tables();
  void close(state_set& states) const;
  void masks_for(wchar_t c, state_set& once, state_set& repeat) const;

  std::vector<program_step> steps_;
  std::vector<bracket> brackets_;
  std::size_t words_ = 1;
  // For each character below 128: the steps whose test accepts it, those
  // made once and those repeated, `words_` words each.
  std::vector<std::uint64_t> ascii_once_;
  std::vector<std::uint64_t> ascii_repeat_;
  std::vector<std::uint64_t> repeated_;        // steps that may be passed over alone
  std::vector<std::uint64_t> opens_optional_;  // entries that pass over their group
  std::vector<std::uint64_t> start_;           // the states before the first character
};

}  // namespace quorvel::filesystem
