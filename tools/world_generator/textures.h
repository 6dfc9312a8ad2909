#pragma once
// The sample world's textures, drawn by code: ground, walls, roofs, doors,
// plants, figures, water, clouds, the detail map and the About picture.

#include <string>
#include <vector>

#include "tools/world_generator/picture_writer.h"

struct TextureFile {
  std::string path;  // relative to the world folder, "/" separated
  Picture picture;
  bool jpeg = false;
};

std::vector<TextureFile> DrawTextures();
