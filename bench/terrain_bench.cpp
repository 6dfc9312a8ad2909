// Terrain: tile preparation, variance trees, tessellation plus mesh build per
// frame, the renderer's whole tile walk, and height lookups, on a seeded
// synthetic height picture. The client's case is one 256 x 256 tile from a
// 179 x 179 picture and a pool of 65,536 nodes. The walks and the rendered
// frame follow a camera circling the tile, looking at its centre, so that
// every frame tessellates anew and the frustum culls tiles.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "engine/camera.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/height_data_bitmap.h"
#include "objects/roam_patch.h"
#include "objects/sky_dome.h"
#include "objects/terrain_renderer.h"
#include "objects/terrain_renderer_tiles.h"

namespace {

// Rolling hills with some seeded noise, like a real elevation map.
Picture SyntheticPicture(int size, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-6, 6);
  Bitmap bitmap(size, size, pf8bit);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double v = 128 + 60 * std::sin(x * 0.07) * std::cos(y * 0.05) + 40 * std::sin((x + y) * 0.021);
      bitmap.ScanLine(y)[x] = std::uint8_t(std::clamp(int(v) + noise(random), 0, 255));
    }
  Picture picture;
  picture.SetBitmap(std::move(bitmap));
  return picture;
}

struct ClientSource {
  ClientSource() {
    source.SetInfiniteWrap(false);
    source.SetMaxPoolSize(0);
    source.SetPicture(SyntheticPicture(179, 42));
  }
  TGLBitmapHDS source;
};

void BM_TilePreparation(benchmark::State& state) {
  ClientSource s;
  for (auto _ : state) {
    THeightData* tile = s.source.GetData(0, 0, 257, hvtSmallInt);
    benchmark::DoNotOptimize(tile->SmallIntRaster());
    state.PauseTiming();
    s.source.MarkDirty();
    s.source.CleanUp();
    state.ResumeTiming();
  }
  state.counters["samples"] = 257 * 257;
}
BENCHMARK(BM_TilePreparation)->Unit(benchmark::kMicrosecond);

void BM_ComputeVariance(benchmark::State& state) {
  TGLBitmapHDS source;
  source.SetPicture(SyntheticPicture(256, 7));
  const int patchSize = int(state.range(0));
  THeightData* tile = source.GetData(0, 0, patchSize + 1, hvtSmallInt);
  TGLROAMPatch patch;
  patch.SetHeightData(tile);
  for (auto _ : state) {
    patch.ComputeVariance(1);
    benchmark::DoNotOptimize(patch.GetVarianceCount(0));
  }
  state.counters["tree entries"] = patch.GetVarianceCount(0) + patch.GetVarianceCount(1);
}
BENCHMARK(BM_ComputeVariance)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

// One frame of the client's patch: pool reset, roots, tessellation and the
// mesh built into the shared lists. Arguments: observer height above the
// tile (local units), CLODPrecision, pool nodes. At precision 1 (the
// client's default) the pool runs out whatever the height; at the sample
// world's 10 and at 100 the height decides the detail.
void BM_TessellateAndBuildMesh(benchmark::State& state) {
  ClientSource s;
  THeightData* tile = s.source.GetData(0, 0, 257, hvtSmallInt);
  TGLROAMPatch patch;
  patch.SetHeightData(tile);
  patch.ComputeVariance(int(state.range(1)));
  TAffineVectorList vertices;
  TIntegerList indices;
  TTexPointList texPoints;
  vertices.AdjustCapacityToAtLeast(2 * 257 * 257);
  texPoints.AdjustCapacityToAtLeast(2 * 257 * 257);
  const int pool = int(state.range(2));
  for (auto _ : state) {
    SetTrianglePoolCapacity(pool);
    patch.ResetTessellation();
    patch.SetObserverPosition(TAffineVector{100, 60, float(state.range(0))});
    patch.Tesselate();
    patch.BuildMesh(vertices, indices, texPoints);
    benchmark::DoNotOptimize(indices.List());
  }
  state.counters["triangles"] = patch.GetTriangleCount();
  state.counters["vertices"] = vertices.GetCount();
  state.counters["pool nodes used"] = GetTrianglePoolUsed();
}
BENCHMARK(BM_TessellateAndBuildMesh)
    ->Args({100, 1, 65536})
    ->Args({100, 1, 16384})
    ->ArgsProduct({{10, 100, 1000}, {10, 100}, {65536}})
    ->Unit(benchmark::kMillisecond);

// The renderer's whole walk for the client's case (meshes built, no GL): the
// tiles within the far range around a camera circling the tile 20 units
// above it, culled against that camera's frustum (60 degrees, the goal's
// aspect), one tile with data. Argument: far range.
void BM_TerrainFrameWalk(benchmark::State& state) {
  ClientSource s;
  TTerrainTiles tiles;
  tiles.SetTileSize(256);
  tiles.SetSource(&s.source);
  TAffineVectorList vertices;
  TIntegerList indices;
  TTexPointList texPoints;
  const float farRange = float(state.range(0));
  int triangles = 0, drawn = 0, visited = 0;
  long step = 0;
  for (auto _ : state) {
    TTerrainFrame frame;
    frame.Eye = bench::OnCircle(128, 128, 150, 20, step++, 360);
    const TAffineVector centre{128, 128, 0};
    frame.Clipping.origin = TVector4f{frame.Eye[0], frame.Eye[1], frame.Eye[2], 1};
    frame.Clipping.frustum = bench::FrustumLookingAt(frame.Eye, centre, TAffineVector{0, 0, 1}, 60, 0.1f, farRange);
    frame.Clipping.farClippingDistance = farRange;
    frame.CLODPrecision = 1;
    frame.RenderPatch = [&](TGLROAMPatch& patch) {
      patch.BuildMesh(vertices, indices, texPoints);
      ++drawn;
    };
    std::vector<THeightData*> seen;
    frame.PostRenderTiles = &seen;
    triangles = tiles.BuildFrame(frame);
    visited = int(seen.size());
  }
  state.counters["triangles"] = triangles;
  state.counters["patches drawn"] = double(drawn) / double(state.iterations());
  state.counters["tiles in view"] = visited;
  state.counters["tiles in use"] = tiles.TilesInUse();
}
BENCHMARK(BM_TerrainFrameWalk)->Arg(600)->Arg(2000)->Unit(benchmark::kMillisecond);

