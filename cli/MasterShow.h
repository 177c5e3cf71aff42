// Printing a master file, or a data file's header, field by field for people.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/DataFile.h"

namespace qmr::cli {

// Text bytes as a quoted, readable line: printable ASCII as is, CR LF and TAB
// as \r \n \t, a run of NUL bytes as \x00{count} (a single one as \x00), and
// every other byte as \xHH; quote and backslash are escaped.
std::string EscapeText(std::string_view bytes);

// Why bytes do not decode as a trend data file header, for people.
std::string NotATrendDataFile(const UnrecognisedReason& why);

// Bytes as two hex digits each, separated by blanks: "23 91 d3".
std::string HexBytes(std::span<const unsigned char> bytes);

enum class ShowAs { Auto, Master, Data };

// Auto: a name ending in ".qmr" (any case), or bytes that open with the
// banner's first two lines ("QUORAX" CR LF "VERSION "), is a master file;
// anything else a data file.
bool LooksLikeMaster(const std::string& path, std::span<const unsigned char> bytes);

// Print every field; problems (too short, unknown version, a length that does
// not match the entries) go to `err`. Return 0 when the file was decoded
// whole, 1 otherwise (whatever could be decoded is still printed).
// `name` heads the output and the error lines.
int ShowMaster(const std::string& name, std::span<const unsigned char> bytes, std::ostream& out, std::ostream& err);
int ShowDataHeader(const std::string& name, std::span<const unsigned char> bytes, std::ostream& out, std::ostream& err);

// A file read for showing: at most the largest master, or a data file's
// header.
struct ShownFile {
  std::vector<unsigned char> bytes;
  bool master = false;
};
// Throws qmr::Error when the file cannot be read, is no regular file, or is
// larger than any master.
ShownFile ReadShownFile(const std::string& path, ShowAs as);

// Reads `path` and shows it as `as` says. Throws qmr::Error when the file
// cannot be read.
int ShowFile(const std::string& path, ShowAs as, std::ostream& out, std::ostream& err);

}  // namespace qmr::cli
