#pragma once
// The bounds that keep one rule file from exhausting the stack or the clock
// of the regular-expression library, and the compiling of a rule's
// expression under them.
//
// libstdc++ compiles an expression by recursive descent (one level per term)
// and, by default, matches by recursive backtracking (one level per
// character matched, and a time that grows with the power of the number of
// repetitions). Without these bounds a 1 MB rule line, or a path of 30,000
// characters, overflows the stack, and the line *a*a*a*a*b against a name of
// 255 letters a runs for minutes.

#include <cstddef>
#include <regex>
#include <string>
#include <string_view>

namespace quorvel::filesystem {

// The longest rule line, in characters, that is compiled. Longer than any
// path a walk can produce on Linux (4,096 bytes for a folder plus a name).
inline constexpr std::size_t max_rule_line = 4096;

// The most rules that one rule file may hold. Each compiled rule takes about
// 2 KB and is tried for every entry below its folder: a 50 MB file of short
// lines would otherwise take gigabytes and seconds per entry.
inline constexpr std::size_t max_rules = 100000;

// The longest relative path, in characters, that rules are matched against.
inline constexpr std::size_t max_match_path = 8192;

// Bounds on a rule's expression, counted with every "{n,m}" repetition
// unrolled as the library unrolls it: single-character matchers (literals,
// ".", classes, escapes), and repetitions ("*", "+", "?", "{n,m}").
inline constexpr std::size_t max_expression_atoms = 8192;
inline constexpr std::size_t max_expression_repeats = 256;

// Capturing groups ("(" in a pattern, and the one each "**/" makes): the
// matcher copies them once per live state and character.
inline constexpr std::size_t max_expression_groups = 64;

// An expression with a back-reference ("\1" in a pattern) can only be
// matched by backtracking, whose time grows with the power of its
// repetitions: it may hold the two that an unanchored rule always has
// (".*\/" before the pattern and ".*" after it) and two more.
inline constexpr std::size_t max_back_reference_repeats = 4;

// The size of an expression as the bounds above count it.
struct expression_size {
  std::size_t atoms = 0;
  std::size_t repeats = 0;
  bool has_back_reference = false;
  bool operator==(const expression_size&) const = default;
};

// Measures `regex_text` (ECMAScript) without compiling it, in one pass and
// without recursion, whatever its nesting. Counts saturate instead of
// overflowing. Malformed text is measured as far as it goes; compiling it
// reports the fault.
expression_size measure_expression(const std::wstring& regex_text);

// Throws std::length_error when `line` is longer than max_rule_line.
void check_rule_line(const std::wstring& line);

// Throws std::length_error when a file that holds `count` rules already
// cannot take one more.
void check_rule_count(std::size_t count);

// Throws std::length_error when `path` is longer than max_match_path.
void check_match_path(std::wstring_view path);

// Compiles `regex_text` with the ECMAScript grammar and no other flag that
// changes what it matches. Where the library offers it, an expression
// without back-references is set to be matched in polynomial time (the same
// verdicts, found without backtracking); one with back-references keeps the
// backtracking matcher and the tighter bound on its repetitions.
// Throws std::length_error when the expression exceeds a bound above, and
// std::regex_error when it is not a valid expression.
std::wregex compile_rule_expression(const std::wstring& regex_text);

}  // namespace quorvel::filesystem
