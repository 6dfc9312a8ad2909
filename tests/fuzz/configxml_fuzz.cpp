// Random bytes as config.xml, as a ground-height text and as a room map: a
// clear exception or a result, never a crash, a hang or a leak.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/room_maps.h"
#include "client/world_positions.h"

namespace {

void QueryWorld(TConfigXML& config) {
  Tobjects objects;
  objects.Assign(config.GetObjects());
  if (!objects.IsEmpty()) {
    (void)objects.GetTexturesFromColor(0x0000FF);
    (void)objects.GetTexturesFromName("a'b\"c");
    TCubes cubes;
    cubes.Assign(objects.GetCubes());
    (void)cubes.IsPlainCube(0x0000FF);
    (void)cubes.FindAllByColorHex<TTheCube>("ff0000");
  }
  (void)config.GetTextureEmission("textures\\a.bmp");
  for (int i = 0; i < config.GetMapList().GetCount() && i < 8; ++i) {
    const TMap* map = config.MapsGetMap(i);
    for (int x = -1; x <= map->width && x < 16; ++x) {
      for (int y = -1; y <= map->height && y < 16; ++y) {
        (void)config.MapsGetExitsAt(map->x + x, map->y + y);
        (void)config.MapsGetWallsAt(map->x + x, map->y + y);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = "/tmp/fuzz_configxml_" + std::to_string(getpid()) + ".xml";
  AppFolder = std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/";
  const std::string text(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
  }
  try {
    TConfigXML config(file);
    QueryWorld(config);
  } catch (const Exception&) {
  }
  // Nothing is left behind in the temporary folder.
  std::remove(file.c_str());

  try {
    TGroundHeightList heights;
    heights.LoadFromXML(text);
    (void)heights.GetNearestHeight(1, 2);
  } catch (const Exception&) {
  }

  const TMap map(MapTextLines(text), 0, 0);
  for (int x = -1; x <= map.width && x < 64; ++x) {
    for (int y = -1; y <= map.height && y < 64; ++y) {
      (void)map.GetExits(x, y);
      (void)map.GetWalls(x, y);
    }
  }
  return 0;
}
