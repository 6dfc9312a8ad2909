#pragma once
// Geometry of the textured rectangle in the local XY plane: one quad, or a
// grid of triangle strips with tiled texture coordinates.

#include <cstdint>
#include <optional>

#include "objects/geometry_batch.h"

struct PlaneShape {
  float Width = 1.0f;
  float Height = 1.0f;
  float XOffset = 0.0f;
  float YOffset = 0.0f;
  float XScope = 1.0f;
  float YScope = 1.0f;
  std::uint32_t XTiles = 1;
  std::uint32_t YTiles = 1;
  bool SingleQuad = true;   // psSingleQuad
  bool TileTexture = true;  // psTileTexture
};

// Texture extents of the plane: S from S0 to S1, T from T0 to T1.
struct PlaneTextureExtents {
  float S0, S1, T0, T1;
};
PlaneTextureExtents PlaneTextureRange(const PlaneShape& shape);

// One quad, or one strip per row of tiles from the bottom up. In strip form
// a tile count of 0 gives no geometry at all (there is no tile to divide
// the plane into). Every vertex carries the normal +Z.
GeometryBatches BuildPlaneGeometry(const PlaneShape& shape);

// The rectangle of Width x Height centred on the origin of the frame: hit
// from the front (start z >= 0 going down) or from the back (start below
// going up); parallel rays miss. The normal is the absolute direction,
// negated for a back hit.
std::optional<RayHit> PlaneRayCast(const ObjectFrame& frame, float width, float height, const TVector4f& ray_start,
                                   const TVector4f& ray_vector);

// The four corners, their edges and, when asked, two cap triangles; it does
// not depend on where it is seen from.
SilhouetteGeometry PlaneSilhouette(float width, float height, bool capping);
