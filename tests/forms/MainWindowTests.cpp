// The main window's behaviour over a fake toolkit and a fake machine: what
// both the Qt and the Win32 windows do, tested once.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "forms/MainWindow.h"
#include "tests/forms/RecordingWindows.h"
#include "tools/Errors.h"

namespace qmr {
namespace {

using testsupport::RecordingWindows;
using Names = std::vector<std::string>;

// The fake machine's paths are written as on Linux and given to the window
// in the platform's own form, whose separators and roots it follows.
#ifdef _WIN32
const std::string kRoot = "C:\\";
#else
const std::string kRoot = "/";
#endif
std::string P(const std::string& path) {
  std::string native = kRoot + path.substr(1);
  for (char& c : native)
    if (c == '/') c = kRoot.back();
  return native;
}

// A machine of folders held in memory and a
// window that records what it was asked to show.
class FakeView : public MainWindowView {
 public:
  std::vector<std::string> drives = {"/", P("/mnt/usb")};
  std::string working = P("/home/op");
  std::map<std::string, std::vector<ListedEntry>> folders = {{kRoot, {}}, {P("/home"), {}}, {P("/home/op"), {}}};
  std::map<std::string, ErrorCode> refused;  // folders that exist but cannot be opened
  std::vector<std::size_t> selected;
  bool arrangeable = true;
  Resolution dpi;
  int clientWidth = 400, clientHeight = 400;  // 6000 by 6000 twips at 96 dpi
  // The controls at their design boxes at 96 dpi, the drive list 21 pixels high.
  std::array<PixelRect, kMainControlCount> boxes = [] {
    std::array<PixelRect, kMainControlCount> design{};
    for (const MainControlRow& row : MainControls())
      design[static_cast<std::size_t>(row.control)] = PixelsOf(row.box, {});
    return design;
  }();

  // What was shown last.
  Names shownDrives;
  std::size_t currentDrive = 99;
  std::vector<FolderLine> shownFolders;
  std::size_t currentFolder = 99;
  Names shownFiles;
  std::vector<std::string> calls;

  std::vector<std::string> MachineDrives() override { return drives; }
  OpenableFolder WorkingFolder() override { return {working, true}; }
  std::string DriveOf(const std::string& folder) override {
    return folder.rfind(P("/mnt/usb"), 0) == 0 ? P("/mnt/usb") : "/";
  }
  OpenableFolder Openable(const std::string& path) override {
    if (const auto code = refused.find(path); code != refused.end()) throw Error(code->second);
    if (!folders.count(path)) throw Error(ErrorCode::PathNotFound);
    return {path, path.find('?') == std::string::npos};
  }
  std::vector<ListedEntry> ListFolder(const std::string& folder) override {
    const auto found = folders.find(folder);
    return found == folders.end() ? std::vector<ListedEntry>{} : found->second;
  }
  void ShowDrives(const std::vector<std::string>& list, std::size_t current) override {
    shownDrives = list;
    currentDrive = current;
  }
  void ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) override {
    shownFolders = lines;
    currentFolder = current;
  }
  void ShowFiles(const std::vector<std::string>& names) override { shownFiles = names; }
  std::vector<std::size_t> SelectedFiles() override { return selected; }
  bool CanArrange() override { return arrangeable; }
  Resolution ScreenResolution() override { return dpi; }
  int ClientWidth() override { return clientWidth; }
  int ClientHeight() override { return clientHeight; }
  void RaiseToMinimum(const OuterSize& outer) override {
    calls.push_back("raise " + std::to_string(outer.width.value_or(0)) + " " +
                    std::to_string(outer.height.value_or(0)));
    // The window grows to the minimum outer size, of which the client area
    // is smaller by its frame.
    if (outer.width) clientWidth = *outer.width - 8;
    if (outer.height) clientHeight = *outer.height - 27;
  }
  PixelRect ControlBox(MainControl control) override { return boxes[static_cast<std::size_t>(control)]; }
  void Place(const std::vector<Placement>& placements) override {
    calls.push_back("place");
    for (const Placement& placement : placements) boxes[static_cast<std::size_t>(placement.control)] = placement.box;
  }
  PixelRect Box(MainControl control) const { return boxes[static_cast<std::size_t>(control)]; }

