#include "runner/report.h"

#include <string>

#include "platform/native_path.h"
#include "runner/colour.h"

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

void report_entry(output& out, const filesystem::finder_item& entry, const judgement& verdict,
                  std::size_t prefix_length) {
  std::ostream& stream = out.stream();
  set_console_colour(stream, verdict.right ? colour_green : colour_red);
  out.narrow(verdict.right ? " OK" : "ERR");
  set_console_colour(stream, colour_restore);
  out.wide(L" : ");
  set_console_colour(stream, colour_blue);
  out.narrow(entry.ignored ? "1" : "0");
  set_console_colour(stream, colour_restore);
  out.wide(verdict.found ? L"1" : L"0");
  out.wide(L" - ");
  const std::wstring path = filesystem::item_path(entry);
  out.wide(prefix_length < path.size() ? std::wstring_view(path).substr(prefix_length)
                                       : std::wstring_view());
  if (entry.ignored) {
    out.wide(L" <");
    set_console_colour(stream, colour_magenta);
    out.wide(entry.rule);
    set_console_colour(stream, colour_restore);
    out.wide(L">");
    out.wide(L" /");
    set_console_colour(stream, colour_yellow);
    out.wide(entry.rule_regex);
    set_console_colour(stream, colour_restore);
    out.wide(L"/");
  }
  out.line_end();
}

void report_summary(output& out, std::uint64_t error_count) {
  std::ostream& stream = out.stream();
  if (error_count > 0) {
    set_console_colour(stream, colour_red);
    out.narrow("\n========================\nErrors : " + std::to_string(error_count) +
               "\n========================");
  } else {
    set_console_colour(stream, colour_green);
    out.narrow("\n========================\nAll OK\n========================");
  }
  set_console_colour(stream, colour_restore);
  out.line_end();
}

}  // namespace quorvel::runner
