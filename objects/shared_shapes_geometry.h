#pragma once
// Geometry of the two shapes several drawables share: the wire cube (the
// edges of a dummy cube, the cube markers of line nodes) and the solid
// dodecahedron (the dodecahedron markers of line nodes).

#include "objects/geometry_batch.h"

// The twelve edges of a cube of edge length `size` centred on the origin:
// one line strip of ten points, then three separate lines.
GeometryBatches WireCubeGeometry(float size);

// Twelve pentagonal fans of circumradius about 0.52 around the origin, each
// vertex carrying its face's outward unit normal; no texture coordinates.
GeometryBatches SolidDodecahedronGeometry();
