#pragma once
// A flat polygon through its nodes (optionally a cubic spline through
// them), tessellated and drawn on one or both sides.

#include "objects/polygon_base.h"
#include "objects/tessellation.h"

// The faces of the polygon through the points: the top facing along the
// normal, the bottom facing away from it. Without a normal (the first
// nodes in a line) GLU finds the plane.
GeometryBatches BuildPolygonGeometry(const ContourPoints& points, const TAffineVector& normal, TPolygonParts parts);

class TGLPolygon : public TGLPolygonBase {
  CLIENT_DECLARE_CLASS(TGLPolygon)
public:
  explicit TGLPolygon(TComponent* owner = nullptr) : TGLPolygonBase(owner) {}

  TPolygonParts GetParts() const { return FParts; }
  void SetParts(TPolygonParts value);

  // The points and faces drawn now; nothing with fewer than two nodes.
  GeometryBatches Geometry() const;
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  TPolygonParts FParts{ppTop, ppBottom};
};
