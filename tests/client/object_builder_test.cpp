// The object builder and the static-object map on a painted world: which
// faces each cube gets, doors, seeds, ground meshes, monsters by name.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "client/mud_state.h"
#include "client/object_catalog.h"
#include "client/world_lists.h"
#include "engine/gl_coordinates.h"
#include "engine/material.h"
#include "mud_fixture.h"
#include "objects/dummy_cube.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sprite.h"
#include "objects/terrain_renderer.h"
#include "objects/vertex_list.h"

namespace {

constexpr int32_t kCube = 0x0000ff;      // "ff0000": a plain cube with a roof
constexpr int32_t kDoorCube = 0x0080ff;  // "ff8000": a cube with a door
constexpr int32_t kMeadow = 0x308060;    // "608030": a ground mesh with random corners
constexpr int32_t kBare = 0x563412;      // "123456": a ground plane whose texture was never loaded

std::string BuilderWorld() {
  std::string config = mud_fixture::DefaultConfig();
  auto replace = [&](const std::string& from, const std::string& to) {
    const size_t at = config.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    config.replace(at, from.size(), to);
  };
  // Cubes 2 high; a room map's south exit at (130, 100); ground planes and
  // monsters of the tests'.
  replace(R"(texture="textures\brick.bmp" height="1">
    <OBJECT objecttype="plane")", R"(texture="textures\brick.bmp" height="2">
    <OBJECT objecttype="plane")");
  replace(R"(texture="textures\brick.bmp" height="1"><OBJECT objecttype="door")",
          R"(texture="textures\brick.bmp" height="2"><OBJECT objecttype="door")");
  replace("</MAPS>", "<MAP x=\"130\" y=\"99\">A\n|\n.</MAP></MAPS>");
  replace(R"(<GROUNDPLANES>)", R"(<GROUNDPLANES><OBJECT color="608030" texture="textures\grass.jpg" random="true"/>
    <OBJECT color="123456" texture="textures\stone.bmp"/>)");
  replace(R"(<SPRITES>)", R"(<SPRITES>
    <OBJECT name="wolf" texture="textures\tree.bmp" height="0.7" width="1.2" randomoffset="0.6"
            randomsize="0.3" randommirror="horizontal" randomrotation="20"/>
    <OBJECT name="O'Leary the smith" texture="textures\tree.bmp" height="1.15" randomoffset="0.3"/>
    <OBJECT name='Bad"name' texture="textures\tree.bmp" height="1.2"/>)");
  replace(R"(groundmeshoffset="0.01")", R"(groundmeshoffset="0.02")");
  return config;
}

// A slope rising to the east, so that neighbouring corners stand apart.
Bitmap Slope() {
  Bitmap bitmap(179, 179, pf24bit);
  for (int y = 0; y < 179; ++y)
    for (int x = 0; x < 179; ++x) {
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(40 + x);
    }
  return bitmap;
}

// A plane child as (direction, local position, texture).
struct Face {
  int direction;
  float x, y, z;
  std::string texture;
  bool operator==(const Face&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Face& f) {
  return out << "{" << DirectionNames[static_cast<size_t>(f.direction)] << " " << f.x << "," << f.y << "," << f.z
             << " " << f.texture << "}";
}

int DirectionOf(const TGLBaseSceneObject& object) {
  const TVector4f d = object.GetDirection()->AsVector();
  const TVector4f axes[6] = {{0, 0, -1, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {-1, 0, 0, 0}, {0, 1, 0, 0}, {0, -1, 0, 0}};
  for (int i = 0; i < 6; ++i)
    if (std::fabs(d[0] - axes[i][0]) + std::fabs(d[1] - axes[i][1]) + std::fabs(d[2] - axes[i][2]) < 1e-5f) return i;
  return -1;
}

std::vector<Face> Faces(const TGLBaseSceneObject* container) {
  std::vector<Face> faces;
  if (!container) return faces;
  for (int i = 0; i < container->GetCount(); ++i) {
    const auto* plane = dynamic_cast<const TGLPlane*>(container->GetChild(i));
    if (!plane) continue;
    const TVector4f p = plane->GetPosition()->AsVector();
    faces.push_back({DirectionOf(*plane), p[0], p[1], p[2], plane->GetMaterial()->GetLibMaterialName()});
  }
  return faces;
}

class ObjectBuilder : public testing::Test {
protected:
  // Painted before the core is made: its static pass builds them.
  ObjectBuilder() : world(BuilderWorld()) {
    world.Paint(1, 100, 100, kCube);  // alone
    for (int x = 109; x <= 111; ++x)
      for (int y = 99; y <= 101; ++y) world.Paint(1, x, y, kCube);  // surrounded
    world.Paint(1, 0, 100, kCube);       // on the first column
    world.Paint(1, 130, 100, kDoorCube);  // a room map's south exit there
    for (int x = 150; x <= 151; ++x)
      for (int y = 150; y <= 151; ++y) world.Paint(1, x, y, kMeadow);
    world.SetElevation(Slope());
    mud = world.Create();
    mud->RandomGenerator.SetClock([] { return 12 * 3600 * 1000; });  // a fixed time of day
  }

  mud_fixture::World world;
  std::unique_ptr<TMud> mud;
};

TEST_F(ObjectBuilder, FacesOfCubesFollowTheirNeighboursDoorsAndTheMapEdges) {
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  const std::string brick = "textures\\brick.bmp", roof = "textures\\roof.bmp", door = "textures\\door.bmp";
  // Height 2 and width 1 at visual scale 1: side faces stand half a cell out
  // with their middle 1 up, the top 2 up.
  const Face south{1, 0, 1, 0.5f, brick}, north{0, 0, 1, -0.5f, brick}, west{3, -0.5f, 1, 0, brick},
      east{2, 0.5f, 1, 0, brick}, top{4, 0, 2, 0, roof};
  auto built = [&](int x, int y) { return mud->StaticObjects[static_cast<size_t>(x)][static_cast<size_t>(y)]; };
  auto build = [&](int32_t colour, int x, int y, bool isStatic) {
    return mud->BuildObject(mud->StaticCube, colour, "", x, y, isStatic, nullptr, -1);
  };
  struct Case {
    const char* what;
    const TGLBaseSceneObject* container;
    std::vector<Face> faces;
  } cases[] = {
      {"alone", built(100, 100), {south, north, west, east, top}},
      {"surrounded by cubes", built(110, 100), {top}},
      {"surrounded, in a window", build(kCube, 110, 100, false), {south, north, west, east, top}},
      {"on the first column", built(0, 100), {south, north, top}},
      {"on the first row", build(kCube, 120, 0, true), {west, east, top}},
      // A door child and no up plane: the entry's own texture is the top.
      {"a door on the south exit",
       built(130, 100),
       {{1, 0, 1, 0.5f, door}, south, north, west, east, {4, 0, 2, 0, brick}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.container, nullptr);
    EXPECT_EQ(Faces(c.container), c.faces);
  }
  EXPECT_EQ(built(105, 105), nullptr);  // background
  EXPECT_EQ(mud->GetPixel(1, 120, 0), -1);
  EXPECT_EQ(built(120, 0), nullptr);  // the first row reads off the picture: no object

  // The static pass: the door recorded under its colour, one cube record per
  // cube cell with the entry's height and width (-1: none given).
  ASSERT_EQ(mud->Doorways->GetCount(), 1);
  EXPECT_EQ(mud->Doorways->GetItem(0).key, kDoorCube);
  EXPECT_EQ(mud->Doorways->GetItem(0).object, built(130, 100)->GetChild(0));
  EXPECT_EQ(mud->StaticCubes->GetCount(), 1 + 9 + 1 + 1);
  const TStaticCube cube = mud->StaticCubes->Find(110, 101);
  EXPECT_EQ(cube.height, 2.0);
  EXPECT_EQ(cube.width, -1.0);
  EXPECT_EQ(mud->StaticCubes->Find(150, 150).x, -1);
  EXPECT_EQ(mud->WallFaces->GetCount(), 0);
}

TEST_F(ObjectBuilder, CellContainersStandOnTheTerrainAndGroundCornersAgree) {
  // The four meadow cells share the corner at the middle of the block: one
  // world position for it in all four meshes, though each corner is shifted.
  std::vector<TVector4f> corner;
  std::vector<float> shifts;
  const struct {
    int x, y, vertex;
  } cells[] = {{151, 150, 0}, {150, 150, 3}, {151, 151, 1}, {150, 151, 2}};  // the corner is NW, NE, SW, SE of them
  for (const auto& c : cells) {
    auto* container = mud->StaticObjects[static_cast<size_t>(c.x)][static_cast<size_t>(c.y)];
    ASSERT_NE(container, nullptr);
    const TVector4f at = container->GetPosition()->AsVector();
    const TVector4f cell = mud->CellToScene(c.x, c.y);
    EXPECT_EQ(at[0], cell[0]);
    EXPECT_EQ(at[1], cell[1]);
    EXPECT_EQ(at[2], cell[2]);
    const TGLMesh* mesh = nullptr;
    for (int i = 0; i < container->GetCount() && !mesh; ++i) mesh = dynamic_cast<const TGLMesh*>(container->GetChild(i));
    ASSERT_NE(mesh, nullptr);
    const TVertexData& v = (*mesh->GetVertices())[c.vertex];
    const TVector4f meshAt = mesh->GetPosition()->AsVector();
    corner.push_back({at[0] + meshAt[0] + v.Coord[0], at[1] + meshAt[1] + v.Coord[1], at[2] + meshAt[2] + v.Coord[2], 0});
    shifts.push_back(v.Coord[0] - (c.vertex < 2 ? -0.5f : 0.5f));
  }
  for (const TVector4f& p : corner) {
    EXPECT_NEAR(p[0], corner[0][0], 1e-4);
    EXPECT_NEAR(p[1], corner[0][1], 1e-4);
    EXPECT_NEAR(p[2], corner[0][2], 1e-4);
  }
  // The corner's shift: -17/60 + ((151 * 150) mod 17) / 30, with 22650 mod 17 = 6.
  EXPECT_NEAR(shifts[0], -17.0 / 60 + 6.0 / 30, 1e-5);
  // Its height is the terrain's there, raised by the mesh offset; the
  // terrain is not flat there.
  TVector4f ground{corner[0][0], 0, corner[0][2], 1};
  EXPECT_NEAR(corner[0][1], mud->TerrainRenderer->InterpolatedHeight(ground) + 0.02, 1e-4);
  EXPECT_NE(mud->GetTerrainHeight(150, 150), mud->GetTerrainHeight(151, 151));
}

TEST_F(ObjectBuilder, MissingGroundMaterialGivesAFlatPlaneLoggedOnce) {
  TGLDummyCube* first = mud->BuildObject(mud->StaticCube, kBare, "", 200, 200, true, nullptr, -1);
  mud->BuildObject(mud->StaticCube, kBare, "", 201, 200, true, nullptr, -1);
  ASSERT_EQ(first->GetCount(), 1);
  const auto* plane = dynamic_cast<const TGLPlane*>(first->GetChild(0));
  ASSERT_NE(plane, nullptr);
  EXPECT_EQ(DirectionOf(*plane), 4);
  EXPECT_EQ(plane->GetWidth(), 1.0f);
  std::ifstream log(XMLLogFileName);
  std::stringstream text;
  text << log.rdbuf();
  const std::string line = "No material for the ground texture \"textures\\stone.bmp\"";
  const size_t at = text.str().find(line);
  ASSERT_NE(at, std::string::npos) << text.str();
  EXPECT_EQ(text.str().find(line, at + 1), std::string::npos);
}

// A sprite as the values a seed decides, its name's random code left out.
std::string SpriteLook(const TGLBaseSceneObject* container) {
  std::ostringstream out;
  for (int i = 0; i < container->GetCount(); ++i) {
    const auto* sprite = dynamic_cast<const TGLSprite*>(container->GetChild(i));
    if (!sprite) continue;
    const TVector4f p = sprite->GetPosition()->AsVector();
    out << p[0] << "," << p[1] << "," << p[2] << " " << sprite->GetWidth() << "x" << sprite->GetHeight() << " "
        << sprite->GetMirrorU() << " " << sprite->GetRotation() << " " << sprite->GetName().size() << ";";
  }
  return out.str();
}

TEST_F(ObjectBuilder, SameSeedSameMonsterWholeBuildsAlike) {
  TGLDummyCube parent;
  const std::string first = SpriteLook(mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, 1234));
  const std::string second = SpriteLook(mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, 1234));
  EXPECT_EQ(first, second);
  EXPECT_NE(first, SpriteLook(mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, 1235)));
  // Seed -1 takes (x + 1) * (y + 1).
  EXPECT_EQ(SpriteLook(mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, -1)),
            SpriteLook(mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, 81 * 91)));
  // With a fixed time of day even the names' codes repeat.
  EXPECT_EQ(parent.GetChild(0)->GetChild(0)->GetName(), parent.GetChild(1)->GetChild(0)->GetName());
  EXPECT_EQ(parent.GetChild(0)->GetChild(0)->GetName().rfind("wolf", 0), 0u);
}

