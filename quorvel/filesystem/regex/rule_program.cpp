#include "quorvel/filesystem/regex/rule_program.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace quorvel::filesystem {
namespace {

// The group that each "**/" of a pattern becomes: no folders, or any text
// that ends with "/".
constexpr std::wstring_view optional_folders = L"(.*\\/|)";
// The steps of that group, which its entry passes over.
constexpr unsigned group_steps = 3;

// The characters that libstdc++'s ECMAScript scanner treats as syntax outside
// a bracket expression, after narrowing the character with the regex's
// locale (a narrowed NUL counts too: the scanner finds it with strchr).
constexpr const char* syntax_characters = "^$\\.*+?()[]{}|";

constexpr std::uint32_t unit_value(wchar_t c) {
  return static_cast<std::make_unsigned_t<wchar_t>>(c);
}

bool is_ascii_alphanumeric(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A backslash before printable ASCII punctuation or a space stands for that
// character, inside a bracket expression and outside. Letters and digits
// start escapes with other meanings (classes, boundaries, control
// characters, back-references), and control characters are left alone.
bool is_identity_escape(wchar_t c) {
  return c >= 0x20 && c < 0x7F && !is_ascii_alphanumeric(c);
}

bool is_quantifier(wchar_t c) {
  return c == L'*' || c == L'+' || c == L'?' || c == L'{';
}

// Finds the end of the bracket expression that opens at `open`, the way the
// scanner reads it: "]" closes it (even first: "[]" is empty), a backslash
// takes the next character. Returns the position of the "]", or npos when the
// expression holds something outside the shapes taken ("[" of a character
// class name, or an escape that is not an identity escape).
std::size_t bracket_end(const std::wstring& text, std::size_t open) {
  std::size_t at = open + 1;
  if (at < text.size() && text[at] == L'^') {
    ++at;
  }
  while (at < text.size()) {
    const wchar_t c = text[at];
    if (c == L']') {
      return at;
    }
    if (c == L'[') {
      return std::wstring::npos;
    }
    if (c == L'\\') {
      if (at + 1 >= text.size() || !is_identity_escape(text[at + 1])) {
        return std::wstring::npos;
      }
      at += 2;
      continue;
    }
    ++at;
  }
  return std::wstring::npos;
}

void shift_left(const std::uint64_t* in, std::uint64_t* out, std::size_t words, unsigned by) {
  for (std::size_t w = words; w-- > 0;) {
    out[w] = (in[w] << by) | (w > 0 ? in[w - 1] >> (64 - by) : 0);
  }
}

}  // namespace

std::optional<rule_program> rule_program::parse(const std::wstring& regex_text,
                                                const std::locale& locale) {
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
  rule_program program;
  const std::wstring& text = regex_text;
  std::size_t at = 0;
  // At the very start "^" holds for every whole match; elsewhere it would
  // need the library.
  if (!text.empty() && text[0] == L'^') {
    at = 1;
  }
  while (at < text.size()) {
    if (text.compare(at, optional_folders.size(), optional_folders) == 0) {
      at += optional_folders.size();
      if (at < text.size() && is_quantifier(text[at])) {
        return std::nullopt;
      }
      program.steps_.push_back({{char_test::kind::none}, true, true, true});
      program.steps_.push_back({{char_test::kind::any}, true, false, true});
      program.steps_.push_back({{char_test::kind::literal, L'/'}, false, false, true});
      continue;
    }
    const wchar_t c = text[at];
    char_test test;
    if (c == L'$' && at + 1 == text.size()) {
      break;  // the end of a whole match
    }
    if (c == L'.') {
      test.type = char_test::kind::any;
      ++at;
    } else if (c == L'\\') {
      if (at + 1 >= text.size() || !is_identity_escape(text[at + 1])) {
        return std::nullopt;
      }
      test.ch = text[at + 1];
      at += 2;
    } else if (c == L'[') {
      const std::size_t end = bracket_end(text, at);
      if (end == std::wstring::npos) {
        return std::nullopt;
      }
      const std::wstring expression = text.substr(at, end + 1 - at);
      if (expression == L"[^\\/]") {
        test.type = char_test::kind::not_slash;
      } else {
        bracket set;
        auto compiled = std::make_shared<std::wregex>();
        compiled->imbue(locale);
        compiled->assign(expression, std::regex_constants::ECMAScript);
        for (wchar_t member = 0; member < 128; ++member) {
          set.ascii[static_cast<std::size_t>(member)] =
              std::regex_match(std::wstring(1, member), *compiled);
        }
        set.expression = std::move(compiled);
        test.type = char_test::kind::set;
        test.set = static_cast<std::uint32_t>(program.brackets_.size());
        program.brackets_.push_back(std::move(set));
      }
      at = end + 1;
    } else {
      // The scanner takes a character as itself unless its narrowed form is
      // syntax; "]" and "}" would be taken as themselves too, but are left to
      // the library with the rest of what is unusual.
      if (c == 0 || std::strchr(syntax_characters, ctype.narrow(c, ' ')) != nullptr) {
        return std::nullopt;
      }
      test.ch = c;
      ++at;
    }
    bool repeated = false;
    if (at < text.size() && is_quantifier(text[at])) {
      if (text[at] != L'*' || (at + 1 < text.size() && text[at + 1] == L'?')) {
        return std::nullopt;
      }
      repeated = true;
      ++at;
    }
    program.steps_.push_back({test, repeated, false, false});
  }
  if (program.steps_.size() > max_steps) {
    return std::nullopt;
  }
  program.build_tables();
  return program;
}

bool rule_program::accepts(const char_test& test, wchar_t c) const {
  switch (test.type) {
    case char_test::kind::literal:
      return c == test.ch;
    case char_test::kind::any:
      return dot_matches(c);
    case char_test::kind::not_slash:
      return c != L'/';
    case char_test::kind::none:
      return false;
    case char_test::kind::set: {
      const bracket& set = brackets_[test.set];
      if (unit_value(c) < 128) {
        return set.ascii[unit_value(c)];
      }
      return std::regex_match(std::wstring(1, c), *set.expression);
    }
  }
  return false;
}

void rule_program::build_tables() {
  const std::size_t count = steps_.size();
  words_ = (count + 1 + 63) / 64;
  ascii_once_.assign(128 * words_, 0);
  ascii_repeat_.assign(128 * words_, 0);
  repeated_.assign(words_, 0);
  opens_optional_.assign(words_, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const program_step& step = steps_[i];
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    if (step.repeated) {
      repeated_[i / 64] |= bit;
    }
    if (step.opens_optional) {
      opens_optional_[i / 64] |= bit;
    }
    for (wchar_t c = 0; c < 128; ++c) {
      if (accepts(step.test, c)) {
        auto& table = step.repeated ? ascii_repeat_ : ascii_once_;
        table[static_cast<std::size_t>(c) * words_ + i / 64] |= bit;
      }
    }
  }
  state_set start{};
  start[0] = 1;
  close(start);
  start_.assign(start, start + words_);
}

void rule_program::close(state_set& states) const {
  // A repeated step may match nothing, and "(.*\/|)" may match nothing as a
  // whole from its entry: follow those moves until no state is added.
  for (;;) {
    state_set skip_one{};
    state_set skip_group{};
    state_set passed{};
    for (std::size_t w = 0; w < words_; ++w) {
      skip_one[w] = states[w] & repeated_[w];
      skip_group[w] = states[w] & opens_optional_[w];
    }
    shift_left(skip_one, passed, words_, 1);
    bool added = false;
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t before = states[w];
      states[w] |= passed[w];
      added = added || states[w] != before;
    }
    shift_left(skip_group, passed, words_, group_steps);
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t before = states[w];
      states[w] |= passed[w];
      added = added || states[w] != before;
    }
    if (!added) {
      return;
    }
  }
}

