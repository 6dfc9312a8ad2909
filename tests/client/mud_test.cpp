// The client core on a small world without GL: its creation steps and log,
// broken worlds, the map-to-scene mappings, map pixels, terrain types, the
// texture cache with its materials, the dumps and a second core on the same
// scene.
#include "tests/client/mud_fixture.h"

#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "client/config_xml.h"
#include "imaging/bmp_codec.h"
#include "client/mud_state.h"
#include "client/texture_cache.h"
#include "engine/camera.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/texture_image.h"
#include "objects/dummy_cube.h"
#include "objects/lines.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/terrain_renderer.h"
#include "platform/base/exception.h"
#include "platform/picture/picture_formats.h"

namespace {

using mud_fixture::World;

const std::vector<std::string> kCreationSteps = {
    "7.12",          "firemanager",  "Created config.xml",          "Created null sphere and plane",
    "Set Clouds",    "Loaded non resizing textures",               "Size of intermediate maps set",
    "Light sources added",          "Sounds set",                  "Rain set",
    "Sea Set",       "Undersea set", "Static objects added",        "TMud.create complete"};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TGLLibMaterial* Material(TMud& mud, const std::string& name) { return mud.MaterialLibrary->LibMaterialByName(name); }

int TextureWidth(TGLLibMaterial* material) {
  return material->GetMaterial()->GetTexture()->GetImage()->GetWidth();
}

TEST(MudCreation, LogsEveryStepInOrderAndBindsTheStoredObjects) {
  World world;
  world.Paint(1, 100, 100, 0x0000FF);  // red cube: brick sides, roof top
  world.Paint(4, 101, 100, 0xC0C0C0);  // a light source of map 3
  world.Paint(3, 102, 100, 0x008000);  // a tree of map 2
  std::unique_ptr<TMud> mud = world.Create();
  EXPECT_EQ(world.LogMessages(), kCreationSteps);
  EXPECT_TRUE(mud->GetBuilt());
  EXPECT_EQ(mud->GetCreateError(), "");

  TGL3DScene& scene = *world.stored.GetScene();
  EXPECT_EQ(mud->Camera, scene.FindSceneObject("GLCamera"));
  EXPECT_EQ(mud->Camera->GetFocalLength(), 30);
  EXPECT_EQ(mud->StaticCube, scene.FindSceneObject("Staticcube"));
  EXPECT_EQ(mud->IntermediateCubes[1], scene.FindSceneObject("Intermediatecube2"));
  EXPECT_EQ(mud->MobSquare, scene.FindSceneObject("Mobsquare"));
  EXPECT_EQ(mud->RainCube, scene.FindSceneObject("Raincube"));
  // The stored rain line and 19 copies of it under the rain cube.
  ASSERT_EQ(mud->RainCube->GetCount(), 20);
  EXPECT_EQ(mud->RainLines[0], scene.FindSceneObject("rainline"));
  for (int i = 0; i < 20; ++i) {
    TGLLines* line = mud->RainLines[static_cast<size_t>(i)];
    ASSERT_EQ(line, mud->RainCube->GetChild(i)) << i;
    EXPECT_EQ(line->GetNodes()->GetCount(), 2);
    EXPECT_EQ(line->GetNodes()->GetItems(1)->GetY(), 1);
    EXPECT_EQ(line->GetLineColor()->GetAlpha(), 0.1f);
    EXPECT_EQ(line->GetNodesAspect(), lnaInvisible);
  }
  EXPECT_EQ(mud->AerialMaterial, Material(*mud, "aerial"));
  EXPECT_EQ(mud->StaticScale, 2);  // 358 div 179
  EXPECT_EQ(mud->UpdateCount, 0);
  EXPECT_EQ(mud->WindEmitter, nullptr) << "no wave-output device";

  // Clouds: 50 cells wide at 15 cells, additive, the texture scale times 4.
  EXPECT_EQ(mud->CloudsPlane->GetScale()->GetX(), 50);
  EXPECT_EQ(mud->CloudsPlane->GetScale()->GetY(), 50);
  EXPECT_EQ(mud->CloudsPlane->GetPosition()->GetY(), 15);
  EXPECT_EQ(mud->CloudsMaterial->GetName(), "textures\\clouds.bmp");
  EXPECT_EQ(mud->CloudsMaterial->GetMaterial()->GetBlendingMode(), bmAdditive);
  EXPECT_EQ(mud->CloudsMaterial->GetTextureScale()->GetX(), 4);
  EXPECT_EQ(mud->CloudsMaterialNumber, mud->CloudsMaterial->GetIndex() + 1);
  EXPECT_EQ(mud->CloudsPlane->GetMaterial()->GetLibMaterialName(), "textures\\clouds.bmp");

  // Terrain 358 cells wide, its heights times 0.05; sea and undersea at -2
  // cells, twice the map wide.
  EXPECT_FLOAT_EQ(mud->TerrainRenderer->GetScale()->GetX(), 358.0f / 256.0f);
  EXPECT_FLOAT_EQ(mud->TerrainRenderer->GetScale()->GetZ(), 0.05f);
  EXPECT_EQ(mud->TerrainRenderer->GetCLODPrecision(), 10);
  EXPECT_EQ(mud->SeaPlane->GetPosition()->GetY(), -2);
  EXPECT_EQ(mud->SeaPlane->GetScale()->GetX(), 716);
  EXPECT_EQ(mud->SeaPlane->GetMaterial()->GetLibMaterialName(), "textures\\sea.bmp");
  EXPECT_EQ(mud->SeaPlane->GetMaterial()->GetFrontProperties()->GetEmission()->GetAsWinColor(), 0xA07E58);
  EXPECT_EQ(mud->UnderseaPlane->GetPosition()->GetY(), -2);
  EXPECT_EQ(mud->UnderseaPlane->GetMaterial()->GetFrontProperties()->GetEmission()->GetAsWinColor(),
            HexToColor("204060"));

  // The own fire manager: the template's settings scaled.
  TGLFireFXManager& fire = *mud->FireManager;
  EXPECT_FLOAT_EQ(fire.GetParticleSize(), 0.15f * 1.1f);
  EXPECT_FLOAT_EQ(fire.GetFireDensity(), 0.6f * 0.9f);
  EXPECT_FLOAT_EQ(fire.GetFireEvaporation(), 0.9f);
  EXPECT_EQ(fire.GetParticleLife(), 2);
  EXPECT_FLOAT_EQ(fire.GetFireRadius(), 0.15f * 0.9f);
  EXPECT_EQ(fire.GetMaxParticles(), 16);
  EXPECT_EQ(fire.GetCadencer(), world.stored.GetCadencer());

  // The undefined area has neither texture nor colour: the sphere has none.
  EXPECT_EQ(mud->NullSphere->GetRadius(), 5);
  EXPECT_EQ(mud->NullSphere->GetMaterial()->GetLibMaterialName(), "");

  // Window sizes: the section's 7, then the children's own.
  EXPECT_EQ(mud->CellWindows[0].size, 7);
  EXPECT_EQ(mud->CellWindows[1].size, 5);
  EXPECT_EQ(mud->CellWindows[2].size, 3);
  EXPECT_EQ(mud->CellWindows[2].lastX, -1);

  // Static textures small, the small picture that needed no resizing kept
  // apart; the intermediate colours' names; the light source colour.
  EXPECT_EQ(mud->StaticTextures, (std::vector<std::string>{"textures\\brick.bmp", "textures\\roof.bmp"}));
  EXPECT_EQ(mud->UnresizedTextures, (std::vector<std::string>{"textures\\roof.bmp"}));
  EXPECT_EQ(TextureWidth(Material(*mud, "textures\\brick.bmp")), 64);
  ASSERT_NE(mud->IntermediateTextures->GetNames(0x008000), nullptr);
  EXPECT_EQ(*mud->IntermediateTextures->GetNames(0x008000), (std::vector<std::string>{"textures\\tree.bmp"}));
  EXPECT_EQ(mud->IntermediateTextures->GetNames(0xC0C0C0), nullptr) << "a light source has no texture";
  EXPECT_EQ(mud->LightSourceColours.Items(), (std::vector<int32_t>{HexToColor("c0c0c0")}));
  EXPECT_EQ(mud->StaticObjects.size(), 358u);
  EXPECT_EQ(mud->StaticObjects[357].size(), 358u);
}

// Each broken world stops at its step; nothing raises out of the creation.
TEST(MudCreation, BrokenWorldsEndInTheirStepWithTheException) {
  const std::string config = mud_fixture::DefaultConfig();
  struct Case {
    const char* what;
    std::string config;
    std::string lastStep;  // the last step logged before "Exception ..."
  } cases[] = {
      {"no SYSTEM", Replace(config, "<SYSTEM ", "<NOSYSTEM "), "firemanager"},
      {"no cloud texture file", Replace(config, "textures\\clouds.bmp", "textures\\missing.bmp"),
       "Created null sphere and plane"},
      {"visualscale not a number", Replace(config, "visualscale=\"1.0\"", "visualscale=\"one\""), "firemanager"},
      {"window size not a number", Replace(config, "<MAP width=\"5\"/>", "<MAP width=\"five\"/>"),
       "Loaded non resizing textures"},
      {"truncated", config.substr(0, config.size() / 2), "firemanager"},
      {"sea texture missing", Replace(config, "textures\\sea.bmp\"", "textures\\nosea.bmp\""), "Rain set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world(c.config);
    std::unique_ptr<TMud> mud = world.Create();
    EXPECT_FALSE(mud->GetBuilt());
    EXPECT_NE(mud->GetCreateError(), "");
    const std::vector<std::string> log = world.LogMessages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], c.lastStep);
    EXPECT_EQ(log.back(), "Exception " + mud->GetCreateError());
  }
}

