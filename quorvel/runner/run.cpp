#include "quorvel/runner/run.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <string_view>
#include <utility>

#include "quorvel/filesystem/finder.h"
#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/lean_item.h"
#include "quorvel/git/rule_source.h"
#include "quorvel/git/walker.h"
#include "quorvel/git/work_tree.h"
#include "quorvel/platform/environment.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/runner/expected.h"
#include "quorvel/runner/expected_lookup.h"
#include "quorvel/runner/options.h"
#include "quorvel/runner/output.h"
#include "quorvel/runner/report.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {
namespace {

using native_view = std::basic_string_view<std::filesystem::path::value_type>;

// Judges every entry that `walker` hands out against `lookup` and writes its
// line, returning the number of errors. Where names are bytes and the entry
// lies below the folder, its native text is judged and written as it is
// (`write_below`); elsewhere through its wide text (`write`). With
// `errors_only` a right entry's line is not written.
template <class Walker, class WriteBelow, class Write>
std::uint64_t judge_walk(Walker& walker, const std::filesystem::path& folder_path,
                         expected_lookup& lookup, bool errors_only, WriteBelow write_below,
                         Write write) {
  typename Walker::item_type current{std::filesystem::path()};
  std::uint64_t error_count = 0;
  const native_view folder_native = folder_path.native();
  while (walker.next(current)) {
    const native_view native = filesystem::native_text(current);
    if (!platform::backslash_is_separator && native.size() > folder_native.size() &&
        native[folder_native.size()] == '/' && native.starts_with(folder_native)) {
      judgement verdict;
      verdict.found = lookup.covers_native(native);
      verdict.right = current.ignored == verdict.found;
      error_count += verdict.right ? 0 : 1;
      if (!errors_only || !verdict.right) {
        write_below(current, verdict, native.substr(folder_native.size()));
      }
      continue;
    }
    const std::wstring path = filesystem::item_path(current);
    const judgement verdict = judge_entry(current, path, lookup);
    error_count += verdict.right ? 0 : 1;
    if (!errors_only || !verdict.right) {
      write(current, path, verdict);
    }
  }
  return error_count;
}

// The git engine's walk of `folder_path`, each entry judged like the
// design's and its line written with the rule file and line number where the
// design writes the regular expression; returns the number of errors. The
// repository's core.ignorecase decides how rules match, as it does for git.
std::uint64_t walk_as_git(const std::filesystem::path& folder_path, std::size_t prefix_length,
                          expected_lookup& lookup, bool errors_only, output& out) {
  // The work tree is found once: its configuration sets the options, and
  // the walk starts from it.
  git::work_tree tree = git::find_work_tree(folder_path);
  git::ignore_options options;
  options.ignore_case = tree.ignore_case.value_or(false);
  // Its records keep their paths as text: the report needs nothing more.
  git::lean_walker walker(folder_path, std::move(tree), options, filesystem::item_times::skip);
  walker.list_ahead();
  // Without a repository the test folder is the top, as for the walk.
  git::rule_sources sources(walker.tree().top.empty() ? folder_path : walker.tree().top);
  const auto source_of = [&sources](const filesystem::lean_item& entry) {
    return entry.ignored ? sources.name(entry.rule_file) : std::string_view();
  };
  return judge_walk(
      walker, folder_path, lookup, errors_only,
      [&](const filesystem::lean_item& entry, const judgement& verdict, native_view below) {
        report_git_entry_below(out, entry, verdict, below, source_of(entry));
      },
      [&](const filesystem::lean_item& entry, const std::wstring& path, const judgement& verdict) {
        report_git_entry(out, entry, path, verdict, prefix_length, source_of(entry));
      });
}

int run_test(const options& chosen, output& out) {
  switch (chosen.what) {
    case command::help:
      out.narrow(usage_text);
      return exit_completed;
    case command::version:
      out.narrow(version_text);
      out.line_end();
      return exit_completed;
    case command::fail:
      out.narrow(chosen.error);
      out.line_end();
      out.narrow(usage_text);
      return exit_bad_option;
    case command::run:
      break;
  }
  if (!chosen.has_folder) {
    out.narrow("folder.exe <pathTests>");
    out.line_end();
    return exit_no_argument;
  }
  const std::wstring& argument = chosen.folder;
  if (!std::filesystem::exists(platform::to_path(argument))) {
    out.narrow("folder tests ");
    out.wide(argument);
    out.narrow(" not exists!");
    out.line_end();
    return exit_no_folder;
  }

  const std::filesystem::path folder_path = filesystem::walk_root(platform::to_path(argument));
  const std::size_t prefix_length = platform::to_wide(folder_path).size();

  if (!std::filesystem::exists(folder_path / "i.txt")) {
    out.narrow("file log for git not found!");
    out.line_end();
    out.narrow(" run ");
    out.stream() << std::quoted(text::wide_to_bytes(platform::to_wide(folder_path)), '"', '\\');
    out.narrow("/i.bat");
    out.stream().flush();
    return exit_no_listing;
  }

  const expected_keys expected_ignored = read_expected(folder_path / "i.txt", folder_path);
  if (chosen.git) {
    expected_lookup git_lookup(expected_ignored);
    report_summary(out,
                   walk_as_git(folder_path, prefix_length, git_lookup, chosen.errors_only, out));
    return exit_completed;
  }
  // The report shows no times, so the walk does not read them, and it reads
  // nothing of a record that a lean one does not hold.
  filesystem::finder<filesystem::gitignore, filesystem::lean_item> walker(
      folder_path, L".gitignore", filesystem::item_times::skip);
  walker.list_ahead();
  expected_lookup lookup(expected_ignored);
  const std::uint64_t error_count = judge_walk(
      walker, folder_path, lookup, chosen.errors_only,
      [&out](const filesystem::lean_item& entry, const judgement& verdict, native_view below) {
        report_entry_below(out, entry, verdict, below);
      },
      [&out, prefix_length](const filesystem::lean_item& entry, const std::wstring& path,
                            const judgement& verdict) {
        report_entry(out, entry, path, verdict, prefix_length);
      });
  report_summary(out, error_count);
  return exit_completed;
}

// True when the NO_COLOR variable asks for no colours: set and not empty.
bool no_color_set() {
  const auto value = platform::environment_path("NO_COLOR");
  return value && !value->empty();
}

}  // namespace

int run(const std::vector<std::wstring>& arguments, std::ostream& stream) {
  const options chosen = parse_options(arguments);
  output out(stream, colour_wanted(stream, chosen.colour, no_color_set()));
  try {
    return run_test(chosen, out);
  } catch (const std::exception& failure) {
    out.narrow("error: ");
    out.narrow(failure.what());
  } catch (...) {
    out.narrow("error: unknown failure");
  }
  out.line_end();
  return exit_run_failed;
}

}  // namespace quorvel::runner
