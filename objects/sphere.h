#pragma once
// A latitude/longitude sphere with optional partial ranges and caps, drawn
// with its own strips.

#include <memory>

#include "engine/silhouette.h"
#include "objects/quadric.h"
#include "objects/sphere_geometry.h"

class TGLSphere : public TGLQuadricObject {
  CLIENT_DECLARE_CLASS(TGLSphere)
public:
  explicit TGLSphere(TComponent* owner = nullptr) : TGLQuadricObject(owner) {}

  float GetRadius() const { return FShape.Radius; }
  void SetRadius(float value);
  // At least 1: 0 or less is stored as 1.
  int GetSlices() const { return FShape.Slices; }
  void SetSlices(int value);
  int GetStacks() const { return FShape.Stacks; }
  void SetStacks(int value);
  // Latitudes in degrees, -90..90.
  int GetTop() const { return FShape.Top; }
  void SetTop(int value);
  int GetBottom() const { return FShape.Bottom; }
  void SetBottom(int value);
  // Longitudes in degrees, 0..360; Start above Stop (or Stop below Start)
  // is an assertion failure and stores nothing.
  int GetStart() const { return FShape.Start; }
  void SetStart(int value);
  int GetStop() const { return FShape.Stop; }
  void SetStop(int value);
  TCapType GetTopCap() const { return FShape.TopCap; }
  void SetTopCap(TCapType value);
  TCapType GetBottomCap() const { return FShape.BottomCap; }
  void SetBottomCap(TCapType value);

  // The geometry as drawn (with the normal direction of the quadric part).
  SphereShape Shape() const;

  // Radius, slices, stacks and the four angles (not the caps).
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  // A ring facing the viewpoint (style 0 omni, 1 parallel); any other
  // style is an assertion failure.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  SphereShape FShape;
};