// A map the shell could not read stops the creation with a message that
// names the file and says why, not only that the map is empty.
TEST(MudCreation, ADamagedMapStopsTheCreationNamingItsFileAndTheReason) {
  // A valid header, then half the pixel data.
  TLinearBitmap picture;
  picture.Assign(SolidBitmap(TMud::kMapSize, TMud::kMapSize, 0x808080));
  std::vector<std::uint8_t> truncated = EncodeBmp(picture);
  truncated.resize(truncated.size() / 2);
  struct Case {
    const char* map;
    Picture World::*picture;
    const char* message;
  } cases[] = {{"elevation.bmp", &World::elevation, "The elevation picture is empty"},
               {"static.bmp", &World::staticMap, "The static-objects map is empty"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.map);
    World world;
    const std::string file = (world.Folder() / "maps" / c.map).string();
    mud_fixture::WriteBytes(file, std::string(truncated.begin(), truncated.end()));
    Picture& map = world.*c.picture;
    map.Clear();
    EXPECT_ANY_THROW(map.LoadFromFile(file));
    std::unique_ptr<TMud> mud = world.Create();
    EXPECT_FALSE(mud->GetBuilt());
    const std::vector<std::string> log = world.LogMessages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Set Clouds");
    EXPECT_EQ(log.back(), std::string("Exception ") + c.message + ": Picture \"" + file +
                              "\" cannot be read: Invalid bitmap file: truncated pixel data");
  }
}

