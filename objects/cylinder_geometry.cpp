#include "objects/cylinder_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "objects/polynomials.h"

namespace {

// The quadric frame turned onto y after moving it along its z by `dz`.
TMatrix Placed(float dz) { return MatrixMultiply(CreateTranslationMatrix({0, 0, dz}), QuadricZToY()); }

}  // namespace

GeometryBatches BuildConeGeometry(const ConeShape& shape, const QuadricStyle& style) {
  const CylinderBaseShape& b = shape.Base;
  GeometryBatches batches;
  if (shape.Parts.Contains(coSides)) batches = QuadricCylinder(style, b.BottomRadius, 0, b.Height, b.Slices, b.Stacks);
  if (shape.Parts.Contains(coBottom))
    AppendBatches(batches, QuadricDisk(style.Inverted(), 0, b.BottomRadius, b.Slices, b.Loops));
  TransformBatches(batches, Placed(-b.Height / 2));
  return batches;
}

GeometryBatches BuildCylinderGeometry(const CylinderShape& shape, const QuadricStyle& style) {
  const CylinderBaseShape& b = shape.Base;
  GeometryBatches batches;
  if (shape.Parts.Contains(cySides))
    batches = QuadricCylinder(style, b.BottomRadius, shape.TopRadius, b.Height, b.Slices, b.Stacks);
  if (shape.Parts.Contains(cyTop)) {
    GeometryBatches top = QuadricDisk(style, 0, shape.TopRadius, b.Slices, b.Loops);
    TransformBatches(top, CreateTranslationMatrix({0, 0, b.Height}));
    AppendBatches(batches, std::move(top));
  }
  if (shape.Parts.Contains(cyBottom))
    AppendBatches(batches, QuadricDisk(style.Inverted(), 0, b.BottomRadius, b.Slices, b.Loops));
  const float dz = shape.Alignment == caCenter ? -b.Height / 2 : shape.Alignment == caTop ? -b.Height : 0.0f;
  TransformBatches(batches, Placed(dz));
  return batches;
}

std::vector<std::array<TAffineVector, 3>> CylinderSilhouetteTriangles(float bottomRadius, float topRadius,
                                                                      float height, int slices) {
  const int n = std::max(slices, 3);
  const float h = height / 2;
  const TAffineVector bottomCentre{0, -h, 0}, topCentre{0, h, 0};
  std::vector<std::array<TAffineVector, 3>> triangles;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2 * std::numbers::pi * i / n, a1 = 2 * std::numbers::pi * (i + 1) / n;
    auto ring = [](float r, double a, float y) {
      return TAffineVector{static_cast<float>(r * std::sin(a)), y, static_cast<float>(r * std::cos(a))};
    };
    const TAffineVector b0 = ring(bottomRadius, a0, -h), b1 = ring(bottomRadius, a1, -h);
    const TAffineVector t0 = ring(topRadius, a0, h), t1 = ring(topRadius, a1, h);
    triangles.push_back({b0, b1, t1});
    triangles.push_back({b0, t1, t0});
    triangles.push_back({bottomCentre, b1, b0});
    triangles.push_back({topCentre, t0, t1});
  }
  return triangles;
}

