#include "quorvel/filesystem/regex/rule_limits.h"

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel::filesystem {
namespace {

constexpr std::size_t saturated = std::numeric_limits<std::size_t>::max() / 4;

std::size_t add(std::size_t a, std::size_t b) {
  return a >= saturated - b ? saturated : a + b;
}

std::size_t multiply(std::size_t a, std::size_t b) {
  if (a == 0 || b == 0) {
    return 0;
  }
  return a >= saturated / b ? saturated : a * b;
}

// Counts of one stretch of the expression: a group, or the last atom.
struct counts {
  std::size_t atoms = 0;
  std::size_t repeats = 0;
};

void add_to(counts& total, const counts& part) {
  total.atoms = add(total.atoms, part.atoms);
  total.repeats = add(total.repeats, part.repeats);
}

// Reads the decimal number at `at`, saturating; advances `at` past it.
bool read_number(const std::wstring& text, std::size_t& at, std::size_t& number) {
  const std::size_t start = at;
  number = 0;
  while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
    number = add(multiply(number, 10), static_cast<std::size_t>(text[at] - L'0'));
    ++at;
  }
  return at != start;
}

// Parses "{n}", "{n,}" or "{n,m}" at `at` (which holds "{"). On success sets
// the number of copies the library makes of the repeated atom and whether
// some of them are optional, and advances `at` past the "}".
bool read_brace(const std::wstring& text, std::size_t& at, std::size_t& copies, bool& optional) {
  std::size_t position = at + 1;
  std::size_t low = 0;
  if (!read_number(text, position, low)) {
    return false;
  }
  std::size_t high = low;
  bool unbounded = false;
  if (position < text.size() && text[position] == L',') {
    ++position;
    if (!read_number(text, position, high)) {
      unbounded = true;
    }
  }
  if (position >= text.size() || text[position] != L'}') {
    return false;
  }
  at = position + 1;
  // "{n,}" is n copies and a starred one; "{n,m}" is m copies, m - n of
  // them optional.
  copies = unbounded ? add(low, 1) : (high > low ? high : low);
  optional = unbounded || high > low;
  return true;
}

// Whether one of the counts of the brace at `at` ("{n" or "{n,m"), closed
// or not, is larger than any expression within the bounds could repeat.
bool oversized_count(const std::wstring& text, std::size_t at) {
  std::size_t position = at + 1;
  std::size_t number = 0;
  if (!read_number(text, position, number)) {
    return false;
  }
  if (number > max_expression_atoms) {
    return true;
  }
  if (position < text.size() && text[position] == L',') {
    ++position;
    if (read_number(text, position, number) && number > max_expression_atoms) {
      return true;
    }
  }
  return false;
}

}  // namespace

