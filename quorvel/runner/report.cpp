#include "quorvel/runner/report.h"

#include <charconv>
#include <string>

#include "quorvel/platform/native_path.h"
#include "quorvel/runner/colour.h"

namespace quorvel::runner {

judgement judge_entry(const filesystem::finder_item& entry, const expected_map& expected) {
  judgement verdict;
  std::filesystem::path path = entry.entry.path();
  for (;;) {
    if (expected.count(platform::to_wide(path)) != 0) {
      verdict.found = true;
      break;
    }
    std::filesystem::path parent = path.parent_path();
    if (parent == path) {
      break;
    }
    path = std::move(parent);
  }
  verdict.right = entry.ignored == verdict.found;
  return verdict;
}

judgement judge_entry(const filesystem::entry_verdict& entry, std::wstring_view path,
                      expected_lookup& expected) {
  judgement verdict;
  verdict.found = expected.covers(path);
  verdict.right = entry.ignored == verdict.found;
  return verdict;
}

void report_entry(output& out, const filesystem::finder_item& entry, const judgement& verdict,
                  std::size_t prefix_length) {
  report_entry(out, entry, filesystem::item_path(entry), verdict, prefix_length);
}

namespace {

void write_path(output& out, std::wstring_view text) {
  out.wide(text);
}

[[maybe_unused]] void write_path(output& out, std::string_view bytes) {
  out.narrow(bytes);
}

// The line of report_entry, with the path below the folder as `below`; with
// a `source`, the git mode's rule part (the rule file's name and the line's
// number) instead of the regular expression.
template <class Text>
void write_line(output& out, const filesystem::entry_verdict& entry, const judgement& verdict,
                Text below, const std::string_view* source = nullptr) {
  out.colour(verdict.right ? colour_green : colour_red);
  out.narrow(verdict.right ? " OK" : "ERR");
  out.colour(colour_restore);
  out.wide(L" : ");
  out.colour(colour_blue);
  out.narrow(entry.ignored ? "1" : "0");
  out.colour(colour_restore);
  out.wide(verdict.found ? L"1" : L"0");
  out.wide(L" - ");
  write_path(out, below);
  if (entry.ignored) {
    out.wide(L" <");
    out.colour(colour_magenta);
    out.wide(entry.rule);
    out.colour(colour_restore);
    out.wide(L">");
    if (source == nullptr) {
      out.wide(L" /");
      out.colour(colour_yellow);
      out.wide(entry.rule_regex);
      out.colour(colour_restore);
      out.wide(L"/");
    } else {
      out.narrow(" ");
      out.colour(colour_yellow);
      out.narrow(*source);
      char digits[16] = {':'};
      const auto end = std::to_chars(digits + 1, digits + sizeof digits, entry.rule_line).ptr;
      out.narrow(std::string_view(digits, static_cast<std::size_t>(end - digits)));
      out.colour(colour_restore);
    }
  }
  out.line_end();
}

}  // namespace

void report_entry(output& out, const filesystem::entry_verdict& entry, std::wstring_view path,
                  const judgement& verdict, std::size_t prefix_length) {
  write_line(out, entry, verdict,
             prefix_length < path.size() ? path.substr(prefix_length) : std::wstring_view());
}

void report_entry_below(output& out, const filesystem::entry_verdict& entry,
                        const judgement& verdict,
                        std::basic_string_view<std::filesystem::path::value_type> below) {
  write_line(out, entry, verdict, below);
}

void report_git_entry(output& out, const filesystem::entry_verdict& entry, std::wstring_view path,
                      const judgement& verdict, std::size_t prefix_length,
                      std::string_view source) {
  write_line(out, entry, verdict,
             prefix_length < path.size() ? path.substr(prefix_length) : std::wstring_view(),
             &source);
}

void report_git_entry_below(output& out, const filesystem::entry_verdict& entry,
                            const judgement& verdict,
                            std::basic_string_view<std::filesystem::path::value_type> below,
                            std::string_view source) {
  write_line(out, entry, verdict, below, &source);
}

void report_summary(output& out, std::uint64_t error_count) {
  if (error_count > 0) {
    out.colour(colour_red);
    out.narrow("\n========================\nErrors : " + std::to_string(error_count) +
               "\n========================");
  } else {
    out.colour(colour_green);
    out.narrow("\n========================\nAll OK\n========================");
  }
  out.colour(colour_restore);
  out.line_end();
}

}  // namespace quorvel::runner