std::optional<RayHit> ConeRayCast(const ObjectFrame& frame, const ConeShape& shape, const TVector4f& ray_start,
                                  const TVector4f& ray_vector) {
  const TVector4f p = frame.PointToLocal(ray_start);
  const TVector4f v = frame.VectorToLocal(ray_vector);
  const double h = shape.Base.Height, radius = shape.Base.BottomRadius;
  if (!(h > 0) || !(radius > 0)) return std::nullopt;
  NearestHit nearest;
  auto at = [&](double t) {
    return TAffineVector{static_cast<float>(p[0] + t * v[0]), static_cast<float>(p[1] + t * v[1]),
                         static_cast<float>(p[2] + t * v[2])};
  };
  if (shape.Parts.Contains(coBottom) && v[1] != 0) {
    const double t = (-h / 2 - p[1]) / v[1];
    const TAffineVector q = at(t);
    if (t >= 0 && static_cast<double>(q[0]) * q[0] + static_cast<double>(q[2]) * q[2] <= radius * radius)
      nearest.Offer(t, {q[0], static_cast<float>(-h / 2), q[2]}, {0, -1, 0});
  }
  if (shape.Parts.Contains(coSides)) {
    // x^2 + z^2 = (s (h/2 - y))^2 between the base and the apex.
    const double s2 = (radius / h) * (radius / h);
    const double w = h / 2 - p[1];
    const double a = static_cast<double>(v[0]) * v[0] + static_cast<double>(v[2]) * v[2] - s2 * v[1] * v[1];
    const double b = 2 * (static_cast<double>(p[0]) * v[0] + static_cast<double>(p[2]) * v[2] + s2 * w * v[1]);
    const double c = static_cast<double>(p[0]) * p[0] + static_cast<double>(p[2]) * p[2] - s2 * w * w;
    for (double t : SolveQuadratic({c, b, a})) {
      const double y = p[1] + t * v[1];
      if (t < 0 || y < -h / 2 || y > h / 2) continue;
      const TAffineVector q = at(t);
      nearest.Offer(t, q, {q[0], static_cast<float>(s2 * (h / 2 - y)), q[2]});
    }
  }
  return nearest.ToAbsolute(frame);
}

std::optional<RayHit> CylinderRayCast(const ObjectFrame& frame, const CylinderShape& shape,
                                      const TVector4f& ray_start, const TVector4f& ray_vector) {
  const TVector4f p = frame.PointToLocal(ray_start);
  const TVector4f v = frame.VectorToLocal(ray_vector);
  const float height = shape.Base.Height;
  const float r = shape.TopRadius;
  float top = height / 2, bottom = -height / 2;
  if (shape.Alignment == caTop) {
    top = 0;
    bottom = -height;
  } else if (shape.Alignment == caBottom) {
    top = height;
    bottom = 0;
  }
  NearestHit nearest;
  double tMin = -std::numeric_limits<double>::infinity(), tMax = std::numeric_limits<double>::infinity();
  if (v[1] == 0) {
    if (p[1] < bottom || p[1] > top) return std::nullopt;
  } else {
    const float tTop = (top - p[1]) / v[1], tBottom = (bottom - p[1]) / v[1];
    auto cap = [&](TCylinderPart part, float t, float y, float ny) {
      if (!shape.Parts.Contains(part) || !(t > 0)) return;
      const float x = p[0] + t * v[0], z = p[2] + t * v[2];
      if (x * x + z * z <= r * r) nearest.Offer(t, {x, y, z}, {0, ny, 0});
    };
    cap(cyTop, tTop, top, 1);
    cap(cyBottom, tBottom, bottom, -1);
    tMin = std::min(tTop, tBottom);
    tMax = std::max(tTop, tBottom);
  }
  if (shape.Parts.Contains(cySides)) {
    const double a = static_cast<double>(v[0]) * v[0] + static_cast<double>(v[2]) * v[2];
    const double b = 2 * (static_cast<double>(p[0]) * v[0] + static_cast<double>(p[2]) * v[2]);
    const double c = static_cast<double>(p[0]) * p[0] + static_cast<double>(p[2]) * p[2] - static_cast<double>(r) * r;
    // Along the axis (a = 0) the side is never crossed.
    TDoubleArray roots = a == 0 ? TDoubleArray{} : SolveQuadratic({c, b, a});
    // The nearest root within the slab: through an open end the ray can
    // meet the inside of the wall.
    std::erase_if(roots, [&](double t) { return !(t >= tMin && t < tMax); });
    double t;
    if (SmallestNonNegativeRoot(roots, t)) {
      const TAffineVector q{static_cast<float>(p[0] + t * v[0]), static_cast<float>(p[1] + t * v[1]),
                            static_cast<float>(p[2] + t * v[2])};
      nearest.Offer(static_cast<float>(t), q, {q[0], 0, q[2]});
    }
  }
  return nearest.ToAbsolute(frame);
}
