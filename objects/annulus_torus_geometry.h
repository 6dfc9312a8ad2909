#pragma once
// Geometry of the annulus (a thick tube along y, capped by rings) and of
// the ring torus (in the local xy plane around z), and their ray casts.

#include <cstdint>
#include <optional>

#include "objects/cylinder_geometry.h"

enum TAnnulusPart : std::uint8_t { anInnerSides, anOuterSides, anBottom, anTop };
using TAnnulusParts = SmallSet<TAnnulusPart>;

struct AnnulusShape {
  CylinderBaseShape Base;
  float BottomInnerRadius = 0.3f;
  float TopInnerRadius = 0.3f;
  float TopRadius = 0.5f;
  TAnnulusParts Parts{anInnerSides, anOuterSides, anBottom, anTop};
};

// Outer sides, top ring (facing up), bottom ring (facing down), inner
// sides (facing the axis); centred on the origin.
GeometryBatches BuildAnnulusGeometry(const AnnulusShape& shape, const QuadricStyle& style);

// The drawn cap rings and walls, each of its own radii (RoundSolidRayCast),
// where GLU draws them.
std::optional<RayHit> AnnulusRayCast(const ObjectFrame& frame, const AnnulusShape& shape, const TVector4f& ray_start,
                                     const TVector4f& ray_vector);

struct TorusShape {
  float MajorRadius = 0.4f;  // the torus centre to the tube's centre line
  float MinorRadius = 0.1f;  // the tube
  int Rings = 25;            // at least 2
  int Sides = 15;            // at least 3
};

// One quad strip per ring, facing out of the tube, normals of unit length;
// texture s along the rings, t around the tube.
GeometryBatches BuildTorusGeometry(const TorusShape& shape);

// The nearest hit in front of the start, the normal away from the tube's
// centre line.
std::optional<RayHit> TorusRayCast(const ObjectFrame& frame, const TorusShape& shape, const TVector4f& ray_start,
                                   const TVector4f& ray_vector);
