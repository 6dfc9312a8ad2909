// The object builder and the static-object map on a painted world: which
// faces each cube gets, doors, seeds, ground meshes, monsters by name.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "client/mud_state.h"
#include "client/object_catalog.h"
#include "client/room_maps.h"
#include "client/world_lists.h"
#include "engine/effects.h"
#include "objects/fire_effect.h"
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
constexpr int32_t kSidedWall = 0xff0000;  // "0000ff": outer brick, inner plaster
constexpr int32_t kPlainWall = 0x4080c0;  // "c08040": arches on every side
constexpr int32_t kRoom = 0x40c040;       // "40c040"
constexpr int32_t kRaisedCube = 0xe0e0e0;
constexpr int32_t kLiddedCube = 0xd0d0d0;
constexpr int32_t kCamp = 0xa0a0a0;  // a tree with a fire child

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
  // A plain wall; a room with planes of its own by direction, a floor and a
  // ceiling; cubes raised by zoffset, one lidded by its own texture beside a
  // door child, one by an up plane raised further.
  replace(R"(<WALLS>)", R"(<WALLS><OBJECT color="c08040" texture="textures\arch.bmp" height="1"/>)");
  replace(R"(<ROOMS>)", R"(<ROOMS><OBJECT color="40c040" height="1">
    <OBJECT objecttype="plane" roomtype="exit" texture="textures\arch.bmp"/>
    <OBJECT objecttype="plane" roomtype="wall" texture="textures\stone.bmp"/>
    <OBJECT objecttype="plane" direction="north" texture="textures\plaster.bmp"/>
    <OBJECT objecttype="plane" direction="up" texture="textures\well.bmp"/>
    <OBJECT objecttype="plane" direction="down"/></OBJECT>)");
  replace(R"(<CUBES>)", R"(<CUBES><OBJECT color="e0e0e0" texture="textures\brick.bmp" height="1" zoffset="0.5">
    <OBJECT objecttype="door" texture="textures\door.bmp"/></OBJECT>
   <OBJECT color="d0d0d0" texture="textures\brick.bmp" height="1" zoffset="0.5">
    <OBJECT objecttype="plane" direction="up" texture="textures\roof.bmp" zoffset="0.25"/></OBJECT>)");
  replace(R"(<SPRITES>)", R"(<SPRITES>
    <OBJECT color="a0a0a0" texture="textures\tree.bmp" height="1">
      <OBJECT objecttype="fire" height="0.4" zoffset="0.2"/></OBJECT>)");
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
    world.Paint(1, 98, 104, kSidedWall);  // the room map's top left cell: walls north and west
    world.Paint(1, 60, 60, kPlainWall);
    world.Paint(1, 61, 60, kPlainWall);
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
}

