#include "objects/terrain_renderer_tiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "objects/height_data_bitmap.h"
#include "objects/height_data_custom.h"
#include "objects/roam_patch.h"

namespace {

// A round hill in the middle of a picture: grey 255 at the top, 0 at the foot.
Picture HillPicture(int size) {
  Bitmap bitmap(size, size, pf8bit);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c) / c;
      bitmap.ScanLine(y)[x] = std::uint8_t(std::clamp(255.0 * (1 - d * d), 0.0, 255.0));
    }
  Picture picture;
  picture.SetBitmap(std::move(bitmap));
  return picture;
}

// A frustum that clips nothing.
TRenderContextClippingInfo OpenView(float farDistance) {
  TRenderContextClippingInfo c;
  const TVector4f all{0, 0, 0, 1};
  c.frustum = {all, all, all, all, all, all};
  c.farClippingDistance = farDistance;
  return c;
}

struct DrawnPatch {
  TGLROAMPatch* Patch;
  bool HighResolution;
  int Triangles;
  std::string Material;
};

// A frame whose patches are built into lists, as the renderer draws them.
struct FrameRecorder {
  TAffineVectorList Vertices;
  TIntegerList Indices;
  TTexPointList TexPoints;
  std::vector<DrawnPatch> Drawn;
  std::vector<std::string> Materials;

  void Attach(TTerrainFrame& frame) {
    frame.ApplyMaterial = [this](const std::string& name) { Materials.push_back(name); };
    frame.RenderPatch = [this](TGLROAMPatch& patch) {
      if (patch.GetHighResolution())
        patch.BuildFullResolutionStrip(Vertices, Indices, TexPoints);
      else
        patch.BuildMesh(Vertices, Indices, TexPoints);
      Drawn.push_back({&patch, patch.GetHighResolution(), patch.GetTriangleCount(),
                       patch.GetHeightData()->GetMaterialName()});
    };
  }
};

struct ClientTerrain {
  ClientTerrain() {
    source.SetInfiniteWrap(false);
    source.SetMaxPoolSize(0);
    source.SetPicture(HillPicture(179));
    tiles.SetTileSize(256);
    tiles.SetSource(&source);
  }
  TTerrainFrame Frame(TAffineVector eye, float farDistance = 600) {
    TTerrainFrame frame;
    frame.Eye = eye;
    frame.Clipping = OpenView(farDistance);
    frame.Clipping.origin = TVector4f{eye[0], eye[1], eye[2], 1};
    frame.CLODPrecision = 1;
    frame.MaxCLODTriangles = 65536;
    recorder.Attach(frame);
    return frame;
  }
  FrameRecorder recorder;
  TGLBitmapHDS source;
  TTerrainTiles tiles;
};

}  // namespace

TEST(TerrainTiles, TileSizeIsAtLeastEightAndAPowerOfTwo) {
  const std::pair<int, int> cases[] = {{5, 8}, {-3, 8}, {8, 8}, {9, 16}, {20, 32}, {256, 256}, {257, 512}, {1 << 30, 2048}};
  for (auto [value, expected] : cases) EXPECT_EQ(TTerrainTiles::NormalizeTileSize(value), expected) << value;
  TTerrainTiles tiles;
  EXPECT_EQ(tiles.GetTileSize(), 16);
  tiles.SetTileSize(20);
  EXPECT_EQ(tiles.GetTileSize(), 32);
}

TEST(TerrainTiles, TileHashUsesUnsignedShifts) {
  EXPECT_EQ(TTerrainTiles::TileHash(0, 0), 0);
  EXPECT_EQ(TTerrainTiles::TileHash(256, 0), (4 + 256) & 1023);
  EXPECT_EQ(TTerrainTiles::TileHash(0, 256), (512 + 8) & 1023);
  const std::uint32_t x = std::uint32_t(-256), y = std::uint32_t(-512);
  EXPECT_EQ(TTerrainTiles::TileHash(-256, -512),
            int(((x >> 6) + x + (x >> 12) + 2 * y + (y >> 5) + (y >> 11)) & 1023));
}

