// Matching arbitrary relative paths against a fuzzed rule file. The input is
// the rule file, a NUL byte, then the paths, one per line. Besides not
// crashing or hanging, every rule's compiled expression must give the same
// verdict as the same text compiled with nothing but the ECMAScript flag
// (the backtracking matcher), where that one is cheap enough to run.

#include <cstdlib>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/regex/rule_limits.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/text/utf8.h"

namespace {

using quorvel::filesystem::finder_item;
using quorvel::filesystem::gitignore;

// Backtracking costs up to the length raised to the number of repetitions:
// only small cases are checked against it.
constexpr std::size_t reference_path_length = 24;
constexpr std::size_t reference_repeats = 5;

void compare_with_backtracking(const gitignore& rules, const std::wstring& path) {
  if (path.size() > reference_path_length) {
    return;
  }
  for (const auto& rule : rules.compiled_rules()) {
    if (quorvel::filesystem::measure_expression(rule.regex_text).repeats > reference_repeats) {
      continue;
    }
    const std::wregex reference(rule.regex_text, std::regex_constants::ECMAScript);
    if (std::regex_match(path, reference) != std::regex_match(path, rule.regex)) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvel::fuzzing::rules_and_paths input;
  if (!quorvel::fuzzing::split_rules_and_paths(quorvel::fuzzing::as_bytes(data, size), input)) {
    return 0;
  }
  const auto file = quorvel::fuzzing::write_rule_file(input.rules);
  try {
    const gitignore rules(file);
    for (const std::string_view line : input.paths) {
      // Relative paths as the walk forms them begin with "/".
      const std::wstring path = L"/" + quorvel::text::bytes_to_wide(line);
      for (const std::uint32_t attributes :
           {quorvel::platform::attribute_directory, quorvel::platform::attribute_normal}) {
        finder_item entry{std::filesystem::path()};
        entry.attributes = attributes;
        std::wstring rule = L"\n";
        std::wstring rule_regex = L"\n";
        const bool ignored = rules.match(entry, path, rule, rule_regex);
        // An ignored entry names its rule unless it is the repository's own folder.
        if (ignored && rule == L"\n" && path != L"/.git") {
          std::abort();
        }
      }
      compare_with_backtracking(rules, path);
    }
  } catch (const std::regex_error&) {
  } catch (const std::out_of_range&) {
  } catch (const std::length_error&) {
  }
  return 0;
}
