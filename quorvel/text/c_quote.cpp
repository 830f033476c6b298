#include "quorvel/text/c_quote.h"

namespace quorvel::text {
namespace {

bool is_octal(char c) {
  return c >= '0' && c <= '7';
}

// The byte that the escape letter `letter` stands for, or nothing.
std::optional<char> escaped(char letter) {
  switch (letter) {
    case 'a':
      return '\a';
    case 'b':
      return '\b';
    case 't':
      return '\t';
    case 'n':
      return '\n';
    case 'v':
      return '\v';
    case 'f':
      return '\f';
    case 'r':
      return '\r';
    case '"':
      return '"';
    case '\\':
      return '\\';
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> c_unquote(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
    return std::nullopt;
  }
  const std::string_view inside = quoted.substr(1, quoted.size() - 2);
  std::string bytes;
  bytes.reserve(inside.size());
  for (std::size_t at = 0; at < inside.size(); ++at) {
    const char c = inside[at];
    if (c == '"') {
      return std::nullopt;
    }
    if (c != '\\') {
      bytes += c;
      continue;
    }
    if (++at == inside.size()) {
      return std::nullopt;
    }
    if (const std::optional<char> letter = escaped(inside[at])) {
      bytes += *letter;
      continue;
    }
    // Three octal digits, the first at most 3, so the value fits a byte.
    if (at + 3 > inside.size() || inside[at] > '3' || !is_octal(inside[at]) ||
        !is_octal(inside[at + 1]) || !is_octal(inside[at + 2])) {
      return std::nullopt;
    }
    bytes += static_cast<char>(((inside[at] - '0') << 6) | ((inside[at + 1] - '0') << 3) |
                               (inside[at + 2] - '0'));
    at += 2;
  }
  return bytes;
}

}  // namespace quorvel::text
