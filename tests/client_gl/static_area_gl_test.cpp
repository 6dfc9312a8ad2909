// The static areas on a real off-screen context, in the sample world at its
// first location: a frame leaves out areas, and draws the very picture it
// draws with every area in, by day and in a thick fog.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "client/mud.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/scene_buffer.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/client/mud_fixture.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

class StaticAreaFrames : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEglContextClass();
    mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    buffer().Resize(kWidth, kHeight);
    buffer().CreateRenderingContext(0, true);
  }
  void TearDown() override {
    buffer().DestroyRenderingContext();
    mud.reset();
    UnRegisterEglContextClass();
  }

  TGL3DSceneBuffer& buffer() { return *world.viewer.GetBuffer(); }

  // Noon at the first location, facing `facing` (map x, y), in `fog`.
  void StandAt(double fog, float facingX, float facingY) {
    TMudstate& current = *mud->CurrentState;
    current.Time = 12.0;
    current.Level = 11;
    current.Rain = current.Cloud = current.Wind = 0.0;
    current.Fog = fog;
    current.GetPosition()->SetPoint(176, 174, 0);
    current.GetDirection()->SetVector(facingX, facingY, 0);
    current.Mobs().Clear();
    mud->ReceivedState->Assign(&current);
    mud->Update();
  }

  std::vector<std::uint8_t> Frame() {
    buffer().Render();
    TGLContext* context = buffer().GetRenderingContext();
    context->Activate();
    std::vector<std::uint8_t> rgba(static_cast<size_t>(kWidth * kHeight * 4));
    GL().glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    context->Deactivate();
    return rgba;
  }

  std::vector<TStaticArea*> Areas() const {
    std::vector<TStaticArea*> areas;
    for (const auto& column : mud->StaticAreas)
      for (TStaticArea* area : column)
        if (area) areas.push_back(area);
    return areas;
  }

  int Culled() const {
    int culled = 0;
    for (const TStaticArea* area : Areas()) culled += area->GetCulled();
    return culled;
  }

  static int DifferentPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int different = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4)
      different += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return different;
  }

  mud_fixture::SampleWorld world;
  std::unique_ptr<TMud> mud;
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
    StandAt(c.fog, c.facingX, c.facingY);
    const std::vector<std::uint8_t> culledFrame = Frame();
    culled.push_back(Culled());

    for (TStaticArea* area : Areas()) area->SetCulling(false);
    const std::vector<std::uint8_t> wholeFrame = Frame();
    EXPECT_EQ(Culled(), 0);
    EXPECT_EQ(DifferentPixels(culledFrame, wholeFrame), 0);
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

}  // namespace
