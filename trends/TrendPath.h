// Where a trend's files are: its folder and its name, taken apart once, where
// the user named the trend (an operand, OK in a window), and passed down to
// every part that names one of its files. The text is kept as the user's
// folder gave it, because the entries of a master record the paths of the
// data files as they were opened.
#pragma once

#include <cstddef>
#include <string>

namespace qmr {

class TrendPath {
 public:
  TrendPath() = default;

  // The trend that the file at `path` belongs to (NAME.000, NAME.qmr, ...):
  // everything before the last "." of the file's own name, as the runtime
  // derives it.
  static TrendPath OfFile(const std::string& path);
  // The trend of `fileName` (NAME.000) selected in `folder`: the folder, one
  // separator and the name, nothing trimmed. A drive's root, which keeps its
  // separator, gives a doubled one: it names the same files, and the masters
  // have always recorded it so.
  static TrendPath Selected(const std::string& folder, const std::string& fileName);

  // The folder and the name joined: the path every file name is made from.
  const std::string& Base() const noexcept { return base_; }
  // The trend's name, NAME.
  std::string Name() const { return base_.substr(nameAt_); }
  // The folder as given; "" for the working folder.
  std::string Folder() const;
  // The folder as the system opens it: "." for the working folder.
  std::string FolderToOpen() const;

  // NAME.000, NAME.001, ...: at least three digits, as the runtime names them.
  std::string DataFile(int number) const;
  std::string FirstFile() const { return DataFile(0); }
  std::string Master() const { return base_ + ".qmr"; }
  // Another file of the trend's folder, such as a temporary file.
  std::string Beside(const std::string& fileName) const { return base_.substr(0, nameAt_) + fileName; }

  bool operator==(const TrendPath&) const = default;

 private:
  TrendPath(std::string base, std::size_t nameAt) : base_(std::move(base)), nameAt_(nameAt) {}

  std::string base_;
  std::size_t nameAt_ = 0;  // where the name begins in base_
};

}  // namespace qmr
