#include "quorvel/filesystem/regex/rule_index.h"

#include <algorithm>
#include <atomic>
#include <type_traits>

#include "quorvel/filesystem/regex/ignore_rule.h"

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

// True when "." does not match `unit`.
bool is_line_break(std::uint32_t unit) {
  return unit == L'\n' || unit == L'\r' || (unit | 1u) == 0x2029u;
}

// A number for each index made, so that a kept folder_scan is never taken
// for that of a later index at the same address.
std::atomic<std::uint64_t> last_serial{0};

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
  const auto set_pair = [this](std::uint32_t a, std::uint32_t b) {
    const std::uint32_t bit = a * 128 + b;
    pair_bits_[bit / 64] |= std::uint64_t{1} << (bit % 64);
  };
  for (std::uint32_t c = 0; c < 128; ++c) {
    if (root_ascii_[c] == 0 && !root_entries_) {
      continue;
    }
    start_bits_[c / 64] |= std::uint64_t{1} << (c % 64);
    // The empty literal, or the literal "c" itself, is found whatever follows.
    if (root_entries_ || !building_[root_ascii_[c]].entries.empty()) {
      for (std::uint32_t next = 0; next < 128; ++next) {
        set_pair(c, next);
      }
      continue;
    }
    for (const auto& [next, index] : building_[root_ascii_[c]].children) {
      if (unit_value(next) < 128) {
        set_pair(c, unit_value(next));
      }
    }
  }
  building_.clear();
  building_.shrink_to_fit();
}

