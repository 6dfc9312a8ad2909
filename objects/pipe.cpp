#include "objects/pipe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/spline.h"
#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"
#include "objects/ring_table.h"

CLIENT_DEFINE_CLASS(TGLPipeNode, TGLNode)
CLIENT_DEFINE_CLASS(TGLPipeNodes, TGLLinesNodes)
CLIENT_DEFINE_CLASS(TGLPipe, TGLPolygonBase)
CLIENT_REGISTER_CLASS(TGLPipe);

// --- Nodes ------------------------------------------------------------------------------

TGLPipeNode::TGLPipeNode()
    : FColor(std::make_unique<TGLColor>(this, TVector4f{0, 0, 0, 1}, [this](TObject*) { Changed(); })) {}

TGLPipeNode::~TGLPipeNode() = default;

void TGLPipeNode::SetRadiusFactor(float value) {
  if (value == FRadiusFactor) return;
  FRadiusFactor = value;
  Changed();
}

std::string TGLPipeNode::GetDisplayName() const {
  char factor[64];
  std::snprintf(factor, sizeof factor, "%.3f", static_cast<double>(FRadiusFactor));
  // The C library formats with the locale's separator; the display wants a full stop.
  for (char* c = factor; *c; ++c)
    if (*c == ',') *c = '.';
  return TGLNode::GetDisplayName() + " / rf = " + factor;
}

void TGLPipeNode::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPipeNode*>(source)) {
    FRadiusFactor = other->FRadiusFactor;
    // The colour too: a copied pipe keeps its colours.
    FColor->Initialize(other->FColor->GetColor());
  }
  TGLNode::Assign(source);
}

// --- Geometry -------------------------------------------------------------------------------

PipeRing MakePipeRing(const TAffineVector& centre, const TAffineVector& direction, float radiusFactor, float radius,
                      int slices) {
  constexpr TAffineVector xAxis{1, 0, 0}, zAxis{0, 0, 1};
  TAffineVector u = AffineVectorCross(zAxis, direction), v;
  if (VectorLength(u) >= 1e-7f) {
    NormalizeAffineVector(u);
    v = AffineVectorCross(direction, u);
  } else if (VectorLength(direction) < 1e-7f) {
    u = xAxis;
    v = zAxis;
  } else {
    u = AffineVectorCross(xAxis, direction);
    NormalizeAffineVector(u);
    v = AffineVectorCross(direction, u);
  }
  NormalizeAffineVector(v);
  PipeRing ring;
  const float scale = radius * radiusFactor;
  const RingTable table = MakeRingTable(slices);
  for (int i = 0; i <= slices; ++i) {
    const auto c = static_cast<float>(table.Cosines[i]), s = static_cast<float>(table.Sines[i]);
    const TAffineVector n{c * u[0] + s * v[0], c * u[1] + s * v[1], c * u[2] + s * v[2]};
    ring.Normals.push_back(n);
    ring.Positions.push_back(VectorAddScaled(centre, n, scale));
  }
  return ring;
}

void UntwistPipeRing(const PipeRing& previous, PipeRing& current) {
  const std::size_t n = current.Normals.size() - 1;
  if (n == 0 || previous.Normals.size() != current.Normals.size()) return;
  std::size_t best = 0;
  double bestSum = 0;
  for (std::size_t shift = 0; shift < n; ++shift) {
    double sum = 0;
    for (std::size_t k = 0; k < n; ++k)
      sum += VectorLength(AffineVectorSubtract(current.Normals[(k + shift) % n], previous.Normals[k]));
    if (shift == 0 || sum < bestSum) {
      best = shift;
      bestSum = sum;
    }
  }
  if (best == 0) return;
  std::rotate(current.Normals.begin(), current.Normals.begin() + static_cast<std::ptrdiff_t>(best), current.Normals.end() - 1);
  std::rotate(current.Positions.begin(), current.Positions.begin() + static_cast<std::ptrdiff_t>(best),
              current.Positions.end() - 1);
  current.Normals[n] = current.Normals[0];
  current.Positions[n] = current.Positions[0];
}

