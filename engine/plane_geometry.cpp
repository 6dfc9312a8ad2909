#include "engine/plane_geometry.h"

#include <cmath>
#include <limits>

#include "engine/vector_geometry.h"

TAffineVector CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3) {
  return AffineVectorNormalized(AffineVectorCross(AffineVectorSubtract(p2, p1), AffineVectorSubtract(p3, p1)));
}

void CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3, TAffineVector& normal) {
  normal = CalcPlaneNormal(p1, p2, p3);
}

TPlane PlaneMake(const TAffineVector& point, const TAffineVector& normal) {
  return {normal[0], normal[1], normal[2], -AffineVectorDot(point, normal)};
}

void NormalizePlane(TPlane& plane) {
  const float n = VectorNorm(plane);
  if (n == 0.0f) return;
  ScaleVector(plane, RSqrt(n));
}

float PlaneEvaluatePoint(const TPlane& plane, const TAffineVector& point) {
  return plane[0] * point[0] + plane[1] * point[1] + plane[2] * point[2] + plane[3];
}

float PlaneEvaluatePoint(const TPlane& plane, const TVector4f& point) {
  return plane[0] * point[0] + plane[1] * point[1] + plane[2] * point[2] + plane[3];
}

TFrustum ExtractFrustum(const TMatrix& m) {
  auto column = [&](int j) { return TVector4f{m[0][j], m[1][j], m[2][j], m[3][j]}; };
  const TVector4f c0 = column(0), c1 = column(1), c2 = column(2), c3 = column(3);
  TFrustum f;
  f.pLeft = VectorAdd(c3, c0);
  f.pTop = VectorSubtract(c3, c1);
  f.pRight = VectorSubtract(c3, c0);
  f.pBottom = VectorAdd(c3, c1);
  f.pNear = VectorAdd(c3, c2);
  f.pFar = VectorSubtract(c3, c2);
  for (TPlane* p : {&f.pLeft, &f.pTop, &f.pRight, &f.pBottom, &f.pNear, &f.pFar}) NormalizePlane(*p);
  return f;
}

bool IsVolumeClipped(const TVector4f& centre, const TRenderContextClippingInfo& clipping, float radius) {
  const TFrustum& f = clipping.frustum;
  const float neg = -radius;
  return PlaneEvaluatePoint(f.pLeft, centre) < neg || PlaneEvaluatePoint(f.pTop, centre) < neg ||
         PlaneEvaluatePoint(f.pRight, centre) < neg || PlaneEvaluatePoint(f.pBottom, centre) < neg ||
         PlaneEvaluatePoint(f.pNear, centre) < neg || PlaneEvaluatePoint(f.pFar, centre) < neg;
}

bool IsVolumeClipped(const TAffineVector& centre, const TRenderContextClippingInfo& clipping, float radius) {
  return IsVolumeClipped(PointMake(centre), clipping, radius);
}

bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TRenderContextClippingInfo& clipping) {
  const TAffineVector centre = VectorScale(VectorAdd(min, max), 0.5f);
  const float radius = VectorDistance(min, max) * 0.5f;
  return IsVolumeClipped(centre, clipping, radius);
}

float SphereVisibleRadius(float distance, float radius) {
  const float d2 = distance * distance - radius * radius;
  // From inside (or on) the sphere it fills the whole view.
  if (d2 <= 0.0f) return std::numeric_limits<float>::infinity();
  return distance * radius / std::sqrt(d2);
}

bool RayCastPlaneIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TVector4f& plane_point,
                           const TVector4f& plane_normal, TVector4f* intersect_point) {
  const float d = VectorDot(ray_vector, plane_normal);
  if (std::fabs(d) <= EPSILON) return false;
  const float t = VectorDot(VectorSubtract(plane_point, ray_start), plane_normal) / d;
  if (!(t > 0.0f)) return false;
  if (intersect_point) *intersect_point = VectorAddScaled(ray_start, ray_vector, t);
  return true;
}

bool RayCastTriangleIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TAffineVector& p1,
                              const TAffineVector& p2, const TAffineVector& p3, TVector4f* intersect_point,
                              TVector4f* intersect_normal) {
  const TAffineVector dir = AffineVectorMake(ray_vector);
  const TAffineVector e1 = AffineVectorSubtract(p2, p1);
  const TAffineVector e2 = AffineVectorSubtract(p3, p1);
  const TAffineVector p = AffineVectorCross(dir, e2);
  const float det = AffineVectorDot(e1, p);
  if (std::fabs(det) < EPSILON) return false;
  const float inv = 1.0f / det;
  const TAffineVector s = AffineVectorSubtract(AffineVectorMake(ray_start), p1);
  const float u = AffineVectorDot(s, p) * inv;
  if (u < 0.0f || u > 1.0f) return false;
  const TAffineVector q = AffineVectorCross(s, e1);
  const float v = AffineVectorDot(dir, q) * inv;
  if (v < 0.0f || u + v > 1.0f) return false;
  const float t = AffineVectorDot(e2, q) * inv;
  if (!(t > 0.0f)) return false;
  if (intersect_point) *intersect_point = VectorAddScaled(ray_start, ray_vector, t);
  if (intersect_normal) *intersect_normal = VectorMakeFromAffine(AffineVectorCross(e1, e2), 0.0f);
  return true;
}

int RayCastSphereIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TVector4f& sphere_centre,
                           float sphere_radius, TVector4f& i1, TVector4f& i2) {
  const TAffineVector start = AffineVectorMake(ray_start);
  const TAffineVector dir = AffineVectorMake(ray_vector);
  const TAffineVector centre = AffineVectorMake(sphere_centre);
  const float proj = AffineVectorDot(dir, AffineVectorSubtract(centre, start));
  const TAffineVector foot = VectorAddScaled(start, dir, proj);
  const float d2 = sphere_radius * sphere_radius - VectorDistance2(centre, foot);
  auto at = [&](float s) { return PointMake(VectorAddScaled(start, dir, s)); };
  if (d2 < 0.0f) return 0;
  if (d2 == 0.0f) {
    if (proj <= 0.0f) return 0;
    i1 = at(proj);
    return 1;
  }
  const float root = std::sqrt(d2);
  if (proj >= root) {
    i1 = at(proj - root);
    i2 = at(proj + root);
    return 2;
  }
  if (proj + root >= 0.0f) {
    i1 = at(proj + root);
    return 1;
  }
  return 0;
}
