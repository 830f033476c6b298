#include "quorvel/filesystem/regex/rule_index.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/filesystem/regex/rule_limits.h"
#include "quorvel/platform/file_info.h"
#include "quorvel/text/utf8.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

finder_item entry_of(bool is_directory) {
  finder_item entry{std::filesystem::path()};
  entry.attributes = is_directory ? platform::attribute_directory : platform::attribute_normal;
  return entry;
}

// Rule lines of the kinds that real rule files hold (build output, editor
// files, anchored paths, re-included names), with the unusual ones mixed in.
const std::vector<std::string> rule_lines = {
    "*.o",
    "*.o.*",
    "*.a",
    "*.so",
    "*.mod.c",
    "*.cmd",
    ".*.cmd",
    "*~",
    "\\#*#",
    ".*.sw?",
    "*.[ch]",
    "*-asn1.[ch]",
    "vmlinux*",
    "vmlinux.lds",
    "/vmlinux",
    "modules.order",
    "include/generated",
    "/include/config/",
    "/arch/*/include/generated/",
    "**/out",
    "*/out",
    "out/Release/",
    "node_modules/",
    "!node_modules/keep",
    "!*.xml",
    "!.gitignore",
    "a/**/b",
    "doc/**/*.md",
    "***/x",
    "?",
    "*",
    "*/",
    "/",
    "!/",
    "cscope.*",
    "tags",
    "[Bb]uild",
    "[!a]*",
    "a(b)c",
    "a{2}",
    "x+y",
    "foo/**",
    "!foo/bar",
    " sp",
    "tab\t",
    "\xc3\xa9*",
    "*.\xc3\x89",
    "\\!bang",
    "a!b",
    "a\\*",
    "[a/b]",
    "/extensions/libxt_*.c",
    "/extensions/matches?.man",
    "Module.symvers",
    "*.pyc",
    "build/",
    "/build",
    "b*ld/",
    "*.lds",
    "!keep*",
    "!/arch/arm/",
    "[a-c]?",
    "*.x[ml]l",
    "**/",
    "a/*/c",
    "\\ ",
    "*.\xf0\x9f\x98\x80",
    "!\\#*",
    ".git",
    "!.git",
};

// Path components for those rules to meet.
const std::vector<std::wstring> components = {
    L"a",
    L"b",
    L"c",
    L"build",
    L"Build",
    L"out",
    L"Release",
    L"vmlinux",
    L"vmlinux.lds",
    L"x.o",
    L"x.o.cmd",
    L".x.o.cmd",
    L"lib.a",
    L"main.c",
    L"main.h",
    L"node_modules",
    L"keep",
    L"keep.xml",
    L"include",
    L"generated",
    L"config",
    L"arch",
    L"arm",
    L"doc",
    L"api.md",
    L".gitignore",
    L"#tmp#",
    L".f.swp",
    L"cscope.out",
    L"tags",
    L"abc",
    L"aab",
    L"x+y",
    L"x",
    L"\u00e9.\u00c9",
    L" sp",
    L"tab\t",
    L"!bang",
    L"^bang",
    L"a!b",
    L"a*",
    L"extensions",
    L"libxt_tcp.c",
    L"matches4.man",
    L"foo",
    L"bar",
    L".git",
    L"Module.symvers",
    L"k.pyc",
    L"a.xml",
    L"a\nb",
    L"a\rb",
    L"a\u2028b",
    L"z\U0001F600",
    L"\U0001F600",
    L"bld",
    L" ",
};

// Half the time an entry of the folder of `previous`, as a walk asks them:
// the index keeps what it found in a folder part for the next path.
std::wstring random_path(std::mt19937& random, const std::wstring& previous) {
  const std::size_t folder_end = previous.rfind(L'/');
  if (random() % 2 == 0 && folder_end != std::wstring::npos) {
    return previous.substr(0, folder_end + 1) + components[random() % components.size()];
  }
  std::wstring path;
  const std::size_t depth = 1 + random() % 5;
  for (std::size_t i = 0; i < depth; ++i) {
    path += L'/';
    path += components[random() % components.size()];
  }
  // Now and then the form of a drive root's file: no leading "/".
  if (random() % 16 == 0) {
    path.erase(0, 1);
  }
  return path;
}

class RuleIndexTest : public testing::temp_folder_test {
 protected:
  std::filesystem::path rule_file(const std::string& bytes) { return file(".gitignore", bytes); }

  // A rule file of `count` lines picked from rule_lines.
  std::string random_rules(std::mt19937& random, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      text += rule_lines[random() % rule_lines.size()] + "\n";
    }
    return text;
  }
};

TEST_F(RuleIndexTest, FilesEachShapeUnderItsLiteral) {
  const struct {
    std::string line;
    index_route route;
  } rows[] = {
      {"/doc/api", index_route::start},    {"build", index_route::component},
      {"*.o", index_route::anywhere},      {"vmlinux*", index_route::component},
      {"/arch/*/x", index_route::start},   {"**/foo", index_route::anywhere},
      {"/*.c", index_route::anywhere},     {"*", index_route::component},
      {"?", index_route::always},          {"a(b)c", index_route::always},
      {"/", index_route::component},       {"*.[ch]", index_route::anywhere},
      {"[Bb]uild", index_route::anywhere}, {"[!a]*", index_route::always},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const gitignore compiled(rule_file(row.line + "\n"));
    const rule_index index(compiled.compiled_rules());
    EXPECT_EQ(index.route_of(0), row.route);
  }
}