TEST_F(ObjectBuilder, MonstersOfAPlaceTakeSeedsByPlaceAndQuoteSafeNames) {
  TMudstate state;
  std::vector<std::string>& names = state.Mobs().Cell();
  names = {"wolf", "O'Leary the smith", "Bad\"name", "", "nobody", "wolf"};
  for (int update = 0; update < 3; ++update) {
    ASSERT_NO_THROW(mud->UpdateMobs(40, 50, state.Mobs()));
    // One container per described name: nothing stays from the update before.
    ASSERT_EQ(mud->MobSquare->GetCount(), 4);
  }
  const TVector4f at = mud->MobSquare->GetPosition()->AsVector();
  EXPECT_NEAR(at[1], mud->GetSmoothedHeight(40, 50), 1e-6);
  EXPECT_EQ(mud->MobSquare->GetChild(1)->GetChild(0)->GetName().rfind("O'Leary_the_smith", 0), 0u);
  EXPECT_EQ(mud->MobSquare->GetChild(1)->GetChild(0)->GetName().size(), std::string("O'Leary_the_smith").size() + 5);
  EXPECT_EQ(mud->MobSquare->GetChild(2)->GetChild(0)->GetName().rfind("Bad\"name", 0), 0u);
  // The n-th name (from 0) takes the seed (n + 1) * 10 * (x + 1) * (y + 1).
  TGLDummyCube parent;
  EXPECT_EQ(SpriteLook(mud->MobSquare->GetChild(0)),
            SpriteLook(mud->BuildObject(&parent, 0, "wolf", 40, 50, false, nullptr, 10 * 41 * 51)));
  EXPECT_EQ(SpriteLook(mud->MobSquare->GetChild(3)),
            SpriteLook(mud->BuildObject(&parent, 0, "wolf", 40, 50, false, nullptr, 60 * 41 * 51)));
  names.clear();
  mud->UpdateMobs(40, 50, state.Mobs());
  EXPECT_EQ(mud->MobSquare->GetCount(), 0);
}

}  // namespace
