#include "shell/application.h"

#include "shell/about_window.h"
#include "shell/busy_window.h"
#include "shell/control_window.h"
#include "shell/help_window.h"
#include "shell/images_window.h"
#include "shell/key_mappings_window.h"
#include "shell/main_window.h"
#include "shell/options_window.h"

Tfmtallowmer3dclient* fmtallowmer3dclient = nullptr;
Tfmimages* fmimages = nullptr;
Tfmabout* fmabout = nullptr;
Tfmcontrol* fmcontrol = nullptr;
Tfmoptions* fmoptions = nullptr;
Tfmbusy* fmbusy = nullptr;
Tfmhtml* fmhtml = nullptr;
Tfmkeymappings* fmkeymappings = nullptr;

namespace {
ApplicationWindows* instance = nullptr;
}

ApplicationWindows* ApplicationWindows::Instance() { return instance; }

ApplicationWindows::ApplicationWindows() {
  instance = this;
  FMain = std::make_unique<Tfmtallowmer3dclient>();
  fmtallowmer3dclient = FMain.get();
  FImages = std::make_unique<Tfmimages>();
  fmimages = FImages.get();
  FAbout = std::make_unique<Tfmabout>();
  fmabout = FAbout.get();
  FControl = std::make_unique<Tfmcontrol>();
  fmcontrol = FControl.get();
  FOptions = std::make_unique<Tfmoptions>();
  fmoptions = FOptions.get();
  FBusy = std::make_unique<Tfmbusy>();
  fmbusy = FBusy.get();
  FHtml = std::make_unique<Tfmhtml>();
  fmhtml = FHtml.get();
  FKeyMappings = std::make_unique<Tfmkeymappings>();
  fmkeymappings = FKeyMappings.get();
}

ApplicationWindows::~ApplicationWindows() {
  // The main window goes first: closing it stops the connection while the
  // windows it reads are still there.
  FMain.reset();
  fmtallowmer3dclient = nullptr;
  FKeyMappings.reset();
  fmkeymappings = nullptr;
  FHtml.reset();
  fmhtml = nullptr;
  FreeBusyWindow();
  FOptions.reset();
  fmoptions = nullptr;
  FControl.reset();
  fmcontrol = nullptr;
  FAbout.reset();
  fmabout = nullptr;
  FImages.reset();
  fmimages = nullptr;
  if (instance == this) instance = nullptr;
}

void ApplicationWindows::FreeBusyWindow() {
  FBusy.reset();
  fmbusy = nullptr;
}
