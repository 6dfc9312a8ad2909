#include "shell/help_window.h"

#include "client/client_helpers.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A link or address that names something on the web (or any scheme but a
// local file): it is not ours to show. "c:\..." is a drive, not a scheme.
bool OpensOutside(const QUrl& url) {
  const QString scheme = url.scheme();
  return scheme.size() > 1 && scheme != "file" && scheme != "qrc";
}

}  // namespace

Tfmhtml::Tfmhtml() {
  setObjectName("fmhtml");
  setWindowTitle("Help");
  resize(640, 560);
  OnOpenExternal = [](const std::string& address) { ShellOpen(address); };

  auto* layout = new QVBoxLayout(this);
  tbnavigate = new QToolBar(this);
  tbnavigate->setObjectName("tbnavigate");
  btback = new QToolButton(tbnavigate);
  btback->setObjectName("btback");
  btback->setText("Back");
  btforward = new QToolButton(tbnavigate);
  btforward->setObjectName("btforward");
  btforward->setText("Forward");
  tbnavigate->addWidget(btback);
  tbnavigate->addWidget(btforward);
  layout->addWidget(tbnavigate);

  wbhelp = new QTextBrowser(this);
  wbhelp->setObjectName("wbhelp");
  // Links are ours to follow: pages of the folder here, the web outside.
  wbhelp->setOpenLinks(false);
  layout->addWidget(wbhelp, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btok = new QPushButton("Ok", this);
  btok->setObjectName("btok");
  buttons->addWidget(btok);
  layout->addLayout(buttons);

  connect(btback, &QToolButton::clicked, wbhelp, &QTextBrowser::backward);
  connect(btforward, &QToolButton::clicked, wbhelp, &QTextBrowser::forward);
  connect(wbhelp, &QTextBrowser::forwardAvailable, this, [this](bool on) { CommandStateChange(1, on); });
  connect(wbhelp, &QTextBrowser::backwardAvailable, this, [this](bool on) { CommandStateChange(2, on); });
  connect(wbhelp, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { LinkClicked(link); });
  connect(btok, &QPushButton::clicked, this, &QDialog::accept);
  CommandStateChange(1, false);
  CommandStateChange(2, false);
  SetShowHTMLPageHandler([this](const std::string& addressOrFile) { ShowPage(addressOrFile); });
}

Tfmhtml::~Tfmhtml() { SetShowHTMLPageHandler(nullptr); }

void Tfmhtml::CommandStateChange(int command, bool enabled) {
  if (command == 1) btforward->setEnabled(enabled);
  if (command == 2) btback->setEnabled(enabled);
  // Hidden, not shown: the window may not be on screen yet.
  tbnavigate->setHidden(!btback->isEnabled() && !btforward->isEnabled());
}

void Tfmhtml::Navigate(const std::string& addressOrFile) {
  const QString text = QString::fromStdString(addressOrFile);
  const QUrl url(text);
  if (OpensOutside(url)) {
    OnOpenExternal(addressOrFile);
    return;
  }
  if (!QFileInfo::exists(text)) {
    wbhelp->setHtml("<p>The help page " + text.toHtmlEscaped() + " is missing.</p>");
    return;
  }
  wbhelp->setSource(QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath()));
}

void Tfmhtml::ShowPage(const std::string& addressOrFile) {
  Navigate(addressOrFile);
  if (!OpensOutside(QUrl(QString::fromStdString(addressOrFile)))) exec();
}

void Tfmhtml::LinkClicked(const QUrl& link) {
  if (OpensOutside(link)) {
    OnOpenExternal(link.toString().toStdString());
    return;
  }
  // A page of the folder or a place in this page: resolved against the page
  // shown, and kept in the history.
  wbhelp->setSource(wbhelp->source().resolved(link));
}
