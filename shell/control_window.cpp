#include "shell/control_window.h"

#include <QCheckBox>
#include <QVBoxLayout>

Tfmcontrol::Tfmcontrol() {
  setObjectName("fmcontrol");
  setWindowTitle("Control");
  auto* layout = new QVBoxLayout(this);
  cbstriptelnetcoords = new QCheckBox("Strip Telnet Coords", this);
  cbstriptelnetcoords->setObjectName("cbstriptelnetcoords");
  // The settings file's default until that file is read at start-up.
  cbstriptelnetcoords->setChecked(true);
  layout->addWidget(cbstriptelnetcoords);
}
