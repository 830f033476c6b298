#include "quorvel/filesystem/regex/rule_index.h"

#include <algorithm>
#include <type_traits>

#include "quorvel/filesystem/gitignore.h"

namespace quorvel::filesystem {
namespace {

constexpr std::uint32_t unit_value(wchar_t c) {
  return static_cast<std::make_unsigned_t<wchar_t>>(c);
}

// A step that every match passes through exactly once with one known
// character.
bool is_literal(const program_step& step) {
  return !step.repeated && !step.optional && step.test.type == char_test::kind::literal;
}

// ".*" on its own, not the start of "(.*\/|)".
bool is_any_run(const program_step& step) {
  return step.repeated && !step.optional && step.test.type == char_test::kind::any;
}

bool is_not_slash_run(const program_step& step) {
  return step.repeated && !step.optional && step.test.type == char_test::kind::not_slash;
}

// The characters of steps [from, to), all literal.
std::wstring literal_text(const std::vector<program_step>& steps, std::size_t from,
                          std::size_t to) {
  std::wstring text;
  for (std::size_t i = from; i < to; ++i) {
    text += steps[i].test.ch;
  }
  return text;
}

bool all_literal(const std::vector<program_step>& steps, std::size_t from, std::size_t to) {
  return std::all_of(steps.begin() + static_cast<std::ptrdiff_t>(from),
                     steps.begin() + static_cast<std::ptrdiff_t>(to), is_literal);
}

// The end of the run of literal steps that starts at `from`.
std::size_t literal_run_end(const std::vector<program_step>& steps, std::size_t from) {
  while (from < steps.size() && is_literal(steps[from])) {
    ++from;
  }
  return from;
}

// True when `path` holds a character that "." does not match.
bool has_line_break(std::wstring_view path) {
  // Without branches, so that the loop runs several units at a time: this
  // is asked of every path.
  bool found = false;
  for (const wchar_t c : path) {
    const std::uint32_t unit = unit_value(c);
    found |= (unit == L'\n') | (unit == L'\r') | ((unit | 1u) == 0x2029u);
  }
  return found;
}

}  // namespace

void rule_index::trie::insert(std::wstring_view key, entry value) {
  std::uint32_t at = 0;
  for (const wchar_t c : key) {
    std::uint32_t next = 0;
    for (const auto& [known, index] : building_[at].children) {
      if (known == c) {
        next = index;
      }
    }
    if (next == 0) {
      next = static_cast<std::uint32_t>(building_.size());
      building_[at].children.emplace_back(c, next);
      building_.emplace_back();
    }
    at = next;
  }
  building_[at].entries.push_back(value);
}

void rule_index::trie::freeze() {
  nodes_.resize(building_.size());
  for (std::size_t i = 0; i < building_.size(); ++i) {
    const building_node& built = building_[i];
    node& flat = nodes_[i];
    flat.first_child = static_cast<std::uint32_t>(children_.size());
    flat.child_count = static_cast<std::uint32_t>(built.children.size());
    children_.insert(children_.end(), built.children.begin(), built.children.end());
    flat.first_entry = static_cast<std::uint32_t>(entries_.size());
    flat.entry_count = static_cast<std::uint32_t>(built.entries.size());
    entries_.insert(entries_.end(), built.entries.begin(), built.entries.end());
    if (i != 0 && built.children.size() > dense_from) {
      std::array<std::uint32_t, 128>& table = dense_.emplace_back();
      table.fill(0);
      for (const auto& [c, index] : built.children) {
        if (unit_value(c) < 128) {
          table[unit_value(c)] = index;
        }
      }
      flat.dense = static_cast<std::uint32_t>(dense_.size());
    }
  }
  for (const auto& [c, index] : building_[0].children) {
    if (unit_value(c) < 128) {
      root_ascii_[unit_value(c)] = index;
    }
  }
  root_entries_ = !building_[0].entries.empty();
  for (std::uint32_t c = 0; c < 128; ++c) {
    if (root_ascii_[c] != 0 || root_entries_) {
      start_bits_[c / 64] |= std::uint64_t{1} << (c % 64);
    }
  }
  building_.clear();
  building_.shrink_to_fit();
}

std::uint32_t rule_index::trie::child(std::uint32_t parent, wchar_t c) const {
  if (parent == 0 && unit_value(c) < 128) {
    return root_ascii_[unit_value(c)];
  }
  const node& at = nodes_[parent];
  if (at.dense != 0 && unit_value(c) < 128) {
    return dense_[at.dense - 1][unit_value(c)];
  }
  for (std::uint32_t i = at.first_child; i < at.first_child + at.child_count; ++i) {
    if (children_[i].first == c) {
      return children_[i].second;
    }
  }
  return 0;
}

template <class Found>
void rule_index::trie::walk(std::wstring_view text, Found&& found) const {
  const auto report = [&](std::uint32_t at, std::size_t length) {
    const node& reached = nodes_[at];
    for (std::uint32_t i = reached.first_entry; i < reached.first_entry + reached.entry_count;
         ++i) {
      found(entries_[i], length);
    }
  };
  if (root_entries_) {
    report(0, 0);
  }
  std::uint32_t at = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    at = child(at, text[i]);
    if (at == 0) {
      return;
    }
    report(at, i + 1);
  }
}

