#include "objects/multi_polygon.h"

#include <algorithm>

#include "objects/geometry_emitter.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLContourNodes, TGLNodes)
CLIENT_DEFINE_CLASS(TGLContour, TCollectionItem)
CLIENT_DEFINE_CLASS(TGLContours, TNotifyCollection)
CLIENT_DEFINE_CLASS(TMultiPolygonBase, TGL3DSceneObject)
CLIENT_DEFINE_CLASS(TGLMultiPolygon, TMultiPolygonBase)
CLIENT_REGISTER_CLASS(TGLMultiPolygon);

// --- Contours ---------------------------------------------------------------------------

TGLContourNodes::TGLContourNodes(TGLContour* owner) : TGLNodes(owner) {}

void TGLContourNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* contour = dynamic_cast<TGLContour*>(GetOwner())) contour->NodesChanged();
}

TGLContour::TGLContour() : FNodes(std::make_unique<TGLContourNodes>(this)) {}

TGLContour::~TGLContour() = default;

void TGLContour::SetNodes(const TGLContourNodes* value) {
  if (value && value != FNodes.get()) FNodes->Assign(value);
  Changed();
}

void TGLContour::SetDivision(int value) {
  value = std::max(value, 1);
  if (value == FDivision) return;
  FDivision = value;
  Changed();
}

void TGLContour::SetSplineMode(TLineSplineMode value) {
  if (value == FSplineMode) return;
  FSplineMode = value;
  Changed();
}

ContourPoints TGLContour::Points() const {
  return NodePoints(*FNodes, FSplineMode == lsmLines ? 0 : FDivision);
}

void TGLContour::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLContour*>(source)) {
    FNodes->Assign(other->FNodes.get());
    FDivision = other->FDivision;
    FSplineMode = other->FSplineMode;
    FDescription = other->FDescription;
    Changed();
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TGLContour::GetDisplayName() const {
  if (!FDescription.empty()) return FDescription;
  return "GLContour: " + std::to_string(FNodes->GetCount()) + " nodes";
}

TGLContours::TGLContours(TPersistent* owner) : TNotifyCollection(owner, TGLContour::StaticClass()) {}

// --- Outline ----------------------------------------------------------------------------

TAffineVectorList* TPolygonList::Add() {
  FPaths.push_back(std::make_unique<TAffineVectorList>());
  return FPaths.back().get();
}

std::vector<ContourPoints> TPolygonList::Paths() const {
  std::vector<ContourPoints> paths;
  for (const auto& path : FPaths) paths.emplace_back(path->List(), path->List() + path->GetCount());
  return paths;
}

// --- Multi-polygon base -----------------------------------------------------------------

TMultiPolygonBase::TMultiPolygonBase(TComponent* owner)
    : TGL3DSceneObject(owner), FContours(std::make_unique<TGLContours>(this)) {
  FContours->OnNotifyChange = [this](TObject* sender) { ContourChanged(sender); };
}

TMultiPolygonBase::~TMultiPolygonBase() = default;

void TMultiPolygonBase::SetContours(const TGLContours* value) {
  if (value && value != FContours.get()) FContours->Assign(value);
}

void TMultiPolygonBase::SetContoursNormal(const TAffineVector& value) {
  FContoursNormal = value;
  FOutline.reset();
  StructureChanged();
}

TGLContourNodes* TMultiPolygonBase::GetPath(int index) {
  CLIENT_ASSERT(index >= 0);
  while (FContours->GetCount() <= index) FContours->Add();
  return FContours->GetItems(index)->GetNodes();
}

const TPolygonList& TMultiPolygonBase::GetOutline() {
  if (!FOutline) {
    FOutline = std::make_unique<TPolygonList>();
    std::vector<ContourPoints> contours;
    for (int i = 0; i < FContours->GetCount(); ++i) contours.push_back(FContours->GetItems(i)->Points());
    for (const ContourPoints& loop : TessellateOutline(contours, FContoursNormal)) {
      TAffineVectorList* path = FOutline->Add();
      for (const TAffineVector& p : loop) path->Add(p);
    }
  }
  return *FOutline;
}

void TMultiPolygonBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TMultiPolygonBase*>(source)) SetContours(other->FContours.get());
  TGL3DSceneObject::Assign(source);
}

void TMultiPolygonBase::ContourChanged(TObject*) {
  if (!FOutline) return;
  FOutline.reset();
  StructureChanged();
}

GeometryBatches TMultiPolygonBase::TesselatedPolygon(const TAffineVector* normal, bool invertNormals) {
  const TPolygonList& outline = GetOutline();
  if (outline.GetCount() == 0 || outline.GetPath(0)->GetCount() < 2) return {};
  return TessellateFill(outline.Paths(), normal, invertNormals);
}

void TMultiPolygonBase::RenderTesselatedPolygon(bool textured, const TAffineVector* normal, bool invertNormals) {
  EmitGeometry(TesselatedPolygon(normal, invertNormals), {normal != nullptr, textured});
}

// --- Multi-polygon ----------------------------------------------------------------------

TGLMultiPolygon::TGLMultiPolygon(TComponent* owner) : TMultiPolygonBase(owner) {}

void TGLMultiPolygon::SetParts(TPolygonParts value) {
  if (value == FParts) return;
  FParts = value;
  StructureChanged();
}

void TGLMultiPolygon::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLMultiPolygon*>(source)) FParts = other->FParts;
  TMultiPolygonBase::Assign(source);
}

void TGLMultiPolygon::BuildList(TRenderContextInfo&) {
  const TPolygonList& outline = GetOutline();
  if (outline.GetCount() == 0) return;
  EmitGeometry(TessellateFaces(outline.Paths(), GetContoursNormal(), FParts));
}
