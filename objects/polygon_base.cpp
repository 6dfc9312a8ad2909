#include "objects/polygon_base.h"

#include <algorithm>

CLIENT_DEFINE_CLASS(TGLPolygonBase, TGL3DSceneObject)

TGLPolygonBase::TGLPolygonBase(TComponent* owner, NodesFactory makeNodes)
    : TGL3DSceneObject(owner), FNodes(makeNodes ? makeNodes(this) : std::make_unique<TGLNodes>(this)) {}

TGLPolygonBase::~TGLPolygonBase() = default;

void TGLPolygonBase::SetNodes(const TGLNodes* value) {
  if (value != FNodes.get()) FNodes->Assign(value);
  StructureChanged();
}

void TGLPolygonBase::SetDivision(int value) {
  value = std::max(value, 1);
  if (value == FDivision) return;
  FDivision = value;
  StructureChanged();
}

void TGLPolygonBase::SetSplineMode(TLineSplineMode value) {
  if (value == FSplineMode) return;
  FSplineMode = value;
  StructureChanged();
}

void TGLPolygonBase::AddNode(const TAffineVector& point) { FNodes->AddNode(point); }

void TGLPolygonBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPolygonBase*>(source)) {
    SetNodes(other->FNodes.get());
    FDivision = other->FDivision;
    FSplineMode = other->FSplineMode;
  }
  TGL3DSceneObject::Assign(source);
}

void TGLPolygonBase::NotifyChange(TObject* sender) {
  if (sender != nullptr && sender == FNodes.get()) StructureChanged();
  TGL3DSceneObject::NotifyChange(sender);
}
