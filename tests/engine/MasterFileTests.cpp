// Replacing NAME.qmr: the new master ends where it should, and a failure at
// any point leaves the old one byte for byte and no temporary file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Harness.h"

#ifdef __linux__
#include <sys/mount.h>
#endif

namespace engine_test {
namespace {

class MasterFileTest : public EngineTest {};

TEST_F(MasterFileTest, AnOldLongerMasterLeavesNoBytesBehind) {
  const auto files = RisingTrend(5, "Flow", 2);
  WriteTrend(folder(), "FLOW", files);
  WriteBytes(PathOf("FLOW.qmr"), Bytes(100000, 0xEE));

  qmr::RebuildTrend(DataPath("FLOW", 0), events);

  EXPECT_EQ(ReadWholeFile(PathOf("FLOW.qmr")), ExpectedMaster("FLOW", files, 5, "Flow", {1, 0}));
}

TEST_F(MasterFileTest, TheMasterIsWrittenInChunks) {
  // 200 entries of 448 bytes and the header: one full chunk and the rest.
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank", 200));
  std::vector<std::pair<std::size_t, std::size_t>> writes;
  qmr::SetWriteFaultHook([&](std::size_t written, std::size_t chunk) { writes.emplace_back(written, chunk); });

  qmr::RebuildTrend(DataPath("TANK1", 0), events);

  const std::size_t total = kMasterHeaderSize + 200 * 448;
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], (std::pair<std::size_t, std::size_t>{0, 65536}));
  EXPECT_EQ(writes[1], (std::pair<std::size_t, std::size_t>{65536, total - 65536}));
  EXPECT_EQ(ReadWholeFile(PathOf("TANK1.qmr")).size(), total);
}

// A device that fails on the first or on a later write of the master
// (simulated below the temporary file, with the error it would give): the
// old master stays byte for byte, or there is still none; no temporary file
// is left, and the error reaches the batch with the trend's name.
TEST_F(MasterFileTest, AWriteFailingAtAnyChunkLeavesTheOldMasterOrNone) {
  // 200 entries of 448 bytes: a master of two writes.
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank", 200));
  const struct {
    std::size_t failAt;
    qmr::ErrorCode code;
  } faults[] = {{0, qmr::ErrorCode::DeviceIO}, {1, qmr::ErrorCode::DiskFull}};
  for (const bool hadMaster : {true, false}) {
    for (const auto& fault : faults) {
      SCOPED_TRACE(Numbered(hadMaster ? "with an old master, failing at chunk " : "without a master, failing at chunk ",
                            static_cast<long long>(fault.failAt)));
      std::filesystem::remove(PathOf("TANK1.qmr"));
      if (hadMaster) WriteBytes(PathOf("TANK1.qmr"), Bytes(3000, 0x5A));
      std::size_t chunks = 0;
      qmr::SetWriteFaultHook([&](std::size_t, std::size_t) {
        if (chunks++ == fault.failAt) throw qmr::Error(fault.code);
      });

      const RecordingEvents outcome = RebuildChecked("TANK1");

      qmr::SetWriteFaultHook({});
      EXPECT_GT(chunks, fault.failAt) << "the master was written in fewer writes than expected";
      ASSERT_TRUE(outcome.failed);
      EXPECT_EQ(outcome.failedCode, fault.code);
      EXPECT_EQ(outcome.failedTrend, "TANK1");
      if (hadMaster)
        EXPECT_EQ(Master("TANK1"), Bytes(3000, 0x5A));
      else
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(PathOf("TANK1.qmr"))));
    }
  }
}

TEST_F(MasterFileTest, AMissingFolderFailsWithoutCreatingAnything) {
  const std::string missing = PathOf("missing") + qmr::kPathSeparator + "T.qmr";
  const unsigned char bytes[] = {1, 2, 3};
  EXPECT_THROW(qmr::WriteMasterFile(missing, bytes), qmr::Error);
  EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

#ifndef _WIN32
TEST_F(MasterFileTest, AReplacedMasterKeepsItsPermissions) {
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank", 1));
  WriteBytes(PathOf("TANK1.qmr"), Bytes(10, 0));
  ASSERT_EQ(chmod(PathOf("TANK1.qmr").c_str(), 0640), 0);

  qmr::RebuildTrend(DataPath("TANK1", 0), events);

  struct stat info {};
  ASSERT_EQ(stat(PathOf("TANK1.qmr").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(info.st_size, static_cast<off_t>(kMasterHeaderSize + 448));
}
#endif

#ifdef __linux__
// A real full disk: a memory file system just big enough for the data files
// and a one-page old master, too small for the new master. Needs the right
// to mount, so it is skipped where the tests do not run as root.
TEST_F(MasterFileTest, ARealFullDiskKeepsTheOldMaster) {
  const std::string disk = PathOf("disk");
  std::filesystem::create_directory(disk);
  // 40 data files of one 4 KiB page each, the old master's page, and three
  // pages to spare: the new master needs five (176 + 40 x 448 bytes).
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=176k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};

  WriteTrend(disk, "T", RisingTrend(6, "Full disk", 40));
  const Bytes oldMaster(100, 0xD1);
  WriteBytes(disk + "/T.qmr", oldMaster);

  const RecordingEvents outcome = engine_test::RebuildChecked(disk, "T");

  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedCode, qmr::ErrorCode::DiskFull);
  EXPECT_EQ(outcome.failedTrend, "T");
  EXPECT_EQ(ReadWholeFile(disk + "/T.qmr"), oldMaster);
}
#endif

}  // namespace
}  // namespace engine_test
