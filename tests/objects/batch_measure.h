#pragma once
// Measures of generated geometry for the solid tests: the triangles GL
// would make of the batches (with GL's winding), the area they show along
// a direction, the volume a closed surface encloses, whether each
// triangle's winding agrees with its vertex normals, and where a ray meets
// the drawn triangles.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "engine/vector_geometry.h"
#include "objects/geometry_batch.h"

struct MeasuredTriangle {
  GeometryVertex a, b, c;
  // Unnormalised: twice the area, along the front side.
  TAffineVector Winding() const {
    return AffineVectorCross(AffineVectorSubtract(b.Position, a.Position), AffineVectorSubtract(c.Position, a.Position));
  }
};

inline std::vector<MeasuredTriangle> TrianglesOf(const GeometryBatches& batches) {
  std::vector<MeasuredTriangle> out;
  for (const GeometryBatch& batch : batches) {
    const auto& v = batch.Vertices;
    const std::size_t n = v.size();
    switch (batch.Kind) {
      case PrimitiveKind::Triangles:
        for (std::size_t i = 0; i + 2 < n; i += 3) out.push_back({v[i], v[i + 1], v[i + 2]});
        break;
      case PrimitiveKind::TriangleStrip:
        for (std::size_t i = 0; i + 2 < n; ++i)
          out.push_back(i % 2 == 0 ? MeasuredTriangle{v[i], v[i + 1], v[i + 2]} : MeasuredTriangle{v[i + 1], v[i], v[i + 2]});
        break;
      case PrimitiveKind::TriangleFan:
        for (std::size_t i = 1; i + 1 < n; ++i) out.push_back({v[0], v[i], v[i + 1]});
        break;
      case PrimitiveKind::Quads:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
          out.push_back({v[i], v[i + 1], v[i + 2]});
          out.push_back({v[i], v[i + 2], v[i + 3]});
        }
        break;
      case PrimitiveKind::QuadStrip:
        for (std::size_t i = 0; i + 3 < n; i += 2) {
          out.push_back({v[i], v[i + 1], v[i + 3]});
          out.push_back({v[i], v[i + 3], v[i + 2]});
        }
        break;
      default:
        break;
    }
  }
  return out;
}

// Sum of the triangles' areas, each counted positive when its front faces
// along `direction` (a unit vector) and negative when it faces away.
inline double FacingArea(const GeometryBatches& batches, const TAffineVector& direction) {
  double area = 0;
  for (const MeasuredTriangle& t : TrianglesOf(batches)) area += 0.5 * AffineVectorDot(t.Winding(), direction);
  return area;
}

inline double TotalArea(const GeometryBatches& batches) {
  double area = 0;
  for (const MeasuredTriangle& t : TrianglesOf(batches)) area += 0.5 * VectorLength(t.Winding());
  return area;
}

// The volume a closed surface encloses, positive when its triangles face
// out (the divergence theorem over the fronts).
inline double EnclosedVolume(const GeometryBatches& batches) {
  double volume = 0;
  for (const MeasuredTriangle& t : TrianglesOf(batches)) {
    const TAffineVector& a = t.a.Position;
    const TAffineVector bc = AffineVectorCross(t.b.Position, t.c.Position);
    volume += (static_cast<double>(a[0]) * bc[0] + static_cast<double>(a[1]) * bc[1] + static_cast<double>(a[2]) * bc[2]) / 6.0;
  }
  return volume;
}

// Triangles (of non-zero area) whose front disagrees with the normal of
// one of their vertices.
inline int NormalsAgainstWinding(const GeometryBatches& batches) {
  int against = 0;
  for (const MeasuredTriangle& t : TrianglesOf(batches)) {
    const TAffineVector w = t.Winding();
    if (VectorLength(w) < 1e-9f) continue;
    for (const GeometryVertex* v : {&t.a, &t.b, &t.c})
      if (AffineVectorDot(w, v->Normal) <= 0) {
        ++against;
        break;
      }
  }
  return against;
}

