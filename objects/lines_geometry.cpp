#include "objects/lines_geometry.h"

#include <algorithm>
#include <vector>

#include "engine/spline.h"
#include "engine/vector_geometry.h"

TAffineVector BezierPoint(std::span<const LineNode> nodes, float t) {
  // De Casteljau in double: the same curve as the evaluator, at any order.
  std::vector<double> x, y, z;
  for (const LineNode& n : nodes) {
    x.push_back(n.Position[0]);
    y.push_back(n.Position[1]);
    z.push_back(n.Position[2]);
  }
  for (std::size_t level = nodes.size(); level > 1; --level)
    for (std::size_t i = 0; i + 1 < level; ++i) {
      x[i] += (x[i + 1] - x[i]) * t;
      y[i] += (y[i + 1] - y[i]) * t;
      z[i] += (z[i + 1] - z[i]) * t;
    }
  if (nodes.empty()) return {0, 0, 0};
  return {static_cast<float>(x[0]), static_cast<float>(y[0]), static_cast<float>(z[0])};
}

LinePath BuildLinePath(std::span<const LineNode> nodes, TLineSplineMode mode, int division, bool nodeColors) {
  LinePath path;
  const int count = static_cast<int>(nodes.size());
  if (count < 2) return path;
  path.Kind = mode == lsmSegments ? PrimitiveKind::Lines : PrimitiveKind::LineStrip;
  const bool polyLine = division < 2 || mode == lsmLines || mode == lsmSegments || mode == lsmNURBSCurve;
  if (polyLine) {
    path.VertexColors = nodeColors;
    for (const LineNode& n : nodes) path.Vertices.push_back({n.Position, n.Color});
    return path;
  }
  if (mode == lsmBezierSpline) {
    const int steps = static_cast<int>(std::min<long long>(division, kMaxSplineVertices - 1));
    for (int i = 0; i <= steps; ++i)
      path.Vertices.push_back({BezierPoint(nodes, static_cast<float>(i) / static_cast<float>(steps)), {}});
    return path;
  }
  // The cubic spline: a division too fine for the vertex budget is lowered.
  const long long intervals = count - 1;
  const int steps = static_cast<int>(std::min<long long>(division, (kMaxSplineVertices - 1) / intervals));
  std::vector<TAffineVector> positions;
  for (const LineNode& n : nodes) positions.push_back(n.Position);
  const TCubicSpline spline = SplineThrough(positions);
  path.VertexColors = nodeColors;
  const float f = 1.0f / static_cast<float>(steps);
  const int last = static_cast<int>(intervals) * steps;
  for (int i = 0; i <= last; ++i) {
    LineVertex v;
    const int k = i / steps;
    // The spline passes through the nodes; their own values keep the ends
    // exact where the evaluation would round.
    v.Position = i % steps == 0 ? nodes[k].Position : spline.SplineAffineVector(static_cast<float>(i) * f);
    v.Color = k < count - 1 ? VectorLerp(nodes[k].Color, nodes[k + 1].Color, static_cast<float>(i % steps) * f)
                            : nodes.back().Color;
    path.Vertices.push_back(v);
  }
  return path;
}
