// The master header and the four entry builders, checked byte for byte
// against the master file tables.
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ErrorCodeOf.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "trends/Builders.h"

namespace qmr {
namespace {

using namespace std::string_literals;

using testsupport::CodeOf;
using testsupport::MakeTime;

template <typename Record>
std::string Image(const Record& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(Record));
}

template <typename Record>
Record Zeroed() {
  Record record;
  std::memset(&record, 0, sizeof(record));
  return record;
}

// Fixes the clock at Tue Mar 06 09:05:03 2007 for the length of a test.
class MasterHeaderTest : public ::testing::Test {
 protected:
  static std::string Banner(const MasterHeader& header) { return Image(header).substr(0, 128); }

 private:
  testsupport::FixedClock clock_;
};

const std::string kTank1Banner = "QUORAX\r\nVERSION 6\r\nTREND MASTER\r\nTANK1\r\nTue Mar 06 09:05:03 2007\n\r\n\x1a"s;

TEST_F(MasterHeaderTest, Tank1ExampleByteForByte) {
  ASSERT_EQ(kTank1Banner.size(), 68u);
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, 6, "TANK1", 3);

  std::string expected = kTank1Banner + std::string(60, '\0');  // banner
  expected += "QUORAX\0\0"s;                                    // maker_text
  expected += "\0\0"s;                                          // master_int_1
  expected += "\x06\0"s;                                        // version
  expected += std::string(4, '\0');                             // master_text_1
  expected += std::string(4, '\0');                             // master_long_1
  expected += "\x03\0\x03\0"s;                                  // file_count twice
  expected += std::string(4, '\0');                             // master_int_2, _3
  expected += std::string(20, '\0');                            // master_text_2
  ASSERT_EQ(expected.size(), 176u);
  EXPECT_EQ(Image(header), expected);
}

TEST_F(MasterHeaderTest, NameIsCutAtItsFirstNul) {
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, 6, "TANK1\0JUNK"s, 3);
  EXPECT_EQ(Banner(header), kTank1Banner + std::string(60, '\0'));
}

TEST_F(MasterHeaderTest, SixtyFiveCharacterNameFillsTheBanner) {
  const std::string name(65, 'N');
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, 5, name, 1);
  const std::string banner = Banner(header);
  EXPECT_EQ(banner.find('\0'), std::string::npos);
  EXPECT_EQ(banner, "QUORAX\r\nVERSION 5\r\nTREND MASTER\r\n" + name + "\r\nTue Mar 06 09:05:03 2007\n\r\n\x1a");
}

TEST_F(MasterHeaderTest, SixtySixCharacterNameIsTooLongAndLeavesRecordUntouched) {
  auto header = Zeroed<MasterHeader>();
  EXPECT_EQ(CodeOf([&] { BuildMasterHeader(header, 5, std::string(66, 'N'), 1); }), ErrorCode::InvalidArgument);
  EXPECT_EQ(Image(header), std::string(176, '\0'));
}

TEST_F(MasterHeaderTest, EmptyNameKeepsBothLineBreaks) {
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, 2, "", 0);
  EXPECT_EQ(Banner(header),
            "QUORAX\r\nVERSION 2\r\nTREND MASTER\r\n\r\nTue Mar 06 09:05:03 2007\n\r\n\x1a"s + std::string(65, '\0'));
}

TEST_F(MasterHeaderTest, NegativeAndWideVersionsInDecimal) {
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, -3, "T", 0);
  EXPECT_EQ(Banner(header).substr(0, 20), "QUORAX\r\nVERSION -3\r\n");
  EXPECT_EQ(Image(header).substr(138, 2), "\xFD\xFF"s);

  auto wide = Zeroed<MasterHeader>();
  BuildMasterHeader(wide, -32768, "T", 0);
  EXPECT_EQ(Banner(wide).substr(0, 24), "QUORAX\r\nVERSION -32768\r\n");
}

TEST_F(MasterHeaderTest, ReadsTheClockOnce) {
  int calls = 0;
  SetLocalTimeSource([&calls] {
    ++calls;
    return MakeTime(2007, 3, 6, 9, 5, 3, 2);
  });
  auto header = Zeroed<MasterHeader>();
  BuildMasterHeader(header, 6, "TANK1", 1);
  EXPECT_EQ(calls, 1);
}

TEST(BannerTime, FixedEnglishNamesAndTwoDigitFields) {
  EXPECT_EQ(FormatBannerTime(MakeTime(2000, 1, 1, 0, 0, 0, 6)), "Sat Jan 01 00:00:00 2000");
  EXPECT_EQ(FormatBannerTime(MakeTime(1999, 12, 31, 23, 59, 59, 5)), "Fri Dec 31 23:59:59 1999");
  EXPECT_EQ(FormatBannerTime(MakeTime(2023, 7, 9, 14, 7, 8, 0)), "Sun Jul 09 14:07:08 2023");
  const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int day = 0; day < 7; ++day)
    EXPECT_EQ(FormatBannerTime(MakeTime(2007, 3, 6, 9, 5, 3, day)).substr(0, 3), days[day]);
  for (int month = 1; month <= 12; ++month)
    EXPECT_EQ(FormatBannerTime(MakeTime(2007, month, 6, 9, 5, 3, 2)).substr(4, 3), months[month - 1]);
}

