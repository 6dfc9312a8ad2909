#include "objects/extrusion_solid.h"

#include <cmath>

#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLExtrusionSolid, TMultiPolygonBase)
CLIENT_REGISTER_CLASS(TGLExtrusionSolid);

TGLExtrusionSolid::TGLExtrusionSolid(TComponent* owner) : TMultiPolygonBase(owner) { SetMinSmoothAngle(5.0f); }

void TGLExtrusionSolid::SetStacks(int value) {
  if (value > 0) Store(FShape.Stacks, value);
}
void TGLExtrusionSolid::SetNormals(TNormalSmoothing value) { Store(FShape.Normals, value); }
void TGLExtrusionSolid::SetNormalDirection(TNormalDirection value) { Store(FShape.NormalDirection, value); }
void TGLExtrusionSolid::SetParts(TExtrusionSolidParts value) { Store(FShape.Parts, value); }
void TGLExtrusionSolid::SetHeight(float value) { Store(FShape.Height, value); }

void TGLExtrusionSolid::SetMinSmoothAngle(float value) {
  FMinSmoothAngle = value;
  FShape.MinSmoothAngleCos = std::cos(DegToRad(value));
}

GeometryBatches TGLExtrusionSolid::Geometry() {
  const std::vector<ContourPoints> outline = GetOutline().Paths();
  GeometryBatches batches;
  if (outline.empty()) return batches;
  batches = BuildExtrusionWalls(outline, FShape);
  GeometryBatches caps = BuildExtrusionCaps(outline, FShape, GetContoursNormal());
  batches.insert(batches.end(), std::make_move_iterator(caps.begin()), std::make_move_iterator(caps.end()));
  return batches;
}

void TGLExtrusionSolid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLExtrusionSolid*>(source)) {
    // The whole solid: its height and smoothing angle too.
    FShape = other->FShape;
    FMinSmoothAngle = other->FMinSmoothAngle;
    StructureChanged();
  }
  TMultiPolygonBase::Assign(source);
}

void TGLExtrusionSolid::BuildList(TRenderContextInfo&) { EmitGeometry(Geometry()); }
