#pragma once
// Geometry of node-defined lines: the vertices a poly-line, a set of
// segments, a cubic spline or a Bézier curve through the nodes draws, each
// with the colour it is drawn in when node colours are used.

#include <span>
#include <vector>

#include "engine/vector_types.h"
#include "objects/geometry_batch.h"
#include "objects/line_spline_mode.h"

struct LineNode {
  TAffineVector Position;
  TVector4f Color;
};

struct LineVertex {
  TAffineVector Position;
  TVector4f Color;
};

struct LinePath {
  PrimitiveKind Kind = PrimitiveKind::LineStrip;
  // Whether the vertices' colours are sent (node colours in use); otherwise
  // the whole path takes the line colour.
  bool VertexColors = false;
  std::vector<LineVertex> Vertices;
};

// The most vertices one spline path samples; a larger division is lowered
// to fit.
inline constexpr long long kMaxSplineVertices = 1 << 16;

// Whether the nodes go to GLU's NURBS renderer instead of a path (a NURBS
// curve with a division of 2 or more).
inline bool DrawsAsNurbs(TLineSplineMode mode, int division) { return mode == lsmNURBSCurve && division >= 2; }

// The path through the nodes; empty for fewer than two. Segments join
// nodes pairwise; with a division below 2 every mode is the poly-line; a
// cubic spline samples (count - 1) * division + 1 points, a Bézier curve
// division + 1 (its colours are never the nodes'). Not for NURBS curves
// (DrawsAsNurbs).
LinePath BuildLinePath(std::span<const LineNode> nodes, TLineSplineMode mode, int division, bool nodeColors);

// The point at t (0..1) of the Bézier curve whose control points are the
// positions, as GL's one-dimensional evaluator computes it.
TAffineVector BezierPoint(std::span<const LineNode> nodes, float t);