void rule_program::masks_for(wchar_t c, state_set& once, state_set& repeat) const {
  if (unit_value(c) < 128) {
    const std::size_t row = unit_value(c) * words_;
    std::copy_n(ascii_once_.data() + row, words_, once);
    std::copy_n(ascii_repeat_.data() + row, words_, repeat);
    return;
  }
  std::fill_n(once, words_, 0);
  std::fill_n(repeat, words_, 0);
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    if (accepts(steps_[i].test, c)) {
      std::uint64_t* const masks = steps_[i].repeated ? repeat : once;
      masks[i / 64] |= std::uint64_t{1} << (i % 64);
    }
  }
}

bool rule_program::matches(std::wstring_view text) const {
  const std::size_t done = steps_.size();
  if (words_ == 1) {
    // One word holds every state: the common case, kept free of loops.
    const std::uint64_t repeated = repeated_[0];
    const std::uint64_t opens = opens_optional_[0];
    std::uint64_t states = start_[0];
    for (const wchar_t c : text) {
      std::uint64_t once = 0;
      std::uint64_t repeat = 0;
      if (unit_value(c) < 128) {
        once = ascii_once_[unit_value(c)];
        repeat = ascii_repeat_[unit_value(c)];
      } else {
        state_set once_set{};
        state_set repeat_set{};
        masks_for(c, once_set, repeat_set);
        once = once_set[0];
        repeat = repeat_set[0];
      }
      states = ((states & once) << 1) | (states & repeat);
      if (states == 0) {
        return false;
      }
      for (;;) {
        const std::uint64_t closed =
            states | ((states & repeated) << 1) | ((states & opens) << group_steps);
        if (closed == states) {
          break;
        }
        states = closed;
      }
    }
    return ((states >> done) & 1) != 0;
  }
  state_set states{};
  std::copy(start_.begin(), start_.end(), states);
  for (const wchar_t c : text) {
    state_set once{};
    state_set repeat{};
    masks_for(c, once, repeat);
    state_set moved{};
    for (std::size_t w = 0; w < words_; ++w) {
      once[w] &= states[w];
    }
    shift_left(once, moved, words_, 1);
    bool any = false;
    for (std::size_t w = 0; w < words_; ++w) {
      states[w] = moved[w] | (states[w] & repeat[w]);
      any = any || states[w] != 0;
    }
    if (!any) {
      return false;
    }
    close(states);
  }
  return ((states[done / 64] >> (done % 64)) & 1) != 0;
}

}  // namespace quorvel::filesystem
