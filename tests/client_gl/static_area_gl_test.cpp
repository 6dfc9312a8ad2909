// The static areas on a real off-screen context, in the sample world at its
// first location: a frame leaves out areas, and draws the very picture it
// draws with every area in, by day and in a thick fog; the areas' objects
// drawn together in batches give the picture they give drawn one by one.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "client/mud.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "client/static_batches.h"
#include "client/world_lists.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/gl_recorder.h"
#include "engine/scene_buffer.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/client/mud_fixture.h"
#include "tests/client_gl/batched_world.h"
#include "tests/client_gl/frame_pixels.h"

namespace {

using batched_world::kHeight;
using batched_world::kWidth;

class StaticAreaFrames : public batched_world::BatchedWorld<mud_fixture::SampleWorld> {
protected:
  int Culled() const {
    int culled = 0;
    for (const TStaticArea* area : Areas()) culled += area->GetCulled();
    return culled;
  }
};

// Clear days look three ways; a thick fog, whose end is 15 cells away,
// hides the far side of the village looking west, and a thicker one all.
TEST_F(StaticAreaFrames, LeftOutAreasChangeNoPixelByDayOrInFog) {
  const struct {
    double fog;
    float facingX, facingY;
  } cases[] = {{0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {5, -1, 0}, {10, -1, 0}};
  std::vector<int> culled;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "fog " << c.fog << " facing " << c.facingX << "," << c.facingY);
    StandAt(176, 174, c.facingX, c.facingY, c.fog);
    const std::vector<std::uint8_t> culledFrame = Frame();
    culled.push_back(Culled());

    for (TStaticArea* area : Areas()) area->SetCulling(false);
    const std::vector<std::uint8_t> wholeFrame = Frame();
    EXPECT_EQ(Culled(), 0);
    EXPECT_EQ(frame_pixels::Compare(culledFrame, wholeFrame).pixels, 0);
    for (TStaticArea* area : Areas()) area->SetCulling(true);
  }
  const int areas = static_cast<int>(Areas().size());
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_GT(culled[i], 0) << "clear day " << i;
    EXPECT_LT(culled[i], areas) << "clear day " << i;
  }
  EXPECT_GT(culled[3], culled[2]) << "the fog hides what the clear day shows";
  EXPECT_LT(culled[3], areas) << "the near side stays";
  EXPECT_EQ(culled[4], areas);
}

// The same views, and before the south gate with its door shown and hidden, drawn
// with the batches and with every object drawing itself: the door lies on
// its wall's face, which is drawn after it and covers it both ways.
TEST_F(StaticAreaFrames, BatchesDrawThePictureTheObjectsDrawOneByOne) {
  const struct {
    const char* what;
    double fog;
    float facingX, facingY, x, y;
    bool door;
  } cases[] = {
      {"clear, north", 0, 0, -1, 176, 174, false},  {"clear, east", 0, 1, 0, 176, 174, false},
      {"clear, west", 0, -1, 0, 176, 174, false},   {"fog 5, west", 5, -1, 0, 176, 174, false},
      {"fog 10, west", 10, -1, 0, 176, 174, false}, {"before the gate, its door shown", 0, 0, 1, 175, 147, true},
      {"before the gate, its door hidden", 0, 0, 1, 175, 147, false},
      // The passage's walls half a cell from the eye: their texel boundaries
      // fall a pixel apart here and there.
      {"in the gate", 0, 0, 1, 175, 149, false},
  };
  TGLBaseSceneObject* door = mud->Doorways->GetItem(0).object;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StandAt(c.x, c.y, c.facingX, c.facingY, c.fog);
    // A door shows near the player only; here it is shown by hand.
    if (c.door)
      mud->Doorways->ShowDoorway(mud->Doorways->GetItem(0).key);
    else
      mud->Doorways->HideAll();
    ASSERT_EQ(door->GetVisible(), c.door);
    // Each frame's calls counted: the second frame with batches, made by
    // the first, against the frame without.
    auto frame = [&](bool batches, int& begins, int& arrays) {
      mud->StaticBatches->SetEnabled(batches);
      GLCallRecorder calls;
      std::vector<std::uint8_t> rgba = Frame();
      begins = calls.Count("glBegin");
      arrays = calls.Count("glDrawArrays");
      return rgba;
    };
    int batchedBegins = 0, batchedArrays = 0, begins = 0, arrays = 0;
    frame(true, batchedBegins, batchedArrays);
    const std::vector<std::uint8_t> batched = frame(true, batchedBegins, batchedArrays);
    const std::vector<std::uint8_t> oneByOne = frame(false, begins, arrays);
    EXPECT_TRUE(frame_pixels::Alike(batched, oneByOne, kWidth));
    // Not the same frame by another way: the batches drew the areas' faces.
    if (c.fog < 10) {
      EXPECT_GT(batchedArrays, arrays);
      EXPECT_LT(batchedBegins + batchedArrays, begins + arrays);
    }
  }
  mud->StaticBatches->SetEnabled(true);
}

}  // namespace
