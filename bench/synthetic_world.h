#pragma once
// A synthetic world as dense as a real game's: 358 x 358 static-object and
// intermediate maps, each filled to a given percentage with seeded random
// colours of its object kinds (cubes and walls on the static map; ground,
// sprites, spheres and disks on the intermediate ones), the sample world's
// textures, stylesheets and height picture. Written once per fill into a
// folder of the system's temporary place.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "client/client_globals.h"
#include "imaging/linear_bitmap.h"
#include "platform/picture/bitmap.h"

namespace synthetic_world {

namespace fs = std::filesystem;

inline std::string SampleWorldFolder() { return std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/"; }

struct Kind {
  const char* section;
  const char* entry;  // the OBJECT's attributes after its colour
};

// Colours "c0xxnn": map index in the second byte, entry number in the third.
inline int32_t Colour(int map, int entry) { return 0xC0 | ((0x10 * map + 1) << 8) | ((entry + 1) << 16); }

inline const std::vector<std::vector<Kind>>& Kinds() {
  static const std::vector<std::vector<Kind>> kinds = {
      // static map
      {{"CUBES", R"(texture="textures\townwall.bmp" height="2"><OBJECT objecttype="plane" direction="up" texture="textures\roof.bmp"/></OBJECT>)"},
       {"CUBES", R"(texture="textures\brick.bmp" height="1.5"><OBJECT objecttype="door" texture="textures\door.bmp"/></OBJECT>)"},
       {"CUBES", R"(texture="textures\stone.bmp" height="1"/>)"},
       {"CUBES", R"(texture="textures\wellstone.bmp" height="0.5" width="0.7"/>)"},
       {"WALLS", R"(texture="textures\townwall.bmp" height="2"/>)"},
       {"WALLS", R"(height="1.2"><OBJECT sides="outer" texture="textures\brick.bmp"/><OBJECT sides="inner" texture="textures\plaster.bmp"/></OBJECT>)"}},
      // intermediate map 1
      {{"GROUNDPLANES", R"(texture="textures\grass.jpg" random="true"/>)"},
       {"GROUNDPLANES", R"(texture="textures\sand.bmp" random="true"/>)"},
       {"GROUNDPLANES", R"(texture="textures\road.bmp"/>)"},
       {"GROUNDPLANES", R"(texture="textures\rock.bmp" random="true" rotrandom="true"/>)"}},
      // intermediate map 2
      {{"SPRITES", R"(texture="textures\tree.bmp" height="2.2" width="1.2" randomoffset="0.4" randomsize="0.3" randommirror="horizontal"/>)"},
       {"SPRITES", R"(texture="textures\pine.bmp" height="2.6" width="1.1" randomoffset="0.3"/>)"},
       {"SPRITES", R"(texture="textures\bush.bmp" height="0.8" randomsize="0.4"/>)"}},
      // intermediate map 3
      {{"SPHERES", R"(radius="0.3" texture="textures\stone.bmp"/>)"},
       {"DISKS", R"(radius="0.4" direction="up" texture="textures\water.bmp"/>)"},
       {"SPRITES", R"(texture="textures\lamp.bmp" height="1.5"/>)"}},
  };
  return kinds;
}

inline std::string Config() {
  std::string objects;
  for (const char* section : {"CUBES", "WALLS", "GROUNDPLANES", "SPRITES", "SPHERES", "DISKS"}) {
    objects += std::string("<") + section + ">";
    for (size_t map = 0; map < Kinds().size(); ++map)
      for (size_t entry = 0; entry < Kinds()[map].size(); ++entry)
        if (std::string(Kinds()[map][entry].section) == section)
          objects += "<OBJECT color=\"" + ColorToHex(Colour(static_cast<int>(map), static_cast<int>(entry))) + "\" " +
                     Kinds()[map][entry].entry;
    objects += std::string("</") + section + ">";
  }
  return R"(<CONFIG>
<SYSTEM visualscale="1.0" texturecachesize="24" clodprecision="10" focallength="40" cameraheightoffset="0.6"
 groundplaneoffset="0.01" groundmeshoffset="0.02" spriteoffset="0" cubeoffset="0" roomoffset="0.01"
 roomwalloffset="0.1" walloffset="0" sphereoffset="0" diskoffset="0"/>
<ENVIRONMENT><SEA height="-0.1" mudheight="0" texture="textures\sea.bmp">
 <UNDERSEA texture="textures\undersea.bmp" color="103040" fogcolor="0c2030" fogstart="0.5" fogend="12"/></SEA>
 <TERRAIN height="0.05"><TERRAINHEIGHTS/></TERRAIN>
 <TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="21"/>
 <WEATHER><CLOUDS texture="textures\clouds.bmp" scale="4" width="60" height="12"/></WEATHER></ENVIRONMENT>
<STATICCOLORS><COLOR value="000000"/></STATICCOLORS>
<OBJECTS>)" + objects + R"(</OBJECTS>
<INTERMEDIATEMAPS width="7"><MAP/><MAP/><MAP/></INTERMEDIATEMAPS>
<GODMODELOCATIONS><LOCATION x="179" y="179" name="Centre" description="the middle of the map"/></GODMODELOCATIONS>
</CONFIG>
)";
}

// Map k (0 static, 1..3 intermediate) filled to percent with seeded colours.
inline Bitmap FilledMap(int k, int percent) {
  std::mt19937 random(1234u + static_cast<unsigned>(k) * 7919u + static_cast<unsigned>(percent));
  std::uniform_int_distribution<int> cell(0, 99);
  std::uniform_int_distribution<int> entry(0, static_cast<int>(Kinds()[static_cast<size_t>(k)].size()) - 1);
  Bitmap map(358, 358, pf24bit);
  for (int y = 0; y < 358; ++y)
    for (int x = 0; x < 358; ++x) {
      if (cell(random) >= percent) continue;
      const int32_t c = Colour(k, entry(random));
      std::uint8_t* p = map.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(c >> 16);
      p[1] = static_cast<std::uint8_t>(c >> 8);
      p[2] = static_cast<std::uint8_t>(c);
    }
  return map;
}

inline void SaveBmp(const Bitmap& bitmap, const fs::path& file) {
  TLinearBitmap linear;
  linear.Assign(bitmap);
  linear.SaveToFile(file.string());
}

// The folder (with a trailing "/") of the world filled to percent: config.xml,
// xslt, textures and maps (elevation.bmp, static.bmp, intermediate1..3.bmp).
// Into `base` (the system's temporary place unless given).
inline std::string Write(int percent, const fs::path& base = fs::temp_directory_path()) {
  const fs::path folder = base / ("mud_synthetic_world_" + std::to_string(percent));
  fs::remove_all(folder);
  fs::create_directories(folder / "maps");
  fs::copy(SampleWorldFolder() + "xslt", folder / "xslt");
  fs::copy(SampleWorldFolder() + "textures", folder / "textures");
  fs::copy_file(SampleWorldFolder() + "maps/elevation.bmp", folder / "maps/elevation.bmp");
  std::ofstream(folder / "config.xml", std::ios::binary) << Config();
  const char* names[] = {"static.bmp", "intermediate1.bmp", "intermediate2.bmp", "intermediate3.bmp"};
  for (int k = 0; k < 4; ++k) SaveBmp(FilledMap(k, percent), folder / "maps" / names[k]);
  return folder.string() + "/";
}

}  // namespace synthetic_world