TEST(TerrainTiles, HashedTileAsksOnceAndRegistersAUse) {
  ClientTerrain t;
  EXPECT_EQ(t.tiles.HashedTile(0, 0, false), nullptr);
  THeightData* tile = t.tiles.HashedTile(0, 0, true);
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->GetSize(), 257);
  EXPECT_EQ(tile->GetValueType(), hvtSmallInt);
  EXPECT_EQ(tile->GetUseCounter(), 1);
  EXPECT_EQ(t.tiles.HashedTile(0, 0, true), tile);
  EXPECT_EQ(tile->GetUseCounter(), 1);
  // A position exactly between two tiles goes to the even multiple.
  EXPECT_EQ(t.tiles.HashedTileAtPos(TAffineVector{128, 100, 0}, false), tile);
  EXPECT_EQ(t.tiles.HashedTileAtPos(TAffineVector{384, 128, 0}, true)->GetXLeft(), 256);
  EXPECT_EQ(t.tiles.HashedTileAtPos(TAffineVector{640, 128, 0}, true)->GetXLeft(), 512);
  t.tiles.ReleaseAllTiles();
  EXPECT_EQ(tile->GetUseCounter(), 0);
  EXPECT_EQ(t.tiles.TilesInUse(), 0);
}

TEST(TerrainTiles, ClientCaseDrawsTheOneDataTileWithAFixedCount) {
  ClientTerrain t;
  FrameRecorder rec;
  TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
  rec.Attach(frame);
  const int triangles = t.tiles.BuildFrame(frame);
  ASSERT_EQ(rec.Drawn.size(), 1u);
  EXPECT_FALSE(rec.Drawn[0].HighResolution);
  EXPECT_EQ(triangles, rec.Drawn[0].Triangles);
  // Every tile of the range is visited and kept: 9 x 9 around the eye.
  EXPECT_EQ(t.tiles.TilesInUse(), 81);
  // The tile's samples start at its corner (0, 0), where the eye's own
  // coordinates are counted from too.
  const TAffineVector observer = rec.Drawn[0].Patch->GetObserverPosition();
  EXPECT_EQ(observer[0], 100);
  EXPECT_EQ(observer[1], 60);
  EXPECT_EQ(observer[2], 150);
  EXPECT_GT(triangles, 2);
  EXPECT_LE(triangles, 32769);  // what 65,536 pool nodes can hold
  // The same camera gives the same mesh next frame.
  FrameRecorder again;
  TTerrainFrame second = t.Frame(TAffineVector{100, 60, 150});
  again.Attach(second);
  EXPECT_EQ(t.tiles.BuildFrame(second), triangles);
  // The drawing offset is the tile centre: the mesh covers samples 0..256.
  TAffineVector min, max;
  rec.Vertices.GetExtents(min, max);
  EXPECT_EQ(min[0], 128);
  EXPECT_EQ(max[0], 128 + 256);
  // Material: the tile's (empty) for the patch, then the empty name at the end.
  EXPECT_EQ(rec.Materials, (std::vector<std::string>{"", ""}));
}

