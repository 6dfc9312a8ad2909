#pragma once
// Planes, view frustums and ray casts.

#include "engine/vector_types.h"

// Unit normal of the triangle (p1, p2, p3): (p2 - p1) x (p3 - p1), normalised.
TAffineVector CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3);
void CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3, TAffineVector& normal);
// The plane through point with the given normal.
TPlane PlaneMake(const TAffineVector& point, const TAffineVector& normal);
// Scales the plane so that (a, b, c) has unit length; a zero normal is kept.
void NormalizePlane(TPlane& plane);
// a*x + b*y + c*z + d
float PlaneEvaluatePoint(const TPlane& plane, const TAffineVector& point);
float PlaneEvaluatePoint(const TPlane& plane, const TVector4f& point);

// The six normalised planes of a combined model-view-projection matrix.
TFrustum ExtractFrustum(const TMatrix& model_view_projection);
// True as soon as the sphere lies wholly outside one plane (value < -radius).
bool IsVolumeClipped(const TVector4f& centre, const TRenderContextClippingInfo& clipping, float radius);
bool IsVolumeClipped(const TAffineVector& centre, const TRenderContextClippingInfo& clipping, float radius);
// Box form: centre (min + max)/2, radius |max - min|/2.
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TRenderContextClippingInfo& clipping);
// distance*radius / sqrt(distance^2 - radius^2); +infinity from inside the sphere.
float SphereVisibleRadius(float distance, float radius);

// A hit needs the plane in front of the start (t > 0), whether or not the
// hit point is asked for.
bool RayCastPlaneIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TVector4f& plane_point,
                           const TVector4f& plane_normal, TVector4f* intersect_point = nullptr);
// Moller-Trumbore; the normal is e1 x e2, not normalised.
bool RayCastTriangleIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TAffineVector& p1,
                              const TAffineVector& p2, const TAffineVector& p3, TVector4f* intersect_point = nullptr,
                              TVector4f* intersect_normal = nullptr);
// Number of hits (0, 1 or 2) of a ray with a unit direction; i1 is the nearer.
int RayCastSphereIntersect(const TVector4f& ray_start, const TVector4f& ray_vector, const TVector4f& sphere_centre,
                           float sphere_radius, TVector4f& i1, TVector4f& i2);
