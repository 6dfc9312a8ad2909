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

std::optional<RayHit> RoundSolidRayCast(const ObjectFrame& frame, const RoundSolidOutline& outline,
                                        const TVector4f& ray_start, const TVector4f& ray_vector) {
  const TVector4f p = frame.PointToLocal(ray_start);
  const TVector4f v = frame.VectorToLocal(ray_vector);
  const float bottom = outline.Bottom, top = outline.Top;
  NearestHit nearest;
  double tMin = -std::numeric_limits<double>::infinity(), tMax = std::numeric_limits<double>::infinity();
  if (v[1] == 0) {
    if (p[1] < std::min(bottom, top) || p[1] > std::max(bottom, top)) return std::nullopt;
  } else {
    auto cap = [&](const RoundSolidOutline::Ring& ring, float y, float ny) {
      const float t = (y - p[1]) / v[1];
      if (ring.Drawn && t > 0) {
        const float x = p[0] + t * v[0], z = p[2] + t * v[2];
        const float r2 = x * x + z * z;
        if (ring.Inner * ring.Inner <= r2 && r2 <= ring.Outer * ring.Outer) nearest.Offer(t, {x, y, z}, {0, ny, 0});
      }
      return t;
    };
    const float tBottom = cap(outline.BottomRing, bottom, -1), tTop = cap(outline.TopRing, top, 1);
    tMin = std::min(tBottom, tTop);
    tMax = std::max(tBottom, tTop);
  }
  if (top == bottom) return nearest.ToAbsolute(frame);
  const double px = p[0], py = p[1], pz = p[2], vx = v[0], vy = v[1], vz = v[2];
  for (const RoundSolidOutline::Wall& wall : outline.Walls) {
    // x^2 + z^2 = w(t)^2 with the radius w = w0 + w1 t along the ray.
    const double k = (static_cast<double>(wall.TopRadius) - wall.BottomRadius) / (static_cast<double>(top) - bottom);
    const double w0 = wall.BottomRadius + k * (py - bottom), w1 = k * vy;
    const double a = vx * vx + vz * vz - w1 * w1;
    const double b = 2 * (px * vx + pz * vz - w0 * w1);
    const double c = px * px + pz * pz - w0 * w0;
    for (double t : SolveQuadratic({c, b, a})) {
      // Through an open end the ray can meet the inside of a wall.
      if (!(t >= 0 && t >= tMin && t < tMax)) continue;
      const TAffineVector q{static_cast<float>(px + t * vx), static_cast<float>(py + t * vy),
                            static_cast<float>(pz + t * vz)};
      nearest.Offer(t, q, {q[0], static_cast<float>(-(w0 + w1 * t) * k), q[2]});
    }
  }
  return nearest.ToAbsolute(frame);
}

RoundSolidOutline::Ring RoundSolidOutline::DrawnRing(bool part, float inner, float outer,
                                                     const CylinderBaseShape& base) {
  return {part && QuadricDiskDrawn(inner, outer, base.Slices, base.Loops), inner, outer};
}

void RoundSolidOutline::AddDrawnWall(bool part, float bottomRadius, float topRadius, const CylinderBaseShape& base) {
  if (part && QuadricCylinderDrawn(bottomRadius, topRadius, base.Height, base.Slices, base.Stacks))
    Walls.push_back({bottomRadius, topRadius});
}

std::optional<RayHit> ConeRayCast(const ObjectFrame& frame, const ConeShape& shape, const TVector4f& ray_start,
                                  const TVector4f& ray_vector) {
  const CylinderBaseShape& b = shape.Base;
  RoundSolidOutline outline;
  outline.Bottom = -b.Height / 2;
  outline.Top = b.Height / 2;
  outline.BottomRing = RoundSolidOutline::DrawnRing(shape.Parts.Contains(coBottom), 0, b.BottomRadius, b);
  outline.AddDrawnWall(shape.Parts.Contains(coSides), b.BottomRadius, 0, b);
  return RoundSolidRayCast(frame, outline, ray_start, ray_vector);
}

std::optional<RayHit> CylinderRayCast(const ObjectFrame& frame, const CylinderShape& shape,
                                      const TVector4f& ray_start, const TVector4f& ray_vector) {
  const CylinderBaseShape& b = shape.Base;
  RoundSolidOutline outline;
  outline.Bottom = shape.Alignment == caCenter ? -b.Height / 2 : shape.Alignment == caTop ? -b.Height : 0.0f;
  outline.Top = outline.Bottom + b.Height;
  outline.BottomRing = RoundSolidOutline::DrawnRing(shape.Parts.Contains(cyBottom), 0, b.BottomRadius, b);
  outline.TopRing = RoundSolidOutline::DrawnRing(shape.Parts.Contains(cyTop), 0, shape.TopRadius, b);
  outline.AddDrawnWall(shape.Parts.Contains(cySides), b.BottomRadius, shape.TopRadius, b);
  return RoundSolidRayCast(frame, outline, ray_start, ray_vector);
}
