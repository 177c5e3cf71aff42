#include "definitions/DataFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tools/Errors.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qmr {

namespace {

template <typename Header>
void Take(DataFileHeader& result, std::span<const unsigned char> bytes) {
  if (bytes.size() < sizeof(Header)) return;  // too short: not a trend data file
  Header header;
  std::memcpy(&header, bytes.data(), sizeof(Header));
  result.header = header;
  result.complete = true;
}

#ifdef _WIN32
struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
#endif

}  // namespace

DataFileHeader DecodeDataFileHeader(std::span<const unsigned char> bytes) noexcept {
  DataFileHeader result;
  if (bytes.size() < kCommonHeaderSize) return result;

  I16 word;
  std::memcpy(word.raw, bytes.data() + kVersionOffset, sizeof(word.raw));
  result.hasVersion = true;
  result.version = word.get();
  result.family = FamilyOf(result.version);

  switch (result.family) {
    case Family::V1to3: Take<DataHeaderV1to3>(result, bytes); break;
    case Family::V4: Take<DataHeaderV4>(result, bytes); break;
    case Family::V5: Take<DataHeaderV5>(result, bytes); break;
    case Family::V6: Take<DataHeaderV6>(result, bytes); break;
    case Family::None: break;
  }
  return result;
}

DataFileHeader ReadDataFileHeader(const std::string& path) {
  // The system would silently open the file named by the text before the NUL.
  if (path.find('\0') != std::string::npos)
    throw Error(ErrorCode::BadFileName, std::string(DefaultDescription(ErrorCode::BadFileName)) +
                                            ": the path holds a NUL character");
  unsigned char bytes[kLongestDataHeader];
  std::size_t count = 0;
#ifdef _WIN32
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowFileError(errno, path);

  // Only the header is wanted: unbuffered, fread hands the request straight
  // to the system, so no 4 KiB buffer is filled (and no size query made) for
  // each of the up to 32767 files of a trend.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);

  errno = 0;
  count = std::fread(bytes, 1, sizeof(bytes), file.get());
  if (count < sizeof(bytes) && std::ferror(file.get())) ThrowFileError(errno, path);
#else
  // The system calls themselves: a stream would add an allocation, a lock on
  // the list of open streams and a buffer set-up to each of the up to 32767
  // files of a trend, a quarter of the rebuild's own work.
  // Non-blocking, so that a pipe put in place of the file after the
  // existence check cannot hang the rebuild in open or read; for a regular
  // file the flag changes nothing.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) ThrowFileError(errno, path);
  while (count < sizeof(bytes)) {
    const ssize_t done = read(fd, bytes + count, sizeof(bytes) - count);
    if (done < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      ThrowFileError(error, path);
    }
    if (done == 0) break;  // end of file: a short file
    count += static_cast<std::size_t>(done);
  }
  close(fd);
#endif

  return DecodeDataFileHeader(std::span<const unsigned char>(bytes, count));
}

}  // namespace qmr