// One 8-sample tile, flat but for a height of 1 at its middle sample (4, 4),
// the rest of the plane empty; the eye at (-13, -13, 0), off the tile's
// (0, 0) corner. Worked by hand:
// - Variances (precision 1; z = sample x 256): both roots have (4, 4) as
//   their hypotenuse's midpoint, 256 - 0 = 256; every deeper node has (4, 4)
//   as a corner, (256 + 0) / 2 - 0 = 128. Depth shifts for PatchSize 8 start
//   at -6: the roots keep 256 / 8 = 32, the first children 128 / 8 = 16.
// - The tile sits at P = (4, 4), its samples from P - 4 = (0, 0): the
//   observer is (-13, -13). Metrics round(d + d^2 / 100): corner (0, 0) 22,
//   (0, 8) and (8, 0) 31, (8, 8) 39. Roots: (31 + 31) / 2 = 31 < 32, split
//   (4 triangles); children: (22 + 31) / 2 = 26 and (31 + 39) / 2 = 35, not
//   below 16. So 4 triangles.
// - Counted from P itself the observer would be (-17, -17): (0, 8) and
//   (8, 0) give 39, not below 32, and the tile would stay 2 triangles: the
//   finest detail would sit half a tile before the eye in x and y.
TEST(TerrainTiles, ObserverIsPlacedInTheTilesOwnSamples) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) {
    if (tile->GetXLeft() != 0 || tile->GetYTop() != 0) return;  // empty
    tile->Allocate(hvtSmallInt);
    for (int y = 0; y < tile->GetSize(); ++y)
      for (int x = 0; x < tile->GetSize(); ++x) tile->SmallIntRaster()[y][x] = x == 4 && y == 4 ? 1 : 0;
  };
  TTerrainTiles tiles;
  tiles.SetTileSize(8);
  tiles.SetSource(&source);
  TTerrainFrame frame;
  frame.Eye = TAffineVector{-13, -13, 0};
  frame.Clipping = OpenView(50);
  frame.Clipping.origin = TVector4f{-13, -13, 0, 1};
  frame.CLODPrecision = 1;
  FrameRecorder rec;
  rec.Attach(frame);
  EXPECT_EQ(tiles.BuildFrame(frame), 4);
  ASSERT_EQ(rec.Drawn.size(), 1u);
  EXPECT_EQ(rec.Drawn[0].Patch->GetObserverPosition()[0], -13);
  EXPECT_EQ(rec.Drawn[0].Patch->GetObserverPosition()[1], -13);
}

TEST(TerrainTiles, AllEmptySourceDrawsNothing) {
  TGLCustomHDS empty;
  TTerrainTiles tiles;
  tiles.SetSource(&empty);
  FrameRecorder rec;
  TTerrainFrame frame;
  frame.Clipping = OpenView(100);
  rec.Attach(frame);
  EXPECT_EQ(tiles.BuildFrame(frame), 0);
  EXPECT_TRUE(rec.Drawn.empty());
  EXPECT_GT(tiles.TilesInUse(), 0);
}

TEST(TerrainTiles, WithoutASourceNothingIsDrawn) {
  TTerrainTiles tiles;
  TTerrainFrame frame;
  frame.Clipping = OpenView(100);
  EXPECT_EQ(tiles.BuildFrame(frame), 0);
}

TEST(TerrainTiles, TilesOutsideTheRangeAreReleasedAndFreed) {
  ClientTerrain t;
  TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
  t.tiles.BuildFrame(frame);
  EXPECT_EQ(t.source.TileCount(), 81);
  THeightData* home = t.tiles.HashedTile(0, 0, false);
  ASSERT_NE(home, nullptr);
  ASSERT_NE(home->GetObjectTag(), nullptr);
  // Far away: the old tiles leave the range and, with pool size 0, the
  // source frees them, their patches with them.
  TTerrainFrame away = t.Frame(TAffineVector{100000, 60, 150});
  t.tiles.BuildFrame(away);
  EXPECT_EQ(t.tiles.HashedTile(0, 0, false), nullptr);
  EXPECT_EQ(t.tiles.TilesInUse(), 81);
  EXPECT_EQ(t.source.FindMatchInList(0, 0, 257, hvtSmallInt), nullptr);
  // Empty tiles hold no bytes and stay cached: the 80 old ones and the 81 new.
  EXPECT_EQ(t.source.TileCount(), 80 + 81);
}

TEST(TerrainTiles, CulledTilesStayLoadedButAreNotDrawn) {
  ClientTerrain t;
  TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
  // Only x >= 2000 is in view (the tile radius widens it a little).
  frame.Clipping.frustum.pLeft = TVector4f{1, 0, 0, -2000};
  FrameRecorder rec;
  rec.Attach(frame);
  EXPECT_EQ(t.tiles.BuildFrame(frame), 0);
  EXPECT_TRUE(rec.Drawn.empty());
  EXPECT_EQ(t.tiles.TilesInUse(), 81);
  const THeightData* home = t.tiles.HashedTile(0, 0, false);
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->GetObjectTag(), nullptr);  // no patch made for a culled tile
}

