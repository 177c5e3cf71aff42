// The application icon, built into the program: every window carries it.
#pragma once

#include <QIcon>

namespace qmr {

QIcon ApplicationIcon();

}  // namespace qmr
