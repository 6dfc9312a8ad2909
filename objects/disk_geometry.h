#pragma once
// Geometry of the flat disk, annulus or sector in the local XY plane, laid
// out as the GLU partial disk lays it out: angles in degrees from +Y
// towards +X, texture coordinates mapping the outer circle onto the unit
// square, loops from the rim inwards (a fan in the middle when there is no
// hole), front faces towards +Z unless inside out.

#include <optional>

#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"

struct DiskShape {
  float InnerRadius = 0.0f;
  float OuterRadius = 0.5f;
  int Slices = 16;
  int Loops = 2;
  float StartAngle = 0.0f;
  float SweepAngle = 360.0f;
  TNormalDirection NormalDirection = ndOutside;
};

// Whether GLU draws the disk: it refuses fewer than 2 slices, no loop, an
// outer radius not above 0, a negative inner radius or one above the outer.
bool DiskDrawn(const DiskShape& shape);
// Nothing unless DiskDrawn.
GeometryBatches BuildDiskGeometry(const DiskShape& shape);

// A hit on the disk's plane (from either side, in front of the start)
// within the ring between the radii and, for a sector, within its angles.
// The normal is the disk's absolute direction.
std::optional<RayHit> DiskRayCast(const ObjectFrame& frame, const DiskShape& shape, const TVector4f& ray_start,
                                  const TVector4f& ray_vector);