TEST(BannerTime, ImpossibleWeekdayOrMonthIsRejected) {
  EXPECT_EQ(CodeOf([] { FormatBannerTime(MakeTime(2007, 13, 6, 9, 5, 3, 2)); }), ErrorCode::InvalidArgument);
  EXPECT_EQ(CodeOf([] { FormatBannerTime(MakeTime(2007, 3, 6, 9, 5, 3, 7)); }), ErrorCode::InvalidArgument);
  EXPECT_EQ(CodeOf([] { FormatBannerTime(MakeTime(2007, 3, 6, 9, 5, 3, -1)); }), ErrorCode::InvalidArgument);
}

TEST(BannerTime, SystemClockWhenNoSourceIsSet) {
  const LocalTimeSource previous = SetLocalTimeSource({});
  std::tm local = CurrentLocalTime();
  const std::time_t now = std::time(nullptr);
  SetLocalTimeSource(previous);
  local.tm_isdst = -1;
  const double apart = std::difftime(now, std::mktime(&local));
  EXPECT_GE(apart, 0.0);
  EXPECT_LE(apart, 60.0);
}

TEST(BannerTime, SetReturnsThePreviousSource) {
  const LocalTimeSource original = SetLocalTimeSource([] { return MakeTime(2001, 2, 3, 4, 5, 6, 6); });
  const LocalTimeSource mine = SetLocalTimeSource(original);
  ASSERT_TRUE(mine);
  EXPECT_EQ(FormatBannerTime(mine()), "Sat Feb 03 04:05:06 2001");
}

TEST(PadAndCut, PadAppendsNulsAndNeverCuts) {
  EXPECT_EQ(PadWithNul("AB", 5), "AB\0\0\0"s);
  EXPECT_EQ(PadWithNul("", 3), "\0\0\0"s);
  EXPECT_EQ(PadWithNul("ABC", 3), "ABC");
  EXPECT_EQ(PadWithNul("", 0), "");
  EXPECT_EQ(CodeOf([] { PadWithNul("ABCD", 3); }), ErrorCode::InvalidArgument);
  // Lengths are bytes: a two-byte UTF-8 character counts twice.
  EXPECT_EQ(PadWithNul("\xC3\xA9", 3), "\xC3\xA9\0"s);
  EXPECT_EQ(CodeOf([] { PadWithNul("\xC3\xA9", 1); }), ErrorCode::InvalidArgument);
}

TEST(PadAndCut, CutStopsAtFirstNul) {
  EXPECT_EQ(CutAtNul("ABC"), "ABC");
  EXPECT_EQ(CutAtNul("AB\0C\0"s), "AB");
  EXPECT_EQ(CutAtNul("\0ABC"s), "");
  EXPECT_EQ(CutAtNul(""), "");
}

// ---------------------------------------------------------------------------
// Entries: every byte of the entry is either the path, the maker word, a
// byte copied from the data header at the table's offset, or zero.

struct Copy {
  std::size_t entryOffset;
  std::size_t width;
  std::size_t dataOffset;
};

