#pragma once
// Geometry of the cylinder and the cone standing along the local y axis
// (the GLU quadrics turned from z onto y), their shared silhouette
// triangles, and the cylinder's ray cast.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "objects/geometry_batch.h"
#include "objects/quadric_geometry.h"
#include "objects/small_set.h"

enum TConePart : std::uint8_t { coSides, coBottom };
using TConeParts = SmallSet<TConePart>;
enum TCylinderPart : std::uint8_t { cySides, cyBottom, cyTop };
using TCylinderParts = SmallSet<TCylinderPart>;
enum TCylinderAlignment : std::uint8_t { caCenter, caTop, caBottom };

// What cylinders, cones, annuli and arrow lines share.
struct CylinderBaseShape {
  float BottomRadius = 0.5f;
  float Height = 1.0f;
  int Slices = 16;
  int Stacks = 4;
  int Loops = 1;
};

struct ConeShape {
  CylinderBaseShape Base;
  TConeParts Parts{coSides, coBottom};
};

struct CylinderShape {
  CylinderBaseShape Base;
  float TopRadius = 0.5f;
  TCylinderParts Parts{cySides, cyBottom, cyTop};
  TCylinderAlignment Alignment = caCenter;
};

// Sides, then the bottom disk facing down; centred on the origin.
GeometryBatches BuildConeGeometry(const ConeShape& shape, const QuadricStyle& style);
// Sides, top (facing up), bottom (facing down); the origin at the centre,
// the top or the bottom as aligned.
GeometryBatches BuildCylinderGeometry(const CylinderShape& shape, const QuadricStyle& style);

// Four triangles per slice around the axis from y = -height/2 to
// height/2 (the side's two halves, one to each end's centre), facing out;
// at least three slices.
std::vector<std::array<TAffineVector, 3>> CylinderSilhouetteTriangles(float bottomRadius, float topRadius,
                                                                      float height, int slices);

// A round solid along y as its ray cast sees it: the slab between two cap
// planes, a ring on each plane (between an inner and an outer radius, when
// drawn) and walls whose radius runs straight from the bottom plane to the
// top one (a cylinder, a cone or a frustum of one).
struct RoundSolidOutline {
  struct Ring {
    bool Drawn = false;
    float Inner = 0, Outer = 0;
  };
  struct Wall {
    float BottomRadius = 0, TopRadius = 0;
  };
  float Bottom = -0.5f, Top = 0.5f;
  Ring BottomRing, TopRing;
  std::vector<Wall> Walls;

  // A ring or wall of the solid's parts, drawn (and so hit) only where GLU
  // draws its disk or cylinder: nothing of a negative radius, no wall of a
  // negative height.
  static Ring DrawnRing(bool part, float inner, float outer, const CylinderBaseShape& base);
  void AddDrawnWall(bool part, float bottomRadius, float topRadius, const CylinderBaseShape& base);
};

// The nearest hit in front of the start: on a ring (normal -y on the
// bottom one, +y on the top one) or on a wall between the planes (normal
// away from the axis, tilted up where the wall narrows upwards, on an
// inner wall too). A ray along the axis never meets a straight wall.
std::optional<RayHit> RoundSolidRayCast(const ObjectFrame& frame, const RoundSolidOutline& outline,
                                        const TVector4f& ray_start, const TVector4f& ray_vector);

// The drawn bottom disk and the slanted side, where GLU draws them.
std::optional<RayHit> ConeRayCast(const ObjectFrame& frame, const ConeShape& shape, const TVector4f& ray_start,
                                  const TVector4f& ray_vector);

// The drawn caps, each of its own radius, and the side, tapered as drawn,
// where GLU draws them.
std::optional<RayHit> CylinderRayCast(const ObjectFrame& frame, const CylinderShape& shape,
                                      const TVector4f& ray_start, const TVector4f& ray_vector);
