#include "objects/sphere_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"
#include "tests/objects/geometry_expect.h"

namespace {

TEST(SphereGeometry, DefaultSphereIsSixteenStripsOfThirtyFourVerticesOnItsRadiusWithoutCaps) {
  const GeometryBatches batches = BuildSphereGeometry(SphereShape{});
  ASSERT_EQ(batches.size(), 16u);
  for (const auto& strip : batches) {
    ASSERT_EQ(strip.Kind, PrimitiveKind::TriangleStrip);
    ASSERT_EQ(strip.Vertices.size(), 34u);
    for (const auto& v : strip.Vertices) {
      EXPECT_NEAR(AffineVectorLength(v.Position), 0.5f, 1e-5f);
      EXPECT_TRUE(NearVector(v.Normal, VectorScale(v.Position, 2.0f)));
    }
  }
  // From the north pole down; the texture's T runs from 1 to 0.
  EXPECT_TRUE(NearVector(batches[0].Vertices[0].Position, {0, 0.5f, 0}));
  EXPECT_FLOAT_EQ(batches[0].Vertices[0].Tex.T, 1.0f);
  EXPECT_FLOAT_EQ(batches[15].Vertices[1].Tex.T, 0.0f);
  EXPECT_FLOAT_EQ(batches[0].Vertices[32].Tex.S, 1.0f);
}

TEST(SphereGeometry, StripsFaceOutwardsAndInsideOutNegatesTheNormals) {
  SphereShape shape;
  const GeometryBatch strip = BuildSphereGeometry(shape)[8];
  const auto& v = strip.Vertices;
  const TAffineVector winding = AffineVectorCross(AffineVectorSubtract(v[1].Position, v[0].Position),
                                                  AffineVectorSubtract(v[2].Position, v[0].Position));
  EXPECT_GT(AffineVectorDot(winding, v[0].Position), 0.0f);
  shape.NormalDirection = ndInside;
  const GeometryBatch inner = BuildSphereGeometry(shape)[8];
  for (std::size_t i = 0; i < v.size(); ++i) {
    EXPECT_TRUE(NearVector(inner.Vertices[i].Position, v[i].Position));
    EXPECT_TRUE(NearVector(inner.Vertices[i].Normal, AffineVectorNegate(v[i].Normal)));
  }
}

TEST(SphereGeometry, CapsCloseACutTopAndBottom) {
  struct Case {
    const char* name;
    TCapType type;
  };
  for (const Case& c : {Case{"flat", ctFlat}, Case{"centre", ctCenter}}) {
    SCOPED_TRACE(c.name);
    SphereShape shape;
    shape.Radius = 2;
    shape.Top = 45;
    shape.Bottom = -30;
    shape.TopCap = c.type;
    shape.BottomCap = c.type;
    const GeometryBatches batches = BuildSphereGeometry(shape);
    ASSERT_EQ(batches.size(), 18u);
    const GeometryBatch& top = batches.front();
    const GeometryBatch& bottom = batches.back();
    ASSERT_EQ(top.Kind, PrimitiveKind::TriangleFan);
    ASSERT_EQ(bottom.Kind, PrimitiveKind::TriangleFan);
    ASSERT_EQ(top.Vertices.size(), 18u);
    const float topHeight = std::sin(DegToRad(45)) * 2;
    EXPECT_TRUE(NearVector(top.Vertices[0].Position, {0, c.type == ctFlat ? topHeight : 0.0f, 0}));
    EXPECT_TRUE(NearVector(top.Vertices[0].Normal, {0, 1, 0}));
    EXPECT_TRUE(NearVector(bottom.Vertices[0].Normal, {0, -1, 0}));
    for (std::size_t i = 1; i < top.Vertices.size(); ++i) {
      EXPECT_NEAR(top.Vertices[i].Position[1], topHeight, 1e-5f);
      if (c.type == ctFlat) {
        EXPECT_TRUE(NearVector(top.Vertices[i].Normal, {0, 1, 0}));
      } else {
        // Tangent to the sphere at the rim, pointing to the pole.
        EXPECT_NEAR(AffineVectorDot(top.Vertices[i].Normal, top.Vertices[i].Position), 0.0f, 1e-5f);
        EXPECT_GT(top.Vertices[i].Normal[1], 0.0f);
      }
    }
    // Both fans wind outwards (seen from above and from below).
    const TAffineVector up = AffineVectorCross(AffineVectorSubtract(top.Vertices[1].Position, top.Vertices[0].Position),
                                               AffineVectorSubtract(top.Vertices[2].Position, top.Vertices[0].Position));
    EXPECT_GT(up[1], 0.0f);
    const TAffineVector down =
        AffineVectorCross(AffineVectorSubtract(bottom.Vertices[1].Position, bottom.Vertices[0].Position),
                          AffineVectorSubtract(bottom.Vertices[2].Position, bottom.Vertices[0].Position));
    EXPECT_LT(down[1], 0.0f);
  }
}

TEST(SphereGeometry, TooFewDivisionsAreTakenAsOneAndLongitudesFollowStartAndStop) {
  SphereShape shape;
  shape.Slices = 0;
  shape.Stacks = -3;
  const GeometryBatches one = BuildSphereGeometry(shape);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].Vertices.size(), 4u);

  SphereShape quarter;
  quarter.Start = 90;
  quarter.Stop = 180;
  quarter.Slices = 2;
  const GeometryBatches q = BuildSphereGeometry(quarter);
  // The equator row of the middle strip: +X at 90 degrees, -Z at 180.
  const auto& row = q[8].Vertices;
  EXPECT_TRUE(NearVector(row[0].Position, {0.5f, 0, 0}));
  EXPECT_TRUE(NearVector(row[4].Position, {0, 0, -0.5f}));
}