// Ground heights as the client asks them (four per placed cell), with the
// empty far tiles of a walk in the cache. Argument: far range of the walk.
void BM_InterpolatedHeight(benchmark::State& state) {
  ClientSource s;
  TTerrainTiles tiles;
  tiles.SetTileSize(256);
  tiles.SetSource(&s.source);
  TTerrainFrame frame;
  frame.Eye = TAffineVector{100, 60, 20};
  const TVector4f all{0, 0, 0, 1};
  frame.Clipping.frustum = {all, all, all, all, all, all};
  frame.Clipping.farClippingDistance = float(state.range(0));
  tiles.BuildFrame(frame);
  std::mt19937 random(1);
  std::uniform_real_distribution<float> where(0, 256);
  for (auto _ : state) benchmark::DoNotOptimize(s.source.InterpolatedHeight(where(random), where(random), 257));
  state.counters["tiles cached"] = s.source.TileCount();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InterpolatedHeight)->Arg(600)->Arg(4000);

// Tiles crossing: small wrapped tiles, a camera moving across tile edges,
// pool size 0 against a large pool. Arguments: TileSize, MaxPoolSize.
void BM_TileChurn(benchmark::State& state) {
  TGLBitmapHDS source;
  source.SetPicture(SyntheticPicture(128, 3));
  source.SetMaxPoolSize(int(state.range(1)));
  TTerrainTiles tiles;
  tiles.SetTileSize(int(state.range(0)));
  tiles.SetSource(&source);
  TAffineVectorList vertices;
  TIntegerList indices;
  TTexPointList texPoints;
  float x = 0;
  for (auto _ : state) {
    TTerrainFrame frame;
    frame.Eye = TAffineVector{x, 40, 5};
    x += 3.7f;
    const TVector4f all{0, 0, 0, 1};
    frame.Clipping.frustum = {all, all, all, all, all, all};
    frame.Clipping.farClippingDistance = 100;
    frame.CLODPrecision = 10;
    frame.RenderPatch = [&](TGLROAMPatch& patch) { patch.BuildMesh(vertices, indices, texPoints); };
    tiles.BuildFrame(frame);
  }
  state.counters["tiles cached"] = source.TileCount();
}
BENCHMARK(BM_TileChurn)->ArgsProduct({{16, 32}, {0, 1 << 26}})->Unit(benchmark::kMillisecond);

// One rendered frame of terrain and sky at 1024 x 768 on the off-screen
// context (Mesa's software renderer here), waited for: the client's terrain
// (one 256 x 256 tile from the 179-pixel picture, precision 1, 65,536 pool
// nodes) under a twinkling six-band dome with 300 stars, seen by a camera
// circling the tile 60 units above it. Argument: QualityDistance (0: ROAM
// only; larger: the tile at full resolution from its display list).
void BM_TerrainAndSkyFrame(benchmark::State& state) {
  bench::EglContextClass egl;
  {
    ClientSource s;
    TGL3DScene scene;
    TGL3DSceneBuffer buffer;
    auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetUp()->SetVector(0, 0, 1);
    camera->SetDepthOfView(600);
    auto* sky = scene.GetObjects()->AddNewChild<TGLSkyDome>();
    sky->GetBands()->Clear();
    for (int i = 0; i < 6; ++i) {
      TSkyDomeBand* band = sky->GetBands()->Add();
      band->SetStopAngle(float(-90 + (i + 1) * 30));
      band->SetStartAngle(float(-90 + i * 30));
      band->SetStacks(i == 5 ? 4 : 1);
    }
    sky->GetStars()->AddRandomStars(300, 0xFFFFFF, true);
    sky->SetOptions(sdoTwinkle);
    auto* terrain = scene.GetObjects()->AddNewChild<TGLTerrainRenderer>();
    terrain->SetTileSize(256);
    terrain->SetCLODPrecision(1);
    terrain->SetQualityDistance(float(state.range(0)));
    terrain->GetScale()->SetVector(1, 1, 0.25f);
    terrain->SetHeightDataSource(&s.source);
    buffer.SetCamera(camera);
    bench::CreateFrameBuffer(buffer);
    long step = 0;
    auto moveCamera = [&] {
      const TAffineVector eye = bench::OnCircle(128, 128, 150, 60, step++, 360);
      camera->GetPosition()->SetPoint(eye[0], eye[1], eye[2]);
      camera->GetDirection()->SetVector(128 - eye[0], 128 - eye[1], -eye[2]);
    };
    moveCamera();
    bench::RenderFrame(buffer);  // first frame: tile, variances, lists
    long triangles = 0;
    for (auto _ : state) {
      moveCamera();
      bench::RenderFrame(buffer);
      triangles += terrain->GetTriangleCount();
    }
    state.counters["triangles"] = double(triangles) / double(state.iterations());
    bench::LabelWithRenderer(state, buffer);
    buffer.DestroyRenderingContext();
  }
}
BENCHMARK(BM_TerrainAndSkyFrame)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