TEST(TerrainTiles, TerrainBoundsOnlyNarrowTheRange) {
  ClientTerrain t;
  std::vector<std::array<float, 4>> seen;
  auto countTiles = [&](TGetTerrainBoundsEvent bounds) {
    TTerrainTiles tiles;
    tiles.SetTileSize(256);
    tiles.SetSource(&t.source);
    TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
    frame.OnGetTerrainBounds = std::move(bounds);
    tiles.BuildFrame(frame);
    return tiles.TilesInUse();
  };
  EXPECT_EQ(countTiles([&](float& l, float& tp, float& r, float& b) {
              seen.push_back({l, tp, r, b});
              l = -1e6f, tp = 1e6f, r = 1e6f, b = -1e6f;
            }),
            81);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0][0], 128 - 1024);  // x minimum
  EXPECT_EQ(seen[0][1], 128 + 1024);  // y maximum
  // A narrower box snaps its top and right half a tile down, its left and
  // bottom half a tile up: only the centre (128, 128) stays.
  EXPECT_EQ(countTiles([](float& l, float& tp, float& r, float& b) {
              l = 0, tp = 300, r = 500, b = 0;
            }),
            1);
  EXPECT_EQ(countTiles([](float& l, float& tp, float& r, float& b) {
              l = 0, tp = 300, r = 700, b = 0;
            }),
            2);
}

TEST(TerrainTiles, QualityDistanceChoosesFullResolutionNearTheEye) {
  TGLBitmapHDS source;
  source.SetPicture(HillPicture(64));  // wraps everywhere: every tile has data
  TTerrainTiles tiles;
  tiles.SetTileSize(16);
  tiles.SetSource(&source);
  auto run = [&](float quality) {
    TTerrainFrame frame;
    frame.Eye = TAffineVector{40, 40, 10};
    frame.Clipping = OpenView(40);
    frame.Clipping.origin = TVector4f{40, 40, 10, 1};
    frame.Scale = TAffineVector{1, 1, 0.01f};  // tile radius 15: Q = 7.5 + quality
    frame.QualityDistance = quality;
    frame.CLODPrecision = 1;
    FrameRecorder rec;
    rec.Attach(frame);
    tiles.BuildFrame(frame);
    return rec.Drawn;
  };
  for (const DrawnPatch& d : run(0)) EXPECT_FALSE(d.HighResolution);
  const std::vector<DrawnPatch> mixed = run(20);
  const auto high = std::count_if(mixed.begin(), mixed.end(), [](const DrawnPatch& d) { return d.HighResolution; });
  EXPECT_GT(high, 0);
  EXPECT_LT(high, long(mixed.size()));
  // Full-resolution patches are drawn first, during the walk.
  EXPECT_TRUE(mixed.front().HighResolution);
}

TEST(TerrainTiles, PrecisionChangeRebuildsCachedPatches) {
  ClientTerrain t;
  t.source.SetMaxPoolSize(1 << 30);  // tiles stay cached after release
  TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
  const int fineCount = t.tiles.BuildFrame(frame);
  THeightData* home = t.tiles.HashedTile(0, 0, false);
  auto* patch = dynamic_cast<TGLROAMPatch*>(home->GetObjectTag());
  ASSERT_NE(patch, nullptr);
  EXPECT_EQ(patch->GetPrecision(), 1);
  // Released and taken back from the cache with another precision.
  t.tiles.ReleaseAllTiles();
  TTerrainFrame coarse = t.Frame(TAffineVector{100, 60, 150});
  coarse.CLODPrecision = 50;
  const int coarseCount = t.tiles.BuildFrame(coarse);
  EXPECT_EQ(t.tiles.HashedTile(0, 0, false), home);
  EXPECT_EQ(patch->GetPrecision(), 50);
  EXPECT_LT(coarseCount, fineCount);
  // At or below zero the precision counts as 1.
  TTerrainFrame zero = t.Frame(TAffineVector{100, 60, 150});
  zero.CLODPrecision = -1;
  EXPECT_EQ(t.tiles.BuildFrame(zero), fineCount);
}

