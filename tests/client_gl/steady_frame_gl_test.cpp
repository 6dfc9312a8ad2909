// The sample world at rest on a real off-screen context: only its textures
// scroll, and a frame after each per-frame step shows the scroll while doing
// nothing that only a change of the scene calls for; a frame with nothing
// moving is the frame before it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "client/mud.h"
#include "engine/gl_recorder.h"
#include "engine/material.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/sprite.h"
#include "tests/client/mud_fixture.h"
#include "tests/client_gl/batched_world.h"
#include "tests/client_gl/frame_pixels.h"

namespace {

class SteadyFrame : public batched_world::BatchedWorld<mud_fixture::SampleWorld> {
protected:
  // Noon, a step south of the village well and facing it: its water
  // scrolls. The first frames are drawn (lists compiled, textures made).
  void SetUp() override {
    BatchedWorld::SetUp();
    StandAt(176, 173, 0, 1);
    for (int i = 0; i < 3; ++i) Step();
    buffer().OnChange = [this](TObject*) { ++changes; };
  }

  // A per-frame step of `seconds` (the display's rate unless told), then
  // its frame.
  std::vector<std::uint8_t> Step(double seconds = 1.0 / 60) {
    mud->Progress(seconds);
    return Frame();
  }

  int changes = 0;
};

TEST_F(SteadyFrame, ScrollsWithoutCompilingADisplayList) {
  const std::vector<std::uint8_t> before = Frame();
  changes = 0;
  GLCallRecorder calls;
  // Long enough for the water to move by whole texels.
  const std::vector<std::uint8_t> after = Step(2);
  EXPECT_GE(changes, 1) << "the view must hear of the scroll to draw it";
  EXPECT_GT(frame_pixels::Compare(before, after).pixels, 0) << "the well's water moves";
  EXPECT_EQ(calls.Count("glNewList"), 0);
}

void CollectSprites(TGLBaseSceneObject& object, const std::string& texture, std::vector<TGLSprite*>& sprites) {
  auto* sprite = dynamic_cast<TGLSprite*>(&object);
  if (sprite && sprite->GetVisible() && sprite->GetMaterial()->GetLibMaterialName() == texture)
    sprites.push_back(sprite);
  for (int i = 0; i < object.GetCount(); ++i) CollectSprites(*object.GetChild(i), texture, sprites);
}

// Walked up the west road at noon to (160, 188), facing north: a tree
// beside the road (its leaves lit by their texture's emission) is as green
// in the tenth frame at rest as in the first.
TEST_F(SteadyFrame, TreesStayGreenFrameAfterFrame) {
  for (int y : {186, 187, 188}) {
    StandAt(160, y, 0, 1);
    Frame();
  }
  const std::vector<std::uint8_t> first = Frame();
  std::vector<std::uint8_t> tenth;
  for (int frame = 2; frame <= 10; ++frame) tenth = Frame();
  EXPECT_EQ(frame_pixels::Compare(first, tenth).pixels, 0) << "nothing moves: " << frame_pixels::Compare(first, tenth);

  std::vector<TGLSprite*> trees;
  CollectSprites(*world.stored.GetScene()->GetObjects(), "textures\\tree.bmp", trees);
  int seen = 0;
  for (TGLSprite* tree : trees) {
    int x = 0, y = 0;
    if (!frame_pixels::Spot(buffer(), tree->GetAbsolutePosition(), batched_world::kWidth, batched_world::kHeight, x, y))
      continue;
    ++seen;
    const std::uint8_t* leaves = &tenth[static_cast<std::size_t>(y * batched_world::kWidth + x) * 4];
    EXPECT_TRUE(leaves[1] >= 60 && leaves[1] > leaves[0] && leaves[1] > leaves[2])
        << "the tree at " << x << ", " << y << " is " << int(leaves[0]) << ", " << int(leaves[1]) << ", "
        << int(leaves[2]);
  }
  EXPECT_GE(seen, 1) << "a tree in view";
}

}  // namespace
