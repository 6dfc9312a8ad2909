#include "shell/options_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

Tfmoptions::Tfmoptions() {
  setObjectName("fmoptions");
  setWindowTitle("Options");
  auto* layout = new QFormLayout(this);
  edmaxtelnetlines = new QLineEdit("5000", this);  // the settings file's default
  edmaxtelnetlines->setObjectName("edmaxtelnetlines");
  layout->addRow("Maximum Telnet Lines", edmaxtelnetlines);
  cbNoSound = new QCheckBox("No Sound", this);
  cbNoSound->setObjectName("cbNoSound");
  layout->addRow(cbNoSound);
}