// A world without its optional sections still builds, and says what it
// left out.
TEST(MudCreation, OptionalSectionsMayBeMissing) {
  std::string config = mud_fixture::DefaultConfig();
  const size_t sea = config.find("<SEA ");
  config.erase(sea, config.find("</SEA>") + 6 - sea);
  const size_t area = config.find("<UNDEFINEDAREA");
  config.erase(area, config.find("</UNDEFINEDAREA>") + 16 - area);
  World world(config);
  std::unique_ptr<TMud> mud = world.Create();
  EXPECT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  std::vector<std::string> expected = kCreationSteps;
  expected.insert(expected.begin() + 10, "No sea");
  expected.insert(expected.begin() + 12, "No undersea");
  EXPECT_EQ(world.LogMessages(), expected);
  EXPECT_EQ(mud->SeaPlane->GetPosition()->GetY(), 0);
  EXPECT_EQ(mud->SeaPlane->GetMaterial()->GetLibMaterialName(), "");
}

TEST(MudCreation, TheUndefinedAreaSharesTheCloudsTextureWithoutASecondMaterial) {
  World world(Replace(mud_fixture::DefaultConfig(), "fog=\"true\">", "fog=\"true\" texture=\"textures\\CLOUDS.bmp\">"));
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  // Names of the world are case-insensitive: the sphere and the plane wear
  // the clouds' own material.
  ASSERT_NE(mud->CloudsMaterial, nullptr);
  EXPECT_EQ(mud->NullSphere->GetMaterial()->GetLibMaterial(), mud->CloudsMaterial);
  EXPECT_EQ(mud->NullPlane->GetMaterial()->GetLibMaterial(), mud->CloudsMaterial);
  const TGLLibMaterials& materials = *mud->MaterialLibrary->GetMaterials();
  int clouds = 0;
  for (int i = 0; i < materials.GetCount(); ++i)
    clouds += UpperCaseAscii(materials.GetItems(i)->GetName()) == "TEXTURES\\CLOUDS.BMP";
  EXPECT_EQ(clouds, 1);
}

TEST(MudCreation, AnUnwritableLogNeitherStopsNorFailsTheCreation) {
  World world;
  XMLLogFileName = (world.Folder() / "no such folder" / "log.txt").string();
  std::unique_ptr<TMud> mud = world.Create();
  EXPECT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
}

