// The least any scan or rebuild of a plant tree must do, with nothing of the
// program in it: the yardstick `make bench` measures `qmr scan` and
// `qmr rebuild` against.
//
//   plant_floor scan ROOT...      walk the folders (readdir), and for every
//                                 NAME.000: for each data file the existence
//                                 check, open, read of the header, close;
//                                 then a read of NAME.qmr
//   plant_floor rebuild FIRST...  for each trend (its NAME.000): the data
//                                 files as above, then a master-sized file
//                                 (176 + 448 bytes per data file) written
//                                 beside it, flushed to disk and renamed
//                                 over NAME.qmr
//
// No parsing, no sorting, no checks beyond what the calls need. Prints the
// data files read.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

std::string Numbered(const std::string& base, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, ".%03d", number);
  return base + digits;
}

// Reads every data file of the trend whose first file is `first`; returns
// how many there were.
int ReadDataFiles(const std::string& first) {
  const std::string base = first.substr(0, first.size() - 4);
  unsigned char header[kLongestHeader];
  int number = 0;
  for (;; ++number) {
    const std::string path = Numbered(base, number);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) break;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("open", path);
    if (read(fd, header, sizeof header) < 0) Fail("read", path);
    close(fd);
    ++filesRead;
  }
  return number;
}

void ReadMaster(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;  // a missing master is read as quickly
  static std::vector<unsigned char> buffer(1 << 16);
  while (read(fd, buffer.data(), buffer.size()) > 0) {
  }
  close(fd);
}

void WriteMaster(const std::string& path, int files) {
  static std::vector<unsigned char> bytes;
  bytes.assign(kHeader + kEntry * static_cast<std::size_t>(files), 0x5a);
  const std::string temporary = path + ".floor";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) Fail("open", temporary);
  for (std::size_t written = 0; written < bytes.size();) {
    const ssize_t done = write(fd, bytes.data() + written, std::min<std::size_t>(bytes.size() - written, 1 << 16));
    if (done <= 0) Fail("write", temporary);
    written += static_cast<std::size_t>(done);
  }
  if (fsync(fd) != 0) Fail("fsync", temporary);
  close(fd);
  if (rename(temporary.c_str(), path.c_str()) != 0) Fail("rename", path);
}

void Walk(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> trends;
  std::vector<std::string> folders;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (entry->d_type == DT_DIR) folders.push_back(folder + "/" + name);
    if (entry->d_type == DT_REG && name.size() > 4 && name.compare(name.size() - 4, 4, ".000") == 0)
      trends.push_back(folder + "/" + name);
  }
  closedir(dir);
  for (const std::string& first : trends) {
    ReadDataFiles(first);
    ReadMaster(first.substr(0, first.size() - 4) + ".qmr");
  }
  for (const std::string& sub : folders) Walk(sub);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "scan") != 0 && std::strcmp(argv[1], "rebuild") != 0)) {
    std::fprintf(stderr, "usage: plant_floor scan ROOT... | plant_floor rebuild NAME.000...\n");
    return 2;
  }
  const bool rebuild = std::strcmp(argv[1], "rebuild") == 0;
  for (int i = 2; i < argc; ++i) {
    if (!rebuild) {
      Walk(argv[i]);
      continue;
    }
    const std::string first = argv[i];
    WriteMaster(first.substr(0, first.size() - 4) + ".qmr", ReadDataFiles(first));
  }
  std::printf("%ld data files\n", filesRead);
  return 0;
}
