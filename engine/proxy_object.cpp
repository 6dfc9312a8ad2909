#include "engine/proxy_object.h"

#include "engine/effects.h"
#include "engine/gl_api.h"
#include "engine/vector_geometry.h"

CLIENT_DEFINE_CLASS(TGLProxyObject, TGLBaseSceneObject)
CLIENT_REGISTER_CLASS(TGLProxyObject);

namespace {
int g_proxyNesting = 0;
}  // namespace

TGLProxyObject::TGLProxyObject(TComponent* owner) : TGLBaseSceneObject(owner) {
  FObjectStyle |= sosResetsGLStateCaches;
}

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* value) {
  if (FMasterObject != value) {
    if (FMasterObject) RemoveFreeNotification(FMasterObject);
    FMasterObject = value;
    if (FMasterObject && FMasterObject != this) FreeNotification(FMasterObject);
  }
  StructureChanged();
}

void TGLProxyObject::SetProxyOptions(TGLProxyObjectOptions value) {
  if (value == FProxyOptions) return;
  FProxyOptions = value;
  StructureChanged();
}

void TGLProxyObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLProxyObject*>(source)) SetMasterObject(other->FMasterObject);
  TGLBaseSceneObject::Assign(source);
}

void TGLProxyObject::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == FMasterObject) FMasterObject = nullptr;
  TGLBaseSceneObject::Notification(component, operation);
}

void TGLProxyObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (FRendering) return;
  struct Scope {
    TGLProxyObject& proxy;
    TRenderContextInfo& rci;
    bool proxySubObject;
    ~Scope() {
      proxy.FRendering = false;
      rci.proxySubObject = proxySubObject;
      --g_proxyNesting;
    }
  } scope{*this, rci, rci.proxySubObject};
  FRendering = true;
  ++g_proxyNesting;

  if (FMasterObject && (FProxyOptions & pooObjects) && g_proxyNesting <= kMaxProxyNesting) {
    // Picking pushes the master's names below this proxy's instead of
    // replacing them.
    rci.proxySubObject = true;
    // The master's transformation applies to the master alone, not to this
    // proxy's own children drawn next.
    GL().glPushMatrix();
    struct PopMatrix {
      ~PopMatrix() { GL().glPopMatrix(); }
    } pop;
    if (FProxyOptions & pooTransformation) GL().glMultMatrixf(&FMasterObject->GetMatrix()[0][0]);
    FMasterObject->DoRender(rci, renderSelf, FMasterObject->GetCount() > 0);
  }
  rci.proxySubObject = scope.proxySubObject;
  if (renderChildren && GetCount() > 0) RenderChildren(0, GetCount() - 1, rci);
  if ((FProxyOptions & pooEffects) && FMasterObject) {
    TGLObjectEffects* effects = FMasterObject->GetEffectsIfAny();
    if (effects && effects->GetCount() > 0) effects->RenderPostEffects(rci.buffer, rci);
  }
  ClearStructureChanged();
}

TVector4f TGLProxyObject::AxisAlignedDimensionsUnscaled() const {
  if (FMasterObject) return FMasterObject->AxisAlignedDimensionsUnscaled();
  return TGLBaseSceneObject::AxisAlignedDimensionsUnscaled();
}

bool TGLProxyObject::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                      TVector4f* intersectPoint, TVector4f* intersectNormal) {
  if (!FMasterObject) return false;
  auto point = [](TVector4f v) {
    v[3] = 1;
    return v;
  };
  // Through this proxy's space into the master's absolute space, and back.
  auto toMaster = [&](const TVector4f& v) { return FMasterObject->LocalToAbsolute(AbsoluteToLocal(v)); };
  auto fromMaster = [&](const TVector4f& v) { return LocalToAbsolute(FMasterObject->AbsoluteToLocal(v)); };
  const TVector4f start = toMaster(point(rayStart));
  const TVector4f end = toMaster(point(VectorAdd(point(rayStart), TVector4f{rayVector[0], rayVector[1], rayVector[2], 0})));
  TVector4f vector = VectorSubtract(end, start);
  vector[3] = 0;
  TVector4f hit, normal;
  if (!FMasterObject->RayCastIntersect(start, vector, &hit, &normal)) return false;
  if (intersectPoint) *intersectPoint = fromMaster(point(hit));
  if (intersectNormal) {
    // A direction: through the rotations only, then unit length again.
    normal[3] = 0;
    TVector4f n = fromMaster(normal);
    n[3] = 0;
    *intersectNormal = VectorNormalized(n);
  }
  return true;
}
