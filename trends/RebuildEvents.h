// What the rebuild engine tells the program around it, as events that carry
// facts and no words: the windows turn them into their messages and status
// window, the command line tool into its lines, the tests into records. The
// engine knows nothing else of its front ends.
//
// Every event does nothing unless a front end overrides it, so a run that
// wants to be told nothing passes a plain RebuildEvents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "definitions/DataFile.h"

namespace qmr {

class Error;

// What a rebuild composed: the master's path and counts.
struct MasterSummary {
  std::string masterPath;            // NAME.qmr beside the data files
  std::int16_t version = 0;          // the version of the last data file found
  std::int16_t fileCount = 0;        // numbered data files found, recognised or not
  std::size_t entryCount = 0;        // entries after the header (0 or fileCount)
  std::size_t placeholderCount = 0;  // of those, all-zero slots (no data file of the master's family)
  std::size_t byteCount = 0;         // the whole master
};

// Whose the old master was, when the new one could not be given its owner
// and group and so belongs to the user running the rebuild.
struct OwnerNotKept {
  unsigned long user = 0;   // the old master's owner
  unsigned long group = 0;  // and group
  int systemError = 0;      // why the system refused the change (errno)
};

class RebuildEvents {
 public:
  virtual ~RebuildEvents() = default;

  // A batch of `trendCount` trends begins.
  virtual void BatchStarted(std::size_t /*trendCount*/) {}
  // The batch turns to the trend `name` (the selected file name less its
  // extension), before anything of it is read.
  virtual void TrendStarted(const std::string& /*name*/) {}
  // The one point where a window system may deliver the events already
  // waiting: once per trend, right after TrendStarted. Returns false when
  // the user ended the program meanwhile; the batch then stops at once, with
  // no further event, never while a master is being written.
  virtual bool LetEventsRun() { return true; }
  // A trend's master was written.
  virtual void TrendFinished(const MasterSummary& /*master*/) {}
  // Every trend of the batch was rebuilt.
  virtual void BatchDone() {}
  // The trend `name` failed: the batch ends here; the masters written before
  // it stay as written, it and the trends after it are not rebuilt.
  virtual void BatchFailed(const std::string& /*name*/, const Error& /*error*/) {}

  // A numbered data file was read, recognised or not.
  virtual void DataFileRead(const std::string& /*path*/, const DataFileHeader& /*header*/) {}
  // A numbered data file is no trend data file; the rebuild goes on and the
  // file leaves an all-zero slot or none.
  virtual void DataFileUnrecognised(const std::string& /*path*/, const UnrecognisedReason& /*reason*/) {}
  // The data file at `path`, which would have continued the trend, is
  // hidden or a system file: the run of data files ended before it, as the
  // runtime's own directory search passes over such files.
  virtual void DataFileHidden(const std::string& /*path*/) {}
  // The data file at `path` is a symbolic link that was not followed: it
  // belongs to another user than its target, so following it could put
  // bytes its owner may not read into the master. The trend's data files
  // end before it, as at a missing number.
  virtual void DataFileLinkNotFollowed(const std::string& /*path*/) {}
  // The new master could not be given the old one's owner and group.
  virtual void MasterOwnerNotKept(const std::string& /*masterPath*/, const OwnerNotKept& /*owner*/) {}
  // A temporary file that an interrupted replacement left behind was removed.
  virtual void StaleTemporaryRemoved(const std::string& /*path*/) {}
  // Data files of the trend lie beyond its first missing number and were
  // not read (`paths` in number order). Only told when the rebuild was
  // given its folder's listing.
  virtual void DataFilesBeyondGap(const std::string& /*missingPath*/, const std::vector<std::string>& /*paths*/) {}
};

}  // namespace qmr
