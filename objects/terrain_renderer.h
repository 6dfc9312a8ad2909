#pragma once
// An unbounded height field drawn from a height source as a grid of square
// tiles around the viewer, each a ROAM patch: per frame the tiles within
// the camera's far range are walked, those outside the frustum skipped, the
// rest tessellated with continuous level of detail (or drawn at full
// resolution near the viewer), and tiles that left the range released. It
// also answers ground heights and ray hits.
//
// Local coordinates: x and y are sample coordinates of the source, z is
// height with one height unit 1/128 of a local z unit (the drawing scales z
// by 1/128). The object's Scale maps samples and heights to the scene.
//
// The walk itself lives in TTerrainTiles (no GL); this object adds the
// scene node, the GL arrays and matrices, and the materials.

#include <functional>
#include <string>
#include <vector>

#include "engine/custom_scene_object.h"
#include "engine/vector_lists.h"
#include "objects/height_data.h"
#include "objects/terrain_renderer_tiles.h"

class TGLMaterialLibrary;
class TGLROAMPatch;

using TPatchPostRenderEvent =
    std::function<void(TRenderContextInfo& rci, const std::vector<TGLROAMPatch*>& patches)>;
using THeightDataPostRenderEvent =
    std::function<void(TRenderContextInfo& rci, const std::vector<THeightData*>& heightDatas)>;

class TGLTerrainRenderer : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLTerrainRenderer)
public:
  explicit TGLTerrainRenderer(TComponent* owner = nullptr);
  ~TGLTerrainRenderer() override;

  THeightDataSource* GetHeightDataSource() const { return FTiles.GetSource(); }
  // Releases the tiles of the former source and clears it.
  void SetHeightDataSource(THeightDataSource* source);
  int GetTileSize() const { return FTiles.GetTileSize(); }
  // At least 8, raised to a power of two (at most 2048).
  void SetTileSize(int value);
  float GetTilesPerTexture() const { return FTilesPerTexture; }
  void SetTilesPerTexture(float value);
  TGLMaterialLibrary* GetMaterialLibrary() const { return FMaterialLibrary; }
  void SetMaterialLibrary(TGLMaterialLibrary* library);
  float GetQualityDistance() const { return FQualityDistance; }
  void SetQualityDistance(float value);
  int GetMaxCLODTriangles() const { return FMaxCLODTriangles; }
  void SetMaxCLODTriangles(int value);
  int GetCLODPrecision() const { return FCLODPrecision; }
  // A value at or below 0 is stored as 1: it would divide by zero or turn
  // the variances negative and flood the triangle pool.
  void SetCLODPrecision(int value);
  // Triangles drawn in the last frame.
  int GetTriangleCount() const { return FTriangleCount; }

  TGetTerrainBoundsEvent OnGetTerrainBounds;
  TPatchPostRenderEvent OnPatchPostRender;
  THeightDataPostRenderEvent OnHeightDataPostRender;

  void BuildList(TRenderContextInfo& rci) override;
  // The tiles follow the viewer over the whole plane of 32-bit sample
  // coordinates, at heights of the small-int range: a box around the origin
  // that size encloses every tile, so culling the whole object keeps it when
  // any of it is in view; the walk culls tile by tile.
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // A stepping search along the ray against InterpolatedHeight, with the
  // absolute y axis as the vertical.
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  // The ground height under an absolute point: the source's height there
  // times Scale.z / 128. It is on the local z scale without the object's
  // position, which is right for a renderer left at the origin (the client's).
  virtual float InterpolatedHeight(const TVector4f& absolutePosition);
  void ReleaseAllTiles();
  void DestroyHandle() override;

  // The tiles in use and the walk (ours: for tests and statistics).
  TTerrainTiles& GetTiles() { return FTiles; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void ApplyTileMaterial(const std::string& name, TRenderContextInfo& rci);

  TTerrainTiles FTiles;
  float FTilesPerTexture = 1;
  TGLMaterialLibrary* FMaterialLibrary = nullptr;
  float FQualityDistance = 0;
  int FMaxCLODTriangles = 65536;
  int FCLODPrecision = 100;
  int FTriangleCount = 0;
  std::string FLastMaterialName;
  TAffineVectorList FBufferVertices;
  TTexPointList FBufferTexPoints;
  TIntegerList FBufferVertexIndices;
};
