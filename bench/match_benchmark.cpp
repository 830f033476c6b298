// Matching relative paths against one rule file: through the index, and by
// the plain loop that runs every rule with std::regex_match.

#include <benchmark/benchmark.h>
#include <string>

#include "bench/bench_support.h"
#include "quorvel/filesystem/gitignore.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"

namespace quorvel::bench {
namespace {

using filesystem::finder_item;
using filesystem::gitignore;

const gitignore& sample_rules() {
  static const gitignore rules = [] {
    std::string text;
    for (const std::string& line : sample_rule_lines()) {
      text += line + "\n";
    }
    return gitignore(write_scratch_file("match/.gitignore", text));
  }();
  return rules;
}

template <bool reference>
void match_paths(benchmark::State& state) {
  const gitignore& rules = sample_rules();
  finder_item entry{std::filesystem::path()};
  entry.attributes = platform::attribute_normal;
  std::wstring rule;
  std::wstring rule_regex;
  std::size_t ignored = 0;
  for (auto _ : state) {
    for (const std::wstring& path : sample_paths()) {
      const bool verdict = reference ? rules.match_reference(entry, path, rule, rule_regex)
                                     : rules.match(entry, path, rule, rule_regex);
      ignored += verdict ? 1 : 0;
    }
  }
  benchmark::DoNotOptimize(ignored);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sample_paths().size()));
  state.counters["rules"] = static_cast<double>(rules.compiled_rules().size());
}

void BM_Match(benchmark::State& state) {
  match_paths<false>(state);
}
BENCHMARK(BM_Match);

void BM_MatchReference(benchmark::State& state) {
  match_paths<true>(state);
}
BENCHMARK(BM_MatchReference);

// Compiling the file: reading, translating, std::wregex and the index.
void BM_CompileRuleFile(benchmark::State& state) {
  sample_rules();
  const std::filesystem::path file = scratch_folder() / "match" / ".gitignore";
  for (auto _ : state) {
    const gitignore rules(file);
    benchmark::DoNotOptimize(rules.compiled_rules().data());
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(sample_rule_lines().size()));
}
BENCHMARK(BM_CompileRuleFile);

}  // namespace
}  // namespace quorvel::bench
