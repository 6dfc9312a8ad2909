#pragma once
// The Options window: mouse movement of the view and its sensitivity, the
// text pane's line limit and "No Sound". The main window reads the controls
// where their settings take effect.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;

class Tfmoptions : public QDialog {
public:
  Tfmoptions();
  QCheckBox* cbmousemove = nullptr;
  // Positions 0 to 10.
  QSlider* tbmousesensitivity = nullptr;
  QLineEdit* edmaxtelnetlines = nullptr;
  QCheckBox* cbNoSound = nullptr;
  // Closes the window with the OK result.
  QPushButton* btOk = nullptr;
};
