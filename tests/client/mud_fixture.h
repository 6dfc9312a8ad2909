#pragma once
// A small world for tests of the client core, without GL or a window: a
// program folder in the test output (config.xml, the sample world's
// stylesheets, small textures), the main window's stored scene, plain view
// controls and map pictures painted cell by cell. Create() builds a TMud on
// it; the log goes to the folder's "log.txt".
//
// Map pictures are 358 x 358 (the elevation 179 x 179, grey 128: flat
// ground at height 0) and start black, the background colour.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/texture_loading.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "tests/support/solid_bitmap.h"
#include "tests/support/windowless_core.h"

namespace mud_fixture {

namespace fs = std::filesystem;

// The fixture's world: every section the core reads, the colours the maps
// below use, texture options in both backslash forms.
inline std::string DefaultConfig() {
  return R"(<CONFIG>
 <SYSTEM visualscale="1.0" texturecachesize="4" clodprecision="10" focallength="30" cameraheightoffset="0.5"
  walloffset="0" roomoffset="0" roomwalloffset="0.1" cubeoffset="0" groundplaneoffset="0.01"
  groundmeshoffset="0.01" spriteoffset="0" sphereoffset="0" diskoffset="0"/>
 <ENVIRONMENT>
  <SEA height="-2" mudheight="0" texture="textures\sea.bmp">
   <UNDERSEA texture="" color="204060" fogcolor="102030" fogstart="1" fogend="20"/></SEA>
  <TERRAIN height="0.05"><TERRAINHEIGHTS><H x="100" y="100" z="0"/></TERRAINHEIGHTS></TERRAIN>
  <TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20"/>
  <WEATHER><CLOUDS texture="textures\clouds.bmp" scale="4" width="50" height="15"/></WEATHER>
 </ENVIRONMENT>
 <UNDEFINEDAREA mudx="5" mudy="5" mudz="0" tomudx="100" tomudy="100" tomudz="0" fog="true">
  <PHRASEPOSITIONS><P name="the void" x="110" y="100"/></PHRASEPOSITIONS></UNDEFINEDAREA>
 <MAPS><MAP x="98" y="103">A-A
| .
A.A</MAP></MAPS>
 <STATICCOLORS><COLOR value="000000"/></STATICCOLORS>
 <OBJECTS>
  <CUBES><OBJECT color="ff0000" texture="textures\brick.bmp" height="1">
    <OBJECT objecttype="plane" direction="up" texture="textures\roof.bmp"/></OBJECT>
   <OBJECT color="ff8000" texture="textures\brick.bmp" height="1"><OBJECT objecttype="door" texture="textures\door.bmp"/></OBJECT></CUBES>
  <WALLS><OBJECT color="0000ff" height="1"><OBJECT sides="outer" texture="textures\brick.bmp"/>
    <OBJECT sides="inner" texture="textures\plaster.bmp"/></OBJECT></WALLS>
  <ROOMS><OBJECT color="00ff00" height="1"><OBJECT objecttype="plane" roomtype="exit" texture="textures\arch.bmp"/>
    <OBJECT objecttype="plane" roomtype="wall" texture="textures\plaster.bmp"/></OBJECT></ROOMS>
  <GROUNDPLANES><OBJECT color="808000" texture="textures\grass.jpg" random="true"/></GROUNDPLANES>
  <SPRITES><OBJECT color="008000" texture="textures\tree.bmp" height="2" randomoffset="0.4" randomsize="0.3"/>
   <OBJECT color="ff00ff" objecttype="fire" height="0.5"/><OBJECT name="Orc" texture="textures\orc.3db" height="1"/></SPRITES>
  <SPHERES><OBJECT color="00ffff" radius="0.3" texture="textures\stone.bmp"/></SPHERES>
  <DISKS><OBJECT color="ffff00" radius="0.4" direction="up" texture="textures\well.bmp"/></DISKS>
  <LIGHTSOURCES><OBJECT color="c0c0c0"/></LIGHTSOURCES>
 </OBJECTS>
 <TEXTURES><TEXTURE texture="textures\\sea.bmp" scale="8" superblacktransparent="false" addscaledvectorx="0.1"/>
  <TEXTURE texture="textures\tree.bmp" alpha="0.5" magminfilter="linear"/></TEXTURES>
 <INTERMEDIATEMAPS width="7"><MAP/><MAP width="5"/><MAP width="3"/></INTERMEDIATEMAPS>
 <GODMODELOCATIONS><LOCATION x="100" y="100" name="Start" description="fixture"/></GODMODELOCATIONS>
</CONFIG>
)";
}

using ::SolidBitmap;

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

inline void WriteBmp(const fs::path& file, const Bitmap& bitmap) {
  fs::create_directories(file.parent_path());
  TLinearBitmap linear;
  linear.Assign(bitmap);
  linear.SaveToFile(file.string());
}

