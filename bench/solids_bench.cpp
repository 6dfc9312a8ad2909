// One frame of 1,000 mixed solids (cylinders, cones, annuli, tori, arrows,
// frustums, extrusions, revolution solids, pipes and polygons, a hundred of
// each) at 1024 x 768 on the off-screen EGL context, and the tessellation
// of a 1,000-point contour (its outline, then its filled faces).
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "bench/bench_support.h"
#include "engine/camera.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/annulus.h"
#include "objects/arrow_line.h"
#include "objects/cylinder.h"
#include "objects/extrusion_solid.h"
#include "objects/frustum.h"
#include "objects/pipe.h"
#include "objects/polygon.h"
#include "objects/revolution_solid.h"
#include "objects/tessellation.h"
#include "objects/torus.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

constexpr int kSolids = 1000;

using Maker = std::function<TGLCustomSceneObject*(TGLBaseSceneObject& parent)>;

const Maker kMakers[] = {
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCylinder>(); },
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCone>(); },
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLAnnulus>(); },
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLTorus>(); },
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLArrowLine>(); },
    [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLFrustrum>(); },
    [](TGLBaseSceneObject& p) {
      auto* solid = p.AddNewChild<TGLExtrusionSolid>();
      const float square[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      const float notch[4][2] = {{0.3f, 0}, {0.6f, 0}, {0.6f, 0.8f}, {0.3f, 0.8f}};
      for (const auto& c : square) solid->GetPath(0)->AddNode(c[0], c[1], 0);
      for (const auto& c : notch) solid->GetPath(1)->AddNode(c[0], c[1], 0);
      solid->SetParts({espOutside, espStartPolygon, espStopPolygon});
      solid->SetHeight(0.3f);
      return solid;
    },
    [](TGLBaseSceneObject& p) {
      auto* solid = p.AddNewChild<TGLRevolutionSolid>();
      for (const auto& c : {TAffineVector{0.2f, 0, 0}, {0.2f, 0.5f, 0}, {0.4f, 0.5f, 0}, {0.4f, 0, 0}, {0.2f, 0, 0}})
        solid->AddNode(c);
      return solid;
    },
    [](TGLBaseSceneObject& p) {
      auto* pipe = p.AddNewChild<TGLPipe>();
      for (const auto& c : {TAffineVector{0, 0, 0}, {0.3f, 0.3f, 0}, {0.3f, 0.6f, 0.3f}}) pipe->AddPipeNode(c);
      pipe->SetRadius(0.1f);
      pipe->SetParts({ppOutside, ppStartDisk, ppStopDisk});
      return pipe;
    },
    [](TGLBaseSceneObject& p) {
      auto* polygon = p.AddNewChild<TGLPolygon>();
      for (int i = 0; i < 6; ++i) {
        const double a = i * std::numbers::pi / 3;
        polygon->AddNode({static_cast<float>(0.4 * std::cos(a)), static_cast<float>(0.4 * std::sin(a)), 0});
      }
      return polygon;
    },
};

void FrameOfMixedSolids(benchmark::State& state) {
  RegisterEglContextClass();
  {
    TGL3DScene scene;
    TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 12, 45);
    camera->GetDirection()->SetVector(0, -0.3f, -1);
    TGLBaseSceneObject* objects = scene.GetObjects();
    // A 40 x 25 grid, the kinds taking turns, each lit by its own emission.
    for (int i = 0; i < kSolids; ++i) {
      TGLCustomSceneObject* solid = kMakers[i % std::size(kMakers)](*objects);
      solid->GetPosition()->SetPoint(static_cast<float>(i % 40) - 20, 0, -static_cast<float>(i / 40) * 1.5f);
      TGLColor colour(nullptr, {0.2f + 0.08f * static_cast<float>(i % 10), 0.5f, 0.3f, 1});
      solid->GetMaterial()->GetFrontProperties()->SetEmission(&colour);
    }
    TGL3DSceneBuffer buffer;
    buffer.SetCamera(camera);
    bench::CreateFrameBuffer(buffer);
    bench::TimeFrames(state, buffer);
    buffer.DestroyRenderingContext();
  }
  UnRegisterEglContextClass();
}
BENCHMARK(FrameOfMixedSolids)->Unit(benchmark::kMillisecond)->UseRealTime();

// A star of 1,000 points with a square hole: its outline, then both faces.
void TessellationOfAThousandPointContour(benchmark::State& state) {
  std::vector<ContourPoints> contours(2);
  for (int i = 0; i < 1000; ++i) {
    const double a = 2 * std::numbers::pi * i / 1000;
    const double r = i % 2 == 0 ? 10 : 8;
    contours[0].push_back({static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), 0});
  }
  contours[1] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  std::size_t triangles = 0;
  for (auto _ : state) {
    const std::vector<ContourPoints> outline = TessellateOutline(contours, {0, 0, 1});
    const GeometryBatches faces = TessellateFaces(outline, {0, 0, 1}, {ppTop, ppBottom});
    triangles = 0;
    for (const GeometryBatch& b : faces) triangles += b.Vertices.size();
    benchmark::DoNotOptimize(triangles);
  }
  state.counters["face vertices"] = static_cast<double>(triangles);
}
BENCHMARK(TessellationOfAThousandPointContour)->Unit(benchmark::kMillisecond);

}  // namespace
