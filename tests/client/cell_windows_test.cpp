// The three cell windows against a fresh build at the same centre, the
// doorways near the player and the containers' drawing order.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <sstream>

#include "client/texture_cache.h"
#include "client/world_lists.h"
#include "engine/effects.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "engine/material_library.h"
#include "engine/material.h"
#include "engine/scene.h"
#include "mud_fixture.h"
#include "world_fixture.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "objects/vertex_list.h"

namespace {

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
  return text;
}

std::string Vector(const TGLCoordinates* v) {
  return Number(v->GetX()) + "," + Number(v->GetY()) + "," + Number(v->GetZ());
}

// What a window's cell shows: its colour and each object under its
// container, with the values the cell decides. The few draws a build makes
// from the time of day (a fire's manager, a meadow's texture shift) are
// left out: they differ from build to build by design.
std::string Describe(int32_t colour, const TGLBaseSceneObject* object) {
  std::ostringstream out;
  out << std::hex << colour << std::dec;
  if (!object || object->GetCount() == 0) return out.str() + " empty";
  out << " at " << Vector(object->GetPosition()) << " turned " << Vector(object->GetDirection());
  for (int i = 0; i < object->GetCount(); ++i) {
    const TGLBaseSceneObject* child = object->GetChild(i);
    out << "\n  " << child->ClassName() << " " << Vector(child->GetPosition()) << " "
        << Vector(child->GetDirection()) << " " << child->GetVisible();
    if (auto* custom = dynamic_cast<const TGLCustomSceneObject*>(child))
      out << " " << custom->GetMaterial()->GetLibMaterialName();
    if (auto* plane = dynamic_cast<const TGLPlane*>(child)) out << " " << plane->GetWidth() << "x" << plane->GetHeight();
    if (auto* sprite = dynamic_cast<const TGLSprite*>(child))
      out << " " << sprite->GetWidth() << "x" << sprite->GetHeight() << " " << sprite->GetMirrorU() << " "
          << sprite->GetRotation();
    if (auto* sphere = dynamic_cast<const TGLSphere*>(child)) out << " r" << sphere->GetRadius();
    if (auto* disk = dynamic_cast<const TGLDisk*>(child)) out << " r" << disk->GetOuterRadius();
    if (auto* mesh = dynamic_cast<const TGLMesh*>(child)) {
      const TVertexList& vertices = *mesh->GetVertices();
      for (int v = 0; v < vertices.GetCount(); ++v)
        out << " (" << Number(vertices[v].Coord[0]) << "," << Number(vertices[v].Coord[1]) << ","
            << Number(vertices[v].Coord[2]) << ")";
    }
    if (child->GetEffectsIfAny()) out << " effects " << child->GetEffectsIfAny()->GetCount();
  }
  return out.str();
}

int32_t Hex(const char* rrggbb) { return HexToColor(rrggbb); }

class CellWindows : public testing::Test {
protected:
  // The fixture's world as it stands: its cache holds 4 of the textures the
  // windows show, far fewer than they use.
  CellWindows() {
    // Each map a scatter of its colours over the whole picture, edges
    // included, half of it background.
    const std::vector<int32_t> palettes[3] = {
        {Hex("ff0000"), Hex("00ff00"), Hex("808000"), Hex("008000"), Hex("ffff00")},
        {Hex("008000"), Hex("00ffff"), Hex("ff00ff")},
        {Hex("c0c0c0"), Hex("ff00ff"), Hex("0000ff"), Hex("ff8000"), Hex("008000")},
    };
    std::mt19937 paint(11);
    for (int k = 0; k < 3; ++k)
      for (int x = 0; x < TMud::kMapSize; ++x)
        for (int y = 1; y <= TMud::kMapSize; ++y) {
          const auto& palette = palettes[k];
          const size_t pick = paint() % (2 * palette.size());
          if (pick < palette.size()) world.Paint(k + 2, x, y, palette[pick]);
        }
    world.Paint(1, 98, 104, Hex("ff8000"));  // a door: the room map has a south exit there
    world.Paint(1, 120, 120, Hex("ff0000"));
    mud = world.Create();
    mud->RandomGenerator.SetClock([] { return 8 * 3600 * 1000; });
  }

