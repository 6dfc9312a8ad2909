#include "objects/torus.h"

#include <algorithm>
#include <cmath>

#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLTorus, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLTorus);

void TGLTorus::SetMajorRadius(float value) { Store(FShape.MajorRadius, value); }
void TGLTorus::SetMinorRadius(float value) { Store(FShape.MinorRadius, value); }
void TGLTorus::SetRings(int value) { Store(FShape.Rings, std::max(value, 2)); }
void TGLTorus::SetSides(int value) { Store(FShape.Sides, std::max(value, 3)); }

void TGLTorus::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLTorus*>(source)) {
    FShape = other->FShape;
    StructureChanged();
  }
  TGL3DSceneObject::Assign(source);
}

TVector4f TGLTorus::AxisAlignedDimensionsUnscaled() const {
  const float r = std::fabs(FShape.MajorRadius) + std::fabs(FShape.MinorRadius);
  return {r, r, std::fabs(FShape.MinorRadius), 0};
}

bool TGLTorus::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(TorusRayCast(frame, FShape, rayStart, rayVector), intersectPoint, intersectNormal);
}

void TGLTorus::BuildList(TRenderContextInfo&) { EmitGeometry(BuildTorusGeometry(FShape)); }
