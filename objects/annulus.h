#pragma once
// A thick tube along the local y axis: a cylinder with a coaxial hole,
// capped by rings, drawn as the GLU quadrics lay it out.

#include "objects/annulus_torus_geometry.h"
#include "objects/cylinder.h"

class TGLAnnulus : public TGLCylinderBase {
  CLIENT_DECLARE_CLASS(TGLAnnulus)
public:
  explicit TGLAnnulus(TComponent* owner = nullptr) : TGLCylinderBase(owner) {}

  float GetBottomInnerRadius() const { return FBottomInnerRadius; }
  void SetBottomInnerRadius(float value) { Store(FBottomInnerRadius, value); }
  float GetTopInnerRadius() const { return FTopInnerRadius; }
  void SetTopInnerRadius(float value) { Store(FTopInnerRadius, value); }
  float GetTopRadius() const override { return FTopRadius; }
  void SetTopRadius(float value) { Store(FTopRadius, value); }
  TAnnulusParts GetParts() const { return FParts; }
  void SetParts(TAnnulusParts value) { Store(FParts, value); }

  AnnulusShape Shape() const { return {BaseShape(), FBottomInnerRadius, FTopInnerRadius, FTopRadius, FParts}; }
  // Parts and the four radii, then the cylinder base.
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  float FBottomInnerRadius = 0.3f;
  float FTopInnerRadius = 0.3f;
  float FTopRadius = 0.5f;
  TAnnulusParts FParts{anInnerSides, anOuterSides, anBottom, anTop};
};
