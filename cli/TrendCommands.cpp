#include "cli/TrendCommands.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "cli/MasterCheck.h"
#include "cli/ReportingEvents.h"
#include "cli/TrendRunner.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"
#include "trends/MasterFile.h"
#include "trends/ReadAhead.h"
#include "trends/Rebuild.h"

namespace qmr::cli {

namespace {

// How many entries the master at `path` holds, when it holds any: none
// when it is missing, is no file, or is its header alone.
std::optional<std::size_t> EntriesOfExistingMaster(const std::string& path) {
#ifdef _WIN32
  // Any file at all: a hidden or system master, which FileExists passes
  // over as it passes over such data files, holds entries as well.
  if (KindOfEntry(path) != EntryKind::Other) return std::nullopt;
#else
  // A link, a device or a pipe there is refused, never read.
  if (KindOfMaster(path) != EntryKind::Other) return std::nullopt;
#endif
  const std::vector<unsigned char> bytes = ReadMasterStart(path, kLargestMaster + 1);
  if (bytes.size() <= sizeof(MasterHeader)) return std::nullopt;
  const auto version = static_cast<std::int16_t>(ReadLittleEndian(bytes.data() + offsetof(MasterHeader, version), 2));
  const std::size_t entrySize = MasterEntrySize(FamilyOf(version));
  // Bytes after a header of no known layout still are something to lose.
  return entrySize == 0 ? 1 : (bytes.size() - sizeof(MasterHeader) + entrySize - 1) / entrySize;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A master without entries written over one with entries would lose them
// all: the trend's last data file is no trend data file, typically cut
// short by a crash of the runtime.
std::string EmptyingRefusal(const TrendReport& report, std::size_t existingEntries) {
  const std::string last = report.lastFileRead.empty() ? report.firstFile : report.lastFileRead;
  return "the rebuilt master would have no entries, because the last data file " + last +
         " is not a trend data file, and it would replace " + report.masterPath + ", which has " +
         Counted(existingEntries, "entry", "entries") + ". Move " + last +
         " aside and rebuild to keep the other data files' entries, or give --force to write the master without "
         "entries";
}

// scan --rebuild: the folder's leftovers are removed, as a rebuild there
// would remove them, before any of its trends is looked at, so that no trend
// reports a file that another worker is about to remove. Each removed file
// is told with the trend it names, or, when it names no trend of the folder,
// with the folder's first trend: what a run prints does not depend on which
// worker came first.
void ClaimRemovedLeftovers(TrendReport& report, const TrendJob& job, MasterWriter& writer) {
  RebuildEvents untold;
  const std::string folder = FolderPart(report.firstFile);
  const std::vector<std::string> removed = writer.RemoveLeftovers(folder.empty() ? "." : folder, untold);
  if (removed.empty() || !job.folder) return;
  const std::vector<std::string>& firstFiles = job.folder->FirstFiles();
  const std::string firstFile = FileNameOf(report.firstFile);
  const std::string trendName = StripExtension(firstFile);
  const bool firstOfFolder = !firstFiles.empty() && firstFiles.front() == firstFile;
  for (const std::string& path : removed) {
    const std::optional<TemporaryName> name = ParseTemporaryName(FileNameOf(path));
    const bool namesATrend = name && !name->trendName.empty() &&
                             std::binary_search(firstFiles.begin(), firstFiles.end(), name->trendName + ".000");
    if (namesATrend ? name->trendName == trendName : firstOfFolder) report.leftoversRemoved.push_back(path);
  }
}

// The temporary files an interrupted replacement of this master left.
void AddLeftovers(TrendReport& report, const TrendJob& job) {
  // Most folders hold no leftovers: skip making the trend's name then.
  if (!job.folder || job.folder->Temporaries().empty()) return;
  const std::string trendName = FileNameOf(StripExtension(report.firstFile));
  for (const TrendFolder::Temporary& temporary : job.folder->Temporaries()) {
    if (!temporary.name.trendName.empty() && temporary.name.trendName != trendName) continue;
    const std::string path = JoinPath(FolderPart(report.firstFile), temporary.fileName);
    if (!IsLeftover(*job.folder, temporary.fileName)) continue;
    Warning stale;
    stale.kind = Warning::Kind::StaleTemporary;
    stale.file = path;
    report.warnings.push_back(stale);
  }
}

// Whether the master file matches, asked first because most do: reading it
// once, without holding it, tells. A master that is missing, is a folder or
// cannot be read does not match here and is looked at closely after.
bool MatchesAtOnce(const TrendMaster& master, const FolderIdentity& folder) {
  try {
    return MasterFileMatches(master.masterPath, master.bytes, folder);
  } catch (const Error&) {
    return false;
  }
}

bool RefuseWithoutDataFiles(TrendReport& report, const TrendJob& job, const TrendMaster& master) {
  if (master.fileCount != 0) return false;
  report.status = report.found = TrendStatus::Refused;
  report.refusal = NoDataFileRefusal(job.trend);
  report.master.reset();
  return true;
}

TrendReport StartReport(const TrendJob& job, ProgressLine* progress) {
  TrendReport report;
  report.operand = job.trend.operand;
  report.firstFile = job.trend.firstFile;
  if (!job.trend.refusal.empty()) {
    report.status = report.found = TrendStatus::Refused;
    report.refusal = job.trend.refusal;
  } else if (progress != nullptr) {
    progress->TrendStarted(StripExtension(job.trend.firstFile));
  }
  return report;
}

// Reads and composes the trend's master, its warnings into the report.
TrendMaster Compose(TrendReport& report, const TrendJob& job, const TrendSettings& settings, ProgressLine* progress) {
  RebuildOptions options;
  options.folder = job.folder.get();
  options.followLinks = settings.followLinks;
  if (settings.recordAs)
    options.recordedPath = [&recordAs = *settings.recordAs](const std::string& name) { return recordAs.PathOf(name); };
  std::optional<ReadAhead> ahead;
  if (settings.readAhead && job.folder)
    ahead.emplace(report.firstFile, job.folder->NumbersOf(StripExtension(FileNameOf(report.firstFile))));
  ReportingEvents events(report, progress, settings.listFilesRead, ahead ? &*ahead : nullptr);
  TrendMaster master = ComposeTrendMaster(report.firstFile, events, options);
  report.masterPath = master.masterPath;
  report.master = master;
  if (master.placeholderCount > 0) {
    Warning empty;
    empty.kind = Warning::Kind::EmptyEntries;
    empty.file = master.masterPath;
    empty.count = master.placeholderCount;
    report.warnings.push_back(empty);
  }
  if (master.entryCount == 0 && master.fileCount > 0) {
    Warning none;
    none.kind = Warning::Kind::NoEntries;
    none.file = master.masterPath;
    report.warnings.push_back(none);
  }
  return master;
}

// Writes a composed master, unless it would lose entries or it is a dry
// run: the status the trend ends with.
void Write(TrendReport& report, const TrendJob& job, const TrendMaster& master, const TrendSettings& settings,
           MasterWriter& writer, ProgressLine* progress) {
  if (master.entryCount == 0 && !settings.force) {
    if (const std::optional<std::size_t> entries = EntriesOfExistingMaster(master.masterPath)) {
      report.status = TrendStatus::Refused;
      report.refusal = EmptyingRefusal(report, *entries);
      return;
    }
  }
  if (settings.dryRun) {
    report.status = TrendStatus::WouldRebuild;
    return;
  }
  ReportingEvents events(report, progress);
  writer.Write(master.masterPath, master.bytes, events, job.folder ? job.folder->identity() : FolderIdentity{});
  report.status = TrendStatus::Rebuilt;
}

void Fail(TrendReport& report, const Error& error) {
  report.status = TrendStatus::Failed;
  report.errorNumber = error.number();
  report.errorDescription = error.description();
}

// Reads the trend and hands its composed master to `then`; a trend refused
// or failing on the way ends in its report.
template <typename Then>
TrendReport ForTrend(const TrendJob& job, const TrendSettings& settings, ProgressLine* progress, Then then) {
  TrendReport report = StartReport(job, progress);
  if (report.status == TrendStatus::Refused) return report;
  try {
    const TrendMaster master = Compose(report, job, settings, progress);
    if (!RefuseWithoutDataFiles(report, job, master)) then(report, master);
  } catch (const Error& error) {
    Fail(report, error);
  } catch (const std::bad_alloc&) {
    // Many large trends at once: this one fails, the others go on, on
    // whatever thread it ran.
    Fail(report, Error(ErrorCode::OutOfMemory));
  }
  return report;
}

}  // namespace

std::shared_ptr<const TrendFolder> FolderCache::Get(const std::string& folder) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = folders_.find(folder);
    if (found != folders_.end()) return found->second;
  }
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = std::make_shared<const TrendFolder>(folder.empty() ? "." : folder);
  } catch (const Error&) {
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  return folders_.emplace(folder, listed).first->second;
}

