// Helpers shared by the tests, the fuzz targets and the benchmarks: a
// temporary folder, whole-file reads, a fixed clock value and the sizes the
// format tables give. Free of GoogleTest, so that the fuzz targets and the
// benchmarks can link it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace qmr::testsupport {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, named `prefix` and a
// random number, removed with all it holds (permissions a test took away
// given back first) when the object goes. Its path is the resolved one.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "qmr-test-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole file at `path` into `bytes`; false when it cannot be opened.
bool ReadFileBytes(const std::string& path, Bytes& bytes);

// The calendar time with the given fields (month 1..12, weekday 0 = Sunday).
std::tm MakeTime(int year, int month, int day, int hour, int minute, int second, int weekday);

// Tue Mar 06 09:05:03 2007: the clock the tests and fuzz targets run with.
inline std::tm FixedClockTime() { return MakeTime(2007, 3, 6, 9, 5, 3, 2); }

// Header size of the data file family a version word chooses, and entry size
// of the master family it chooses; 0 for a version that is no trend.
std::size_t DataHeaderSize(std::int16_t version);
std::size_t MasterEntrySize(std::int16_t version);

}  // namespace qmr::testsupport