  // Every cell of window i described, and its container holding nothing
  // but the slots' objects.
  void ExpectFreshLook(int i, int32_t x, int32_t y) {
    TCellWindow& window = mud->CellWindows[static_cast<size_t>(i)];
    TGLDummyCube* container = mud->IntermediateCubes[static_cast<size_t>(i)];
    TCellWindow fresh;
    fresh.size = window.size;
    TGLDummyCube freshContainer;
    mud->UpdateCellWindow(fresh, &freshContainer, i + 2, x, y);
    const int32_t h = window.Half();
    std::set<const TGLBaseSceneObject*> held;
    for (int32_t a = -h; a <= h; ++a)
      for (int32_t b = -h; b <= h; ++b) {
        SCOPED_TRACE(testing::Message() << "window " << i + 1 << " at " << x << "," << y << " slot " << a << "," << b);
        const TCellSlot& slot = window.Slot(a, b);
        ASSERT_EQ(Describe(slot.colour, slot.object), Describe(fresh.Slot(a, b).colour, fresh.Slot(a, b).object));
        if (slot.object) {
          EXPECT_EQ(slot.object->GetParent(), container);
          EXPECT_TRUE(held.insert(slot.object).second);
        }
        const int32_t X = x + a, Y = y + b;
        if (X <= 0 || Y <= 0 || X >= TMud::kMapSize || Y >= TMud::kMapSize) {
          EXPECT_EQ(slot.colour, -1);
          EXPECT_EQ(Describe(slot.colour, slot.object), "ffffffff empty");
        }
      }
    EXPECT_EQ(container->GetCount(), static_cast<int>(held.size()));
    EXPECT_EQ(window.lastX, x);
    EXPECT_EQ(window.lastY, y);
  }

  mud_fixture::World world;
  std::unique_ptr<TMud> mud;
};

TEST_F(CellWindows, StepsAndJumpsLookLikeAFreshBuildAtTheSameCentre) {
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  ASSERT_EQ(mud->CellWindows[0].size, 7);
  ASSERT_EQ(mud->CellWindows[1].size, 5);
  ASSERT_EQ(mud->CellWindows[2].size, 3);
  std::mt19937 walk(5);
  int32_t x = 100, y = 100;
  int steps = 0, jumps = 0;
  for (int move = 0; move < 300 && !HasFatalFailure(); ++move) {
    const unsigned kind = walk() % 10;
    if (kind < 8) {  // a step, or standing still at the map's edge
      const int32_t d = walk() % 2 ? 1 : -1;
      if (walk() % 2)
        x = std::clamp(x + d, 0, TMud::kMapSize - 1);
      else
        y = std::clamp(y + d, 0, TMud::kMapSize - 1);
      ++steps;
    } else {  // a jump, often to the map's edges
      auto anywhere = [&] {
        const int32_t edge = static_cast<int32_t>(walk() % 5);
        switch (walk() % 3) {
          case 0: return edge;
          case 1: return TMud::kMapSize - 1 - edge;
          default: return static_cast<int32_t>(walk() % TMud::kMapSize);
        }
      };
      x = anywhere();
      y = anywhere();
      ++jumps;
    }
    mud->UpdateWindows(x, y);
    for (int i = 0; i < 3; ++i) ExpectFreshLook(i, x, y);
  }
  EXPECT_GT(steps, 200);
  EXPECT_GT(jumps, 30);
}

TEST_F(CellWindows, DoorwaysShowNearThePlayerUnlessAnObjectStandsThere) {
  // The room map has exits south and east there: a door on each side.
  ASSERT_EQ(mud->Doorways->GetCount(), 2);
  TGLBaseSceneObject* doors[] = {mud->Doorways->GetItem(0).object, mud->Doorways->GetItem(1).object};
  world.Paint(3, 99, 105, 0);
  world.Paint(3, 98, 104, 0);
  world.Paint(3, 97, 103, Hex("008000"));
  struct Case {
    int32_t x, y;
    bool visible;
  } cases[] = {
      {99, 105, true},    // the door cube is a diagonal neighbour
      {101, 104, false},  // two cells away
      {98, 104, true},    // on it
      {97, 103, false},   // next to it, but a tree of the second map stands here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    mud->UpdateDoorways(c.x, c.y);
    for (TGLBaseSceneObject* door : doors) EXPECT_EQ(door->GetVisible(), c.visible);
  }
}

