#pragma once
// How node-defined lines and polygons join their nodes.

#include <cstdint>

enum TLineSplineMode : std::uint8_t { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments };
