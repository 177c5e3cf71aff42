#include <optional>

#include "tools/FileTools.h"
#include "tools/WorkAhead.h"
#include "trends/DataFilePath.h"
#include "trends/DataFileReader.h"
#include "trends/TrendFolder.h"

namespace qmr {

namespace {

// A data file read, or why the run of data files ends there.
struct Found {
  DataFileReader::Outcome outcome = DataFileReader::Outcome::Missing;
  DataFileHeader header;
};

// Windows reads by path, as the runtime does: hidden and system files count
// as missing.
Found ReadByPath(const std::string& path) {
  Found found;
  if (!FileExists(path)) return found;
  found.header = ReadDataFileHeader(path);
  found.outcome = DataFileReader::Outcome::Read;
  return found;
}

}  // namespace

// With read-ahead, a thread of its own reads the headers a little ahead of
// the rebuild, so that the rebuild's own work and the waits for the disk
// overlap; each file is still opened once.
struct DataFileReader::State {
  std::optional<WorkAhead<Found>> ahead;
};

DataFileReader::DataFileReader(const TrendPath& trend, const TrendFolder* listed, bool, bool readAhead)
    : state_(new State) {
  const std::size_t run = listed != nullptr && readAhead ? listed->RunFromZero(trend.Name()) : 0;
  if (run < kReadAheadFrom) return;
  state_->ahead.emplace(run, kLead,
                        [paths = DataFilePath(trend)](std::size_t number, std::size_t, Found& found) mutable {
                          found = ReadByPath(paths.For(static_cast<int>(number)));
                          return found.outcome == Outcome::Read;
                        });
}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int number, DataFileHeader& header) {
  Found found = state_->ahead && static_cast<std::size_t>(number) < state_->ahead->count()
                    ? state_->ahead->Take(static_cast<std::size_t>(number))
                    : ReadByPath(path);
  if (found.outcome == Outcome::Read) header = found.header;
  return found.outcome;
}

}  // namespace qmr
