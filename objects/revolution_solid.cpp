#include "objects/revolution_solid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/spline.h"
#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLRevolutionSolid, TGLPolygonBase)
CLIENT_REGISTER_CLASS(TGLRevolutionSolid);

namespace {

constexpr double kTurn = 2 * std::numbers::pi;

// The sweep's numbers, in radians.
struct Sweep {
  double start, stop, range;
  int steps;
  double angleStep, textureStep, y0, yStep;
};

Sweep SweepOf(const RevolutionShape& shape) {
  Sweep s{};
  s.start = shape.StartAngle * std::numbers::pi / 180;
  s.stop = shape.StopAngle * std::numbers::pi / 180;
  s.range = s.stop - s.start;
  // At least one step: a range below half a slice would divide by zero.
  s.steps = std::max(1, static_cast<int>(std::nearbyint(shape.Slices * s.range / kTurn)));
  // A little wider than range / steps, so that the last column lies just
  // past the stop angle.
  s.angleStep = s.range / (s.steps * 0.999);
  s.textureStep = s.range / (s.steps * kTurn);
  s.y0 = shape.YOffsetPerTurn * s.start / kTurn;
  s.yStep = shape.YOffsetPerTurn != 0 ? s.range * shape.YOffsetPerTurn / kTurn / s.steps : 0;
  return s;
}

TAffineVector Rotated(const TAffineVector& v, double angle, double yOffset) {
  TAffineVector r = AffineVectorRotatedAroundY(v, static_cast<float>(angle));
  r[1] += static_cast<float>(yOffset);
  return r;
}

// Of the column pair P, Q: perpendicular to the profile segment and to the
// direction of the sweep; left null for a segment on the axis.
TAffineVector SegmentNormal(const TAffineVector& p, const TAffineVector& q) {
  const float sx = p[0] + q[0], sz = p[2] + q[2];
  const TAffineVector d = AffineVectorSubtract(q, p);
  TAffineVector n{-d[1] * sx, sx * d[0] + sz * d[2], -sz * d[1]};
  NormalizeAffineVector(n);
  return n;
}

class WallSweeper {
public:
  WallSweeper(const RevolutionShape& shape, const Sweep& sweep, GeometryBatches& out)
      : shape_(shape), sweep_(sweep), out_(out), cache_(static_cast<std::size_t>(sweep.steps) + 2) {}

  // A wall starts again with its first segment.
  void StartWall() { first_ = true; }

  void Segment(TAffineVector a, TAffineVector b, float ta, float tb, bool swap) {
    if (swap) std::swap(a, b);
    double angle = sweep_.start, offset = sweep_.y0;
    float s = 0;
    GeometryBatch strip{PrimitiveKind::TriangleStrip, {}};
    TAffineVector c1 = Rotated(a, angle, offset), c2 = Rotated(b, angle, offset);
    TAffineVector n1, n2;
    std::size_t step = 0;
    Normals(c1, c2, step, swap, n1, n2);
    strip.Vertices.push_back({{s, ta}, n1, c1});
    while (angle < sweep_.stop) {
      strip.Vertices.push_back({{s, tb}, n2, c2});
      angle += sweep_.angleStep;
      s += static_cast<float>(sweep_.textureStep);
      offset += sweep_.yStep;
      ++step;
      c1 = Rotated(a, angle, offset);
      c2 = Rotated(b, angle, offset);
      Normals(c1, c2, step, swap, n1, n2);
      strip.Vertices.push_back({{s, ta}, n1, c1});
    }
    strip.Vertices.push_back({{s, tb}, n2, c2});
    out_.push_back(std::move(strip));
    first_ = false;
  }

private:
  void Normals(const TAffineVector& c1, const TAffineVector& c2, std::size_t step, bool swap, TAffineVector& n1,
               TAffineVector& n2) {
    const TAffineVector n = SegmentNormal(c1, c2);
    // No smoothing across segments is taken as flat.
    if (first_ || shape_.Normals != nsSmooth) {
      n1 = n2 = n;
    } else {
      // The column shared with the previous segment keeps its normal.
      const TAffineVector& kept = cache_[step];
      n1 = swap ? n : kept;
      n2 = swap ? kept : n;
    }
    if (shape_.Normals == nsSmooth) cache_[step] = n;
  }

  const RevolutionShape& shape_;
  const Sweep& sweep_;
  GeometryBatches& out_;
  // One normal per column of the sweep (its steps, not the slices: a helix
  // takes more than a turn).
  std::vector<TAffineVector> cache_;
  bool first_ = true;
};

}  // namespace

int RevolutionSteps(const RevolutionShape& shape) { return SweepOf(shape).steps; }

