#include "quorvel/git/detail/glob.h"

#include <algorithm>
#include <bit>

namespace quorvel::git::detail {
namespace {

using byte_set = std::array<std::uint64_t, 4>;

void add(byte_set& set, unsigned char c) {
  set[c >> 6] |= std::uint64_t{1} << (c & 63);
}

bool has(const byte_set& set, unsigned char c) {
  return ((set[c >> 6] >> (c & 63)) & 1) != 0;
}

bool in(unsigned char c, char first, char last) {
  return c >= static_cast<unsigned char>(first) && c <= static_cast<unsigned char>(last);
}

// The POSIX classes as git has them: ASCII only, and a "space" that leaves
// out the vertical tab and the form feed. False for an unknown name, which
// makes the whole pattern match nothing.
bool add_class(std::string_view name, byte_set& set) {
  bool (*test)(unsigned char) = nullptr;
  if (name == "alnum") {
    test = [](unsigned char c) { return in(c, 'a', 'z') || in(c, 'A', 'Z') || in(c, '0', '9'); };
  } else if (name == "alpha") {
    test = [](unsigned char c) { return in(c, 'a', 'z') || in(c, 'A', 'Z'); };
  } else if (name == "blank") {
    test = [](unsigned char c) { return c == ' ' || c == '\t'; };
  } else if (name == "cntrl") {
    test = [](unsigned char c) { return c < 0x20 || c == 0x7f; };
  } else if (name == "digit") {
    test = [](unsigned char c) { return in(c, '0', '9'); };
  } else if (name == "graph") {
    test = [](unsigned char c) { return c > 0x20 && c < 0x7f; };
  } else if (name == "lower") {
    test = [](unsigned char c) { return in(c, 'a', 'z'); };
  } else if (name == "print") {
    test = [](unsigned char c) { return c >= 0x20 && c < 0x7f; };
  } else if (name == "punct") {
    test = [](unsigned char c) {
      return c > 0x20 && c < 0x7f && !(in(c, 'a', 'z') || in(c, 'A', 'Z') || in(c, '0', '9'));
    };
  } else if (name == "space") {
    test = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  } else if (name == "upper") {
    test = [](unsigned char c) { return in(c, 'A', 'Z'); };
  } else if (name == "xdigit") {
    test = [](unsigned char c) { return in(c, '0', '9') || in(c, 'a', 'f') || in(c, 'A', 'F'); };
  } else {
    return false;
  }
  for (unsigned c = 0; c < 256; ++c) {
    if (test(static_cast<unsigned char>(c))) {
      add(set, static_cast<unsigned char>(c));
    }
  }
  return true;
}

// What a class holds, kept apart because git treats each part differently
// when it ignores case.
struct set_parts {
  byte_set members{};  // single bytes, and the first byte of each range
  byte_set ranges{};   // every byte of each range
  byte_set classes{};  // the bytes of the POSIX classes
  bool upper = false;  // [:upper:] is among them
  bool negated = false;
};

// Reads the class that opens at `pattern[at]` ("[") into `set` and returns
// the position after its closing "]", or npos when git would make the
// pattern match nothing (no closing "]", an unknown class name, a backslash
// at the end).
std::size_t parse_set(std::string_view pattern, std::size_t at, set_parts& set) {
  const std::size_t n = pattern.size();
  std::size_t j = at + 1;
  set.negated = j < n && (pattern[j] == '!' || pattern[j] == '^');
  if (set.negated) {
    ++j;
  }
  // A "]" right after the opening (and its "!") is a member, not the end.
  for (bool first = true;; first = false) {
    if (j >= n) {
      return std::string_view::npos;
    }
    unsigned char c = static_cast<unsigned char>(pattern[j]);
    if (c == ']' && !first) {
      return j + 1;
    }
    if (c == '[' && j + 1 < n && pattern[j + 1] == ':') {
      // The name's closing ":]" is looked for after the "[:", so "[[:]"
      // holds "[" and ":", and "[[::]]" names the empty class.
      const std::size_t close = pattern.find(":]", j + 2);
      if (close != std::string_view::npos) {
        const std::string_view name = pattern.substr(j + 2, close - j - 2);
        if (!add_class(name, set.classes)) {
          return std::string_view::npos;
        }
        set.upper = set.upper || name == "upper";
        j = close + 2;
        continue;
      }
    }
    if (c == '\\') {
      if (j + 1 >= n) {
        return std::string_view::npos;
      }
      c = static_cast<unsigned char>(pattern[j + 1]);
      j += 2;
    } else {
      ++j;
    }
    add(set.members, c);
    // A "-" between two members makes a range; before the "]" it is a
    // member. A range whose end lies below its start holds only the start.
    if (j + 1 < n && pattern[j] == '-' && pattern[j + 1] != ']') {
      unsigned char last = static_cast<unsigned char>(pattern[j + 1]);
      j += 2;
      if (last == '\\') {
        if (j >= n) {
          return std::string_view::npos;
        }
        last = static_cast<unsigned char>(pattern[j]);
        ++j;
      }
      for (unsigned b = c; b <= last; ++b) {
        add(set.ranges, static_cast<unsigned char>(b));
      }
    }
  }
}

// A small set of active steps, kept on the stack for patterns of up to 255
// steps and on the heap beyond.
class state_set {
 public:
  explicit state_set(std::size_t states) : size_((states + 63) / 64) {
    if (size_ > inline_words) {
      heap_.assign(size_, 0);
      words_ = heap_.data();
    } else {
      words_ = inline_.data();
    }
  }
  state_set(const state_set&) = delete;
  state_set& operator=(const state_set&) = delete;

