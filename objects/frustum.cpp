#include "objects/frustum.h"

#include "engine/gl_coordinates.h"
#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"

CLIENT_DEFINE_CLASS(TGLFrustrum, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLFrustrum);

GeometryBatches BuildFrustumGeometry(const FrustumShape& shape) {
  GeometryBatches batches;
  if (shape.ApexHeight == 0) return batches;
  const float hw = shape.BaseWidth / 2, hd = shape.BaseDepth / 2, h = shape.Height;
  const float cut = (shape.ApexHeight - h) / shape.ApexHeight;
  const float tw = hw * cut, td = hd * cut;
  const float sign = shape.NormalDirection == ndInside ? -1.0f : 1.0f;
  GeometryBatch quads{PrimitiveKind::Quads, {}};
  // Corners counter-clockwise seen from outside; the face normal from them.
  auto face = [&](TFrustrumPart part, const TAffineVector& a, const TAffineVector& b, const TAffineVector& c,
                  const TAffineVector& d) {
    if (!shape.Parts.Contains(part)) return;
    TAffineVector n = AffineVectorCross(AffineVectorSubtract(b, a), AffineVectorSubtract(d, a));
    NormalizeAffineVector(n);
    ScaleAffineVector(n, sign);
    quads.Vertices.push_back({{0, 0}, n, a});
    quads.Vertices.push_back({{1, 0}, n, b});
    quads.Vertices.push_back({{1, 1}, n, c});
    quads.Vertices.push_back({{0, 1}, n, d});
  };
  face(fpFront, {-hw, 0, hd}, {hw, 0, hd}, {tw, h, td}, {-tw, h, td});
  face(fpBack, {hw, 0, -hd}, {-hw, 0, -hd}, {-tw, h, -td}, {tw, h, -td});
  face(fpLeft, {-hw, 0, -hd}, {-hw, 0, hd}, {-tw, h, td}, {-tw, h, -td});
  face(fpRight, {hw, 0, hd}, {hw, 0, -hd}, {tw, h, -td}, {tw, h, td});
  face(fpBottom, {-hw, 0, -hd}, {hw, 0, -hd}, {hw, 0, hd}, {-hw, 0, hd});
  if (h < shape.ApexHeight) face(fpTop, {-tw, h, td}, {tw, h, td}, {tw, h, -td}, {-tw, h, -td});
  if (!quads.Vertices.empty()) batches.push_back(std::move(quads));
  return batches;
}

std::optional<std::array<std::uint8_t, 16>> TGLFrustrum::WriteFrustrumSizeData() const {
  if (FShape.ApexHeight == 1.0f && FShape.BaseDepth == 1.0f && FShape.BaseWidth == 1.0f && FShape.Height == 0.5f)
    return std::nullopt;
  return PackSingles4({FShape.ApexHeight, FShape.BaseDepth, FShape.BaseWidth, FShape.Height});
}

bool TGLFrustrum::ReadFrustrumSizeData(std::span<const std::uint8_t> data) {
  if (data.size() != 16) return false;
  const TVector4f sizes = UnpackSingles4(data.first<16>());
  FShape.ApexHeight = sizes[0];
  FShape.BaseDepth = sizes[1];
  FShape.BaseWidth = sizes[2];
  FShape.Height = sizes[3];
  StructureChanged();
  return true;
}

void TGLFrustrum::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLFrustrum*>(source)) {
    FShape = other->FShape;
    StructureChanged();
  }
  TGL3DSceneObject::Assign(source);
}

void TGLFrustrum::BuildList(TRenderContextInfo&) { EmitGeometry(BuildFrustumGeometry(FShape)); }
