#pragma once
// Geometry of the extrusion solid: the outline's boundary loops swept
// along z over the height in rows, and the filled outline closing the
// bottom (z = 0) and the top (z = height).

#include <cstdint>
#include <span>

#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"
#include "objects/small_set.h"
#include "objects/tessellation.h"

enum TExtrusionSolidPart : std::uint8_t { espOutside, espInside, espStartPolygon, espStopPolygon };
using TExtrusionSolidParts = SmallSet<TExtrusionSolidPart>;

struct ExtrusionShape {
  int Stacks = 1;
  TNormalSmoothing Normals = nsFlat;
  TNormalDirection NormalDirection = ndOutside;
  TExtrusionSolidParts Parts{espOutside};
  float Height = 1.0f;
  // The cosine of the smallest corner angle that stays sharp (5 degrees).
  float MinSmoothAngleCos = 0.9961947f;
};

// One strip per loop segment (the closing one included) and wall, inside
// walls first: 2 * (Stacks + 1) vertices, rows from z to z + Height. The
// walls face away from the solid (into an opening around a hole); a
// negative height turns the strips so that they still do.
GeometryBatches BuildExtrusionWalls(std::span<const ContourPoints> outline, const ExtrusionShape& shape);

// The top cap at z + Height, then the bottom cap at z, each facing away
// from the solid (towards it inside out), textured by x and y.
GeometryBatches BuildExtrusionCaps(std::span<const ContourPoints> outline, const ExtrusionShape& shape,
                                   const TAffineVector& normal);
