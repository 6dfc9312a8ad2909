// Costs of the rendering context on the off-screen EGL context: nested
// activations (meant to be free), switching between two contexts, and
// immediate-mode calls through the engine's function table.
#include <benchmark/benchmark.h>

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

void ImmediateQuadsThroughTheTable(benchmark::State& state) {
  EglPbufferContext context;
  context.CreateMemoryContext(0, 64, 64, 1);
  context.Activate();
  const GLApi& gl = GL();
  for (auto _ : state) {
    gl.glBegin(GL_QUADS);
    for (int i = 0; i < 100; ++i) {
      gl.glVertex3f(-1, -1, 0);
      gl.glVertex3f(1, -1, 0);
      gl.glVertex3f(1, 1, 0);
      gl.glVertex3f(-1, 1, 0);
    }
    gl.glEnd();
  }
  GL().glFinish();
  context.Deactivate();
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(ImmediateQuadsThroughTheTable);

}  // namespace
