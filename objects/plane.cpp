#include "objects/plane.h"

#include <cmath>

#include "engine/gl_api.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLPlane, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLPlane);

std::unique_ptr<TGLSilhouette> MakeSilhouette(const SilhouetteGeometry& geometry) {
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (const TVector4f& v : geometry.Vertices) silhouette->GetVertices().Add(v);
  for (int i : geometry.Indices) silhouette->GetIndices().Add(i);
  for (int i : geometry.CapIndices) silhouette->GetCapIndices().Add(i);
  return silhouette;
}

TGLPlane::TGLPlane(TComponent* owner) : TGL3DSceneObject(owner) { FObjectStyle |= sosDirectDraw; }

void TGLPlane::SetWidth(float value) { Store(FShape.Width, value); }
void TGLPlane::SetHeight(float value) { Store(FShape.Height, value); }
void TGLPlane::SetXOffset(float value) { Store(FShape.XOffset, value); }
void TGLPlane::SetYOffset(float value) { Store(FShape.YOffset, value); }
void TGLPlane::SetXTiles(std::uint32_t value) { Store(FShape.XTiles, value); }
void TGLPlane::SetYTiles(std::uint32_t value) { Store(FShape.YTiles, value); }

void TGLPlane::SetXScope(float value) {
  if (value == FShape.XScope) return;
  FShape.XScope = value > 1.0f ? 1.0f : value;
  StructureChanged();
}

void TGLPlane::SetYScope(float value) {
  if (value == FShape.YScope) return;
  FShape.YScope = value > 1.0f ? 1.0f : value;
  StructureChanged();
}

void TGLPlane::SetStyle(TPlaneStyles value) {
  if (value == FStyle) return;
  FStyle = value;
  FShape.SingleQuad = value.Contains(psSingleQuad);
  FShape.TileTexture = value.Contains(psTileTexture);
  StructureChanged();
}

void TGLPlane::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPlane*>(source)) {
    FShape.Width = other->FShape.Width;
    FShape.Height = other->FShape.Height;
    FGeometryValid = false;
  }
  TGL3DSceneObject::Assign(source);
}

TVector4f TGLPlane::AxisAlignedDimensionsUnscaled() const {
  return {std::fabs(FShape.Width) * 0.5f, std::fabs(FShape.Height) * 0.5f, 0, 0};
}

bool TGLPlane::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(PlaneRayCast(frame, FShape.Width, FShape.Height, rayStart, rayVector), intersectPoint, intersectNormal);
}

std::unique_ptr<TGLSilhouette> TGLPlane::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  return MakeSilhouette(PlaneSilhouette(FShape.Width, FShape.Height, parameters.CappingRequired));
}

void TGLPlane::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  if (FNoZWrite) gl.glDepthMask(GL_FALSE);
  if (!FGeometryValid) {
    FGeometry = BuildPlaneGeometry(FShape);
    FGeometryValid = true;
  }
  EmitGeometry(FGeometry);
  if (FNoZWrite) gl.glDepthMask(GL_TRUE);
}

void TGLPlane::StructureChanged() {
  FGeometryValid = false;
  TGL3DSceneObject::StructureChanged();
}
