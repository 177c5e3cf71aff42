// The small progress window of a batch: a fixed line and the name of the
// trend being rebuilt. Passive: no buttons, no input, no logic of its own.
#pragma once

#include <QWidget>

class QLabel;

namespace qmr {

class frmStatus : public QWidget {
  Q_OBJECT
 public:
  explicit frmStatus(QWidget* parent = nullptr);

  void setTrendName(const QString& name);
  QString trendName() const;

 protected:
  // Closing it by its title bar only hides it: the batch goes on and hides it at its end.
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* fileName_ = nullptr;
};

}  // namespace qmr
