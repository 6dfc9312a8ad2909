#include "objects/dummy_cube.h"

#include <cmath>
#include <string>

#include "engine/gl_api.h"
#include "engine/vector_geometry.h"
#include "objects/shared_shapes.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLDummyCube, TGLImmaterialSceneObject)
CLIENT_REGISTER_CLASS(TGLDummyCube);

TGLDummyCube::TGLDummyCube(TComponent* owner)
    : TGLImmaterialSceneObject(owner),
      FEdgeColor(std::make_unique<TGLColor>(this, clrWhite)),
      FGroupList(std::make_unique<TGLListHandle>()) {
  FObjectStyle |= sosDirectDraw;
}

TGLDummyCube::~TGLDummyCube() = default;

void TGLDummyCube::SetCubeSize(float value) {
  if (value == FCubeSize) return;
  FCubeSize = value;
  StructureChanged();
}

void TGLDummyCube::SetEdgeColor(const TGLColor* value) {
  if (value == FEdgeColor.get() || !value) return;
  FEdgeColor->Initialize(value->GetColor());
  StructureChanged();
}

void TGLDummyCube::SetVisibleAtRunTime(bool value) {
  if (value == FVisibleAtRunTime) return;
  FVisibleAtRunTime = value;
  StructureChanged();
}

void TGLDummyCube::SetAmalgamate(bool value) {
  if (value == FAmalgamate) return;
  FAmalgamate = value;
  if (value) {
    FObjectStyle |= sosResetsGLStateCaches;
  } else {
    FGroupList->DestroyHandle();
    FObjectStyle &= static_cast<TSceneObjectStyle>(~sosResetsGLStateCaches);
  }
  TGLImmaterialSceneObject::StructureChanged();
}

void TGLDummyCube::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDummyCube*>(source)) {
    FCubeSize = other->FCubeSize;
    FEdgeColor->Initialize(other->FEdgeColor->GetColor());
    FVisibleAtRunTime = other->FVisibleAtRunTime;
    NotifyChange(this);
  }
  TGLImmaterialSceneObject::Assign(source);
}

TVector4f TGLDummyCube::BarycenterAbsolutePosition() {
  if (GetCount() == 0) return GetAbsolutePosition();
  TVector4f sum{0, 0, 0, 0};
  for (int i = 0; i < GetCount(); ++i) AddVectorInPlace(sum, GetChild(i)->BarycenterAbsolutePosition());
  ScaleVector(sum, 1.0f / static_cast<float>(GetCount()));
  return sum;
}

TVector4f TGLDummyCube::AxisAlignedDimensionsUnscaled() const {
  const float h = std::fabs(FCubeSize) * 0.5f;
  return {h, h, h, 0};
}

bool TGLDummyCube::RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*) { return false; }

void TGLDummyCube::BuildList(TRenderContextInfo& rci) {
  if (IsDesigning() || FVisibleAtRunTime) WireCubeBuildList(true, FEdgeColor->GetColor(), FCubeSize);
}

void TGLDummyCube::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (!FAmalgamate || rci.amalgamating) {
    TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  if (FGroupList->GetHandle() == 0) {
    FGroupList->AllocateHandle();
    CLIENT_ASSERT(FGroupList->GetHandle() != 0, ("Handle=0 for " + ClassName()).c_str());
    rci.amalgamating = true;
    struct Amalgamated {
      bool& flag;
      ~Amalgamated() { flag = false; }
    } amalgamated{rci.amalgamating};
    FGroupList->Compile(rci.GLStates, [&] { TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren); });
  }
  // Called in the frame that compiles it too, so the group never blinks.
  FGroupList->Call(rci.GLStates);
}

void TGLDummyCube::StructureChanged() {
  if (FAmalgamate) FGroupList->DestroyHandle();
  TGLImmaterialSceneObject::StructureChanged();
}

void TGLDummyCube::DestroyHandle() {
  FGroupList->DestroyHandle();
  TGLImmaterialSceneObject::DestroyHandle();
}