rule_index::rule_index(const std::vector<ignore_rule>& rules) {
  programs_.reserve(rules.size());
  routes_.reserve(rules.size());
  for (std::uint32_t number = 0; number < rules.size(); ++number) {
    const ignore_rule& rule = rules[number];
    programs_.push_back(rule_program::parse(rule.regex_text, rule.regex.getloc()));
    file_rule(number);
  }
  has_component_ = !component_.empty();
  has_anywhere_ = !anywhere_.empty();
  start_.freeze();
  component_.freeze();
  anywhere_.freeze();
}

void rule_index::file_rule(std::uint32_t number) {
  const auto file = [&](index_route route, trie& where, std::wstring_view key, proof proves) {
    routes_.push_back(route);
    where.insert(key, {number, proves});
  };
  const std::optional<rule_program>& program = programs_[number];
  if (!program) {
    routes_.push_back(index_route::always);
    always_.push_back(number);
    return;
  }
  // On a path without line breaks, the index's only kind, "[^\/]*" just
  // before a final ".*" adds nothing that the ".*" would not cover: "*" is
  // then any path with a "/", and "vmlinux*" a name that starts so.
  std::vector<program_step> steps = program->steps();
  while (steps.size() >= 2 && is_any_run(steps.back()) &&
         is_not_slash_run(steps[steps.size() - 2])) {
    steps.erase(steps.end() - 2);
  }
  const std::size_t count = steps.size();

  // A plain path ("^\/doc\/api$"): the path itself.
  if (all_literal(steps, 0, count)) {
    file(index_route::start, start_, literal_text(steps, 0, count), proof::whole);
    return;
  }
  const bool any_first = count >= 2 && is_any_run(steps.front());
  const bool any_last = count >= 2 && is_any_run(steps.back());
  // A name at any depth (".*\/build.*"): the name after a "/", anywhere.
  if (any_first && any_last && count >= 3 && all_literal(steps, 1, count - 1)) {
    const std::wstring text = literal_text(steps, 1, count - 1);
    file(text.front() == L'/' ? index_route::component : index_route::anywhere,
         text.front() == L'/' ? component_ : anywhere_, text, proof::found);
    return;
  }
  // A star and a literal (".*\/[^\/]*\.o.*"): the literal anywhere after the
  // first "/", since the star then covers what lies between the last "/"
  // before the literal and the literal.
  if (any_first && any_last && count >= 5 && is_literal(steps[1]) && steps[1].test.ch == L'/' &&
      is_not_slash_run(steps[2]) && all_literal(steps, 3, count - 1)) {
    file(index_route::anywhere, anywhere_, literal_text(steps, 3, count - 1), proof::after_slash);
    return;
  }
  // Otherwise the rule has to run; file it under the most telling literal.
  const std::size_t leading_end = literal_run_end(steps, 0);
  if (leading_end >= 2) {
    file(index_route::start, start_, literal_text(steps, 0, leading_end), proof::none);
    return;
  }
  if (any_first) {
    const std::size_t end = literal_run_end(steps, 1);
    if (end - 1 >= 2 && steps[1].test.ch == L'/') {
      file(index_route::component, component_, literal_text(steps, 1, end), proof::none);
      return;
    }
  }
  // Every path holds "/" and most hold ".": the run with the most other
  // characters tells most, the longer one of two such. A run of "/" alone
  // tells nothing.
  std::wstring longest;
  const auto telling = [](const std::wstring& run) {
    return std::count_if(run.begin(), run.end(), [](wchar_t c) { return c != L'/' && c != L'.'; });
  };
  for (std::size_t i = 0; i < count;) {
    const std::size_t end = literal_run_end(steps, i);
    if (end == i) {
      ++i;
      continue;
    }
    const std::wstring run = literal_text(steps, i, end);
    const auto run_tells = telling(run);
    const auto longest_tells = telling(longest);
    if (run.find_first_not_of(L'/') != std::wstring::npos &&
        (longest.empty() || run_tells > longest_tells ||
         (run_tells == longest_tells && run.size() > longest.size()))) {
      longest = run;
    }
    i = end;
  }
  if (longest.empty()) {
    routes_.push_back(index_route::always);
    always_.push_back(number);
    return;
  }
  file(index_route::anywhere, anywhere_, longest, proof::none);
}

