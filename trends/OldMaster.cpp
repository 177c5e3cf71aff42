#include "trends/OldMaster.h"

#include <span>

#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"
#include "tools/PathParts.h"
#include "trends/TrendFolder.h"

namespace qmr {

namespace {

// The entry size the header's version chooses; 0 for no known layout.
std::size_t EntrySizeOf(std::span<const unsigned char> header) {
  const auto version = static_cast<std::int16_t>(ReadLittleEndian(header.data() + offsetof(MasterHeader, version), 2));
  return MasterEntrySize(FamilyOf(version));
}

// Counts the real entries in the bytes after the header, chunk by chunk.
class RealEntryCount {
 public:
  explicit RealEntryCount(std::size_t entrySize) : entrySize_(entrySize) {}

  void Take(std::span<const unsigned char> chunk) {
    for (const unsigned char byte : chunk) {
      entryReal_ = entryReal_ || byte != 0;
      // No known layout (0): the bytes after the header are one entry at most.
      if (entrySize_ != 0 && ++inEntry_ == entrySize_) {
        real_ += entryReal_ ? 1 : 0;
        inEntry_ = 0;
        entryReal_ = false;
      }
    }
  }
  // A last entry cut short still holds what it holds.
  std::size_t Real() const { return real_ + (entryReal_ ? 1 : 0); }

 private:
  std::size_t entrySize_;
  std::size_t inEntry_ = 0;  // bytes of the current entry seen
  bool entryReal_ = false;
  std::size_t real_ = 0;
};

}  // namespace

std::optional<OldMasterEntries> ReadOldMaster(const std::string& path,
                                              const std::function<bool(std::size_t entries)>& needReal,
                                              const TrendFolder* listed) {
#ifdef _WIN32
  // Calls by path here: no folder is held open to look the master up in.
  (void)listed;
  // Any file at all: a hidden or system master, which FileExists passes
  // over as it passes over such data files, holds entries as well.
  if (KindOfEntry(path) != EntryKind::Other) return std::nullopt;
#else
  // A link, a device or a pipe there is refused, never read. The master is
  // looked at once, in its folder: the one the listing holds open, or else
  // opened here.
  std::optional<FolderHandle> own;
  const FolderHandle* open = listed != nullptr ? listed->Open() : nullptr;
  if (open == nullptr) {
    open = &own.emplace(FolderPart(path));
    if (listed != nullptr) own->ExpectIdentity(listed->identity());
  }
  struct stat seen {};
  if (KindOfMaster(*open, path, seen) != EntryKind::Other) return std::nullopt;
#endif
  OldMasterEntries found;
#ifndef _WIN32
  if (!own) found.seen = seen;
#endif
  unsigned char header[sizeof(MasterHeader)];
  std::size_t entrySize = 0;
  std::optional<RealEntryCount> count;
  const auto decide = [&](std::size_t read, std::uint64_t size) {
    if (read < sizeof header || size <= sizeof header) return false;
    entrySize = EntrySizeOf(header);
    found.entries = entrySize == 0 ? 1 : static_cast<std::size_t>((size - sizeof header + entrySize - 1) / entrySize);
    if (!needReal(found.entries)) return false;
    count.emplace(entrySize);
    return true;
  };
  const auto take = [&](std::span<const unsigned char> chunk) {
    count->Take(chunk);
    return true;
  };
#ifdef _WIN32
  ReadMasterHeadThenRest(path, header, decide, take);
#else
  ReadMasterHeadThenRest(path, header, decide, take, *open, seen);
#endif
  if (count) found.real = count->Real();
  return found;
}

}  // namespace qmr