// A cube's zoffset raises the whole cube; only an up plane of its own lifts
// the lid further. Height 1, zoffset 0.5: the walls' middle at 1, their top
// at 1.5.
TEST_F(ObjectBuilder, CubeLidsSitOnTheirWallsUnlessTheirUpPlaneRaisesThem) {
  const std::string brick = "textures\\brick.bmp", roof = "textures\\roof.bmp";
  struct Case {
    const char* what;
    int32_t colour;
    Face top;
  } const cases[] = {
      {"lidded by its own texture", kRaisedCube, {4, 0, 1.5f, 0, brick}},
      {"lidded by an up plane 0.25 higher", kLiddedCube, {4, 0, 1.75f, 0, roof}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Face> faces = Faces(mud->BuildObject(mud->StaticCube, c.colour, "", 70, 70, false, nullptr, -1));
    ASSERT_EQ(faces.size(), 5u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(faces[i].y, 1.0f) << faces[i];
    EXPECT_EQ(faces[4], c.top);
  }
}

// Walls in the room map's top left cell (98, 104), which has walls north and
// west: a sided wall puts its outer faces there facing out, then its inner
// ones facing in, and the static pass records the inner side. A plain wall
// shows a face on every side but the one a plain wall neighbours.
TEST_F(ObjectBuilder, SidedWallsFollowTheRoomMapAndPlainWallsTheirNeighbours) {
  const std::string brick = "textures\\brick.bmp", plaster = "textures\\plaster.bmp", arch = "textures\\arch.bmp";
  auto built = [&](int x, int y) { return mud->StaticObjects[static_cast<size_t>(x)][static_cast<size_t>(y)]; };
  EXPECT_EQ(Faces(built(98, 104)), (std::vector<Face>{{0, 0, 0.5f, -0.5f, brick},
                                                       {3, -0.5f, 0.5f, 0, brick},
                                                       {1, 0, 0.5f, -0.5f, plaster},
                                                       {2, -0.5f, 0.5f, 0, plaster}}));
  ASSERT_EQ(mud->WallFaces->GetCount(), 1);
  const TWallFaces face = mud->WallFaces->Find(98, 104);
  EXPECT_EQ(face.wallSet, kSideNorth | kSideWest);
  EXPECT_EQ(face.texture, plaster);

  EXPECT_EQ(Faces(built(60, 60)), (std::vector<Face>{{1, 0, 0.5f, 0.5f, arch},
                                                     {0, 0, 0.5f, -0.5f, arch},
                                                     {3, -0.5f, 0.5f, 0, arch}}));
  EXPECT_EQ(Faces(built(61, 60)), (std::vector<Face>{{1, 0, 0.5f, 0.5f, arch},
                                                     {0, 0, 0.5f, -0.5f, arch},
                                                     {2, 0.5f, 0.5f, 0, arch}}));
}

// A room in that cell (exits south and east, the wall face north and west
// in plaster): its north plane is the wall face's texture, so no face; the
// west side stands 0.05 in front of the wall face, and that offset stays
// for the east side, the floor and the ceiling. Sides without a plane of
// their own take the exit texture on an exit, else the wall texture.
TEST_F(ObjectBuilder, RoomSidesBesideAWallFaceAndItsFloorAndCeiling) {
  const std::string arch = "textures\\arch.bmp", stone = "textures\\stone.bmp", well = "textures\\well.bmp";
  EXPECT_EQ(Faces(mud->BuildObject(mud->StaticCube, kRoom, "", 98, 104, false, nullptr, -1)),
            (std::vector<Face>{{0, 0, 0.5f, 0.5f, arch},
                               {2, -0.45f, 0.5f, 0, stone},
                               {3, 0.55f, 0.5f, 0, arch},
                               {4, 0.05f, 0, 0, well},
                               {5, 0.05f, 1, 0, ""}}));
  // Where no wall face stands, the north plane is drawn.
  const std::vector<Face> open = Faces(mud->BuildObject(mud->StaticCube, kRoom, "", 99, 103, false, nullptr, -1));
  ASSERT_FALSE(open.empty());
  EXPECT_EQ(open[1], (Face{1, 0, 0.5f, -0.5f, "textures\\plaster.bmp"}));
}

// A fire: a small dummy cube carrying the fire effect, raised by its zoffset
// and half its height (unscaled), put before the sprites built ahead of it,
// its manager the core's own or the template by one unseeded draw (the
// tree, unnamed and without random attributes, draws nothing).
TEST_F(ObjectBuilder, AFireIsADummyCubeWithTheEffectAndAManagerByDraw) {
  for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
    SCOPED_TRACE(seed);
    TGLDummyCube parent;
    mud->RandomGenerator.SetSeed(static_cast<int32_t>(seed));
    // The draw the builder makes: the high word of the next state times 2.
    const uint32_t next = seed * 134775813u + 1u;
    const bool own = ((uint64_t{next} * 2) >> 32) == 1;
    TGLDummyCube* container = mud->BuildObject(&parent, kCamp, "", 20, 20, false, nullptr, -1);
    ASSERT_EQ(container->GetCount(), 2);
    auto* fire = dynamic_cast<TGLDummyCube*>(container->GetChild(0));
    ASSERT_NE(fire, nullptr) << "the fire goes before the sprite";
    EXPECT_NE(dynamic_cast<TGLSprite*>(container->GetChild(1)), nullptr);
    const TVector4f at = fire->GetPosition()->AsVector();
    EXPECT_FLOAT_EQ(at[0], 0);
    EXPECT_FLOAT_EQ(at[1], 0.2f + 0.2f);
    EXPECT_FLOAT_EQ(at[2], 0);
    EXPECT_FLOAT_EQ(fire->GetCubeSize(), 0.1f);
    ASSERT_NE(fire->GetEffectsIfAny(), nullptr);
    ASSERT_EQ(fire->GetEffectsIfAny()->GetCount(), 1);
    auto* effect = dynamic_cast<TGLBFireFX*>(fire->GetEffectsIfAny()->GetItems(0));
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->GetManager(), own ? mud->FireManager.get() : mud->FireTemplate);
  }
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

// Sprites moved off their cell by xoffset (east) and yoffset (south, as
// the world writes it) on ground that rises both ways, steeply: each stands
// on the ground where it is, raised by its zoffset.
TEST(SpriteOffsets, SpritesStandOnTheGroundWhereTheirOffsetsPutThem) {
  std::string config = mud_fixture::DefaultConfig();
  auto replace = [&](const std::string& from, const std::string& to) {
    const size_t at = config.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    config.replace(at, from.size(), to);
  };
  replace(R"(<TERRAIN height="0.05">)", R"(<TERRAIN height="1">)");
  replace(R"(<SPRITES>)", R"(<SPRITES>
    <OBJECT name="post south" texture="textures\tree.bmp" height="1" yoffset="2"/>
    <OBJECT name="post east" texture="textures\tree.bmp" height="1" xoffset="1.5"/>
    <OBJECT name="post north west" texture="textures\tree.bmp" height="1" xoffset="-1" yoffset="-2" zoffset="0.3"/>)");
  mud_fixture::World world(config);
  Bitmap ramp(179, 179, pf24bit);
  for (int row = 0; row < 179; ++row)
    for (int column = 0; column < 179; ++column) {
      uint8_t* p = ramp.ScanLine(row) + 3 * column;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(10 + column / 3 + row);
    }
  world.SetElevation(ramp);
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  ASSERT_GT(std::fabs(mud->GetTerrainHeight(100, 98) - mud->GetTerrainHeight(100, 102)), 1.0) << "a steep slope";

  struct Case {
    const char* name;
    float x, z, zoffset;
  } const cases[] = {
      {"post south", 0, 2, 0},
      {"post east", 1.5f, 0, 0},
      {"post north west", -1, -2, 0.3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLDummyCube* container = mud->BuildObject(mud->StaticCube, 0, c.name, 100, 100, true, nullptr, -1);
    ASSERT_EQ(container->GetCount(), 1);
    const TGLBaseSceneObject& sprite = *container->GetChild(0);
    const TVector4f local = sprite.GetPosition()->AsVector();
    EXPECT_FLOAT_EQ(local[0], c.x);
    EXPECT_FLOAT_EQ(local[2], c.z);
    // The map cell under the sprite, from its place in the scene (visual
    // scale 1: scene X = x - 358, scene Z = 358 - y).
    const TVector4f cell = container->GetPosition()->AsVector();
    const double mapX = cell[0] + local[0] + 358.0, mapY = 358.0 - (cell[2] + local[2]);
    const double foot = cell[1] + local[1] - 0.5 - c.zoffset;
    EXPECT_NEAR(foot, mud->GetSmoothedHeight(mapX, mapY), 1e-4);
  }
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

// The wolf's random look against the generator's own draws: every seeded
// draw starts again from the seed (here 1234), the first two draws d1, d2
// of the 32-bit generator state := state x 134775813 + 1.
TEST_F(ObjectBuilder, RandomOffsetSizeMirrorAndRotationFollowTheSeededDraws) {
  const uint32_t s1 = 1234u * 134775813u + 1u, s2 = s1 * 134775813u + 1u;
  const double d1 = s1 / 4294967296.0, d2 = s2 / 4294967296.0;
  const bool mirror = ((uint64_t{s1} * 2) >> 32) == 1;
  // randomoffset 0.6, randomsize 0.3, height 0.7, width 1.2, randomrotation 20.
  const double x = d1 * 0.6 - 0.3, z = d2 * 0.6 - 0.3;
  const double f = d1 * 0.3 - 0.15;
  const double h = 0.7 + 0.7 * f, w = 1.2 + 1.2 * f;
  TGLDummyCube parent;
  TGLDummyCube* container = mud->BuildObject(&parent, 0, "wolf", 80, 90, false, nullptr, 1234);
  ASSERT_EQ(container->GetCount(), 1);
  const auto* sprite = dynamic_cast<const TGLSprite*>(container->GetChild(0));
  ASSERT_NE(sprite, nullptr);
  const TVector4f at = sprite->GetPosition()->AsVector();
  EXPECT_FLOAT_EQ(at[0], static_cast<float>(x));
  EXPECT_FLOAT_EQ(at[1], static_cast<float>(h / 2)) << "standing on the cell: no offset before the scatter";
  EXPECT_FLOAT_EQ(at[2], static_cast<float>(z));
  EXPECT_FLOAT_EQ(sprite->GetHeight(), static_cast<float>(h));
  EXPECT_FLOAT_EQ(sprite->GetWidth(), static_cast<float>(w));
  EXPECT_EQ(sprite->GetMirrorU(), mirror);
  EXPECT_FALSE(sprite->GetMirrorV());
  EXPECT_FLOAT_EQ(sprite->GetRotation(), static_cast<float>(d1 * 20 + 360 - 10));
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

// The monsters of a place are built again only when the place or the
// names change: a mark on what was built stays while neither does.
TEST_F(ObjectBuilder, MonstersAreRebuiltOnlyWhenTheirPlaceOrNamesChange) {
  TMudstate state;
  std::vector<std::string>& names = state.Mobs().Cell();
  names = {"wolf", "nobody", "wolf"};
  mud->UpdateMobs(40, 50, state.Mobs());
  ASSERT_EQ(mud->MobSquare->GetCount(), 2);
  auto marked = [&] { return !mud->MobSquare->GetChild(0)->GetVisible(); };
  mud->MobSquare->GetChild(0)->SetVisible(false);
  struct Step {
    const char* what;
    int32_t x, y;
    std::vector<std::string> names;
    bool rebuilt;
  } const steps[] = {
      {"the same again", 40, 50, {"wolf", "nobody", "wolf"}, false},
      {"a step", 41, 50, {"wolf", "nobody", "wolf"}, true},
      {"the same again", 41, 50, {"wolf", "nobody", "wolf"}, false},
      {"a name more", 41, 50, {"wolf", "nobody", "wolf", "wolf"}, true},
      {"the same names in another order", 41, 50, {"wolf", "wolf", "nobody", "wolf"}, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    names = step.names;
    mud->UpdateMobs(step.x, step.y, state.Mobs());
    EXPECT_EQ(marked(), !step.rebuilt);
    const TVector4f at = mud->MobSquare->GetPosition()->AsVector();
    EXPECT_EQ(at[0], mud->CellToScene(step.x, step.y)[0]);
    mud->MobSquare->GetChild(0)->SetVisible(false);
  }
}

// A server may send any names: those no entry describes leave no entry in
// the catalogue, only a bounded memory of bare names.
TEST_F(ObjectBuilder, NamesNoEntryCarriesDoNotGrowTheCatalogue) {
  TMudstate state;
  std::vector<std::string>& names = state.Mobs().Cell();
  for (int i = 0; i < 3000; ++i) {
    names = {"wolf", "stranger " + std::to_string(i)};
    mud->UpdateMobs(40, 50, state.Mobs());
    ASSERT_EQ(mud->MobSquare->GetCount(), 1);
  }
  EXPECT_LE(mud->ObjectCatalog->KeptNames(), TObjectCatalog::kMostUnknownNames + 1);
  EXPECT_TRUE(mud->ObjectCatalog->Find(0, "stranger 7").IsEmpty());
  EXPECT_FALSE(mud->ObjectCatalog->Find(0, "wolf").IsEmpty());
}

}  // namespace