  void set(std::size_t i) { words_[i >> 6] |= std::uint64_t{1} << (i & 63); }
  bool test(std::size_t i) const { return ((words_[i >> 6] >> (i & 63)) & 1) != 0; }
  void clear() { std::fill(words_, words_ + size_, 0); }
  bool empty() const {
    return std::all_of(words_, words_ + size_, [](std::uint64_t w) { return w == 0; });
  }
  void swap(state_set& other) {
    std::swap(words_, other.words_);
    if (size_ > inline_words) {
      heap_.swap(other.heap_);
    } else {
      std::swap(inline_, other.inline_);
      words_ = inline_.data();
      other.words_ = other.inline_.data();
    }
  }
  // Calls f(i) for every set state, in ascending order.
  template <class F>
  void each(F f) const {
    for (std::size_t w = 0; w < size_; ++w) {
      for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        f(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
      }
    }
  }

 private:
  static constexpr std::size_t inline_words = 4;
  std::size_t size_;
  std::array<std::uint64_t, inline_words> inline_{};
  std::vector<std::uint64_t> heap_;
  std::uint64_t* words_;
};

}  // namespace

glob::glob(std::string_view pattern, bool ignore_case) : ignore_case_(ignore_case) {
  const std::size_t n = pattern.size();
  const std::size_t literal_head = pattern.find_first_of("*?[\\");
  literal_ = true;
  for (std::size_t i = 0; i < n;) {
    const char c = pattern[i];
    if (c == '\\') {
      // A backslash makes the next byte literal; at the end it leaves a
      // pattern that nothing matches.
      if (i + 1 >= n) {
        never_ = true;
        break;
      }
      // Ignoring case, git lowers the name's bytes and the pattern's, but
      // not an escaped one: "\A" then matches nothing.
      steps_.push_back({kind::byte, static_cast<std::uint8_t>(pattern[i + 1]), 0});
      i += 2;
    } else if (c == '?') {
      steps_.push_back({kind::any, 0, 0});
      literal_ = false;
      ++i;
    } else if (c == '*') {
      std::size_t j = i;
      while (j < n && pattern[j] == '*') {
        ++j;
      }
      literal_ = false;
      // Two or more stars that begin the pattern or follow a "/" stand,
      // before a "/", for any number of whole folders, and at the end of the
      // pattern for anything; other runs of stars are one star. Git compares
      // the literal text before the first wildcard apart and matches the
      // rest as a pattern of its own, so stars right after that text count
      // as beginning one: "a**/b" matches "ab" and "ax/y/b".
      const bool starts = i == 0 || pattern[i - 1] == '/' || i == literal_head;
      if (starts && j - i >= 2 && j < n && pattern[j] == '/') {
        steps_.push_back({kind::dirs, 0, 0});
        steps_.push_back({kind::dirs_tail, 0, 0});
        i = j + 1;
      } else if (starts && j - i >= 2 && j == n) {
        steps_.push_back({kind::any_run, 0, 0});
        i = j;
      } else {
        steps_.push_back({kind::star, 0, 0});
        i = j;
      }
    } else if (c == '[') {
      set_parts parts;
      const std::size_t end = parse_set(pattern, i, parts);
      if (end == std::string_view::npos) {
        never_ = true;
        break;
      }
      // Ignoring case, git lowers the text's byte and then asks: a member
      // as written (so an upper-case member matches nothing), a range with
      // the byte in either case, a class with the lowered byte ([:upper:]
      // taking lower-case letters too).
      byte_set set{};
      for (unsigned b = 0; b < 256; ++b) {
        const auto raw = static_cast<unsigned char>(b);
        const unsigned char t = ignore_case ? fold_case(raw) : raw;
        const bool lower = t >= 'a' && t <= 'z';
        const auto upper = static_cast<unsigned char>(t - 'a' + 'A');
        if (has(parts.members, t) || has(parts.ranges, t) || has(parts.classes, t) ||
            (ignore_case && lower && (has(parts.ranges, upper) || parts.upper))) {
          add(set, raw);
        }
      }
      const bool negated = parts.negated;
      if (negated) {
        for (std::uint64_t& word : set) {
          word = ~word;
        }
      }
      // No class ever matches "/".
      set['/' >> 6] &= ~(std::uint64_t{1} << ('/' & 63));
      steps_.push_back({kind::set, 0, static_cast<std::uint32_t>(sets_.size())});
      sets_.push_back(set);
      literal_ = false;
      i = end;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      steps_.push_back({kind::byte, ignore_case ? fold_case(byte) : byte, 0});
      ++i;
    }
  }
  if (never_) {
    steps_.clear();
    sets_.clear();
    literal_ = false;
    return;
  }
  if (literal_) {
    for (const step& s : steps_) {
      literal_text_.push_back(static_cast<char>(s.value));
    }
  }
  const auto one_byte = [](const step& s) {
    return s.what == kind::byte || s.what == kind::any || s.what == kind::set;
  };
  while (fixed_head_ < steps_.size() && one_byte(steps_[fixed_head_])) {
    ++fixed_head_;
  }
  while (fixed_head_ + fixed_tail_ < steps_.size() &&
         one_byte(steps_[steps_.size() - 1 - fixed_tail_])) {
    ++fixed_tail_;
  }
  const std::size_t middle = steps_.size() - fixed_head_ - fixed_tail_;
  if (!ignore_case && middle >= 3 && steps_[fixed_head_].what == kind::star &&
      steps_[fixed_head_ + middle - 1].what == kind::star) {
    std::string bytes;
    for (std::size_t k = fixed_head_ + 1; k + 1 < fixed_head_ + middle; ++k) {
      if (steps_[k].what != kind::byte || steps_[k].value == '/') {
        bytes.clear();
        break;
      }
      bytes.push_back(static_cast<char>(steps_[k].value));
    }
    contained_ = std::move(bytes);
  }
}

bool glob::accepts(const step& s, unsigned char c) const {
  switch (s.what) {
    case kind::byte:
      return (ignore_case_ ? fold_case(c) : c) == s.value;
    case kind::any:
      return c != '/';
    case kind::set:
      return has(sets_[s.set], c);
    default:
      return false;
  }
}

bool glob::matches(std::string_view text) const {
  if (never_) {
    return false;
  }
  const std::size_t n = steps_.size();
  const std::size_t length = text.size();
  if (fixed_head_ == n) {
    if (length != n) {
      return false;
    }
  } else if (length < fixed_head_ + fixed_tail_) {
    return false;
  }
  for (std::size_t k = 0; k < fixed_head_; ++k) {
    if (!accepts(steps_[k], static_cast<unsigned char>(text[k]))) {
      return false;
    }
  }
  for (std::size_t k = 0; k < fixed_tail_; ++k) {
    if (!accepts(steps_[n - 1 - k], static_cast<unsigned char>(text[length - 1 - k]))) {
      return false;
    }
  }
  if (fixed_head_ == n) {
    return true;
  }
  // Most patterns have one star between bytes fixed in place ("*.o",
  // "build*", "*.py[cod]"): what is left for it only must hold no "/".
  if (fixed_head_ + fixed_tail_ + 1 == n) {
    const kind middle = steps_[fixed_head_].what;
    if (middle == kind::star) {
      return text.substr(fixed_head_, length - fixed_tail_ - fixed_head_).find('/') ==
             std::string_view::npos;
    }
    if (middle == kind::any_run) {
      return true;
    }
  }
  // "*<bytes>*" without a "/" in the bytes: they must occur in a text that
  // has no "/" at all.
  if (!contained_.empty()) {
    const std::string_view middle = text.substr(fixed_head_, length - fixed_tail_ - fixed_head_);
    return middle.find('/') == std::string_view::npos &&
           middle.find(contained_) != std::string_view::npos;
  }
  return run(text, fixed_head_, length - fixed_tail_);
}

bool glob::run(std::string_view text, std::size_t first, std::size_t last) const {
  // Steps first_step..last_step-1 against text[first, last); state i means
  // "the steps before i have matched", state m that all of them have.
  const std::size_t first_step = fixed_head_;
  const std::size_t m = steps_.size() - fixed_tail_ - first_step;
  const step* steps = steps_.data() + first_step;
  state_set current(m + 1);
  state_set next(m + 1);
  // What can be reached without reading a byte: past a star or a trailing
  // "**" (which may match nothing), and past both halves of "**/". Each
  // only reaches forward, so one ascending pass is complete.
  const auto close = [&](state_set& states) {
    for (std::size_t i = 0; i < m; ++i) {
      if (!states.test(i)) {
        continue;
      }
      if (steps[i].what == kind::star || steps[i].what == kind::any_run) {
        states.set(i + 1);
      } else if (steps[i].what == kind::dirs) {
        states.set(i + 2);
      }
    }
  };
  current.set(0);
  close(current);
  for (std::size_t t = first; t < last; ++t) {
    const auto c = static_cast<unsigned char>(text[t]);
    next.clear();
    current.each([&](std::size_t i) {
      if (i == m) {
        return;
      }
      const step& s = steps[i];
      switch (s.what) {
        case kind::star:
          if (c != '/') {
            next.set(i);
          }
          break;
        case kind::any_run:
          next.set(i);
          break;
        case kind::dirs:
          // Into the run of folders, or through it at once on a "/".
          next.set(i + 1);
          if (c == '/') {
            next.set(i + 2);
          }
          break;
        case kind::dirs_tail:
          next.set(i);
          if (c == '/') {
            next.set(i + 1);
          }
          break;
        default:
          if (accepts(s, c)) {
            next.set(i + 1);
          }
          break;
      }
    });
    close(next);
    if (next.empty()) {
      return false;
    }
    current.swap(next);
  }
  return current.test(m);
}

}  // namespace quorvel::git::detail
