#include "tools/FileTools.h"
#include "trends/DataFileReader.h"

namespace qmr {

struct DataFileReader::State {};

DataFileReader::DataFileReader(const std::string&, const TrendFolder*, bool) {}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int, DataFileHeader& header) {
  if (!FileExists(path)) return Outcome::Missing;
  header = ReadDataFileHeader(path);
  return Outcome::Read;
}

}  // namespace qmr
