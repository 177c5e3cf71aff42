// The key order on the rebuild's largest master: 32767 entries whose
// currency keys rise with the file number, ordered descending, which makes
// every entry travel to the front. A straight insertion sort of the same
// keys is timed beside it for comparison; it is quadratic, so it runs only
// once at full size.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/InsertionSort.h"
#include "tools/Sort.h"

namespace {

// The key texts as the rebuild takes them from the data files.
std::vector<std::string> RisingCurrencyKeys(int count) {
  const auto files = qmr::samples::RisingTrend(6, "Bench", count);
  std::vector<std::string> keys;
  keys.reserve(files.size());
  for (const auto& file : files) keys.push_back(qmr::CurrencyText(file.orderKey));
  return keys;
}

void BM_KeyOrder(benchmark::State& state) {
  const std::vector<std::string> keys = RisingCurrencyKeys(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(qmr::KeyOrder(keys, -1));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeyOrder)->Arg(1024)->Arg(4096)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_InsertionSortForComparison(benchmark::State& state) {
  const std::vector<std::string> keys = RisingCurrencyKeys(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(qmr::testsupport::InsertionSortOrder(keys, -1));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InsertionSortForComparison)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertionSortForComparison)->Arg(32767)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
