#pragma once
// The About window: the program folder's logo, the version (set at
// start-up) and two links that open in the desktop's browser.

#include <QDialog>
#include <functional>
#include <string>

class QLabel;

class Tfmabout : public QDialog {
public:
  Tfmabout();
  QLabel* lbversion = nullptr;  // set at start-up
  QLabel* imlogo = nullptr;
  QLabel* lblink1 = nullptr;
  QLabel* lblink2 = nullptr;

  // Opens a link's address; xdg-open unless replaced.
  std::function<void(const std::string& address)> OnOpenLink;
};
