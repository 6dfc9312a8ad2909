#include "objects/terrain_renderer_tiles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "engine/matrix_geometry.h"
#include "engine/plane_geometry.h"
#include "engine/vector_geometry.h"
#include "objects/height_data.h"
#include "objects/roam_patch.h"
#include "platform/base/assertion.h"

namespace {

// Nearest integer, halves to the even neighbour, held in the int range.
int NearestInt(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  return int(std::clamp(r, lo, hi));
}

// Tiles visited on each side of the eye at most, whatever the far range and
// scale: every visited tile is asked from the source and kept for a frame.
constexpr int kMaxTileRange = 64;

}  // namespace

TTerrainTiles::TTerrainTiles() = default;

TTerrainTiles::~TTerrainTiles() { ReleaseAllTiles(); }

void TTerrainTiles::SetSource(THeightDataSource* source) {
  if (source == FSource) return;
  ReleaseAllTiles();
  FSource = source;
}

int TTerrainTiles::NormalizeTileSize(int value) {
  if (value < 8) return 8;
  int size = 8;
  while (size < value && size < kMaxTileSize) size *= 2;
  return size;
}

void TTerrainTiles::SetTileSize(int value) {
  const int size = NormalizeTileSize(value);
  if (size == FTileSize) return;
  FTileSize = size;
  FInvTileSize = 1.0f / float(size);
  ReleaseAllTiles();
}

int TTerrainTiles::TileHash(int xLeft, int yTop) {
  const std::uint32_t x = std::uint32_t(xLeft);
  const std::uint32_t y = std::uint32_t(yTop);
  return int(((x >> 6) + x + (x >> 12) + 2u * y + (y >> 5) + (y >> 11)) & 1023u);
}

THeightData* TTerrainTiles::HashedTile(int xLeft, int yTop, bool canAllocate) {
  std::vector<THeightData*>& list = FTileLists[std::size_t(TileHash(xLeft, yTop))];
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if ((*it)->GetXLeft() == xLeft && (*it)->GetYTop() == yTop) return *it;
  }
  if (!canAllocate || !FSource) return nullptr;
  THeightData* tile = FSource->GetData(xLeft, yTop, FTileSize + 1, hvtSmallInt);
  tile->RegisterUse();
  tile->OnDestroy = [this](THeightData* sender) { OnTileDestroyed(sender); };
  if (tile->GetDataState() != htsEmpty) tile->SetValueType(hvtSmallInt);
  list.push_back(tile);
  return tile;
}

THeightData* TTerrainTiles::HashedTileAtPos(const TAffineVector& position, bool canAllocate) {
  const int xLeft = NearestInt(double(position[0]) * FInvTileSize - 0.5) * FTileSize;
  const int yTop = NearestInt(double(position[1]) * FInvTileSize - 0.5) * FTileSize;
  return HashedTile(xLeft, yTop, canAllocate);
}

void TTerrainTiles::ReleaseAllTiles() {
  for (auto& list : FTileLists) {
    for (THeightData* tile : list) {
      tile->OnDestroy = nullptr;
      tile->Release();
    }
    list.clear();
  }
}

void TTerrainTiles::DropPatches() {
  for (auto& list : FTileLists)
    for (THeightData* tile : list) tile->SetObjectTag(nullptr);
}

void TTerrainTiles::OnTileDestroyed(THeightData* tile) {
  // The patch goes with the tile that owns it; only the hash entry is ours.
  std::vector<THeightData*>& list = FTileLists[std::size_t(TileHash(tile->GetXLeft(), tile->GetYTop()))];
  list.erase(std::remove(list.begin(), list.end(), tile), list.end());
}

int TTerrainTiles::TilesInUse() const {
  int count = 0;
  for (const auto& list : FTileLists) count += int(list.size());
  return count;
}

void TTerrainTiles::ReleaseTile(THeightData* tile) {
  tile->OnDestroy = nullptr;
  tile->Release();
}

