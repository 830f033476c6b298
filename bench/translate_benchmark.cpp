// Translating glob patterns into expression text.

#include <benchmark/benchmark.h>
#include <string>

#include "bench/bench_support.h"
#include "quorvel/filesystem/regex/translate.h"
#include "quorvel/text/utf8.h"

namespace quorvel::bench {
namespace {

void BM_TranslatePattern(benchmark::State& state) {
  std::vector<std::wstring> patterns;
  for (const std::string& line : sample_rule_lines()) {
    patterns.push_back(text::utf8_to_wide(line));
  }
  for (auto _ : state) {
    for (const std::wstring& pattern : patterns) {
      std::wstring text = pattern;
      filesystem::translate_pattern(text);
      benchmark::DoNotOptimize(text.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(patterns.size()));
}
BENCHMARK(BM_TranslatePattern);

}  // namespace
}  // namespace quorvel::bench
