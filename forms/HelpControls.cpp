#include "forms/HelpControls.h"

#include "forms/FormTexts.h"

namespace qmr {

std::vector<HelpControlRow> HelpControls() {
  return {
      {"Label1", kHelpText1, kHelpLabel1Box},
      {"cmdClose", "Close", kHelpCloseBox, true},
      {"lblVersion", VersionLine(kHelpComments), kVersionBox},
      {"Label2", kHelpText2, kHelpLabel2Box},
      {"Label3", kHelpText3, kHelpLabel3Box},
      {"Label4", kHelpText4, kHelpLabel4Box},
  };
}

}  // namespace qmr
