#pragma once
// The timed loop of the frame benchmarks: a first frame (textures
// uploaded, lists compiled) drawn untimed with its glBegin calls counted,
// so that the figure is known to come from a frame that drew everything;
// then frames timed as drawn, each waiting for the renderer.

#include <benchmark/benchmark.h>

#include "engine/gl_api.h"
#include "engine/gl_recorder.h"
#include "engine/scene_buffer.h"

inline void TimeFrames(benchmark::State& state, TGL3DSceneBuffer& buffer) {
  int begins = 0;
  {
    GLCallRecorder calls;
    buffer.Render();
    begins = calls.Count("glBegin");
  }
  for (auto _ : state) {
    buffer.Render();
    buffer.GetRenderingContext()->Activate();
    GL().glFinish();
    buffer.GetRenderingContext()->Deactivate();
  }
  state.counters["glBegin/frame"] = begins;
}
