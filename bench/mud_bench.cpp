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
// busiest cell of the synthetic world 30 % filled, the static objects drawn
// in batches or each by itself, beside its reference: an indexed grid of the
// busiest view's triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/synthetic_world.h"
#include "client/mud_state.h"
#include "client/static_area.h"
#include "client/static_batches.h"
#include "client/texture_loading.h"
#include "engine/camera.h"
#include "engine/context.h"
#include "engine/direct_opengl.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/light_source.h"
#include "engine/gl_api.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/support/windowless_core.h"

namespace {

// The main window's part, read from a world's folder, its ground the one
// the program shows; the log discarded.
struct Window : windowless_core::Core {
  explicit Window(const std::string& folder) : scope(folder, "/dev/null") {
    LoadWorldPictures(folder);
    stored.ShowGround(true);
  }
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
// counted; the static objects drawn in batches, or each by itself.
bench::FrameCount FrameOf(benchmark::State& state, const std::string& folder, bool batches,
                          const std::function<void(TMud&, TGL3DSceneBuffer&)>& place) {
  bench::FrameCount count;
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
    // Looking for a place draws in batches whatever is timed.
    place(*mud, buffer);
    if (mud->StaticBatches) mud->StaticBatches->SetEnabled(batches);
    count = bench::TimeFrames(state, buffer);
    state.counters["objects"] = DrawnObjects(*window.stored.GetScene()->GetObjects());
    buffer.DestroyRenderingContext();
  }
  return count;
}

void FrameAtTheSampleWorldsStart(benchmark::State& state) {
  FrameOf(state, synthetic_world::SampleWorldFolder(), state.range(0) != 0,
          [](TMud& mud, TGL3DSceneBuffer&) { StartAt(mud, kStartX, kStartY); });
}
BENCHMARK(FrameAtTheSampleWorldsStart)->ArgName("batches")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The triangles of the busiest clear view as its batched frame counted them,
// for the grid that is its reference.
long g_busiestTriangles = 0;

// The busiest cell of a grid of candidates over the map: the one whose
// frame draws the most objects in clear weather; then the frame there in
// the fog asked for (0 clear, 2 light, 5 thick: its end 15 cells away),
// with the static objects batched or each drawn by itself.
void FrameInTheBusiestCellOfASyntheticWorld(benchmark::State& state) {
  const bool batches = state.range(1) != 0;
  const bench::FrameCount count = FrameOf(state, synthetic_world::Write(30), batches, [&](TMud& mud, TGL3DSceneBuffer& buffer) {
    int most = -1;
    float bestX = 0, bestY = 0;
    for (int y = 20; y < 340; y += 32)
      for (int x = 20; x < 340; x += 32) {
        StartAt(mud, static_cast<float>(x), static_cast<float>(y));
        const auto start = std::chrono::steady_clock::now();
        bench::RenderFrame(buffer);
        // The first frame after the creation lays the batches out for the
        // whole map (and uploads the textures).
        if (most < 0)
          state.counters["first frame ms"] =
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const int drawn = DrawnObjects(*mud.Scene->GetObjects());
        if (drawn > most) most = drawn, bestX = static_cast<float>(x), bestY = static_cast<float>(y);
      }
    StartAt(mud, bestX, bestY, static_cast<double>(state.range(0)));
    state.counters["x"] = bestX;
    state.counters["y"] = bestY;
  });
  if (batches && state.range(0) == 0) g_busiestTriangles = count.triangles;
}
BENCHMARK(FrameInTheBusiestCellOfASyntheticWorld)
    ->ArgNames({"fog", "batches"})
    ->Args({0, 1})
    ->Args({2, 1})
    ->Args({5, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The reference of the busiest view: as many triangles as it draws, as one
// indexed grid of 32-byte vertices that covers the whole frame, textured
// with one of the world's textures as the world's faces are (replace,
// nearest, blended under the alpha test, lit, depth-tested), drawn by one
// glDrawElements from client arrays: the renderer's own triangle rate.
void IndexedGridOfTheBusiestViewsTriangles(benchmark::State& state) {
  if (g_busiestTriangles <= 0) {
    state.SkipWithError("runs after FrameInTheBusiestCellOfASyntheticWorld/fog:0/batches:1, whose triangles it draws");
    return;
  }
  const bench::EglContextClass egl;
  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLMaterialLibrary library;
  bool resized = false;
  TGLLibMaterial* look = library.AddTextureMaterial(
      "grid", LoadTextureBitmap(synthetic_world::SampleWorldFolder() + "textures/townwall.bmp", 256, true, resized));
  look->GetMaterial()->GetFrontProperties()->GetEmission()->SetColor({1, 1, 1, 1});
  look->GetMaterial()->SetBlendingMode(bmTransparency);
  TGLTexture& texture = *look->GetMaterial()->GetTexture();
  texture.SetTextureMode(tmReplace);
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);

  // Cells of two triangles, four columns to three rows; the texture once
  // over eight cells.
  const long cells = (g_busiestTriangles + 1) / 2;
  const int rows = std::max(1, static_cast<int>(std::lround(std::sqrt(cells * 3.0 / 4.0))));
  const int columns = static_cast<int>((cells + rows - 1) / rows);
  struct Vertex {
    float s, t, nx, ny, nz, x, y, z;
  };
  std::vector<Vertex> vertices;
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= columns; ++c)
      vertices.push_back({c / 8.0f, r / 8.0f, 0, 0, 1, -1 + 2.0f * c / columns, -1 + 2.0f * r / rows, 0});
  std::vector<GLuint> indices;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const GLuint a = static_cast<GLuint>(r * (columns + 1) + c), b = a + 1, d = a + static_cast<GLuint>(columns + 1),
                   e = d + 1;
      indices.insert(indices.end(), {a, b, e, a, e, d});
    }
  auto* grid = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  grid->SetOnRender([&](TObject*, TRenderContextInfo& rci) {
    const GLApi& gl = GL();
    // In clip space: the grid is the frame.
    gl.glMatrixMode(GL_PROJECTION);
    gl.glPushMatrix();
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glPushMatrix();
    gl.glLoadIdentity();
    look->Apply(rci);
    gl.glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    gl.glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].s);
    gl.glNormalPointer(GL_FLOAT, sizeof(Vertex), &vertices[0].nx);
    gl.glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &vertices[0].x);
    for (GLenum array : {GL_TEXTURE_COORD_ARRAY, GL_NORMAL_ARRAY, GL_VERTEX_ARRAY}) gl.glEnableClientState(array);
    gl.glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
    gl.glPopClientAttrib();
    look->UnApply(rci);
    gl.glPopMatrix();
    gl.glMatrixMode(GL_PROJECTION);
    gl.glPopMatrix();
    gl.glMatrixMode(GL_MODELVIEW);
  });
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  camera->GetPosition()->SetPoint(0, 0, 5);
  scene.GetObjects()->AddNewChild<TGLLightSource>()->GetPosition()->SetPoint(0, 5, 5);
  buffer.SetCamera(camera);
  bench::CreateFrameBuffer(buffer);
  bench::TimeFrames(state, buffer);
  state.counters["columns"] = columns;
  state.counters["rows"] = rows;
  buffer.DestroyRenderingContext();
}
BENCHMARK(IndexedGridOfTheBusiestViewsTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
