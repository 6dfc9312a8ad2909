#pragma once
// The options window. For now it holds the setting the text pane reads and
// "No Sound".

#include <QDialog>

class QCheckBox;
class QLineEdit;

class Tfmoptions : public QDialog {
public:
  Tfmoptions();
  QLineEdit* edmaxtelnetlines = nullptr;
  QCheckBox* cbNoSound = nullptr;
};
