#pragma once
// The application's windows, created in their fixed order and each reachable
// through a global of its own name while they live.

#include <memory>

class Tfmtallowmer3dclient;
class Tfmimages;
class Tfmabout;
class Tfmcontrol;
class Tfmoptions;
class Tfmbusy;
class Tfmhtml;
class Tfmkeymappings;

extern Tfmtallowmer3dclient* fmtallowmer3dclient;
extern Tfmimages* fmimages;
extern Tfmabout* fmabout;
extern Tfmcontrol* fmcontrol;
extern Tfmoptions* fmoptions;
extern Tfmbusy* fmbusy;
extern Tfmhtml* fmhtml;
extern Tfmkeymappings* fmkeymappings;

class ApplicationWindows {
public:
  // Creates main, images, about, control, options, busy, help, key mappings.
  ApplicationWindows();
  ~ApplicationWindows();
  ApplicationWindows(const ApplicationWindows&) = delete;
  ApplicationWindows& operator=(const ApplicationWindows&) = delete;

  // Start-up frees the busy window once it is done with it.
  void FreeBusyWindow();

  static ApplicationWindows* Instance();

private:
  std::unique_ptr<Tfmtallowmer3dclient> FMain;
  std::unique_ptr<Tfmimages> FImages;
  std::unique_ptr<Tfmabout> FAbout;
  std::unique_ptr<Tfmcontrol> FControl;
  std::unique_ptr<Tfmoptions> FOptions;
  std::unique_ptr<Tfmbusy> FBusy;
  std::unique_ptr<Tfmhtml> FHtml;
  std::unique_ptr<Tfmkeymappings> FKeyMappings;
};