namespace {

class PipeBuilder {
public:
  PipeBuilder(const PipeShape& shape, GeometryBatches& out)
      : coloured_(shape.NodesColorMode != pncmNone), out_(out) {}

  // The strip between two rings; the inside wall faces the axis.
  void Wall(const PipeRing& previous, const PipeRing& current, bool inside) {
    GeometryBatch strip{PrimitiveKind::TriangleStrip, {}};
    const PipeRing& first = inside ? previous : current;
    const PipeRing& second = inside ? current : previous;
    const float sign = inside ? -1.0f : 1.0f;
    for (std::size_t k = 0; k < current.Positions.size(); ++k) {
      for (const PipeRing* ring : {&first, &second}) {
        TAffineVector n = ring->Normals[k];
        ScaleAffineVector(n, sign);
        strip.Vertices.push_back({{0, 0}, n, ring->Positions[k]});
        if (coloured_) strip.Colors.push_back(ring->Color);
      }
    }
    out_.push_back(std::move(strip));
  }

  // A fan round the ring's centre facing `normal`, the points walked
  // backwards when reversed.
  void Disk(const PipeRing& ring, const TAffineVector& centre, const TAffineVector& normal, bool reverse) {
    GeometryBatch fan{PrimitiveKind::TriangleFan, {}};
    fan.Vertices.push_back({{0, 0}, normal, centre});
    const std::size_t n = ring.Positions.size();
    for (std::size_t k = 0; k < n; ++k) fan.Vertices.push_back({{0, 0}, normal, ring.Positions[reverse ? n - 1 - k : k]});
    if (coloured_) fan.Colors.assign(fan.Vertices.size(), ring.Color);
    out_.push_back(std::move(fan));
  }

private:
  bool coloured_;
  GeometryBatches& out_;
};

// The direction at node i: next minus previous, one-sided at the ends.
TAffineVector NodeDirection(const std::vector<PipeNode>& nodes, std::size_t i) {
  if (nodes.size() < 2) return {0, 0, 0};
  const std::size_t previous = i > 0 ? i - 1 : 0, next = i + 1 < nodes.size() ? i + 1 : i;
  TAffineVector d = AffineVectorSubtract(nodes[next].Position, nodes[previous].Position);
  if (VectorLength(d) <= 1e-5f) return {0, 0, 0};
  NormalizeAffineVector(d);
  return d;
}

}  // namespace

GeometryBatches BuildPipeGeometry(const std::vector<PipeNode>& nodes, const PipeShape& shape) {
  GeometryBatches batches;
  if (nodes.empty() || shape.Slices < 1) return batches;
  const int count = static_cast<int>(nodes.size());
  const bool spline = shape.SplineMode == lsmCubicSpline && count >= 2;
  std::unique_ptr<TCubicSpline> path, radii;
  if (spline) {
    std::vector<TAffineVector> positions;
    std::vector<float> factors;
    for (const PipeNode& n : nodes) {
      positions.push_back(n.Position);
      factors.push_back(n.RadiusFactor);
    }
    path = std::make_unique<TCubicSpline>(SplineThrough(positions));
    radii = std::make_unique<TCubicSpline>(factors.data(), nullptr, nullptr, nullptr, count);
  }
  PipeBuilder builder(shape, batches);
  auto direction = [&](std::size_t i) {
    if (!spline) return NodeDirection(nodes, i);
    TAffineVector d = path->SplineSlopeVector(static_cast<float>(i));
    NormalizeAffineVector(d);
    return d;
  };
  TAffineVector startDirection = direction(0);
  PipeRing previous = MakePipeRing(nodes[0].Position, startDirection, nodes[0].RadiusFactor, shape.Radius, shape.Slices);
  previous.Color = nodes[0].Color;
  if (shape.Parts.Contains(ppStartDisk))
    builder.Disk(previous, nodes[0].Position, AffineVectorNegate(startDirection), true);
  TAffineVector lastCentre = nodes[0].Position, lastDirection = startDirection;
  auto join = [&](PipeRing current) {
    UntwistPipeRing(previous, current);
    if (shape.Parts.Contains(ppOutside)) builder.Wall(previous, current, false);
    if (shape.Parts.Contains(ppInside)) builder.Wall(previous, current, true);
    previous = std::move(current);
  };
  if (spline) {
    const int division = std::max(shape.Division, 1);
    const int last = (count - 1) * division;
    for (int i = 1; i <= last; ++i) {
      const float t = static_cast<float>(i) / static_cast<float>(division);
      lastCentre = path->SplineAffineVector(t);
      lastDirection = path->SplineSlopeVector(t);
      NormalizeAffineVector(lastDirection);
      PipeRing ring = MakePipeRing(lastCentre, lastDirection, radii->SplineX(t), shape.Radius, shape.Slices);
      const int k = i / division;
      ring.Color = k < count - 1 ? VectorLerp(nodes[k].Color, nodes[k + 1].Color, static_cast<float>(i % division) / division)
                                 : nodes.back().Color;
      join(std::move(ring));
    }
  } else {
    for (int i = 1; i < count; ++i) {
      lastCentre = nodes[i].Position;
      lastDirection = direction(static_cast<std::size_t>(i));
      PipeRing ring = MakePipeRing(lastCentre, lastDirection, nodes[i].RadiusFactor, shape.Radius, shape.Slices);
      ring.Color = nodes[i].Color;
      join(std::move(ring));
    }
  }
  if (shape.Parts.Contains(ppStopDisk)) builder.Disk(previous, lastCentre, lastDirection, false);
  return batches;
}

