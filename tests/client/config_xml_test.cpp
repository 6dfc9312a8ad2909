#include "client/config_xml.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "client/client_globals.h"
#include "platform/base/path_resolve.h"
#include "world_fixture.h"

namespace {

using world_fixture::ConfigText;
using world_fixture::ProgramFolder;
using world_fixture::Sections;
using world_fixture::WriteFile;

std::unique_ptr<TConfigXML> ReadWorld(const Sections& sections, const char* name = "config.xml") {
  return std::make_unique<TConfigXML>(WriteFile(name, ConfigText(sections)));
}

std::string SampleConfig() { return world_fixture::SampleWorldFolder() + "config.xml"; }

class ConfigXMLTest : public ::testing::Test {
protected:
  ProgramFolder folder_;
};

TEST_F(ConfigXMLTest, SampleWorldReadsWithEverySection) {
  TConfigXML config(SampleConfig());
  EXPECT_EQ(config.visualscale, 1.0);
  EXPECT_EQ(config.texturecachesize, 24);
  EXPECT_EQ(config.clodprecision, 10);
  EXPECT_EQ(config.flightfactor, 2.0);
  EXPECT_EQ(config.cameraheightoffset, 0.6);
  EXPECT_TRUE(config.hasSea);
  EXPECT_TRUE(config.hasUndersea);
  EXPECT_EQ(config.environment.sea.height, -0.1);
  EXPECT_EQ(config.environment.sea.texture, "textures\\sea.bmp");
  EXPECT_EQ(config.environment.undersea.color, 0x403010);
  EXPECT_EQ(config.environment.undersea.fogend, 12.0);
  EXPECT_EQ(config.environment.terrainheight, 0.05);
  EXPECT_EQ(config.environment.times.nightstart, 21.0);
  EXPECT_EQ(config.environment.clouds.texture, "textures\\clouds.bmp");
  EXPECT_EQ(config.GetGroundHeights().GetCount(), 3);
  EXPECT_TRUE(config.GetUndefinedArea().IsAt(1, 1));
  EXPECT_TRUE(config.GetUndefinedArea().fog);
  TPhrasePosition place;
  EXPECT_TRUE(config.GetUndefinedArea().phrases.FindPhrase("You stand on the village square.", place));
  EXPECT_EQ(place.x, 176);
  EXPECT_GE(config.GetMapList().GetCount(), 2);
  EXPECT_TRUE(IsStaticColor(0));

  // The gate cube's door opens to the south.
  EXPECT_EQ(config.MapsGetExitsAt(175, 150), kSideSouth);

  Tobjects objects;
  objects.Assign(config.GetObjects());
  EXPECT_EQ(objects.GetTexturesFromColor(HexToColor("008000")), (std::vector<std::string>{"textures\\tree.bmp"}));
  EXPECT_EQ(objects.GetTexturesFromName("O'Leary the smith"), (std::vector<std::string>{"textures\\smith.bmp"}));
  EXPECT_EQ(objects.GetTexturesFromColor(HexToColor("00a000")).size(), 2u);
  EXPECT_TRUE(objects.GetTexturesFromName("nobody").empty());
  EXPECT_EQ(objects.GetString("color"), "") << "the queried colour is cleared again";

  TXMLListDOM* intermediate = config.GetIntermediateMaps();
  EXPECT_EQ(intermediate->GetInteger("width"), 7);
  EXPECT_EQ(TConfigXML::GetIntermediateMap(intermediate, 2)->GetInteger("width"), 5);
  TXMLListDOM* locations = config.GetGodModeLocations();
  EXPECT_GE(locations->GetCount(), 3);
  EXPECT_FALSE(TConfigXML::GetGodModeLocation(locations, 0)->GetString("name").empty());
  EXPECT_EQ(config.GetTextureEmission("textures\\lamp.bmp"), HexToColor("fff0c0"));
  EXPECT_EQ(config.GetTerrainBrightnessFactor("textures\\Grass.jpg"), 40);
  EXPECT_EQ(config.GetTerrainBrightnessFactor("textures\\door.bmp"), -1);
}

TEST_F(ConfigXMLTest, EveryFileTheSampleWorldNamesExists) {
  std::ifstream in(SampleConfig());
  std::stringstream text;
  text << in.rdbuf();
  const std::string config = text.str();
  const std::regex texture("texture=\"([^\"]+)\"");
  std::set<std::string> names;
  for (auto it = std::sregex_iterator(config.begin(), config.end(), texture); it != std::sregex_iterator(); ++it) {
    std::string name = (*it)[1];
    // TEXTURES keys double their backslashes.
    for (size_t p = name.find("\\\\"); p != std::string::npos; p = name.find("\\\\", p + 1)) name.erase(p, 1);
    names.insert(name);
  }
  ASSERT_GT(names.size(), 10u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(FindExistingPath(AppFolder + name).has_value());
  }
  for (const char* picture : {"maps\\aerial.bmp", "maps\\elevation.bmp", "maps\\static.bmp", "maps\\intermediate1.bmp",
                              "maps\\intermediate2.bmp", "maps\\intermediate3.bmp", "textures\\detailmap.jpg",
                              "logo.jpg", "xslt\\getcolors.xsl", "xslt\\gettexturesfromcolor.xsl",
                              "xslt\\gettexturesfromname.xsl"}) {
    SCOPED_TRACE(picture);
    EXPECT_TRUE(FindExistingPath(AppFolder + picture).has_value());
  }
}

// Width and height of a BMP file, from its header.
std::pair<int32_t, int32_t> BmpSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[26] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  auto at = [&](int o) { return static_cast<int32_t>(header[o] | header[o + 1] << 8 | header[o + 2] << 16 | header[o + 3] << 24); };
  EXPECT_EQ(header[0], 'B');
  return {at(18), at(22)};
}