TrendReport RebuildOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter& writer,
                            ProgressLine* progress) {
  return ForTrend(job, settings, progress, [&](TrendReport& report, const TrendMaster& master) {
    Write(report, job, master, settings, writer, progress);
    report.found = report.status;
  });
}

TrendReport CheckOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter* writer,
                          ProgressLine* progress) {
  return ForTrend(job, settings, progress, [&](TrendReport& report, const TrendMaster& master) {
    if (settings.repair && writer != nullptr && !settings.dryRun) ClaimRemovedLeftovers(report, job, *writer);
    AddLeftovers(report, job);
    const FolderIdentity folder = job.folder ? job.folder->identity() : FolderIdentity{};
    if (MatchesAtOnce(master, folder)) {
      report.status = TrendStatus::Ok;
    } else if (const EntryKind existing = KindOfMaster(master.masterPath); existing == EntryKind::Folder) {
      report.status = TrendStatus::MasterIsFolder;
    } else if (existing == EntryKind::None) {
      report.status = TrendStatus::Missing;
    } else {
      // A link, a pipe or a device in its place was refused above, naming it.
      const std::vector<unsigned char> actual = ReadMasterStart(master.masterPath, kLargestMaster + 1, folder);
      const MasterComparison comparison = CompareMasters(master.bytes, actual, settings.differenceLimit);
      report.status = comparison.Same() ? TrendStatus::Ok : TrendStatus::Differs;
      report.differences = comparison.differences;
      report.moreDifferences = comparison.moreDifferences;
      if (comparison.lengthsDiffer) {
        report.existingLength = actual.size() > kLargestMaster ? "more than " + std::to_string(kLargestMaster)
                                                               : std::to_string(actual.size());
      }
    }
    report.found = report.status;
    if (settings.repair && writer != nullptr &&
        (report.status == TrendStatus::Missing || report.status == TrendStatus::Differs))
      Write(report, job, master, settings, *writer, progress);
  });
}

TrendReport FirstFileMissingReport(const std::string& firstFile) {
  TrendReport report;
  report.operand = report.firstFile = firstFile;
  report.masterPath = StripExtension(firstFile) + ".qmr";
  report.status = report.found = TrendStatus::FirstFileMissing;
  return report;
}

}  // namespace qmr::cli
