#pragma once
// Judging one walked entry against git's listing, and writing its line.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "quorvel/filesystem/item.h"
#include "quorvel/runner/expected.h"
#include "quorvel/runner/expected_lookup.h"
#include "quorvel/runner/output.h"

namespace quorvel::runner {

struct judgement {
  bool found = false;  // git's listing names the entry or a folder above it
  bool right = false;  // the walker's verdict equals git's

  bool operator==(const judgement&) const = default;
};

// Looks the entry's path up in `expected`, then each of its parents up to the
// root of the file system, and compares the answer with the entry's
// `ignored`.
judgement judge_entry(const filesystem::finder_item& entry, const expected_map& expected);

// The same judgement, from a lookup over the same set, for a record of either
// kind (its verdict); `path` is the wide text of the entry's path
// (filesystem::item_path).
judgement judge_entry(const filesystem::entry_verdict& entry, std::wstring_view path,
                      expected_lookup& expected);

// Writes the entry's line: " OK" or "ERR", " : ", the walker's and git's
// verdicts as digits, " - ", the path with its first `prefix_length`
// characters cut off, and for an ignored entry " <rule> /regex/"; coloured
// when the output is a terminal.
void report_entry(output& out, const filesystem::finder_item& entry, const judgement& verdict,
                  std::size_t prefix_length);

// The same for a record of either kind (its verdict), with `path` the wide
// text of the entry's path, made once for the judgement and the line.
void report_entry(output& out, const filesystem::entry_verdict& entry, std::wstring_view path,
                  const judgement& verdict, std::size_t prefix_length);

// The same, for a path whose native text is the test folder's, a "/" and
// more: `below` is that native text without the folder's, which cutting the
// folder's characters from the wide text comes to, since decoding never runs
// across a "/". Written as it is, with no decoding and encoding.
void report_entry_below(output& out, const filesystem::entry_verdict& entry,
                        const judgement& verdict,
                        std::basic_string_view<std::filesystem::path::value_type> below);

// The git mode's line of report_entry: for an ignored entry, after the rule
// in angle brackets, " ", `source` (the rule file's name, rule_sources) and
// ":" with the line's number (`rule_line`), where the design writes its
// regular expression. `source` is read only for an ignored entry.
void report_git_entry(output& out, const filesystem::entry_verdict& entry, std::wstring_view path,
                      const judgement& verdict, std::size_t prefix_length, std::string_view source);

// The same for a path below the test folder, as report_entry_below.
void report_git_entry_below(output& out, const filesystem::entry_verdict& entry,
                            const judgement& verdict,
                            std::basic_string_view<std::filesystem::path::value_type> below,
                            std::string_view source);

// Writes the closing summary: "All OK" or "Errors : <count>" between lines of
// 24 "=", then a line end.
void report_summary(output& out, std::uint64_t error_count);

}  // namespace quorvel::runner
