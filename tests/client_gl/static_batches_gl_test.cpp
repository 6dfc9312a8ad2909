// The static batches on a real off-screen context: which areas' parts are
// made again when a door is shown or hidden, a texture changes or goes, and
// the world is built anew; a hidden face, container or sprite is not drawn;
// a face lit by a light alone shows the side it turns to it; a material that
// must blend in order is left to the areas; a frame of a dense synthetic
// world drawn with and without.
#include "client/static_batches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/synthetic_world.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "client/world_lists.h"
#include "engine/gl_recorder.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "objects/sprite.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/client/mud_fixture.h"
#include "tests/client_gl/batched_world.h"
#include "tests/client_gl/frame_pixels.h"
#include "tests/support/solid_bitmap.h"

namespace {

using batched_world::kHeight;
using batched_world::kWidth;

using SampleWorldBatches = batched_world::BatchedWorld<mud_fixture::SampleWorld>;

TEST_F(SampleWorldBatches, ADoorShownOrHiddenRebuildsItsAreaAlone) {
  StandAt(176, 174, 0, -1);  // the village square, far from the door
  Frame();
  for (const auto& [area, builds] : Builds()) EXPECT_EQ(builds, 1);
  TGLBaseSceneObject* door = mud->Doorways->GetItem(0).object;
  ASSERT_FALSE(door->GetVisible());

  const struct {
    const char* what;
    float x, y;
    bool shown;
  } steps[] = {{"beside the door", 175, 149, true}, {"back on the square", 176, 174, false}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const auto before = Builds();
    StandAt(step.x, step.y, 0, 1);
    ASSERT_EQ(door->GetVisible(), step.shown);
    EXPECT_TRUE(BatchedLikeOneByOne());
    EXPECT_EQ(BuiltSince(before), std::vector<const TStaticArea*>{AreaOf(door)});
  }
  // A step that changes no door rebuilds nothing.
  const auto before = Builds();
  StandAt(177, 174, 0, 1);
  Frame();
  EXPECT_TRUE(BuiltSince(before).empty());
}

TEST_F(SampleWorldBatches, ATexturesPictureOrBrightnessRebuildsNothingAndShows) {
  StandAt(175, 147, 0, 1);  // before the south gate's wall
  const std::vector<std::uint8_t> noon = Frame();
  const auto before = Builds();
  TGLLibMaterial* wall = mud->MaterialLibrary->LibMaterialByName("textures\\townwall.bmp");
  ASSERT_NE(wall, nullptr);
  wall->GetMaterial()->GetTexture()->AssignBitmap(SolidBitmap(8, 8, 0x0000FF));
  const std::vector<std::uint8_t> red = Frame();
  EXPECT_GT(frame_pixels::Compare(noon, red).pixels, kWidth * kHeight / 4) << "the wall fills the view";
  EXPECT_TRUE(BatchedLikeOneByOne());
  StandAt(175, 147, 0, 1, 0, 20);  // dusk: every texture's brightness changes
  EXPECT_TRUE(BatchedLikeOneByOne());
  EXPECT_TRUE(BuiltSince(before).empty());
}

TEST_F(SampleWorldBatches, ATextureThatGoesLeavesItsFacesDrawnAsTheyDrawThemselves) {
  StandAt(175, 147, 0, 1);
  Frame();
  const auto before = Builds();
  TGLLibMaterial* wall = mud->MaterialLibrary->LibMaterialByName("textures\\townwall.bmp");
  ASSERT_NE(wall, nullptr);
  std::vector<const TStaticArea*> holding;
  for (TStaticArea* area : Areas())
    for (int c = 0; c < area->GetCount(); ++c)
      for (int i = 0; i < area->GetChild(c)->GetCount(); ++i)
        if (auto* face = dynamic_cast<TGLCustomSceneObject*>(area->GetChild(c)->GetChild(i));
            face && face->GetMaterial()->GetLibMaterial() == wall && (holding.empty() || holding.back() != area))
          holding.push_back(area);
  ASSERT_FALSE(holding.empty());
  mud->MaterialLibrary->GetMaterials()->Delete(wall->GetIndex());
  EXPECT_TRUE(BatchedLikeOneByOne());
  const std::vector<const TStaticArea*> built = BuiltSince(before);
  for (const TStaticArea* area : holding) EXPECT_NE(std::find(built.begin(), built.end(), area), built.end());
}

TEST_F(SampleWorldBatches, AReloadBuildsEveryAreaOnceUnderOneBatchesObject) {
  StandAt(176, 174, 0, -1);
  Frame();
  mud.reset();
  mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  StandAt(176, 174, 0, -1);
  EXPECT_TRUE(BatchedLikeOneByOne());
  for (const auto& [area, builds] : Builds()) EXPECT_EQ(builds, 1);
  int batches = 0;
  for (int i = 0; i < mud->StaticCube->GetCount(); ++i)
    batches += dynamic_cast<TStaticBatches*>(mud->StaticCube->GetChild(i)) != nullptr;
  EXPECT_EQ(batches, 1);
  EXPECT_EQ(mud->StaticBatches->GetParent(), mud->StaticCube);
}

TEST_F(SampleWorldBatches, AHiddenFaceOrContainerLeavesTheBatchedFrame) {
  StandAt(175, 147, 0, 1);  // the gate's wall fills the view
  const std::vector<std::uint8_t> shown = Frame();
  TGLBaseSceneObject* face = buffer().GetPickedObject(kWidth / 2, kHeight / 3);
  ASSERT_NE(face, nullptr);
  TGLBaseSceneObject* cell = face->GetParent();
  ASSERT_EQ(cell, mud->StaticObjects[175][150]);
  Frame();
  ASSERT_TRUE(mud->StaticBatches->DrewObject(*face));
  const struct {
    const char* what;
    TGLBaseSceneObject* hidden;
  } cases[] = {{"the cell's container", cell}, {"one face", face}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.hidden->SetVisible(false);
    // What stood behind the wall shows where it was, as each object
    // drawing itself shows it.
    EXPECT_GT(frame_pixels::Compare(shown, Frame()).pixels, kWidth * kHeight / 20);
    EXPECT_TRUE(BatchedLikeOneByOne());
    c.hidden->SetVisible(true);
    EXPECT_EQ(frame_pixels::Compare(shown, Frame()).pixels, 0) << "shown again";
  }
}

TEST_F(SampleWorldBatches, ALitWallShowsTheSideItsFaceTurnsToTheLight) {
  StandAt(175, 147, 0, 1);  // the gate's wall fills the view
  // The wall's picture lit by the light alone: modulated, without the
  // emission the world's textures have.
  TGLMaterial* wall = mud->MaterialLibrary->LibMaterialByName("textures\\townwall.bmp")->GetMaterial();
  wall->GetTexture()->SetTextureMode(tmModulate);
  wall->GetFrontProperties()->GetEmission()->SetAsWinColor(0);
  const std::vector<std::uint8_t> dark = Frame();
  // A lamp's light a cell before the wall, a cell above the ground.
  TGLLightSource& light = *world.stored.GetLight();
  const TVector4f before = mud->CellToScene(175, 148);
  light.GetPosition()->SetPoint(before[0], before[1] + 1, before[2]);
  light.SetShining(true);
  EXPECT_GT(frame_pixels::Compare(dark, Frame()).pixels, kWidth * kHeight / 3) << "the light falls on the wall";
  EXPECT_TRUE(BatchedLikeOneByOne());
}

TEST_F(SampleWorldBatches, PickingFindsTheFaceTheBatchesDraw) {
  StandAt(175, 147, 0, 1);  // the gate's wall fills the view
  Frame();
  TGLBaseSceneObject* picked = buffer().GetPickedObject(kWidth / 2, kHeight / 3);
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->GetParent(), mud->StaticObjects[175][150]);
  EXPECT_EQ(static_cast<TGLCustomSceneObject*>(picked)->GetMaterial()->GetLibMaterialName(), "textures\\townwall.bmp");
  Frame();
  EXPECT_TRUE(mud->StaticBatches->DrewObject(*picked));
}

