#pragma once
// The index of one rule file's expressions, by which `gitignore::match`
// looks only at the rules that can match a given path. Internal to the
// rule-file compiler (gitignore.cpp) and its tests.

#include <array>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/filesystem/regex/rule_program.h"

namespace quorvel::filesystem {

struct ignore_rule;

// A rule that may match a path: its position in the file, and whether the
// index has already proved that it matches.
struct rule_candidate {
  std::uint32_t rule = 0;
  bool known_match = false;

  bool operator==(const rule_candidate&) const = default;
};

// Where a rule is filed, which decides when it is looked at.
enum class index_route : std::uint8_t {
  start,      // a literal that the whole path starts with
  component,  // a literal that starts with "/", looked for at each "/"
  anywhere,   // a literal that every match contains, looked for everywhere
  always,     // no literal to look for: tried on every path
};

// Every rule's expression is filed under a literal that each path it matches
// must contain at a known place. Looking for the literals of all rules in
// one pass over the path yields the few rules worth running; for the
// simplest shapes (a plain name or path, "*" and a literal) finding the
// literal is itself the proof of a match.
//
// All of this reasons about ".*" as "any text", which is true only of paths
// without the characters that "." does not match; for a path holding one of
// them every rule is a candidate and none is known.
//
// A walk asks about the entries of one folder one after another, and their
// paths differ only after the last "/". What the pass finds in that folder
// part is kept (per thread, for the last few indexes asked) and only the name
// is looked at again.
class rule_index {
 public:
  explicit rule_index(const std::vector<ignore_rule>& rules);

  // Replaces `out` by the rules that may match `path`: in file order, each
  // once, with `known_match` set where the index proved the match. Every rule
  // that matches `path` is among them.
  void find_candidates(std::wstring_view path, std::vector<rule_candidate>& out) const;

  // True when rule `number`, whose compiled expression is `regex`, matches
  // the whole of `path`: by its program, or by the library for an expression
  // outside the shapes that programs take.
  bool rule_matches(std::size_t number, std::wstring_view path, const std::wregex& regex) const;

  index_route route_of(std::size_t number) const { return routes_[number]; }
  const std::optional<rule_program>& program_of(std::size_t number) const {
    return programs_[number];
  }

 private:
  // What finding a rule's literal says about the rule.
  enum class proof : std::uint8_t {
    none,         // run the rule
    whole,        // it matches when the literal ends where the path ends
    found,        // it matches
    after_slash,  // it matches when a "/" comes before the literal
  };
  struct entry {
    std::uint32_t rule = 0;
    proof proves = proof::none;
  };

  // The literals of one route, sharing their common beginnings. Built by
  // `insert`, then laid out flat by `freeze` for the walks.
  class trie {
   public:
    void insert(std::wstring_view key, entry value);
    void freeze();
    bool empty() const { return building_.size() == 1 && building_[0].entries.empty(); }

    // Walks from node `at` (0: the root, a new walk) through text[from, to),
    // calling `found(entry, end)` for every literal that ends at `end`.
    // Returns the node reached at `to`, or 0 once no literal goes on.
    template <class Found>
    std::uint32_t walk(std::wstring_view text, std::size_t from, std::size_t to, std::uint32_t at,
                       Found&& found) const;

    // False when no literal can start at `text[at]`: a walk from there would
    // find nothing. Looks at the first two characters, since nearly every
    // place of a path holds a character that some literal starts with ("."
    // or a letter) but few hold a pair that one does.
    bool may_start(std::wstring_view text, std::size_t at) const;

   private:
    struct building_node {
      std::vector<std::pair<wchar_t, std::uint32_t>> children;
      std::vector<entry> entries;
    };
    // A node's children and entries, as ranges of `children_` and `entries_`.
    struct node {
      std::uint32_t first_child = 0;
      std::uint32_t child_count = 0;
      std::uint32_t first_entry = 0;
      std::uint32_t entry_count = 0;
      std::uint32_t dense = 0;  // 1 + its index in dense_, 0 for none
    };
    // Nodes with more children than this also get a table of their ASCII
    // children: "/" is followed by the first letters of every name.
    static constexpr std::size_t dense_from = 6;
    std::uint32_t child(std::uint32_t parent, wchar_t c) const;
    bool starts_with_unit(std::uint32_t c) const {
      return ((start_bits_[c / 64] >> (c % 64)) & 1) != 0;
    }

    std::vector<building_node> building_{1};
    std::vector<node> nodes_;
    std::vector<std::pair<wchar_t, std::uint32_t>> children_;
    std::vector<entry> entries_;
    std::vector<std::array<std::uint32_t, 128>> dense_;  // 0: no child
    std::array<std::uint32_t, 128> root_ascii_{};        // 0: no child
    bool root_entries_ = false;                          // the empty literal is filed
    std::uint64_t start_bits_[2] = {0, 0};
    // Bit 128 * a + b is set when a literal starts with "ab" or is "a"
    // (a and b below 128).
    std::array<std::uint64_t, 128 * 128 / 64> pair_bits_{};
  };

  // A walk that reached the end of a path's folder part still inside a
  // literal: it goes on into each name.
  struct open_walk {
    index_route route = index_route::start;
    std::uint32_t start = 0;  // where in the path the literal begins
    std::uint32_t node = 0;
  };
  // What the pass found in the folder part of the last path given to the
  // index `owner`: the candidates of the literals that end inside it, the
  // walks still open at its end, and whether it holds a line break.
  struct folder_scan {
    std::uint64_t owner = 0;
    std::uint64_t used = 0;  // for replacing the longest unused
    std::wstring folder;     // up to and including the last "/"
    std::vector<rule_candidate> found;
    std::vector<open_walk> open;
    bool line_break = false;
  };

  void file_rule(std::uint32_t number);
  // This thread's folder_scan for this index, not necessarily filled.
  folder_scan& folder_scan_of() const;
  // Starts the walks of every route at each place in [from, to) of `path`
  // and runs them up to `to`, appending their candidates to `out` and, where
  // `open` is set, the walks still going at `to` to `open`. Returns whether
  // [from, to) holds a line break.
  bool scan(std::wstring_view path, std::size_t from, std::size_t to, std::size_t first_slash,
            std::vector<open_walk>* open, std::vector<rule_candidate>& out) const;
  // Runs the walks `open` on from `from` to the end of `path`.
  void resume(std::wstring_view path, std::size_t from, std::size_t first_slash,
              const std::vector<open_walk>& open, std::vector<rule_candidate>& out) const;
  // Appends the candidate that finding `value` from `start` to `end` of
  // `path` gives, if any.
  static void found(const entry& value, std::size_t start, std::size_t end, std::size_t path_size,
                    std::size_t first_slash, std::vector<rule_candidate>& out);

  std::vector<std::optional<rule_program>> programs_;
  std::vector<index_route> routes_;
  trie start_;
  trie component_;
  trie anywhere_;
  std::vector<std::uint32_t> always_;
  bool has_component_ = false;
  bool has_anywhere_ = false;
  // Tells this index's folder_scan from those of others, alive or gone.
  std::uint64_t serial_ = 0;
};

}  // namespace quorvel::filesystem
