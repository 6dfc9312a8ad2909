// The sample world at rest on a real off-screen context: only its textures
// scroll, and a frame after each per-frame step shows the scroll while doing
// nothing that only a change of the scene calls for.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "client/mud.h"
#include "engine/gl_recorder.h"
#include "engine/scene_buffer.h"
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

}  // namespace