template <typename Data>
Data Patterned() {
  Data data;
  auto* bytes = reinterpret_cast<unsigned char*>(&data);
  for (std::size_t i = 0; i < sizeof(Data); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
  // A NUL inside the name: the bytes after it must still be copied.
  data.trend_name.raw[3] = '\0';
  return data;
}

template <typename Entry, typename Data>
std::string ExpectedEntry(const Data& data, const std::string& path, std::size_t pathWidth,
                          const std::vector<Copy>& copies) {
  std::string expected(sizeof(Entry), '\0');
  expected.replace(0, path.size(), path);
  expected.replace(pathWidth, 6, "QUORAX");
  const std::string source = Image(data);
  for (const Copy& copy : copies)
    expected.replace(copy.entryOffset, copy.width, source.substr(copy.dataOffset, copy.width));
  return expected;
}

const std::string kPath = "D:\\TRENDS\\TANK1.007";

TEST(Entries, V1to3FromItsTable) {
  const auto data = Patterned<DataHeaderV1to3>();
  auto entry = Zeroed<MasterEntryV1to3>();
  BuildEntryV1to3(data, entry, kPath);
  const std::vector<Copy> copies = {{154, 2, 138}, {156, 4, 140}, {160, 32, 144}, {192, 4, 176},
                                    {196, 2, 180}, {198, 2, 182}, {200, 2, 184},  {202, 4, 186},
                                    {206, 8, 190}, {214, 4, 198}, {218, 4, 202},  {222, 16, 206}};
  EXPECT_EQ(Image(entry), ExpectedEntry<MasterEntryV1to3>(data, kPath, 144, copies));
}

TEST(Entries, V4FromItsTable) {
  const auto data = Patterned<DataHeaderV4>();
  auto entry = Zeroed<MasterEntryV4>();
  BuildEntryV4(data, entry, kPath);
  const std::vector<Copy> copies = {{282, 2, 138}, {288, 4, 144}, {304, 64, 160}, {368, 4, 224},
                                    {372, 2, 228}, {374, 2, 230}, {376, 2, 232},  {378, 4, 234},
                                    {382, 8, 238}, {390, 4, 246}, {394, 8, 250},  {402, 24, 258}};
  EXPECT_EQ(Image(entry), ExpectedEntry<MasterEntryV4>(data, kPath, 272, copies));
}

TEST(Entries, V5FromItsTable) {
  const auto data = Patterned<DataHeaderV5>();
  auto entry = Zeroed<MasterEntryV5>();
  BuildEntryV5(data, entry, kPath);
  const std::vector<Copy> copies = {{154, 2, 138}, {156, 4, 140}, {160, 80, 144}, {240, 4, 224},
                                    {244, 2, 228}, {246, 2, 230}, {248, 2, 232},  {250, 4, 234},
                                    {254, 8, 238}, {262, 4, 246}, {266, 4, 250},  {270, 16, 254}};
  EXPECT_EQ(Image(entry), ExpectedEntry<MasterEntryV5>(data, kPath, 144, copies));
}

TEST(Entries, V6FromItsTable) {
  const auto data = Patterned<DataHeaderV6>();
  auto entry = Zeroed<MasterEntryV6>();
  BuildEntryV6(data, entry, kPath);
  const std::vector<Copy> copies = {{282, 2, 138}, {284, 4, 140}, {288, 4, 144}, {304, 80, 160}, {384, 4, 240},
                                    {388, 2, 244}, {390, 2, 246}, {392, 2, 248}, {394, 4, 250},  {398, 8, 254},
                                    {406, 4, 262}, {410, 8, 266}, {418, 24, 274}};
  EXPECT_EQ(Image(entry), ExpectedEntry<MasterEntryV6>(data, kPath, 272, copies));
}

TEST(Entries, TrendNameIsCopiedWholeIncludingBytesAfterItsNul) {
  auto data = Zeroed<DataHeaderV6>();
  std::string name = "ABC"s + std::string(77, '\0');
  name.replace(40, 4, "JUNK");
  std::memcpy(data.trend_name.raw, name.data(), 80);
  auto entry = Zeroed<MasterEntryV6>();
  BuildEntryV6(data, entry, "x");
  EXPECT_EQ(Image(entry).substr(304, 80), name);
}

TEST(Entries, Family5PathLimitIs144Bytes) {
  const auto data = Patterned<DataHeaderV5>();

  auto entry = Zeroed<MasterEntryV5>();
  BuildEntryV5(data, entry, std::string(143, 'p'));
  EXPECT_EQ(Image(entry).substr(0, 144), std::string(143, 'p') + '\0');

  BuildEntryV5(data, entry, std::string(144, 'q'));
  EXPECT_EQ(Image(entry).substr(0, 144), std::string(144, 'q'));
  EXPECT_EQ(Image(entry).substr(144, 8), "QUORAX\0\0"s);

  auto untouched = Zeroed<MasterEntryV5>();
  EXPECT_EQ(CodeOf([&] { BuildEntryV5(data, untouched, std::string(145, 'r')); }), ErrorCode::InvalidArgument);
  EXPECT_EQ(Image(untouched), std::string(sizeof(MasterEntryV5), '\0'));
}

TEST(Entries, WidePathLimitIs272Bytes) {
  auto entry4 = Zeroed<MasterEntryV4>();
  BuildEntryV4(Patterned<DataHeaderV4>(), entry4, std::string(272, 'p'));
  EXPECT_EQ(Image(entry4).substr(0, 272), std::string(272, 'p'));
  EXPECT_EQ(CodeOf([&] { BuildEntryV4(Patterned<DataHeaderV4>(), entry4, std::string(273, 'p')); }),
            ErrorCode::InvalidArgument);

  auto entry6 = Zeroed<MasterEntryV6>();
  EXPECT_EQ(CodeOf([&] { BuildEntryV6(Patterned<DataHeaderV6>(), entry6, std::string(273, 'p')); }),
            ErrorCode::InvalidArgument);
  auto entry1 = Zeroed<MasterEntryV1to3>();
  EXPECT_EQ(CodeOf([&] { BuildEntryV1to3(Patterned<DataHeaderV1to3>(), entry1, std::string(145, 'p')); }),
            ErrorCode::InvalidArgument);
}

}  // namespace
}  // namespace qmr