TEST_F(ConfigXMLTest, SampleWorldMapPicturesHaveTheirSizes) {
  const std::string maps = AppFolder + "maps/";
  EXPECT_EQ(BmpSize(maps + "elevation.bmp"), (std::pair<int32_t, int32_t>{179, 179}));
  EXPECT_EQ(BmpSize(maps + "aerial.bmp"), (std::pair<int32_t, int32_t>{179, 179}));
  for (const char* name : {"static.bmp", "intermediate1.bmp", "intermediate2.bmp", "intermediate3.bmp"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(BmpSize(maps + name), (std::pair<int32_t, int32_t>{358, 358}));
  }
}

TEST_F(ConfigXMLTest, BrokenWorldsRaiseAClearError) {
  struct Case {
    const char* what;
    std::function<std::string()> write;
    const char* message;
  } cases[] = {
      {"no SYSTEM", [] { Sections s; s.system = ""; return WriteFile("b1.xml", ConfigText(s)); }, "SYSTEM"},
      {"non-numeric float", [] { Sections s; s.system = R"(<SYSTEM visualscale="1.0" walloffset="x"/>)";
                                 return WriteFile("b2.xml", ConfigText(s)); }, "'x'"},
      {"malformed XML", [] { return WriteFile("b3.xml", "<CONFIG>\n<SYSTEM visualscale=\"1\">\n</CONFIG>\n"); },
       "line"},
      {"empty file", [] { return WriteFile("b4.xml", ""); }, "too small"},
      {"missing file", [] { return world_fixture::OutputFolder() + "no-world.xml"; }, "not found"},
      {"no TERRAINHEIGHTS", [] { Sections s; s.environment = R"(<ENVIRONMENT><TERRAIN height="1"/><TIME/>
            <WEATHER><CLOUDS/></WEATHER></ENVIRONMENT>)"; return WriteFile("b5.xml", ConfigText(s)); },
       "TERRAINHEIGHTS"},
      {"no TIME", [] { Sections s; s.environment = R"(<ENVIRONMENT><TERRAIN height="1"><TERRAINHEIGHTS/></TERRAIN>
            <WEATHER><CLOUDS/></WEATHER></ENVIRONMENT>)"; return WriteFile("b6.xml", ConfigText(s)); }, "TIME"},
      {"no CLOUDS", [] { Sections s; s.environment = R"(<ENVIRONMENT><TERRAIN height="1"><TERRAINHEIGHTS/></TERRAIN>
            <TIME/></ENVIRONMENT>)"; return WriteFile("b7.xml", ConfigText(s)); }, "CLOUDS"},
      {"UNDERSEA without colour", [] { Sections s; s.environment = R"(<ENVIRONMENT><SEA><UNDERSEA/></SEA>
            <TERRAIN><TERRAINHEIGHTS/></TERRAIN><TIME/><WEATHER><CLOUDS/></WEATHER></ENVIRONMENT>)";
                                       return WriteFile("b8.xml", ConfigText(s)); }, "colour"},
      {"height without z", [] { Sections s; s.environment = R"(<ENVIRONMENT><TERRAIN><TERRAINHEIGHTS><H x="1" y="2"/>
            </TERRAINHEIGHTS></TERRAIN><TIME/><WEATHER><CLOUDS/></WEATHER></ENVIRONMENT>)";
                                return WriteFile("b9.xml", ConfigText(s)); }, "integer"},
      {"no STATICCOLORS", [] { Sections s; s.staticColors = ""; return WriteFile("b10.xml", ConfigText(s)); },
       "STATICCOLORS"},
      {"bad static colour", [] { Sections s; s.staticColors = R"(<STATICCOLORS><COLOR value="red"/></STATICCOLORS>)";
                                 return WriteFile("b11.xml", ConfigText(s)); }, "red"},
      {"other root", [] { return WriteFile("b12.xml", "<WORLD><SYSTEM visualscale=\"1\"/></WORLD>\n"); }, "CONFIG"},
      {"binary junk", [] { static const char junk[] = "\x00\xff\xfe<CONFIG>\x01\x02 junk junk junk";
                                 return WriteFile("b13.xml", std::string(junk, sizeof junk - 1)); },
       "cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = c.write();
    try {
      TConfigXML config(file);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
    }
  }
}

TEST_F(ConfigXMLTest, SystemDefaultsAndFallBacks) {
  struct Case {
    const char* system;
    int32_t cache;
    double position, flight;
    int32_t clod;
    double visual;
  } cases[] = {
      {R"(<SYSTEM/>)", 32, 0.25, 1.0, -1, -1.0},
      {R"(<SYSTEM texturecachesize="8" positionoffset="0.5" flightfactor="3" clodprecision="x" visualscale="2"/>)", 8,
       0.5, 3.0, -1, 2.0},
      {R"(<SYSTEM texturecachesize="many"/>)", 32, 0.25, 1.0, -1, -1.0},
      {R"(<SYSTEM texturecachesize="0" positionoffset="" flightfactor=""/>)", 32, 0.25, 1.0, -1, -1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    Sections s;
    s.system = c.system;
    auto config = ReadWorld(s);
    EXPECT_EQ(config->texturecachesize, c.cache);
    EXPECT_EQ(config->positionoffset, c.position);
    EXPECT_EQ(config->mobrandomoffset, 0.3);
    EXPECT_EQ(config->flightfactor, c.flight);
    EXPECT_EQ(config->clodprecision, c.clod);
    EXPECT_EQ(config->visualscale, c.visual);
    EXPECT_EQ(config->walloffset, -1.0);
  }
}

TEST_F(ConfigXMLTest, SeaDefaults) {
  auto environment = [](const std::string& sea) {
    return "<ENVIRONMENT>" + sea + R"(<TERRAIN height="1"><TERRAINHEIGHTS/></TERRAIN><TIME/>
      <WEATHER><CLOUDS/></WEATHER></ENVIRONMENT>)";
  };
  Sections s;
  s.environment = environment("");
  auto noSea = ReadWorld(s);
  EXPECT_FALSE(noSea->hasSea);
  EXPECT_EQ(noSea->environment.sea.height, 0.0);
  EXPECT_EQ(noSea->environment.sea.mudheight, 0.0);
  EXPECT_EQ(noSea->environment.times.daystart, -1.0);
  EXPECT_EQ(noSea->environment.clouds.texture, "");
  EXPECT_EQ(noSea->GetGroundHeights().GetCount(), 0);
  EXPECT_TRUE(noSea->GetUndefinedArea().IsAt(0, 0));
  EXPECT_EQ(noSea->GetMapList().GetCount(), 0);

  s.environment = environment(R"(<SEA texture="s.bmp"><UNDERSEA color="010203" fogcolor="040506" fogstart=""/></SEA>)");
  auto sea = ReadWorld(s);
  EXPECT_TRUE(sea->hasSea);
  EXPECT_EQ(sea->environment.sea.height, 0.0);
  EXPECT_EQ(sea->environment.sea.mudheight, -1.0);
  EXPECT_EQ(sea->environment.sea.texture, "s.bmp");
  EXPECT_EQ(sea->environment.undersea.color, 0x030201);
  EXPECT_EQ(sea->environment.undersea.fogcolor, 0x060504);
  EXPECT_EQ(sea->environment.undersea.fogstart, 0.0);
  EXPECT_EQ(sea->environment.undersea.fogend, 0.0);
}

TEST_F(ConfigXMLTest, StaticColoursBelongToTheConfigurationThatReadThem) {
  {
    auto config = ReadWorld(Sections());
    EXPECT_TRUE(IsStaticColor(0));
    EXPECT_TRUE(IsStaticColor(0x332211));
  }
  EXPECT_FALSE(IsStaticColor(0x332211));
}

TEST_F(ConfigXMLTest, MissingTexturesAreNamedOnceEach) {
  EXPECT_TRUE(TConfigXML(SampleConfig()).FindMissingTextures().empty());
  Sections s;  // its sea and clouds textures exist in the sample world
  s.rest = R"(<OBJECTS><CUBES><OBJECT color="ff0000" texture="textures\missing.bmp">
      <OBJECT objecttype="plane" direction="up" texture="textures\ROOF.BMP"/></OBJECT>
      <OBJECT color="ff0001" texture="textures\missing.bmp"/></CUBES></OBJECTS>
    <TEXTURES><TEXTURE texture="textures\\gone.bmp"/><TEXTURE texture="textures\\tree.bmp"/></TEXTURES>)";
  auto config = ReadWorld(s);
  EXPECT_EQ(config->FindMissingTextures(), (std::vector<std::string>{"textures\\missing.bmp", "textures\\gone.bmp"}));
}

TEST_F(ConfigXMLTest, SectionGettersShareOneCursor) {
  Sections s;
  s.rest = R"(<OBJECTS><CUBES/></OBJECTS><TEXTURES><TEXTURE texture="a"/></TEXTURES>)";
  auto config = ReadWorld(s);
  TXMLListDOM* objects = config->GetObjects();
  EXPECT_EQ(objects->GetElement().Name(), "OBJECTS");
  TXMLListDOM* textures = config->GetTextures();
  EXPECT_EQ(objects, textures);
  EXPECT_EQ(objects->GetElement().Name(), "TEXTURES");
  EXPECT_TRUE(config->GetMaps()->IsEmpty());
}

// An element class Assigned from a small text.
template <class T>
std::unique_ptr<T> Entry(const std::string& text) {
  TXMLListDOM source("SOURCE");
  source.LoadFromFile(WriteFile("entry.xml", text + std::string(30, ' ')));
  EXPECT_FALSE(source.IsEmpty()) << source.GetLoadError();
  auto entry = std::make_unique<T>();
  entry->Assign(&source);
  return entry;
}

TEST_F(ConfigXMLTest, PlaneLookupsWithAndWithoutChildren) {
  auto plain = Entry<TWall>(R"(<OBJECT color="0000ff" texture="w.bmp" height="2"/>)");
  for (int d = 0; d < 4; ++d) EXPECT_EQ(plain->GetPlaneTexture(d), "w.bmp");
  EXPECT_EQ(plain->GetPlaneTexture(4), "");
  EXPECT_EQ(plain->GetPlaneTexture(5), "");
  EXPECT_EQ(plain->GetPlane(0), plain.get());

  auto cube = Entry<TTheCube>(R"(<OBJECT texture="side.bmp"><OBJECT objecttype="plane" direction="up" texture="top.bmp"/>
    <OBJECT objecttype="plane" direction="north" texture=""/></OBJECT>)");
  EXPECT_EQ(cube->GetPlaneTexture(4), "top.bmp");
  EXPECT_EQ(cube->GetPlaneTexture(0), "") << "a present plane child wins, even with an empty texture";
  EXPECT_EQ(cube->GetPlaneTexture(1), "side.bmp");
  EXPECT_EQ(cube->GetPlaneTexture(5), "side.bmp");
  EXPECT_TRUE(cube->GetPlane(1)->IsEmpty());
  EXPECT_FALSE(cube->HasDoor());
  EXPECT_EQ(cube->GetDoorTexture(), "");
  EXPECT_EQ(cube->GetHeight(), -1.0);
  EXPECT_EQ(cube->GetZOffset(), 0.0);

  auto door = Entry<TTheCube>(R"(<OBJECT zoffset="0.5" width="0.7"><OBJECT objecttype="door" texture="d.bmp"/></OBJECT>)");
  EXPECT_TRUE(door->HasDoor());
  EXPECT_EQ(door->GetDoorTexture(), "d.bmp");
  EXPECT_EQ(door->GetZOffset(), 0.5);
  EXPECT_EQ(door->GetWidth(), 0.7);
}

TEST_F(ConfigXMLTest, TurnAngleAddsTheRemainderOfTheProduct) {
  struct Case {
    const char* attributes;
    int32_t a, b;
    double expected;
  } cases[] = {
      {R"(turnangle="10" turnrandom="4")", 3, 5, 13.0},
      {R"()", 3, 5, 0.0},
      {R"(turnangle="10" turnrandom="4")", -3, 5, 7.0},
      {R"(turnangle="10" turnrandom="0")", 3, 5, 10.0},
      {R"(turnangle="10" turnrandom="-1")", INT32_MIN, 1, 10.0},
      {R"(turnrandom="7")", 65536, 65536, 0.0},  // the 32-bit product wraps to 0
      {R"(turnangle="2.5")", 3, 5, 2.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    auto cube = Entry<TTheCube>(std::string("<OBJECT ") + c.attributes + "/>");
    EXPECT_EQ(cube->GetTurnAngle(c.a, c.b), c.expected);
  }
}

TEST_F(ConfigXMLTest, WallSidesAndHeights) {
  auto wall = Entry<TWall>(R"(<OBJECT height="1.5" sides="outer" texture="own.bmp">
    <OBJECT sides="outer" texture="child-outer.bmp" height="3"/><OBJECT sides="inner" texture="in.bmp"/></OBJECT>)");
  EXPECT_TRUE(wall->IsOuter());
  EXPECT_TRUE(wall->IsInner());
  EXPECT_EQ(wall->GetOuterTexture(), "own.bmp");
  EXPECT_EQ(wall->GetInnerTexture(), "in.bmp");
  EXPECT_EQ(wall->GetOuterHeight(), 1.5) << "the own height, since the own sides is outer";
  EXPECT_EQ(wall->GetInnerHeight(), 1.5);

  auto bare = Entry<TWall>(R"(<OBJECT texture="w.bmp"/>)");
  EXPECT_FALSE(bare->IsInner());
  EXPECT_FALSE(bare->IsOuter());
  EXPECT_EQ(bare->GetInnerTexture(), "");
  EXPECT_EQ(bare->GetInnerHeight(), 1.0);
}

TEST_F(ConfigXMLTest, RoomPlanesByRoomType) {
  auto room = Entry<TRoom>(R"(<OBJECT height="1"><OBJECT objecttype="plane" roomtype="exit" texture="arch.bmp"/>
    <OBJECT objecttype="plane" roomtype="wall" texture="plaster.bmp" width="0.9"/>
    <OBJECT objecttype="plane" direction="up" texture="floor.bmp"/></OBJECT>)");
  EXPECT_EQ(room->GetExitTexture(), "arch.bmp");
  EXPECT_EQ(room->GetWallTexture(), "plaster.bmp");
  EXPECT_EQ(room->GetWallWidth(), 0.9);
  EXPECT_EQ(room->GetPlaneTexture(4), "floor.bmp");
  EXPECT_EQ(room->GetPlaneAttribute("door", std::string("texture")), "");
  auto bare = Entry<TRoom>(R"(<OBJECT height="1"/>)");
  EXPECT_EQ(bare->GetWallWidth(), -1.0);
  EXPECT_EQ(bare->GetExitTexture(), "");
}

TEST_F(ConfigXMLTest, ObjectsByColourAndNameAndPlainCubes) {
  Sections s;
  auto config = ReadWorld(s);  // static colours 000000 and 112233
  auto cubes = Entry<TCubes>(R"(<CUBES>
    <OBJECT color="ff0000" texture="a.bmp"/>
    <OBJECT color="FF8000" texture="b.bmp" width="1.0"/>
    <OBJECT color="00ff00" turnangle="15"/>
    <OBJECT color="0000ff" inside="true"/>
    <OBJECT color="00ffff" width="0.5"/>
    <OBJECT color="ff0000" texture="second.bmp"/>
    <OBJECT color="112233"/>
    <OBJECT name="Bad&quot;name" texture="q.bmp"/>
  </CUBES>)");
  EXPECT_EQ(cubes->FindByColor(0x0000FF)->GetString("texture"), "a.bmp");
  EXPECT_EQ(cubes->FindByColor(0x0080FF)->GetString("texture"), "b.bmp") << "colour keys match in any case";
  EXPECT_TRUE(cubes->FindByColor(0x808080)->IsEmpty());
  EXPECT_TRUE(cubes->FindByColorHex("")->IsEmpty()) << "an entry without colour has no colour key";
  EXPECT_EQ(cubes->FindByColor(0x332211), nullptr) << "a static colour finds nothing";
  EXPECT_EQ(cubes->FindByName("Bad\"name")->GetString("texture"), "q.bmp");
  EXPECT_TRUE(cubes->IsPlainCube(0x0000FF));
  EXPECT_TRUE(cubes->IsPlainCube(0x0080FF));
  EXPECT_FALSE(cubes->IsPlainCube(0x00FF00));
  EXPECT_FALSE(cubes->IsPlainCube(0xFF0000));
  EXPECT_FALSE(cubes->IsPlainCube(0xFFFF00));
  EXPECT_FALSE(cubes->IsPlainCube(0x808080));
  EXPECT_FALSE(cubes->IsPlainCube(0x332211));
  auto all = cubes->FindAllByColorHex<TTheCube>("ff0000");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1]->GetString("texture"), "second.bmp");
  EXPECT_EQ(cubes->FindAllByName<TTheCube>("Bad\"name").size(), 1u);
}

