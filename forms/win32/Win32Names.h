// The Win32 windows' names: each window class is named after its form, and
// each control's ID after the control (the names the Qt windows give their
// widgets), so that code and tests find a control by its name.
#pragma once

namespace qmr::win32 {

// Window classes.
inline constexpr const char* kMainClass = "frmQMRRebuilder";
inline constexpr const char* kHelpClass = "frmHelp";
inline constexpr const char* kStatusClass = "frmStatus";
// A plain container (fraPath, fraButtons) or, with a caption, a frame with a
// caption and an etched border (fraTrendLocation).
inline constexpr const char* kFrameClass = "QMRFrame";

// Controls of frmQMRRebuilder. OK has the ID the dialog manager gives
// Enter (IDOK).
namespace main {
enum Control : int {
  cmdOK = 1,
  fraTrendLocation = 101,
  fraPath,
  drvConvert,
  dirConvert,
  filConvert,
  lblMultiSelect,
  fraButtons,
  cmdClose,
  cmdHelp,
  // F5: the folder and file lists read again.
  kReadAgain = 190,
};
}  // namespace main

// Controls of frmHelp, in tab order.
namespace help {
enum Control : int { Label1 = 201, cmdClose, lblVersion, Label2, Label3, Label4 };
}  // namespace help

// Controls of frmStatus.
namespace status {
enum Control : int { Label1 = 301, lblFileName };
}  // namespace status

}  // namespace qmr::win32
