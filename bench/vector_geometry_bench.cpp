// The engine's hot vector and matrix routines, to see whether the math is
// what bounds a frame.

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "engine/vector_lists.h"

namespace {
TMatrix SampleMatrix() {
  TMatrix m = MatrixMultiply(CreateRotationMatrix(TAffineVector{1, 2, 3}, 0.7f), CreateScaleMatrix({2, 2, 2}));
  return MatrixMultiply(m, CreateTranslationMatrix({5, -6, 7}));
}

std::vector<TAffineVector> Points(int n) {
  std::vector<TAffineVector> points(n);
  for (int i = 0; i < n; ++i) points[i] = {float(i % 97), float(i % 89) * 0.5f, float(i % 83) - 40.0f};
  return points;
}
}  // namespace

static void BM_TransformMillionPoints(benchmark::State& state) {
  const TMatrix m = SampleMatrix();
  const std::vector<TAffineVector> points = Points(1000000);
  std::vector<TAffineVector> out(points.size());
  for (auto _ : state) {
    for (size_t i = 0; i < points.size(); ++i) out[i] = AffineVectorTransform(points[i], m);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_TransformMillionPoints)->Unit(benchmark::kMillisecond);

static void BM_VectorTransform(benchmark::State& state) {
  const TMatrix m = SampleMatrix();
  TVector4f v{1, 2, 3, 1};
  for (auto _ : state) {
    v = VectorTransform(v, m);
    v[3] = 1;
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_VectorTransform);

static void BM_MatrixMultiply(benchmark::State& state) {
  TMatrix a = SampleMatrix(), b = MatrixInvert(SampleMatrix());
  TMatrix r;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);  // not hoisted out of the loop
    MatrixMultiply(a, b, r);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_MatrixMultiply);

// The product into one of its own operands, through a temporary.
static void BM_MatrixMultiplyInPlace(benchmark::State& state) {
  const TMatrix a = SampleMatrix(), start = MatrixInvert(SampleMatrix());
  TMatrix r;
  for (auto _ : state) {
    r = start;
    benchmark::DoNotOptimize(r);
    MatrixMultiplyViaTemp(r, a, r);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_MatrixMultiplyInPlace);

static void BM_InvertMatrix(benchmark::State& state) {
  const TMatrix a = SampleMatrix();
  for (auto _ : state) {
    TMatrix m = a;
    InvertMatrix(m);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_InvertMatrix);

static void BM_NormalizeMillionVectors(benchmark::State& state) {
  TAffineVectorList list;
  list.AdjustCapacityToAtLeast(1000000);
  for (const TAffineVector& p : Points(1000000)) list.Add(VectorAdd(p, XYZVector));
  for (auto _ : state) {
    state.PauseTiming();
    list.Scale(3.0f);  // unit vectors again would make the pass trivial
    state.ResumeTiming();
    list.Normalize();
    benchmark::DoNotOptimize(list.List());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(list.GetCount()));
}
BENCHMARK(BM_NormalizeMillionVectors)->Unit(benchmark::kMillisecond);

// A million Add calls into an empty list, as a mesh or terrain batch is built
// (goal: within 20 ms); the same into a std::vector for scale.
static void BM_AffineVectorListAddMillion(benchmark::State& state) {
  const std::vector<TAffineVector> points = Points(1000000);
  for (auto _ : state) {
    TAffineVectorList list;
    for (const TAffineVector& p : points) list.Add(p);
    benchmark::DoNotOptimize(list.List());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_AffineVectorListAddMillion)->Unit(benchmark::kMillisecond);

static void BM_StdVectorPushBackMillion(benchmark::State& state) {
  const std::vector<TAffineVector> points = Points(1000000);
  for (auto _ : state) {
    std::vector<TAffineVector> list;
    for (const TAffineVector& p : points) list.push_back(p);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_StdVectorPushBackMillion)->Unit(benchmark::kMillisecond);

static void BM_NormalizeOne(benchmark::State& state) {
  TAffineVector v{3, 4, 5};
  for (auto _ : state) {
    v = AffineVectorNormalized(VectorScale(v, 2.0f));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_NormalizeOne);
