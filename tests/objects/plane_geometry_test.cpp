#include "objects/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "tests/objects/geometry_expect.h"

namespace {

TEST(PlaneGeometry, SingleQuadRunsCounterClockwiseFromTheUpperRightWithTheTextureExtents) {
  struct Case {
    const char* name;
    PlaneShape shape;
    PlaneTextureExtents expected;
  };
  PlaneShape tiled;
  tiled.Width = 4;
  tiled.Height = 2;
  tiled.XTiles = 3;
  tiled.YTiles = 2;
  tiled.XOffset = 0.25f;
  tiled.YOffset = 0.5f;
  tiled.XScope = 0.5f;
  PlaneShape untiled = tiled;
  untiled.TileTexture = false;
  const Case cases[] = {
      {"tiled", tiled, {0.25f, 3 * 0.5f + 0.25f, 0.5f, 2 * 1.0f + 0.5f}},
      {"untiled keeps the scopes only", untiled, {0, 0.5f, 0, 1.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const GeometryBatches batches = BuildPlaneGeometry(c.shape);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].Kind, PrimitiveKind::Quads);
    const auto& v = batches[0].Vertices;
    ASSERT_EQ(v.size(), 4u);
    const float hw = c.shape.Width / 2, hh = c.shape.Height / 2;
    EXPECT_TRUE(NearVector(v[0].Position, {hw, hh, 0}));
    EXPECT_TRUE(NearVector(v[1].Position, {-hw, hh, 0}));
    EXPECT_TRUE(NearVector(v[2].Position, {-hw, -hh, 0}));
    EXPECT_TRUE(NearVector(v[3].Position, {hw, -hh, 0}));
    EXPECT_FLOAT_EQ(v[0].Tex.S, c.expected.S1);
    EXPECT_FLOAT_EQ(v[0].Tex.T, c.expected.T1);
    EXPECT_FLOAT_EQ(v[2].Tex.S, c.expected.S0);
    EXPECT_FLOAT_EQ(v[2].Tex.T, c.expected.T0);
    for (const auto& vertex : v) EXPECT_TRUE(NearVector(vertex.Normal, {0, 0, 1}));
  }
}

TEST(PlaneGeometry, StripFormThreeByTwoGivesTwoStripsOfEightVerticesWithTheTiledTextureRange) {
  PlaneShape shape;
  shape.SingleQuad = false;
  shape.Width = 3;
  shape.Height = 2;
  shape.XTiles = 3;
  shape.YTiles = 2;
  shape.YOffset = 0.5f;
  shape.YScope = 0.75f;
  const GeometryBatches batches = BuildPlaneGeometry(shape);
  ASSERT_EQ(batches.size(), 2u);
  for (const auto& strip : batches) {
    EXPECT_EQ(strip.Kind, PrimitiveKind::TriangleStrip);
    EXPECT_EQ(strip.Vertices.size(), 8u);
  }
  // Bottom row first; each column gives its upper vertex, then its lower.
  EXPECT_TRUE(NearVector(batches[0].Vertices[0].Position, {-1.5f, 0, 0}));
  EXPECT_TRUE(NearVector(batches[0].Vertices[1].Position, {-1.5f, -1, 0}));
  EXPECT_TRUE(NearVector(batches[0].Vertices[7].Position, {1.5f, -1, 0}));
  EXPECT_TRUE(NearVector(batches[1].Vertices[0].Position, {-1.5f, 1, 0}));
  EXPECT_FLOAT_EQ(batches[0].Vertices[1].Tex.T, 0.5f);
  EXPECT_FLOAT_EQ(batches[0].Vertices[0].Tex.T, 0.5f + 0.75f);
  EXPECT_FLOAT_EQ(batches[1].Vertices[0].Tex.T, 2 * 0.75f + 0.5f);
  EXPECT_FLOAT_EQ(batches[1].Vertices[7].Tex.S, 3.0f);
}

TEST(PlaneGeometry, StripFormWithoutTilesDrawsNothingInsteadOfNaNVertices) {
  for (auto tiles : {std::pair<unsigned, unsigned>{0, 2}, {3, 0}, {0, 0}}) {
    PlaneShape shape;
    shape.SingleQuad = false;
    shape.XTiles = tiles.first;
    shape.YTiles = tiles.second;
    EXPECT_TRUE(BuildPlaneGeometry(shape).empty()) << tiles.first << " x " << tiles.second;
  }
  PlaneShape quad;
  quad.XTiles = 0;
  quad.YTiles = 0;
  ASSERT_EQ(BuildPlaneGeometry(quad).size(), 1u);
}

TEST(PlaneRayCast, HitsAndMissesFromEachSide) {
  // A parent that doubles the size and turns the plane to face +X at x = 5:
  // its local X goes to -Z, Y to +Y, Z to +X.
  const ObjectFrame turned = ObjectFrame::FromMatrix(FrameRows({0, 0, -2}, {0, 2, 0}, {2, 0, 0}, {5, 0, 0}));
  struct Case {
    const char* name;
    ObjectFrame frame;
    TVector4f start, vector;
    std::optional<TVector4f> point, normal;
  };
  const ObjectFrame plain;
  const Case cases[] = {
      {"front", plain, {0, 0, 5, 1}, {0, 0, -1, 0}, TVector4f{0, 0, 0, 1}, TVector4f{0, 0, 1, 0}},
      {"back", plain, {0, 0, -5, 1}, {0, 0, 1, 0}, TVector4f{0, 0, 0, 1}, TVector4f{0, 0, -1, 0}},
      {"oblique front", plain, {-1, 0.5f, 2, 1}, {1, 0, -2, 0}, TVector4f{0, 0.5f, 0, 1}, TVector4f{0, 0, 1, 0}},
      {"start on the plane going down counts as front", plain, {0.25f, 0, 0, 1}, {0, 0, -1, 0},
       TVector4f{0.25f, 0, 0, 1}, TVector4f{0, 0, 1, 0}},
      {"parallel", plain, {0, 0, 1, 1}, {1, 0, 0, 0}, std::nullopt, std::nullopt},
      {"moving away", plain, {0, 0, 5, 1}, {0, 0, 1, 0}, std::nullopt, std::nullopt},
      {"beside the rectangle", plain, {0.6f, 0, 5, 1}, {0, 0, -1, 0}, std::nullopt, std::nullopt},
      {"turned parent front", turned, {10, 0.5f, 0.5f, 1}, {-1, 0, 0, 0}, TVector4f{5, 0.5f, 0.5f, 1},
       TVector4f{1, 0, 0, 0}},
      {"turned parent back", turned, {0, -0.5f, 0, 1}, {3, 0, 0, 0}, TVector4f{5, -0.5f, 0, 1},
       TVector4f{-1, 0, 0, 0}},
      {"turned parent beside", turned, {10, 1.5f, 0, 1}, {-1, 0, 0, 0}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hit = PlaneRayCast(c.frame, 1, 1, c.start, c.vector);
    ASSERT_EQ(hit.has_value(), c.point.has_value());
    if (!hit) continue;
    EXPECT_TRUE(NearVector(hit->Point, *c.point));
    EXPECT_TRUE(NearVector(hit->Normal, *c.normal));
  }
}

TEST(PlaneSilhouette, FourCornersLinkedInACircleWithTwoCapsWhenAsked) {
  const SilhouetteGeometry open = PlaneSilhouette(4, 2, false);
  ASSERT_EQ(open.Vertices.size(), 4u);
  EXPECT_TRUE(NearVector(open.Vertices[0], {2, 1, 0, 1}));
  EXPECT_TRUE(NearVector(open.Vertices[2], {-2, -1, 0, 1}));
  EXPECT_EQ(open.Indices, (std::vector<int>{0, 1, 1, 2, 2, 3, 3, 0}));
  EXPECT_TRUE(open.CapIndices.empty());
  EXPECT_EQ(PlaneSilhouette(4, 2, true).CapIndices, (std::vector<int>{0, 1, 2, 2, 3, 0}));
}

}  // namespace
