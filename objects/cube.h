#pragma once
// A box with selectable faces, textured face by face.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/custom_scene_object.h"
#include "engine/silhouette.h"
#include "objects/cube_geometry.h"

class TGLCube : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLCube)
public:
  explicit TGLCube(TComponent* owner = nullptr);

  float GetCubeWidth() const { return FShape.Width; }
  void SetCubeWidth(float value);
  float GetCubeHeight() const { return FShape.Height; }
  void SetCubeHeight(float value);
  float GetCubeDepth() const { return FShape.Depth; }
  void SetCubeDepth(float value);
  TCubeParts GetParts() const { return FShape.Parts; }
  void SetParts(TCubeParts value);
  TNormalDirection GetNormalDirection() const { return FShape.NormalDirection; }
  void SetNormalDirection(TNormalDirection value);

  // The "CubeSize" property: width, height, depth as little-endian Singles,
  // stored only when one of them is not 1.
  std::optional<std::array<std::uint8_t, 12>> WriteCubeSizeData() const;
  // Exactly 12 bytes, else nothing changes and false is returned.
  bool ReadCubeSizeData(std::span<const std::uint8_t> data);

  const CubeShape& Shape() const { return FShape; }

  // Sizes, parts and normal direction.
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  // Through an edge connectivity of the drawn faces.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters) override;
  void BuildList(TRenderContextInfo& rci) override;
  void StructureChanged() override;

private:
  CubeShape FShape;
  GeometryBatches FGeometry;
  bool FGeometryValid = false;
};
