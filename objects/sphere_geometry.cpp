#include "objects/sphere_geometry.h"

#include <algorithm>
#include <cmath>

#include "engine/plane_geometry.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

namespace {

TAffineVector UnitPoint(float latitude, float longitude) {
  const float c = std::cos(latitude);
  return {c * std::sin(longitude), std::sin(latitude), c * std::cos(longitude)};
}

TAffineVector Scaled(const TAffineVector& v, float f) { return {v[0] * f, v[1] * f, v[2] * f}; }

// u - (u . p) p: the pole direction made tangent at the rim point.
TAffineVector CentreCapNormal(const TAffineVector& u, const TAffineVector& p) {
  return VectorAddScaled(u, p, -AffineVectorDot(u, p));
}

}  // namespace

GeometryBatches BuildSphereGeometry(const SphereShape& shape) {
  const int slices = std::max(shape.Slices, 1);
  const int stacks = std::max(shape.Stacks, 1);
  const bool inside = shape.NormalDirection == ndInside;
  const float flip = inside ? -1.0f : 1.0f;
  const float r = shape.Radius;
  const float aTop = DegToRad(static_cast<float>(shape.Top));
  const float aBottom = DegToRad(static_cast<float>(shape.Bottom));
  const float aStart = DegToRad(static_cast<float>(shape.Start));
  const float aStop = DegToRad(static_cast<float>(shape.Stop));
  const float stepH = (aStop - aStart) / static_cast<float>(slices);
  const float stepV = (aTop - aBottom) / static_cast<float>(stacks);
  GeometryBatches batches;

  auto cap = [&](bool top) {
    const TCapType type = top ? shape.TopCap : shape.BottomCap;
    const float angle = top ? aTop : aBottom;
    const TAffineVector pole{0, top ? 1.0f : -1.0f, 0};
    const TAffineVector centreNormal = Scaled(pole, flip);
    GeometryBatch fan{PrimitiveKind::TriangleFan, {}};
    const TAffineVector centre = type == ctCenter ? TAffineVector{0, 0, 0} : TAffineVector{0, std::sin(angle) * r, 0};
    fan.Vertices.push_back({{0.5f, 0.5f}, centreNormal, centre});
    for (int i = 0; i <= slices; ++i) {
      // The bottom rim runs backwards, which keeps the fan's winding outward.
      const float theta = top ? aStart + static_cast<float>(i) * stepH : aStop - static_cast<float>(i) * stepH;
      const TAffineVector p = UnitPoint(angle, theta);
      const TAffineVector n = type == ctFlat ? centreNormal : Scaled(CentreCapNormal(pole, p), flip);
      fan.Vertices.push_back({{std::sin(theta) * 0.5f + 0.5f, std::cos(theta) * 0.5f + 0.5f}, n, Scaled(p, r)});
    }
    batches.push_back(std::move(fan));
  };

  if (shape.Top < 90 && (shape.TopCap == ctCenter || shape.TopCap == ctFlat)) cap(true);
  for (int j = 0; j < stacks; ++j) {
    const float phi1 = aTop - static_cast<float>(j) * stepV;
    const float phi2 = phi1 - stepV;
    const float t1 = 1.0f - static_cast<float>(j) / static_cast<float>(stacks);
    const float t2 = 1.0f - static_cast<float>(j + 1) / static_cast<float>(stacks);
    GeometryBatch strip{PrimitiveKind::TriangleStrip, {}};
    strip.Vertices.reserve(2 * (static_cast<std::size_t>(slices) + 1));
    for (int i = 0; i <= slices; ++i) {
      const float theta = aStart + static_cast<float>(i) * stepH;
      const float s = static_cast<float>(i) / static_cast<float>(slices);
      const TAffineVector p1 = UnitPoint(phi1, theta);
      const TAffineVector p2 = UnitPoint(phi2, theta);
      strip.Vertices.push_back({{s, t1}, Scaled(p1, flip), Scaled(p1, r)});
      strip.Vertices.push_back({{s, t2}, Scaled(p2, flip), Scaled(p2, r)});
    }
    batches.push_back(std::move(strip));
  }
  if (shape.Bottom > -90 && (shape.BottomCap == ctCenter || shape.BottomCap == ctFlat)) cap(false);
  return batches;
}

std::optional<RayHit> SphereRayCast(const ObjectFrame& frame, float radius, const TVector4f& ray_start,
                                    const TVector4f& ray_vector) {
  const TVector4f start = frame.PointToLocal(ray_start);
  TVector4f dir = frame.VectorToLocal(ray_vector);
  NormalizeVector(dir);
  if (VectorIsNull(dir)) return std::nullopt;
  TVector4f i1, i2;
  if (RayCastSphereIntersect(start, dir, NullHmgPoint, radius, i1, i2) == 0) return std::nullopt;
  RayHit hit;
  hit.Point = frame.PointToAbsolute(i1);
  hit.Normal = frame.NormalToAbsolute(AffineVectorMake(i1));
  return hit;
}

SilhouetteGeometry SphereSilhouette(const TAffineVector& seen_from, SilhouetteLightStyle style, bool capping,
                                    int slices, int stacks, float extent_radius) {
  const int n = std::max({slices, stacks, 1});
  const float r0 = extent_radius;
  const float d = AffineVectorLength(seen_from);
  float r;
  switch (style) {
    case SilhouetteLightStyle::Omni:
      // From inside the bounding sphere there is no tangent cone.
      r = d > r0 ? SphereVisibleRadius(d, r0) : r0;
      break;
    case SilhouetteLightStyle::Parallel:
      r = r0;
      break;
    default:
      CLIENT_ASSERT(false);
      r = r0;
  }
  TAffineVector a = AffineVectorCross(seen_from, XVector);
  if (AffineVectorLength(a) < 0.001f) a = AffineVectorCross(seen_from, YVector);
  TAffineVector b = AffineVectorCross(seen_from, a);
  NormalizeAffineVector(a);
  NormalizeAffineVector(b);
  SilhouetteGeometry s;
  const float rr = 0.98f * r;
  for (int i = 0; i < n; ++i) {
    const float theta = static_cast<float>(i) * c2PI / static_cast<float>(n);
    const float sn = std::sin(theta) * rr, cs = std::cos(theta) * rr;
    s.Vertices.push_back({sn * a[0] + cs * b[0], sn * a[1] + cs * b[1], sn * a[2] + cs * b[2], 1.0f});
    s.Indices.push_back(i);
    s.Indices.push_back((i + 1) % n);
    if (capping) {
      s.CapIndices.push_back(n);
      s.CapIndices.push_back(i);
      s.CapIndices.push_back((i + 1) % n);
    }
  }
  if (capping) s.Vertices.push_back({0, 0, 0, 1});
  return s;
}
