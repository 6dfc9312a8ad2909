#include "shell/images_window.h"

#include <iostream>

#include "client/client_helpers.h"
#include "imaging/image_library.h"
#include "platform/base/path_resolve.h"

Tfmimages::Tfmimages() {
  setObjectName("fmimages");
  setWindowTitle("Images");
  LoadStoredPictures(GetApplicationFolder());
}

void Tfmimages::LoadStoredPictures(const std::string& programFolder) {
  // Stored pictures are read before the start-up registers the formats.
  StartImageLibrary();
  const std::pair<Picture*, const char*> stored[] = {{&imstaticobjects, "maps/static.bmp"},
                                                     {&imintermediateobjects, "maps/intermediate1.bmp"},
                                                     {&imintermediateobjects2, "maps/intermediate2.bmp"},
                                                     {&imintermediateobjects3, "maps/intermediate3.bmp"}};
  for (auto [picture, name] : stored) {
    picture->Clear();
    const std::optional<std::string> path = FindExistingPath(programFolder + name);
    if (!path) continue;
    try {
      picture->LoadFromFile(*path);
    } catch (const std::exception& e) {
      // The client core reports the empty map when it is built.
      std::cerr << *path << ": " << e.what() << '\n';
    }
  }
}
