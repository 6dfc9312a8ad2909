#include "shell/busy_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>

int GetPlatformKind() { return 3; }

Tfmbusy::Tfmbusy() {
  setObjectName("fmbusy");
  setWindowTitle("Busy");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  // In place of the stock search animation: an endless progress bar.
  auto* animation = new QProgressBar(this);
  animation->setRange(0, 0);
  animation->setGeometry(8, 8, 32, 16);
  lbaction = new QLabel(this);
  lbaction->setObjectName("lbaction");
}

void Tfmbusy::showEvent(QShowEvent* event) {
  bool consumer = GetPlatformKind() == 1;
  int width = consumer ? 204 : 190;
  setFixedSize(width, consumer ? 96 : 69);
  lbaction->setGeometry(consumer ? 72 : 48, 8, width - (consumer ? 72 : 48) - 4, 40);
  if (QWidget* main = parentWidget())
    move(main->geometry().center() - rect().center());
  QDialog::showEvent(event);
}
