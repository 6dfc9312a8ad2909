#include "objects/disk.h"

#include <cmath>

#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLDisk, TGLQuadricObject)
CLIENT_REGISTER_CLASS(TGLDisk);

void TGLDisk::SetOuterRadius(float value) { Store(FShape.OuterRadius, value); }
void TGLDisk::SetInnerRadius(float value) { Store(FShape.InnerRadius, value); }
void TGLDisk::SetSlices(int value) { Store(FShape.Slices, value); }
void TGLDisk::SetLoops(int value) { Store(FShape.Loops, value); }
void TGLDisk::SetStartAngle(float value) { Store(FShape.StartAngle, value); }
void TGLDisk::SetSweepAngle(float value) { Store(FShape.SweepAngle, value); }

DiskShape TGLDisk::Shape() const {
  DiskShape shape = FShape;
  shape.NormalDirection = GetNormalDirection();
  return shape;
}

void TGLDisk::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDisk*>(source)) {
    const TNormalDirection keep = FShape.NormalDirection;
    FShape = other->FShape;
    FShape.NormalDirection = keep;
  }
  TGLQuadricObject::Assign(source);
}

TVector4f TGLDisk::AxisAlignedDimensionsUnscaled() const {
  const float r = std::fabs(FShape.OuterRadius);
  return {r, r, 0, 0};
}

bool TGLDisk::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(DiskRayCast(frame, FShape, rayStart, rayVector), intersectPoint, intersectNormal);
}

void TGLDisk::BuildList(TRenderContextInfo& rci) {
  EmitGeometry(BuildDiskGeometry(Shape()), {GetNormals() != nsNone, true});
}
