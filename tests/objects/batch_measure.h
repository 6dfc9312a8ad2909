#pragma once
// Measures of generated geometry for the solid tests: the triangles GL
// would make of the batches (with GL's winding), the area they show along
// a direction, the volume a closed surface encloses, and whether each
// triangle's winding agrees with its vertex normals.

#include <cmath>
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
