#include "Harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <set>
#include <system_error>

#include "tests/support/TestFiles.h"
#include "trends/Batch.h"
#include "trends/Rebuild.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace hardening {

namespace {

std::atomic<unsigned> folderCounter{0};

unsigned ProcessId() {
#ifdef _WIN32
  return 0;
#else
  return static_cast<unsigned>(getpid());
#endif
}

}  // namespace

TempFolder::TempFolder() {
  for (;;) {
    path_ = fs::temp_directory_path() /
            ("qmr-hardening-" + std::to_string(ProcessId()) + "-" + std::to_string(folderCounter++));
    if (fs::create_directory(path_)) break;
  }
}

namespace {

// Removes a folder and all it holds, links not followed, without throwing
// from a destructor whatever odd entries a case left behind.
void RemoveTree(const fs::path& folder) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  for (const fs::path& entry : entries) {
    if (fs::symlink_status(entry, error).type() == fs::file_type::directory) RemoveTree(entry);
    fs::remove(entry, error);
  }
  fs::remove(folder, error);
}

}  // namespace

TempFolder::~TempFolder() { RemoveTree(path_); }

std::uint64_t HashBytes(const Bytes& bytes) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ULL;
  }
  return hash;
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  Bytes bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) ADD_FAILURE() << "cannot read " << path;
  return bytes;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.good()) ADD_FAILURE() << "cannot write " << path;
}

namespace {

// Walks by hand rather than with recursive_directory_iterator, which asks
// for the status behind every link and gives up at a link loop.
void Walk(const fs::path& root, const fs::path& folder, FolderState& state) {
  for (const auto& item : fs::directory_iterator(folder)) {
    EntryState entry;
    entry.type = fs::symlink_status(item.path()).type();
    if (entry.type == fs::file_type::symlink) {
      entry.linkTarget = fs::read_symlink(item.path()).string();
    } else if (entry.type == fs::file_type::regular) {
      const Bytes bytes = ReadBytes(item.path());
      entry.size = bytes.size();
      entry.hash = HashBytes(bytes);
    }
    state[item.path().lexically_relative(root).string()] = entry;
    if (entry.type == fs::file_type::directory) Walk(root, item.path(), state);
  }
}

}  // namespace

FolderState Snapshot(const fs::path& folder) {
  FolderState state;
  Walk(folder, folder, state);
  return state;
}

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
  facts.entrySize = qmr::testsupport::MasterEntrySize(facts.version);
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
      ExpectCompleteMaster(ReadBytes(folder / master));
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