// A reload: the core goes and a new one is built on the same scene and
// library, which then hold what they held after the first creation.
TEST(MudCreation, ASecondCoreOnTheSameSceneDoesNotDuplicateTheWorld) {
  World world;
  world.Paint(1, 100, 100, 0x0000FF);
  auto countObjects = [&] {
    int count = 0;
    std::function<void(TGLBaseSceneObject&)> visit = [&](TGLBaseSceneObject& object) {
      ++count;
      for (int i = 0; i < object.GetCount(); ++i) visit(*object.GetChild(i));
    };
    visit(*world.stored.GetScene()->GetObjects());
    return count;
  };
  const int storedMaterials = world.stored.GetMaterialLibrary()->GetMaterials()->GetCount();
  std::unique_ptr<TMud> mud = world.Create();
  mud->LoadTexture("textures\\tree.bmp");
  const int materials = world.stored.GetMaterialLibrary()->GetMaterials()->GetCount();
  const int objects = countObjects();
  mud.reset();
  EXPECT_EQ(world.stored.GetMaterialLibrary()->GetMaterials()->GetCount(), storedMaterials);
  EXPECT_EQ(world.stored.GetScene()->FindSceneObject("Raincube")->GetCount(), 1) << "the copies of the rain line go";
  mud = world.Create();
  mud->LoadTexture("textures\\tree.bmp");
  EXPECT_TRUE(mud->GetBuilt());
  EXPECT_EQ(world.stored.GetMaterialLibrary()->GetMaterials()->GetCount(), materials);
  EXPECT_EQ(countObjects(), objects);
  EXPECT_NE(Material(*mud, "textures\\sea.bmp"), nullptr) << "no \"1\" appended to a name taken twice";
}

TEST(MudMapping, MapPositionsToTheScene) {
  for (double scale : {1.0, 2.0}) {
    World world(Replace(mud_fixture::DefaultConfig(), "visualscale=\"1.0\"",
                        "visualscale=\"" + std::to_string(scale) + "\""));
    std::unique_ptr<TMud> mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    const float s = static_cast<float>(scale);
    struct Case {
      TVector4f map, scene;
    } cases[] = {
        {{0, 0, 0, 0}, {-358 * s, 0, 358 * s, 0}},
        {{358, 358, 0, 0}, {0, 0, 0, 0}},
        {{100, 200, 0, 0}, {-258 * s, 0, 158 * s, 0}},
        {{100, 200, 3, 0}, {-258 * s, 3 * s, 158 * s, 0}},
        {{10.5f, 20.25f, -1, 0}, {-347.5f * s, -1 * s, 337.75f * s, 0}},
    };
    for (const Case& c : cases) {
      const TVector4f scene = mud->MudToScene(c.map);
      for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(scene[i], c.scene[i]) << c.map[0] << "," << c.map[1] << " " << i;
    }
    // Flat grey 128: the ground is at 0 everywhere, smoothed or not.
    for (auto [x, y] : {std::pair{1, 1}, {100, 200}, {357, 357}}) {
      const TVector4f cell = mud->CellToScene(x, y);
      EXPECT_FLOAT_EQ(cell[0], (x - 358) * s);
      EXPECT_FLOAT_EQ(cell[1], 0);
      EXPECT_FLOAT_EQ(cell[2], (358 - y) * s);
      EXPECT_DOUBLE_EQ(mud->GetSmoothedHeight(x, y), mud->GetTerrainHeight(x, y));
    }
  }
}

// A height picture whose grey is its row number: the terrain lies with its
// picture rows along the map's y (row 0 at the north edge, 256 rows over the
// 358 cells), so the ground rises linearly to the south and a cell's height
// is (row - 128) x TERRAIN height x visualscale.
TEST(MudMapping, CellsLieOnARampOfTheHeightPicture) {
  World world;
  Bitmap ramp(256, 256, pf24bit);
  for (int row = 0; row < 256; ++row) std::memset(ramp.ScanLine(row), row, 256 * 3);
  world.SetElevation(ramp);
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  for (int y : {2, 50, 100, 179, 250, 300, 358}) {
    const double row = (358.0 - y) * 256.0 / 358.0;
    const double expected = (row - 128.0) * 0.05;
    for (int x : {1, 150, 357}) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_NEAR(mud->CellToScene(x, y)[1], expected, 1e-4);
      EXPECT_NEAR(mud->GetTerrainHeight(x, y), expected, 1e-4);
    }
  }
  EXPECT_NEAR(mud->GetSmoothedHeight(150, 200), mud->GetTerrainHeight(150, 200), 1e-4) << "a plane stays a plane";
}