TEST_F(RuleIndexTest, CandidatesHoldEveryMatchingRuleAndProofsAreTrue) {
  std::mt19937 random(20240601);
  std::vector<rule_candidate> candidates;
  std::vector<rule_candidate> fresh;
  for (int file_number = 0; file_number < 60; ++file_number) {
    std::string rules = random_rules(random, 1 + random() % 40);
    SCOPED_TRACE(rules);
    std::unique_ptr<gitignore> compiled;
    try {
      compiled = std::make_unique<gitignore>(rule_file(rules));
    } catch (const std::exception&) {
      continue;  // "a{2}" and its kind may not compile next to each other
    }
    const std::vector<ignore_rule>& all = compiled->compiled_rules();
    const rule_index index(all);
    std::wstring path;
    for (int path_number = 0; path_number < 200; ++path_number) {
      path = random_path(random, path);
      index.find_candidates(path, candidates);
      // An index of its own knows nothing of the paths before. Made for
      // every third path only: making one is most of this test's time.
      if (path_number % 3 == 0) {
        rule_index(all).find_candidates(path, fresh);
        ASSERT_EQ(candidates, fresh) << text::wide_to_bytes(path);
      }
      ASSERT_TRUE(std::is_sorted(
          candidates.begin(), candidates.end(),
          [](const rule_candidate& a, const rule_candidate& b) { return a.rule <= b.rule; }));
      for (std::uint32_t number = 0; number < all.size(); ++number) {
        const bool matches = std::regex_match(path, all[number].regex);
        const auto found = std::find_if(
            candidates.begin(), candidates.end(),
            [number](const rule_candidate& candidate) { return candidate.rule == number; });
        if (matches) {
          EXPECT_NE(found, candidates.end())
              << text::wide_to_bytes(all[number].regex_text) << " on " << text::wide_to_bytes(path);
        }
        if (found != candidates.end() && found->known_match) {
          EXPECT_TRUE(matches) << text::wide_to_bytes(all[number].regex_text) << " on "
                               << text::wide_to_bytes(path);
        }
        EXPECT_EQ(index.rule_matches(number, path, all[number].regex), matches);
      }
    }
  }
}

// What one call of match gave: the verdict and out-arguments, or the type
// of what it threw.
struct outcome {
  bool ignored = false;
  std::wstring rule;
  std::wstring rule_regex;
  std::string thrown;
  bool operator==(const outcome&) const = default;
};

void PrintTo(const outcome& result, std::ostream* out) {
  *out << (result.ignored ? "ignored <" : "kept <") << text::wide_to_bytes(result.rule) << "> /"
       << text::wide_to_bytes(result.rule_regex) << "/ " << result.thrown;
}

template <class Match>
outcome run(Match&& match) {
  outcome result;
  // Values the call must leave alone unless a rule decides.
  result.rule = L"\x01kept";
  result.rule_regex = L"\x02kept";
  try {
    result.ignored = match(result.rule, result.rule_regex);
  } catch (const std::exception& failure) {
    result.thrown = typeid(failure).name();
  }
  return result;
}

TEST_F(RuleIndexTest, MatchGivesWhatTheReferenceLoopGives) {
  std::mt19937 random(7);
  std::vector<std::wstring> paths = {L"/.git", L"/sub/.git", L"", L"/", L"//", L"/a/"};
  paths.push_back(L"/" + std::wstring(max_match_path, L'a'));
  paths.push_back(std::wstring(max_match_path + 1, L'a'));
  for (int file_number = 0; file_number < 80; ++file_number) {
    const std::string rules = random_rules(random, 1 + random() % 60);
    SCOPED_TRACE(rules);
    std::unique_ptr<gitignore> compiled;
    try {
      compiled = std::make_unique<gitignore>(rule_file(rules));
    } catch (const std::exception&) {
      continue;
    }
    std::wstring path;
    for (int path_number = 0; path_number < 300; ++path_number) {
      path = path_number < static_cast<int>(paths.size()) ? paths[path_number]
                                                          : random_path(random, path);
      for (const bool is_directory : {false, true}) {
        const finder_item entry = entry_of(is_directory);
        const outcome fast = run([&](std::wstring& rule, std::wstring& rule_regex) {
          return compiled->match(entry, path, rule, rule_regex);
        });
        const outcome reference = run([&](std::wstring& rule, std::wstring& rule_regex) {
          return compiled->match_reference(entry, path, rule, rule_regex);
        });
        ASSERT_EQ(fast, reference)
            << text::wide_to_bytes(path.substr(0, 200)) << (is_directory ? " (folder)" : "");
      }
    }
  }
}

}  // namespace
}  // namespace quorvel::filesystem
