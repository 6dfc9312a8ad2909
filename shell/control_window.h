#pragma once
// The developer panel. For now it holds the option the text pane reads.

#include <QDialog>

class QCheckBox;

class Tfmcontrol : public QDialog {
public:
  Tfmcontrol();
  QCheckBox* cbstriptelnetcoords = nullptr;
};