TGLROAMPatch* TTerrainTiles::PreparedPatch(const TAffineVector& position, float textureFactor, TTerrainFrame& frame) {
  const int xLeft = NearestInt(double(position[0]) * FInvTileSize - 0.5) * FTileSize;
  const int yTop = NearestInt(double(position[1]) * FInvTileSize - 0.5) * FTileSize;
  THeightData* tile = HashedTile(xLeft, yTop, true);
  if (!tile) return nullptr;
  if (frame.PostRenderTiles) frame.PostRenderTiles->push_back(tile);
  tile->SetTag(1);
  if (tile->GetDataState() == htsEmpty) return nullptr;
  const int precision = std::max(frame.CLODPrecision, 1);
  auto* patch = dynamic_cast<TGLROAMPatch*>(tile->GetObjectTag());
  if (!patch) {
    auto created = std::make_unique<TGLROAMPatch>();
    patch = created.get();
    tile->SetObjectTag(std::move(created));
    patch->SetHeightData(tile);
    patch->SetVertexScale(TAffineVector{1, 1, 1});
    patch->SetVertexOffset(position);
    patch->ComputeVariance(precision);
  } else if (patch->GetPrecision() != precision) {
    // A tile kept by the source comes back with the variances of the
    // precision it was built with: rebuild them for the present one.
    patch->ComputeVariance(precision);
  }
  const float f = textureFactor;
  switch (tile->GetTextureCoordinatesMode()) {
    case 0:
      patch->SetTextureScale(TAffineVector{f, -f, f});
      patch->SetTextureOffset(TAffineVector{float(xLeft) * f, 1.0f - float(yTop) * f, 0});
      break;
    case 1: {
      const TTexPoint scale = tile->GetTextureCoordinatesScale();
      const TTexPoint offset = tile->GetTextureCoordinatesOffset();
      patch->SetTextureScale(TAffineVector{f * scale.S, -f * scale.T, f});
      patch->SetTextureOffset(TAffineVector{offset.S, 1.0f + offset.T, 0});
      break;
    }
    default:
      CLIENT_ASSERT(false);
  }
  // The patch's sample (0, 0) lies at the tile's corner, half a tile before
  // its centre: the observer is placed relative to that corner, so the
  // finest detail is under the eye rather than half a tile off (pictures of
  // both in docs/terrain-detail.md).
  const float half = float(FTileSize) * 0.5f;
  patch->SetObserverPosition(
      AffineVectorSubtract(frame.Eye, TAffineVector{position[0] - half, position[1] - half, 0}));
  patch->ResetTessellation();
  return patch;
}

