// Helpers shared by the tests, the fuzz targets and the benchmarks: one
// temporary folder, one snapshot of a folder, and one fixed clock. Free of
// GoogleTest, so that the fuzz targets and the benchmarks can link it too.
// Files are read with qmr::ReadWholeFile (tools/FileReading.h) and written
// with qmr::samples::WriteBytes (samples/SampleTrends.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "trends/Banner.h"

namespace qmr::testsupport {

using Bytes = std::vector<unsigned char>;

// A fresh folder named `prefix` and a random number, removed with all it
// holds when the object goes: permissions a test took away are given back
// first, links are removed, never followed. Its path is the resolved one,
// as the code under test reports folders resolved.
class TempFolder {
 public:
  // Temporary: under the system's temporary folder. Memory: on a memory
  // file system where there is one with a GiB to spare (/dev/shm), where
  // creating files is cheap and flushing them to disk costs nothing;
  // elsewhere the same as Temporary.
  enum class Place { Temporary, Memory };

  explicit TempFolder(const std::string& prefix = "qmr-test-", Place place = Place::Temporary);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }
  const std::filesystem::path& fsPath() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` to the file `name` in the folder, replacing it; returns
  // its path. Throws std::runtime_error when it cannot be written.
  std::string write(const std::string& name, const Bytes& bytes) const;
  std::string write(const std::string& name, std::string_view bytes) const;

  // Removes everything the folder holds; the folder stays.
  void Empty() const;

 private:
  std::filesystem::path path_;
};

// One entry of a folder as it stands, links not followed and pipes not
// opened: its kind, where a link points, and the size and FNV-1a hash of a
// regular file's bytes.
struct EntryState {
  std::filesystem::file_type type = std::filesystem::file_type::none;
  std::string linkTarget;
  std::uintmax_t size = 0;
  std::uint64_t hash = 0;
  friend bool operator==(const EntryState&, const EntryState&) = default;
};
// "regular file, 1520 bytes, hash 0x..." (GoogleTest prints with it).
std::ostream& operator<<(std::ostream& out, const EntryState& entry);

// Every entry below a folder, by its path relative to the folder.
using FolderState = std::map<std::string, EntryState>;
FolderState Snapshot(const std::string& folder);

// The calendar time with the given fields (month 1..12, weekday 0 = Sunday).
std::tm MakeTime(int year, int month, int day, int hour, int minute, int second, int weekday);

// The clock the tests, fuzz targets and fuzz seeds run with, and how a
// master's banner shows it.
inline std::tm FixedClockTime() { return MakeTime(2007, 3, 6, 9, 5, 3, 2); }
inline constexpr std::string_view kFixedClockText = "Tue Mar 06 09:05:03 2007";

// Sets the program's local time to FixedClockTime() (or what Set gives) for
// the object's lifetime; the clock before it is restored afterwards.
class FixedClock {
 public:
  FixedClock();
  ~FixedClock();
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;

  void Set(const std::tm& time) { time_ = time; }

 private:
  std::tm time_ = FixedClockTime();
  LocalTimeSource previous_;
};

}  // namespace qmr::testsupport
