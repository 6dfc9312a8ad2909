#include "objects/terrain_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "objects/height_data_custom.h"
#include "objects/roam_patch.h"

namespace {

// Heights h(x, y) in height units (128 to a local z unit).
template <class F>
std::unique_ptr<TGLCustomHDS> FormulaSource(F f) {
  auto source = std::make_unique<TGLCustomHDS>();
  source->OnStartPreparingData = [f](THeightData* tile) {
    tile->Allocate(hvtSmallInt);
    for (int y = 0; y < tile->GetSize(); ++y)
      for (int x = 0; x < tile->GetSize(); ++x)
        tile->SmallIntRaster()[y][x] = std::int16_t(f(tile->GetXLeft() + x, tile->GetYTop() + y));
  };
  return source;
}

}  // namespace

TEST(TerrainRenderer, DefaultsAndSetters) {
  TGLTerrainRenderer renderer;
  EXPECT_EQ(renderer.GetTileSize(), 16);
  EXPECT_EQ(renderer.GetTilesPerTexture(), 1);
  EXPECT_EQ(renderer.GetMaxCLODTriangles(), 65536);
  EXPECT_EQ(renderer.GetCLODPrecision(), 100);
  EXPECT_EQ(renderer.GetQualityDistance(), 0);
  EXPECT_TRUE(renderer.GetObjectStyle() & sosDirectDraw);
  renderer.SetTileSize(5);
  EXPECT_EQ(renderer.GetTileSize(), 8);
  renderer.SetTileSize(20);
  EXPECT_EQ(renderer.GetTileSize(), 32);
  renderer.SetCLODPrecision(-1);
  EXPECT_EQ(renderer.GetCLODPrecision(), 1);
  renderer.SetCLODPrecision(0);
  EXPECT_EQ(renderer.GetCLODPrecision(), 1);
}

TEST(TerrainRenderer, WithoutASourceHeightsAreZeroAndRaysMiss) {
  TGLTerrainRenderer renderer;
  EXPECT_EQ(renderer.InterpolatedHeight(TVector4f{1, 2, 3, 1}), 0);
  EXPECT_FALSE(renderer.RayCastIntersect(TVector4f{0, 10, 0, 1}, TVector4f{0, -1, 0, 0}));
}

TEST(TerrainRenderer, InterpolatedHeightGoesThroughTheObjectTransform) {
  auto source = FormulaSource([](int x, int y) { return 128 * (x + 2 * y); });
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(source.get());
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{3, 4, 0, 1}), 11);
  renderer.GetScale()->SetVector(2, 2, 0.5f);
  // Absolute (6, 8) is sample (3, 4); the height is scaled by Scale.z.
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{6, 8, 0, 1}), 11 * 0.5f);
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{7, 8, 0, 1}), 11.5f * 0.5f);
  // On a tile edge (sample 16 of tiles of 17 samples).
  renderer.GetScale()->SetVector(1, 1, 1);
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{16, 16, 0, 1}), 48);
}

TEST(TerrainRenderer, OutsideAnyDataTheHeightIsTheScaledDefault) {
  TGLCustomHDS empty;  // no handler: every tile is empty
  empty.SetDefaultHeight(256);
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(&empty);
  renderer.GetScale()->SetVector(1, 1, 0.5f);
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{100, -40, 0, 1}), 256 * 0.5f / 128);
}

TEST(TerrainRenderer, RayHitsFlatGroundWithAnUpwardNormal) {
  auto source = FormulaSource([](int, int) { return 256; });  // local height 2
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(source.get());
  TVector4f point{}, normal{};
  ASSERT_TRUE(renderer.RayCastIntersect(TVector4f{0, 10, 0, 1}, TVector4f{0.3f, -1, 0.2f, 0}, &point, &normal));
  EXPECT_NEAR(point[1], 2, 0.001);
  // On the ray.
  const float t = (10 - point[1]);
  EXPECT_NEAR(point[0], 0.3f * t, 0.01);
  EXPECT_NEAR(point[2], 0.2f * t, 0.01);
  EXPECT_NEAR(normal[0], 0, 1e-5);
  EXPECT_NEAR(normal[1], 1, 1e-5);
  EXPECT_NEAR(normal[2], 0, 1e-5);
  EXPECT_EQ(normal[3], 0);
}

