// The client core's creation and the start-up to the first frame, without a
// window: the creation on the sample world and on synthetic 358 x 358
// worlds 10, 30 and 60 % filled (the main window's stored scene reused,
// each core destroyed untimed), and the whole start-up of the 3D view on
// the sample world (stored scene, map and aerial pictures, the core, its
// update, the first frame at 1024 x 768 on the off-screen EGL context).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/synthetic_world.h"
#include "client/texture_loading.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/material.h"
#include "engine/material_library.h"
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

}  // namespace
