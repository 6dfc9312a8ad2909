#pragma once
// The terrain renderer's side of the height tiles, apart from the scene
// graph and GL: the tiles in use hashed by position, and one frame's walk
// over the tile grid around the eye (culling, neighbour links, pipelined
// tessellation, per-tile materials, release of tiles that left the range).
// What is drawn and how a material is applied are the caller's callbacks,
// so the walk runs and counts triangles without a context.
//
// A tile in use carries this walker's mark in its tag (1 = used this frame),
// its ROAM patch in its object tag (owned by the tile, so the patch goes
// whenever the source frees the tile) and the walker's handler in OnDestroy.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/vector_types.h"

class THeightData;
class THeightDataSource;
class TGLROAMPatch;

// Narrows the range of tile centres (left, top = y maximum, right,
// bottom = y minimum), in local coordinates.
using TGetTerrainBoundsEvent = std::function<void(float& l, float& t, float& r, float& b)>;

struct TTerrainFrame {
  // The camera in the terrain's local coordinates.
  TAffineVector Eye;
  // Local to absolute, and the object's scale.
  TMatrix AbsoluteMatrix = IdentityHmgMatrix;
  TAffineVector Scale{1, 1, 1};
  // The camera's culling origin, far distance and frustum (absolute).
  TRenderContextClippingInfo Clipping;

  float TilesPerTexture = 1;
  float QualityDistance = 0;
  int MaxCLODTriangles = 65536;
  int CLODPrecision = 100;
  TGetTerrainBoundsEvent OnGetTerrainBounds;

  // Applies a tile's material (empty: the renderer's own); called before a
  // patch is drawn and with "" at the end of the frame.
  std::function<void(const std::string& materialName)> ApplyMaterial;
  // Draws a patch (tessellated, or full resolution when HighResolution).
  std::function<void(TGLROAMPatch& patch)> RenderPatch;
  // Called once everything is drawn, before unused tiles are released.
  std::function<void()> OnFrameDrawn;
  // Filled when set: every patch and every tile visited this frame.
  std::vector<TGLROAMPatch*>* PostRenderPatches = nullptr;
  std::vector<THeightData*>* PostRenderTiles = nullptr;
};

class TTerrainTiles {
public:
  // The largest tile side: a patch holds (side + 1)^2 samples and variance
  // trees of side^2 entries, which must stay in 32-bit counts.
  static constexpr int kMaxTileSize = 2048;

  TTerrainTiles();
  ~TTerrainTiles();
  TTerrainTiles(const TTerrainTiles&) = delete;
  TTerrainTiles& operator=(const TTerrainTiles&) = delete;

  THeightDataSource* GetSource() const { return FSource; }
  // Releases every tile of the former source first.
  void SetSource(THeightDataSource* source);
  int GetTileSize() const { return FTileSize; }
  // At least 8, raised to a power of two (and at most kMaxTileSize);
  // releases every tile when it changes.
  void SetTileSize(int value);
  static int NormalizeTileSize(int value);

  static int TileHash(int xLeft, int yTop);
  // The tile in use at (xLeft, yTop); with canAllocate asked from the source
  // (TileSize + 1 samples, small-int), registered and hashed.
  THeightData* HashedTile(int xLeft, int yTop, bool canAllocate);
  // The tile whose centre area holds the local position.
  THeightData* HashedTileAtPos(const TAffineVector& position, bool canAllocate);
  // Every tile goes back to the source.
  void ReleaseAllTiles();
  // Frees the patch of every tile in use (they are rebuilt as needed).
  void DropPatches();
  // The source frees a tile: forget it.
  void OnTileDestroyed(THeightData* tile);
  int TilesInUse() const;

  // Walks and draws one frame; returns the triangles drawn. Ends with the
  // source's CleanUp.
  int BuildFrame(TTerrainFrame& frame);

private:
  TGLROAMPatch* PreparedPatch(const TAffineVector& position, float textureFactor, TTerrainFrame& frame);
  void ReleaseTile(THeightData* tile);

  THeightDataSource* FSource = nullptr;
  int FTileSize = 16;
  float FInvTileSize = 1.0f / 16;
  std::array<std::vector<THeightData*>, 1024> FTileLists;
};
