// A trend's path taken apart once: its folder, its name and the names of its
// files, in the forms the two platforms give them.
#include <gtest/gtest.h>

#include "trends/TrendPath.h"

namespace {

using qmr::TrendPath;

#ifdef _WIN32

TEST(TrendPath, NamesTheFilesOfAWindowsPath) {
  const TrendPath trend = TrendPath::OfFile("C:\\my.data\\A.B.001");
  EXPECT_EQ(trend.Name(), "A.B");
  EXPECT_EQ(trend.Folder(), "C:\\my.data");
  EXPECT_EQ(trend.DataFile(7), "C:\\my.data\\A.B.007");
  EXPECT_EQ(trend.DataFile(1000), "C:\\my.data\\A.B.1000");
  EXPECT_EQ(trend.Master(), "C:\\my.data\\A.B.qmr");
  EXPECT_EQ(trend.Beside("~x.tmp"), "C:\\my.data\\~x.tmp");
}

TEST(TrendPath, ADriveAloneIsItsCurrentFolder) {
  const TrendPath trend = TrendPath::OfFile("C:TANK1.000");
  EXPECT_EQ(trend.Name(), "TANK1");
  EXPECT_EQ(trend.Folder(), "C:");
  EXPECT_EQ(trend.Master(), "C:TANK1.qmr");
}

TEST(TrendPath, ASelectedNameAtADrivesRootKeepsTheDoubledSeparator) {
  const TrendPath trend = TrendPath::Selected("C:\\", "TANK2.000");
  EXPECT_EQ(trend.FirstFile(), "C:\\\\TANK2.000");
  EXPECT_EQ(trend.Name(), "TANK2");
  EXPECT_EQ(trend.Folder(), "C:\\");
}

#else

TEST(TrendPath, NamesTheFilesOfAPosixPath) {
  const TrendPath trend = TrendPath::OfFile("/srv/my.data/A.B.qmr");
  EXPECT_EQ(trend.Name(), "A.B");
  EXPECT_EQ(trend.Folder(), "/srv/my.data");
  EXPECT_EQ(trend.FolderToOpen(), "/srv/my.data");
  EXPECT_EQ(trend.FirstFile(), "/srv/my.data/A.B.000");
  EXPECT_EQ(trend.DataFile(1000), "/srv/my.data/A.B.1000");
  EXPECT_EQ(trend.Master(), "/srv/my.data/A.B.qmr");
  EXPECT_EQ(trend.Beside("~x.tmp"), "/srv/my.data/~x.tmp");
}

TEST(TrendPath, TheRootAndTheWorkingFolder) {
  const TrendPath atRoot = TrendPath::OfFile("/T.000");
  EXPECT_EQ(atRoot.Folder(), "/");
  EXPECT_EQ(atRoot.Beside("x"), "/x");
  const TrendPath here = TrendPath::OfFile("T.000");
  EXPECT_EQ(here.Folder(), "");
  EXPECT_EQ(here.FolderToOpen(), ".");
  EXPECT_EQ(here.Beside("x"), "x");
}

TEST(TrendPath, ASelectedNameInAFolderWithItsSeparatorKeepsBoth) {
  // The masters record the paths of the data files as they were opened.
  const TrendPath trend = TrendPath::Selected("/srv/data/", "T.000");
  EXPECT_EQ(trend.FirstFile(), "/srv/data//T.000");
  EXPECT_EQ(trend.Name(), "T");
  EXPECT_EQ(trend.FolderToOpen(), "/srv/data/");
  EXPECT_EQ(TrendPath::Selected("/srv/data", "T.000"), TrendPath::OfFile("/srv/data/T.000"));
}

#endif

}  // namespace
