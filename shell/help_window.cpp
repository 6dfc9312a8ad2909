#include "shell/help_window.h"

Tfmhtml::Tfmhtml() {
  setObjectName("fmhtml");
  setWindowTitle("Help");
}
