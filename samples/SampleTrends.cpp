#include "samples/SampleTrends.h"

#include <cstdio>
#include <stdexcept>

#include "tools/FileTools.h"

namespace qmr::samples {
namespace {

// The field positions are written out here from the format tables on purpose
// instead of taken from the core's record structures, so that a fault in those
// structures shows up in the tests instead of being shared by both sides.
constexpr std::size_t kVersionAt = 138;
constexpr std::size_t kUnknownFileSize = 304;

// Deterministic pseudo-random bytes (splitmix64): the same seed always gives
// the same file, and every byte value occurs, NUL included.
class ByteSource {
 public:
  explicit ByteSource(std::uint64_t seed) : state_(seed) {}
  std::uint8_t next() {
    if (left_ == 0) {
      std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      word_ = z ^ (z >> 31);
      left_ = 8;
    }
    --left_;
    const auto byte = static_cast<std::uint8_t>(word_);
    word_ >>= 8;
    return byte;
  }
  char printable() { return static_cast<char>(' ' + next() % 95); }

 private:
  std::uint64_t state_;
  std::uint64_t word_ = 0;
  int left_ = 0;
};

void PutLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// What a log file that happens to carry a ".NNN" name looks like: lines of text.
std::vector<unsigned char> MakeLogLikeFile(std::int16_t version) {
  static const char* const kLines[] = {
      "06/03/2007 09:05:03 Runtime started\r\n",
      "06/03/2007 09:05:04 Pump 3 running\r\n",
      "06/03/2007 09:12:41 Tank 1 level high alarm\r\n",
      "06/03/2007 09:13:02 Alarm acknowledged\r\n",
  };
  std::vector<unsigned char> bytes;
  bytes.reserve(kUnknownFileSize);
  for (std::size_t line = 0; bytes.size() < kUnknownFileSize; ++line) {
    for (const char* c = kLines[line % 4]; *c != '\0' && bytes.size() < kUnknownFileSize; ++c)
      bytes.push_back(static_cast<unsigned char>(*c));
  }
  PutLittleEndian(bytes, kVersionAt, static_cast<std::uint16_t>(version), 2);
  return bytes;
}

}  // namespace

HeaderLayout LayoutOf(std::int16_t version) {
  switch (version) {
    case 1:
    case 2:
    case 3: return {224, 144, 32, 202, 4};
    case 4: return {288, 160, 64, 250, 8};
    case 5: return {272, 144, 80, 250, 4};
    case 6: return {304, 160, 80, 266, 8};
    default: return {};
  }
}

std::vector<unsigned char> MakeDataFile(const SampleFile& file) {
  ByteSource source(0x51A7E5ULL * (file.fill + 1ULL) + static_cast<std::uint16_t>(file.version));
  const HeaderLayout layout = LayoutOf(file.version);
  std::vector<unsigned char> bytes;

  if (layout.size == 0) {
    bytes = MakeLogLikeFile(file.version);
  } else {
    if (file.trendName.size() > layout.trendNameWidth)
      throw std::invalid_argument("trend name longer than its field: " + file.trendName);
    // Every byte starts as noise, so fields the rebuild must not copy (or must
    // copy whole) are never accidentally zero on both sides.
    bytes.resize(layout.size);
    for (auto& byte : bytes) byte = source.next();
    // header_text: a full line of text with no NUL in it.
    for (std::size_t i = 0; i < 112; ++i) bytes[i] = static_cast<unsigned char>(source.printable());
    // maker_text: deliberately not the master's maker word.
    const char maker[8] = {'Q', 'R', 'X', 'D', 'A', 'T', 'A', '1'};
    for (std::size_t i = 0; i < 8; ++i) bytes[128 + i] = static_cast<unsigned char>(maker[i]);
    PutLittleEndian(bytes, kVersionAt, static_cast<std::uint16_t>(file.version), 2);
    for (std::size_t i = 0; i < layout.trendNameWidth; ++i)
      bytes[layout.trendNameOffset + i] = i < file.trendName.size() ? static_cast<unsigned char>(file.trendName[i]) : 0;
    PutLittleEndian(bytes, layout.orderKeyOffset, static_cast<std::uint64_t>(file.orderKey), layout.orderKeyWidth);
  }

  if (file.sampleBytes > 0) {
    ByteSource samples(0xDA7AULL + file.fill);
    bytes.reserve(bytes.size() + file.sampleBytes);
    for (std::size_t i = 0; i < file.sampleBytes; ++i) bytes.push_back(samples.next());
  }
  if (file.truncateTo && *file.truncateTo < bytes.size()) bytes.resize(*file.truncateTo);
  return bytes;
}

std::string DataFileName(const std::string& name, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", number);
  return name + "." + digits;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot create " + path);
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) throw std::runtime_error("cannot write " + path);
}

void WriteTrend(const std::string& folder, const std::string& name, const std::vector<SampleFile>& files) {
  const std::string prefix = folder + kPathSeparator;
  for (std::size_t number = 0; number < files.size(); ++number)
    WriteBytes(prefix + DataFileName(name, static_cast<int>(number)), MakeDataFile(files[number]));
}

