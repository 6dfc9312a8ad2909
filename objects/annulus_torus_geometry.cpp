#include "objects/annulus_torus_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "objects/polynomials.h"

GeometryBatches BuildAnnulusGeometry(const AnnulusShape& shape, const QuadricStyle& style) {
  const CylinderBaseShape& b = shape.Base;
  GeometryBatches batches;
  if (shape.Parts.Contains(anOuterSides))
    batches = QuadricCylinder(style, b.BottomRadius, shape.TopRadius, b.Height, b.Slices, b.Stacks);
  if (shape.Parts.Contains(anTop)) {
    GeometryBatches top = QuadricDisk(style, shape.TopInnerRadius, shape.TopRadius, b.Slices, b.Loops);
    TransformBatches(top, CreateTranslationMatrix({0, 0, b.Height}));
    AppendBatches(batches, std::move(top));
  }
  const QuadricStyle inverted = style.Inverted();
  if (shape.Parts.Contains(anBottom))
    AppendBatches(batches, QuadricDisk(inverted, shape.BottomInnerRadius, b.BottomRadius, b.Slices, b.Loops));
  if (shape.Parts.Contains(anInnerSides))
    AppendBatches(batches,
                  QuadricCylinder(inverted, shape.BottomInnerRadius, shape.TopInnerRadius, b.Height, b.Slices, b.Stacks));
  TransformBatches(batches, MatrixMultiply(CreateTranslationMatrix({0, 0, -b.Height / 2}), QuadricZToY()));
  return batches;
}

std::optional<RayHit> AnnulusRayCast(const ObjectFrame& frame, const AnnulusShape& shape, const TVector4f& ray_start,
                                     const TVector4f& ray_vector) {
  const CylinderBaseShape& b = shape.Base;
  RoundSolidOutline outline;
  outline.Bottom = -b.Height / 2;
  outline.Top = b.Height / 2;
  outline.BottomRing = RoundSolidOutline::DrawnRing(shape.Parts.Contains(anBottom), shape.BottomInnerRadius,
                                                    b.BottomRadius, b);
  outline.TopRing = RoundSolidOutline::DrawnRing(shape.Parts.Contains(anTop), shape.TopInnerRadius, shape.TopRadius, b);
  outline.AddDrawnWall(shape.Parts.Contains(anOuterSides), b.BottomRadius, shape.TopRadius, b);
  outline.AddDrawnWall(shape.Parts.Contains(anInnerSides), shape.BottomInnerRadius, shape.TopInnerRadius, b);
  return RoundSolidRayCast(frame, outline, ray_start, ray_vector);
}

GeometryBatches BuildTorusGeometry(const TorusShape& shape) {
  const int rings = std::max(shape.Rings, 2), sides = std::max(shape.Sides, 3);
  const double ringStep = 2 * std::numbers::pi / rings, sideStep = 2 * std::numbers::pi / sides;
  auto vertex = [&](int ring, int side) {
    // The side angle runs backwards so that the strips, walked from the
    // last side down, face out of the tube.
    const double theta = ring * ringStep, phi = -side * sideStep;
    const double ct = std::cos(theta), st = std::sin(theta), cp = std::cos(phi), sp = std::sin(phi);
    const double distance = shape.MajorRadius + shape.MinorRadius * cp;
    return GeometryVertex{{static_cast<float>(ring) / rings, static_cast<float>(side) / sides},
                          {static_cast<float>(cp * ct), static_cast<float>(cp * st), static_cast<float>(sp)},
                          {static_cast<float>(distance * ct), static_cast<float>(distance * st),
                           static_cast<float>(shape.MinorRadius * sp)}};
  };
  GeometryBatches batches;
  for (int ring = rings - 1; ring >= 0; --ring) {
    GeometryBatch strip{PrimitiveKind::QuadStrip, {}};
    for (int side = sides; side >= 0; --side) {
      strip.Vertices.push_back(vertex(ring, side));
      strip.Vertices.push_back(vertex(ring + 1, side));
    }
    batches.push_back(std::move(strip));
  }
  return batches;
}

std::optional<RayHit> TorusRayCast(const ObjectFrame& frame, const TorusShape& shape, const TVector4f& ray_start,
                                   const TVector4f& ray_vector) {
  const TVector4f p4 = frame.PointToLocal(ray_start);
  TAffineVector d = AffineVectorMake(frame.VectorToLocal(ray_vector));
  NormalizeAffineVector(d);
  if (AffineVectorIsNull(d)) return std::nullopt;
  const double px = p4[0], py = p4[1], pz = p4[2], dx = d[0], dy = d[1], dz = d[2];
  const double big = shape.MajorRadius, small = shape.MinorRadius;
  const double pd = px * dx + py * dy + pz * dz;
  const double alpha = px * px + py * py + pz * pz - (big * big + small * small);
  const double r2 = 4 * big * big;
  const TDoubleArray roots = SolveQuartic({alpha * alpha - r2 * (small * small - pz * pz),
                                           4 * pd * alpha + 2 * r2 * dz * pz, r2 * dz * dz + 4 * pd * pd + 2 * alpha,
                                           4 * pd, 1});
  double t = 1e20;
  for (double root : roots)
    if (root > 0 && root < t) t = root;
  if (t == 1e20) return std::nullopt;
  const TAffineVector q{static_cast<float>(px + t * dx), static_cast<float>(py + t * dy), static_cast<float>(pz + t * dz)};
  const float length = std::sqrt(q[0] * q[0] + q[1] * q[1]);
  const float scale = shape.MajorRadius / (length + 0.000001f);
  const TAffineVector centre{q[0] * scale, q[1] * scale, 0};
  return RayHit{frame.PointToAbsolute(PointMake(q)), frame.NormalToAbsolute(AffineVectorSubtract(q, centre))};
}
