#pragma once
// The small window shown during the long start-up steps.

#include <QDialog>

class QLabel;

// 0 Win32s, 1 consumer Windows family, 2 NT family, 3 anything else: this
// platform always reports 3.
int GetPlatformKind();

class Tfmbusy : public QDialog {
public:
  Tfmbusy();
  QLabel* lbaction = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
};
