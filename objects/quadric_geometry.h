#pragma once
// The GLU quadrics the round solids are made of, as plain batches: the
// cylinder (a tube or a cone along +z from z = 0, laid out as GLU lays it
// out: quad strips stack by stack, angles from +y towards +x, texture
// s = 1 - slice / slices and t = stack / stacks) and the disk of
// disk_geometry.h, placed by a rigid transformation. One difference on
// purpose: inside out, a tube's normals are its outside normals turned
// round, where GLU turns only their part across the axis and so tilts the
// normals of a tapered tube the wrong way along its slope.

#include "engine/vector_types.h"
#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"

// How the faces of a quadric are lit and which way they face.
struct QuadricStyle {
  TNormalSmoothing Normals = nsSmooth;
  TNormalDirection Orientation = ndOutside;
  QuadricStyle Inverted() const { return {Normals, Orientation == ndInside ? ndOutside : ndInside}; }
};

// Whether GLU draws the cylinder: it refuses fewer than 2 slices, no
// stack, a negative radius or height, or no length at all.
bool QuadricCylinderDrawn(double baseRadius, double topRadius, double height, int slices, int stacks);
// Nothing unless QuadricCylinderDrawn.
GeometryBatches QuadricCylinder(const QuadricStyle& style, double baseRadius, double topRadius, double height,
                                int slices, int stacks);
// Whether GLU draws the disk (DiskDrawn).
bool QuadricDiskDrawn(double innerRadius, double outerRadius, int slices, int loops);
// The full disk in the z = 0 plane, facing +z when outside.
GeometryBatches QuadricDisk(const QuadricStyle& style, double innerRadius, double outerRadius, int slices, int loops);

// Moves positions by the matrix (row vectors) and turns normals with it
// (a rotation and a translation only).
void TransformBatches(GeometryBatches& batches, const TMatrix& matrix);
// Appends `more` to `batches`.
void AppendBatches(GeometryBatches& batches, GeometryBatches&& more);

// Rotation about X by -90 degrees: the quadric's z axis onto y, y onto -z.
TMatrix QuadricZToY();
