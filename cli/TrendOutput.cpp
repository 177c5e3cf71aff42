#include "cli/TrendOutput.h"

#include <cstdio>
#include <map>
#include <tuple>

#include "cli/JsonText.h"
#include "tools/FileTools.h"

namespace qmr::cli {

namespace {

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The length of the well-formed UTF-8 character of two to four bytes at
// text[at], or 0: no overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byteAt(at);
  std::size_t length = 0;
  unsigned char secondLow = 0x80, secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length || byteAt(at + 1) < secondLow || byteAt(at + 1) > secondHigh) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byteAt(at + i) < 0x80 || byteAt(at + i) > 0xBF) return 0;
  return length;
}

bool Unhealthy(const TrendReport& report) { return !report.warnings.empty(); }

bool Fails(const TrendReport& report) {
  switch (report.status) {
    case TrendStatus::Rebuilt:
    case TrendStatus::WouldRebuild:
    case TrendStatus::Ok: return false;
    default: return true;
  }
}

const char* StatusName(TrendStatus status) {
  switch (status) {
    case TrendStatus::Rebuilt: return "rebuilt";
    case TrendStatus::WouldRebuild: return "would_rebuild";
    case TrendStatus::Ok: return "ok";
    case TrendStatus::Missing: return "missing";
    case TrendStatus::Differs: return "differs";
    case TrendStatus::MasterIsFolder: return "master_is_folder";
    case TrendStatus::Unhealthy: return "unhealthy";
    case TrendStatus::FirstFileMissing: return "first_file_missing";
    case TrendStatus::Refused: return "refused";
    case TrendStatus::Failed: return "failed";
  }
  return "?";
}

const char* CommandName(Command command) {
  switch (command) {
    case Command::Rebuild: return "rebuild";
    case Command::Check: return "check";
    case Command::Scan: return "scan";
  }
  return "?";
}

// "header cut at 200 of its 304 bytes"
std::string ReasonWords(const UnrecognisedReason& reason) {
  switch (reason.kind) {
    case UnrecognisedReason::Kind::NoVersionWord:
      return "too short to hold a version word (" + std::to_string(reason.length) + " of " +
             std::to_string(reason.needed) + " bytes)";
    case UnrecognisedReason::Kind::UnknownVersion: return "unknown version " + std::to_string(reason.version);
    case UnrecognisedReason::Kind::HeaderCut:
      return "header of version " + std::to_string(reason.version) + " cut at " + std::to_string(reason.length) +
             " of its " + std::to_string(reason.needed) + " bytes";
  }
  return "?";
}

const char* ReasonName(UnrecognisedReason::Kind kind) {
  switch (kind) {
    case UnrecognisedReason::Kind::NoVersionWord: return "no_version_word";
    case UnrecognisedReason::Kind::UnknownVersion: return "unknown_version";
    case UnrecognisedReason::Kind::HeaderCut: return "header_cut";
  }
  return "?";
}

const char* WarningName(Warning::Kind kind) {
  switch (kind) {
    case Warning::Kind::Unrecognised: return "unrecognised";
    case Warning::Kind::BeyondGap: return "beyond_gap";
    case Warning::Kind::EmptyEntries: return "empty_entries";
    case Warning::Kind::NoEntries: return "no_entries";
    case Warning::Kind::StaleTemporary: return "stale_temporary";
    case Warning::Kind::OwnerNotKept: return "owner_not_kept";
    case Warning::Kind::Hidden: return "hidden";
    case Warning::Kind::LinkNotFollowed: return "link_not_followed";
  }
  return "?";
}

