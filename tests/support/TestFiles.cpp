#include "tests/support/TestFiles.h"

#include <cstdio>
#include <ostream>
#include <random>
#include <system_error>

#include "samples/SampleTrends.h"
#include "tools/FileReading.h"

namespace qmr::testsupport {

namespace fs = std::filesystem;

namespace {

fs::path BaseOf(TempFolder::Place place) {
  // Room for the largest trend's 32768 files of a page each, and more: a
  // container's memory file system may be far smaller.
  constexpr std::uintmax_t kRoomNeeded = std::uintmax_t{1} << 30;
  std::error_code error;
  if (place == TempFolder::Place::Memory && fs::is_directory("/dev/shm", error) &&
      fs::space("/dev/shm", error).available >= kRoomNeeded && !error)
    return "/dev/shm";
  return fs::temp_directory_path();
}

// Removes everything below `folder` without following a link and without
// throwing, whatever odd entries a test left there (a link loop, a pipe, a
// folder without permissions, which are given back first).
void RemoveContents(const fs::path& folder) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  for (const fs::path& entry : entries) {
    const fs::file_type type = fs::symlink_status(entry, error).type();
    // Windows refuses to delete a read-only file; adding the owner's write
    // permission clears that attribute there.
    if (type != fs::file_type::symlink) fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, error);
    if (type == fs::file_type::directory) RemoveContents(entry);
    fs::remove(entry, error);
  }
}

// Walks by hand rather than with recursive_directory_iterator, which asks
// for the status behind every link and gives up at a link loop.
void Walk(const fs::path& root, const fs::path& folder, FolderState& state) {
  for (const auto& item : fs::directory_iterator(folder)) {
    EntryState entry;
    entry.type = fs::symlink_status(item.path()).type();
    if (entry.type == fs::file_type::symlink) {
      entry.linkTarget = fs::read_symlink(item.path()).string();
    } else if (entry.type == fs::file_type::regular) {
      std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
      const Bytes bytes = ReadWholeFile(item.path().string());
      for (const unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 1099511628211ULL;
      }
      entry.size = bytes.size();
      entry.hash = hash;
    }
    state[item.path().lexically_relative(root).string()] = entry;
    if (entry.type == fs::file_type::directory) Walk(root, item.path(), state);
  }
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix, Place place) {
  const fs::path base = BaseOf(place);
  // A short name, so that the tests near the path limits of the format
  // keep room for their own; a name taken is simply drawn again.
  std::random_device random;
  char digits[9];
  do {
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
    path_ = base / (prefix + digits);
  } while (!fs::create_directory(path_));
  path_ = fs::canonical(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  RemoveContents(path_);
  fs::remove(path_, ignored);
}

std::string TempFolder::write(const std::string& name, const Bytes& bytes) const {
  const std::string file = *this / name;
  samples::WriteBytes(file, bytes);
  return file;
}

std::string TempFolder::write(const std::string& name, std::string_view bytes) const {
  return write(name, Bytes(bytes.begin(), bytes.end()));
}

void TempFolder::Empty() const { RemoveContents(path_); }

std::ostream& operator<<(std::ostream& out, const EntryState& entry) {
  switch (entry.type) {
    case fs::file_type::regular: return out << "regular file, " << entry.size << " bytes, hash " << entry.hash;
    case fs::file_type::symlink: return out << "link to '" << entry.linkTarget << "'";
    case fs::file_type::directory: return out << "folder";
    case fs::file_type::fifo: return out << "named pipe";
    default: return out << "entry of kind " << static_cast<int>(entry.type);
  }
}

FolderState Snapshot(const std::string& folder) {
  FolderState state;
  Walk(folder, folder, state);
  return state;
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

FixedClock::FixedClock() : previous_(SetLocalTimeSource([this] { return time_; })) {}

FixedClock::~FixedClock() { SetLocalTimeSource(previous_); }

}  // namespace qmr::testsupport
