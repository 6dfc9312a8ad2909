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
    if (!path) {
      picture->SetLoadFailure(PictureReadFailure(programFolder + name, "there is no such file"));
      continue;
    }
    try {
      picture->LoadFromFile(*path);
    } catch (const std::exception& e) {
      // The client core reports the empty map when it is built.
      std::cerr << *path << ": " << e.what() << '\n';
    }
  }
}

QImage ToQImage(const Bitmap& bitmap) {
  if (bitmap.GetEmpty()) return QImage();
  QImage image(bitmap.GetWidth(), bitmap.GetHeight(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const std::uint32_t colour = static_cast<std::uint32_t>(bitmap.GetPixel(x, y));  // 0x00BBGGRR
      row[x] = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    }
  }
  return image;
}