std::string WarningWords(const Warning& warning) {
  switch (warning.kind) {
    case Warning::Kind::Unrecognised: return "not a trend data file: " + ReasonWords(warning.reason);
    case Warning::Kind::BeyondGap:
      return (warning.count == 1
                  ? std::string("not read")
                  : "not read, nor " + Counted(warning.count - 1, "more data file", "more data files") + " after it") +
             ": the data file " + Shown(warning.missing) + " before it is missing";
    case Warning::Kind::EmptyEntries:
      return warning.count == 1
                 ? "1 entry is empty (all bytes 0): its data file is not a trend data file of the master's version "
                   "family"
                 : std::to_string(warning.count) +
                       " entries are empty (all bytes 0): their data files are not trend data files of the master's "
                       "version family";
    case Warning::Kind::NoEntries: return "no entries: the trend's last data file is not a trend data file";
    case Warning::Kind::StaleTemporary:
      return "left by an interrupted rebuild; the next rebuild in this folder removes it";
    case Warning::Kind::OwnerNotKept: return Shown(warning.detail);
    case Warning::Kind::Hidden: return "is hidden (or a system file): not read";
    case Warning::Kind::LinkNotFollowed:
      return "a symbolic link whose owner does not own its target: not followed, the trend's data files end before "
             "it (--follow-links follows it)";
  }
  return "?";
}

std::string TrendOf(const TrendReport& report) {
  // An empty operand is shown as typed, so the line does not read "trend :".
  if (report.firstFile.empty() && report.operand.empty()) return "''";
  return Shown(report.firstFile.empty() ? report.operand : StripExtension(report.firstFile));
}

}  // namespace

namespace {

void AppendEscaped(std::string& shown, unsigned char byte) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
  shown += escaped;
}

}  // namespace

std::string Shown(const std::string& text) {
  // C0 and C1 controls are escaped: a file name must not move the cursor,
  // ring the bell, or (0x9B, CSI) start a command on a terminal that reads
  // 8-bit controls; U+0080 to U+009F are the same controls in UTF-8.
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = byte >= 0x80 ? Utf8SequenceAt(text, at) : 1;
    if (length > 1) {
      const bool control = byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
      for (std::size_t i = 0; i < length; ++i) {
        if (control)
          AppendEscaped(shown, static_cast<unsigned char>(text[at + i]));
        else
          shown += text[at + i];
      }
      at += length;
      continue;
    }
    if (byte < 0x20 || byte == 0x7f || (byte >= 0x80 && byte <= 0x9F))
      AppendEscaped(shown, byte);
    else
      shown += static_cast<char>(byte);
    ++at;
  }
  return shown;
}

void RunTotals::Add(const TrendReport& report) {
  ++trends;
  ++byStatus[report.status];
  ++byFound[report.found];
  if (Unhealthy(report)) ++withWarnings;
  failed = failed || Fails(report);
}

int ExitStatusOf(const RunTotals& totals, bool strict) {
  if (totals.failed || totals.rootsNotWalked > 0 || (strict && totals.withWarnings > 0)) return kExitFailed;
  return totals.withWarnings > 0 || totals.unreadableFolders > 0 ? kExitWarnings : kExitOk;
}

// ------------------------------------------------------------------ people

void HumanOutput::Trend(const TrendReport& report) {
  if (style_.verbose) {
    for (const FileRead& file : report.filesRead) {
      err_ << "qmr: read " << Shown(file.path) << " (version " << file.version
           << (file.recognised ? ")" : ", not a trend data file)") << '\n';
    }
  }
  if (!style_.quiet) Warnings(report);
  if (command_ == Command::Scan)
    ScanLine(report);
  else
    Result(report);
  out_.flush();
  err_.flush();
}

