// One frame of a scene of 1,000 textured cubes and 1,000 sprites at
// 1024 x 768 on the off-screen EGL context (Mesa's software renderer),
// waiting for the renderer, reported as objects drawn per second. The cubes and sprites share one library texture, as
// the world's objects do.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "bench/bench_support.h"
#include "engine/camera.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/cube.h"
#include "objects/sprite.h"

namespace {

constexpr int kCubes = 1000;
constexpr int kSprites = 1000;

Bitmap Checker() {
  Bitmap bitmap(64, 64, pf24bit);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + x * 3;
      const std::uint8_t v = ((x / 8 + y / 8) % 2) ? 230 : 40;
      p[0] = v;
      p[1] = static_cast<std::uint8_t>(v / 2);
      p[2] = 200;
    }
  return bitmap;
}

void FrameOfCubesAndSprites(benchmark::State& state) {
  bench::EglContextClass egl;
  {
    TGLMaterialLibrary library;
    library.AddTextureMaterial("wall", Checker());
    TGL3DScene scene;
    TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 10, 60);
    TGLBaseSceneObject* objects = scene.GetObjects();
    // A 40 x 25 grid of each, cubes on the ground and sprites above them.
    for (int i = 0; i < kCubes; ++i) {
      auto* cube = objects->AddNewChild<TGLCube>();
      cube->GetPosition()->SetPoint(static_cast<float>(i % 40) - 20, 0, -static_cast<float>(i / 40) * 2);
      cube->GetMaterial()->SetMaterialLibrary(&library);
      cube->GetMaterial()->SetLibMaterialName("wall");
    }
    for (int i = 0; i < kSprites; ++i) {
      auto* sprite = objects->AddNewChild<TGLSprite>();
      sprite->GetPosition()->SetPoint(static_cast<float>(i % 40) - 20, 1.5f, -static_cast<float>(i / 40) * 2);
      sprite->SetRotation(static_cast<float>(i % 360));
      sprite->GetMaterial()->SetMaterialLibrary(&library);
      sprite->GetMaterial()->SetLibMaterialName("wall");
    }
    TGL3DSceneBuffer buffer;
    buffer.SetCamera(camera);
    bench::CreateFrameBuffer(buffer);
    bench::TimeFrames(state, buffer);
    state.counters["objects/s"] =
        benchmark::Counter(static_cast<double>(kCubes + kSprites), benchmark::Counter::kIsIterationInvariantRate);
    bench::LabelWithRenderer(state, buffer);
    buffer.DestroyRenderingContext();
    library.DestroyHandles();
  }
}
BENCHMARK(FrameOfCubesAndSprites)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