TEST(SphereRayCast, NearerHitInFrontOfTheStartWithAUnitNormal) {
  const ObjectFrame doubled = ObjectFrame::FromMatrix(FrameRows({0, 0, -2}, {0, 2, 0}, {2, 0, 0}, {5, 0, 0}));
  const ObjectFrame plain;
  struct Case {
    const char* name;
    ObjectFrame frame;
    TVector4f start, vector;
    std::optional<TVector4f> point, normal;
  };
  const Case cases[] = {
      {"front", plain, {0, 0, 5, 1}, {0, 0, -1, 0}, TVector4f{0, 0, 0.5f, 1}, TVector4f{0, 0, 1, 0}},
      {"unnormalised vector", plain, {0, 5, 0, 1}, {0, -7, 0, 0}, TVector4f{0, 0.5f, 0, 1}, TVector4f{0, 1, 0, 0}},
      {"behind", plain, {0, 0, 5, 1}, {0, 0, 1, 0}, std::nullopt, std::nullopt},
      {"beside", plain, {0.6f, 0, 5, 1}, {0, 0, -1, 0}, std::nullopt, std::nullopt},
      {"from inside, where it leaves", plain, {0, 0, 0, 1}, {0, 0, -1, 0}, TVector4f{0, 0, -0.5f, 1},
       TVector4f{0, 0, -1, 0}},
      {"scaled and turned parent", doubled, {10, 0, 0, 1}, {-1, 0, 0, 0}, TVector4f{6, 0, 0, 1},
       TVector4f{1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hit = SphereRayCast(c.frame, 0.5f, c.start, c.vector);
    ASSERT_EQ(hit.has_value(), c.point.has_value());
    if (!hit) continue;
    EXPECT_TRUE(NearVector(hit->Point, *c.point));
    EXPECT_TRUE(NearVector(hit->Normal, *c.normal));
  }
}

TEST(SphereSilhouette, RingFacesTheViewerAtTheApparentRadius) {
  const float r0 = std::sqrt(3.0f) * 0.5f;
  const SilhouetteGeometry s = SphereSilhouette({0, 0, 5}, SilhouetteLightStyle::Omni, false, 16, 8, r0);
  ASSERT_EQ(s.Vertices.size(), 16u);
  ASSERT_EQ(s.Indices.size(), 32u);
  EXPECT_EQ(s.Indices[30], 15);
  EXPECT_EQ(s.Indices[31], 0);
  const float apparent = 5 * r0 / std::sqrt(25 - r0 * r0);
  for (const auto& v : s.Vertices) {
    EXPECT_NEAR(v[2], 0.0f, 1e-5f);
    EXPECT_NEAR(VectorLength(v), 0.98f * apparent, 1e-5f);
    EXPECT_EQ(v[3], 1.0f);
  }
  const SilhouetteGeometry parallel = SphereSilhouette({0, 0, 5}, SilhouetteLightStyle::Parallel, true, 4, 4, r0);
  ASSERT_EQ(parallel.Vertices.size(), 5u);
  EXPECT_NEAR(VectorLength(parallel.Vertices[0]), 0.98f * r0, 1e-5f);
  EXPECT_TRUE(NearVector(parallel.Vertices[4], {0, 0, 0, 1}));
  EXPECT_EQ(parallel.CapIndices, (std::vector<int>{4, 0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0}));
}

TEST(SphereSilhouette, SeenFromInsideOrAlongXKeepsFiniteVertices) {
  const float r0 = 0.8660254f;
  for (const TAffineVector& from : {TAffineVector{0, 0, 0.1f}, TAffineVector{3, 0, 0}, TAffineVector{0, 0, 0}}) {
    const SilhouetteGeometry s = SphereSilhouette(from, SilhouetteLightStyle::Omni, false, 8, 8, r0);
    for (const auto& v : s.Vertices)
      for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isfinite(v[i]));
  }
  const SilhouetteGeometry inside = SphereSilhouette({0, 0, 0.1f}, SilhouetteLightStyle::Omni, false, 8, 8, r0);
  EXPECT_NEAR(VectorLength(inside.Vertices[0]), 0.98f * r0, 1e-5f);
  EXPECT_THROW(SphereSilhouette({0, 0, 5}, SilhouetteLightStyle::Unknown, false, 8, 8, r0), EAssertionFailed);
}

}  // namespace
