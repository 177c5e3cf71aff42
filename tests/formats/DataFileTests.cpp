// Reading a data file's version word and header, from bytes and from disk.
#include <cstring>
#include <filesystem>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "definitions/DataFile.h"
#include "tests/support/ErrorCodeOf.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "trends/Builders.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qmr {
namespace {

// A header image of `size` bytes with a recognisable pattern and the given
// version bytes at 138 and 139.
std::vector<unsigned char> HeaderBytes(std::size_t size, unsigned char low, unsigned char high) {
  std::vector<unsigned char> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 13 + 1);
  if (size > 139) {
    bytes[138] = low;
    bytes[139] = high;
  }
  return bytes;
}

DataFileHeader Decode(const std::vector<unsigned char>& bytes, std::size_t length) {
  return DecodeDataFileHeader(std::span<const unsigned char>(bytes.data(), length));
}

template <typename Header>
std::vector<unsigned char> ImageOf(const DataFileHeader& result) {
  const Header& header = std::get<Header>(result.header);
  const auto* raw = reinterpret_cast<const unsigned char*>(&header);
  return std::vector<unsigned char>(raw, raw + sizeof(Header));
}

// The bytes of whichever header the result holds; empty when it holds none.
std::vector<unsigned char> HeldImage(const DataFileHeader& result) {
  return std::visit(
      [](const auto& header) {
        if constexpr (std::is_same_v<std::decay_t<decltype(header)>, std::monostate>) {
          return std::vector<unsigned char>{};
        } else {
          const auto* raw = reinterpret_cast<const unsigned char*>(&header);
          return std::vector<unsigned char>(raw, raw + sizeof(header));
        }
      },
      result.header);
}

TEST(DecodeDataFileHeader, Version2ReadsTheSharedLayout) {
  const auto bytes = HeaderBytes(224, 0x02, 0x00);
  const DataFileHeader result = Decode(bytes, bytes.size());
  ASSERT_TRUE(result.recognised());
  EXPECT_TRUE(result.hasVersion);
  EXPECT_EQ(result.version, 2);
  EXPECT_EQ(result.family, Family::V1to3);
  EXPECT_EQ(ImageOf<DataHeaderV1to3>(result), bytes);
  EXPECT_EQ(std::get<DataHeaderV1to3>(result.header).version.get(), 2);
}

TEST(DecodeDataFileHeader, EachVersionChoosesItsLayout) {
  struct Case {
    unsigned char version;
    std::size_t size;
    Family family;
  };
  for (const Case& c : {Case{1, 224, Family::V1to3}, Case{3, 224, Family::V1to3}, Case{4, 288, Family::V4},
                        Case{5, 272, Family::V5}, Case{6, 304, Family::V6}}) {
    SCOPED_TRACE(static_cast<int>(c.version));
    const auto bytes = HeaderBytes(c.size, c.version, 0);
    const DataFileHeader result = Decode(bytes, bytes.size());
    ASSERT_TRUE(result.recognised());
    EXPECT_EQ(result.family, c.family);
    EXPECT_EQ(result.header.index(), static_cast<std::size_t>(c.family));
  }
  const auto v4 = HeaderBytes(288, 4, 0);
  EXPECT_EQ(ImageOf<DataHeaderV4>(Decode(v4, v4.size())), v4);
  const auto v5 = HeaderBytes(272, 5, 0);
  EXPECT_EQ(ImageOf<DataHeaderV5>(Decode(v5, v5.size())), v5);
  const auto v6 = HeaderBytes(304, 6, 0);
  EXPECT_EQ(ImageOf<DataHeaderV6>(Decode(v6, v6.size())), v6);
}

TEST(DecodeDataFileHeader, OtherVersionsAreNotTrendFiles) {
  for (auto [low, high] :
       {std::pair{0x07, 0x00}, std::pair{0x00, 0x00}, std::pair{0x02, 0x01}, std::pair{0xFE, 0xFF}}) {
    const auto bytes = HeaderBytes(304, static_cast<unsigned char>(low), static_cast<unsigned char>(high));
    const DataFileHeader result = Decode(bytes, bytes.size());
    EXPECT_TRUE(result.hasVersion);
    EXPECT_EQ(result.version, static_cast<std::int16_t>(low | (high << 8)));
    EXPECT_EQ(result.family, Family::None);
    EXPECT_FALSE(result.recognised());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(result.header));
  }
}

TEST(DecodeDataFileHeader, Family4OrderKeyAndFamily6Name) {
  auto v4 = HeaderBytes(288, 4, 0);
  const unsigned char key[8] = {0xC4, 0x09, 0, 0, 0, 0, 0, 0};  // 2500
  std::memcpy(v4.data() + 250, key, 8);
  EXPECT_EQ(std::get<DataHeaderV4>(Decode(v4, v4.size()).header).order_key.get(), 2500);

  auto v6 = HeaderBytes(304, 6, 0);
  std::memset(v6.data() + 160, 'A', 80);
  const auto full = std::get<DataHeaderV6>(Decode(v6, v6.size()).header);
  EXPECT_EQ(CutAtNul(full.trend_name.whole()), std::string(80, 'A'));
  std::memcpy(v6.data() + 160, "ABC\0\0\0\0X", 8);
  const auto cut = std::get<DataHeaderV6>(Decode(v6, v6.size()).header);
  EXPECT_EQ(CutAtNul(cut.trend_name.whole()), "ABC");
  EXPECT_EQ(cut.trend_name.whole().size(), 80u);
  EXPECT_EQ(cut.trend_name.whole()[7], 'X');
}

