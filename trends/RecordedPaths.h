// --record-as FOLDER: the paths a master records for its data files as the
// runtime will open them at the plant, whatever the machine that rebuilds it.
#pragma once

#include <string>

namespace qmr {

class RecordedPaths {
 public:
  // `folder` as the runtime names it ("D:\PLANT\DATA"); "/" becomes "\".
  // Throws qmr::Error(BadFileName) when the format cannot hold it: longer
  // than any entry's file_path leaves room for, or with a character outside
  // the single-byte range the runtime's paths are made of.
  explicit RecordedPaths(const std::string& folder);

  const std::string& folder() const { return folder_; }
  // The folder, "\", and the data file's name in single bytes.
  std::string PathOf(const std::string& fileName) const;

 private:
  std::string folder_;
};

// `path` as the runtime can open it: without the "\\?\" (or "\\.\") with
// which Windows programs reach long paths and devices, a "\\?\UNC\server"
// path as "\\server". Paths without such a prefix come back unchanged.
std::string WithoutDevicePrefix(const std::string& path);
inline bool HasDevicePrefix(const std::string& path) {
  return path.size() >= 4 && path[0] == '\\' && path[1] == '\\' && (path[2] == '?' || path[2] == '.') &&
         path[3] == '\\';
}

// `text` as one byte per character. On Windows the program's texts already
// are (the system's code page); elsewhere names are UTF-8, and a character up
// to U+00FF becomes its one byte. A text that is not UTF-8 is taken as
// single bytes already. Throws qmr::Error(BadFileName) naming a character
// beyond U+00FF.
std::string SingleByteText(const std::string& text);

}  // namespace qmr
