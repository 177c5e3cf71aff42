#include "cli/TrendCommands.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

#include "cli/DifferenceText.h"
#include "cli/ProgressLine.h"
#include "cli/ReportingEvents.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "texts/ErrorWords.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"
#include "trends/Leftovers.h"
#include "trends/MasterCheck.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"

namespace qmr::cli {

namespace {

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A master that would lose real entries, worded with the file to look at
// and what to do about it.
std::string WorseMasterText(const Refusal& refusal, const TrendMaster& master) {
  const std::string& file = refusal.file;
  if (refusal.blame == Refusal::Blame::LastFileGaveNone && master.entryCount == 0) {
    // The usual case: the last data file cut to nothing by a crash of the
    // runtime, which leaves the master no entry at all.
    return "the rebuilt master would have no entries, because the last data file " + file +
           " is not a trend data file, and it would replace " + refusal.masterPath + ", which has " +
           Counted(refusal.oldEntries, "entry", "entries") + ". Move " + file +
           " aside and rebuild with --force to keep the other data files' entries, or give --force now to write the "
           "master without entries";
  }
  std::string text = "the rebuilt master would have " +
                     (refusal.newEntries == 0 ? std::string("no real entries")
                                              : Counted(refusal.newEntries, "real entry", "real entries")) +
                     ", fewer than the " + std::to_string(refusal.oldEntries) + " of " + refusal.masterPath +
                     ", which it would replace, because ";
  switch (refusal.blame) {
    case Refusal::Blame::LastFileGaveNone:
      return text + "the last data file " + file + " is cut short or not a trend data file. Move " + file +
             " aside and rebuild with --force to keep the other data files' entries, or give --force now to write the "
             "master all the same";
    case Refusal::Blame::FileGaveNone:
      return text + "data file " + file +
             " gives it no entry (cut short, not a trend data file, or of another format than the last data file). "
             "Look at it with 'qmr show', restore it, or give --force to write the master all the same";
    case Refusal::Blame::FileMissing:
      return text + "data file " + file + " is missing and the files after it are not read. Put " + file +
             " back and rebuild, or give --force to write the master all the same";
  }
  return text;
}

void Refuse(TrendReport& report, const TrendJob& job, const Refusal& refusal, const TrendMaster& master) {
  report.status = TrendStatus::Refused;
  if (refusal.reason == Refusal::Reason::NoDataFile) {
    report.found = TrendStatus::Refused;
    report.refusal = NoDataFileRefusal(job.trend);
    report.master.reset();
  } else {
    report.refusal = WorseMasterText(refusal, master);
  }
}

// The engine's rules as the command line applies them: a trend without its
// first data file is refused, a worse master is refused unless forced.
RebuildOptions OptionsFor(const TrendJob& job, const TrendSettings& settings) {
  RebuildOptions options;
  options.folder = job.folder.get();
  if (settings.recordAs)
    options.recordedPath = [&recordAs = *settings.recordAs](const std::string& name) { return recordAs.PathOf(name); };
  options.followLinks = settings.followLinks;
  options.readAhead = settings.readAhead;
  options.dryRun = settings.dryRun;
  options.refuseWithoutDataFiles = true;
  options.refuseWorseMaster = !settings.force;
  return options;
}

void AddLeftovers(TrendReport& report, const TrendJob& job) {
  if (!job.folder) return;
  for (const std::string& path : LeftoversOf(job.trend.path, *job.folder)) {
    Warning stale;
    stale.kind = Warning::Kind::StaleTemporary;
    stale.file = path;
    report.warnings.push_back(stale);
  }
}

// The master file against the master composed, from one read of it. A
// master that is missing or a folder is told by its status; one that cannot
// be read fails the trend, a link, a pipe or a device in its place refused
// naming what it is.
void CompareWithMaster(TrendReport& report, const TrendMaster& master, const TrendFolder* folder,
                       std::size_t differenceLimit) {
  MasterFileComparison found;
  try {
    found = CompareMasterFile(master.masterPath, master.bytes, differenceLimit, folder);
  } catch (const Error&) {
    const EntryKind existing = KindOfMaster(master.masterPath);
    if (existing == EntryKind::Folder) {
      report.status = TrendStatus::MasterIsFolder;
      return;
    }
    if (existing == EntryKind::None) {
      report.status = TrendStatus::Missing;
      return;
    }
    throw;
  }
  const MasterComparison& comparison = found.comparison;
  report.status = comparison.Same() ? TrendStatus::Ok : TrendStatus::Differs;
  for (const FieldDifference& difference : comparison.differences)
    report.differences.push_back(DescribeDifference(difference));
  report.moreDifferences = comparison.moreDifferences;
  if (comparison.lengthsDiffer) {
    report.existingLength =
        found.length > kLargestMaster ? "more than " + std::to_string(kLargestMaster) : std::to_string(found.length);
  }
}

TrendReport StartReport(const TrendJob& job, ProgressLine* progress) {
  TrendReport report;
  report.operand = job.trend.operand;
  if (!job.trend.refusal.empty()) {
    report.status = report.found = TrendStatus::Refused;
    report.refusal = job.trend.refusal;
  } else {
    report.firstFile = job.trend.path.FirstFile();
    if (progress != nullptr) progress->TrendStarted(job.trend.path.Base());
  }
  return report;
}

// Reads and composes the trend's master, its warnings into the report.
TrendMaster Compose(TrendReport& report, const TrendJob& job, const RebuildOptions& options, RebuildEvents& events) {
  TrendMaster master = ComposeTrendMaster(job.trend.path, events, options);
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

// Puts a composed master in place as the engine decides: the status the
// trend ends with.
void Write(TrendReport& report, const TrendJob& job, TrendMaster master, const RebuildOptions& options,
           RebuildEvents& events, MasterWriter& writer) {
  const TrendOutcome outcome = ReplaceMaster(job.trend.path, std::move(master), events, options, writer);
  switch (outcome.kind) {
    case TrendOutcome::Kind::Rebuilt: report.status = TrendStatus::Rebuilt; break;
    case TrendOutcome::Kind::WouldRebuild: report.status = TrendStatus::WouldRebuild; break;
    case TrendOutcome::Kind::Refused: Refuse(report, job, *outcome.refusal, outcome); break;
  }
}

void Fail(TrendReport& report, const Error& error) {
  report.status = TrendStatus::Failed;
  report.errorNumber = error.number();
  report.errorDescription = ErrorWords(error);
  // A path wider than an entry: what a user of this tool can do about it is
  // the tool's to say.
  if (error.fact() == ErrorFact::PathTooLongForEntry)
    report.errorDescription +=
        ": rebuild from a shorter folder, or give --record-as with the (shorter) folder the plant's runtime opens";
}

// The trend's folder as the trend is done in it. A walk's folder is open
// already. A trend named by its file has its folder opened now, once, and
// every read and the write of the trend go through that one descriptor,
// closed when the trend is done: a run of many folders holds one open per
// trend at work. The first trend of a folder lists it through it as well.
std::shared_ptr<const TrendFolder> FolderOf(const TrendJob& job) {
  if (job.folder || job.folders == nullptr) return job.folder;
  const std::string folder = job.trend.path.Folder();
#ifdef _WIN32
  return job.folders->Get(folder);
#else
  auto open = std::make_shared<const FolderHandle>(folder);
  const std::shared_ptr<const TrendFolder> listed = job.folders->Get(folder, *open);
  if (!listed) return nullptr;
  return std::make_shared<const TrendFolder>(listed->HeldOpen(std::move(open)));
#endif
}

// Reads the trend and hands its composed master to `then`; a trend refused
// or failing on the way ends in its report.
template <typename Then>
TrendReport ForTrend(TrendJob job, const TrendSettings& settings, ProgressLine* progress, bool comparesMaster,
                     Then then) {
  TrendReport report = StartReport(job, progress);
  if (report.status == TrendStatus::Refused) return report;
  try {
    job.folder = FolderOf(job);
    const RebuildOptions options = OptionsFor(job, settings);
    ReportingEvents events(report, progress, settings.listFilesRead);
    if (comparesMaster) OpenMasterForComparing(job.trend.path.Master(), job.folder.get());
    TrendMaster master = Compose(report, job, options, events);
    RebuildOptions firstFileOnly;
    firstFileOnly.refuseWithoutDataFiles = true;
    if (const std::optional<Refusal> refusal = RefusalOf(job.trend.path, master, firstFileOnly))
      Refuse(report, job, *refusal, master);
    else
      then(report, job, std::move(master), options, events);
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
  return Listed(folder, [&] { return std::make_shared<const TrendFolder>(folder.empty() ? "." : folder); });
}

#ifndef _WIN32
std::shared_ptr<const TrendFolder> FolderCache::Get(const std::string& folder, const FolderHandle& open) {
  return Listed(folder, [&] { return std::make_shared<const TrendFolder>(folder.empty() ? "." : folder, open); });
}
#endif

std::shared_ptr<const TrendFolder> FolderCache::Listed(
    const std::string& folder, const std::function<std::shared_ptr<const TrendFolder>()>& list) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = folders_.find(folder);
    if (found != folders_.end()) return found->second;
  }
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = list();
  } catch (const Error&) {
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  return folders_.emplace(folder, listed).first->second;
}

TrendReport RebuildOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter& writer,
                            ProgressLine* progress) {
  return ForTrend(job, settings, progress, false,
                  [&](TrendReport& report, const TrendJob& opened, TrendMaster master, const RebuildOptions& options,
                      RebuildEvents& events) {
                    Write(report, opened, std::move(master), options, events, writer);
                    report.found = report.status;
                  });
}

TrendReport CheckOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter* writer,
                          ProgressLine* progress) {
  return ForTrend(job, settings, progress, true,
                  [&](TrendReport& report, const TrendJob& opened, TrendMaster master, const RebuildOptions& options,
                      RebuildEvents& events) {
                    if (settings.repair && writer != nullptr && !settings.dryRun) {
                      const std::vector<std::string> claimed =
                          ClaimRemovedLeftovers(opened.trend.path, opened.folder.get(), *writer);
                      report.leftoversRemoved.insert(report.leftoversRemoved.end(), claimed.begin(), claimed.end());
                    }
                    AddLeftovers(report, opened);
                    CompareWithMaster(report, master, opened.folder.get(), settings.differenceLimit);
                    report.found = report.status;
                    if (settings.repair && writer != nullptr &&
                        (report.status == TrendStatus::Missing || report.status == TrendStatus::Differs))
                      Write(report, opened, std::move(master), options, events, *writer);
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
