#pragma once
// A ring torus in the local xy plane around the z axis, drawn with its own
// quad strips.

#include "engine/custom_scene_object.h"
#include "objects/annulus_torus_geometry.h"

class TGLTorus : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLTorus)
public:
  explicit TGLTorus(TComponent* owner = nullptr) : TGL3DSceneObject(owner) {}

  float GetMajorRadius() const { return FShape.MajorRadius; }
  void SetMajorRadius(float value);
  float GetMinorRadius() const { return FShape.MinorRadius; }
  void SetMinorRadius(float value);
  int GetRings() const { return FShape.Rings; }
  // At least 2.
  void SetRings(int value);
  int GetSides() const { return FShape.Sides; }
  // At least 3.
  void SetSides(int value);

  const TorusShape& Shape() const { return FShape; }
  // The radii, rings and sides of another torus, then the scene object.
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  TorusShape FShape;
};
