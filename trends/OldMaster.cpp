#include "trends/OldMaster.h"

#include <algorithm>
#include <span>
#include <vector>

#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"

namespace qmr {

namespace {

// The entry size the header's version chooses; 0 for no known layout.
std::size_t EntrySizeOf(std::span<const unsigned char> header) {
  const auto version = static_cast<std::int16_t>(ReadLittleEndian(header.data() + offsetof(MasterHeader, version), 2));
  return MasterEntrySize(FamilyOf(version));
}

bool MasterIsThere(const std::string& path) {
#ifdef _WIN32
  // Any file at all: a hidden or system master, which FileExists passes
  // over as it passes over such data files, holds entries as well.
  return KindOfEntry(path) == EntryKind::Other;
#else
  // A link, a device or a pipe there is refused, never read.
  return KindOfMaster(path) == EntryKind::Other;
#endif
}

}  // namespace

std::optional<std::size_t> EntriesOfOldMaster(const std::string& path) {
  if (!MasterIsThere(path)) return std::nullopt;
  unsigned char header[sizeof(MasterHeader)];
  const FileHead head = ReadFileHeadAndSize(path, header);
  if (head.read < sizeof header || head.size <= sizeof header) return std::size_t{0};
  const std::size_t entrySize = EntrySizeOf(header);
  if (entrySize == 0) return std::size_t{1};
  // A last entry cut short still holds what it holds.
  return static_cast<std::size_t>((head.size - sizeof header + entrySize - 1) / entrySize);
}

std::size_t RealEntriesOfOldMaster(const std::string& path) {
  std::vector<unsigned char> header;
  std::size_t entrySize = 0;
  std::size_t inEntry = 0;  // bytes of the current entry seen
  bool entryReal = false;
  std::size_t real = 0;
  ReadMasterInChunks(path, SIZE_MAX, [&](std::span<const unsigned char> chunk) {
    if (header.size() < sizeof(MasterHeader)) {
      const std::size_t take = std::min(chunk.size(), sizeof(MasterHeader) - header.size());
      header.insert(header.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take));
      chunk = chunk.subspan(take);
      if (header.size() < sizeof(MasterHeader)) return true;
      // No known layout (0): the bytes after the header are one entry at most.
      entrySize = EntrySizeOf(header);
    }
    for (const unsigned char byte : chunk) {
      entryReal = entryReal || byte != 0;
      if (entrySize != 0 && ++inEntry == entrySize) {
        real += entryReal ? 1 : 0;
        inEntry = 0;
        entryReal = false;
      }
    }
    return true;
  });
  return real + (entryReal ? 1 : 0);
}

}  // namespace qmr