void HumanOutput::ScanLine(const TrendReport& report) {
  if (report.status == TrendStatus::Refused && report.found == TrendStatus::Refused) {
    err_ << "qmr: trend " << TrendOf(report) << ": not scanned: " << Shown(report.refusal) << '\n';
    return;
  }
  std::string state;
  const std::string firstDifference =
      report.differences.empty() ? std::string("in length") : "at " + report.differences.front().where;
  switch (report.found) {
    case TrendStatus::Ok: state = "ok"; break;
    case TrendStatus::Missing: state = "missing"; break;
    case TrendStatus::Differs: state = "differs " + firstDifference; break;
    case TrendStatus::MasterIsFolder: state = "a folder, not a master file"; break;
    case TrendStatus::FirstFileMissing: state = "first data file missing: " + Shown(report.firstFile); break;
    default: state = "failed"; break;
  }
  const char* was = report.found == TrendStatus::Missing ? "was missing" : "differed";
  switch (report.status) {
    case TrendStatus::Rebuilt: state = std::string("rebuilt (") + was + ")"; break;
    case TrendStatus::WouldRebuild: state = std::string("would be rebuilt (") + was + ", dry run)"; break;
    case TrendStatus::Refused: state += ", not rebuilt: " + Shown(report.refusal); break;
    case TrendStatus::Failed:
      state = "failed: " + Shown(report.errorDescription) + " (error " + std::to_string(report.errorNumber) + ")";
      break;
    default: break;
  }
  std::size_t unrecognised = 0;
  std::size_t beyond = 0;
  for (const Warning& warning : report.warnings) {
    if (warning.kind == Warning::Kind::Unrecognised) ++unrecognised;
    if (warning.kind == Warning::Kind::BeyondGap) beyond += warning.count;
    if (warning.kind == Warning::Kind::NoEntries) state += ", no entries";
    if (warning.kind == Warning::Kind::StaleTemporary) state += ", stale temporary file";
    if (warning.kind == Warning::Kind::Hidden) state += ", hidden data file not read";
  }
  if (!report.leftoversRemoved.empty()) state += ", stale temporary file removed";
  if (style_.quiet && report.status != TrendStatus::Failed && report.status != TrendStatus::Refused) return;
  out_ << (report.masterPath.empty() ? TrendOf(report) : Shown(report.masterPath)) << ": " << state;
  if (report.master) {
    const MasterSummary& summary = *report.master;
    out_ << "; " << Counted(static_cast<std::size_t>(summary.fileCount), "data file", "data files") << ", version "
         << summary.version << ", " << Counted(summary.entryCount, "entry", "entries") << " ("
         << summary.placeholderCount << " empty), " << unrecognised << " not trend data, " << beyond << " beyond a gap";
  }
  out_ << '\n';
}

void HumanOutput::Unreadable(const UnreadableFolder& folder) {
  if (folder.root)
    err_ << "qmr: " << Shown(folder.folder) << ": cannot scan: " << Shown(folder.why) << '\n';
  else
    err_ << "qmr: " << Shown(folder.folder) << ": warning: folder not read: " << Shown(folder.why) << '\n';
}

void HumanOutput::Summary(const RunTotals& totals, int /*exitStatus*/) {
  if (command_ != Command::Scan || style_.quiet) return;
  // The words for one trend, then for more.
  static const std::tuple<TrendStatus, const char*, const char*> kStates[] = {
      {TrendStatus::Ok, "ok", "ok"},
      {TrendStatus::Missing, "missing", "missing"},
      {TrendStatus::Differs, "differs", "differ"},
      {TrendStatus::MasterIsFolder, "a folder", "folders"},
      {TrendStatus::FirstFileMissing, "first data file missing", "first data file missing"},
      {TrendStatus::Failed, "failed", "failed"},
      {TrendStatus::Refused, "refused", "refused"}};
  out_ << "scan: " << Counted(totals.trends, "trend", "trends");
  const char* separator = ": ";
  for (const auto& [state, one, many] : kStates) {
    const auto found = totals.byFound.find(state);
    if (found == totals.byFound.end() || found->second == 0) continue;
    out_ << separator << Counted(found->second, one, many);
    separator = ", ";
  }
  if (const auto rebuilt = totals.byStatus.find(TrendStatus::Rebuilt); rebuilt != totals.byStatus.end())
    out_ << "; " << rebuilt->second << " rebuilt";
  if (totals.withWarnings > 0) out_ << "; " << totals.withWarnings << " with warnings";
  if (totals.unreadableFolders > 0)
    out_ << "; " << Counted(totals.unreadableFolders, "folder", "folders") << " not read";
  if (totals.rootsNotWalked > 0)
    out_ << "; " << Counted(totals.rootsNotWalked, "folder given", "folders given") << " not scanned";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", totals.seconds);
  out_ << "; " << Counted(totals.filesRead, "data file", "data files") << " read in " << seconds << " s\n";
  out_.flush();
}

