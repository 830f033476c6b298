// The rule index and its programs against the straightforward loop: a fuzzed
// rule file and fuzzed paths go to gitignore::match and to
// gitignore::match_reference, and the first difference in the verdict, the
// reported rule or expression, or the type of what was thrown aborts. The
// input is the rule file, a NUL byte, then the paths, one per line; a path
// that starts with "~" is matched without it and without the leading "/"
// that the walk's paths have (as for the rule file of a drive root).

#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <typeinfo>

#include "fuzz/fuzz_support.h"
#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/text/utf8.h"

namespace {

using quorvel::filesystem::finder_item;
using quorvel::filesystem::gitignore;

struct outcome {
  bool ignored = false;
  std::wstring rule = L"\x01 untouched";
  std::wstring rule_regex = L"\x02 untouched";
  const std::type_info* thrown = nullptr;
};

template <class Match>
outcome run(Match&& match) {
  outcome result;
  try {
    result.ignored = match(result.rule, result.rule_regex);
  } catch (const std::exception& failure) {
    result.thrown = &typeid(failure);
  }
  return result;
}

void compare(const gitignore& rules, const std::wstring& path) {
  for (const std::uint32_t attributes :
       {quorvel::platform::attribute_directory, quorvel::platform::attribute_normal}) {
    finder_item entry{std::filesystem::path()};
    entry.attributes = attributes;
    const outcome fast = run([&](std::wstring& rule, std::wstring& rule_regex) {
      return rules.match(entry, path, rule, rule_regex);
    });
    const outcome reference = run([&](std::wstring& rule, std::wstring& rule_regex) {
      return rules.match_reference(entry, path, rule, rule_regex);
    });
    const bool same_throw = (fast.thrown == nullptr) == (reference.thrown == nullptr) &&
                            (fast.thrown == nullptr || *fast.thrown == *reference.thrown);
    if (fast.ignored != reference.ignored || fast.rule != reference.rule ||
        fast.rule_regex != reference.rule_regex || !same_throw) {
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
    for (std::string_view line : input.paths) {
      std::wstring path = L"/";
      if (!line.empty() && line.front() == '~') {
        line.remove_prefix(1);
        path.clear();
      }
      path += quorvel::text::bytes_to_wide(line);
      compare(rules, path);
    }
  } catch (const std::exception&) {
    // A rule file that does not compile has nothing to match.
  }
  return 0;
}