TEST_F(ConfigXMLTest, TextureKeysMatchDoubledOrSingleBackslashes) {
  Sections s;
  s.rest = R"(<TEXTURES>
    <TEXTURE texture="textures\\sea.bmp" terrainbrightnessfactor="12" emission="102030"/>
    <TEXTURE texture="textures\plain.bmp" terrainbrightnessfactor="x"/>
    <TEXTURE texture="flat.bmp" emission="zz"/>
  </TEXTURES>)";
  auto config = ReadWorld(s);
  EXPECT_EQ(config->GetTerrainBrightnessFactor("textures\\sea.bmp"), 12);
  EXPECT_EQ(config->GetTextureEmission("textures\\sea.bmp"), 0x302010);
  EXPECT_FALSE(config->FindTextureElement("textures\\plain.bmp")->IsEmpty());
  EXPECT_EQ(config->GetTerrainBrightnessFactor("textures\\plain.bmp"), -1);
  EXPECT_EQ(config->GetTextureEmission("textures\\plain.bmp"), -1);
  EXPECT_EQ(config->GetTerrainBrightnessFactor("missing.bmp"), -1);
  EXPECT_THROW(config->GetTextureEmission("flat.bmp"), EConvertError);
  EXPECT_FALSE(config->GetObjects()->IsEmpty() && false);

  auto none = ReadWorld(Sections(), "no-textures.xml");
  EXPECT_EQ(none->GetTextureEmission("textures\\sea.bmp"), -1);
}

}  // namespace