void HumanOutput::Warnings(const TrendReport& report) {
  for (const Warning& warning : report.warnings) {
    // The file is the subject of this one's sentence.
    if (warning.kind == Warning::Kind::Hidden)
      err_ << "qmr: warning: " << Shown(warning.file) << ' ' << WarningWords(warning) << '\n';
    else
      err_ << "qmr: " << Shown(warning.file) << ": warning: " << WarningWords(warning) << '\n';
  }
  // scan says so on the trend's own line.
  if (command_ != Command::Scan)
    for (const std::string& removed : report.leftoversRemoved)
      err_ << "qmr: " << Shown(removed) << ": removed: left by an interrupted rebuild\n";
}

void HumanOutput::Result(const TrendReport& report) {
  const std::string master = Shown(report.masterPath);
  switch (report.status) {
    case TrendStatus::Rebuilt:
    case TrendStatus::WouldRebuild: {
      if (style_.quiet) return;
      const MasterSummary& summary = *report.master;
      const bool dryRun = report.status == TrendStatus::WouldRebuild;
      out_ << master << ": version " << summary.version << ", "
           << Counted(static_cast<std::size_t>(summary.fileCount), "data file", "data files") << ", "
           << Counted(summary.entryCount, "entry", "entries") << (dryRun ? " would be written" : " written");
      if (summary.placeholderCount > 0) out_ << ", " << summary.placeholderCount << " of them empty";
      out_ << " (" << Counted(summary.byteCount, "byte", "bytes") << (dryRun ? ", dry run)\n" : ")\n");
      return;
    }
    case TrendStatus::Ok:
      if (!style_.quiet) out_ << master << ": ok\n";
      return;
    case TrendStatus::Missing: out_ << master << ": missing\n"; return;
    case TrendStatus::MasterIsFolder: out_ << master << ": is a folder, not a master file\n"; return;
    case TrendStatus::Unhealthy:
      // What fails the check is told even with -q.
      if (style_.quiet) Warnings(report);
      out_ << master << ": not healthy (--strict): " << Counted(report.warnings.size(), "warning", "warnings") << '\n';
      return;
    case TrendStatus::FirstFileMissing:
      out_ << master << ": first data file missing: " << Shown(report.firstFile) << '\n';
      return;
    case TrendStatus::Differs:
      for (const Difference& difference : report.differences) {
        out_ << master << ": differs: " << difference.where << " (byte " << difference.offset << "): expected "
             << difference.expected << ", found " << difference.actual << '\n';
      }
      if (report.moreDifferences > 0)
        out_ << master << ": differs: and " << Counted(report.moreDifferences, "more field", "more fields") << '\n';
      if (!report.existingLength.empty())
        out_ << master << ": differs: length " << report.existingLength << " bytes, expected "
             << report.master->byteCount << '\n';
      return;
    case TrendStatus::Refused:
      err_ << "qmr: trend " << TrendOf(report) << ": not " << (command_ == Command::Rebuild ? "rebuilt" : "checked")
           << ": " << Shown(report.refusal) << '\n';
      return;
    case TrendStatus::Failed:
      err_ << "qmr: trend " << TrendOf(report) << ": " << (command_ == Command::Rebuild ? "rebuild" : "check")
           << " failed: " << Shown(report.errorDescription) << " (error " << report.errorNumber << ")\n";
      return;
  }
}

// ------------------------------------------------------------------ scripts

