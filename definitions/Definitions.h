// Byte-exact record layouts of the runtime's trend files: the four data file
// headers and the master file's header and four entry layouts.
//
// Every field is a byte array, so the records have alignment 1 and no padding:
// a record is read or written whole with memcpy, and the on-disk integers stay
// little-endian whatever the host. The static_asserts at the end of this file
// pin every size and offset; compare them with the format tables line by line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace qmr {

// The signed little-endian integer of `width` (1 to 8) bytes at `bytes`,
// sign-extended: the one reader of the stored integers.
constexpr std::int64_t ReadLittleEndian(const std::uint8_t* bytes, std::size_t width) noexcept {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
  if (width < 8 && ((value >> (8 * width - 1)) & 1U) != 0) value |= ~std::uint64_t{0} << (8 * width);
  return static_cast<std::int64_t>(value);
}

// Signed little-endian integers as stored on disk.
template <typename T, std::size_t N>
struct LittleEndian {
  std::uint8_t raw[N];

  T get() const noexcept { return static_cast<T>(ReadLittleEndian(raw, N)); }
  void set(T value) noexcept {
    using U = std::make_unsigned_t<T>;
    const U bits = static_cast<U>(value);
    for (std::size_t i = 0; i < N; ++i) raw[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
};
using I16 = LittleEndian<std::int16_t, 2>;
using I32 = LittleEndian<std::int32_t, 4>;
using I64 = LittleEndian<std::int64_t, 8>;

// Fixed text field: N single-byte characters, NUL-filled, no length prefix.
template <std::size_t N>
struct Text {
  char raw[N];

  // The whole field, NUL bytes and whatever follows them included.
  std::string whole() const { return std::string(raw, N); }
  // Stores exactly N bytes; the caller pads (PadWithNul) before.
  void assign(std::string_view bytes) noexcept {
    std::memset(raw, 0, N);
    std::memcpy(raw, bytes.data(), bytes.size() < N ? bytes.size() : N);
  }
};

// Bytes that the program carries but never interprets.
template <std::size_t N>
struct Bytes {
  std::uint8_t raw[N];
};

// ---------------------------------------------------------------------------
// Data file headers. The version word at offset 138 chooses the layout.

inline constexpr std::size_t kVersionOffset = 138;
// A file shorter than this cannot even hold the common part of a header.
inline constexpr std::size_t kCommonHeaderSize = 140;

struct DataHeaderV1to3 {  // versions 1, 2 and 3
  Text<112> header_text;
  Bytes<16> header_bytes;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  Text<32> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I32 order_key;
  Bytes<16> trailer_bytes;
  Text<2> tail_text;
};

struct DataHeaderV4 {  // version 4
  Text<112> header_text;
  Bytes<16> header_bytes;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  Text<4> header_text_2;
  I32 header_long_2;
  Text<12> header_text_3;
  Text<64> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I64 order_key;
  Bytes<24> trailer_bytes;
  Text<6> tail_text;
};

struct DataHeaderV5 {  // version 5
  Text<112> header_text;
  Bytes<16> header_bytes;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  Text<80> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I32 order_key;
  Bytes<16> trailer_bytes;
  Text<2> tail_text;
};

struct DataHeaderV6 {  // version 6
  Text<112> header_text;
  Bytes<16> header_bytes;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  I32 header_long_2;
  Text<12> header_text_3;
  Text<80> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I64 order_key;
  Bytes<24> trailer_bytes;
  Text<6> tail_text;
};

// ---------------------------------------------------------------------------
// Master file: one MasterHeader, then one entry per data file slot.

inline constexpr std::size_t kBannerWidth = 128;

struct MasterHeader {
  Text<128> banner;
  Text<8> maker_text;
  I16 master_int_1;
  I16 version;
  Text<4> master_text_1;
  I32 master_long_1;
  I16 file_count;
  I16 file_count_2;
  I16 master_int_2;
  I16 master_int_3;
  Text<20> master_text_2;
};

struct MasterEntryV1to3 {  // data header offsets + 16
  Text<144> file_path;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  Text<32> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I32 order_key;
  Bytes<16> trailer_bytes;
  Text<2> tail_text;
};

struct MasterEntryV4 {  // data header offsets + 144
  Text<272> file_path;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  Text<4> header_text_2;
  I32 header_long_2;
  Text<12> header_text_3;
  Text<64> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I64 order_key;
  Bytes<24> trailer_bytes;
  Text<6> tail_text;
};

struct MasterEntryV5 {  // data header offsets + 16
  Text<144> file_path;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  Text<80> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I32 order_key;
  Bytes<16> trailer_bytes;
  Text<2> tail_text;
};

struct MasterEntryV6 {  // data header offsets + 144
  Text<272> file_path;
  Text<8> maker_text;
  I16 header_int_1;
  I16 version;
  I32 header_long_1;
  I32 header_long_2;
  Text<12> header_text_3;
  Text<80> trend_name;
  I32 header_long_3;
  I16 header_int_2;
  I16 header_int_3;
  I16 header_int_4;
  I32 header_long_4;
  Text<8> header_text_4;
  I32 header_long_5;
  I64 order_key;
  Bytes<24> trailer_bytes;
  Text<6> tail_text;
};

}  // namespace qmr

// ---------------------------------------------------------------------------
// Compile-time layout checks, one line per table row.

#define QMR_AT(Record, field, offset, width)                                              \
  static_assert(offsetof(qmr::Record, field) == (offset), #Record "::" #field " offset"); \
  static_assert(sizeof(qmr::Record::field) == (width), #Record "::" #field " width")

// DataHeaderV1to3, 224 bytes
static_assert(sizeof(qmr::DataHeaderV1to3) == 224);
QMR_AT(DataHeaderV1to3, header_text, 0, 112);
QMR_AT(DataHeaderV1to3, header_bytes, 112, 16);
QMR_AT(DataHeaderV1to3, maker_text, 128, 8);
QMR_AT(DataHeaderV1to3, header_int_1, 136, 2);
QMR_AT(DataHeaderV1to3, version, 138, 2);
QMR_AT(DataHeaderV1to3, header_long_1, 140, 4);
QMR_AT(DataHeaderV1to3, trend_name, 144, 32);
QMR_AT(DataHeaderV1to3, header_long_3, 176, 4);
QMR_AT(DataHeaderV1to3, header_int_2, 180, 2);
QMR_AT(DataHeaderV1to3, header_int_3, 182, 2);
QMR_AT(DataHeaderV1to3, header_int_4, 184, 2);
QMR_AT(DataHeaderV1to3, header_long_4, 186, 4);
QMR_AT(DataHeaderV1to3, header_text_4, 190, 8);
QMR_AT(DataHeaderV1to3, header_long_5, 198, 4);
QMR_AT(DataHeaderV1to3, order_key, 202, 4);
QMR_AT(DataHeaderV1to3, trailer_bytes, 206, 16);
QMR_AT(DataHeaderV1to3, tail_text, 222, 2);

// DataHeaderV4, 288 bytes
static_assert(sizeof(qmr::DataHeaderV4) == 288);
QMR_AT(DataHeaderV4, header_text, 0, 112);
QMR_AT(DataHeaderV4, header_bytes, 112, 16);
QMR_AT(DataHeaderV4, maker_text, 128, 8);
QMR_AT(DataHeaderV4, header_int_1, 136, 2);
QMR_AT(DataHeaderV4, version, 138, 2);
QMR_AT(DataHeaderV4, header_text_2, 140, 4);
QMR_AT(DataHeaderV4, header_long_2, 144, 4);
QMR_AT(DataHeaderV4, header_text_3, 148, 12);
QMR_AT(DataHeaderV4, trend_name, 160, 64);
QMR_AT(DataHeaderV4, header_long_3, 224, 4);
QMR_AT(DataHeaderV4, header_int_2, 228, 2);
QMR_AT(DataHeaderV4, header_int_3, 230, 2);
QMR_AT(DataHeaderV4, header_int_4, 232, 2);
QMR_AT(DataHeaderV4, header_long_4, 234, 4);
QMR_AT(DataHeaderV4, header_text_4, 238, 8);
QMR_AT(DataHeaderV4, header_long_5, 246, 4);
QMR_AT(DataHeaderV4, order_key, 250, 8);
QMR_AT(DataHeaderV4, trailer_bytes, 258, 24);
QMR_AT(DataHeaderV4, tail_text, 282, 6);

// DataHeaderV5, 272 bytes
static_assert(sizeof(qmr::DataHeaderV5) == 272);
QMR_AT(DataHeaderV5, header_text, 0, 112);
QMR_AT(DataHeaderV5, header_bytes, 112, 16);
QMR_AT(DataHeaderV5, maker_text, 128, 8);
QMR_AT(DataHeaderV5, header_int_1, 136, 2);
QMR_AT(DataHeaderV5, version, 138, 2);
QMR_AT(DataHeaderV5, header_long_1, 140, 4);
QMR_AT(DataHeaderV5, trend_name, 144, 80);
QMR_AT(DataHeaderV5, header_long_3, 224, 4);
QMR_AT(DataHeaderV5, header_int_2, 228, 2);
QMR_AT(DataHeaderV5, header_int_3, 230, 2);
QMR_AT(DataHeaderV5, header_int_4, 232, 2);
QMR_AT(DataHeaderV5, header_long_4, 234, 4);
QMR_AT(DataHeaderV5, header_text_4, 238, 8);
QMR_AT(DataHeaderV5, header_long_5, 246, 4);
QMR_AT(DataHeaderV5, order_key, 250, 4);
QMR_AT(DataHeaderV5, trailer_bytes, 254, 16);
QMR_AT(DataHeaderV5, tail_text, 270, 2);

// DataHeaderV6, 304 bytes
static_assert(sizeof(qmr::DataHeaderV6) == 304);
QMR_AT(DataHeaderV6, header_text, 0, 112);
QMR_AT(DataHeaderV6, header_bytes, 112, 16);
QMR_AT(DataHeaderV6, maker_text, 128, 8);
QMR_AT(DataHeaderV6, header_int_1, 136, 2);
QMR_AT(DataHeaderV6, version, 138, 2);
QMR_AT(DataHeaderV6, header_long_1, 140, 4);
QMR_AT(DataHeaderV6, header_long_2, 144, 4);
QMR_AT(DataHeaderV6, header_text_3, 148, 12);
QMR_AT(DataHeaderV6, trend_name, 160, 80);
QMR_AT(DataHeaderV6, header_long_3, 240, 4);
QMR_AT(DataHeaderV6, header_int_2, 244, 2);
QMR_AT(DataHeaderV6, header_int_3, 246, 2);
QMR_AT(DataHeaderV6, header_int_4, 248, 2);
QMR_AT(DataHeaderV6, header_long_4, 250, 4);
QMR_AT(DataHeaderV6, header_text_4, 254, 8);
QMR_AT(DataHeaderV6, header_long_5, 262, 4);
QMR_AT(DataHeaderV6, order_key, 266, 8);
QMR_AT(DataHeaderV6, trailer_bytes, 274, 24);
QMR_AT(DataHeaderV6, tail_text, 298, 6);

// MasterHeader, 176 bytes
static_assert(sizeof(qmr::MasterHeader) == 176);
QMR_AT(MasterHeader, banner, 0, 128);
QMR_AT(MasterHeader, maker_text, 128, 8);
QMR_AT(MasterHeader, master_int_1, 136, 2);
QMR_AT(MasterHeader, version, 138, 2);
QMR_AT(MasterHeader, master_text_1, 140, 4);
QMR_AT(MasterHeader, master_long_1, 144, 4);
QMR_AT(MasterHeader, file_count, 148, 2);
QMR_AT(MasterHeader, file_count_2, 150, 2);
QMR_AT(MasterHeader, master_int_2, 152, 2);
QMR_AT(MasterHeader, master_int_3, 154, 2);
QMR_AT(MasterHeader, master_text_2, 156, 20);

// MasterEntryV1to3, 240 bytes
static_assert(sizeof(qmr::MasterEntryV1to3) == 240);
QMR_AT(MasterEntryV1to3, file_path, 0, 144);
QMR_AT(MasterEntryV1to3, maker_text, 144, 8);
QMR_AT(MasterEntryV1to3, header_int_1, 152, 2);
QMR_AT(MasterEntryV1to3, version, 154, 2);
QMR_AT(MasterEntryV1to3, header_long_1, 156, 4);
QMR_AT(MasterEntryV1to3, trend_name, 160, 32);
QMR_AT(MasterEntryV1to3, header_long_3, 192, 4);
QMR_AT(MasterEntryV1to3, header_int_2, 196, 2);
QMR_AT(MasterEntryV1to3, header_int_3, 198, 2);
QMR_AT(MasterEntryV1to3, header_int_4, 200, 2);
QMR_AT(MasterEntryV1to3, header_long_4, 202, 4);
QMR_AT(MasterEntryV1to3, header_text_4, 206, 8);
QMR_AT(MasterEntryV1to3, header_long_5, 214, 4);
QMR_AT(MasterEntryV1to3, order_key, 218, 4);
QMR_AT(MasterEntryV1to3, trailer_bytes, 222, 16);
QMR_AT(MasterEntryV1to3, tail_text, 238, 2);

// MasterEntryV4, 432 bytes
static_assert(sizeof(qmr::MasterEntryV4) == 432);
QMR_AT(MasterEntryV4, file_path, 0, 272);
QMR_AT(MasterEntryV4, maker_text, 272, 8);
QMR_AT(MasterEntryV4, header_int_1, 280, 2);
QMR_AT(MasterEntryV4, version, 282, 2);
QMR_AT(MasterEntryV4, header_text_2, 284, 4);
QMR_AT(MasterEntryV4, header_long_2, 288, 4);
QMR_AT(MasterEntryV4, header_text_3, 292, 12);
QMR_AT(MasterEntryV4, trend_name, 304, 64);
QMR_AT(MasterEntryV4, header_long_3, 368, 4);
QMR_AT(MasterEntryV4, header_int_2, 372, 2);
QMR_AT(MasterEntryV4, header_int_3, 374, 2);
QMR_AT(MasterEntryV4, header_int_4, 376, 2);
QMR_AT(MasterEntryV4, header_long_4, 378, 4);
QMR_AT(MasterEntryV4, header_text_4, 382, 8);
QMR_AT(MasterEntryV4, header_long_5, 390, 4);
QMR_AT(MasterEntryV4, order_key, 394, 8);
QMR_AT(MasterEntryV4, trailer_bytes, 402, 24);
QMR_AT(MasterEntryV4, tail_text, 426, 6);

// MasterEntryV5, 288 bytes
static_assert(sizeof(qmr::MasterEntryV5) == 288);
QMR_AT(MasterEntryV5, file_path, 0, 144);
QMR_AT(MasterEntryV5, maker_text, 144, 8);
QMR_AT(MasterEntryV5, header_int_1, 152, 2);
QMR_AT(MasterEntryV5, version, 154, 2);
QMR_AT(MasterEntryV5, header_long_1, 156, 4);
QMR_AT(MasterEntryV5, trend_name, 160, 80);
QMR_AT(MasterEntryV5, header_long_3, 240, 4);
QMR_AT(MasterEntryV5, header_int_2, 244, 2);
QMR_AT(MasterEntryV5, header_int_3, 246, 2);
QMR_AT(MasterEntryV5, header_int_4, 248, 2);
QMR_AT(MasterEntryV5, header_long_4, 250, 4);
QMR_AT(MasterEntryV5, header_text_4, 254, 8);
QMR_AT(MasterEntryV5, header_long_5, 262, 4);
QMR_AT(MasterEntryV5, order_key, 266, 4);
QMR_AT(MasterEntryV5, trailer_bytes, 270, 16);
QMR_AT(MasterEntryV5, tail_text, 286, 2);

// MasterEntryV6, 448 bytes
static_assert(sizeof(qmr::MasterEntryV6) == 448);
QMR_AT(MasterEntryV6, file_path, 0, 272);
QMR_AT(MasterEntryV6, maker_text, 272, 8);
QMR_AT(MasterEntryV6, header_int_1, 280, 2);
QMR_AT(MasterEntryV6, version, 282, 2);
QMR_AT(MasterEntryV6, header_long_1, 284, 4);
QMR_AT(MasterEntryV6, header_long_2, 288, 4);
QMR_AT(MasterEntryV6, header_text_3, 292, 12);
QMR_AT(MasterEntryV6, trend_name, 304, 80);
QMR_AT(MasterEntryV6, header_long_3, 384, 4);
QMR_AT(MasterEntryV6, header_int_2, 388, 2);
QMR_AT(MasterEntryV6, header_int_3, 390, 2);
QMR_AT(MasterEntryV6, header_int_4, 392, 2);
QMR_AT(MasterEntryV6, header_long_4, 394, 4);
QMR_AT(MasterEntryV6, header_text_4, 398, 8);
QMR_AT(MasterEntryV6, header_long_5, 406, 4);
QMR_AT(MasterEntryV6, order_key, 410, 8);
QMR_AT(MasterEntryV6, trailer_bytes, 418, 24);
QMR_AT(MasterEntryV6, tail_text, 442, 6);

#undef QMR_AT
