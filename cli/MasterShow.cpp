#include "cli/MasterShow.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "definitions/DataFile.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "definitions/MasterFields.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "trends/Banner.h"
#include "trends/MasterCheck.h"

namespace qmr::cli {

namespace {

constexpr std::string_view kMasterOpening = "QUORAX\r\nVERSION ";
constexpr int kNameColumn = 16;

std::string Hex(unsigned char byte) {
  char text[5];
  std::snprintf(text, sizeof text, "\\x%02x", byte);
  return text;
}

std::string_view AsText(std::span<const unsigned char> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool AllZero(std::span<const unsigned char> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b == 0; });
}

std::string Padded(const std::string& name) {
  std::string text = "  " + name;
  text.resize(std::max<std::size_t>(text.size() + 1, kNameColumn), ' ');
  return text;
}

// One line per field of `record`, laid out by `fields`.
void PrintFields(std::span<const FieldInfo> fields, std::span<const unsigned char> record, Family family,
                 std::ostream& out) {
  for (const FieldInfo& field : fields) {
    const auto bytes = record.subspan(field.offset, field.width);
    out << Padded(field.name);
    switch (field.kind) {
      case FieldKind::Text: out << EscapeText(AsText(bytes)); break;
      case FieldKind::Bytes: out << HexBytes(bytes); break;
      case FieldKind::Integer: {
        const std::int64_t value = ReadLittleEndian(bytes.data(), bytes.size());
        out << value;
        if (std::string_view(field.name) == "order_key") {
          out << "  text \"" << OrderKeyText(family, value) << '"';
        }
        break;
      }
    }
    out << '\n';
  }
}

// The banner's lines, each on its own, then the count of its padding bytes.
void PrintBannerLines(std::span<const unsigned char> banner, std::ostream& out) {
  int number = 1;
  for (const std::string_view line : BannerLines(AsText(banner)))
    out << "    line " << number++ << ": " << EscapeText(line) << '\n';
  const std::size_t firstNul = AsText(banner).find('\0');
  if (firstNul != std::string_view::npos) {
    const std::size_t padding = banner.size() - firstNul;
    out << "    then " << padding << " padding byte" << (padding == 1 ? "" : "s") << '\n';
  }
}

int Fail(const std::string& name, const std::string& problem, std::ostream& err) {
  err << "qmr: " << name << ": " << problem << '\n';
  return 1;
}

}  // namespace

std::string HexBytes(std::span<const unsigned char> bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    if (i != 0) text += ' ';
    text += pair;
  }
  return text;
}

std::string EscapeText(std::string_view bytes) {
  std::string text = "\"";
  bool afterNul = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == 0) {
      std::size_t run = 1;
      while (i + run < bytes.size() && bytes[i + run] == '\0') ++run;
      text += "\\x00";
      if (run > 1) {
        text += '{';
        text += std::to_string(run);
        text += '}';
      }
      i += run;
      afterNul = true;
      continue;
    }
    if (byte == '\r') {
      text += "\\r";
    } else if (byte == '\n') {
      text += "\\n";
    } else if (byte == '\t') {
      text += "\\t";
    } else if (byte == '"' || byte == '\\') {
      text += '\\';
      text += static_cast<char>(byte);
    } else if (byte == '{' && afterNul) {
      text += Hex(byte);  // would read as a run count after \x00
    } else if (byte >= 0x20 && byte < 0x7f) {
      text += static_cast<char>(byte);
    } else {
      text += Hex(byte);
    }
    afterNul = false;
    ++i;
  }
  return text + "\"";
}

bool LooksLikeMaster(const std::string& path, std::span<const unsigned char> bytes) {
  if (path.size() >= 4) {
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (extension == ".qmr") return true;
  }
  return AsText(bytes).starts_with(kMasterOpening);
}

