#include "tests/support/ExpectedMasters.h"

#include <cstring>
#include <stdexcept>

#include "tools/FileTools.h"

namespace qmr::testsupport {

namespace {

void PutI16(Bytes& bytes, std::size_t at, std::int16_t value) {
  bytes[at] = static_cast<unsigned char>(static_cast<std::uint16_t>(value));
  bytes[at + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(value) >> 8);
}

}  // namespace

EntryTable EntryTableOf(std::int16_t version) {
  switch (version) {
    case 1:
    case 2:
    case 3: return {240, 144, {{138, 154, 2}, {140, 156, 82}}};
    case 4: return {432, 272, {{138, 282, 2}, {144, 288, 4}, {160, 304, 122}}};
    case 5: return {288, 144, {{138, 154, 2}, {140, 156, 130}}};
    case 6: return {448, 272, {{138, 282, 2}, {140, 284, 8}, {160, 304, 138}}};
    default: return {};
  }
}

Bytes ExpectedHeader(std::int16_t version, const std::string& name, std::int16_t count) {
  // Appended piece by piece: GCC 12 warns falsely about "text" +
  // std::to_string(n) at -O2.
  std::string banner = "QUORAX\r\nVERSION ";
  banner += std::to_string(version);
  banner += "\r\nTREND MASTER\r\n";
  banner += name;
  banner += "\r\n";
  banner += kFixedClockText;
  banner += "\n\r\n\x1a";
  if (banner.size() > 128) throw std::invalid_argument("the banner of '" + name + "' does not fit 128 bytes");
  Bytes header(kMasterHeaderSize, 0);
  std::memcpy(header.data(), banner.data(), banner.size());
  std::memcpy(header.data() + 128, "QUORAX", 6);
  PutI16(header, 138, version);
  PutI16(header, 148, count);
  PutI16(header, 150, count);
  return header;
}

Bytes ExpectedEntry(const samples::SampleFile& file, const std::string& path) {
  const EntryTable table = EntryTableOf(file.version);
  if (table.size == 0) throw std::invalid_argument("no entry layout for version " + std::to_string(file.version));
  if (path.size() > table.pathWidth) throw std::invalid_argument("'" + path + "' does not fit file_path");
  const Bytes data = samples::MakeDataFile(file);
  Bytes entry(table.size, 0);
  std::memcpy(entry.data(), path.data(), path.size());
  std::memcpy(entry.data() + table.pathWidth, "QUORAX", 6);
  for (const CopyRun& run : table.copies) std::memcpy(entry.data() + run.to, data.data() + run.from, run.width);
  return entry;
}

Bytes ZeroEntry(std::int16_t version) {
  const EntryTable table = EntryTableOf(version);
  if (table.size == 0) throw std::invalid_argument("no entry layout for version " + std::to_string(version));
  return Bytes(table.size, 0);
}

Bytes ExpectedMaster(const std::string& folder, const std::string& trend, const std::vector<samples::SampleFile>& files,
                     std::int16_t version, const std::string& name, const std::vector<int>& order) {
  Bytes master = ExpectedHeader(version, name, static_cast<std::int16_t>(files.size()));
  for (const int number : order) {
    const Bytes entry = number < 0 ? ZeroEntry(version)
                                   : ExpectedEntry(files.at(static_cast<std::size_t>(number)),
                                                   folder + kPathSeparator + samples::DataFileName(trend, number));
    master.insert(master.end(), entry.begin(), entry.end());
  }
  return master;
}

}  // namespace qmr::testsupport