void JsonOutput::Trend(const TrendReport& report) {
  Json trend;
  trend["type"] = "trend";
  trend["command"] = CommandName(command_);
  PutText(trend, "operand", report.operand);
  PutText(trend, "first_file", report.firstFile);
  PutText(trend, "master", report.masterPath);
  trend["status"] = StatusName(report.status);
  if (command_ == Command::Scan) trend["found"] = StatusName(report.found);
  if (report.master) {
    trend["version"] = report.master->version;
    trend["data_files"] = report.master->fileCount;
    trend["entries"] = report.master->entryCount;
    trend["empty_entries"] = report.master->placeholderCount;
    trend["bytes"] = report.master->byteCount;
  }
  Json warnings = Json::array();
  for (const Warning& warning : report.warnings) {
    Json item;
    item["kind"] = WarningName(warning.kind);
    PutText(item, "file", warning.file);
    switch (warning.kind) {
      case Warning::Kind::Unrecognised:
        item["reason"] = ReasonName(warning.reason.kind);
        if (warning.reason.kind != UnrecognisedReason::Kind::NoVersionWord) item["version"] = warning.reason.version;
        if (warning.reason.kind != UnrecognisedReason::Kind::UnknownVersion) {
          item["length"] = warning.reason.length;
          item["needed"] = warning.reason.needed;
        }
        break;
      case Warning::Kind::BeyondGap:
        item["count"] = warning.count;
        PutText(item, "missing", warning.missing);
        break;
      case Warning::Kind::EmptyEntries: item["count"] = warning.count; break;
      case Warning::Kind::OwnerNotKept: PutText(item, "detail", warning.detail); break;
      case Warning::Kind::NoEntries:
      case Warning::Kind::StaleTemporary:
      case Warning::Kind::Hidden:
      case Warning::Kind::LinkNotFollowed: break;
    }
    warnings.push_back(std::move(item));
  }
  trend["warnings"] = std::move(warnings);
  if (!report.leftoversRemoved.empty()) {
    Json removed = Json::array();
    for (const std::string& path : report.leftoversRemoved) {
      Json item;
      PutText(item, "file", path);
      removed.push_back(std::move(item));
    }
    trend["leftovers_removed"] = std::move(removed);
  }
  if (report.found == TrendStatus::Differs) {
    Json differences = Json::array();
    for (const Difference& difference : report.differences) {
      Json item;
      item["where"] = difference.where;
      item["offset"] = difference.offset;
      PutText(item, "expected", difference.expected);
      PutText(item, "actual", difference.actual);
      differences.push_back(std::move(item));
    }
    trend["differences"] = std::move(differences);
    trend["more_differences"] = report.moreDifferences;
    if (!report.existingLength.empty()) {
      trend["length"] = {{"expected", report.master->byteCount}, {"actual", report.existingLength}};
    }
  }
  if (report.status == TrendStatus::Refused) PutText(trend, "refusal", report.refusal);
  if (report.status == TrendStatus::Failed) {
    Json error;
    error["number"] = report.errorNumber;
    PutText(error, "description", report.errorDescription);
    trend["error"] = std::move(error);
  }
  if (verbose_) {
    Json files = Json::array();
    for (const FileRead& file : report.filesRead) {
      Json item;
      PutText(item, "file", file.path);
      item["version"] = file.version;
      item["recognised"] = file.recognised;
      files.push_back(std::move(item));
    }
    trend["files_read"] = std::move(files);
  }
  out_ << JsonLine(trend);
  out_.flush();
}

void JsonOutput::Unreadable(const UnreadableFolder& folder) {
  Json object;
  object["type"] = "unreadable_folder";
  PutText(object, "folder", folder.folder);
  PutText(object, "reason", folder.why);
  object["root"] = folder.root;
  out_ << JsonLine(object);
}

void JsonOutput::Summary(const RunTotals& totals, int exitStatus) {
  const auto counts = [](const std::map<TrendStatus, std::size_t>& by) {
    Json object = Json::object();
    for (const auto& [status, count] : by) object[StatusName(status)] = count;
    return object;
  };
  Json summary;
  summary["type"] = "summary";
  summary["command"] = CommandName(command_);
  summary["trends"] = totals.trends;
  summary["by_status"] = counts(totals.byStatus);
  if (command_ == Command::Scan) {
    summary["by_found"] = counts(totals.byFound);
    summary["unreadable_folders"] = totals.unreadableFolders;
    summary["roots_not_walked"] = totals.rootsNotWalked;
    summary["data_files_read"] = totals.filesRead;
    summary["seconds"] = totals.seconds;
  }
  summary["with_warnings"] = totals.withWarnings;
  summary["exit_status"] = exitStatus;
  out_ << JsonLine(summary);
  out_.flush();
}

}  // namespace qmr::cli
