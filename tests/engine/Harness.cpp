#include "Harness.h"

#include <algorithm>
#include <exception>
#include <set>

#include "trends/Batch.h"

namespace engine_test {

std::string Numbered(const char* prefix, long long n) {
  std::string text = prefix;
  text += std::to_string(n);
  return text;
}

std::int16_t I16At(const Bytes& bytes, std::size_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8)));
}

Bytes EntryAt(const Bytes& master, std::size_t entrySize, std::size_t index) {
  const std::size_t start = kMasterHeaderSize + index * entrySize;
  if (start + entrySize > master.size()) {
    ADD_FAILURE() << "no entry " << index << " in a master of " << master.size() << " bytes";
    return Bytes(entrySize, 0);
  }
  return Bytes(master.begin() + static_cast<std::ptrdiff_t>(start),
               master.begin() + static_cast<std::ptrdiff_t>(start + entrySize));
}

bool AllZero(const Bytes& bytes) {
  for (const unsigned char byte : bytes)
    if (byte != 0) return false;
  return true;
}

std::string StoredPath(const Bytes& entry, std::size_t width) {
  const std::string field(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(std::min(width, entry.size())));
  return field.substr(0, field.find('\0'));
}

MasterFacts ExpectCompleteMaster(const Bytes& bytes) {
  MasterFacts facts;
  if (bytes.size() < kMasterHeaderSize) {
    ADD_FAILURE() << "master of " << bytes.size() << " bytes has no whole header";
    return facts;
  }
  facts.version = I16At(bytes, 138);
  facts.fileCount = I16At(bytes, 148);
  const qmr::testsupport::EntryTable table = EntryTableOf(facts.version);
  facts.entrySize = table.size;
  EXPECT_EQ(I16At(bytes, 150), facts.fileCount) << "file_count_2";
  EXPECT_GE(facts.fileCount, 0);
  const std::string banner(bytes.begin(), bytes.begin() + 128);
  const std::string opening = Numbered("QUORAX\r\nVERSION ", facts.version) + "\r\nTREND MASTER\r\n";
  EXPECT_EQ(banner.substr(0, opening.size()), opening);
  EXPECT_EQ(std::string(bytes.begin() + 128, bytes.begin() + 136), std::string("QUORAX\0\0", 8));
  // The banner ends with LF, CR LF and the character 26, then NUL bytes.
  const std::size_t end = banner.find('\0') == std::string::npos ? 128 : banner.find('\0');
  EXPECT_GE(end, opening.size() + 4);
  if (end >= 4) {
    EXPECT_EQ(banner.substr(end - 4, 4), "\n\r\n\x1a");
  }
  for (std::size_t i = end; i < 128; ++i) EXPECT_EQ(banner[i], '\0') << "banner byte " << i;

  facts.entries = facts.entrySize == 0 ? 0 : static_cast<std::size_t>(facts.fileCount);
  EXPECT_EQ(bytes.size(), kMasterHeaderSize + facts.entries * facts.entrySize)
      << "version " << facts.version << ", file_count " << facts.fileCount;
  for (std::size_t i = 0; i < facts.entries && kMasterHeaderSize + (i + 1) * facts.entrySize <= bytes.size(); ++i) {
    const Bytes entry = EntryAt(bytes, facts.entrySize, i);
    if (AllZero(entry)) continue;  // the slot of a file of another family
    EXPECT_EQ(std::string(entry.begin() + static_cast<std::ptrdiff_t>(table.pathWidth),
                          entry.begin() + static_cast<std::ptrdiff_t>(table.pathWidth + 8)),
              std::string("QUORAX\0\0", 8))
        << "entry " << i;
  }
  return facts;
}

RecordingEvents RunBatch(const std::string& folder, const std::vector<std::string>& names) {
  RecordingEvents events;
  try {
    qmr::RebuildTrends(folder, names, events);
  } catch (const std::exception& other) {
    ADD_FAILURE() << "the batch let through an error that names no trend: " << other.what();
  }
  return events;
}

void ExpectPromises(const std::string& folder, const std::vector<std::string>& trends, const FolderState& before,
                    const RecordingEvents& outcome) {
  const FolderState after = Snapshot(folder);

  // Where the batch stopped: trends before it were rebuilt, the failing one
  // and those after it were not touched.
  std::size_t stoppedAt = trends.size();
  if (outcome.failed) {
    EXPECT_FALSE(outcome.done);
    EXPECT_FALSE(outcome.failedDescription.empty());
    bool named = false;
    for (std::size_t i = 0; i < trends.size(); ++i) {
      if (trends[i] == outcome.failedTrend) {
        stoppedAt = i;
        named = true;
      }
    }
    EXPECT_TRUE(named) << "the failure names '" << outcome.failedTrend << "', no trend of the batch";
    if (!outcome.startedTrends.empty()) {
      EXPECT_EQ(outcome.startedTrends.back(), outcome.failedTrend) << "the failure names the trend in hand";
    }
  } else {
    EXPECT_TRUE(outcome.done);
  }

  std::set<std::string> masters;
  for (std::size_t i = 0; i < trends.size(); ++i) {
    const std::string master = trends[i] + ".qmr";
    masters.insert(master);
    const auto was = before.find(master);
    const auto is = after.find(master);
    if (i < stoppedAt) {
      if (is == after.end() || is->second.type != fs::file_type::regular) {
        ADD_FAILURE() << master << " was not written";
        continue;
      }
      ExpectCompleteMaster(ReadWholeFile(folder + qmr::kPathSeparator + master));
    } else if (was == before.end()) {
      EXPECT_TRUE(is == after.end()) << master << " appeared although its trend was not rebuilt";
    } else {
      EXPECT_TRUE(is != after.end() && is->second == was->second) << master << " changed on a failure";
    }
  }

  for (const auto& [name, state] : before) {
    if (masters.count(name) != 0) continue;
    const auto is = after.find(name);
    if (is == after.end()) {
      ADD_FAILURE() << name << " disappeared";
    } else {
      EXPECT_EQ(is->second, state) << name << " changed";
    }
  }
  for (const auto& [name, state] : after) {
    if (masters.count(name) == 0 && before.count(name) == 0) ADD_FAILURE() << name << " was left behind";
  }
}

RecordingEvents RebuildChecked(const std::string& folder, const std::string& trend) {
  const FolderState before = Snapshot(folder);
  RecordingEvents outcome = RunBatch(folder, {trend + ".000"});
  ExpectPromises(folder, {trend}, before, outcome);
  return outcome;
}

std::vector<std::string> UnrecognisedLines(const RecordingEvents& events) {
  std::vector<std::string> lines;
  for (const std::string& line : events.lines)
    if (line.rfind("unrecognised ", 0) == 0) lines.push_back(line);
  return lines;
}

}  // namespace engine_test
