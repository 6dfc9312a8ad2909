#pragma once

#include <QDialog>

class QLabel;

class Tfmabout : public QDialog {
public:
  Tfmabout();
  QLabel* lbversion = nullptr;  // set at start-up
  QLabel* imlogo = nullptr;
};
