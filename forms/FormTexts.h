// The fixed texts of the three windows, their messages, and the boxes (in
// twips) the texts must fit in, kept together so that both window front ends
// and the font choice agree.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ProgramVersion.h"
#include "forms/Twips.h"

namespace qmr {

class Error;

// Messages.
inline constexpr const char* kUnrecognisedFileMessage =
    "This is not a valid trend file. It may be a log file or an unsupported format.";
inline constexpr const char* kBatchDoneMessage = "Your QMR files have been rebuilt";
inline constexpr const char* kEmptySelectionMessage = "Please select one or more trend files";
// "Error 76 Path not found": a drive that cannot be read.
std::string DriveErrorText(int number, const std::string& description);
// The error box of a batch that the trend `trendName` ended: the error, then
// by name which of the selected trends were rebuilt (`rebuilt`, in list
// order) and which were not (`notRebuilt`, the failing one first), so that
// the user knows which masters to trust and which trends to select again.
std::string BatchFailedText(const std::string& trendName, const Error& error, const std::vector<std::string>& rebuilt,
                            const std::vector<std::string>& notRebuilt);
// How many names a list in a message shows before "and N more": enough for
// a usual selection, few enough that the box stays on the screen.
inline constexpr std::size_t kNamesShown = 10;
// "A, B and C"; past kNamesShown names, "A, ..., J and 5 more".
std::string NameList(const std::vector<std::string>& names);
// `text` with every word longer than `widest` characters broken into lines
// (after a folder separator where one comes late enough): a message box
// widens to its longest unbroken word, and a path deep in folders made one
// wider than the screen.
std::string WrapLongWords(std::string_view text, std::size_t widest);
// The widest word a message box shows unbroken.
inline constexpr std::size_t kWidestMessageWord = 64;
// The error box of a batch ended by anything else.
std::string BatchStoppedText(const std::string& what);
// A data file that ended its trend's run because it is hidden or a system
// file: "T.002 is hidden (or a system file): not read".
std::string HiddenDataFileText(const std::string& fileName);
// "Error 52 Bad file name or number: ..." for any error the user must see.
std::string ErrorText(const Error& error);
// A selected name that has no form in the file system's encoding.
std::string BadNameText(const std::string& shownName);
// The first line of `text` as a label `width` wide breaks it at blanks, by
// the width `widthOf` gives a text in the label's font: a one-line label
// shows that line alone, cleanly, instead of the top of a second one.
std::string FirstLine(std::string_view text, int width, const std::function<int(std::string_view)>& widthOf);

// `text` broken at blanks into the lines a label `width` wide shows, each no
// wider than `width` by `widthOf` (a word wider than that alone on its
// line). A label given these lines shows every one whole, whatever its own
// breaking would make of the text.
std::vector<std::string> WrapLines(std::string_view text, int width,
                                   const std::function<int(std::string_view)>& widthOf);

// "QMR Rebuilder version 1.01.000 " followed by `comments`.
std::string VersionLine(const std::string& comments);

// Main window.
inline constexpr const char* kTrendLocationCaption = "Trends Location";
inline constexpr const char* kMultiSelectText = "Hold the Control key to select multiple trends";
inline constexpr int kMainClientWidth = 5505;
inline constexpr int kMainClientHeight = 5685;
inline constexpr TwipsRect kTrendLocationBox{120, 120, 5295, 4935};
inline constexpr TwipsRect kPathBox{240, 480, 2175, 3735};
inline constexpr TwipsRect kDriveBox{0, 0, 2175, 315};
inline constexpr TwipsRect kFolderBox{0, 360, 2175, 3240};
inline constexpr TwipsRect kFileBox{2520, 480, 2535, 3795};
inline constexpr TwipsRect kMultiSelectBox{360, 4560, 4815, 255};
inline constexpr TwipsRect kButtonsBox{1560, 5160, 3855, 495};
inline constexpr TwipsRect kOKBox{0, 0, 1215, 375};
inline constexpr TwipsRect kCloseBox{1320, 0, 1215, 375};
inline constexpr TwipsRect kHelpBox{2640, 0, 1215, 375};

// Help window.
inline constexpr const char* kHelpCaption = "Help";
// The credit at the end of the version line.
inline constexpr const char* kHelpComments = kProgramComments;
inline constexpr const char* kHelpText1 = "QMR Rebuilder re-creates damaged or missing QMR files for Quorax trends. ";
inline constexpr const char* kHelpText2 =
    "Before using this utility, back up the trend files, then delete the bad QMR file(s). Make sure all trend "
    "data files for a trend tag are located in the same folder. All files from .000 to the last file must exist. "
    "If one is missing, rename the highest numbered file to take its place and adjust the file count in your "
    "project accordingly.";
inline constexpr const char* kHelpText3 =
    "Quorax v3 to v6.10 trends are supported in 2-byte or 8-byte format. For Quorax v3 to 5.30, the data files "
    "must be in the same drive and path where the Quorax runtime will look for them. This is required because "
    "their current path is recorded in the new QMR file. This does not matter in v5.31 and above.";
inline constexpr const char* kHelpText4 =
    "NOTE: This program has minimal error checking. It is up to the user to determine that the operation "
    "worked successfully and that the data is good before using the data in a runtime system.";
inline constexpr int kHelpClientWidth = 6015;
inline constexpr int kHelpClientHeight = 4335;
inline constexpr TwipsRect kVersionBox{240, 120, 5535, 495};
inline constexpr TwipsRect kHelpLabel1Box{240, 720, 5565, 255};
inline constexpr TwipsRect kHelpLabel2Box{240, 960, 5535, 975};
inline constexpr TwipsRect kHelpLabel3Box{240, 2040, 5535, 855};
inline constexpr TwipsRect kHelpLabel4Box{240, 3000, 5535, 615};
inline constexpr TwipsRect kHelpCloseBox{4560, 3720, 1335, 495};

// Status window.
inline constexpr const char* kStatusCaption = "Quorax Trend Extender";
inline constexpr const char* kStatusText = "ReBuilding QMR Files ...";
inline constexpr int kStatusClientWidth = 4680;
inline constexpr int kStatusClientHeight = 855;
inline constexpr TwipsRect kStatusLabel1Box{120, 120, 2895, 255};
inline constexpr TwipsRect kFileNameBox{120, 480, 4455, 255};

}  // namespace qmr
