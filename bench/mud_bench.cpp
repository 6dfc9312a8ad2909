// The client core's creation and the start-up to the first frame, without a
// window: the creation on the sample world and on synthetic 358 x 358
// worlds 10, 30 and 60 % filled (the main window's stored scene reused,
// each core destroyed untimed), and the whole start-up of the 3D view on
// the sample world (stored scene, map and aerial pictures, the core, its
// update, the first frame at 1024 x 768 on the off-screen EGL context).
// Then the environment and the frame: the per-frame step while the cloud
// eases (each frame a view update) with 0, 5, 20 and 1,000 monsters about
// the player, one whole application of a state (the light level unchanged, and
// changing so that the textures' brightness is walked), and a frame at
// 1024 x 768 by day at the sample world's start position and in the
// busiest cell of the synthetic world 30 % filled.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/synthetic_world.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "client/texture_loading.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/support/windowless_core.h"

namespace {

// The main window's part, read from a world's folder; the log discarded.
struct Window : windowless_core::Core {
  explicit Window(const std::string& folder) : scope(folder, "/dev/null") { LoadWorldPictures(folder); }
  std::unique_ptr<TMud> Create() { return Core::Create(AppFolder + "config.xml"); }
  windowless_core::ProgramFolderScope scope;
};

void CreateCore(benchmark::State& state, const std::string& folder) {
  Window window(folder);
  int materials = 0;
  for (auto _ : state) {
    std::unique_ptr<TMud> mud = window.Create();
    state.PauseTiming();
    if (!mud->GetBuilt()) state.SkipWithError(mud->GetCreateError().c_str());
    materials = window.stored.GetMaterialLibrary()->GetMaterials()->GetCount();
    mud.reset();
    state.ResumeTiming();
  }
  state.counters["materials"] = materials;
}

void CreateCoreOnTheSampleWorld(benchmark::State& state) { CreateCore(state, synthetic_world::SampleWorldFolder()); }
BENCHMARK(CreateCoreOnTheSampleWorld)->Unit(benchmark::kMillisecond)->UseRealTime();

void CreateCoreOnASyntheticWorld(benchmark::State& state) {
  CreateCore(state, synthetic_world::Write(static_cast<int>(state.range(0))));
}
BENCHMARK(CreateCoreOnASyntheticWorld)->Arg(10)->Arg(30)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime();

// The main window's start-up of the 3D view, from its stored scene to the
// first frame drawn (and finished) on the software renderer.
void StartUpToFirstFrameOfTheSampleWorld(benchmark::State& state) {
  RegisterEglContextClass();
  const std::string folder = synthetic_world::SampleWorldFolder();
  for (auto _ : state) {
    Window window(folder);
    bool resized = false;
    const Bitmap aerial = MirrorBitmap(LoadTextureBitmap(folder + "maps/aerial.bmp", 0, false, resized), false, true);
    window.stored.GetMaterialLibrary()->LibMaterialByName("aerial")->GetMaterial()->GetTexture()->AssignBitmap(aerial);
    std::unique_ptr<TMud> mud = window.Create();
    window.stored.GetMaterialLibrary()->GetMaterials()->GetItems(0)->GetMaterial()->GetTexture()->AssignPicture(
        window.elevation);
    mud->Update();
    TGL3DSceneBuffer& buffer = *window.viewer.GetBuffer();
    buffer.SetBackgroundColor(0xA88760);
    buffer.Resize(1024, 768);
    buffer.CreateRenderingContext(0, true);
    buffer.Render();
    buffer.GetRenderingContext()->Activate();
    GL().glFinish();
    buffer.GetRenderingContext()->Deactivate();
    state.PauseTiming();
    buffer.DestroyRenderingContext();
    mud.reset();
    state.ResumeTiming();
  }
  UnRegisterEglContextClass();
}
BENCHMARK(StartUpToFirstFrameOfTheSampleWorld)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The state the main window starts from: noon, terrain type 11, no
// weather but the fog asked for, at (x, y) facing south.
void StartAt(TMud& mud, float x, float y, double fog = 0) {
  TMudstate& current = *mud.CurrentState;
  current.Time = 12.0;
  current.Level = 11;
  current.Rain = current.Cloud = current.Wind = 0.0;
  current.Fog = fog;
  current.GetPosition()->SetPoint(x, y, 0);
  current.GetDirection()->SetVector(0, -1, 0);
  current.Mobs().Clear();
  mud.ReceivedState->Assign(&current);
  mud.Update();
}

constexpr float kStartX = 176, kStartY = 174;  // the sample world's first location

// The sample world's monsters, as many as asked, in the player's cell.
void AddMonsters(TMud& mud, int count) {
  static const char* const names[] = {"wolf", "villager", "guard", "O'Leary the smith"};
  for (TMudstate* state : {mud.CurrentState.get(), mud.ReceivedState.get()})
    for (int i = 0; i < count; ++i) state->Mobs().Cell().push_back(names[i % 4]);
}

void ProgressWhileCloudEases(benchmark::State& state) {
  Window window(synthetic_world::SampleWorldFolder());
  std::unique_ptr<TMud> mud = window.Create();
  StartAt(*mud, kStartX, kStartY);
  AddMonsters(*mud, static_cast<int>(state.range(0)));
  mud->ReceivedState->Cloud = 10;
  const int updates = mud->UpdateCount;
  for (auto _ : state) {
    mud->Progress(1.0 / 60);
    if (mud->CurrentState->Cloud >= 10) mud->CurrentState->Cloud = 0;
  }
  if (mud->UpdateCount - updates < static_cast<int>(state.iterations())) state.SkipWithError("a frame without update");
}
BENCHMARK(ProgressWhileCloudEases)->Arg(0)->Arg(5)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One whole ApplyState at the start position with five monsters; by day
// only (the light level stays), or alternating noon and midnight (every
// texture's brightness set anew each time).
void ApplyState(benchmark::State& state, bool changeLight) {
  Window window(synthetic_world::SampleWorldFolder());
  std::unique_ptr<TMud> mud = window.Create();
  StartAt(*mud, kStartX, kStartY);
  AddMonsters(*mud, 5);
  TMudstate& s = *mud->CurrentState;
  double hour = 12;
  for (auto _ : state) {
    if (changeLight) hour = hour == 12 ? 0 : 12;
    mud->ApplyState(s.GetPosition()->AsVector(), s.GetDirection()->AsVector(), s.GetUp()->AsVector(), s.Level, hour,
                    s.Cloud, s.Wind, s.Fog, s.Mobs());
  }
  state.counters["materials"] = window.stored.GetMaterialLibrary()->GetMaterials()->GetCount();
}
void ApplyStateByDay(benchmark::State& state) { ApplyState(state, false); }
void ApplyStateChangingTheLight(benchmark::State& state) { ApplyState(state, true); }
BENCHMARK(ApplyStateByDay)->Unit(benchmark::kMicrosecond);
BENCHMARK(ApplyStateChangingTheLight)->Unit(benchmark::kMicrosecond);

// Scene objects drawn by the last frame: visible, under visible parents,
// outside the static areas the frame left out.
int DrawnObjects(TGLBaseSceneObject& parent) {
  int count = 0;
  for (int i = 0; i < parent.GetCount(); ++i) {
    TGLBaseSceneObject& child = *parent.GetChild(i);
    if (const auto* area = dynamic_cast<const TStaticArea*>(&child); area && area->GetCulled()) continue;
    if (child.GetVisible()) count += 1 + DrawnObjects(child);
  }
  return count;
}

// A frame at 1024 x 768 of a world at noon, at the cell `place` puts the
// player on (given the core and the frame's buffer), with the objects drawn
// counted.
void FrameOf(benchmark::State& state, const std::string& folder,
             const std::function<void(TMud&, TGL3DSceneBuffer&)>& place) {
  const bench::EglContextClass egl;
  {
    Window window(folder);
    bool resized = false;
    if (std::filesystem::exists(folder + "maps/aerial.bmp"))
      window.stored.GetMaterialLibrary()->LibMaterialByName("aerial")->GetMaterial()->GetTexture()->AssignBitmap(
          MirrorBitmap(LoadTextureBitmap(folder + "maps/aerial.bmp", 0, false, resized), false, true));
    std::unique_ptr<TMud> mud = window.Create();
    if (!mud->GetBuilt()) state.SkipWithError(mud->GetCreateError().c_str());
    window.stored.GetMaterialLibrary()->GetMaterials()->GetItems(0)->GetMaterial()->GetTexture()->AssignPicture(
        window.elevation);
    TGL3DSceneBuffer& buffer = *window.viewer.GetBuffer();
    bench::CreateFrameBuffer(buffer);
    place(*mud, buffer);
    bench::TimeFrames(state, buffer);
    state.counters["objects"] = DrawnObjects(*window.stored.GetScene()->GetObjects());
    buffer.DestroyRenderingContext();
  }
}

void FrameAtTheSampleWorldsStart(benchmark::State& state) {
  FrameOf(state, synthetic_world::SampleWorldFolder(),
          [](TMud& mud, TGL3DSceneBuffer&) { StartAt(mud, kStartX, kStartY); });
}
BENCHMARK(FrameAtTheSampleWorldsStart)->Unit(benchmark::kMillisecond)->UseRealTime();

// The busiest cell of a grid of candidates over the map: the one whose
// frame draws the most objects in clear weather; then the frame there in
// the fog asked for (0 clear, 2 light, 5 thick: its end 15 cells away).
void FrameInTheBusiestCellOfASyntheticWorld(benchmark::State& state) {
  FrameOf(state, synthetic_world::Write(30), [&](TMud& mud, TGL3DSceneBuffer& buffer) {
    int most = -1;
    float bestX = 0, bestY = 0;
    for (int y = 20; y < 340; y += 32)
      for (int x = 20; x < 340; x += 32) {
        StartAt(mud, static_cast<float>(x), static_cast<float>(y));
        bench::RenderFrame(buffer);
        const int drawn = DrawnObjects(*mud.Scene->GetObjects());
        if (drawn > most) most = drawn, bestX = static_cast<float>(x), bestY = static_cast<float>(y);
      }
    StartAt(mud, bestX, bestY, static_cast<double>(state.range(0)));
    state.counters["x"] = bestX;
    state.counters["y"] = bestY;
  });
}
BENCHMARK(FrameInTheBusiestCellOfASyntheticWorld)->Arg(0)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