// The fixture's trees are half transparent and linearly filtered: their
// order matters, so the areas draw them farthest first beside the batches.
class BlendedInOrder : public batched_world::BatchedWorld<mud_fixture::World> {
protected:
  void SetUp() override {
    for (int y = 104; y <= 110; y += 2) {
      world.Paint(1, 100, y, 0x008000);  // trees
      world.Paint(1, 102, y, 0x0000ff);  // cubes with roofs
    }
    BatchedWorld::SetUp();
  }
};

TEST_F(BlendedInOrder, AGradedMaterialIsLeftToTheAreasAndTheRestIsBatched) {
  StandAt(101, 100, 0, 1);
  EXPECT_TRUE(BatchedLikeOneByOne());
  const TGLBaseSceneObject* cube = mud->StaticObjects[102][104];
  const TGLBaseSceneObject* tree = mud->StaticObjects[100][104];
  ASSERT_TRUE(cube && tree);
  Frame();
  EXPECT_TRUE(mud->StaticBatches->DrewObject(*cube->GetChild(0)));
  ASSERT_TRUE(dynamic_cast<const TGLSprite*>(tree->GetChild(0)));
  EXPECT_FALSE(mud->StaticBatches->DrewObject(*tree->GetChild(0)));
}

// Without the fixture's texture options the trees are clear or opaque:
// batched, their quads made again for each view.
struct OpaqueTreesWorld : mud_fixture::World {
  OpaqueTreesWorld() : World(WithoutTreeOptions()) {}
  static std::string WithoutTreeOptions() {
    std::string config = mud_fixture::DefaultConfig();
    const std::string options = R"(<TEXTURE texture="textures\tree.bmp" alpha="0.5" magminfilter="linear"/>)";
    const size_t at = config.find(options);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) config.erase(at, options.size());
    return config;
  }
};

