#pragma once
// The options window. For now it holds the setting the text pane reads.

#include <QDialog>

class QLineEdit;

class Tfmoptions : public QDialog {
public:
  Tfmoptions();
  QLineEdit* edmaxtelnetlines = nullptr;
};
