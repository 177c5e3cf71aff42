// The help window: the version line over a fixed page of usage notes, and a
// Close button that discards the window.
#pragma once

#include <QWidget>

namespace qmr {

class frmHelp : public QWidget {
  Q_OBJECT
 public:
  explicit frmHelp(QWidget* parent = nullptr);
};

}  // namespace qmr