inline int TriangleCount(const GeometryBatches& batches) { return static_cast<int>(TrianglesOf(batches).size()); }

inline int VertexCount(const GeometryBatches& batches) {
  int n = 0;
  for (const GeometryBatch& b : batches) n += static_cast<int>(b.Vertices.size());
  return n;
}

// Where the ray start + t direction meets the triangle (either face), as t
// >= 0; none when it passes by or runs in its plane.
inline std::optional<double> RayTriangleHit(const TAffineVector& start, const TAffineVector& direction,
                                            const MeasuredTriangle& t) {
  auto sub = [](const TAffineVector& a, const TAffineVector& b) {
    return std::array<double, 3>{static_cast<double>(a[0]) - b[0], static_cast<double>(a[1]) - b[1],
                                 static_cast<double>(a[2]) - b[2]};
  };
  auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  };
  auto dot = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  };
  const std::array<double, 3> d{direction[0], direction[1], direction[2]};
  const auto e1 = sub(t.b.Position, t.a.Position), e2 = sub(t.c.Position, t.a.Position);
  const auto h = cross(d, e2);
  const double det = dot(e1, h);
  if (std::fabs(det) < 1e-18) return std::nullopt;
  const auto s = sub(start, t.a.Position);
  const double u = dot(s, h) / det;
  if (u < 0 || u > 1) return std::nullopt;
  const auto q = cross(s, e1);
  const double v = dot(d, q) / det;
  if (v < 0 || u + v > 1) return std::nullopt;
  const double along = dot(e2, q) / det;
  if (along < 0) return std::nullopt;
  return along;
}

// The nearest t >= 0 at which the ray meets any of the triangles.
inline std::optional<double> RayTrianglesHit(const TAffineVector& start, const TAffineVector& direction,
                                             const std::vector<MeasuredTriangle>& triangles) {
  std::optional<double> nearest;
  for (const MeasuredTriangle& t : triangles) {
    const std::optional<double> along = RayTriangleHit(start, direction, t);
    if (along && (!nearest || *along < *nearest)) nearest = along;
  }
  return nearest;
}

// How far the point is from the nearest of the triangles (their insides
// and edges).
inline double DistanceToTriangles(const TAffineVector& point, const std::vector<MeasuredTriangle>& triangles) {
  auto distanceToSegment = [&](const TAffineVector& a, const TAffineVector& b) {
    const TAffineVector ab = AffineVectorSubtract(b, a), ap = AffineVectorSubtract(point, a);
    const float length2 = AffineVectorDot(ab, ab);
    const float k = length2 > 0 ? std::clamp(AffineVectorDot(ap, ab) / length2, 0.0f, 1.0f) : 0.0f;
    return static_cast<double>(VectorLength(AffineVectorSubtract(ap, VectorScale(ab, k))));
  };
  double nearest = INFINITY;
  for (const MeasuredTriangle& t : triangles) {
    const TAffineVector& a = t.a.Position;
    const TAffineVector& b = t.b.Position;
    const TAffineVector& c = t.c.Position;
    nearest = std::min({nearest, distanceToSegment(a, b), distanceToSegment(b, c), distanceToSegment(c, a)});
    // The foot of the perpendicular, when it lies inside.
    TAffineVector n = t.Winding();
    const float length = VectorLength(n);
    if (!(length > 0)) continue;
    n = VectorScale(n, 1 / length);
    const float height = AffineVectorDot(AffineVectorSubtract(point, a), n);
    const TAffineVector foot = AffineVectorSubtract(point, VectorScale(n, height));
    auto side = [&](const TAffineVector& p, const TAffineVector& q) {
      return AffineVectorDot(AffineVectorCross(AffineVectorSubtract(q, p), AffineVectorSubtract(foot, p)), n) >= 0;
    };
    if (side(a, b) && side(b, c) && side(c, a)) nearest = std::min(nearest, static_cast<double>(std::fabs(height)));
  }
  return nearest;
}
