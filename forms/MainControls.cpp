#include "forms/MainControls.h"

#include "forms/FormTexts.h"

namespace qmr {

const std::array<MainControlRow, kMainControlCount>& MainControls() {
  using enum MainControl;
  static const std::array<MainControlRow, kMainControlCount> controls{{
      {fraTrendLocation, "fraTrendLocation", std::nullopt, kTrendLocationCaption, kTrendLocationBox},
      {fraPath, "fraPath", fraTrendLocation, "", kPathBox},
      {drvConvert, "drvConvert", fraPath, "", kDriveBox},
      {dirConvert, "dirConvert", fraPath, "", kFolderBox},
      {filConvert, "filConvert", fraTrendLocation, "", kFileBox},
      {lblMultiSelect, "lblMultiSelect", fraTrendLocation, kMultiSelectText, kMultiSelectBox},
      {fraButtons, "fraButtons", std::nullopt, "", kButtonsBox},
      {cmdOK, "cmdOK", fraButtons, "OK", kOKBox},
      {cmdClose, "cmdClose", fraButtons, "Close", kCloseBox},
      {cmdHelp, "cmdHelp", fraButtons, "Help", kHelpBox},
  }};
  return controls;
}

const MainControlRow& RowOf(MainControl control) { return MainControls()[static_cast<std::size_t>(control)]; }

}  // namespace qmr