SampleFile MakeSample(std::int16_t version, const std::string& trendName, std::int64_t orderKey, std::uint32_t fill) {
  SampleFile file;
  file.version = version;
  file.trendName = trendName;
  file.orderKey = orderKey;
  file.fill = fill;
  return file;
}

std::vector<SampleFile> RisingTrend(std::int16_t version, const std::string& trendName, int count) {
  // The key is the start time of each file: seconds since 1970 in the 32-bit
  // families, the same seconds as a currency value (with quarter-second
  // fractions) in the 64-bit ones. Both keep ten whole-part digits.
  const bool currency = version == 4 || version == 6;
  constexpr std::int64_t kStart = 1173171903;  // 06/03/2007 09:05:03
  std::vector<SampleFile> files;
  files.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    SampleFile file;
    file.version = version;
    file.trendName = trendName;
    file.orderKey = currency ? kStart * 10000 + i * 36002500LL : kStart + i * 3600LL;
    file.fill = static_cast<std::uint32_t>(i) * 7919U + static_cast<std::uint32_t>(trendName.size());
    files.push_back(std::move(file));
  }
  return files;
}

namespace {

std::vector<SampleFile> WithSamples(std::vector<SampleFile> files, std::size_t sampleBytes) {
  for (auto& file : files) file.sampleBytes = sampleBytes;
  return files;
}

SampleFile Keyed(std::int16_t version, const std::string& name, std::int64_t key, std::uint32_t fill) {
  SampleFile file = MakeSample(version, name, key, fill);
  file.sampleBytes = 512;
  return file;
}

}  // namespace

std::vector<std::string> WriteDemoFolder(const std::string& folder) {
  std::vector<std::string> written;
  auto trend = [&](const std::string& name, const std::vector<SampleFile>& files) {
    WriteTrend(folder, name, files);
    written.push_back(DataFileName(name, 0));
  };

  // One plain trend per family.
  trend("TANK1", WithSamples(RisingTrend(6, "Tank 1 level", 12), 4096));
  trend("BOILER", WithSamples(RisingTrend(4, "Boiler steam pressure", 6), 2048));
  trend("FLOW", WithSamples(RisingTrend(5, "Main line flow", 8), 2048));
  trend("LINE 2", WithSamples(RisingTrend(6, "Line 2 temperature", 4), 1024));

  // Versions 1 to 3 share a layout; the master takes the last file's version.
  {
    auto files = WithSamples(RisingTrend(1, "Pump 3 current", 6), 1024);
    for (std::size_t i = 0; i < files.size(); ++i) files[i].version = static_cast<std::int16_t>(1 + i / 2);
    trend("PUMP3", files);
  }

  // The family of the last file decides: the version 5 files leave zero entries.
  {
    auto files = WithSamples(RisingTrend(5, "Mixer speed", 3), 1024);
    for (auto& file : WithSamples(RisingTrend(6, "Mixer speed", 5), 1024)) files.push_back(file);
    for (std::size_t i = 0; i < files.size(); ++i) files[i].fill = static_cast<std::uint32_t>(100 + i);
    trend("MIXED", files);
  }

  // A log file that carries a trend's number: the unrecognised-file message.
  {
    auto files = WithSamples(RisingTrend(4, "Compressor load", 5), 1024);
    files[2].version = 0x3130;  // "01" of a log line's date
    trend("LOGGED", files);
  }

  // 32-bit keys of every kind: their text decides the order (99 before 100,
  // -5 before -3), equal keys keep file order.
  trend("KEYS", {Keyed(2, "Key order demo", 100, 1), Keyed(2, "Key order demo", 99, 2),
                 Keyed(2, "Key order demo", -3, 3), Keyed(2, "Key order demo", -5, 4), Keyed(2, "Key order demo", 0, 5),
                 Keyed(2, "Key order demo", 100, 6), Keyed(2, "Key order demo", 2147483647, 7)});

  // Currency keys: 0.25, 0.0007, 12.5, 1, -0.5 and an equal pair.
  trend("CASH", {Keyed(6, "Currency key demo", 2500, 11), Keyed(6, "Currency key demo", 7, 12),
                 Keyed(6, "Currency key demo", 125000, 13), Keyed(6, "Currency key demo", 10000, 14),
                 Keyed(6, "Currency key demo", -5000, 15), Keyed(6, "Currency key demo", 2500, 16)});

  // A gap ends the run: GAPPED.003 is never read.
  {
    auto files = WithSamples(RisingTrend(5, "Gapped trend", 4), 512);
    WriteTrend(folder, "GAPPED", {files[0], files[1]});
    WriteBytes(folder + kPathSeparator + DataFileName("GAPPED", 3), MakeDataFile(files[3]));
    written.push_back(DataFileName("GAPPED", 0));
  }

  // The last file was cut short while being written.
  {
    auto files = WithSamples(RisingTrend(6, "Damaged trend", 4), 512);
    files.back().sampleBytes = 0;
    files.back().truncateTo = 200;
    trend("DAMAGED", files);
  }
  return written;
}

}  // namespace qmr::samples
