#pragma once
// A client core built on a world (the fixture's, the sample world, a
// synthetic one) with the frame's buffer and its off-screen context, for
// the tests of the static areas and their batches: where the player stands,
// frames read back, the areas and how often each area's batched part was
// made, a frame drawn with the batches against the same frame drawn object
// by object.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "client/mud.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "client/static_batches.h"
#include "engine/scene_buffer.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/client_gl/frame_pixels.h"

namespace batched_world {

constexpr int kWidth = 320, kHeight = 240;

// A core on a world with the frame's buffer and its context.
template <class WorldT>
class BatchedWorld : public ::testing::Test {
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

  // At (x, y) facing (dx, dy) on the map, at noon unless told, without
  // weather but the fog asked for.
  void StandAt(float x, float y, float dx, float dy, double fog = 0, double time = 12) {
    TMudstate& current = *mud->CurrentState;
    current.Time = time;
    current.Level = 11;
    current.Rain = current.Cloud = current.Wind = 0.0;
    current.Fog = fog;
    current.GetPosition()->SetPoint(x, y, 0);
    current.GetDirection()->SetVector(dx, dy, 0);
    current.Mobs().Clear();
    mud->ReceivedState->Assign(&current);
    mud->Update();
  }

  std::vector<std::uint8_t> Frame() { return frame_pixels::Frame(buffer(), kWidth, kHeight); }

  // The frame drawn with the batches, then with every object by itself;
  // each is drawn twice, and a scene that stands still draws the same
  // frame again (what one frame leaves behind must not change the next).
  ::testing::AssertionResult BatchedLikeOneByOne() {
    mud->StaticBatches->SetEnabled(true);
    const std::vector<std::uint8_t> batched = Frame();
    if (const frame_pixels::Difference d = frame_pixels::Compare(batched, Frame()); d.pixels > 0)
      return ::testing::AssertionFailure() << "the batched frame drawn again: " << d;
    mud->StaticBatches->SetEnabled(false);
    const std::vector<std::uint8_t> oneByOne = Frame();
    const frame_pixels::Difference again = frame_pixels::Compare(oneByOne, Frame());
    mud->StaticBatches->SetEnabled(true);
    if (again.pixels > 0) return ::testing::AssertionFailure() << "the frame of single objects drawn again: " << again;
    return frame_pixels::Alike(batched, oneByOne, kWidth);
  }

  std::vector<TStaticArea*> Areas() const {
    std::vector<TStaticArea*> areas;
    for (const auto& column : mud->StaticAreas)
      for (TStaticArea* area : column)
        if (area) areas.push_back(area);
    return areas;
  }
  std::map<const TStaticArea*, int> Builds() const {
    std::map<const TStaticArea*, int> builds;
    for (const TStaticArea* area : Areas()) builds[area] = mud->StaticBatches->GetBuilds(*area);
    return builds;
  }
  // The areas whose part was made again since `before`.
  std::vector<const TStaticArea*> BuiltSince(const std::map<const TStaticArea*, int>& before) const {
    std::vector<const TStaticArea*> built;
    for (const auto& [area, builds] : Builds())
      if (builds != before.at(area)) built.push_back(area);
    return built;
  }
  static const TStaticArea* AreaOf(const TGLBaseSceneObject* object) {
    return dynamic_cast<const TStaticArea*>(object->GetParent()->GetParent());
  }

  WorldT world;
  std::unique_ptr<TMud> mud;
};

}  // namespace batched_world
