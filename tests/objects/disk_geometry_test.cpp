#include "objects/disk_geometry.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/vector_geometry.h"
#include "tests/objects/geometry_expect.h"

namespace {

// Twice the signed area of the triangle as seen from +Z.
float SignedArea(const TAffineVector& a, const TAffineVector& b, const TAffineVector& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

TEST(DiskGeometry, FullDiskIsACentreFanAndOneQuadStripPerFurtherLoop) {
  struct Case {
    const char* name;
    DiskShape shape;
    std::vector<std::pair<PrimitiveKind, std::size_t>> batches;
  };
  DiskShape annulus;
  annulus.InnerRadius = 0.25f;
  annulus.Loops = 3;
  DiskShape fine;
  fine.Slices = 4;
  fine.Loops = 1;
  const Case cases[] = {
      {"default", DiskShape{}, {{PrimitiveKind::TriangleFan, 18}, {PrimitiveKind::QuadStrip, 34}}},
      {"annulus", annulus,
       {{PrimitiveKind::QuadStrip, 34}, {PrimitiveKind::QuadStrip, 34}, {PrimitiveKind::QuadStrip, 34}}},
      {"one loop of four slices", fine, {{PrimitiveKind::TriangleFan, 6}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const GeometryBatches batches = BuildDiskGeometry(c.shape);
    ASSERT_EQ(batches.size(), c.batches.size());
    for (std::size_t i = 0; i < batches.size(); ++i) {
      EXPECT_EQ(batches[i].Kind, c.batches[i].first);
      EXPECT_EQ(batches[i].Vertices.size(), c.batches[i].second);
    }
  }
}

TEST(DiskGeometry, RingsRunFromTheRimInwardsAndWindTowardsTheirNormal) {
  DiskShape shape;
  shape.InnerRadius = 0.2f;
  shape.OuterRadius = 1.0f;
  shape.Loops = 2;
  for (TNormalDirection direction : {ndOutside, ndInside}) {
    shape.NormalDirection = direction;
    const GeometryBatches batches = BuildDiskGeometry(shape);
    ASSERT_EQ(batches.size(), 2u);
    const auto& v = batches[0].Vertices;
    const float outer = AffineVectorLength(v[0].Position), inner = AffineVectorLength(v[1].Position);
    EXPECT_NEAR(direction == ndOutside ? outer : inner, 1.0f, 1e-5f);
    EXPECT_NEAR(direction == ndOutside ? inner : outer, 0.6f, 1e-5f);
    EXPECT_NEAR(AffineVectorLength(batches[1].Vertices[1].Position) +
                    AffineVectorLength(batches[1].Vertices[0].Position),
                0.6f + 0.2f, 1e-5f);
    // A quad strip's quad is (v0, v1, v3, v2).
    const float area = SignedArea(v[0].Position, v[1].Position, v[3].Position);
    const float z = direction == ndOutside ? 1.0f : -1.0f;
    EXPECT_GT(area * z, 0.0f);
    EXPECT_TRUE(NearVector(v[0].Normal, {0, 0, z}));
  }
  DiskShape full;
  for (TNormalDirection direction : {ndOutside, ndInside}) {
    full.NormalDirection = direction;
    const auto fan = BuildDiskGeometry(full)[0].Vertices;
    EXPECT_GT(SignedArea(fan[0].Position, fan[1].Position, fan[2].Position) * (direction == ndOutside ? 1 : -1), 0.0f);
  }
}

TEST(DiskGeometry, AnglesRunFromPlusYTowardsPlusXAndTheTextureCoversTheOuterCircle) {
  DiskShape sector;
  sector.InnerRadius = 0.5f;
  sector.OuterRadius = 1.0f;
  sector.Loops = 1;
  sector.Slices = 2;
  sector.StartAngle = 90;
  sector.SweepAngle = 90;
  const auto v = BuildDiskGeometry(sector)[0].Vertices;
  ASSERT_EQ(v.size(), 6u);
  EXPECT_TRUE(NearVector(v[0].Position, {1, 0, 0}));
  EXPECT_FLOAT_EQ(v[0].Tex.S, 1.0f);
  EXPECT_NEAR(v[0].Tex.T, 0.5f, 1e-6f);
  EXPECT_TRUE(NearVector(v[1].Position, {0.5f, 0, 0}));
  EXPECT_NEAR(v[1].Tex.S, 0.75f, 1e-6f);
  EXPECT_TRUE(NearVector(v[4].Position, {0, -1, 0}));
  // A negative sweep covers the same sector from its other end.
  DiskShape backwards = sector;
  backwards.StartAngle = 180;
  backwards.SweepAngle = -90;
  EXPECT_TRUE(NearVector(BuildDiskGeometry(backwards)[0].Vertices[0].Position, {1, 0, 0}));
}

TEST(DiskGeometry, ValuesTheQuadricRefusesDrawNothing) {
  auto with = [](auto change) {
    DiskShape shape;
    change(shape);
    return BuildDiskGeometry(shape);
  };
  EXPECT_TRUE(with([](DiskShape& s) { s.Slices = 1; }).empty());
  EXPECT_TRUE(with([](DiskShape& s) { s.Loops = 0; }).empty());
  EXPECT_TRUE(with([](DiskShape& s) { s.OuterRadius = 0; }).empty());
  EXPECT_TRUE(with([](DiskShape& s) { s.InnerRadius = -0.1f; }).empty());
  EXPECT_TRUE(with([](DiskShape& s) { s.InnerRadius = 0.6f; }).empty());
}

TEST(DiskRayCast, HitsTheRingAndTheDrawnSectorOnly) {
  DiskShape annulus;
  annulus.InnerRadius = 0.25f;
  annulus.OuterRadius = 1.0f;
  DiskShape sector = annulus;
  sector.StartAngle = 0;
  sector.SweepAngle = 90;  // from +Y to +X
  DiskShape circle;
  circle.InnerRadius = 0.5f;
  circle.OuterRadius = 0.5f;
  // Sizes the quadric draws nothing for.
  DiskShape negativeOuter;
  negativeOuter.InnerRadius = 0;
  negativeOuter.OuterRadius = -1;
  DiskShape negativeInner;
  negativeInner.InnerRadius = -0.2f;
  DiskShape oneSlice;
  oneSlice.Slices = 1;
  // Doubled and turned to face +X at x = 5.
  const ObjectFrame turned = ObjectFrame::FromMatrix(FrameRows({0, 0, -2}, {0, 2, 0}, {2, 0, 0}, {5, 0, 0}));
  const ObjectFrame plain;
  struct Case {
    const char* name;
    const DiskShape* shape;
    ObjectFrame frame;
    TVector4f start, vector;
    std::optional<TVector4f> point;
  };
  const Case cases[] = {
      {"ring from the front", &annulus, plain, {0.5f, 0, 3, 1}, {0, 0, -1, 0}, TVector4f{0.5f, 0, 0, 1}},
      {"ring from the back", &annulus, plain, {0.5f, 0, -3, 1}, {0, 0, 2, 0}, TVector4f{0.5f, 0, 0, 1}},
      {"through the hole", &annulus, plain, {0.1f, 0, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"outside the rim", &annulus, plain, {0.8f, 0.8f, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"parallel", &annulus, plain, {0.5f, 0, 1, 1}, {1, 0, 0, 0}, std::nullopt},
      {"moving away", &annulus, plain, {0.5f, 0, 3, 1}, {0, 0, 1, 0}, std::nullopt},
      {"inside the sector", &sector, plain, {0.4f, 0.4f, 3, 1}, {0, 0, -1, 0}, TVector4f{0.4f, 0.4f, 0, 1}},
      {"outside the sector", &sector, plain, {-0.4f, 0.4f, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"on the circle of equal radii", &circle, plain, {0, 0.5f, 3, 1}, {0, 0, -1, 0}, TVector4f{0, 0.5f, 0, 1}},
      {"off the circle of equal radii", &circle, plain, {0, 0.4f, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"turned parent", &annulus, turned, {9, 1, 0, 1}, {-1, 0, 0, 0}, TVector4f{5, 1, 0, 1}},
      {"turned parent hole", &annulus, turned, {9, 0.4f, 0, 1}, {-1, 0, 0, 0}, std::nullopt},
      {"negative outer radius", &negativeOuter, plain, {0.5f, 0, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"negative inner radius", &negativeInner, plain, {0.3f, 0, 3, 1}, {0, 0, -1, 0}, std::nullopt},
      {"a single slice", &oneSlice, plain, {0.3f, 0, 3, 1}, {0, 0, -1, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hit = DiskRayCast(c.frame, *c.shape, c.start, c.vector);
    ASSERT_EQ(hit.has_value(), c.point.has_value());
    if (!hit) continue;
    EXPECT_TRUE(NearVector(hit->Point, *c.point));
    EXPECT_TRUE(NearVector(hit->Normal, c.frame.AbsoluteDirection()));
  }
}

}  // namespace