TEST_F(CellWindows, ContainersDrawAfterTheSkyInAnOrderByTheSecondMap) {
  std::vector<std::string> names;
  auto order = [&] {
    names.clear();
    TGLBaseSceneObject* root = mud->StaticCube->GetScene()->GetObjects();
    for (int i = 0; i < 5; ++i) names.push_back(root->GetChild(i)->GetName());
    return names;
  };
  world.Paint(3, 60, 60, Hex("008000"));
  world.Paint(3, 61, 60, 0);
  mud->UpdateWindows(60, 60);
  EXPECT_EQ(order(), (std::vector<std::string>{"SkyDome", "Staticcube", "Intermediatecube", "Intermediatecube2",
                                               "Intermediatecube3"}));
  mud->UpdateWindows(61, 60);
  EXPECT_EQ(order(), (std::vector<std::string>{"SkyDome", "Intermediatecube2", "Intermediatecube3", "Staticcube",
                                               "Intermediatecube"}));
}

// Three textures on the first map and a cache of two: walking pushes each
// texture out of the cache again and again, and every object in the
// windows keeps wearing its texture all the same.
TEST(CellWindowsTextures, AWalkWithMoreTexturesThanTheCacheLeavesNoObjectBare) {
  std::string config = mud_fixture::DefaultConfig();
  const std::string cache = R"(texturecachesize="4")";
  config.replace(config.find(cache), cache.size(), R"(texturecachesize="2")");
  mud_fixture::World world(config);
  // Trees, stone spheres and wells in stripes: each column shows one, so
  // every step brings all three into view.
  const int32_t colours[] = {Hex("008000"), Hex("00ffff"), Hex("ffff00")};
  for (int x = 80; x <= 140; ++x)
    for (int y = 90; y <= 110; ++y) world.Paint(2, x, y, colours[x % 3]);
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  ASSERT_EQ(mud->TextureCache->GetCapacity(), 2);

  int checked = 0;
  for (int32_t x = 90; x <= 130; ++x) {
    mud->UpdateWindows(x, 100);
    const TCellWindow& window = mud->CellWindows[0];
    for (int32_t a = -3; a <= 3; ++a)
      for (int32_t b = -3; b <= 3; ++b) {
        const TGLBaseSceneObject* cell = window.Slot(a, b).object;
        ASSERT_NE(cell, nullptr);
        for (int i = 0; i < cell->GetCount(); ++i) {
          const auto* object = dynamic_cast<const TGLCustomSceneObject*>(cell->GetChild(i));
          if (!object) continue;
          SCOPED_TRACE(testing::Message() << "at " << x << " cell " << x + a << "," << 100 + b);
          ASSERT_NE(object->GetMaterial()->GetLibMaterialName(), "");
          ASSERT_NE(object->GetMaterial()->GetLibMaterial(), nullptr);
          EXPECT_EQ(object->GetMaterial()->GetLibMaterial()->GetName(), object->GetMaterial()->GetLibMaterialName());
          ++checked;
        }
      }
  }
  EXPECT_EQ(checked, 41 * 49);
}

// With the light shining, a light-source colour of a map moves the light to
// its cell and builds nothing; without it, the cell stays empty and the
// light where it was.
TEST_F(CellWindows, ALightSourceCellMovesTheShiningLight) {
  for (int x = 100; x <= 110; ++x)
    for (int y = 96; y <= 104; ++y) world.Paint(4, x, y, 0);
  world.Paint(4, 106, 101, Hex("c0c0c0"));
  TGLLightSource& light = *world.stored.GetLight();
  const TVector4f cell = mud->CellToScene(106, 101);
  struct Case {
    bool shining;
    bool moved;
  } const cases[] = {{false, false}, {true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shining ? "shining" : "not shining");
    light.SetShining(c.shining);
    light.GetPosition()->SetPoint(1, 2, 3);
    mud->CellWindows[2].lastX = -1;  // a rebuild
    mud->UpdateWindows(105, 100);
    const TCellSlot& slot = mud->CellWindows[2].Slot(1, 1);
    EXPECT_EQ(slot.colour, Hex("c0c0c0"));
    EXPECT_TRUE(slot.object == nullptr || slot.object->GetCount() == 0);
    const TVector4f at = light.GetPosition()->AsVector();
    const TVector4f expected = c.moved ? cell : TVector4f{1, 2, 3, 1};
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(at[i], expected[i]) << i;
  }
}

}  // namespace
