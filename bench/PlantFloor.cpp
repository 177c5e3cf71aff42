// The least any scan, check or rebuild of a plant tree must do, the safe way
// and with nothing of the program in it: the yardstick `make bench` measures
// `qmr` against. Every file is opened relative to its folder's descriptor
// without following a link, asked for its kind (fstat), read and closed, as
// a rebuild that no swapped link can lead astray must do.
//
//   plant_floor scan ROOT...      walk the folders (each opened relative to
//                                 its parent, never through a link), and
//                                 for every NAME.000: the data files as
//                                 below, then one read of NAME.qmr
//   plant_floor check FIRST...    for each trend (its NAME.000): its data
//                                 files, then NAME.qmr read once
//   plant_floor rebuild FIRST...  for each trend: its data files, then the
//                                 header of the master in place (opened,
//                                 fstat, one read of 176 bytes, closed: a
//                                 rebuild that never writes a master with
//                                 fewer entries over one must know what it
//                                 replaces), then a master-sized file (176 +
//                                 448 bytes per data file) written beside
//                                 it, flushed to disk and renamed over
//                                 NAME.qmr; each folder flushed once, at the
//                                 end
//
// A trend's data files: openat NAME.000, NAME.001, ... until one is missing,
// each fstat, one read of the longest header, close. No parsing, no sorting,
// no checks beyond what the calls need. Prints the data files read.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLongestHeader = 304;
constexpr std::size_t kEntry = 448;
constexpr std::size_t kHeader = 176;

long filesRead = 0;

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "plant_floor: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  std::exit(1);
}

int OpenFolder(const std::string& path) {
  const int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  return fd;
}

// Reads every data file of the trend `base` (NAME) in the folder `folder`;
// returns how many there were.
int ReadDataFiles(int folder, const std::string& base) {
  unsigned char header[kLongestHeader];
  int number = 0;
  for (;; ++number) {
    char name[512];
    std::snprintf(name, sizeof name, "%s.%03d", base.c_str(), number);
    const int fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) break;
      Fail("open", name);
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) Fail("fstat", name);
    if (!S_ISREG(info.st_mode)) {
      close(fd);
      break;
    }
    if (read(fd, header, sizeof header) < 0) Fail("read", name);
    close(fd);
    ++filesRead;
  }
  return number;
}

void ReadMaster(int folder, const std::string& base) {
  const int fd = openat(folder, (base + ".qmr").c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;  // a missing master is read as quickly
  struct stat info {};
  if (fstat(fd, &info) != 0) Fail("fstat", base + ".qmr");
  static std::vector<unsigned char> buffer(1 << 16);
  while (read(fd, buffer.data(), buffer.size()) > 0) {
  }
  close(fd);
}

// The header and size of the master a rebuild would replace.
void ReadMasterHeader(int folder, const std::string& base) {
  const int fd = openat(folder, (base + ".qmr").c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;  // a missing master is read as quickly
  struct stat info {};
  if (fstat(fd, &info) != 0) Fail("fstat", base + ".qmr");
  unsigned char header[kHeader];
  if (read(fd, header, sizeof header) < 0) Fail("read", base + ".qmr");
  close(fd);
}

void WriteMaster(int folder, const std::string& base, int files) {
  // One chunk written over and over: the floor makes no master, and fresh
  // memory for one would cost it more than the writing.
  static const std::vector<unsigned char> chunk(1 << 16, 0x5a);
  const std::size_t size = kHeader + kEntry * static_cast<std::size_t>(files);
  const std::string temporary = base + ".floor";
  const int fd = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) Fail("open", temporary);
  for (std::size_t written = 0; written < size;) {
    const ssize_t done = write(fd, chunk.data(), std::min(size - written, chunk.size()));
    if (done <= 0) Fail("write", temporary);
    written += static_cast<std::size_t>(done);
  }
  if (fsync(fd) != 0) Fail("fsync", temporary);
  close(fd);
  if (renameat(folder, temporary.c_str(), folder, (base + ".qmr").c_str()) != 0) Fail("rename", base);
}

bool EndsWith000(const char* name) {
  const std::size_t length = std::strlen(name);
  return length > 4 && std::strcmp(name + length - 4, ".000") == 0;
}

void Walk(int folder, const std::string& path) {
  const int listing = dup(folder);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (dir == nullptr) Fail("list", path);
  std::vector<std::string> trends;
  std::vector<std::string> folders;
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (entry->d_type == DT_DIR) folders.emplace_back(entry->d_name);
    if (entry->d_type == DT_REG && EndsWith000(entry->d_name))
      trends.emplace_back(entry->d_name, std::strlen(entry->d_name) - 4);
  }
  closedir(dir);
  for (const std::string& base : trends) {
    ReadDataFiles(folder, base);
    ReadMaster(folder, base);
  }
  for (const std::string& name : folders) {
    const int below = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (below < 0) continue;
    Walk(below, path + "/" + name);
    close(below);
  }
}

std::string FolderOf(const std::string& first) {
  const std::size_t slash = first.rfind('/');
  return slash == std::string::npos ? std::string() : first.substr(0, slash);
}

std::string BaseOf(const std::string& first) {
  const std::size_t slash = first.rfind('/');
  const std::string name = slash == std::string::npos ? first : first.substr(slash + 1);
  return name.substr(0, name.size() - 4);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 3 ? argv[1] : "";
  if (mode != "scan" && mode != "check" && mode != "rebuild") {
    std::fprintf(stderr, "usage: plant_floor scan ROOT... | plant_floor check|rebuild NAME.000...\n");
    return 2;
  }
  std::map<std::string, int> folders;  // each opened once
  std::set<std::string> written;       // folders to flush
  for (int i = 2; i < argc; ++i) {
    const std::string operand = argv[i];
    if (mode == "scan") {
      const int root = OpenFolder(operand);
      Walk(root, operand);
      close(root);
      continue;
    }
    const std::string path = FolderOf(operand);
    auto found = folders.find(path);
    if (found == folders.end()) found = folders.emplace(path, OpenFolder(path)).first;
    const int files = ReadDataFiles(found->second, BaseOf(operand));
    if (mode == "check") {
      ReadMaster(found->second, BaseOf(operand));
    } else {
      ReadMasterHeader(found->second, BaseOf(operand));
      WriteMaster(found->second, BaseOf(operand), files);
      written.insert(path);
    }
  }
  for (const auto& [path, folder] : folders) {
    if (written.count(path) != 0 && fsync(folder) != 0) Fail("fsync", path);
    close(folder);
  }
  std::printf("%ld data files\n", filesRead);
  return 0;
}
