#include "objects/polygon.h"

#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLPolygon, TGLPolygonBase)
CLIENT_REGISTER_CLASS(TGLPolygon);

GeometryBatches BuildPolygonGeometry(const ContourPoints& points, const TAffineVector& normal, TPolygonParts parts) {
  GeometryBatches faces;
  if (points.size() < 3) return faces;
  const TAffineVector down = AffineVectorNegate(normal);
  const bool hasNormal = !AffineVectorIsNull(normal);
  const ContourPoints* one = &points;
  auto side = [&](const TAffineVector& facing, bool turned) {
    if (hasNormal) return TessellateFacing(points, facing);
    // No plane normal to face: GLU's own, the bottom turned over.
    return TessellateFill(std::span<const ContourPoints>(one, 1), nullptr, turned);
  };
  if (parts.Contains(ppTop)) faces = side(normal, false);
  if (parts.Contains(ppBottom)) {
    GeometryBatches bottom = side(down, true);
    faces.insert(faces.end(), std::make_move_iterator(bottom.begin()), std::make_move_iterator(bottom.end()));
  }
  return faces;
}

void TGLPolygon::SetParts(TPolygonParts value) {
  if (value == FParts) return;
  FParts = value;
  StructureChanged();
}

GeometryBatches TGLPolygon::Geometry() const {
  const TGLNodes& nodes = *GetNodes();
  if (nodes.GetCount() < 2) return {};
  const int divisions = GetSplineMode() == lsmLines ? 1 : GetDivision();
  return BuildPolygonGeometry(NodePoints(nodes, divisions), nodes.Normal(), FParts);
}

void TGLPolygon::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPolygon*>(source)) FParts = other->FParts;
  TGLPolygonBase::Assign(source);
}

void TGLPolygon::BuildList(TRenderContextInfo&) {
  const GeometryBatches faces = Geometry();
  // Without a plane normal the faces carry none.
  EmitGeometry(faces, {!AffineVectorIsNull(GetNodes()->Normal()), true});
}
