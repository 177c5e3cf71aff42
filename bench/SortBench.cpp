// The key column sort on the rebuild's largest table: 32767 rows whose
// currency keys rise with the file number, sorted descending, which makes
// every row travel to the front. A straight insertion sort of the same table
// is timed beside it for comparison; it is quadratic, so it runs only once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "samples/SampleTrends.h"
#include "tools/Sort.h"

namespace {

// Rows 0.. and columns 1 and 2, filled as the rebuild fills them.
qmr::KeyTable RisingCurrencyTable(int rows) {
  const auto files = qmr::samples::RisingTrend(6, "Bench", rows);
  qmr::KeyTable table(0, rows - 1, 1, 2);
  for (int row = 0; row < rows; ++row) {
    table.at(row, 1) = qmr::Cell::Money(files[static_cast<std::size_t>(row)].orderKey);
    table.at(row, 2) = qmr::Cell::Int16(static_cast<std::int16_t>(row));
  }
  return table;
}

int Ordinal(const std::string& a, const std::string& b) {
  const int r = a.compare(b);  // char_traits<char> compares as unsigned char
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Rows moved one position at a time, the placed row stored back as text.
void InsertionSort(qmr::KeyTable& table, std::int32_t order) {
  const int lo = table.rowLower();
  const int k = table.columnLower();
  for (int i = lo + 1; i <= table.rowUpper(); ++i) {
    const std::string key = table.at(i, k).ToText();
    const std::string companion = table.at(i, k + 1).ToText();
    int j = i - 1;
    while (j >= lo) {
      const int r = Ordinal(key, table.at(j, k).ToText());
      if (r == order || r == 0) break;
      table.at(j + 1, k) = table.at(j, k);
      table.at(j + 1, k + 1) = table.at(j, k + 1);
      --j;
    }
    table.at(j + 1, k) = qmr::Cell::Text(key);
    table.at(j + 1, k + 1) = qmr::Cell::Text(companion);
  }
}

void BM_SortKeyTable(benchmark::State& state) {
  const qmr::KeyTable original = RisingCurrencyTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    qmr::KeyTable table = original;
    state.ResumeTiming();
    qmr::SortKeyTable(table, -1);
    benchmark::DoNotOptimize(table);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortKeyTable)->Arg(1024)->Arg(4096)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_InsertionSortForComparison(benchmark::State& state) {
  const qmr::KeyTable original = RisingCurrencyTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    qmr::KeyTable table = original;
    state.ResumeTiming();
    InsertionSort(table, -1);
    benchmark::DoNotOptimize(table);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InsertionSortForComparison)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertionSortForComparison)->Arg(32767)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