class Billboards : public batched_world::BatchedWorld<OpaqueTreesWorld> {
protected:
  void SetUp() override {
    for (int x = 96; x <= 104; x += 2) world.Paint(1, x, 106, 0x008000);
    BatchedWorld::SetUp();
  }
};

TEST_F(Billboards, SpritesFaceEveryViewFromTheBatches) {
  const TGLBaseSceneObject* tree = mud->StaticObjects[100][106];
  ASSERT_TRUE(tree && dynamic_cast<const TGLSprite*>(tree->GetChild(0)));
  const struct {
    float x, y, dx, dy;
  } views[] = {{100, 100, 0, 1}, {100, 100, 0.5f, 1}, {97, 102, 0.7f, 1}, {103, 110, -0.3f, -1}};
  for (const auto& v : views) {
    SCOPED_TRACE(testing::Message() << v.x << "," << v.y << " facing " << v.dx << "," << v.dy);
    StandAt(v.x, v.y, v.dx, v.dy);
    EXPECT_TRUE(BatchedLikeOneByOne());
    Frame();
    EXPECT_TRUE(mud->StaticBatches->DrewObject(*tree->GetChild(0)));
  }
}

TEST_F(Billboards, AHiddenSpriteLeavesTheBatchedFrame) {
  StandAt(100, 100, 0, 1);
  const std::vector<std::uint8_t> shown = Frame();
  TGLBaseSceneObject* tree = mud->StaticObjects[100][106]->GetChild(0);
  ASSERT_TRUE(mud->StaticBatches->DrewObject(*tree));
  tree->SetVisible(false);
  EXPECT_GT(frame_pixels::Compare(shown, Frame()).pixels, 100) << "the tree is gone";
  EXPECT_TRUE(BatchedLikeOneByOne());
}

// A synthetic world 10 % filled, written into the test output.
struct SyntheticWorld : windowless_core::Core {
  SyntheticWorld()
      : folder(synthetic_world::Write(10, CLIENT_TEST_OUTPUT_DIR)), scope(folder, folder + "log.txt") {
    LoadWorldPictures(folder);
  }
  std::unique_ptr<TMud> Create() { return Core::Create(folder + "config.xml"); }
  std::string folder;
  windowless_core::ProgramFolderScope scope;
};

using SyntheticWorldBatches = batched_world::BatchedWorld<SyntheticWorld>;

TEST_F(SyntheticWorldBatches, AViewOverTheMapDrawsItsPictureInAFewCalls) {
  StandAt(180, 300, 0, -1);
  Frame();
  int batched = 0, oneByOne = 0;
  for (bool batches : {true, false}) {
    mud->StaticBatches->SetEnabled(batches);
    GLCallRecorder calls;
    Frame();
    (batches ? batched : oneByOne) = calls.Count("glBegin") + calls.Count("glDrawArrays");
  }
  EXPECT_TRUE(BatchedLikeOneByOne());
  EXPECT_LT(batched * 20, oneByOne) << batched << " calls against " << oneByOne;
}

}  // namespace
