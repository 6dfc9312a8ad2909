#include "shell/options_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

// The controls start at the settings file's defaults until that file is read.
Tfmoptions::Tfmoptions() {
  setObjectName("fmoptions");
  setWindowTitle("Options");
  auto* layout = new QFormLayout(this);
  cbmousemove = new QCheckBox("Mouse Move", this);
  cbmousemove->setObjectName("cbmousemove");
  cbmousemove->setChecked(true);
  layout->addRow(cbmousemove);
  tbmousesensitivity = new QSlider(Qt::Horizontal, this);
  tbmousesensitivity->setObjectName("tbmousesensitivity");
  tbmousesensitivity->setRange(0, 10);
  tbmousesensitivity->setSingleStep(1);
  tbmousesensitivity->setPageStep(1);
  tbmousesensitivity->setTickInterval(1);
  tbmousesensitivity->setTickPosition(QSlider::TicksBelow);
  tbmousesensitivity->setValue(5);
  layout->addRow("Mouse Sensitivity", tbmousesensitivity);
  edmaxtelnetlines = new QLineEdit("5000", this);
  edmaxtelnetlines->setObjectName("edmaxtelnetlines");
  layout->addRow("Maximum Telnet Lines", edmaxtelnetlines);
  cbNoSound = new QCheckBox("No Sound", this);
  cbNoSound->setObjectName("cbNoSound");
  layout->addRow(cbNoSound);
  btOk = new QPushButton("Ok", this);
  btOk->setObjectName("btOk");
  btOk->setDefault(true);
  layout->addRow(btOk);
  connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
}