class World : public windowless_core::Core {
public:
  // A folder of its own per test; config.xml from the text given.
  explicit World(const std::string& config = DefaultConfig())
      : folder_(TestFolder()), scope_(folder_.string() + "/", (folder_ / "log.txt").string()) {
    fs::create_directories(folder_ / "textures");
    fs::copy(fs::path(CLIENT_SOURCE_DIR) / "data/sample-world/xslt", folder_ / "xslt");
    WriteBytes(folder_ / "config.xml", config);
    WriteTextures();
    SetElevation(SolidBitmap(179, 179, 0x808080));
    for (Picture* map : {&staticMap, &intermediate1, &intermediate2, &intermediate3})
      map->SetBitmap(SolidBitmap(TMud::kMapSize, TMud::kMapSize, 0));
  }

  const fs::path& Folder() const { return folder_; }
  std::string ConfigFile() const { return (folder_ / "config.xml").string(); }

  // Map k as TMud::GetPixel numbers them: 1 static objects, 2..4 the
  // intermediate maps.
  Picture& Map(int k) {
    Picture* maps[] = {&staticMap, &intermediate1, &intermediate2, &intermediate3};
    return *maps[k - 1];
  }
  // Paints the cell (x, y) of map k: column x, row 358 - y.
  void Paint(int k, int32_t x, int32_t y, int32_t colour) {
    Bitmap& bitmap = Map(k).GetBitmap();
    std::uint8_t* p = bitmap.ScanLine(TMud::kMapSize - y) + 3 * x;
    p[0] = static_cast<std::uint8_t>(colour >> 16);
    p[1] = static_cast<std::uint8_t>(colour >> 8);
    p[2] = static_cast<std::uint8_t>(colour);
  }

  std::unique_ptr<TMud> Create(const std::string& configFile = std::string(),
                               TGLSoundLibrary* soundLibrary = nullptr) {
    return Core::Create(configFile.empty() ? ConfigFile() : configFile, soundLibrary);
  }

  // The messages of the log's dated lines (the stylesheets' own lines have
  // no date), in order.
  std::vector<std::string> LogMessages() const {
    std::vector<std::string> messages;
    std::ifstream log(folder_ / "log.txt");
    for (std::string line; std::getline(log, line);) {
      // "YYYY-MM-DD HH:MM:SS message"
      if (line.size() >= 20 && line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' &&
          line[16] == ':' && line[19] == ' ')
        messages.push_back(line.substr(20));
    }
    return messages;
  }

private:
  static fs::path TestFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder = fs::path(CLIENT_TEST_OUTPUT_DIR) / "mud_world" /
                            (test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("shared"));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
  }

  void WriteTextures() {
    const fs::path textures = folder_ / "textures";
    struct Texture {
      const char* name;
      int width, height;
      int32_t colour;
    } const bmps[] = {{"sea.bmp", 16, 16, 0x804020},   {"clouds.bmp", 32, 16, 0xC0C0C0},
                      {"brick.bmp", 128, 128, 0x2020A0}, {"roof.bmp", 16, 16, 0x000080},
                      {"door.bmp", 16, 32, 0x004080},  {"plaster.bmp", 16, 16, 0xE0E0E0},
                      {"arch.bmp", 16, 16, 0x606060},  {"tree.bmp", 16, 32, 0x00A000},
                      {"stone.bmp", 16, 16, 0x808080}, {"well.bmp", 16, 16, 0x404040}};
    for (const Texture& t : bmps) WriteBmp(textures / t.name, SolidBitmap(t.width, t.height, t.colour));
    TLinearBitmap grass;
    grass.Assign(SolidBitmap(300, 200, 0x209020));
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(grass);
    WriteBytes(textures / "grass.jpg", std::string(jpeg.begin(), jpeg.end()));
    WriteBytes(textures / "orc.3db", EncodePackedPicture(SolidBitmap(16, 32, 0x0000C0), "orc.3db"));
  }

  fs::path folder_;
  windowless_core::ProgramFolderScope scope_;
};

// The shipped sample world as the program finds it: its pictures, its
// stored height picture, its config.xml; the log goes to the test output.
class SampleWorld : public windowless_core::Core {
public:
  SampleWorld() : scope_(Folder(), LogFile()) { LoadWorldPictures(Folder()); }
  std::unique_ptr<TMud> Create() { return Core::Create(Folder() + "config.xml"); }

private:
  static std::string Folder() { return std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/"; }
  static std::string LogFile() {
    fs::create_directories(CLIENT_TEST_OUTPUT_DIR);
    return std::string(CLIENT_TEST_OUTPUT_DIR) + "/sample_world_log.txt";
  }
  windowless_core::ProgramFolderScope scope_;
};

}  // namespace mud_fixture
