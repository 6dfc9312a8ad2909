// Random bytes as packed pictures (".3db", ".3dj") and as world
// descriptions for the client core's creation on the main window's stored
// scene, without GL: a picture or a clear exception, a core built or a
// logged "Exception ...", never a crash, a hang or a leak.
//
// The first byte chooses: 0 a packed picture; 1 a whole config.xml; 2..7
// one section of a small working world replaced by the rest of the bytes,
// so that the creation's later steps are reached.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "client/texture_loading.h"
#include "platform/base/exception.h"
#include "tests/support/windowless_core.h"

namespace {

const char* const kSections[] = {
    R"(<SYSTEM visualscale="1.0" texturecachesize="3" clodprecision="10" focallength="30"/>)",
    R"(<ENVIRONMENT><SEA height="-2" mudheight="0" texture="textures\sea.bmp">
  <UNDERSEA texture="textures\undersea.bmp" color="204060" fogcolor="102030" fogstart="1" fogend="20"/></SEA>
  <TERRAIN height="0.05"><TERRAINHEIGHTS/></TERRAIN>
  <TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20"/>
  <WEATHER><CLOUDS texture="textures\clouds.bmp" scale="4" width="50" height="15"/></WEATHER></ENVIRONMENT>)",
    R"(<UNDEFINEDAREA mudx="5" mudy="5" tomudx="100" tomudy="100" texture="textures\rock.bmp"/>)",
    R"(<OBJECTS><CUBES><OBJECT color="ff0000" texture="textures\brick.bmp" height="1">
  <OBJECT objecttype="plane" direction="up" texture="textures\roof.bmp"/></OBJECT></CUBES>
  <SPRITES><OBJECT color="008000" texture="textures\tree.bmp" height="2"/></SPRITES>
  <LIGHTSOURCES><OBJECT color="c0c0c0"/></LIGHTSOURCES></OBJECTS>)",
    R"(<TEXTURES><TEXTURE texture="textures\\brick.bmp" scale="8" superblacktransparent="false" alpha="0.5"/></TEXTURES>)",
    R"(<INTERMEDIATEMAPS width="7"><MAP/><MAP width="5"/><MAP width="3"/></INTERMEDIATEMAPS>)",
};

std::string World(int replaced, const std::string& text) {
  std::string world = "<CONFIG>\n<STATICCOLORS><COLOR value=\"000000\"/></STATICCOLORS>\n";
  for (int i = 0; i < 6; ++i) world += (i == replaced ? text : kSections[i]) + std::string("\n");
  return world + "</CONFIG>\n";
}

Bitmap Map(int32_t colour) {
  Bitmap map(TMud::kMapSize, TMud::kMapSize, pf24bit);
  for (int i = 0; i < 5; ++i) {
    std::uint8_t* p = map.ScanLine(100 + i) + 3 * (150 + 7 * i);
    p[0] = static_cast<std::uint8_t>(colour >> 16);
    p[1] = static_cast<std::uint8_t>(colour >> 8);
    p[2] = static_cast<std::uint8_t>(colour);
  }
  return map;
}

struct Fixture : windowless_core::Core {
  Fixture() : scope(std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/", "/dev/null") {
    Bitmap grey(179, 179, pf24bit);
    std::fill(grey.Data(), grey.Data() + grey.DataSize(), 128);
    SetElevation(grey);
    staticMap.SetBitmap(Map(0x0000FF));
    intermediate1.SetBitmap(Map(0xC0C0C0));
    intermediate2.SetBitmap(Map(0x008000));
    intermediate3.SetBitmap(Map(0));
  }
  windowless_core::ProgramFolderScope scope;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  static const std::string file = "/tmp/fuzz_mud_" + std::to_string(getpid()) + ".xml";
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int mode = data[0] % 8;
  if (mode == 0) {
    for (const char* name : {"a.3db", "textures\\abc.3dj", "nodot"}) {
      try {
        const Bitmap picture = DecodePackedPicture(text, name);
        (void)EncodePackedPicture(picture, name);
      } catch (const Exception&) {
      }
    }
    return 0;
  }
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << (mode == 1 ? text : World(mode - 2, text));
  }
  std::unique_ptr<TMud> core = fixture.Create(file);
  TMud& mud = *core;
  if (mud.GetBuilt()) {
    try {
      mud.LoadTexture("textures\\tree.bmp");
      mud.PreloadTextures(150, 258);
    } catch (const Exception&) {
    }
    (void)mud.CellToScene(150, 258);
  }
  return 0;
}
