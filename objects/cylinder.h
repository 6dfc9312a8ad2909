#pragma once
// Cylinders and cones standing along the local y axis, drawn as the GLU
// quadrics lay them out; the base they share with annuli and arrow lines.

#include "objects/cylinder_geometry.h"
#include "objects/quadric.h"

class TGLCylinderBase : public TGLQuadricObject {
  CLIENT_DECLARE_CLASS(TGLCylinderBase)
public:
  explicit TGLCylinderBase(TComponent* owner = nullptr) : TGLQuadricObject(owner) {}

  float GetBottomRadius() const { return FBase.BottomRadius; }
  void SetBottomRadius(float value);
  float GetHeight() const { return FBase.Height; }
  void SetHeight(float value);
  int GetSlices() const { return FBase.Slices; }
  void SetSlices(int value);
  int GetStacks() const { return FBase.Stacks; }
  void SetStacks(int value);
  int GetLoops() const { return FBase.Loops; }
  // Values below 1 are ignored.
  void SetLoops(int value);
  // The radius at the top: the bottom radius here, 0 for a cone.
  virtual float GetTopRadius() const { return FBase.BottomRadius; }

  const CylinderBaseShape& BaseShape() const { return FBase; }
  QuadricStyle Style() const { return {GetNormals(), GetNormalDirection()}; }

  // Bottom radius, slices, stacks, loops and height.
  void Assign(const TPersistent* source) override;
  // Of the straight or tapered tube between the bottom and top radii
  // (heads and holes of descendants not included).
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters) override;

private:
  CylinderBaseShape FBase;
};

class TGLCone : public TGLCylinderBase {
  CLIENT_DECLARE_CLASS(TGLCone)
public:
  explicit TGLCone(TComponent* owner = nullptr) : TGLCylinderBase(owner) {}

  TConeParts GetParts() const { return FParts; }
  void SetParts(TConeParts value) { Store(FParts, value); }
  float GetTopRadius() const override { return 0; }

  ConeShape Shape() const { return {BaseShape(), FParts}; }
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  TConeParts FParts{coSides, coBottom};
};

class TGLCylinder : public TGLCylinderBase {
  CLIENT_DECLARE_CLASS(TGLCylinder)
public:
  explicit TGLCylinder(TComponent* owner = nullptr) : TGLCylinderBase(owner) {}

  float GetTopRadius() const override { return FTopRadius; }
  void SetTopRadius(float value) { Store(FTopRadius, value); }
  TCylinderParts GetParts() const { return FParts; }
  void SetParts(TCylinderParts value) { Store(FParts, value); }
  TCylinderAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TCylinderAlignment value) { Store(FAlignment, value); }

  CylinderShape Shape() const { return {BaseShape(), FTopRadius, FParts, FAlignment}; }
  void Assign(const TPersistent* source) override;
  // Centred on the origin whatever the alignment.
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  float FTopRadius = 0.5f;
  TCylinderParts FParts{cySides, cyBottom, cyTop};
  TCylinderAlignment FAlignment = caCenter;
};
