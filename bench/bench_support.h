#pragma once
// What every benchmark that renders shares: the off-screen EGL context class
// registered for the benchmark's lifetime, the frame size of the goals
// (1024 x 768), a frame that waits for the renderer (glFinish) so that it
// is timed as drawn and not only as submitted, and the renderer's name as
// the benchmark's label.
//
// The model for a benchmark here: build the scene before the timed loop,
// render one frame untimed (lists, textures, variance trees), then time
// Render + Finish per iteration; report what the frame held as counters.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/gl_recorder.h"
#include "engine/matrix_geometry.h"
#include "engine/plane_geometry.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "engine/vector_types.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace bench {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;

// Registers the EGL context class while it lives; make it before the scene
// buffer and let it go after.
struct EglContextClass {
  EglContextClass() { RegisterEglContextClass(); }
  ~EglContextClass() { UnRegisterEglContextClass(); }
  EglContextClass(const EglContextClass&) = delete;
  EglContextClass& operator=(const EglContextClass&) = delete;
};

// Waits until the buffer's context has drawn everything sent to it.
inline void Finish(TGL3DSceneBuffer& buffer) {
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  GL().glFinish();
  context->Deactivate();
}

// One frame as the user sees it: rendered and drawn.
inline void RenderFrame(TGL3DSceneBuffer& buffer) {
  buffer.Render();
  Finish(buffer);
}

// The triangles a recorded frame drew: vertices between glBegin and glEnd
// by primitive, array draws, and a display list's triangles at each call of
// it (lists are compiled in the frame that first draws them). What GLU
// draws itself (quadrics: spheres, disks) does not pass the table and is
// not counted.
inline long TrianglesDrawn(const std::vector<GLCall>& calls) {
  auto triangles = [](double mode, long n) -> long {
    switch (static_cast<GLenum>(mode)) {
      case GL_TRIANGLES: return n / 3;
      case GL_TRIANGLE_STRIP:
      case GL_TRIANGLE_FAN:
      case GL_POLYGON: return std::max(0L, n - 2);
      case GL_QUADS: return n / 4 * 2;
      case GL_QUAD_STRIP: return std::max(0L, n - 2) / 2 * 2;
      default: return 0;
    }
  };
  std::map<double, long> lists;
  double compiling = -1, mode = 0;
  bool executing = true;
  long vertices = 0, total = 0;
  auto add = [&](long n) {
    if (compiling >= 0) lists[compiling] += n;
    if (compiling < 0 || executing) total += n;
  };
  for (const GLCall& call : calls) {
    const std::string& name = call.Name;
    if (name == "glNewList") {
      compiling = call.Args[0];
      lists[compiling] = 0;
      executing = call.Args[1] == GL_COMPILE_AND_EXECUTE;
    } else if (name == "glEndList") {
      compiling = -1;
    } else if (name == "glBegin") {
      mode = call.Args[0];
      vertices = 0;
    } else if (name.starts_with("glVertex") || name == "glArrayElement") {
      ++vertices;
    } else if (name == "glEnd") {
      add(triangles(mode, vertices));
    } else if (name == "glDrawArrays") {
      add(triangles(call.Args[0], static_cast<long>(call.Args[2])));
    } else if (name == "glDrawElements") {
      add(triangles(call.Args[0], static_cast<long>(call.Args[1])));
    } else if (name == "glCallList") {
      if (auto list = lists.find(call.Args[0]); list != lists.end()) add(list->second);
    }
  }
  return total;
}

// What a frame drew: its triangles and its draw calls (glBegin,
// glDrawArrays, glDrawElements and glCallList together).
struct FrameCount {
  long triangles = 0;
  int draws = 0;
};

// The timed loop of a still frame: a first frame (textures uploaded, lists
// and batches made) drawn untimed with its triangles counted (a list's at
// each call, so the frame that compiles them), then a second, steady one
// with its draw calls counted, so that the figure is known to come from a
// frame that drew everything; then frames timed as drawn.
inline FrameCount TimeFrames(benchmark::State& state, TGL3DSceneBuffer& buffer) {
  FrameCount count;
  {
    GLCallRecorder calls;
    RenderFrame(buffer);
    count.triangles = TrianglesDrawn(calls.Calls());
  }
  {
    GLCallRecorder calls;
    RenderFrame(buffer);
    count.draws = calls.Count("glBegin") + calls.Count("glDrawArrays") + calls.Count("glDrawElements") +
                  calls.Count("glCallList");
  }
  for (auto _ : state) RenderFrame(buffer);
  state.counters["draws/frame"] = count.draws;
  state.counters["triangles/frame"] = static_cast<double>(count.triangles);
  return count;
}

// A buffer of the goal's frame size with its context.
inline void CreateFrameBuffer(TGL3DSceneBuffer& buffer) {
  buffer.Resize(kFrameWidth, kFrameHeight);
  buffer.CreateRenderingContext(0, true);
}

// Names the renderer (Mesa's llvmpipe here) in the benchmark's label.
inline void LabelWithRenderer(benchmark::State& state, TGL3DSceneBuffer& buffer) {
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  const auto* name = reinterpret_cast<const char*>(GL().glGetString(GL_RENDERER));
  state.SetLabel(name ? name : "?");
  context->Deactivate();
}

// A point on a circle of `radius` around (cx, cy) at `height`, `step` of
// `steps` round it: the moving camera of the frame benchmarks.
inline TAffineVector OnCircle(float cx, float cy, float radius, float height, long step, int steps) {
  const double a = 2 * 3.14159265358979 * double(step % steps) / steps;
  return {cx + radius * float(std::cos(a)), cy + radius * float(std::sin(a)), height};
}

// The six planes of a camera at `eye` looking at `target` (up `up`), with a
// vertical field of view of `fovY` degrees and the goal's aspect ratio:
// what a walk without GL culls against, as the scene buffer would give it.
inline TFrustum FrustumLookingAt(const TAffineVector& eye, const TAffineVector& target, const TAffineVector& up,
                                 float fovY, float nearPlane, float farPlane) {
  const TAffineVector f = AffineVectorNormalized(AffineVectorSubtract(target, eye));
  const TAffineVector s = AffineVectorNormalized(AffineVectorCross(f, up));
  const TAffineVector u = AffineVectorCross(s, f);
  // Row vectors, as the engine keeps its matrices (translation in row 3).
  const TMatrix view({s[0], u[0], -f[0], 0}, {s[1], u[1], -f[1], 0}, {s[2], u[2], -f[2], 0},
                     {-AffineVectorDot(s, eye), -AffineVectorDot(u, eye), AffineVectorDot(f, eye), 1});
  const float c = 1.0f / std::tan(fovY * 3.14159265f / 360.0f);
  const float aspect = float(kFrameWidth) / kFrameHeight;
  const float a = (farPlane + nearPlane) / (nearPlane - farPlane);
  const float b = 2 * farPlane * nearPlane / (nearPlane - farPlane);
  const TMatrix projection({c / aspect, 0, 0, 0}, {0, c, 0, 0}, {0, 0, a, -1}, {0, 0, b, 0});
  return ExtractFrustum(MatrixMultiply(view, projection));
}

}  // namespace bench
