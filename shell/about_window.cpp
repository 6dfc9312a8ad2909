#include "shell/about_window.h"

#include "client/client_helpers.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

Tfmabout::Tfmabout() {
  setObjectName("fmabout");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  imlogo = new QLabel(this);
  imlogo->setObjectName("imlogo");
  QPixmap logo(QString::fromStdString(GetApplicationFolder() + "logo.jpg"));
  if (!logo.isNull()) imlogo->setPixmap(logo);
  layout->addWidget(imlogo);
  auto* title = new QLabel("3D MUD client", this);
  layout->addWidget(title);
  lbversion = new QLabel(this);
  lbversion->setObjectName("lbversion");
  layout->addWidget(lbversion);
  auto* ok = new QPushButton("Ok", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}
