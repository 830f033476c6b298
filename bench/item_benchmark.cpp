// Building the record of each entry of a listed folder: as the walk does
// (the listing's cached type, one query made in the open folder), as the
// runner's walk does (no times: the listing's type alone), and from the path
// alone (normalising it, a status query and an attribute query).

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "quorvel/filesystem/item.h"
#include "quorvel/platform/file_info.h"

namespace quorvel::bench {
namespace {

const std::filesystem::path& sample_folder() {
  static const std::filesystem::path folder = [] {
    for (int i = 0; i < 1000; ++i) {
      write_scratch_file("items/deep/folder/of/sources/file" + std::to_string(i) + ".c", "");
    }
    return scratch_folder() / "items" / "deep" / "folder" / "of" / "sources";
  }();
  return folder;
}

void record_from_listing(benchmark::State& state, filesystem::item_times times) {
  const std::filesystem::path& folder = sample_folder();
  std::size_t count = 0;
  for (auto _ : state) {
    const platform::folder_queries queries(folder);
    for (const auto& listed : std::filesystem::directory_iterator(folder)) {
      const filesystem::finder_item record(listed, queries, times);
      benchmark::DoNotOptimize(record.attributes);
      ++count;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
}

void BM_RecordFromListing(benchmark::State& state) {
  record_from_listing(state, filesystem::item_times::read);
}
BENCHMARK(BM_RecordFromListing);

void BM_RecordFromListingWithoutTimes(benchmark::State& state) {
  record_from_listing(state, filesystem::item_times::skip);
}
BENCHMARK(BM_RecordFromListingWithoutTimes);

void BM_RecordFromPath(benchmark::State& state) {
  const std::filesystem::path& folder = sample_folder();
  std::size_t count = 0;
  for (auto _ : state) {
    for (const auto& listed : std::filesystem::directory_iterator(folder)) {
      const filesystem::finder_item record(listed.path());
      benchmark::DoNotOptimize(record.attributes);
      ++count;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
}
BENCHMARK(BM_RecordFromPath);

}  // namespace
}  // namespace quorvel::bench
