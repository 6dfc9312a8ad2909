#include "objects/height_field_geometry.h"

#include <cmath>
#include <limits>

#include "engine/vector_geometry.h"

int SamplingRange::Count(int limit) const {
  if (!(Step > 0) || !(Base <= Max) || limit <= 0) return 0;
  // A first guess from the division, then corrected against the same sum
  // the samples are made with.
  const double guess = std::floor((static_cast<double>(Max) - Base) / Step) + 1;
  int n = guess > limit ? limit : static_cast<int>(guess);
  while (n > 0 && At(n - 1) > Max) --n;
  while (n < limit && At(n) <= Max) ++n;
  return n;
}

void BuiltInHeightFunction(float x, float y, float& z, TVector4f& color, TTexPoint&) {
  const float d = x * x + y * y;
  z = std::cos(12 * d) / ((6.28f * d + 1) * 2);
  color = {0.8f, 0.8f, 0.8f, 1};
}

namespace {
struct Sample {
  TVector4f Color;
  float Z = 0;
  TTexPoint TexPoint;
  TAffineVector Normal;
};

// Normals of `row` from its neighbours in x and from the rows before and
// after it (either may be missing).
void ComputeNormals(std::vector<Sample>& row, const std::vector<Sample>* before, const std::vector<Sample>* after,
                    int n, float invXStep, float invYStep) {
  for (int i = 0; i < n; ++i) {
    float dx = 0, dy = 0;
    if (i > 0) dx += (row[i - 1].Z - row[i].Z) * invXStep;
    if (i < n - 1) dx += (row[i].Z - row[i + 1].Z) * invXStep;
    if (before) dy += ((*before)[i].Z - row[i].Z) * invYStep;
    if (after) dy += (row[i].Z - (*after)[i].Z) * invYStep;
    row[i].Normal = AffineVectorNormalized({dx, dy, 1});
  }
}

HeightFieldVertex Vertex(const Sample& s, float x, float y) {
  return {s.Normal, s.Color, s.TexPoint, {x, y, s.Z, 1}};
}
}  // namespace

std::vector<std::vector<HeightFieldVertex>> BuildHeightFieldStrips(const SamplingRange& x, int xRecords,
                                                                   const SamplingRange& y,
                                                                   const HeightFieldFunction& function) {
  std::vector<std::vector<HeightFieldVertex>> strips;
  const int n = x.Count(xRecords);
  const int rows = y.Count(std::numeric_limits<int>::max());
  if (n == 0 || rows < 2) return strips;
  const float invXStep = 1 / x.Step, invYStep = 1 / y.Step;
  // Three rows in rotation: the row before last, the last and the new one.
  std::vector<Sample> buffers[3];
  for (auto& b : buffers) b.resize(static_cast<std::size_t>(n));
  auto row = [&](int k) -> std::vector<Sample>& { return buffers[k % 3]; };
  auto strip = [&](int k) {
    // Rows k - 1 (lower) and k (upper).
    const float y0 = y.At(k - 1), y1 = y.At(k);
    const std::vector<Sample>& lower = row(k - 1);
    const std::vector<Sample>& upper = row(k);
    std::vector<HeightFieldVertex>& out = strips.emplace_back();
    out.reserve(static_cast<std::size_t>(2 * n));
    out.push_back(Vertex(upper[0], x.At(0), y1));
    for (int i = 0; i + 1 < n; ++i) {
      out.push_back(Vertex(lower[i], x.At(i), y0));
      out.push_back(Vertex(upper[i + 1], x.At(i + 1), y1));
    }
    out.push_back(Vertex(lower[n - 1], x.At(n - 1), y0));
  };
  for (int k = 0; k < rows; ++k) {
    const float yk = y.At(k);
    std::vector<Sample>& fresh = row(k);
    for (int i = 0; i < n; ++i) {
      const float xi = x.At(i);
      Sample& s = fresh[i];
      s = Sample{};
      s.TexPoint = {xi, yk};
      function(xi, yk, s.Z, s.Color, s.TexPoint);
    }
    if (k >= 1) ComputeNormals(row(k - 1), k >= 2 ? &row(k - 2) : nullptr, &fresh, n, invXStep, invYStep);
    if (k >= 2) strip(k - 1);
  }
  ComputeNormals(row(rows - 1), &row(rows - 2), nullptr, n, invXStep, invYStep);
  strip(rows - 1);
  return strips;
}

GeometryBatches BuildXYZGridLines(const XYZGridLayout& layout) {
  GeometryBatches batches;
  constexpr int kUnbounded = std::numeric_limits<int>::max();
  int counts[3];
  for (int a = 0; a < 3; ++a) counts[a] = layout.Axes[a].Count(kUnbounded);
  for (int along = 0; along < 3; ++along) {
    if (!layout.Parts[along]) continue;
    const int u = along == 0 ? 1 : 0;
    const int v = along == 2 ? 1 : 2;
    for (int i = 0; i < counts[u]; ++i)
      for (int j = 0; j < counts[v]; ++j) {
        GeometryBatch& batch = batches.emplace_back();
        batch.Kind = PrimitiveKind::LineStrip;
        auto point = [&](float t) {
          TAffineVector p;
          p[along] = t;
          p[u] = layout.Axes[u].At(i);
          p[v] = layout.Axes[v].At(j);
          return GeometryVertex{{}, {}, p};
        };
        if (layout.Segments) {
          for (int k = 0; k < counts[along]; ++k) batch.Vertices.push_back(point(layout.Axes[along].At(k)));
        } else {
          batch.Vertices.push_back(point(layout.AxisMin[along]));
          batch.Vertices.push_back(point(layout.AxisMax[along]));
        }
      }
  }
  return batches;
}
