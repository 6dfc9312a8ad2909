// One frame of a scene of N simple objects at 1024 x 768 on the off-screen
// EGL context, waiting for the renderer, so that the cost of the scene graph
// itself (matrices, sorting, the per-object calls) is known before the world
// is built on it. Items per second are nodes per second. Objects that draw
// nothing show the graph's own cost; objects with a compiled quad show it
// together with drawing.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_support.h"
#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/light_source.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"

namespace {

struct BenchScene {
  bench::EglContextClass egl;
  TGL3DScene scene;
  TGL3DSceneBuffer buffer;

  BenchScene(int n, bool draw, TGLObjectsSorting sorting) {
    auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 60);
    camera->SetDepthOfView(200);
    scene.GetObjects()->AddNewChild<TGLLightSource>()->GetPosition()->SetPoint(0, 50, 50);
    scene.SetObjectsSorting(sorting);
    const int side = 100;
    for (int i = 0; i < n; ++i) {
      auto* o = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
      o->GetPosition()->SetPoint(static_cast<float>(i % side) - side / 2, static_cast<float>(i / side % side) - side / 2,
                                 -static_cast<float>(i / (side * side)));
      if (draw) {
        o->SetUseBuildList(true);
        o->SetOnRender([](TObject*, TRenderContextInfo&) {
          const GLApi& gl = GL();
          gl.glBegin(GL_QUADS);
          gl.glNormal3f(0, 0, 1);
          gl.glVertex3f(-0.4f, -0.4f, 0);
          gl.glVertex3f(0.4f, -0.4f, 0);
          gl.glVertex3f(0.4f, 0.4f, 0);
          gl.glVertex3f(-0.4f, 0.4f, 0);
          gl.glEnd();
        });
      }
    }
    buffer.SetCamera(camera);
    bench::CreateFrameBuffer(buffer);
  }
  ~BenchScene() { buffer.DestroyRenderingContext(); }
};

void Frame(benchmark::State& state, bool draw, TGLObjectsSorting sorting) {
  const int n = static_cast<int>(state.range(0));
  BenchScene bench(n, draw, sorting);
  bench::RenderFrame(bench.buffer);  // compiles the lists
  for (auto _ : state) bench::RenderFrame(bench.buffer);
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["nodes"] = n;
}

void FrameOfEmptyNodes(benchmark::State& state) { Frame(state, false, osNone); }
void FrameOfQuads(benchmark::State& state) { Frame(state, true, osNone); }
void FrameOfQuadsSortedFarthestFirst(benchmark::State& state) { Frame(state, true, osRenderFarthestFirst); }

BENCHMARK(FrameOfEmptyNodes)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FrameOfQuads)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FrameOfQuadsSortedFarthestFirst)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
