#include "objects/cylinder.h"

#include <algorithm>
#include <cmath>

#include "engine/silhouette.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLCylinderBase, TGLQuadricObject)
CLIENT_DEFINE_CLASS(TGLCone, TGLCylinderBase)
CLIENT_DEFINE_CLASS(TGLCylinder, TGLCylinderBase)
CLIENT_REGISTER_CLASS(TGLCone);
CLIENT_REGISTER_CLASS(TGLCylinder);

// --- Base ---------------------------------------------------------------------------------

void TGLCylinderBase::SetBottomRadius(float value) { Store(FBase.BottomRadius, value); }
void TGLCylinderBase::SetHeight(float value) { Store(FBase.Height, value); }
void TGLCylinderBase::SetSlices(int value) { Store(FBase.Slices, value); }
void TGLCylinderBase::SetStacks(int value) { Store(FBase.Stacks, value); }
void TGLCylinderBase::SetLoops(int value) {
  if (value >= 1) Store(FBase.Loops, value);
}

void TGLCylinderBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCylinderBase*>(source)) {
    FBase = other->FBase;
    StructureChanged();
  }
  TGLQuadricObject::Assign(source);
}

std::unique_ptr<TGLSilhouette> TGLCylinderBase::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  TConnectivity connectivity(true);
  for (const auto& t : CylinderSilhouetteTriangles(FBase.BottomRadius, GetTopRadius(), FBase.Height, FBase.Slices))
    connectivity.AddFace(t[0], t[1], t[2]);
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(parameters, silhouette, false);
  return silhouette;
}

// --- Cone ---------------------------------------------------------------------------------

void TGLCone::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCone*>(source)) FParts = other->FParts;
  TGLCylinderBase::Assign(source);
}

TVector4f TGLCone::AxisAlignedDimensionsUnscaled() const {
  const float r = std::fabs(GetBottomRadius());
  return {r, GetHeight() / 2, r, 0};
}

bool TGLCone::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(ConeRayCast(frame, Shape(), rayStart, rayVector), intersectPoint, intersectNormal);
}

void TGLCone::BuildList(TRenderContextInfo&) {
  EmitGeometry(BuildConeGeometry(Shape(), Style()), {GetNormals() != nsNone, true});
}

// --- Cylinder -----------------------------------------------------------------------------

void TGLCylinder::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCylinder*>(source)) {
    FTopRadius = other->FTopRadius;
    FParts = other->FParts;
    FAlignment = other->FAlignment;
  }
  TGLCylinderBase::Assign(source);
}

TVector4f TGLCylinder::AxisAlignedDimensionsUnscaled() const {
  const float r = std::max(std::fabs(GetBottomRadius()), std::fabs(FTopRadius));
  return {r, GetHeight() / 2, r, 0};
}

bool TGLCylinder::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                   TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(CylinderRayCast(frame, Shape(), rayStart, rayVector), intersectPoint, intersectNormal);
}

void TGLCylinder::BuildList(TRenderContextInfo&) {
  EmitGeometry(BuildCylinderGeometry(Shape(), Style()), {GetNormals() != nsNone, true});
}