  // Adds an entry to a folder (creating the folder for a subfolder).
  void Add(const std::string& folder, const std::string& name, bool isFolder = false) {
    ListedEntry entry;
    entry.name = name;
    entry.folder = isFolder;
    folders[folder].push_back(entry);
    if (isFolder) folders[folder == kRoot ? kRoot + name : folder + kRoot.back() + name];
  }
  Names FolderNames() const {
    Names names;
    for (const FolderLine& line : shownFolders) names.push_back(line.name);
    return names;
  }
};

struct Batch {
  std::string folder;
  Names names;
};

class MainWindowTest : public testing::Test {
 protected:
  FakeView view_;
  RecordingWindows windows_;
  std::vector<Batch> batches_;

  MainWindow& Start() {
    window_ = std::make_unique<MainWindow>(view_, windows_);
    window_->SetBatchFunction([this](const std::string& folder, const Names& names, RebuildEvents&) {
      batches_.push_back({folder, names});
    });
    return *window_;
  }

 private:
  std::unique_ptr<MainWindow> window_;
};

TEST(ShownEntries, TrendFilesAreOrdinaryFilesEndingIn000) {
  EXPECT_TRUE(IsTrendFile({"TANK.000"}));
  EXPECT_FALSE(IsTrendFile({"TANK.001"}));
  EXPECT_FALSE(IsTrendFile({"TANK.0001"}));
  EXPECT_FALSE(IsTrendFile({"TANK000"}));
  EXPECT_FALSE(IsTrendFile({"TANK.000", true}));                       // a folder
  EXPECT_FALSE(IsTrendFile({"TANK.000", false, true}));                // hidden
  EXPECT_FALSE(IsTrendFile({"TANK.000", false, false, true}));         // system file, device, pipe
  EXPECT_TRUE(IsTrendFile({"TANK.000", false, false, false, false}));  // shown, refused only by OK
}

TEST(ShownEntries, FoldersAreNeitherHiddenNorSystem) {
  EXPECT_TRUE(IsShownFolder({"data", true}));
  EXPECT_FALSE(IsShownFolder({"data", false}));
  EXPECT_FALSE(IsShownFolder({".cache", true, true}));
  EXPECT_FALSE(IsShownFolder({"System Volume Information", true, false, true}));
  EXPECT_FALSE(IsShownFolder({"..", true}));
}

TEST(FolderChain, FromTheRootDownToTheFolder) {
  const std::vector<FolderLine> chain = FolderChain(P("/home/op/data"));
  ASSERT_EQ(chain.size(), 4u);
  EXPECT_EQ(chain[0].name, kRoot);
  EXPECT_EQ(chain[0].path, kRoot);
  EXPECT_EQ(chain[2].name, "op");
  EXPECT_EQ(chain[2].path, P("/home/op"));
  EXPECT_EQ(chain[3].depth, 3);
  for (const FolderLine& line : chain) EXPECT_TRUE(line.open);
  EXPECT_EQ(FolderChain(kRoot).size(), 1u);
}

TEST_F(MainWindowTest, StartsOnTheWorkingFolderItsDriveAndItsTrendFiles) {
  view_.Add(P("/home/op"), "b.000");
  view_.Add(P("/home/op"), "C.000");
  view_.Add(P("/home/op"), "A.000");
  view_.Add(P("/home/op"), "A.001");
  view_.Add(P("/home/op"), "FOLDER.000", true);
  view_.Add(P("/home/op"), "sub", true);
  view_.Add(P("/home/op"), "Archive", true);
  Start();
  EXPECT_EQ(view_.shownDrives, (Names{"/", P("/mnt/usb")}));
  EXPECT_EQ(view_.currentDrive, 0u);
  EXPECT_EQ(view_.shownFiles, (Names{"A.000", "C.000", "b.000"}));  // by byte, folders left out
  EXPECT_EQ(view_.FolderNames(), (Names{kRoot, "home", "op", "Archive", "FOLDER.000", "sub"}));
  EXPECT_EQ(view_.currentFolder, 2u);
  EXPECT_FALSE(view_.shownFolders[3].open);
  EXPECT_EQ(view_.shownFolders[3].path, P("/home/op/Archive"));
  EXPECT_EQ(view_.shownFolders[3].depth, 3);
}

TEST_F(MainWindowTest, TheWorkingFoldersDriveIsAddedWhenTheMachineDoesNotListIt) {
  view_.drives = {"/"};
  view_.working = P("/mnt/usb");
  view_.folders[P("/mnt/usb")];
  Start();
  EXPECT_EQ(view_.shownDrives, (Names{"/", P("/mnt/usb")}));
  EXPECT_EQ(view_.currentDrive, 1u);
}

TEST_F(MainWindowTest, LoadTriesDriveCAndItsDataFolderSilently) {
  MainWindow& window = Start();
  window.Load();
  EXPECT_EQ(window.Folder(), P("/home/op"));
  EXPECT_TRUE(windows_.calls.empty());

  view_.drives = {"/", "c:"};
  view_.folders["c:\\quorax\\data"] = {{"TANK.000"}};
  view_.Add("c:", "x.000");
  MainWindow& onWindows = Start();
  onWindows.Load();
  EXPECT_EQ(onWindows.Drive(), "c:");
  EXPECT_EQ(onWindows.Folder(), "c:\\quorax\\data");
  EXPECT_EQ(view_.shownFiles, (Names{"TANK.000"}));
  EXPECT_TRUE(windows_.calls.empty());
}

TEST_F(MainWindowTest, UnreadableDriveWarnsAndLeavesTheLists) {
  view_.Add(P("/home/op"), "KEEP.000");
  view_.refused[P("/mnt/usb")] = ErrorCode::PathNotFound;
  MainWindow& window = Start();
  window.DriveChosen(1);
  ASSERT_EQ(windows_.messages.size(), 1u);
  EXPECT_EQ(windows_.messages[0].text.rfind("Error 76 ", 0), 0u) << windows_.messages[0].text;
  EXPECT_EQ(windows_.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(window.Drive(), P("/mnt/usb"));  // the drive list keeps the new drive
  EXPECT_EQ(window.Folder(), P("/home/op"));
  EXPECT_EQ(view_.shownFiles, (Names{"KEEP.000"}));
}

TEST_F(MainWindowTest, ChoosingADriveOpensIt) {
  view_.folders[P("/mnt/usb")] = {{"USB.000"}};
  MainWindow& window = Start();
  window.DriveChosen(1);
  EXPECT_EQ(window.Folder(), P("/mnt/usb"));
  EXPECT_EQ(view_.shownFiles, (Names{"USB.000"}));
  EXPECT_TRUE(windows_.messages.empty());
  EXPECT_THROW(window.SetDrive("z:"), Error);
}

TEST_F(MainWindowTest, ADriveIsNamedAsTheFileSystemNamesIt) {
  view_.drives = {"/", "d:"};
  MainWindow& window = Start();
#ifdef _WIN32
  window.SetDrive("D:");  // the same drive, whatever the case
  EXPECT_EQ(window.Drive(), "d:");
#else
  EXPECT_THROW(window.SetDrive("D:"), Error);
#endif
}

TEST_F(MainWindowTest, OpeningAFolderLineMovesTheLists) {
  view_.Add(P("/home/op"), "sub", true);
  view_.Add(P("/home/op/sub"), "INNER.000");
  MainWindow& window = Start();
  window.FolderOpened(3);
  EXPECT_EQ(window.Folder(), P("/home/op/sub"));
  EXPECT_EQ(view_.shownFiles, (Names{"INNER.000"}));
  window.FolderOpened(1);  // up the chain
  EXPECT_EQ(window.Folder(), P("/home"));
}

TEST_F(MainWindowTest, AFolderThatWentAwayIsNotOpenedAndTheListShowsWhatIsThere) {
  view_.Add(P("/home/op"), "gone", true);
  MainWindow& window = Start();
  view_.folders.erase(P("/home/op/gone"));
  view_.folders[P("/home/op")].clear();
  window.FolderOpened(3);
  EXPECT_EQ(window.Folder(), P("/home/op"));
  EXPECT_EQ(view_.FolderNames(), (Names{kRoot, "home", "op"}));
  EXPECT_TRUE(windows_.messages.empty());
}

TEST_F(MainWindowTest, MissingFolderFailsAndStays) {
  MainWindow& window = Start();
  EXPECT_THROW(window.SetFolder(P("/missing")), Error);
  EXPECT_EQ(window.Folder(), P("/home/op"));
}

TEST_F(MainWindowTest, ReadAgainShowsFilesCopiedInAndKeepsTheListsWhenTheFolderWent) {
  MainWindow& window = Start();
  view_.Add(P("/home/op"), "NEW.000");
  window.ReadAgain();
  EXPECT_EQ(view_.shownFiles, (Names{"NEW.000"}));
  view_.folders.erase(P("/home/op"));
  window.ReadAgain();
  EXPECT_EQ(window.Folder(), P("/home/op"));
  EXPECT_EQ(view_.shownFiles, (Names{"NEW.000"}));
  EXPECT_TRUE(windows_.messages.empty());
}

TEST_F(MainWindowTest, OKWithNothingSelectedAsksForASelection) {
  view_.Add(P("/home/op"), "A.000");
  MainWindow& window = Start();
  window.OK();
  ASSERT_EQ(windows_.messages.size(), 1u);
  EXPECT_EQ(windows_.messages[0].text, "Please select one or more trend files");
  EXPECT_EQ(windows_.messages[0].icon, MessageIcon::None);
  EXPECT_TRUE(batches_.empty());
}

TEST_F(MainWindowTest, TheSelectionReachesTheBatchInListOrder) {
  for (const char* name : {"D.000", "B.000", "A.000", "C.000"}) view_.Add(P("/home/op"), name);
  MainWindow& window = Start();
  view_.selected = {1, 3};
  window.OK();
  ASSERT_EQ(batches_.size(), 1u);
  EXPECT_EQ(batches_[0].folder, P("/home/op"));
  EXPECT_EQ(batches_[0].names, (Names{"B.000", "D.000"}));
}

TEST_F(MainWindowTest, ANameWithoutAnExactByteFormIsRefused) {
  view_.Add(P("/home/op"), "A.000");
  view_.folders[P("/home/op")].push_back({"?.000", false, false, false, false});
  MainWindow& window = Start();
  view_.selected = {0, 1};
  window.OK();
  EXPECT_TRUE(batches_.empty());
  ASSERT_EQ(windows_.messages.size(), 1u);
  EXPECT_EQ(windows_.messages[0].text.rfind("Error 52 ", 0), 0u) << windows_.messages[0].text;
  EXPECT_EQ(windows_.messages[0].icon, MessageIcon::Error);

  // So is a folder without one, once something is selected in it.
  view_.folders[P("/home/?")] = {{"A.000"}};
  window.SetFolder(P("/home/?"));
  view_.selected = {0};
  window.OK();
  EXPECT_TRUE(batches_.empty());
  ASSERT_EQ(windows_.messages.size(), 2u);
  EXPECT_EQ(windows_.messages[1].text.rfind("Error 52 ", 0), 0u) << windows_.messages[1].text;
}

TEST_F(MainWindowTest, ANameWithoutAnExactByteFormIsShownAsItIsAndRefusedByItsCharacter) {
  view_.Add(P("/home/op"), "A.000");
  // Listed by a stand-in name, shown as the user knows it.
  view_.folders[P("/home/op")].push_back({"?ODZ.000", false, false, false, false, "U+0141", "\xC5\x81ODZ.000"});
  MainWindow& window = Start();
  // Ordered by the name the core opens, as every list is.
  EXPECT_EQ(window.Files(), (Names{"?ODZ.000", "A.000"}));
  EXPECT_EQ(view_.shownFiles, (Names{"\xC5\x81ODZ.000", "A.000"}));
  view_.selected = {0};
  window.OK();
  EXPECT_TRUE(batches_.empty());
  ASSERT_EQ(windows_.messages.size(), 1u);
  const std::string& text = windows_.messages[0].text;
  EXPECT_EQ(text.rfind("Error 52 ", 0), 0u) << text;
  EXPECT_NE(text.find("'?ODZ.000'"), std::string::npos) << text;
  EXPECT_NE(text.find("U+0141"), std::string::npos) << text;
}

TEST_F(MainWindowTest, AFolderWithoutAnExactByteFormIsNotOpened) {
  view_.folders[P("/home/op")].push_back({"?ODZ", true, false, false, false, "U+0141", "\xC5\x81ODZ"});
  view_.folders[P("/home/op/?ODZ")] = {{"A.000"}};
  MainWindow& window = Start();
  ASSERT_EQ(view_.shownFolders.size(), 4u);
  EXPECT_EQ(view_.shownFolders[3].shown, "\xC5\x81ODZ");
  window.FolderOpened(3);
  // It would list another folder or none: the window stays where it was.
  EXPECT_EQ(window.Folder(), P("/home/op"));
  ASSERT_EQ(windows_.messages.size(), 1u);
  EXPECT_EQ(windows_.messages[0].text.rfind("Error 52 ", 0), 0u) << windows_.messages[0].text;
  EXPECT_NE(windows_.messages[0].text.find("U+0141"), std::string::npos) << windows_.messages[0].text;
  EXPECT_EQ(windows_.messages[0].icon, MessageIcon::Warning);
}

TEST_F(MainWindowTest, ASecondOKDuringABatchIsIgnored) {
  view_.Add(P("/home/op"), "A.000");
  MainWindow& window = Start();
  view_.selected = {0};
  int runs = 0;
  window.SetBatchFunction([&](const std::string&, const Names&, RebuildEvents&) {
    ++runs;
    EXPECT_TRUE(window.Busy());
    window.OK();  // pressed again while the batch pauses between trends
  });
  window.OK();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(window.Busy());
}

TEST_F(MainWindowTest, HelpAndCloseGoToTheServices) {
  MainWindow& window = Start();
  window.Help();
  window.Close();
  EXPECT_EQ(windows_.calls, (Names{"help", "exit"}));
}

TEST_F(MainWindowTest, ArrangePlacesEachControlInPixels) {
  MainWindow& window = Start();
  window.Arrange();
  // At 6000 by 6000 twips: the frame 5520 by 4905, the columns 2400 wide and
  // 3690 high, the file list at 2880, the buttons at 1905 and 5265, the
  // folder list 3690 - 315 - 120 high, the hint 5040 wide at 240 and 4410.
  EXPECT_EQ(view_.Box(MainControl::fraTrendLocation), (PixelRect{8, 8, 368, 327}));
  EXPECT_EQ(view_.Box(MainControl::fraPath), (PixelRect{16, 32, 160, 246}));
  EXPECT_EQ(view_.Box(MainControl::filConvert), (PixelRect{192, 32, 160, 246}));
  EXPECT_EQ(view_.Box(MainControl::fraButtons), (PixelRect{127, 351, 257, 33}));
  EXPECT_EQ(view_.Box(MainControl::drvConvert), (PixelRect{0, 0, 160, 21}));
  EXPECT_EQ(view_.Box(MainControl::dirConvert), (PixelRect{0, 24, 160, 217}));
  EXPECT_EQ(view_.Box(MainControl::lblMultiSelect), (PixelRect{16, 294, 336, 17}));
}

TEST_F(MainWindowTest, ArrangeReadsTheControlsAtTheScreenResolution) {
  MainWindow& window = Start();
  view_.dpi = {144, 144};  // 10 twips a pixel
  for (const MainControlRow& row : MainControls())
    view_.boxes[static_cast<std::size_t>(row.control)] = PixelsOf(row.box, view_.dpi);
  view_.boxes[static_cast<std::size_t>(MainControl::drvConvert)].height = 30;  // the toolkit's own
  view_.clientWidth = view_.clientHeight = 600;
  window.Arrange();
  // The buttons are 50 pixels high as they stand (500 twips, not 495), the
  // hint 26 (260), the drive list 30 (300): the frame 6000 - 480 - 120 - 500
  // twips high, the folder list 3680 - 300 - 120.
  EXPECT_EQ(view_.Box(MainControl::fraTrendLocation), (PixelRect{12, 12, 552, 490}));
  EXPECT_EQ(view_.Box(MainControl::fraButtons), (PixelRect{190, 526, 386, 50}));
  EXPECT_EQ(view_.Box(MainControl::dirConvert), (PixelRect{0, 36, 240, 326}));
  EXPECT_EQ(view_.Box(MainControl::lblMultiSelect), (PixelRect{24, 440, 504, 26}));
}

TEST_F(MainWindowTest, ArrangeKeepsTheMinimumThenLaysOutTheSizeReached) {
  MainWindow& window = Start();
  view_.clientWidth = 200;
  window.Arrange();
  // Raised to the outer minimum of 5500 twips (367 pixels) wide, the client
  // area of 359 pixels is laid out: the buttons 16 pixels from its right.
  EXPECT_EQ(view_.calls, (Names{"raise 367 0", "place"}));
  EXPECT_EQ(view_.Box(MainControl::fraButtons).left, 359 - 16 - 257);

  view_.calls.clear();
  view_.arrangeable = false;  // minimised: every control stays where it was
  window.Arrange();
  EXPECT_TRUE(view_.calls.empty());
}

}  // namespace
}  // namespace qmr