void rule_index::find_candidates(std::wstring_view path, std::vector<rule_candidate>& out) const {
  out.clear();
  const std::size_t first_slash = path.find(L'/');
  // The scan for literals anywhere looks at every unit, and so looks for
  // line breaks on the way.
  if (has_anywhere_ ? find_anywhere(path, first_slash, out) : has_line_break(path)) {
    out.clear();
    for (std::uint32_t number = 0; number < programs_.size(); ++number) {
      out.push_back({number, false});
    }
    return;
  }
  start_.walk(path, [&](const entry& value, std::size_t length) {
    if (value.proves == proof::whole) {
      if (length == path.size()) {
        out.push_back({value.rule, true});
      }
      return;
    }
    out.push_back({value.rule, false});
  });
  for (std::size_t at = has_component_ ? first_slash : std::wstring_view::npos; at < path.size();
       at = path.find(L'/', at + 1)) {
    component_.walk(path.substr(at), [&](const entry& value, std::size_t) {
      out.push_back({value.rule, value.proves == proof::found});
    });
  }
  for (const std::uint32_t number : always_) {
    out.push_back({number, false});
  }
  if (out.size() > 1) {
    // In file order, one per rule; a proof from any place is a proof.
    std::sort(out.begin(), out.end(), [](const rule_candidate& a, const rule_candidate& b) {
      return a.rule < b.rule || (a.rule == b.rule && a.known_match > b.known_match);
    });
    out.erase(std::unique(out.begin(), out.end(),
                          [](const rule_candidate& a, const rule_candidate& b) {
                            return a.rule == b.rule;
                          }),
              out.end());
  }
}

bool rule_index::find_anywhere(std::wstring_view path, std::size_t first_slash,
                               std::vector<rule_candidate>& out) const {
  // Most places hold no character that a literal starts with; the test for
  // that is kept to two words in registers.
  const std::uint64_t low = anywhere_.start_bits(0);
  const std::uint64_t high = anywhere_.start_bits(1);
  const wchar_t* const text = path.data();
  const std::size_t size = path.size();
  bool line_break = false;
  for (std::size_t at = 0; at < size; ++at) {
    const std::uint32_t unit = unit_value(text[at]);
    if (unit < 128) {
      line_break |= (unit == L'\n') | (unit == L'\r');
      if (((unit < 64 ? low >> unit : high >> (unit - 64)) & 1) == 0) {
        continue;
      }
    } else {
      line_break |= (unit | 1u) == 0x2029u;
    }
    anywhere_.walk(path.substr(at), [&](const entry& value, std::size_t) {
      if (value.proves == proof::after_slash) {
        // No "/" before this place: this occurrence proves nothing, and the
        // rule cannot match through it.
        if (first_slash < at) {
          out.push_back({value.rule, true});
        }
        return;
      }
      out.push_back({value.rule, value.proves == proof::found});
    });
  }
  return line_break;
}

bool rule_index::rule_matches(std::size_t number, std::wstring_view path,
                              const std::wregex& regex) const {
  if (programs_[number]) {
    return programs_[number]->matches(path);
  }
  return std::regex_match(path.data(), path.data() + path.size(), regex);
}

}  // namespace quorvel::filesystem