// --- Pipe ---------------------------------------------------------------------------------

TGLPipe::TGLPipe(TComponent* owner)
    : TGLPolygonBase(owner, [](TGLPolygonBase* self) { return std::make_unique<TGLPipeNodes>(self); }) {}

TGLPipeNode* TGLPipe::AddPipeNode(const TAffineVector& point) {
  return static_cast<TGLPipeNode*>(GetNodes()->AddNode(point));
}

void TGLPipe::SetSlices(int value) {
  if (value > 0) Store(FShape.Slices, value);
}

PipeShape TGLPipe::Shape() const {
  PipeShape shape = FShape;
  shape.Division = GetDivision();
  shape.SplineMode = GetSplineMode();
  return shape;
}

GeometryBatches TGLPipe::Geometry() const {
  std::vector<PipeNode> nodes;
  const TGLNodes& own = *GetNodes();
  for (int i = 0; i < own.GetCount(); ++i) {
    PipeNode node;
    node.Position = own.GetItems(i)->GetAsAffineVector();
    if (const auto* pipeNode = dynamic_cast<const TGLPipeNode*>(own.GetItems(i))) {
      node.RadiusFactor = pipeNode->GetRadiusFactor();
      node.Color = pipeNode->GetColor()->GetColor();
    }
    nodes.push_back(node);
  }
  return BuildPipeGeometry(nodes, Shape());
}

void TGLPipe::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPipe*>(source)) {
    FShape.Slices = other->FShape.Slices;
    FShape.Parts = other->FShape.Parts;
    FShape.Radius = other->FShape.Radius;
    FShape.NodesColorMode = other->FShape.NodesColorMode;
    StructureChanged();
  }
  TGLPolygonBase::Assign(source);
}

void TGLPipe::BuildList(TRenderContextInfo& rci) {
  const GeometryBatches batches = Geometry();
  if (FShape.NodesColorMode == pncmNone) {
    EmitGeometry(batches, {true, false});
    return;
  }
  // The node colours drive the material parameter of the mode; the
  // lighting group takes the material back with the rest.
  static constexpr GLenum kParameters[] = {GL_EMISSION, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
  ScopedGLAttribs attribs(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT, rci.GLStates);
  GL().glColorMaterial(GL_FRONT_AND_BACK, kParameters[FShape.NodesColorMode]);
  SetGLState(rci.GLStates, stColorMaterial);
  EmitGeometry(batches, {true, false});
}
