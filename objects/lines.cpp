#include "objects/lines.h"

#include <algorithm>
#include <cmath>

#include "engine/gl_api.h"
#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"
#include "objects/shared_shapes.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLLinesNode, TGLNode)
CLIENT_DEFINE_CLASS(TGLLinesNodes, TGLNodes)
CLIENT_DEFINE_CLASS(TGLNodedLines, TGLLineBase)
CLIENT_DEFINE_CLASS(TGLLines, TGLNodedLines)
CLIENT_REGISTER_CLASS(TGLLines);

// --- Nodes --------------------------------------------------------------------------

TGLLinesNode::TGLLinesNode()
    : FColor(std::make_unique<TGLColor>(this, clrBlue, [this](TObject*) { Changed(); })) {}

TGLLinesNode::~TGLLinesNode() = default;

bool TGLLinesNode::IsColorStored() const {
  const auto* nodes = dynamic_cast<const TGLLinesNodes*>(Collection());
  const TVector4f reference = nodes ? nodes->DefaultNodeColor() : clrBlue;
  return !VectorEquals(FColor->GetColor(), reference);
}

void TGLLinesNode::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLinesNode*>(source)) {
    // The coordinates too: a copied collection of lines nodes (the rain's
    // clones) must keep its points.
    SetDirect(other->AsVector());
    FColor->Assign(other->FColor.get());
    return;
  }
  TGLNode::Assign(source);
}

TGLLinesNodes::TGLLinesNodes(TPersistent* owner, const TClassInfo* itemClass)
    : TGLNodes(owner, itemClass ? itemClass : &TGLLinesNode::StaticClass()) {}

TVector4f TGLLinesNodes::DefaultNodeColor() const {
  if (const auto* lines = dynamic_cast<const TGLNodedLines*>(GetOwner())) return lines->GetNodeColor()->GetColor();
  return clrBlue;
}

void TGLLinesNodes::ItemCreated(TCollectionItem* item) {
  if (auto* node = dynamic_cast<TGLLinesNode*>(item)) node->GetColor()->Initialize(DefaultNodeColor());
}

// --- Lines with nodes -------------------------------------------------------------

TGLNodedLines::TGLNodedLines(TComponent* owner)
    : TGLLineBase(owner),
      FNodes(std::make_unique<TGLLinesNodes>(this)),
      FNodeColor(std::make_unique<TGLColor>(this, clrBlue, [this](TObject*) { NodeColorChanged(); })) {}

TGLNodedLines::~TGLNodedLines() = default;

void TGLNodedLines::SetNodes(const TGLLinesNodes* value) {
  if (value && value != FNodes.get()) FNodes->Assign(value);
  StructureChanged();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect value) {
  if (value == FNodesAspect) return;
  FNodesAspect = value;
  StructureChanged();
}

void TGLNodedLines::SetNodeColor(const TGLColor* value) {
  if (value) FNodeColor->SetColor(value->GetColor());
  StructureChanged();
}

void TGLNodedLines::NodeColorChanged() {
  // Nodes that still had the line's node colour follow it; nodes given a
  // colour of their own keep it.
  const TVector4f now = FNodeColor->GetColor();
  for (int i = 0; i < FNodes->GetCount(); ++i) {
    TGLColor* colour = FNodes->GetItems(i)->GetColor();
    if (VectorEquals(colour->GetColor(), FOldNodeColor)) colour->Initialize(now);
  }
  FOldNodeColor = now;
}

void TGLNodedLines::SetNodeSize(float value) {
  FNodeSize = value > 0.0f ? value : 1.0f;
  StructureChanged();
}

TGLLinesNode* TGLNodedLines::AddNode(const TAffineVector& point) {
  return static_cast<TGLLinesNode*>(FNodes->AddNode(point));
}

std::vector<LineNode> TGLNodedLines::NodeData() const {
  std::vector<LineNode> nodes;
  nodes.reserve(static_cast<std::size_t>(FNodes->GetCount()));
  for (int i = 0; i < FNodes->GetCount(); ++i) {
    const TGLLinesNode* node = FNodes->GetItems(i);
    nodes.push_back({node->GetAsAffineVector(), node->GetColor()->GetColor()});
  }
  return nodes;
}

void TGLNodedLines::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLNodedLines*>(source)) {
    SetNodes(other->FNodes.get());
    FNodesAspect = other->FNodesAspect;
    // The value alone: the copied nodes already carry their colours.
    FNodeColor->Initialize(other->FNodeColor->GetColor());
    FOldNodeColor = FNodeColor->GetColor();
  }
  TGLLineBase::Assign(source);
}

TVector4f TGLNodedLines::AxisAlignedDimensionsUnscaled() const {
  TVector4f extent{0, 0, 0, 0};
  for (int i = 0; i < FNodes->GetCount(); ++i) {
    const TVector4f& v = FNodes->GetItems(i)->AsVector();
    for (int axis = 0; axis < 4; ++axis) extent[axis] = std::max(extent[axis], std::fabs(v[axis]));
  }
  return extent;
}

void TGLNodedLines::NotifyChange(TObject* sender) {
  if (sender != nullptr && sender == FNodes.get()) StructureChanged();
  TGLLineBase::NotifyChange(sender);
}