TEST(TerrainTiles, SmallPoolDrawsLaterPatchesCoarser) {
  TGLBitmapHDS source;
  source.SetPicture(HillPicture(64));
  TTerrainTiles tiles;
  tiles.SetTileSize(16);
  tiles.SetSource(&source);
  TTerrainFrame frame;
  frame.Eye = TAffineVector{40, 40, 1};
  frame.Clipping = OpenView(40);
  frame.CLODPrecision = 1;
  frame.MaxCLODTriangles = 600;
  FrameRecorder rec;
  rec.Attach(frame);
  ASSERT_NO_THROW(tiles.BuildFrame(frame));
  ASSERT_GT(rec.Drawn.size(), 4u);
  EXPECT_GT(rec.Drawn.front().Triangles, 2);
  EXPECT_LE(rec.Drawn.back().Triangles, 2);
  EXPECT_LE(GetTrianglePoolUsed(), 600);
}

TEST(TerrainTiles, SourceFreeingATileDropsItFromTheHash) {
  ClientTerrain t;
  TTerrainFrame frame = t.Frame(TAffineVector{100, 60, 150});
  t.tiles.BuildFrame(frame);
  EXPECT_EQ(t.tiles.TilesInUse(), 81);
  // A new picture frees every tile, those in use included.
  t.source.SetPicture(HillPicture(32));
  EXPECT_EQ(t.tiles.TilesInUse(), 0);
  EXPECT_EQ(t.source.TileCount(), 0);
  TTerrainFrame next = t.Frame(TAffineVector{100, 60, 150});
  EXPECT_GT(t.tiles.BuildFrame(next), 0);
}

TEST(TerrainTiles, TextureModeOtherThanZeroOrOneIsAnAssertion) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) {
    tile->Allocate(hvtSmallInt);
    tile->SetTextureCoordinatesMode(tile->GetXLeft() == 0 && tile->GetYTop() == 0 ? 2 : 1);
    tile->SetTextureCoordinatesScale(TTexPoint{2, 3});
    tile->SetTextureCoordinatesOffset(TTexPoint{0.25f, 0.5f});
  };
  TTerrainTiles tiles;
  tiles.SetTileSize(8);
  tiles.SetSource(&source);
  THeightData* tile = tiles.HashedTile(8, 0, true);
  ASSERT_EQ(tile->GetDataState(), htsReady);
  TTerrainFrame frame;
  frame.Eye = TAffineVector{4, 4, 0};
  frame.Clipping = OpenView(1);
  EXPECT_THROW(tiles.BuildFrame(frame), EAssertionFailed);
}

TEST(TerrainTiles, EachDrawnPatchAsksForItsTilesMaterial) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) {
    tile->Allocate(hvtSmallInt);
    tile->SetMaterialName(tile->GetXLeft() < 0 ? "west" : "east");
  };
  TTerrainTiles tiles;
  tiles.SetTileSize(8);
  tiles.SetSource(&source);
  TTerrainFrame frame;
  frame.Eye = TAffineVector{0, 4, 5};
  frame.Clipping = OpenView(1);  // range: two tiles on each side (the half diagonal counts)
  FrameRecorder rec;
  rec.Attach(frame);
  std::vector<TGLROAMPatch*> patches;
  std::vector<THeightData*> visited;
  frame.PostRenderPatches = &patches;
  frame.PostRenderTiles = &visited;
  bool drawnCalled = false;
  frame.OnFrameDrawn = [&] {
    drawnCalled = true;
    EXPECT_EQ(tiles.TilesInUse(), int(visited.size())) << "released only after the frame is drawn";
  };
  tiles.BuildFrame(frame);
  EXPECT_TRUE(drawnCalled);
  ASSERT_EQ(rec.Drawn.size(), patches.size());
  ASSERT_EQ(rec.Materials.size(), rec.Drawn.size() + 1);
  for (std::size_t i = 0; i < rec.Drawn.size(); ++i) {
    EXPECT_EQ(rec.Materials[i], rec.Drawn[i].Material);
    EXPECT_EQ(rec.Drawn[i].Material, rec.Drawn[i].Patch->GetHeightData()->GetXLeft() < 0 ? "west" : "east");
  }
  EXPECT_EQ(rec.Materials.back(), "");
  EXPECT_EQ(visited.size(), 25u);
}
