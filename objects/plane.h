#pragma once
// A textured rectangle in the local XY plane, centred on the origin and
// facing +Z (ground, sea and cloud planes): one quad, or a grid of strips
// with the texture tiled over it.

#include <memory>

#include "engine/custom_scene_object.h"
#include "engine/silhouette.h"
#include "objects/plane_geometry.h"
#include "objects/small_set.h"

enum TPlaneStyle : std::uint8_t { psSingleQuad, psTileTexture };
using TPlaneStyles = SmallSet<TPlaneStyle>;

class TGLPlane : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLPlane)
public:
  explicit TGLPlane(TComponent* owner = nullptr);

  float GetWidth() const { return FShape.Width; }
  void SetWidth(float value);
  float GetHeight() const { return FShape.Height; }
  void SetHeight(float value);
  float GetXOffset() const { return FShape.XOffset; }
  void SetXOffset(float value);
  float GetYOffset() const { return FShape.YOffset; }
  void SetYOffset(float value);
  // Never above 1: a larger value is stored as 1.
  float GetXScope() const { return FShape.XScope; }
  void SetXScope(float value);
  float GetYScope() const { return FShape.YScope; }
  void SetYScope(float value);
  std::uint32_t GetXTiles() const { return FShape.XTiles; }
  void SetXTiles(std::uint32_t value);
  std::uint32_t GetYTiles() const { return FShape.YTiles; }
  void SetYTiles(std::uint32_t value);
  TPlaneStyles GetStyle() const { return FStyle; }
  void SetStyle(TPlaneStyles value);
  // Takes effect at the next render; asks for no repaint by itself.
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool value) { FNoZWrite = value; }
  // The scopes are streamed only when they differ from 1.
  bool IsXScopeStored() const { return FShape.XScope != 1.0f; }
  bool IsYScopeStored() const { return FShape.YScope != 1.0f; }

  const PlaneShape& Shape() const { return FShape; }

  // Width and height only.
  void Assign(const TPersistent* source) override;
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  // The outline does not depend on where it is seen from.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters) override;
  void BuildList(TRenderContextInfo& rci) override;
  void StructureChanged() override;

private:
  PlaneShape FShape;
  TPlaneStyles FStyle{psSingleQuad, psTileTexture};
  bool FNoZWrite = false;
  // Drawn every frame: the geometry is generated again only after a change.
  GeometryBatches FGeometry;
  bool FGeometryValid = false;
};

// The silhouette data of a generator as the engine's silhouette object.
std::unique_ptr<TGLSilhouette> MakeSilhouette(const SilhouetteGeometry& geometry);