void TGLNodedLines::DrawNodeMarker(TRenderContextInfo& rci, const TVector4f& colour, float x, float y, float z) {
  CLIENT_ASSERT(FNodesAspect <= lnaDodecahedron);
  if (FNodesAspect == lnaInvisible) return;
  const GLApi& gl = GL();
  gl.glPushMatrix();
  gl.glTranslatef(x, y, z);
  switch (FNodesAspect) {
    case lnaAxes:
      RenderAxes(rci, 0xCCCC, FNodeSize * 0.5f);
      break;
    case lnaCube:
      WireCubeBuildList(false, colour, FNodeSize);
      break;
    case lnaDodecahedron:
      SetGLMaterialColors(GL_FRONT, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, colour, {0, 0, 0, 1}, 0);
      if (FNodeSize != 1.0f) {
        gl.glPushMatrix();
        gl.glScalef(FNodeSize, FNodeSize, FNodeSize);
        SolidDodecahedronBuildList();
        gl.glPopMatrix();
      } else {
        SolidDodecahedronBuildList();
      }
      break;
    case lnaInvisible:
      break;
  }
  gl.glPopMatrix();
}

void TGLNodedLines::DrawNodeMarkers(TRenderContextInfo& rci) {
  // The colour buffer group too, so that the blend function goes back.
  ScopedGLAttribs attribs(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT, rci.GLStates);
  if (!rci.ignoreBlendingRequests) {
    SetGLState(rci.GLStates, stBlend);
    GL().glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  for (int i = 0; i < FNodes->GetCount(); ++i) {
    const TGLLinesNode* node = FNodes->GetItems(i);
    DrawNodeMarker(rci, node->GetColor()->GetColor(), node->GetX(), node->GetY(), node->GetZ());
  }
}

// --- Lines ---------------------------------------------------------------------------

TGLLines::TGLLines(TComponent* owner) : TGLNodedLines(owner), FNURBSKnots(std::make_unique<TSingleList>()) {}

TGLLines::~TGLLines() = default;

void TGLLines::SetDivision(int value) {
  value = std::max(value, 1);
  if (value == FDivision) return;
  FDivision = value;
  StructureChanged();
}

void TGLLines::SetSplineMode(TLineSplineMode value) {
  if (value == FSplineMode) return;
  FSplineMode = value;
  StructureChanged();
}

void TGLLines::SetOptions(TLinesOptions value) {
  FOptions = value;
  StructureChanged();
}

void TGLLines::SetNURBSOrder(int value) {
  if (value == FNURBSOrder) return;
  FNURBSOrder = value;
  StructureChanged();
}

void TGLLines::SetNURBSTolerance(float value) {
  if (value == FNURBSTolerance) return;
  FNURBSTolerance = value;
  StructureChanged();
}

void TGLLines::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLines*>(source)) {
    FDivision = other->FDivision;
    FSplineMode = other->FSplineMode;
  }
  TGLNodedLines::Assign(source);
}

namespace {

void EmitLinePath(const LinePath& path) {
  if (path.Vertices.empty()) return;
  const GLApi& gl = GL();
  gl.glBegin(PrimitiveKindToGL(path.Kind));
  for (const LineVertex& v : path.Vertices) {
    if (path.VertexColors) gl.glColor4fv(v.Color.V);
    gl.glVertex3fv(v.Position.V);
  }
  gl.glEnd();
}

}  // namespace

void TGLLines::DrawNurbsCurve(const std::vector<LineNode>& nodes) {
  const int knotCount = FNURBSKnots->GetCount();
  if (FNURBSOrder <= 0 || knotCount == 0) return;
  // GLU reads knots - order control points: any other count would read
  // past the nodes or draw a curve that is not this one.
  if (static_cast<long long>(knotCount) != static_cast<long long>(nodes.size()) + FNURBSOrder) return;
  std::vector<GLfloat> knots(FNURBSKnots->List(), FNURBSKnots->List() + knotCount);
  std::vector<GLfloat> control;
  for (const LineNode& n : nodes) control.insert(control.end(), n.Position.V, n.Position.V + 3);
  const GLApi& gl = GL();
  GLUnurbs* renderer = gl.gluNewNurbsRenderer();
  if (!renderer) return;
  gl.gluNurbsProperty(renderer, GLU_SAMPLING_TOLERANCE, FNURBSTolerance);
  gl.gluNurbsProperty(renderer, GLU_DISPLAY_MODE, GLU_FILL);
  gl.gluBeginCurve(renderer);
  gl.gluNurbsCurve(renderer, knotCount, knots.data(), 3, control.data(), FNURBSOrder, GL_MAP1_VERTEX_3);
  gl.gluEndCurve(renderer);
  gl.gluDeleteNurbsRenderer(renderer);
}

void TGLLines::BuildList(TRenderContextInfo& rci) {
  if (GetNodes()->GetCount() < 2) return;
  const std::vector<LineNode> nodes = NodeData();
  {
    LineStyleScope style(*this, rci);
    if (DrawsAsNurbs(FSplineMode, FDivision))
      DrawNurbsCurve(nodes);
    else
      EmitLinePath(BuildLinePath(nodes, FSplineMode, FDivision, FOptions.Contains(loUseNodeColorForLines)));
  }
  if (GetNodesAspect() != lnaInvisible) DrawNodeMarkers(rci);
}
