#include "shell/core/aerial_map.h"

#include <algorithm>

#include "client/texture_loading.h"
#include "platform/base/path_resolve.h"
#include "platform/picture/stretch.h"
#include "shell/core/map_panel.h"

std::optional<std::string> FindAerialMap(const std::string& programFolder) {
  std::optional<std::string> file = FindExistingPath(programFolder + "maps/aerial.3db");
  if (!file) file = FindExistingPath(programFolder + "maps/aerial.bmp");
  return file;
}

TAerialMap ReadAerialMap(const std::string& fileName) {
  bool resized = false;
  // No cap of its own: a picture beyond the largest texture is averaged down
  // to it as it is read.
  const Bitmap loaded = LoadTextureBitmap(fileName, 0, false, resized);
  TAerialMap aerial;
  aerial.Terrain = MirrorBitmap(loaded, false, true);
  // The terrain lays the file's columns westward from the east edge and its
  // rows northward from the south edge: turned half round, the file's
  // picture shows the map north up. The panel's label stretches it to its
  // square whatever its sides.
  const int width = std::min(loaded.GetWidth(), kAerialPictureSize);
  const int height = std::min(loaded.GetHeight(), kAerialPictureSize);
  const bool reduce = width != loaded.GetWidth() || height != loaded.GetHeight();
  aerial.Panel = MirrorBitmap(reduce ? StretchBitmap(loaded, width, height, pf24bit, TStretchMode::Halftone) : loaded,
                              true, true);
  return aerial;
}