inline std::uint32_t rule_index::trie::child(std::uint32_t parent, wchar_t c) const {
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

inline bool rule_index::trie::may_start(std::wstring_view text, std::size_t at) const {
  const std::uint32_t first = unit_value(text[at]);
  if (first >= 128) {
    // Literals that start beyond ASCII are rare; not told apart.
    return true;
  }
  const std::uint32_t second = at + 1 < text.size() ? unit_value(text[at + 1]) : 128;
  if (second >= 128) {
    // At the end, or before a unit beyond ASCII: the first alone tells.
    return starts_with_unit(first);
  }
  const std::uint32_t bit = first * 128 + second;
  return ((pair_bits_[bit / 64] >> (bit % 64)) & 1) != 0;
}

template <class Found>
std::uint32_t rule_index::trie::walk(std::wstring_view text, std::size_t from, std::size_t to,
                                     std::uint32_t at, Found&& found) const {
  const auto report = [&](std::uint32_t reached, std::size_t end) {
    const node& where = nodes_[reached];
    for (std::uint32_t i = where.first_entry; i < where.first_entry + where.entry_count; ++i) {
      found(entries_[i], end);
    }
  };
  if (at == 0 && root_entries_) {
    report(0, from);
  }
  for (std::size_t i = from; i < to; ++i) {
    at = child(at, text[i]);
    if (at == 0) {
      return 0;
    }
    report(at, i + 1);
  }
  return at;
}

rule_index::rule_index(const std::vector<ignore_rule>& rules) : serial_(++last_serial) {
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
  // The name starts after the last "/" (at 0 without one).
  const std::size_t name = path.rfind(L'/') + 1;
  bool line_break = false;
  if (name == 0 || name == path.size()) {
    // No folder part to keep, or no name to tell entries apart.
    line_break = scan(path, 0, path.size(), first_slash, nullptr, out);
  } else {
    folder_scan& folder = folder_scan_of();
    const std::wstring_view folder_part = path.substr(0, name);
    if (folder.owner != serial_ || folder.folder != folder_part) {
      // The folder part decides where the first "/" is, so all that its
      // scan found holds for every path that starts with it. A literal that
      // ends with the path ("whole") is never found inside it.
      folder.owner = serial_;
      folder.folder.assign(folder_part);
      folder.found.clear();
      folder.open.clear();
      folder.line_break = scan(path, 0, name, first_slash, &folder.open, folder.found);
    }
    out.assign(folder.found.begin(), folder.found.end());
    resume(path, name, first_slash, folder.open, out);
    line_break = scan(path, name, path.size(), first_slash, nullptr, out) || folder.line_break;
  }
  if (line_break) {
    out.clear();
    for (std::uint32_t number = 0; number < programs_.size(); ++number) {
      out.push_back({number, false});
    }
    return;
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

rule_index::folder_scan& rule_index::folder_scan_of() const {
  // One for each rule file in force, which is one per folder level that has
  // one: rarely more than a few.
  thread_local std::array<folder_scan, 8> scans;
  thread_local std::uint64_t clock = 0;
  folder_scan* oldest = &scans[0];
  for (folder_scan& kept : scans) {
    if (kept.owner == serial_) {
      kept.used = ++clock;
      return kept;
    }
    if (kept.used < oldest->used) {
      oldest = &kept;
    }
  }
  oldest->owner = 0;
  oldest->used = ++clock;
  return *oldest;
}

void rule_index::found(const entry& value, std::size_t start, std::size_t end,
                       std::size_t path_size, std::size_t first_slash,
                       std::vector<rule_candidate>& out) {
  switch (value.proves) {
    case proof::whole:
      if (end == path_size) {
        out.push_back({value.rule, true});
      }
      return;
    case proof::after_slash:
      // No "/" before this place: this occurrence proves nothing, and the
      // rule cannot match through it.
      if (first_slash < start) {
        out.push_back({value.rule, true});
      }
      return;
    case proof::found:
      out.push_back({value.rule, true});
      return;
    case proof::none:
      out.push_back({value.rule, false});
      return;
  }
}

bool rule_index::scan(std::wstring_view path, std::size_t from, std::size_t to,
                      std::size_t first_slash, std::vector<open_walk>* open,
                      std::vector<rule_candidate>& out) const {
  const auto run = [&](index_route route, const trie& where, std::size_t start) {
    const std::uint32_t reached =
        where.walk(path, start, to, 0, [&](const entry& value, std::size_t end) {
          found(value, start, end, path.size(), first_slash, out);
        });
    if (reached != 0 && open != nullptr) {
      open->push_back({route, static_cast<std::uint32_t>(start), reached});
    }
  };
  if (from == 0) {
    run(index_route::start, start_, 0);
  }
  // What lies past `to` must not decide which walks start: a kept folder
  // part is followed by other names.
  const std::wstring_view upto = path.substr(0, to);
  bool line_break = false;
  for (std::size_t at = from; at < to; ++at) {
    const std::uint32_t unit = unit_value(path[at]);
    // Two tests that are nearly always false stand before the full one.
    if (unit <= L'\r' || unit >= 0x2028) {
      line_break |= is_line_break(unit);
    }
    if (has_component_ && unit == L'/') {
      run(index_route::component, component_, at);
    }
    if (has_anywhere_ && anywhere_.may_start(upto, at)) {
      run(index_route::anywhere, anywhere_, at);
    }
  }
  return line_break;
}

void rule_index::resume(std::wstring_view path, std::size_t from, std::size_t first_slash,
                        const std::vector<open_walk>& open,
                        std::vector<rule_candidate>& out) const {
  for (const open_walk& walk : open) {
    const trie& where = walk.route == index_route::start       ? start_
                        : walk.route == index_route::component ? component_
                                                               : anywhere_;
    where.walk(path, from, path.size(), walk.node, [&](const entry& value, std::size_t end) {
      found(value, walk.start, end, path.size(), first_slash, out);
    });
  }
}

bool rule_index::rule_matches(std::size_t number, std::wstring_view path,
                              const std::wregex& regex) const {
  if (programs_[number]) {
    return programs_[number]->matches(path);
  }
  return std::regex_match(path.data(), path.data() + path.size(), regex);
}

}  // namespace quorvel::filesystem