// The terrain lays its picture's columns along the scene's -X (its local x
// axis is Up x Direction = (0, 0, 1) x (0, 1, 0)), so column 0 is the map's
// east edge: a picture whose grey is its column rises to the west.
TEST(MudMapping, PictureColumnsRunWestwardFromTheEastEdge) {
  World world;
  Bitmap ramp(256, 256, pf24bit);
  for (int row = 0; row < 256; ++row)
    for (int column = 0; column < 256; ++column) std::memset(ramp.ScanLine(row) + 3 * column, column, 3);
  world.SetElevation(ramp);
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  for (int x : {2, 100, 179, 300, 357})
    EXPECT_NEAR(mud->GetTerrainHeight(x, 150), ((358.0 - x) * 256.0 / 358.0 - 128.0) * 0.05, 1e-4) << x;
}

// The shipped world as its description tells it: a hill in the north-east,
// the village above the sea, the coast in the west.
TEST(MudSampleWorld, BuildsAndItsGroundLiesWhereTheWorldSays) {
  mud_fixture::SampleWorld world;
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  const double hill = mud->GetTerrainHeight(255, 255), village = mud->GetTerrainHeight(176, 174);
  const double west = mud->GetTerrainHeight(5, 175);
  EXPECT_GT(hill, village + 1.0);
  EXPECT_GT(village, mud->GetSeaLevel());
  EXPECT_LT(west, mud->GetSeaLevel());
}

TEST(MudMapping, PixelsReadAtColumnXRow358MinusY) {
  World world;
  struct Case {
    int k;
    int32_t x, y, colour;
  } cases[] = {{1, 0, 358, 0x0000FF}, {1, 357, 1, 0x00FF00}, {2, 100, 200, 0x123456},
               {3, 5, 6, 0xABCDEF},   {4, 200, 100, 0xFFFFFF}};
  for (const Case& c : cases) world.Paint(c.k, c.x, c.y, c.colour);
  std::unique_ptr<TMud> mud = world.Create();
  for (const Case& c : cases) {
    EXPECT_EQ(mud->GetPixel(c.k, c.x, c.y), c.colour) << c.k << " " << c.x << "," << c.y;
    EXPECT_EQ(world.Map(c.k).GetBitmap().GetPixel(c.x, 358 - c.y), c.colour);
  }
  EXPECT_EQ(mud->GetPixel(1, 100, 100), 0) << "unpainted: the background";
  // Row 358 - 0 is past the picture's last row; so are other off-map cells.
  for (auto [x, y] : {std::pair{100, 0}, {-1, 100}, {358, 100}, {100, 359}}) {
    EXPECT_EQ(mud->GetPixel(1, x, y), -1) << x << "," << y;
    EXPECT_TRUE(TMud::IsBackgroundColour(mud->GetPixel(1, x, y)));
  }
  EXPECT_TRUE(TMud::IsBackgroundColour(0));
  EXPECT_FALSE(TMud::IsBackgroundColour(0x0000FF));
  EXPECT_EQ(mud->GetPixel(0, 100, 100), -1) << "map 0 is not a map of cells";
  EXPECT_EQ(mud->GetPixel(5, 100, 100), -1);
}

TEST(MudMapping, DirectionIndexToUnitVector) {
  World world;
  std::unique_ptr<TMud> mud = world.Create();
  const TVector4f expected[] = {{0, 0, -1, 7}, {0, 0, 1, 7}, {1, 0, 0, 7}, {-1, 0, 0, 7}, {0, 1, 0, 7}, {0, -1, 0, 7}};
  for (int d = 0; d < 6; ++d) {
    TVector4f v{5, 5, 5, 7};
    mud->DirectionVector(d, v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], expected[d][i]) << d << " " << i;
  }
  TVector4f other{5, 5, 5, 7};
  mud->DirectionVector(6, other);
  const TVector4f kept{5, 0, 5, 7};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(other[i], kept[i]) << i;
}

TEST(MudLevels, TerrainTypesAsTheTestsClassifyThem) {
  // Levels 0..23: which tests hold.
  for (int32_t level = 0; level <= 23; ++level) {
    SCOPED_TRACE(level);
    EXPECT_EQ(TMud::IsHiddenViewType(level), level == 1 || level == 2);
    EXPECT_EQ(TMud::IsUndergroundType(level), level >= 3 && level <= 6);
    EXPECT_EQ(TMud::IsSeaLevelType(level), level == 7);
    EXPECT_EQ(TMud::IsFlightType(level), level == 10);
    const bool ground = level == 8 || level == 9 || (level >= 11 && level <= 15) || level == 17 ||
                        (level >= 19 && level <= 22);
    EXPECT_EQ(TMud::IsGroundLevelType(level), ground);
    EXPECT_EQ(TMud::IsAboveGroundType(level), level == 13 || level == 15);
  }
}