expression_size measure_expression(const std::wstring& regex_text) {
  expression_size size;
  // The enclosing groups' counts and last atoms, innermost last.
  std::vector<std::pair<counts, counts>> open;
  counts current;
  counts last;  // the atom or group that a quantifier would repeat
  bool has_last = false;
  const auto atom = [&] {
    last = {1, 0};
    has_last = true;
    add_to(current, last);
  };
  const std::wstring& text = regex_text;
  std::size_t at = 0;
  while (at < text.size()) {
    const wchar_t c = text[at];
    switch (c) {
      case L'\\':
        if (at + 1 < text.size() && text[at + 1] >= L'1' && text[at + 1] <= L'9') {
          // The library reads every digit that follows into one number, in a
          // long that overflows: a number too large counts as too many atoms.
          size.has_back_reference = true;
          ++at;
          std::size_t number = 0;
          read_number(text, at, number);
          atom();
          if (number > max_expression_atoms) {
            current.atoms = saturated;
          }
          break;
        }
        atom();
        at += 2;
        break;
      case L'[': {
        std::size_t end = at + 1;
        if (end < text.size() && text[end] == L'^') {
          ++end;
        }
        while (end < text.size() && text[end] != L']') {
          end += text[end] == L'\\' ? 2 : 1;
        }
        atom();
        at = end + 1;
        break;
      }
      case L'(':
        open.emplace_back(current, last);
        current = {};
        has_last = false;
        ++at;
        if (at < text.size() && text[at] == L'?') {
          at += 2;  // "(?:", "(?=", "(?!": not captured
        }
        break;
      case L')':
        ++at;
        if (open.empty()) {
          atom();
          break;
        }
        last = current;
        last.atoms = add(last.atoms, 1);
        current = open.back().first;
        open.pop_back();
        has_last = true;
        add_to(current, last);
        break;
      case L'*':
      case L'+':
      case L'?':
        // The library lets a quantifier follow a quantifier ("a*{3}" is
        // "(a*){3}"), so the repeated atom stays the last one.
        if (has_last) {
          current.repeats = add(current.repeats, 1);
          last.repeats = add(last.repeats, 1);
        }
        ++at;
        if (at < text.size() && text[at] == L'?') {
          ++at;  // lazy
        }
        break;
      case L'{': {
        // The library reads a count into a long before it checks that the
        // brace closes, so a huge count is refused even in a brace it would
        // reject ("a{99999999999999999999,5,").
        if (has_last && oversized_count(text, at)) {
          current.atoms = saturated;
        }
        std::size_t copies = 0;
        bool optional = false;
        if (!has_last || !read_brace(text, at, copies, optional)) {
          atom();
          ++at;
          break;
        }
        // The library unrolls the atom into that many copies.
        counts extra{multiply(last.atoms, copies == 0 ? 0 : copies - 1),
                     multiply(last.repeats, copies == 0 ? 0 : copies - 1)};
        add_to(current, extra);
        last.atoms = add(last.atoms, extra.atoms);
        last.repeats = add(last.repeats, extra.repeats);
        if (optional) {
          current.repeats = add(current.repeats, 1);
          last.repeats = add(last.repeats, 1);
        }
        if (at < text.size() && text[at] == L'?') {
          ++at;  // lazy
        }
        break;
      }
      case L'|':
      case L'^':
      case L'$':
        has_last = false;
        ++at;
        break;
      default:
        atom();
        ++at;
        break;
    }
  }
  // Unclosed groups still count; compiling the text will reject it.
  while (!open.empty()) {
    counts inner = current;
    current = open.back().first;
    open.pop_back();
    add_to(current, inner);
  }
  size.atoms = current.atoms;
  size.repeats = current.repeats;
  return size;
}

void check_rule_line(const std::wstring& line) {
  if (line.size() > max_rule_line) {
    throw std::length_error("rule line of " + std::to_string(line.size()) +
                            " characters is longer than the " + std::to_string(max_rule_line) +
                            " that are compiled");
  }
}

void check_rule_count(std::size_t count) {
  if (count >= max_rules) {
    throw std::length_error("more than " + std::to_string(max_rules) + " rules in one file");
  }
}

void check_match_path(std::wstring_view path) {
  if (path.size() > max_match_path) {
    throw std::length_error("path of " + std::to_string(path.size()) +
                            " characters is longer than the " + std::to_string(max_match_path) +
                            " that rules are matched against");
  }
}

std::wregex compile_rule_expression(const std::wstring& regex_text) {
  const expression_size size = measure_expression(regex_text);
  const auto too_big = [](const std::string& what, std::size_t count, std::size_t limit) {
    return std::length_error("expression too complex: " + std::to_string(count) + " " + what +
                             " (at most " + std::to_string(limit) + ")");
  };
  if (size.atoms > max_expression_atoms) {
    throw too_big("characters to match", size.atoms, max_expression_atoms);
  }
  if (size.repeats > max_expression_repeats) {
    throw too_big("repetitions", size.repeats, max_expression_repeats);
  }
  if (size.has_back_reference && size.repeats > max_back_reference_repeats) {
    throw too_big("repetitions beside a back-reference", size.repeats, max_back_reference_repeats);
  }
  std::wregex compiled;
#if defined(__GLIBCXX__)
  if (!size.has_back_reference) {
    // libstdc++'s extension: the same grammar and verdicts, matched by its
    // breadth-first executor, whose stack does not grow with the path and
    // whose time is polynomial.
    compiled = std::wregex(regex_text,
                           std::regex_constants::ECMAScript | std::regex_constants::__polynomial);
  } else {
    compiled = std::wregex(regex_text, std::regex_constants::ECMAScript);
  }
#else
  compiled = std::wregex(regex_text, std::regex_constants::ECMAScript);
#endif
  if (compiled.mark_count() > max_expression_groups) {
    throw too_big("groups", compiled.mark_count(), max_expression_groups);
  }
  return compiled;
}

}  // namespace quorvel::filesystem
