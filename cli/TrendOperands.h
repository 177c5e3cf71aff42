// The trends that the operands of `qmr rebuild` and `qmr check` name.
#pragma once

#include <string>
#include <vector>

#include "trends/TrendPath.h"

namespace qmr::cli {

struct TrendOperand {
  std::string operand;  // as the user gave it
  TrendPath path;       // the trend, made absolute by its text
  std::string refusal;  // when not empty: why this operand names no trend
};

// The trend an operand names: T.000, T.001 (any data file number), T.qmr
// and T all name trend T. Only those endings are taken off: a plant's tag
// names hold dots ("FIC101.PV", "line.2"), so "TANK1.bak" is trend TANK1.bak,
// never TANK1.
std::string TrendPathOf(const std::string& operand);

// Each operand names the trend TrendPathOf gives. A trend named twice is
// taken once, where first named. Nothing is looked up here: a trend whose
// NAME.000 turns out missing is refused when it is read (NoDataFileRefusal).
std::vector<TrendOperand> ResolveOperands(const std::vector<std::string>& operands);

// Why a trend without its first data file is refused (a typing error, a
// pattern the shell found nothing for, a folder, a moved file): a rebuild
// would otherwise write an empty master over a good one.
std::string NoDataFileRefusal(const TrendOperand& trend);

}  // namespace qmr::cli
