#include "engine/gl_nodes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <vector>

#include "engine/component.h"
#include "engine/gl_api.h"
#include "engine/update_able_object.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLNode, TCollectionItem)
CLIENT_DEFINE_CLASS(TGLNodes, TOwnedCollection)

void TGLNode::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLNode*>(source)) {
    FCoords = other->FCoords;
    return;
  }
  TCollectionItem::Assign(source);
}

void TGLNode::SetCoordinate(int index, float value) {
  CLIENT_ASSERT(index >= 0 && index < 4);
  FCoords[index] = value;
  if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
}

namespace {
// Fixed-point text with a full stop whatever the locale.
std::string FormatFixed4(float v) {
  const double value = v;
  const bool negative = value < 0;
  const long long scaled = static_cast<long long>(std::llround(std::fabs(value) * 10000.0));
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%s%lld.%04lld", negative && scaled != 0 ? "-" : "", scaled / 10000,
                scaled % 10000);
  return buffer;
}
}  // namespace

std::string TGLNode::GetDisplayName() const {
  return FormatFixed4(FCoords[0]) + "; " + FormatFixed4(FCoords[1]) + "; " + FormatFixed4(FCoords[2]);
}

TGLNodes::TGLNodes(TPersistent* owner, const TClassInfo* itemClass)
    : TOwnedCollection(owner, itemClass ? *itemClass : TGLNode::StaticClass()) {}

std::unique_ptr<TGLNodes> TGLNodes::CreateCopy(const TGLNodes* source, TPersistent* owner) {
  if (!source) return nullptr;
  auto copy = std::make_unique<TGLNodes>(owner, &source->ItemClass());
  copy->Assign(source);
  return copy;
}

TGLNode* TGLNodes::AddNode(float x, float y, float z) {
  BeginUpdate();
  TGLNode* node = Add();
  node->SetDirect({x, y, z, 0.0f});
  EndUpdate();
  return node;
}

void TGLNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(GetOwner()))
    component->NotifyChange(this);
  else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(GetOwner()))
    object->NotifyChange(this);
}

TAffineVector TGLNodes::Barycenter() const {
  TAffineVector sum{};
  if (GetCount() == 0) return sum;
  for (int i = 0; i < GetCount(); ++i) AddAffineVectorInPlace(sum, GetItems(i)->GetAsAffineVector());
  ScaleAffineVector(sum, 1.0f / static_cast<float>(GetCount()));
  return sum;
}

TAffineVector TGLNodes::Normal() const {
  if (GetCount() < 3) return NullVector;
  const TAffineVector p0 = GetItems(0)->GetAsAffineVector();
  TAffineVector n = AffineVectorCross(AffineVectorSubtract(GetItems(1)->GetAsAffineVector(), p0),
                                      AffineVectorSubtract(GetItems(2)->GetAsAffineVector(), p0));
  NormalizeAffineVector(n);
  return n;
}

TAffineVector TGLNodes::Vector(int index) const {
  CLIENT_ASSERT(index >= 0 && index < GetCount());
  if (GetCount() < 2) return NullVector;
  const int previous = index > 0 ? index - 1 : 0;
  const int next = index < GetCount() - 1 ? index + 1 : index;
  TAffineVector v =
      AffineVectorSubtract(GetItems(next)->GetAsAffineVector(), GetItems(previous)->GetAsAffineVector());
  if (VectorNorm(v) <= 1e-5f) return NullVector;
  NormalizeAffineVector(v);
  return v;
}

void TGLNodes::Translate(const TAffineVector& tv) {
  for (int i = 0; i < GetCount(); ++i) {
    TGLNode* node = GetItems(i);
    const TVector4f& c = node->AsVector();
    node->SetDirect({c[0] + tv[0], c[1] + tv[1], c[2] + tv[2], c[3]});
  }
  NotifyChange();
}

void TGLNodes::RotateAroundY(float angle) {
  float s, c;
  SinCos(DegToRad(angle), s, c);
  for (int i = 0; i < GetCount(); ++i) {
    TGLNode* node = GetItems(i);
    const TVector4f& v = node->AsVector();
    node->SetDirect({c * v[0] + s * v[2], v[1], c * v[2] - s * v[0], v[3]});
  }
  NotifyChange();
}

std::unique_ptr<TCubicSpline> TGLNodes::CreateNewCubicSpline() const {
  std::vector<float> x, y, z;
  for (int i = 0; i < GetCount(); ++i) {
    x.push_back(GetItems(i)->GetX());
    y.push_back(GetItems(i)->GetY());
    z.push_back(GetItems(i)->GetZ());
  }
  return std::make_unique<TCubicSpline>(x.data(), y.data(), z.data(), nullptr, GetCount());
}

namespace {

// The tessellator's callbacks reach GL through the function table too.
struct TessState {
  bool textured = false;
  std::deque<std::array<GLdouble, 3>> extra;  // stable addresses for combined vertices
};

void GLAPIENTRY TessBegin(GLenum mode, void*) { GL().glBegin(mode); }
void GLAPIENTRY TessEnd(void*) { GL().glEnd(); }
void GLAPIENTRY TessVertex(void* vertex, void* data) {
  const auto* v = static_cast<const GLdouble*>(vertex);
  if (static_cast<TessState*>(data)->textured)
    GL().glTexCoord2f(static_cast<float>(v[0]), static_cast<float>(v[1]));
  GL().glVertex3dv(v);
}
void GLAPIENTRY TessError(GLenum, void*) {}
void GLAPIENTRY TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
  auto* state = static_cast<TessState*>(data);
  state->extra.push_back({coords[0], coords[1], coords[2]});
  *out = state->extra.back().data();
}

}  // namespace

void TGLNodes::RenderTesselatedPolygon(bool textured, const TAffineVector* normal, int splineDivisions,
                                       bool invertOrder) const {
  if (GetCount() < 3) return;
  std::vector<std::array<GLdouble, 3>> points;
  if (splineDivisions > 1) {
    const auto spline = CreateNewCubicSpline();
    const int n = (GetCount() - 1) * splineDivisions + 1;
    const float step = 1.0f / static_cast<float>(splineDivisions);
    for (int i = 0; i < n; ++i) {
      const TAffineVector p = spline->SplineAffineVector(static_cast<float>(i) * step);
      points.push_back({p[0], p[1], p[2]});
    }
  } else {
    for (int i = 0; i < GetCount(); ++i)
      points.push_back({GetItems(i)->GetX(), GetItems(i)->GetY(), GetItems(i)->GetZ()});
  }
  if (invertOrder) std::reverse(points.begin(), points.end());

  const GLApi& gl = GL();
  GLUtesselator* tess = gl.gluNewTess();
  if (!tess) return;
  TessState state;
  state.textured = textured;
  gl.gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&TessBegin));
  gl.gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&TessEnd));
  gl.gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&TessVertex));
  gl.gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&TessError));
  gl.gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&TessCombine));
  gl.gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  if (normal) {
    gl.glNormal3fv(normal->V);
    gl.gluTessNormal(tess, (*normal)[0], (*normal)[1], (*normal)[2]);
  }
  gl.gluTessBeginPolygon(tess, &state);
  gl.gluTessBeginContour(tess);
  for (auto& p : points) gl.gluTessVertex(tess, p.data(), p.data());
  gl.gluTessEndContour(tess);
  gl.gluTessEndPolygon(tess);
  gl.gluDeleteTess(tess);
}
