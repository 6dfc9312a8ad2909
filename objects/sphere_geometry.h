#pragma once
// Geometry of the latitude/longitude sphere: strips from the top down, with
// optional caps closing a cut-off top or bottom; its ray cast and its
// silhouette.

#include <cstdint>
#include <optional>

#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"

enum TCapType : std::uint8_t { ctNone, ctCenter, ctFlat };

struct SphereShape {
  float Radius = 0.5f;
  int Slices = 16;
  int Stacks = 16;
  int Top = 90;      // degrees of latitude
  int Bottom = -90;
  int Start = 0;     // degrees of longitude
  int Stop = 360;
  TCapType TopCap = ctNone;
  TCapType BottomCap = ctNone;
  TNormalDirection NormalDirection = ndOutside;
};

// Top cap fan (when cut and capped), one strip of 2 x (Slices + 1) vertices
// per stack, bottom cap fan. Positions are on the sphere of the radius,
// normals unit length (negated inside out). Slices and Stacks below 1 are
// taken as 1.
GeometryBatches BuildSphereGeometry(const SphereShape& shape);

// The nearer hit in front of the start against the sphere of the radius at
// the frame's origin; from inside, where the ray leaves it.
std::optional<RayHit> SphereRayCast(const ObjectFrame& frame, float radius, const TVector4f& ray_start,
                                    const TVector4f& ray_vector);

// A ring of max(Slices, Stacks) vertices facing `seen_from` (local), at the
// sphere's apparent radius, with a centre and cap fan when capping.
// `extent_radius` is the length of the object's unscaled extents. A point
// inside the bounding sphere sees the sphere's own radius, not an
// imaginary one. An unknown style is an assertion failure.
SilhouetteGeometry SphereSilhouette(const TAffineVector& seen_from, SilhouetteLightStyle style, bool capping,
                                    int slices, int stacks, float extent_radius);