// Every length from empty to beyond the header: the version appears at 140
// bytes, the header exactly at its own size, and never anything invented.
TEST(DecodeDataFileHeader, EveryTruncationIsConsistent) {
  for (unsigned char version : {2, 4, 5, 6}) {
    const std::size_t size = DataHeaderSize(FamilyOf(version));
    const auto bytes = HeaderBytes(size + 20, version, 0);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
      SCOPED_TRACE(std::to_string(version) + " / " + std::to_string(length));
      const DataFileHeader result = Decode(bytes, length);
      EXPECT_EQ(result.hasVersion, length >= 140);
      EXPECT_EQ(result.version, length >= 140 ? version : 0);
      EXPECT_EQ(result.family, length >= 140 ? FamilyOf(version) : Family::None);
      EXPECT_EQ(result.recognised(), length >= size);
      const auto held = HeldImage(result);
      if (length >= size) {
        EXPECT_EQ(held, std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
      } else {
        EXPECT_TRUE(held.empty());
      }
    }
  }
}

TEST(DecodeDataFileHeader, OnlyTheHeaderIsTaken) {
  auto bytes = HeaderBytes(1000, 2, 0);
  const DataFileHeader result = Decode(bytes, bytes.size());
  const std::vector<unsigned char> first(bytes.begin(), bytes.begin() + 224);
  EXPECT_EQ(ImageOf<DataHeaderV1to3>(result), first);
}

std::string AsText(const std::vector<unsigned char>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(ReadDataFileHeader, ReadsWhatIsOnDisk) {
  const testsupport::TempFolder folder;
  for (unsigned char version : {2, 4, 5, 6}) {
    SCOPED_TRACE(static_cast<int>(version));
    // Data follow the header in a real file; they must not disturb it.
    const auto bytes = HeaderBytes(DataHeaderSize(FamilyOf(version)) + 500, version, 0);
    const std::string path = folder.write("TANK" + std::to_string(version) + ".000", AsText(bytes));
    const DataFileHeader fromDisk = ReadDataFileHeader(path);
    const DataFileHeader fromBytes = Decode(bytes, bytes.size());
    ASSERT_TRUE(fromDisk.recognised());
    EXPECT_EQ(fromDisk.version, fromBytes.version);
    EXPECT_EQ(fromDisk.family, fromBytes.family);
    EXPECT_EQ(fromDisk.header.index(), fromBytes.header.index());
    EXPECT_EQ(HeldImage(fromDisk), HeldImage(fromBytes));
  }
}

TEST(ReadDataFileHeader, ShortAndEmptyFilesAreNotTrendFiles) {
  const testsupport::TempFolder folder;
  const auto bytes = HeaderBytes(200, 6, 0);
  const DataFileHeader shortFile = ReadDataFileHeader(folder.write("SHORT.000", AsText(bytes)));
  EXPECT_TRUE(shortFile.hasVersion);
  EXPECT_EQ(shortFile.version, 6);
  EXPECT_FALSE(shortFile.recognised());

  const DataFileHeader empty = ReadDataFileHeader(folder.write("EMPTY.000", ""));
  EXPECT_FALSE(empty.hasVersion);
  EXPECT_FALSE(empty.recognised());
}

ErrorCode FailureOf(const std::string& path) {
  const Error error = testsupport::ErrorOf([&] { ReadDataFileHeader(path); });
  EXPECT_NE(error.description().find(path), std::string::npos) << error.description();
  return error.code();
}

TEST(ReadDataFileHeader, FailuresCarryTheirNumbers) {
  const testsupport::TempFolder folder;
  EXPECT_EQ(FailureOf(folder / "MISSING.000"), ErrorCode::FileNotFound);
  EXPECT_EQ(FailureOf(folder / "gone/MISSING.000"), ErrorCode::PathNotFound);
  std::filesystem::create_directory(folder / "FOLDER.000");
  // The text before the NUL names a real file, which must not be read instead.
  const std::string real = folder.write("TANK1", std::string(304, '\0'));
  EXPECT_EQ(testsupport::CodeOf([&] { ReadDataFileHeader(real + std::string(1, '\0') + ".000"); }),
            ErrorCode::BadFileName);
#ifndef _WIN32
  // Opening a folder succeeds here; reading it is what fails.
  EXPECT_EQ(FailureOf(folder / "FOLDER.000"), ErrorCode::PathFileAccess);
#endif
}

#ifndef _WIN32
// Another program may put a pipe where a data file was after the rebuild
// checked that an ordinary file is there: reading it must not wait for a
// writer that never comes.
TEST(ReadDataFileHeader, APipeInPlaceOfTheFileDoesNotHang) {
  const testsupport::TempFolder folder;
  const std::string path = folder / "PIPE.000";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const DataFileHeader read = ReadDataFileHeader(path);
  EXPECT_FALSE(read.hasVersion);
  EXPECT_FALSE(read.recognised());
}

TEST(ReadDataFileHeader, UnreadableFileThrowsPermissionDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root is never refused access";
  const testsupport::TempFolder folder;
  const std::string path = folder.write("LOCKED.000", std::string(304, '\0'));
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  EXPECT_EQ(FailureOf(path), ErrorCode::PermissionDenied);
}
#endif

}  // namespace
}  // namespace qmr
