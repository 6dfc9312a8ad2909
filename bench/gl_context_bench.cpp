// Costs of the rendering context on the off-screen EGL context: nested
// activations (meant to be free), switching between two contexts, and
// immediate-mode calls through the engine's function table, waited for.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

void NestedActivation(benchmark::State& state) {
  EglPbufferContext context;
  context.CreateMemoryContext(0, 16, 16, 1);
  context.Activate();
  for (auto _ : state) {
    context.Activate();
    context.Deactivate();
  }
  context.Deactivate();
}
BENCHMARK(NestedActivation);

void SwitchBetweenTwoContexts(benchmark::State& state) {
  EglPbufferContext first, second;
  first.CreateMemoryContext(0, 16, 16, 1);
  second.CreateMemoryContext(0, 16, 16, 1, &first);
  first.Activate();
  for (auto _ : state) {
    second.Activate();
    second.Deactivate();
  }
  first.Deactivate();
}
BENCHMARK(SwitchBetweenTwoContexts);

// 100 quads of a few pixels each on a 1024 x 768 surface, drawn before the
// next batch: the calls' cost, with little fill.
void ImmediateQuadsThroughTheTable(benchmark::State& state) {
  EglPbufferContext context;
  context.CreateMemoryContext(0, bench::kFrameWidth, bench::kFrameHeight, 1);
  context.Activate();
  const GLApi& gl = GL();
  const float d = 4.0f / bench::kFrameWidth;
  for (auto _ : state) {
    gl.glBegin(GL_QUADS);
    for (int i = 0; i < 100; ++i) {
      const float x = -1.0f + 0.019f * float(i);
      gl.glVertex3f(x, -d, 0);
      gl.glVertex3f(x + d, -d, 0);
      gl.glVertex3f(x + d, d, 0);
      gl.glVertex3f(x, d, 0);
    }
    gl.glEnd();
    gl.glFinish();
  }
  context.Deactivate();
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(ImmediateQuadsThroughTheTable)->UseRealTime();

}  // namespace
