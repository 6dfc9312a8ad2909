#pragma once
// What the main window hands the client core, without a window: the stored
// scene, plain view controls and the images window's map pictures. Shared
// by the client core's tests, benchmarks and fuzz target.
//
// Link with client and shell_core.

#include <memory>
#include <string>

#include "client/client_globals.h"
#include "client/mud.h"
#include "client/mud_view.h"
#include "client/xml_list_dom.h"
#include "engine/light_source.h"
#include "imaging/image_library.h"
#include "objects/fire_effect.h"
#include "objects/height_data_bitmap.h"
#include "platform/picture/picture.h"
#include "shell/core/stored_scene.h"

namespace windowless_core {

// Points the program folder and the start-up log elsewhere for as long as
// it lives.
class ProgramFolderScope {
public:
  ProgramFolderScope(const std::string& folder, const std::string& logFile)
      : FPreviousFolder(AppFolder), FPreviousLog(XMLLogFileName) {
    AppFolder = folder;
    XMLLogFileName = logFile;
  }
  ~ProgramFolderScope() {
    AppFolder = FPreviousFolder;
    XMLLogFileName = FPreviousLog;
  }
  ProgramFolderScope(const ProgramFolderScope&) = delete;
  ProgramFolderScope& operator=(const ProgramFolderScope&) = delete;

private:
  std::string FPreviousFolder;
  std::string FPreviousLog;
};

class Core {
public:
  Core() {
    StartImageLibrary();
    ApplyStoredViewerSettings(*viewer.GetBuffer(), stored.GetCamera());
  }

  // A world's stored pictures as the windows read them: the height picture
  // (also the elevation map) and the four maps of its "maps" folder.
  void LoadWorldPictures(const std::string& folder) {
    stored.LoadHeightPicture(folder);
    elevation.Assign(stored.GetHeightSource()->GetPicture());
    staticMap.LoadFromFile(folder + "maps/static.bmp");
    intermediate1.LoadFromFile(folder + "maps/intermediate1.bmp");
    intermediate2.LoadFromFile(folder + "maps/intermediate2.bmp");
    intermediate3.LoadFromFile(folder + "maps/intermediate3.bmp");
  }
  void SetElevation(const Bitmap& bitmap) {
    elevation.SetBitmap(bitmap);
    stored.GetHeightSource()->SetPicture(elevation);
  }

  // With a sound library the core loads the weather sounds into it.
  std::unique_ptr<TMud> Create(const std::string& configFile, TGLSoundLibrary* soundLibrary = nullptr) {
    return std::make_unique<TMud>(configFile, &viewer, stored.GetScene(), soundLibrary, stored.GetMaterialLibrary(),
                                  stored.GetFireFXManager(), &elevation, &staticMap, &intermediate1, &intermediate2,
                                  &intermediate3, &blackPanel, stored.GetLight(), stored.GetHeightSource());
  }

  StoredScene stored;
  PlainViewer viewer;
  PlainControl blackPanel;
  Picture elevation, staticMap, intermediate1, intermediate2, intermediate3;
};

}  // namespace windowless_core
