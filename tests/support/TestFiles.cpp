#include "tests/support/TestFiles.h"

#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace qmr::testsupport {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& prefix) {
  const fs::path base = fs::temp_directory_path();
  std::random_device random;
  do {
    path_ = base / (prefix + std::to_string(random()) + std::to_string(random()));
  } while (!fs::create_directory(path_));
  // Code under test reports folders resolved; name this one the same way.
  path_ = fs::canonical(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Give back any permissions a test took away, so that removal works.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (const auto& entry : fs::recursive_directory_iterator(path_, ignored))
    if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

bool ReadFileBytes(const std::string& path, Bytes& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in.good()) {
    bytes.clear();
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::tm MakeTime(int year, int month, int day, int hour, int minute, int second, int weekday) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  time.tm_wday = weekday;
  return time;
}

std::size_t DataHeaderSize(std::int16_t version) {
  switch (version) {
    case 1: case 2: case 3: return 224;
    case 4: return 288;
    case 5: return 272;
    case 6: return 304;
    default: return 0;
  }
}

std::size_t MasterEntrySize(std::int16_t version) {
  switch (version) {
    case 1: case 2: case 3: return 240;
    case 4: return 432;
    case 5: return 288;
    case 6: return 448;
    default: return 0;
  }
}

}  // namespace qmr::testsupport
