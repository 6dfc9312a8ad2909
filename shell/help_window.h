#pragma once
// The help window: an HTML page of the program folder in a text browser,
// with back and forward through the pages visited. Links to pages of the
// folder open here; web addresses open in the desktop's browser.

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;
class QTextBrowser;
class QToolBar;
class QToolButton;

class Tfmhtml : public QDialog {
public:
  Tfmhtml();
  ~Tfmhtml() override;

  // Shows the page (a file, or a web address handed to the desktop).
  void Navigate(const std::string& addressOrFile);
  // Navigate, then the window modally (a web address shows no window).
  void ShowPage(const std::string& addressOrFile);

  // The browser's command state: command 1 is "forward possible", command
  // 2 "back possible"; the navigation bar shows while either is.
  void CommandStateChange(int command, bool enabled);

  // Opens a web address outside; xdg-open unless replaced.
  std::function<void(const std::string& address)> OnOpenExternal;

  QToolBar* tbnavigate = nullptr;
  QToolButton* btback = nullptr;
  QToolButton* btforward = nullptr;
  QTextBrowser* wbhelp = nullptr;
  QPushButton* btok = nullptr;

private:
  void LinkClicked(const QUrl& link);
};
