#include "Harness.h"

#include <gtest/gtest.h>

#include <set>
#include <system_error>

#include "tests/support/ExpectedMasters.h"
#include "trends/Batch.h"
#include "trends/Rebuild.h"

namespace hardening {

BatchOutcome RunBatch(const fs::path& folder, const std::vector<std::string>& names) {
  BatchOutcome outcome;
  try {
    qmr::RebuildTrends(folder.string(), names, outcome.events);
  } catch (const std::exception& other) {
    ADD_FAILURE() << "the batch let through an error that names no trend: " << other.what();
  }
  outcome.failed = outcome.events.failed;
  outcome.code = outcome.events.failedCode;
  outcome.failedTrend = outcome.events.failedTrend;
  outcome.description = outcome.events.failedDescription;
  return outcome;
}

std::int16_t I16At(const Bytes& bytes, std::size_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8)));
}

Bytes EntryAt(const Bytes& master, std::size_t entrySize, std::size_t index) {
  const std::size_t start = 176 + index * entrySize;
  if (start + entrySize > master.size()) {
    ADD_FAILURE() << "no entry " << index << " in a master of " << master.size() << " bytes";
    return {};
  }
  return Bytes(master.begin() + static_cast<std::ptrdiff_t>(start),
               master.begin() + static_cast<std::ptrdiff_t>(start + entrySize));
}

bool AllZero(const Bytes& bytes) {
  for (const unsigned char byte : bytes)
    if (byte != 0) return false;
  return true;
}

MasterFacts ExpectCompleteMaster(const Bytes& bytes) {
  MasterFacts facts;
  if (bytes.size() < 176) {
    ADD_FAILURE() << "master of " << bytes.size() << " bytes has no whole header";
    return facts;
  }
  facts.version = I16At(bytes, 138);
  facts.fileCount = I16At(bytes, 148);
  facts.entrySize = qmr::testsupport::EntryTableOf(facts.version).size;
  EXPECT_EQ(I16At(bytes, 150), facts.fileCount) << "file_count_2";
  EXPECT_GE(facts.fileCount, 0);
  const std::string banner(bytes.begin(), bytes.begin() + 128);
  const std::string opening = "QUORAX\r\nVERSION " + std::to_string(facts.version) + "\r\nTREND MASTER\r\n";
  EXPECT_EQ(banner.substr(0, opening.size()), opening);
  EXPECT_EQ(std::string(bytes.begin() + 128, bytes.begin() + 136), std::string("QUORAX\0\0", 8));
  // The banner ends with LF, CR LF and the character 26, then NUL bytes.
  const std::size_t end = banner.find_first_of('\0') == std::string::npos ? 128 : banner.find_first_of('\0');
  EXPECT_GE(end, opening.size() + 4);
  if (end >= 4) {
    EXPECT_EQ(banner.substr(end - 4, 4), "\n\r\n\x1a");
  }
  for (std::size_t i = end; i < 128; ++i) EXPECT_EQ(banner[i], '\0') << "banner byte " << i;

  facts.entries = facts.entrySize == 0 ? 0 : static_cast<std::size_t>(facts.fileCount);
  EXPECT_EQ(bytes.size(), 176 + facts.entries * facts.entrySize)
      << "version " << facts.version << ", file_count " << facts.fileCount;
  for (std::size_t i = 0; i < facts.entries && 176 + (i + 1) * facts.entrySize <= bytes.size(); ++i) {
    const Bytes entry = EntryAt(bytes, facts.entrySize, i);
    if (AllZero(entry)) continue;  // the slot of a file of another family
    const std::size_t pathWidth = facts.entrySize == 432 || facts.entrySize == 448 ? 272 : 144;
    EXPECT_EQ(std::string(entry.begin() + static_cast<std::ptrdiff_t>(pathWidth),
                          entry.begin() + static_cast<std::ptrdiff_t>(pathWidth + 8)),
              std::string("QUORAX\0\0", 8))
        << "entry " << i;
  }
  return facts;
}

void ExpectPromises(const fs::path& folder, const std::vector<std::string>& trends, const FolderState& before,
                    const BatchOutcome& outcome) {
  const FolderState after = Snapshot(folder);

  // Where the batch stopped: trends before it were rebuilt, the failing one
  // and those after it were not touched.
  std::size_t stoppedAt = trends.size();
  if (outcome.failed) {
    EXPECT_FALSE(outcome.events.done);
    EXPECT_FALSE(outcome.description.empty());
    bool named = false;
    for (std::size_t i = 0; i < trends.size(); ++i) {
      if (trends[i] == outcome.failedTrend) {
        stoppedAt = i;
        named = true;
      }
    }
    EXPECT_TRUE(named) << "the failure names '" << outcome.failedTrend << "', no trend of the batch";
    if (!outcome.events.startedTrends.empty()) {
      EXPECT_EQ(outcome.events.startedTrends.back(), outcome.failedTrend) << "the failure names the trend in hand";
    }
  } else {
    EXPECT_TRUE(outcome.events.done);
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
      ExpectCompleteMaster(ReadWholeFile(folder / master));
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
      EXPECT_TRUE(is->second == state) << name << " changed";
    }
  }
  for (const auto& [name, state] : after) {
    if (masters.count(name) == 0 && before.count(name) == 0) ADD_FAILURE() << name << " was left behind";
  }
}

BatchOutcome RebuildChecked(const fs::path& folder, const std::string& trend) {
  const FolderState before = Snapshot(folder);
  BatchOutcome outcome = RunBatch(folder, {trend + ".000"});
  ExpectPromises(folder, {trend}, before, outcome);
  return outcome;
}

}  // namespace hardening