int ShowMaster(const std::string& name, std::span<const unsigned char> bytes, std::ostream& out, std::ostream& err) {
  constexpr std::size_t kHeaderSize = sizeof(MasterHeader);
  if (bytes.size() < kHeaderSize) {
    return Fail(name,
                "too short for a master file: " + std::to_string(bytes.size()) + " bytes, its header needs " +
                    std::to_string(kHeaderSize),
                err);
  }
  const auto header = bytes.first(kHeaderSize);
  const auto version = static_cast<std::int16_t>(ReadLittleEndian(header.data() + offsetof(MasterHeader, version), 2));
  const auto count = ReadLittleEndian(header.data() + offsetof(MasterHeader, file_count), 2);
  const Family family = FamilyOf(version);

  out << "master file " << name << " (" << bytes.size() << " bytes)\n";
  out << "header (" << kHeaderSize << " bytes):\n";
  PrintFields(MasterHeaderFields().first(1), header, family, out);
  PrintBannerLines(header.subspan(offsetof(MasterHeader, banner), kBannerWidth), out);
  PrintFields(MasterHeaderFields().subspan(1), header, family, out);

  const auto rest = bytes.subspan(kHeaderSize);
  const std::size_t entrySize = MasterEntrySize(family);
  if (entrySize == 0) {
    // What a rebuild writes when the trend's last data file was not
    // recognised: the header alone.
    out << "entries: none (version " << version << " has no entry layout)\n";
    if (!rest.empty()) {
      return Fail(name,
                  "unknown version " + std::to_string(version) + ": " + std::to_string(rest.size()) +
                      " bytes after the header cannot be decoded",
                  err);
    }
    return 0;
  }

  const std::size_t entries = rest.size() / entrySize;
  out << "entries: " << entries << " of " << entrySize << " bytes (family " << FamilyName(family) << ")\n";
  for (std::size_t i = 0; i < entries; ++i) {
    const auto entry = rest.subspan(i * entrySize, entrySize);
    out << "entry " << i << " (byte " << kHeaderSize + i * entrySize << ")";
    if (AllZero(entry)) {
      out << ": all bytes 0 (empty slot)\n";
      continue;
    }
    out << ":\n";
    PrintFields(MasterEntryFields(family), entry, family, out);
  }

  int status = 0;
  if (rest.size() % entrySize != 0) {
    status = Fail(
        name, std::to_string(rest.size() % entrySize) + " bytes after the last entry do not make a whole entry", err);
  }
  if (static_cast<std::int64_t>(entries) != count) {
    status = Fail(
        name, "file_count is " + std::to_string(count) + " but the file holds " + std::to_string(entries) + " entries",
        err);
  }
  return status;
}

std::string NotATrendDataFile(const UnrecognisedReason& why) {
  switch (why.kind) {
    case UnrecognisedReason::Kind::NoVersionWord:
      return "too short for a trend data file: " + std::to_string(why.length) + " bytes, the version word needs " +
             std::to_string(why.needed);
    case UnrecognisedReason::Kind::UnknownVersion:
      return "unknown version " + std::to_string(why.version) + ": not a trend data file";
    case UnrecognisedReason::Kind::HeaderCut:
      return "too short for the header of version " + std::to_string(why.version) + ": " + std::to_string(why.length) +
             " bytes, the header needs " + std::to_string(why.needed);
  }
  return "not a trend data file";
}

int ShowDataHeader(const std::string& name, std::span<const unsigned char> bytes, std::ostream& out,
                   std::ostream& err) {
  const DataFileHeader decoded = DecodeDataFileHeader(bytes);
  if (!decoded.recognised()) return Fail(name, NotATrendDataFile(decoded.reason()), err);
  const std::size_t size = DataHeaderSize(decoded.family);
  out << "data file " << name << '\n';
  out << "header (version " << decoded.version << ", family " << FamilyName(decoded.family) << ", " << size
      << " bytes):\n";
  PrintFields(DataHeaderFields(decoded.family), bytes.first(size), decoded.family, out);
  return 0;
}

ShownFile ReadShownFile(const std::string& path, ShowAs as) {
  // A data file is only ever read up to its header (it may be large), a
  // master up to the largest size a master can have.
  // A master is never read through a link (nor a device or a pipe): one
  // named as a master is not opened before it is looked at.
  ShownFile file;
  const bool named = as == ShowAs::Master || (as == ShowAs::Auto && LooksLikeMaster(path, {}));
  file.bytes = named ? ReadMasterStart(path, kLargestMaster + 1) : ReadFileStart(path, kLongestDataHeader);
  file.master = named || (as == ShowAs::Auto && LooksLikeMaster(path, file.bytes));
  if (file.master && !named) file.bytes = ReadMasterStart(path, kLargestMaster + 1);
  if (file.master && file.bytes.size() > kLargestMaster)
    throw Error(ErrorCode::PathFileAccess, std::string(DefaultDescription(ErrorCode::PathFileAccess)) + ": '" + path +
                                               "' is larger than any master file can be (" +
                                               std::to_string(kLargestMaster) + " bytes)");
  return file;
}

int ShowFile(const std::string& path, ShowAs as, std::ostream& out, std::ostream& err) {
  const ShownFile file = ReadShownFile(path, as);
  return file.master ? ShowMaster(path, file.bytes, out, err) : ShowDataHeader(path, file.bytes, out, err);
}

}  // namespace qmr::cli
