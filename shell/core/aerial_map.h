#pragma once
// The aerial map of a program folder ("maps/aerial.3db", else
// "maps/aerial.bmp"), read once at the size it is drawn at: the terrain's
// texture (no larger than any texture is kept, kLargestTextureSide) and the
// map panel's picture (no larger than the panel shows it).

#include <optional>
#include <string>

#include "platform/picture/bitmap.h"

struct TAerialMap {
  // For the material "aerial": the file's picture mirrored top to bottom,
  // as the terrain takes it.
  Bitmap Terrain;
  // For the map panel: north up, each side at most kAerialPictureSize.
  Bitmap Panel;
};

// The file of the aerial map, nothing when the folder has neither.
std::optional<std::string> FindAerialMap(const std::string& programFolder);
// Reads it; a picture that cannot be read raises its loader's error, which
// names the file.
TAerialMap ReadAerialMap(const std::string& fileName);