TEST(TerrainRenderer, RayFromBelowThatNeverReachesTheSurfaceMisses) {
  auto source = FormulaSource([](int, int) { return 256; });
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(source.get());
  EXPECT_FALSE(renderer.RayCastIntersect(TVector4f{0, -5, 0, 1}, TVector4f{0, -1, 0, 0}));
  // Above, looking up: never comes down to the ground either.
  EXPECT_FALSE(renderer.RayCastIntersect(TVector4f{0, 5, 0, 1}, TVector4f{0, 1, 0, 0}));
}

TEST(TerrainRenderer, SourceGoingFirstLeavesTheRendererWithout) {
  TGLTerrainRenderer renderer;
  {
    auto source = FormulaSource([](int x, int) { return x; });
    renderer.SetHeightDataSource(source.get());
    THeightData* tile = renderer.GetTiles().HashedTile(0, 0, true);
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->GetUseCounter(), 1);
  }
  EXPECT_EQ(renderer.GetHeightDataSource(), nullptr);
  EXPECT_EQ(renderer.GetTiles().TilesInUse(), 0);
  EXPECT_EQ(renderer.InterpolatedHeight(TVector4f{1, 1, 0, 1}), 0);
}

TEST(TerrainRenderer, RendererGoingFirstHandsItsTilesBack) {
  auto source = FormulaSource([](int x, int) { return x; });
  THeightData* tile = nullptr;
  {
    TGLTerrainRenderer renderer;
    renderer.SetHeightDataSource(source.get());
    tile = renderer.GetTiles().HashedTile(0, 0, true);
    tile->SetObjectTag(std::make_unique<TGLROAMPatch>());
  }
  EXPECT_EQ(tile->GetUseCounter(), 0);
  EXPECT_FALSE(bool(tile->OnDestroy));
  // The source frees the tile and the patch it owns (the leak checker
  // would see a patch left behind).
  source->CleanUp();
  EXPECT_EQ(source->TileCount(), 0);
}

TEST(TerrainRenderer, NewSourceReleasesAndClearsTheOldOne) {
  auto first = FormulaSource([](int, int) { return 1; });
  auto second = FormulaSource([](int, int) { return 2; });
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(first.get());
  renderer.GetTiles().HashedTile(0, 0, true);
  ASSERT_EQ(first->TileCount(), 1);
  renderer.SetHeightDataSource(second.get());
  EXPECT_EQ(first->TileCount(), 0);
  EXPECT_EQ(renderer.GetTiles().TilesInUse(), 0);
  EXPECT_FLOAT_EQ(renderer.InterpolatedHeight(TVector4f{1, 1, 0, 1}), 2.0f / 128);
}

TEST(TerrainRenderer, PrecisionChangeDropsThePatchesOfTilesInUse) {
  auto source = FormulaSource([](int x, int y) { return x * y; });
  source->SetMaxPoolSize(1 << 30);
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(source.get());
  THeightData* tile = renderer.GetTiles().HashedTile(0, 0, true);
  tile->SetObjectTag(std::make_unique<TGLROAMPatch>());
  renderer.SetCLODPrecision(7);
  EXPECT_EQ(tile->GetObjectTag(), nullptr);
  EXPECT_EQ(tile->GetUseCounter(), 0);
  EXPECT_EQ(renderer.GetTiles().TilesInUse(), 0);
}

TEST(TerrainRenderer, RayNormalLeansAwayFromTheSlope) {
  // Ground rising toward +x: the normal leans toward -x and stays up.
  auto source = FormulaSource([](int x, int) { return 128 * x; });
  TGLTerrainRenderer renderer;
  renderer.SetHeightDataSource(source.get());
  TVector4f point{}, normal{};
  ASSERT_TRUE(renderer.RayCastIntersect(TVector4f{2, 20, 3, 1}, TVector4f{0, -1, 0, 0}, &point, &normal));
  EXPECT_NEAR(point[1], 2, 0.001);
  EXPECT_NEAR(normal[0], -std::sqrt(0.5f), 1e-4);
  EXPECT_NEAR(normal[1], std::sqrt(0.5f), 1e-4);
  EXPECT_NEAR(normal[2], 0, 1e-4);
}
