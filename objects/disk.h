#pragma once
// A flat disk, annulus or sector in the local XY plane, facing +Z.

#include "objects/disk_geometry.h"
#include "objects/quadric.h"

class TGLDisk : public TGLQuadricObject {
  CLIENT_DECLARE_CLASS(TGLDisk)
public:
  explicit TGLDisk(TComponent* owner = nullptr) : TGLQuadricObject(owner) {}

  float GetOuterRadius() const { return FShape.OuterRadius; }
  void SetOuterRadius(float value);
  float GetInnerRadius() const { return FShape.InnerRadius; }
  void SetInnerRadius(float value);
  int GetSlices() const { return FShape.Slices; }
  void SetSlices(int value);
  int GetLoops() const { return FShape.Loops; }
  void SetLoops(int value);
  float GetStartAngle() const { return FShape.StartAngle; }
  void SetStartAngle(float value);
  float GetSweepAngle() const { return FShape.SweepAngle; }
  void SetSweepAngle(float value);

  DiskShape Shape() const;

  // The six values.
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // The ring between the radii, and only the drawn part of a sector; the
  // point is written only for a hit.
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  // The partial disk as the quadric lays it out: texture coordinates
  // always, normals unless Normals is nsNone.
  void BuildList(TRenderContextInfo& rci) override;

private:
  DiskShape FShape;
};