int TTerrainTiles::BuildFrame(TTerrainFrame& frame) {
  if (!FSource) return 0;
  const double ts = FTileSize;
  const double inv = FInvTileSize;
  const TAffineVector& s = frame.Scale;

  // The centre of the tile under the eye.
  const double ex = NearestInt(double(frame.Eye[0]) * inv - 0.5) * ts + ts * 0.5;
  const double ey = NearestInt(double(frame.Eye[1]) * inv - 0.5) * ts + ts * 0.5;

  const float h2 = float((ts * 0.5 * s[0]) * (ts * 0.5 * s[0]) + (ts * 0.5 * s[1]) * (ts * 0.5 * s[1]));
  const float tileRadius = 1.3f * std::sqrt((256.0f * s[2]) * (256.0f * s[2]) + h2);
  const float halfDiagonal = std::sqrt(h2);
  double range = std::nearbyint(((double(frame.Clipping.farClippingDistance) + halfDiagonal) / s[0]) * inv + 1.0) * ts;
  if (!std::isfinite(range) || range < 0) range = 0;
  range = std::min(range, kMaxTileRange * ts);

  double xMin = ex - range, xMax = ex + range;
  double yMin = ey - range, yMax = ey + range;
  const float textureFactor = float(1.0 / (ts * frame.TilesPerTexture));
  const float fullResolutionLimit =
      frame.QualityDistance <= 0 ? -1.0f : tileRadius * 0.5f + frame.QualityDistance;

  SetTrianglePoolCapacity(frame.MaxCLODTriangles);

  for (auto& list : FTileLists)
    for (THeightData* tile : list) tile->SetTag(0);

  if (frame.OnGetTerrainBounds) {
    float l = float(xMin), t = float(yMax), r = float(xMax), b = float(yMin);
    frame.OnGetTerrainBounds(l, t, r, b);
    const double half = ts / 2;
    const double sl = NearestInt(l / ts - 0.5) * ts + half;
    const double st = NearestInt(t / ts - 0.5) * ts - half;
    const double sr = NearestInt(r / ts - 0.5) * ts - half;
    const double sb = NearestInt(b / ts - 0.5) * ts + half;
    xMax = std::min(xMax, sr);
    yMax = std::min(yMax, st);
    xMin = std::max(xMin, sl);
    yMin = std::max(yMin, sb);
  }

  int triangles = 0;
  auto draw = [&](TGLROAMPatch& patch) {
    if (frame.ApplyMaterial) frame.ApplyMaterial(patch.GetHeightData()->GetMaterialName());
    if (frame.RenderPatch) frame.RenderPatch(patch);
    triangles += patch.GetTriangleCount();
  };

  std::vector<TGLROAMPatch*> thisRow, lastRow, roamPatches;
  for (double y = yMin; y <= yMax; y += ts) {
    TGLROAMPatch* west = nullptr;
    int column = 0;
    for (double x = xMin; x <= xMax; x += ts, ++column) {
      const TAffineVector position{float(x), float(y), 0};
      const TAffineVector centre = AffineVectorTransform(position, frame.AbsoluteMatrix);
      if (IsVolumeClipped(centre, frame.Clipping, tileRadius)) {
        // Kept loaded just outside the view, so that turning is smooth.
        if (THeightData* tile = HashedTileAtPos(position, true)) tile->SetTag(1);
        thisRow.push_back(nullptr);
        west = nullptr;
        continue;
      }
      TGLROAMPatch* patch = PreparedPatch(position, textureFactor, frame);
      if (!patch) {
        thisRow.push_back(nullptr);
        west = nullptr;
        continue;
      }
      const TAffineVector origin{frame.Clipping.origin[0], frame.Clipping.origin[1], frame.Clipping.origin[2]};
      patch->SetHighResolution(VectorDistance(origin, centre) < fullResolutionLimit);
      if (west) patch->ConnectToWest(west);
      if (std::size_t(column) < lastRow.size() && lastRow[std::size_t(column)])
        patch->ConnectToNorth(lastRow[std::size_t(column)]);
      west = patch;
      thisRow.push_back(patch);
      if (!patch->GetHighResolution())
        roamPatches.push_back(patch);
      else
        draw(*patch);
      if (frame.PostRenderPatches) frame.PostRenderPatches->push_back(patch);
    }
    std::swap(thisRow, lastRow);
    thisRow.clear();
  }

  // A patch is drawn once the patches about a row further on were
  // tessellated, so the splits they force across shared edges are in.
  const int lag = NearestInt(2.0 * range / ts) + 2;
  const int count = int(roamPatches.size());
  for (int i = 0; i < count + lag; ++i) {
    if (i < count) roamPatches[std::size_t(i)]->Tesselate();
    if (i >= lag) draw(*roamPatches[std::size_t(i - lag)]);
  }
  if (frame.ApplyMaterial) frame.ApplyMaterial(std::string());
  if (frame.OnFrameDrawn) frame.OnFrameDrawn();

  for (auto& list : FTileLists) {
    for (auto it = list.begin(); it != list.end();) {
      if ((*it)->GetTag() == 0) {
        ReleaseTile(*it);
        it = list.erase(it);
      } else {
        ++it;
      }
    }
  }
  FSource->CleanUp();
  return triangles;
}
