#pragma once
// A prism over a multi-contour outline: the outline swept along +z over
// the height, holes becoming openings through it, closed by the filled
// outline at both ends.

#include "objects/extrusion_geometry.h"
#include "objects/multi_polygon.h"

class TGLExtrusionSolid : public TMultiPolygonBase {
  CLIENT_DECLARE_CLASS(TGLExtrusionSolid)
public:
  explicit TGLExtrusionSolid(TComponent* owner = nullptr);

  int GetStacks() const { return FShape.Stacks; }
  // Values not above 0 are ignored.
  void SetStacks(int value);
  TNormalSmoothing GetNormals() const { return FShape.Normals; }
  void SetNormals(TNormalSmoothing value);
  TNormalDirection GetNormalDirection() const { return FShape.NormalDirection; }
  void SetNormalDirection(TNormalDirection value);
  TExtrusionSolidParts GetParts() const { return FShape.Parts; }
  void SetParts(TExtrusionSolidParts value);
  // May be negative: extruded along -z.
  float GetHeight() const { return FShape.Height; }
  void SetHeight(float value);
  // Degrees; keeps its cosine, changes no geometry by itself.
  float GetMinSmoothAngle() const { return FMinSmoothAngle; }
  void SetMinSmoothAngle(float value);
  float GetMinSmoothAngleCos() const { return FShape.MinSmoothAngleCos; }

  const ExtrusionShape& Shape() const { return FShape; }
  // Walls, then caps, of the present outline.
  GeometryBatches Geometry();

  // Every setting of another extrusion solid, then its contours.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  ExtrusionShape FShape;
  float FMinSmoothAngle = 5.0f;
};
