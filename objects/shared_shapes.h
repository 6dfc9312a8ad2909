#pragma once
// The two drawing routines several drawables share (the dummy cube, the
// markers of line nodes).

#include "engine/vector_types.h"

// The twelve edges of a cube of edge length `size` in `colour`, unlit,
// smoothed and, with `stipple`, dashed and blended. Everything it changes
// is pushed and popped around it.
void WireCubeBuildList(bool stipple, const TVector4f& colour, float size);

// A regular dodecahedron of circumradius about 0.52 around the origin.
void SolidDodecahedronBuildList();
