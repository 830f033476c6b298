// Decoding a git listing's worth of UTF-8, mostly ASCII paths with some
// accented names, as the listing and the rule files are decoded.

#include <benchmark/benchmark.h>
#include <string>

#include "quorvel/text/utf8.h"

namespace quorvel::bench {
namespace {

std::string listing_text(std::size_t lines) {
  std::string text = "Ignored files:\n  (use \"git add -f <file>...\" to include)\n";
  for (std::size_t i = 0; i < lines; ++i) {
    text += "\tdrivers/net/ethernet/intel/e1000e/netdev" + std::to_string(i) +
            (i % 16 == 0 ? "-\xc3\xa9t\xc3\xa9" : "") + ".o\n";
  }
  return text;
}

void BM_Utf8ToWide(benchmark::State& state) {
  const std::string bytes = listing_text(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const std::wstring text = text::utf8_to_wide(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Utf8ToWide)->Arg(1000)->Arg(100000);

void BM_WideToBytes(benchmark::State& state) {
  const std::wstring text = text::utf8_to_wide(listing_text(1000));
  for (auto _ : state) {
    const std::string bytes = text::wide_to_bytes(text);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_WideToBytes);

}  // namespace
}  // namespace quorvel::bench
