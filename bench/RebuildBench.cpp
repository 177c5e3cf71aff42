// The whole rebuild of version 6 trends of 100, 1000, 10000 and 32767 data
// files with rising keys, beside its floor: the same files opened relative
// to their folder without following a link, asked for their kind, read for
// their header and closed, and a file of the master's size written
// with the master's durability (temporary file, flush to disk, rename, folder
// flush). Both run on a warm page cache. scripts/bench.sh divides the one by
// the other.
//
// The trends are generated once into $QMR_BENCH_DIR (default: a folder under
// the system's temporary folder, removed at exit) and reused when complete,
// so that scripts/bench.sh can also time `qmr rebuild` on the largest one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"
#include "tools/FileReading.h"
#include "trends/Rebuild.h"
#include "trends/RebuildEvents.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderBytes = 304;  // the version 6 header
constexpr std::size_t kMasterHeader = 176;
constexpr std::size_t kEntryV6 = 448;

// Where the generated trends live: $QMR_BENCH_DIR when the caller chose it
// (kept), else a temporary folder removed at exit.
fs::path Root() {
  static const fs::path root = [] {
    if (const char* chosen = std::getenv("QMR_BENCH_DIR"); chosen != nullptr && *chosen != '\0') {
      fs::create_directories(chosen);
      return fs::absolute(chosen);
    }
    static const qmr::testsupport::TempFolder temporary("qmr-bench-");
    return temporary.fsPath();
  }();
  return root;
}

// The folder of the trend of `count` files, generated on first use, its
// files then read once so that every timed run finds them in the page cache.
fs::path Trend(int count) {
  static std::map<int, fs::path> made;
  if (const auto found = made.find(count); found != made.end()) return found->second;
  const fs::path folder = Root() / ("files" + std::to_string(count));
  const fs::path complete = folder / "complete";
  if (!fs::exists(complete)) {
    fs::create_directories(folder);
    qmr::samples::WriteTrend(folder.string(), "T", qmr::samples::RisingTrend(6, "Benchmark trend", count));
    std::ofstream(complete) << count << "\n";
  }
  for (int number = 0; number < count; ++number)
    (void)qmr::ReadWholeFile((folder / qmr::samples::DataFileName("T", number)).string());
  made[count] = folder;
  return folder;
}

void BM_Rebuild(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string first = (Trend(count) / "T.000").string();
  qmr::RebuildEvents silent;
  for (auto _ : state) {
    const qmr::TrendMaster master = qmr::RebuildTrend(first, silent);
    if (master.fileCount != count) state.SkipWithError("the rebuild did not find every file");
    benchmark::DoNotOptimize(master.bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["files"] = count;
}

#ifndef _WIN32

[[noreturn]] void Fail(const std::string& what, const fs::path& path) {
  throw std::runtime_error(what + " failed for " + path.string());
}

// Writes `size` bytes the way the master is written: a new temporary file in
// the same folder, flushed to disk, renamed over the old file, folder flushed.
void DurableWrite(const fs::path& path, const std::vector<unsigned char>& bytes) {
  const fs::path temporary = path.parent_path() / "~floor.tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) Fail("open", temporary);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const std::size_t chunk = bytes.size() - written < 65536 ? bytes.size() - written : 65536;
    const ssize_t done = ::write(fd, bytes.data() + written, chunk);
    if (done <= 0) Fail("write", temporary);
    written += static_cast<std::size_t>(done);
  }
  if (::fsync(fd) != 0) Fail("fsync", temporary);
  if (::close(fd) != 0) Fail("close", temporary);
  if (::rename(temporary.c_str(), path.c_str()) != 0) Fail("rename", path);
  const int folder = ::open(path.parent_path().c_str(), O_RDONLY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
}

void BM_Floor(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path folder = Trend(count);
  std::vector<std::string> names;
  for (int number = 0; number < count; ++number) names.push_back(qmr::samples::DataFileName("T", number));
  // The master's bytes are made before timing: the floor is only the I/O.
  const std::vector<unsigned char> master(kMasterHeader + static_cast<std::size_t>(count) * kEntryV6, 0x5A);
  const fs::path floorMaster = folder / "floor.qmr";
  unsigned char header[kHeaderBytes];

  for (auto _ : state) {
    // As a rebuild that no swapped link can lead astray: the folder held
    // open, each file opened relative to it without following a link,
    // asked for its kind, read and closed.
    const int open = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (open < 0) Fail("open", folder);
    for (const std::string& name : names) {
      const int fd = ::openat(open, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) Fail("open", folder / name);
      struct stat info {};
      if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) Fail("fstat", folder / name);
      if (::read(fd, header, sizeof header) != static_cast<ssize_t>(sizeof header)) Fail("read", folder / name);
      ::close(fd);
      benchmark::DoNotOptimize(header);
    }
    ::close(open);
    DurableWrite(floorMaster, master);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["files"] = count;
}

#endif

// Each size's rebuild right beside its floor, so that both see the same
// load on the machine.
void Configure(benchmark::internal::Benchmark* benchmark, int count) {
  benchmark->Arg(count)->Unit(benchmark::kMillisecond)->UseRealTime();
  // The median of five runs: the machine may be shared.
  benchmark->Repetitions(5)->ReportAggregatesOnly(true);
}

[[maybe_unused]] const bool registered = [] {
  for (const int count : {100, 1000, 10000, 32767}) {
    Configure(benchmark::RegisterBenchmark("BM_Rebuild", BM_Rebuild), count);
#ifndef _WIN32
    Configure(benchmark::RegisterBenchmark("BM_Floor", BM_Floor), count);
#endif
  }
  return true;
}();

}  // namespace
