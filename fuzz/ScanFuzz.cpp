// `qmr scan` in process over a small tree of folders, files and links made
// from the fuzz input, with JSON output. Checked: the exit status, JSON Lines
// with a summary that agrees with it, one trend per ordinary NAME.000 (a
// link so named may count, nothing else), no folder reported unreadable,
// nothing changed but masters (and only with --rebuild), nothing left
// behind, and every master rebuilt checks ok afterwards.
//
// Input: byte 0 holds the options (bit 0 --rebuild, with bit 1 -n and bit 2
// --force; bit 3 one thread instead of two). Then up to 32 records, each an
// operation byte: bits 0-1 the kind (0 file, 1 folder entered, 2 back to the
// parent folder, 3 link); for a file or link bit 2 numbers the name ".000"
// to ".003" (bits 3-4), else bit 5 ends it in ".qmr". A name follows (a
// length byte, modulo 12, and its bytes); a file's content then (2-byte
// little-endian length, modulo 1024, and its bytes); a link's target then
// (one byte choosing an entry already made in its folder, or itself).
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "fuzz/OutputChecks.h"
#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"

namespace {

using qmr::fuzz::Require;
using qmr::testsupport::FolderState;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  unsigned Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(std::size_t count) {
    if (count > size_ - at_) count = size_ - at_;
    const std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
    at_ += count;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A name that stays in its folder and never reads as numbered unless the
// record asks for it: no "/" or NUL, not "." or "..", and a last dotted
// part of digits gets a letter after it.
std::string SafeName(std::string name) {
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == "." || name == "..") name = "_";
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot + 1 < name.size() &&
      name.find_first_not_of("0123456789", dot + 1) == std::string::npos)
    name += 'x';
  return name;
}

struct Tree {
  std::set<std::string> firstFiles;   // ordinary, not hidden NAME.000: each a trend
  std::set<std::string> linkedFirst;  // links named NAME.000: may be one
};

Tree MakeTree(Input& input, const std::string& root) {
  Tree tree;
  std::vector<std::string> folders{root};
  std::map<std::string, std::vector<std::string>> made;  // names made per folder
  for (int record = 0; record < 32 && !input.empty(); ++record) {
    const unsigned op = input.Byte();
    const unsigned kind = op & 3u;
    if (kind == 2) {
      if (folders.size() > 1) folders.pop_back();
      continue;
    }
    std::string name = SafeName(input.Bytes(input.Byte() % 12));
    if (kind != 1 && (op & 4u) != 0)
      name += ".00" + std::to_string((op >> 3) & 3u);
    else if (kind != 1 && (op & 0x20u) != 0)
      name += ".qmr";
    const std::string folder = folders.back();
    const std::string path = folder + "/" + name;
    std::vector<std::string>& names = made[folder];
    std::string content, target;
    if (kind == 0) {
      const unsigned low = input.Byte();
      content = input.Bytes((low | (input.Byte() << 8)) % 1024);
    } else if (kind == 3) {
      const std::size_t choice = input.Byte() % (names.size() + 1);
      target = choice < names.size() ? names[choice] : name;
    }
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0 || (kind == 3 && symlink(target.c_str(), path.c_str()) != 0)) continue;
    if (kind == 1) {
      if (folders.size() > 4 || mkdir(path.c_str(), 0755) != 0) continue;
      folders.push_back(path);
    } else if (kind == 0) {
      qmr::samples::WriteBytes(path, std::vector<unsigned char>(content.begin(), content.end()));
    }
    names.push_back(name);
    const bool first = name.size() > 4 && name.ends_with(".000");
    if (first && kind == 0 && name.front() != '.') tree.firstFiles.insert(path);
    if (first && kind == 3) tree.linkedFirst.insert(path);
  }
  return tree;
}

std::string LastName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// What a scan may change: masters, when it rebuilds, and leftovers of
// interrupted rebuilds, which it removes.
void RequireOnlyMastersChanged(const FolderState& before, const FolderState& after, bool writes) {
  for (const auto& [path, entry] : before) {
    const std::string name = LastName(path);
    if (name.starts_with("~qmr-")) continue;
    if (writes && name.ends_with(".qmr")) continue;
    const auto now = after.find(path);
    Require(now != after.end() && now->second == entry);
  }
  for (const auto& [path, entry] : after)
    if (before.count(path) == 0) Require(writes && LastName(path).ends_with(".qmr"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qmr::testsupport::TempFolder;
  static const TempFolder folder("qmr-scan-fuzz-", TempFolder::Place::Memory);
  folder.Empty();

  Input input(data, size);
  const unsigned options = input.Byte();
  std::vector<std::string> args{"scan", "--json", "-j", (options & 8u) != 0 ? "1" : "2"};
  const bool rebuild = (options & 1u) != 0;
  const bool dryRun = rebuild && (options & 2u) != 0;
  if (rebuild) args.push_back("--rebuild");
  if (dryRun) args.push_back("-n");
  if (rebuild && (options & 4u) != 0) args.push_back("--force");
  args.push_back(folder.path());

  const Tree tree = MakeTree(input, folder.path());
  const FolderState before = qmr::testsupport::Snapshot(folder.path());
  std::ostringstream out, err;
  const int status = qmr::RunQmr(args, out, err);
  Require(status == 0 || status == 1 || status == 3);
  qmr::fuzz::RequireTerminalSafe(out.str());
  qmr::fuzz::RequireTerminalSafe(err.str());

  std::set<std::string> found;
  std::vector<std::string> rebuilt;
  for (const nlohmann::json& object : qmr::fuzz::RequireJsonLines(out.str(), status)) {
    Require(object["type"] != "unreadable_folder");
    if (object["type"] != "trend") continue;
    const std::string first = qmr::fuzz::TextOf(object, "first_file");
    Require(found.insert(first).second);
    // A trend that lost its NAME.000 (later files or a master left) is
    // reported as damage of its own, under the NAME.000 it lacks.
    if (object["status"] == "first_file_missing") {
      Require(tree.firstFiles.count(first) == 0);
      continue;
    }
    Require(tree.firstFiles.count(first) == 1 || tree.linkedFirst.count(first) == 1);
    if (object["status"] == "rebuilt") rebuilt.push_back(first);
  }
  for (const std::string& first : tree.firstFiles) Require(found.count(first) == 1);
  Require(rebuild || rebuilt.empty());
  RequireOnlyMastersChanged(before, qmr::testsupport::Snapshot(folder.path()), rebuild && !dryRun);

  // A master just rebuilt is the one its data files give.
  for (const std::string& first : rebuilt) {
    std::ostringstream checkOut, checkErr;
    const int checked = qmr::RunQmr({"check", "--json", first}, checkOut, checkErr);
    const std::vector<nlohmann::json> objects = qmr::fuzz::RequireJsonLines(checkOut.str(), checked);
    Require(objects.size() == 2 && objects[0]["status"] == "ok");
  }
  return 0;
}