TEST(MudWindows, SizeFromTheWorldIsHeldWithinTheSevenBySevenGrid) {
  struct Case {
    const char* text;
    int32_t defaultSize, size, half;
  } cases[] = {
      {"", 7, 7, 3}, {"", 5, 5, 2}, {"5", 7, 5, 2}, {" 3 ", 7, 3, 1}, {"9", 7, 7, 3},
      {"1000", 7, 7, 3}, {"0", 7, 1, 0}, {"-4", 7, 1, 0}, {"", 12, 7, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' default " << c.defaultSize);
    TCellWindow window;
    SetCellWindowSize(window, c.text, c.defaultSize);
    EXPECT_EQ(window.size, c.size);
    EXPECT_EQ(window.Half(), c.half);
  }
  TCellWindow window;
  EXPECT_THROW(SetCellWindowSize(window, "wide", 7), EConvertError);
  EXPECT_EQ(window.lastX, -1);
}

// The section's width sizes every window, with child entries or without;
// a child's own width sizes its window.
TEST(MudWindows, SizesFromTheIntermediateMapsSection) {
  const std::string fixture = R"(<INTERMEDIATEMAPS width="7"><MAP/><MAP width="5"/><MAP width="3"/></INTERMEDIATEMAPS>)";
  struct Case {
    const char* section;
    std::array<int32_t, 3> sizes;
  } const cases[] = {
      {R"(<INTERMEDIATEMAPS width="7"><MAP/><MAP width="5"/><MAP width="3"/></INTERMEDIATEMAPS>)", {7, 5, 3}},
      {R"(<INTERMEDIATEMAPS width="5"/>)", {5, 5, 5}},
      {R"(<INTERMEDIATEMAPS width="3"><MAP/><MAP width="5"/></INTERMEDIATEMAPS>)", {3, 5, 3}},
      {R"(<INTERMEDIATEMAPS><MAP width="5"/></INTERMEDIATEMAPS>)", {5, 7, 7}},
      {R"(<INTERMEDIATEMAPS/>)", {7, 7, 7}},
      {"", {7, 7, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    World world(Replace(mud_fixture::DefaultConfig(), fixture, c.section));
    std::unique_ptr<TMud> mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(mud->CellWindows[i].size, c.sizes[i]) << "window " << i + 1;
  }
}

// Texture options of config.xml on a texture's material.
TEST(MudTextures, OptionsOfTheTexturesSection) {
  World world;
  std::unique_ptr<TMud> mud = world.Create();
  // The sea: scale 8 (wrapping), opaque; no alpha, nearest filters.
  TGLLibMaterial* sea = Material(*mud, "textures\\sea.bmp");
  TGLTexture& seaTexture = *sea->GetMaterial()->GetTexture();
  EXPECT_EQ(sea->GetTextureScale()->GetX(), 8);
  EXPECT_EQ(sea->GetTextureScale()->GetZ(), 8);
  EXPECT_EQ(seaTexture.GetTextureWrap(), twBoth);
  EXPECT_EQ(seaTexture.GetImageAlpha(), tiaDefault);
  EXPECT_EQ(sea->GetMaterial()->GetBlendingMode(), bmTransparency) << "the alpha rule comes last";
  EXPECT_EQ(seaTexture.GetTextureMode(), tmReplace);
  EXPECT_EQ(seaTexture.GetMagFilter(), maNearest);
  EXPECT_EQ(sea->GetMaterial()->GetFrontProperties()->GetEmission()->GetAsWinColor(), 0xFFFFFF);
  EXPECT_TRUE(seaTexture.GetEnabled());

  // The tree (named with a single backslash): alpha 0.5, linear filters kept.
  mud->LoadTexture("textures\\tree.bmp");
  TGLLibMaterial* tree = Material(*mud, "textures\\tree.bmp");
  ASSERT_NE(tree, nullptr);
  TGLTexture& treeTexture = *tree->GetMaterial()->GetTexture();
  EXPECT_EQ(treeTexture.GetTextureMode(), tmModulate);
  EXPECT_EQ(tree->GetMaterial()->GetFrontProperties()->GetDiffuse()->GetAlpha(), 0.5f);
  EXPECT_EQ(treeTexture.GetImageAlpha(), tiaSuperBlackTransparent);
  EXPECT_EQ(treeTexture.GetTextureWrap(), twNone);
  EXPECT_EQ(treeTexture.GetMagFilter(), maLinear);

  // Without a TEXTURE element: transparent black, replace, no wrap, nearest.
  mud->LoadTexture("textures\\stone.bmp");
  TGLTexture& stone = *Material(*mud, "textures\\stone.bmp")->GetMaterial()->GetTexture();
  EXPECT_EQ(stone.GetImageAlpha(), tiaSuperBlackTransparent);
  EXPECT_EQ(stone.GetTextureMode(), tmReplace);
  EXPECT_EQ(stone.GetTextureWrap(), twNone);
  EXPECT_EQ(stone.GetMinFilter(), miNearest);
}

// Capacity 2, most recently used first. A texture that falls out goes back
// to its small picture (64 pixels on the longer side) and keeps its
// material, the very one its objects hold; used again, it is large again.
TEST(MudTextures, CacheKeepsTheMostRecentlyUsedLargeAndTheRestSmall) {
  World world(Replace(mud_fixture::DefaultConfig(), "texturecachesize=\"4\"", "texturecachesize=\"2\""));
  world.Paint(1, 100, 100, 0x0000FF);  // brick is a static texture
  // Stone larger than the small size, so that its two sizes differ.
  mud_fixture::WriteBmp(world.Folder() / "textures" / "stone.bmp", SolidBitmap(200, 100, 0x808080));
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  const std::string tree = "textures\\tree.bmp", stone = "textures\\stone.bmp", well = "textures\\well.bmp",
                    brick = "textures\\brick.bmp";
  auto names = [&] {
    std::vector<std::string> cached;
    for (int i = 0; i < mud->TextureCache->GetCount(); ++i) cached.push_back(mud->TextureCache->Get(i).name);
    return cached;
  };
  auto height = [](TGLLibMaterial* material) { return material->GetMaterial()->GetTexture()->GetImage()->GetHeight(); };

  mud->LoadTexture(stone);
  TGLLibMaterial* stoneMaterial = Material(*mud, stone);
  ASSERT_NE(stoneMaterial, nullptr);
  EXPECT_EQ(TextureWidth(stoneMaterial), 256);
  EXPECT_EQ(height(stoneMaterial), 128);
  TGLPlane user;  // an object of the scene wearing the stone
  user.GetMaterial()->SetMaterialLibrary(mud->MaterialLibrary);
  user.GetMaterial()->SetLibMaterialName(stone);

  mud->LoadTexture(tree);
  EXPECT_EQ(names(), (std::vector<std::string>{tree, stone}));
  mud->LoadTexture(stone);  // touched: most recent again
  mud->LoadTexture(well);   // tree falls out
  EXPECT_EQ(names(), (std::vector<std::string>{well, stone}));
  mud->LoadTexture(tree);  // reloaded; stone falls out
  EXPECT_EQ(names(), (std::vector<std::string>{tree, well}));
  ASSERT_EQ(Material(*mud, stone), stoneMaterial) << "the material stays";
  EXPECT_EQ(TextureWidth(stoneMaterial), 64);
  EXPECT_EQ(height(stoneMaterial), 32);
  EXPECT_EQ(user.GetMaterial()->GetLibMaterial(), stoneMaterial);
  EXPECT_EQ(user.GetMaterial()->GetLibMaterialName(), stone);
  mud->LoadTexture(stone);  // large again, for the same user
  EXPECT_EQ(TextureWidth(stoneMaterial), 256);
  EXPECT_EQ(user.GetMaterial()->GetLibMaterial(), stoneMaterial);

  EXPECT_EQ(TextureWidth(Material(*mud, brick)), 64);
  mud->LoadTexture(brick);
  EXPECT_EQ(TextureWidth(Material(*mud, brick)), 128) << "large near the player";
  EXPECT_TRUE(mud->TextureCache->Get(0).name == brick && !mud->TextureCache->Get(0).flag);
  mud->LoadTexture(tree);
  mud->LoadTexture(well);
  ASSERT_NE(Material(*mud, brick), nullptr) << "a static texture keeps its material";
  EXPECT_EQ(TextureWidth(Material(*mud, brick)), 64);

  // Nothing for an empty name or a texture kept at its own size.
  const int count = mud->TextureCache->GetCount();
  mud->LoadTexture("");
  mud->LoadTexture("textures\\roof.bmp");
  EXPECT_EQ(names().front(), well);
  EXPECT_EQ(mud->TextureCache->GetCount(), count);
  EXPECT_THROW(mud->LoadTexture("textures\\absent.bmp"), Exception);
}

// Round the player, the static objects' textures come large; the cells
// further than three away and the map's first row and column stay small.
TEST(MudTextures, PreloadingLoadsTheStaticTexturesRoundACell) {
  World world;
  world.Paint(1, 100, 100, 0x0000FF);  // brick sides, roof top
  world.Paint(1, 0, 200, 0x0000FF);
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  ASSERT_NE(mud->StaticObjects[100][100], nullptr);
  const std::string brick = "textures\\brick.bmp";
  mud->PreloadTextures(104, 100);
  mud->PreloadTextures(3, 200);
  EXPECT_EQ(mud->TextureCache->GetCount(), 0);
  EXPECT_EQ(TextureWidth(Material(*mud, brick)), 64);
  mud->PreloadTextures(103, 97);
  ASSERT_EQ(mud->TextureCache->GetCount(), 1) << "the roof was kept at its own size";
  EXPECT_EQ(mud->TextureCache->Get(0).name, brick);
  EXPECT_EQ(TextureWidth(Material(*mud, brick)), 128);
}

// Round a place with more large static textures than the cache holds, the
// nearest cells' textures come large and the further ones stay small:
// loading them would only push the nearer ones out again. Standing still
// with nothing new in the cache, a preload loads nothing.
TEST(MudTextures, PreloadingTakesTheNearestTexturesFirstAndNoMoreThanTheCacheHolds) {
  World world(Replace(Replace(mud_fixture::DefaultConfig(), "texturecachesize=\"4\"", "texturecachesize=\"2\""),
                      "<CUBES>", R"(<CUBES><OBJECT color="a00000" texture="textures\plaster.bmp" height="1"/>
    <OBJECT color="b00000" texture="textures\door.bmp" height="1"/>)"));
  for (const char* name : {"plaster.bmp", "door.bmp"})
    mud_fixture::WriteBmp(world.Folder() / "textures" / name, SolidBitmap(128, 128, 0x406080));
  world.Paint(1, 103, 100, 0x0000FF);  // brick, three cells east
  world.Paint(1, 101, 100, 0x0000A0);  // plaster, next to the player
  world.Paint(1, 98, 98, 0x0000B0);    // door, two cells away
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  const std::string brick = "textures\\brick.bmp", plaster = "textures\\plaster.bmp", door = "textures\\door.bmp";
  auto widths = [&] {
    return std::array<int, 3>{TextureWidth(Material(*mud, brick)), TextureWidth(Material(*mud, plaster)),
                              TextureWidth(Material(*mud, door))};
  };
  mud->PreloadTextures(100, 100);
  EXPECT_EQ(widths(), (std::array<int, 3>{64, 128, 128}));
  const uint64_t inserts = mud->TextureCache->GetInsertCount();
  mud->PreloadTextures(100, 100);
  EXPECT_EQ(mud->TextureCache->GetInsertCount(), inserts);
  // One step east: plaster under the player, brick two cells away, the door three.
  mud->PreloadTextures(101, 100);
  EXPECT_EQ(widths(), (std::array<int, 3>{128, 128, 64}));
  // Something else took a place in the cache: the preload runs again, and
  // leaves the nearest texture the most recent.
  mud->LoadTexture("textures\\tree.bmp");
  mud->PreloadTextures(101, 100);
  EXPECT_EQ(mud->TextureCache->Get(0).name, plaster);
  EXPECT_EQ(mud->TextureCache->Get(1).name, brick);
}

TEST(MudTextures, MapColoursInFirstSeenOrderWithoutBackground) {
  World world;
  world.Paint(3, 5, 300, 0x0000FF);
  world.Paint(3, 2, 10, 0x00FF00);
  world.Paint(3, 2, 300, 0x0000FF);
  world.Paint(3, 2, 100, 0x00FF00);
  world.Paint(3, 300, 2, 0xFF0000);
  std::unique_ptr<TMud> mud = world.Create();
  // x outer, y inner: (2, 10) green first, then (2, 300) red, then blue at x 300.
  EXPECT_EQ(mud->GetMapColours(3).Items(), (std::vector<int32_t>{0x00FF00, 0x0000FF, 0xFF0000}));
  EXPECT_EQ(mud->GetMapColours(4).GetCount(), 0);
}

TEST(MudDumps, TextureCacheAndMaterialNamesGoToTheGivenFile) {
  World world;
  std::unique_ptr<TMud> mud = world.Create();
  mud->LoadTexture("textures\\tree.bmp");
  mud->LoadTexture("textures\\stone.bmp");
  const std::string cache = (world.Folder() / "cache.txt").string();
  mud->DumpTextureCache(cache);
  std::ifstream in(cache, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "textures\\stone.bmp\r\ntextures\\tree.bmp\r\n");

  const std::string materials = (world.Folder() / "materials.txt").string();
  mud->DumpMaterialNames(materials);
  std::ifstream names(materials, std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(names), {});
  EXPECT_EQ(text.rfind("elevation\r\naerial\r\ndetails\r\nbig\r\nsmall\r\ntextures\\clouds.bmp\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("textures\\stone.bmp\r\n"), std::string::npos);
}

}  // namespace
