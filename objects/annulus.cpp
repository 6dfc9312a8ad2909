#include "objects/annulus.h"

#include <algorithm>
#include <cmath>

#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLAnnulus, TGLCylinderBase)
CLIENT_REGISTER_CLASS(TGLAnnulus);

void TGLAnnulus::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLAnnulus*>(source)) {
    FParts = other->FParts;
    FTopRadius = other->FTopRadius;
    FTopInnerRadius = other->FTopInnerRadius;
    FBottomInnerRadius = other->FBottomInnerRadius;
  }
  // The bottom radius comes with the base.
  TGLCylinderBase::Assign(source);
}

TVector4f TGLAnnulus::AxisAlignedDimensionsUnscaled() const {
  const float r = std::max(std::fabs(GetBottomRadius()), std::fabs(FTopRadius));
  return {r, GetHeight() / 2, r, 0};
}

bool TGLAnnulus::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                  TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(AnnulusRayCast(frame, Shape(), rayStart, rayVector), intersectPoint, intersectNormal);
}

void TGLAnnulus::BuildList(TRenderContextInfo&) {
  EmitGeometry(BuildAnnulusGeometry(Shape(), Style()), {GetNormals() != nsNone, true});
}
