#include "shell/about_window.h"

#include "client/client_helpers.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// What MUDs are, and the protocol the client speaks to them.
constexpr const char* kLinks[][2] = {
    {"https://en.wikipedia.org/wiki/Multi-user_dungeon", "What a multi-user dungeon is"},
    {"https://datatracker.ietf.org/doc/html/rfc854", "The telnet protocol"},
};

}  // namespace

Tfmabout::Tfmabout() {
  setObjectName("fmabout");
  setWindowTitle("About");
  OnOpenLink = [](const std::string& address) { ShellOpen(address); };
  auto* layout = new QVBoxLayout(this);
  imlogo = new QLabel(this);
  imlogo->setObjectName("imlogo");
  QPixmap logo(QString::fromStdString(GetApplicationFolder() + "logo.jpg"));
  if (!logo.isNull()) imlogo->setPixmap(logo);
  layout->addWidget(imlogo);
  auto* title = new QLabel("3D MUD client: the game's text beside a 3D view of the world around you.", this);
  title->setWordWrap(true);
  layout->addWidget(title);
  lbversion = new QLabel(this);
  lbversion->setObjectName("lbversion");
  layout->addWidget(lbversion);
  QLabel** labels[] = {&lblink1, &lblink2};
  for (int i = 0; i < 2; ++i) {
    auto* label = new QLabel(QString("<a href=\"%1\">%2</a>").arg(kLinks[i][0], kLinks[i][1]), this);
    label->setObjectName(QString("lblink%1").arg(i + 1));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // The link goes to ShellOpen, never through Qt's own URL handlers.
    label->setOpenExternalLinks(false);
    connect(label, &QLabel::linkActivated, this, [this](const QString& link) { OnOpenLink(link.toStdString()); });
    layout->addWidget(label);
    *labels[i] = label;
  }
  auto* ok = new QPushButton("Ok", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}
