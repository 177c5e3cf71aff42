#include "trends/MasterFile.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/Errors.h"
#include "tools/PathParts.h"
#include "trends/Banner.h"
#include "trends/MasterFilePlatform.h"
#include "trends/RebuildEvents.h"
#include "trends/TemporaryName.h"
#include "trends/TrendFolder.h"

namespace qmr {
namespace masterfile {
namespace {

// The longest file name most file systems hold.
constexpr std::size_t kLongestFileName = 255;
constexpr std::string_view kMasterSuffix = ".qmr";

// The seam is set by tests on the thread that rebuilds.
WriteFaultHook writeFaultHook;

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

// "~qmr-PID-N-NAME.tmp" in the master's folder, so that the final rename
// never crosses file systems and a leftover names its trend; the short form
// when a trend named near the file system's limit would make it too long.
std::string TemporaryPath(const std::string& masterPath) {
  const std::string folder = FolderPrefix(masterPath);
  std::string name(kTemporaryPrefix);
  name += std::to_string(CurrentProcessId()) + "-" + std::to_string(temporaryCounter++);
  std::string trend = FileNameOf(masterPath);
  if (trend.size() >= kMasterSuffix.size() && trend.ends_with(kMasterSuffix))
    trend.resize(trend.size() - kMasterSuffix.size());
  const std::size_t longName = name.size() + 1 + trend.size() + kTemporarySuffix.size();
  if (!trend.empty() && longName <= kLongestFileName && TemporaryPathFits(folder, longName)) name += "-" + trend;
  name += kTemporarySuffix;
  return folder + name;
}

bool HoldsOwnMaster(std::span<const unsigned char> start, const TemporaryName& name, const TrendFolder& folder) {
  // The long form names its trend; the short form has only the banner
  // inside to say whose master it is, and so must hold one.
  if (!name.trendName.empty() && folder.NumbersOf(name.trendName).empty()) return false;
  if (start.empty()) return !name.trendName.empty();
  const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
  const std::vector<std::string_view> lines = BannerLines(text);
  if (lines.size() < 4 || lines[0] != "QUORAX" || !lines[1].starts_with("VERSION ") || lines[2] != "TREND MASTER")
    return false;
  return !name.trendName.empty() || !folder.NumbersOf(std::string(lines[3])).empty();
}

}  // namespace masterfile

using namespace masterfile;

bool IsLeftover(const TrendFolder& folder, const std::string& fileName) {
  const std::optional<TemporaryName> name = ParseTemporaryName(fileName);
  return name && ExamineLeftover(folder, {fileName, *name}, false) != LeftoverState::NotOurs;
}

struct MasterWriter::State {
  // The leftovers of one folder, removed once by whichever thread comes
  // first while the others wait for it.
  struct Cleaning {
    std::once_flag once;
    std::vector<std::string> removed;
  };
  FolderSync sync;
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Cleaning>> cleaned;
  std::set<std::string> unsynced;  // folders renamed into, not synced yet
};

MasterWriter::MasterWriter(FolderSync sync) : state_(new State{sync, {}, {}, {}}) {}

MasterWriter::~MasterWriter() { Finish(); }

std::vector<std::string> MasterWriter::RemoveLeftovers(const std::string& folder, RebuildEvents& events) {
  return RemoveLeftovers(folder, events, nullptr);
}

std::vector<std::string> MasterWriter::RemoveLeftovers(const std::string& folder, RebuildEvents& events,
                                                       const TrendFolder* listed) {
  std::shared_ptr<State::Cleaning> cleaning;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    std::shared_ptr<State::Cleaning>& entry = state_->cleaned[folder];
    if (!entry) entry = std::make_shared<State::Cleaning>();
    cleaning = entry;
  }
  std::call_once(cleaning->once, [&] {
    try {
      const char last = folder.empty() ? '/' : folder.back();
      // "C:" names the drive's current folder: its files follow it directly.
      const bool bare = last == '/' || last == '\\' || (last == ':' && kSeparator[0] == '\\');
      const std::string prefix = bare ? folder : folder + kSeparator;
      // A listing of this run names the leftovers as well as a new one:
      // those it misses were made after the run began, by a writer at work.
      std::optional<TrendFolder> own;
      const TrendFolder& in = listed != nullptr ? *listed : own.emplace(folder.empty() ? "." : folder);
      for (const TrendFolder::Temporary& temporary : in.Temporaries()) {
        const std::string leftover = prefix + temporary.fileName;
        if (ExamineLeftover(in, temporary, true) != LeftoverState::Removed) continue;
        cleaning->removed.push_back(leftover);
        events.StaleTemporaryRemoved(leftover);
      }
    } catch (const Error&) {
      // A folder that cannot be listed fails on the write that follows, naming it.
    }
  });
  return cleaning->removed;
}

void MasterWriter::Write(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events,
                         const TrendFolder* listed, const OldMasterEntries* old) {
  const std::string path = trend.Master();
  const std::string folder = trend.FolderToOpen();
  RemoveLeftovers(folder, events, listed);

  const WriteFaultHook hook = writeFaultHook;
  TemporaryFile file(path, listed, old);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const std::size_t chunk = bytes.size() - written < kChunkSize ? bytes.size() - written : kChunkSize;
    if (hook) hook(written, chunk);
    file.Write(bytes.data() + written, chunk);
    written += chunk;
  }
  const std::optional<OwnerNotKept> ownerProblem = file.KeepOwnership();
  file.FlushAndReplace();
  if (ownerProblem) events.MasterOwnerNotKept(path, *ownerProblem);

  if (state_->sync == FolderSync::AfterEachMaster) {
    SyncFolder(folder);
  } else {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->unsynced.insert(folder);
  }
}

void MasterWriter::Finish() {
  std::set<std::string> folders;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    folders.swap(state_->unsynced);
  }
  for (const std::string& folder : folders) SyncFolder(folder);
}

void WriteMasterFile(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events) {
  MasterWriter writer;
  writer.Write(trend, bytes, events);
}

void WriteMasterFile(const std::string& masterPath, std::span<const unsigned char> bytes) {
  RebuildEvents silent;
  WriteMasterFile(TrendPath::OfFile(masterPath), bytes, silent);
}

WriteFaultHook SetWriteFaultHook(WriteFaultHook hook) { return std::exchange(writeFaultHook, std::move(hook)); }

}  // namespace qmr
