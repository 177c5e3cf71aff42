// Replacing NAME.qmr: the new master ends where it should, and a failure at
// any point leaves the old one byte for byte and no temporary file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "EngineSupport.h"
#include "tools/Errors.h"
#include "trends/Rebuild.h"

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

  const std::size_t total = kHeaderSize + 200 * 448;
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], (std::pair<std::size_t, std::size_t>{0, 65536}));
  EXPECT_EQ(writes[1], (std::pair<std::size_t, std::size_t>{65536, total - 65536}));
  EXPECT_EQ(ReadWholeFile(PathOf("TANK1.qmr")).size(), total);
}

TEST_F(MasterFileTest, AWriteFailingPartWayLeavesTheOldMasterAndNoTemporaryFile) {
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank", 200));
  for (const bool hadMaster : {true, false}) {
    SCOPED_TRACE(hadMaster ? "with an old master" : "without a master");
    if (hadMaster) WriteBytes(PathOf("TANK1.qmr"), Bytes(3000, 0x5A));
    const auto before = Snapshot(folder());
    qmr::SetWriteFaultHook([](std::size_t written, std::size_t) {
      if (written > 0) throw qmr::Error(qmr::ErrorCode::DiskFull);
    });

    try {
      qmr::RebuildTrend(DataPath("TANK1", 0), events);
      ADD_FAILURE() << "the rebuild did not fail";
    } catch (const qmr::Error& error) {
      EXPECT_EQ(error.code(), qmr::ErrorCode::DiskFull);
    }

    EXPECT_EQ(NamesOf(Snapshot(folder())), NamesOf(before));
    EXPECT_TRUE(Snapshot(folder()) == before) << "the folder changed";
    qmr::SetWriteFaultHook({});
  }
}

TEST_F(MasterFileTest, AMasterPathThatIsAFolderFailsAndChangesNothing) {
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank", 2));
  std::filesystem::create_directory(PathOf("TANK1.qmr"));
  WriteBytes(PathOf("TANK1.qmr") + qmr::kPathSeparator + "inside", Bytes(10, 1));
  const auto before = Snapshot(folder());

  EXPECT_THROW(qmr::RebuildTrend(DataPath("TANK1", 0), events), qmr::Error);

  EXPECT_TRUE(Snapshot(folder()) == before) << "the folder changed";
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
  EXPECT_EQ(info.st_size, static_cast<off_t>(kHeaderSize + 448));
}
#endif

}  // namespace
}  // namespace engine_test
