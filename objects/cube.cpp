#include "objects/cube.h"

#include <cmath>

#include "engine/gl_coordinates.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLCube, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLCube);

TGLCube::TGLCube(TComponent* owner) : TGL3DSceneObject(owner) { FObjectStyle |= sosDirectDraw; }

void TGLCube::SetCubeWidth(float value) { Store(FShape.Width, value); }
void TGLCube::SetCubeHeight(float value) { Store(FShape.Height, value); }
void TGLCube::SetCubeDepth(float value) { Store(FShape.Depth, value); }
void TGLCube::SetParts(TCubeParts value) { Store(FShape.Parts, value); }
void TGLCube::SetNormalDirection(TNormalDirection value) { Store(FShape.NormalDirection, value); }

std::optional<std::array<std::uint8_t, 12>> TGLCube::WriteCubeSizeData() const {
  if (FShape.Width == 1.0f && FShape.Height == 1.0f && FShape.Depth == 1.0f) return std::nullopt;
  return PackSingles3({FShape.Width, FShape.Height, FShape.Depth});
}

bool TGLCube::ReadCubeSizeData(std::span<const std::uint8_t> data) {
  if (data.size() != 12) return false;
  const TAffineVector sizes = UnpackSingles3(data.first<12>());
  FShape.Width = sizes[0];
  FShape.Height = sizes[1];
  FShape.Depth = sizes[2];
  StructureChanged();
  return true;
}

void TGLCube::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCube*>(source)) {
    FShape = other->FShape;
    FGeometryValid = false;
  }
  TGL3DSceneObject::Assign(source);
}

TVector4f TGLCube::AxisAlignedDimensionsUnscaled() const {
  // Half sizes taken as lengths, so that a mirrored box still culls and
  // contains points like its mirror image.
  return {std::fabs(FShape.Width) * 0.5f, std::fabs(FShape.Height) * 0.5f, std::fabs(FShape.Depth) * 0.5f, 0};
}

bool TGLCube::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(CubeRayCast(frame, FShape.Width, FShape.Height, FShape.Depth, rayStart, rayVector), intersectPoint, intersectNormal);
}

std::unique_ptr<TGLSilhouette> TGLCube::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  TConnectivity connectivity(true);
  // The corners go round each face; the connectivity takes quads in strip
  // order, so the last two are swapped to keep both triangles' winding.
  for (const auto& q : CubeFaceQuads(FShape)) connectivity.AddQuad(q[0], q[1], q[3], q[2]);
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(parameters, silhouette, false);
  return silhouette;
}

void TGLCube::BuildList(TRenderContextInfo& rci) {
  if (!FGeometryValid) {
    FGeometry = BuildCubeGeometry(FShape);
    FGeometryValid = true;
  }
  EmitGeometry(FGeometry);
}

void TGLCube::StructureChanged() {
  FGeometryValid = false;
  TGL3DSceneObject::StructureChanged();
}
