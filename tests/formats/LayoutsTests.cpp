// Every record against the format tables: its size, and for each field the
// bytes that change when that field (and only it) is written.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "definitions/Definitions.h"
#include "definitions/Families.h"

namespace qmr {
namespace {

// Fills one field of an all-zero record with 0xA5 and checks that exactly
// the bytes [offset, offset + width) of the record image changed.
template <typename Record, typename Field>
void ExpectField(Field Record::*member, std::size_t offset, std::size_t width, const char* name) {
  SCOPED_TRACE(name);
  Record record;
  std::memset(&record, 0, sizeof(record));
  std::memset(&(record.*member), 0xA5, sizeof(Field));
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  std::size_t first = sizeof(Record);
  std::size_t count = 0;
  for (std::size_t i = 0; i < sizeof(Record); ++i) {
    if (bytes[i] == 0xA5) {
      if (first == sizeof(Record)) first = i;
      ++count;
    }
  }
  EXPECT_EQ(first, offset);
  EXPECT_EQ(count, width);
}

#define ROW(Record, field, offset, width) ExpectField(&Record::field, offset, width, #Record "." #field)

TEST(Layouts, DataHeaderV1to3) {
  EXPECT_EQ(sizeof(DataHeaderV1to3), 224u);
  ROW(DataHeaderV1to3, header_text, 0, 112);
  ROW(DataHeaderV1to3, header_bytes, 112, 16);
  ROW(DataHeaderV1to3, maker_text, 128, 8);
  ROW(DataHeaderV1to3, header_int_1, 136, 2);
  ROW(DataHeaderV1to3, version, 138, 2);
  ROW(DataHeaderV1to3, header_long_1, 140, 4);
  ROW(DataHeaderV1to3, trend_name, 144, 32);
  ROW(DataHeaderV1to3, header_long_3, 176, 4);
  ROW(DataHeaderV1to3, header_int_2, 180, 2);
  ROW(DataHeaderV1to3, header_int_3, 182, 2);
  ROW(DataHeaderV1to3, header_int_4, 184, 2);
  ROW(DataHeaderV1to3, header_long_4, 186, 4);
  ROW(DataHeaderV1to3, header_text_4, 190, 8);
  ROW(DataHeaderV1to3, header_long_5, 198, 4);
  ROW(DataHeaderV1to3, order_key, 202, 4);
  ROW(DataHeaderV1to3, trailer_bytes, 206, 16);
  ROW(DataHeaderV1to3, tail_text, 222, 2);
}

TEST(Layouts, DataHeaderV4) {
  EXPECT_EQ(sizeof(DataHeaderV4), 288u);
  ROW(DataHeaderV4, header_text, 0, 112);
  ROW(DataHeaderV4, header_bytes, 112, 16);
  ROW(DataHeaderV4, maker_text, 128, 8);
  ROW(DataHeaderV4, header_int_1, 136, 2);
  ROW(DataHeaderV4, version, 138, 2);
  ROW(DataHeaderV4, header_text_2, 140, 4);
  ROW(DataHeaderV4, header_long_2, 144, 4);
  ROW(DataHeaderV4, header_text_3, 148, 12);
  ROW(DataHeaderV4, trend_name, 160, 64);
  ROW(DataHeaderV4, header_long_3, 224, 4);
  ROW(DataHeaderV4, header_int_2, 228, 2);
  ROW(DataHeaderV4, header_int_3, 230, 2);
  ROW(DataHeaderV4, header_int_4, 232, 2);
  ROW(DataHeaderV4, header_long_4, 234, 4);
  ROW(DataHeaderV4, header_text_4, 238, 8);
  ROW(DataHeaderV4, header_long_5, 246, 4);
  ROW(DataHeaderV4, order_key, 250, 8);
  ROW(DataHeaderV4, trailer_bytes, 258, 24);
  ROW(DataHeaderV4, tail_text, 282, 6);
}

TEST(Layouts, DataHeaderV5) {
  EXPECT_EQ(sizeof(DataHeaderV5), 272u);
  ROW(DataHeaderV5, header_text, 0, 112);
  ROW(DataHeaderV5, header_bytes, 112, 16);
  ROW(DataHeaderV5, maker_text, 128, 8);
  ROW(DataHeaderV5, header_int_1, 136, 2);
  ROW(DataHeaderV5, version, 138, 2);
  ROW(DataHeaderV5, header_long_1, 140, 4);
  ROW(DataHeaderV5, trend_name, 144, 80);
  ROW(DataHeaderV5, header_long_3, 224, 4);
  ROW(DataHeaderV5, header_int_2, 228, 2);
  ROW(DataHeaderV5, header_int_3, 230, 2);
  ROW(DataHeaderV5, header_int_4, 232, 2);
  ROW(DataHeaderV5, header_long_4, 234, 4);
  ROW(DataHeaderV5, header_text_4, 238, 8);
  ROW(DataHeaderV5, header_long_5, 246, 4);
  ROW(DataHeaderV5, order_key, 250, 4);
  ROW(DataHeaderV5, trailer_bytes, 254, 16);
  ROW(DataHeaderV5, tail_text, 270, 2);
}

TEST(Layouts, DataHeaderV6) {
  EXPECT_EQ(sizeof(DataHeaderV6), 304u);
  ROW(DataHeaderV6, header_text, 0, 112);
  ROW(DataHeaderV6, header_bytes, 112, 16);
  ROW(DataHeaderV6, maker_text, 128, 8);
  ROW(DataHeaderV6, header_int_1, 136, 2);
  ROW(DataHeaderV6, version, 138, 2);
  ROW(DataHeaderV6, header_long_1, 140, 4);
  ROW(DataHeaderV6, header_long_2, 144, 4);
  ROW(DataHeaderV6, header_text_3, 148, 12);
  ROW(DataHeaderV6, trend_name, 160, 80);
  ROW(DataHeaderV6, header_long_3, 240, 4);
  ROW(DataHeaderV6, header_int_2, 244, 2);
  ROW(DataHeaderV6, header_int_3, 246, 2);
  ROW(DataHeaderV6, header_int_4, 248, 2);
  ROW(DataHeaderV6, header_long_4, 250, 4);
  ROW(DataHeaderV6, header_text_4, 254, 8);
  ROW(DataHeaderV6, header_long_5, 262, 4);
  ROW(DataHeaderV6, order_key, 266, 8);
  ROW(DataHeaderV6, trailer_bytes, 274, 24);
  ROW(DataHeaderV6, tail_text, 298, 6);
}

TEST(Layouts, MasterHeader) {
  EXPECT_EQ(sizeof(MasterHeader), 176u);
  ROW(MasterHeader, banner, 0, 128);
  ROW(MasterHeader, maker_text, 128, 8);
  ROW(MasterHeader, master_int_1, 136, 2);
  ROW(MasterHeader, version, 138, 2);
  ROW(MasterHeader, master_text_1, 140, 4);
  ROW(MasterHeader, master_long_1, 144, 4);
  ROW(MasterHeader, file_count, 148, 2);
  ROW(MasterHeader, file_count_2, 150, 2);
  ROW(MasterHeader, master_int_2, 152, 2);
  ROW(MasterHeader, master_int_3, 154, 2);
  ROW(MasterHeader, master_text_2, 156, 20);
}

TEST(Layouts, MasterEntryV1to3) {
  EXPECT_EQ(sizeof(MasterEntryV1to3), 240u);
  ROW(MasterEntryV1to3, file_path, 0, 144);
  ROW(MasterEntryV1to3, maker_text, 144, 8);
  ROW(MasterEntryV1to3, header_int_1, 152, 2);
  ROW(MasterEntryV1to3, version, 154, 2);
  ROW(MasterEntryV1to3, header_long_1, 156, 4);
  ROW(MasterEntryV1to3, trend_name, 160, 32);
  ROW(MasterEntryV1to3, header_long_3, 192, 4);
  ROW(MasterEntryV1to3, header_int_2, 196, 2);
  ROW(MasterEntryV1to3, header_int_3, 198, 2);
  ROW(MasterEntryV1to3, header_int_4, 200, 2);
  ROW(MasterEntryV1to3, header_long_4, 202, 4);
  ROW(MasterEntryV1to3, header_text_4, 206, 8);
  ROW(MasterEntryV1to3, header_long_5, 214, 4);
  ROW(MasterEntryV1to3, order_key, 218, 4);
  ROW(MasterEntryV1to3, trailer_bytes, 222, 16);
  ROW(MasterEntryV1to3, tail_text, 238, 2);
}

TEST(Layouts, MasterEntryV4) {
  EXPECT_EQ(sizeof(MasterEntryV4), 432u);
  ROW(MasterEntryV4, file_path, 0, 272);
  ROW(MasterEntryV4, maker_text, 272, 8);
  ROW(MasterEntryV4, header_int_1, 280, 2);
  ROW(MasterEntryV4, version, 282, 2);
  ROW(MasterEntryV4, header_text_2, 284, 4);
  ROW(MasterEntryV4, header_long_2, 288, 4);
  ROW(MasterEntryV4, header_text_3, 292, 12);
  ROW(MasterEntryV4, trend_name, 304, 64);
  ROW(MasterEntryV4, header_long_3, 368, 4);
  ROW(MasterEntryV4, header_int_2, 372, 2);
  ROW(MasterEntryV4, header_int_3, 374, 2);
  ROW(MasterEntryV4, header_int_4, 376, 2);
  ROW(MasterEntryV4, header_long_4, 378, 4);
  ROW(MasterEntryV4, header_text_4, 382, 8);
  ROW(MasterEntryV4, header_long_5, 390, 4);
  ROW(MasterEntryV4, order_key, 394, 8);
  ROW(MasterEntryV4, trailer_bytes, 402, 24);
  ROW(MasterEntryV4, tail_text, 426, 6);
}

TEST(Layouts, MasterEntryV5) {
  EXPECT_EQ(sizeof(MasterEntryV5), 288u);
  ROW(MasterEntryV5, file_path, 0, 144);
  ROW(MasterEntryV5, maker_text, 144, 8);
  ROW(MasterEntryV5, header_int_1, 152, 2);
  ROW(MasterEntryV5, version, 154, 2);
  ROW(MasterEntryV5, header_long_1, 156, 4);
  ROW(MasterEntryV5, trend_name, 160, 80);
  ROW(MasterEntryV5, header_long_3, 240, 4);
  ROW(MasterEntryV5, header_int_2, 244, 2);
  ROW(MasterEntryV5, header_int_3, 246, 2);
  ROW(MasterEntryV5, header_int_4, 248, 2);
  ROW(MasterEntryV5, header_long_4, 250, 4);
  ROW(MasterEntryV5, header_text_4, 254, 8);
  ROW(MasterEntryV5, header_long_5, 262, 4);
  ROW(MasterEntryV5, order_key, 266, 4);
  ROW(MasterEntryV5, trailer_bytes, 270, 16);
  ROW(MasterEntryV5, tail_text, 286, 2);
}

TEST(Layouts, MasterEntryV6) {
  EXPECT_EQ(sizeof(MasterEntryV6), 448u);
  ROW(MasterEntryV6, file_path, 0, 272);
  ROW(MasterEntryV6, maker_text, 272, 8);
  ROW(MasterEntryV6, header_int_1, 280, 2);
  ROW(MasterEntryV6, version, 282, 2);
  ROW(MasterEntryV6, header_long_1, 284, 4);
  ROW(MasterEntryV6, header_long_2, 288, 4);
  ROW(MasterEntryV6, header_text_3, 292, 12);
  ROW(MasterEntryV6, trend_name, 304, 80);
  ROW(MasterEntryV6, header_long_3, 384, 4);
  ROW(MasterEntryV6, header_int_2, 388, 2);
  ROW(MasterEntryV6, header_int_3, 390, 2);
  ROW(MasterEntryV6, header_int_4, 392, 2);
  ROW(MasterEntryV6, header_long_4, 394, 4);
  ROW(MasterEntryV6, header_text_4, 398, 8);
  ROW(MasterEntryV6, header_long_5, 406, 4);
  ROW(MasterEntryV6, order_key, 410, 8);
  ROW(MasterEntryV6, trailer_bytes, 418, 24);
  ROW(MasterEntryV6, tail_text, 442, 6);
}

#undef ROW

std::vector<unsigned char> Raw(const void* field, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(field);
  return std::vector<unsigned char>(bytes, bytes + size);
}

TEST(Layouts, IntegersAreLittleEndianTwosComplement) {
  I16 i16;
  i16.set(0x1234);
  EXPECT_EQ(Raw(i16.raw, 2), (std::vector<unsigned char>{0x34, 0x12}));
  i16.set(-2);
  EXPECT_EQ(Raw(i16.raw, 2), (std::vector<unsigned char>{0xFE, 0xFF}));
  EXPECT_EQ(i16.get(), -2);
  i16.set(INT16_MIN);
  EXPECT_EQ(i16.get(), INT16_MIN);

  I32 i32;
  i32.set(0x12345678);
  EXPECT_EQ(Raw(i32.raw, 4), (std::vector<unsigned char>{0x78, 0x56, 0x34, 0x12}));
  i32.set(-1000);
  EXPECT_EQ(Raw(i32.raw, 4), (std::vector<unsigned char>{0x18, 0xFC, 0xFF, 0xFF}));
  EXPECT_EQ(i32.get(), -1000);

  I64 i64;
  i64.set(0x0102030405060708LL);
  EXPECT_EQ(Raw(i64.raw, 8), (std::vector<unsigned char>{8, 7, 6, 5, 4, 3, 2, 1}));
  i64.set(INT64_MIN);
  EXPECT_EQ(Raw(i64.raw, 8), (std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(i64.get(), INT64_MIN);
}

TEST(Layouts, IntegerFieldLandsLittleEndianInTheRecord) {
  DataHeaderV6 header;
  std::memset(&header, 0, sizeof(header));
  header.version.set(6);
  header.order_key.set(2500);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
  EXPECT_EQ(bytes[138], 6);
  EXPECT_EQ(bytes[139], 0);
  EXPECT_EQ(Raw(bytes + 266, 8), (std::vector<unsigned char>{0xC4, 0x09, 0, 0, 0, 0, 0, 0}));
}

TEST(Layouts, TextAssignPadsWithNulAndKeepsWholeField) {
  Text<8> text;
  std::memset(text.raw, 'x', sizeof(text.raw));
  text.assign("AB");
  EXPECT_EQ(text.whole(), std::string("AB\0\0\0\0\0\0", 8));
}

TEST(Families, VersionChoosesFamilyAndSizes) {
  EXPECT_EQ(FamilyOf(1), Family::V1to3);
  EXPECT_EQ(FamilyOf(2), Family::V1to3);
  EXPECT_EQ(FamilyOf(3), Family::V1to3);
  EXPECT_EQ(FamilyOf(4), Family::V4);
  EXPECT_EQ(FamilyOf(5), Family::V5);
  EXPECT_EQ(FamilyOf(6), Family::V6);
  for (int other : {0, 7, -1, -6, 256, 258, 32767, -32768}) {
    EXPECT_EQ(FamilyOf(static_cast<std::int16_t>(other)), Family::None) << other;
  }

  EXPECT_EQ(DataHeaderSize(Family::V1to3), 224u);
  EXPECT_EQ(DataHeaderSize(Family::V4), 288u);
  EXPECT_EQ(DataHeaderSize(Family::V5), 272u);
  EXPECT_EQ(DataHeaderSize(Family::V6), 304u);
  EXPECT_EQ(DataHeaderSize(Family::None), 0u);

  EXPECT_EQ(MasterEntrySize(Family::V1to3), 240u);
  EXPECT_EQ(MasterEntrySize(Family::V4), 432u);
  EXPECT_EQ(MasterEntrySize(Family::V5), 288u);
  EXPECT_EQ(MasterEntrySize(Family::V6), 448u);
  EXPECT_EQ(MasterEntrySize(Family::None), 0u);
}

}  // namespace
}  // namespace qmr