GeometryBatches BuildRevolutionGeometry(const std::vector<TAffineVector>& nodes, const RevolutionShape& shape) {
  GeometryBatches batches;
  if (nodes.size() < 2 || !(shape.StopAngle > shape.StartAngle)) return batches;
  const Sweep sweep = SweepOf(shape);
  const bool inward = shape.NormalDirection == ndInside;
  const int count = static_cast<int>(nodes.size());
  const bool spline = shape.Division >= 2 && shape.SplineMode != lsmLines;
  // The profile as segments with their texture parameters.
  struct ProfileSegment {
    TAffineVector a, b;
    float ta, tb;
  };
  std::vector<ProfileSegment> profile;
  if (!spline) {
    for (int k = 0; k + 1 < count; ++k)
      profile.push_back({nodes[k], nodes[k + 1], static_cast<float>(k) / (count - 1),
                         static_cast<float>(k + 1) / (count - 1)});
  } else {
    const TCubicSpline curve = SplineThrough(nodes);
    const int m = (count - 1) * shape.Division;
    TAffineVector previous = curve.SplineAffineVector(0);
    for (int i = 1; i <= m; ++i) {
      const TAffineVector next = curve.SplineAffineVector(static_cast<float>(i) / static_cast<float>(shape.Division));
      profile.push_back({previous, next, static_cast<float>(i - 1) / m, static_cast<float>(i) / m});
      previous = next;
    }
  }
  WallSweeper sweeper(shape, sweep, batches);
  auto wall = [&](bool swap) {
    sweeper.StartWall();
    for (const ProfileSegment& segment : profile) sweeper.Segment(segment.a, segment.b, segment.ta, segment.tb, swap);
  };
  if (shape.Parts.Contains(rspInside)) wall(!inward);
  if (shape.Parts.Contains(rspOutside)) wall(inward);
  if (shape.Parts.Contains(rspStartPolygon) || shape.Parts.Contains(rspStopPolygon)) {
    TAffineVector capNormal{0, 0, 0};
    for (const TAffineVector& n : nodes) capNormal = VectorAdd(capNormal, n);
    capNormal[1] = 0;
    NormalizeAffineVector(capNormal);
    // The profile as the caps draw it (a spline sampled by the division).
    ContourPoints outline;
    if (!spline) {
      outline = nodes;
    } else {
      for (const ProfileSegment& segment : profile) outline.push_back(segment.a);
      outline.push_back(profile.back().b);
    }
    auto cap = [&](double angle, double yOffset, double normalAngle) {
      ContourPoints placed;
      for (const TAffineVector& p : outline) placed.push_back(Rotated(p, angle, yOffset));
      const TAffineVector normal = AffineVectorRotatedAroundY(capNormal, static_cast<float>(normalAngle));
      GeometryBatches face = TessellateFacing(placed, normal);
      for (GeometryBatch& batch : face) {
        for (GeometryVertex& v : batch.Vertices) v.Tex = {0, 0};
        batches.push_back(std::move(batch));
      }
    };
    const double quarter = std::numbers::pi / 2, half = std::numbers::pi;
    if (shape.Parts.Contains(rspStartPolygon))
      cap(sweep.start, sweep.y0, sweep.start + (inward ? quarter : half + quarter));
    if (shape.Parts.Contains(rspStopPolygon))
      cap(sweep.stop, sweep.y0 + sweep.range * shape.YOffsetPerTurn / kTurn,
          sweep.stop + (inward ? half + quarter : quarter));
  }
  return batches;
}

void TGLRevolutionSolid::SetSlices(int value) {
  if (value > 0) Store(FShape.Slices, value);
}

void TGLRevolutionSolid::SetStartAngle(float value) {
  if (value == FShape.StartAngle) return;
  FShape.StartAngle = value;
  if (FShape.StopAngle < value) FShape.StopAngle = value;
  StructureChanged();
}

void TGLRevolutionSolid::SetStopAngle(float value) {
  if (value == FShape.StopAngle) return;
  FShape.StopAngle = value;
  if (FShape.StartAngle > value) FShape.StartAngle = value;
  StructureChanged();
}

RevolutionShape TGLRevolutionSolid::Shape() const {
  RevolutionShape shape = FShape;
  shape.Division = GetDivision();
  shape.SplineMode = GetSplineMode();
  return shape;
}

GeometryBatches TGLRevolutionSolid::Geometry() const {
  std::vector<TAffineVector> nodes;
  for (int i = 0; i < GetNodes()->GetCount(); ++i) nodes.push_back(GetNodes()->GetItems(i)->GetAsAffineVector());
  return BuildRevolutionGeometry(nodes, Shape());
}

void TGLRevolutionSolid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLRevolutionSolid*>(source)) {
    FShape = other->FShape;
    StructureChanged();
  }
  TGLPolygonBase::Assign(source);
}

void TGLRevolutionSolid::BuildList(TRenderContextInfo&) { EmitGeometry(Geometry()); }
