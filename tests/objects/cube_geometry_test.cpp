#include "objects/cube_geometry.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/vector_geometry.h"
#include "tests/objects/geometry_expect.h"

namespace {

TEST(CubeGeometry, EachFaceWindsCounterClockwiseAroundItsOutwardNormal) {
  CubeShape shape;
  shape.Width = 2;
  shape.Height = 4;
  shape.Depth = 6;
  const GeometryBatches batches = BuildCubeGeometry(shape);
  ASSERT_EQ(batches.size(), 1u);
  ASSERT_EQ(batches[0].Kind, PrimitiveKind::Quads);
  const auto& v = batches[0].Vertices;
  ASSERT_EQ(v.size(), 24u);
  const TAffineVector expectedNormals[] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  const float half[] = {1, 2, 3};
  for (int face = 0; face < 6; ++face) {
    SCOPED_TRACE(face);
    const TAffineVector& n = expectedNormals[face];
    const int axis = n[0] != 0 ? 0 : n[1] != 0 ? 1 : 2;
    for (int k = 0; k < 4; ++k) {
      EXPECT_TRUE(NearVector(v[face * 4 + k].Normal, n));
      EXPECT_FLOAT_EQ(v[face * 4 + k].Position[axis], n[axis] * half[axis]);
    }
    const TAffineVector winding =
        AffineVectorCross(AffineVectorSubtract(v[face * 4 + 1].Position, v[face * 4].Position),
                          AffineVectorSubtract(v[face * 4 + 2].Position, v[face * 4].Position));
    EXPECT_GT(AffineVectorDot(winding, n), 0.0f);
  }
  // The front face's texture runs (1,1), (0,1), (0,0), (1,0).
  EXPECT_FLOAT_EQ(v[0].Tex.S, 1);
  EXPECT_FLOAT_EQ(v[1].Tex.S, 0);
  EXPECT_FLOAT_EQ(v[2].Tex.T, 0);
}

TEST(CubeGeometry, PartsSelectTheFacesAndInsideOutTurnsOnlyTheNormals) {
  CubeShape top;
  top.Parts = {cpTop};
  const GeometryBatches one = BuildCubeGeometry(top);
  ASSERT_EQ(one.size(), 1u);
  ASSERT_EQ(one[0].Vertices.size(), 4u);
  EXPECT_TRUE(NearVector(one[0].Vertices[0].Position, {-0.5f, 0.5f, -0.5f}));

  CubeShape inside;
  inside.NormalDirection = ndInside;
  const auto outer = BuildCubeGeometry(CubeShape{})[0].Vertices;
  const auto inner = BuildCubeGeometry(inside)[0].Vertices;
  ASSERT_EQ(inner.size(), outer.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    EXPECT_TRUE(NearVector(inner[i].Position, outer[i].Position));
    EXPECT_TRUE(NearVector(inner[i].Normal, AffineVectorNegate(outer[i].Normal)));
  }

  CubeShape none;
  none.Parts = {};
  EXPECT_TRUE(BuildCubeGeometry(none).empty());
  EXPECT_EQ(CubeFaceQuads(top).size(), 1u);
  EXPECT_EQ(CubeFaceQuads(CubeShape{}).size(), 6u);
}

TEST(CubeRayCast, HitsTheFaceItEntersInFrontOfTheStart) {
  // Doubled and turned so that local Z faces +X, centred at (5, 0, 0).
  const ObjectFrame turned = ObjectFrame::FromMatrix(FrameRows({0, 0, -2}, {0, 2, 0}, {2, 0, 0}, {5, 0, 0}));
  // Stretched four times along Z: the faces keep their directions.
  const ObjectFrame stretched = ObjectFrame::FromMatrix(FrameRows({1, 0, 0}, {0, 1, 0}, {0, 0, 4}, {0, 0, 0}));
  const ObjectFrame plain;
  struct Case {
    const char* name;
    ObjectFrame frame;
    TVector4f start, vector;
    std::optional<TVector4f> point, normal;
  };
  const Case cases[] = {
      {"front face", plain, {0, 0, 5, 1}, {0, 0, -1, 0}, TVector4f{0, 0, 0.5f, 1}, TVector4f{0, 0, 1, 0}},
      {"long ray vector", plain, {0, 0, 5, 1}, {0, 0, -10, 0}, TVector4f{0, 0, 0.5f, 1}, TVector4f{0, 0, 1, 0}},
      {"from below", plain, {0.25f, -3, 0, 1}, {0, 1, 0, 0}, TVector4f{0.25f, -0.5f, 0, 1}, TVector4f{0, -1, 0, 0}},
      {"box behind the start", plain, {0, 0, 5, 1}, {0, 0, 1, 0}, std::nullopt, std::nullopt},
      {"passing beside", plain, {0.6f, 0, 5, 1}, {0, 0, -1, 0}, std::nullopt, std::nullopt},
      {"parallel above", plain, {-5, 0.75f, 0, 1}, {1, 0, 0, 0}, std::nullopt, std::nullopt},
      {"start inside leaves through the far face", plain, {0, 0, 0, 1}, {1, 0, 0, 0}, TVector4f{0.5f, 0, 0, 1},
       TVector4f{1, 0, 0, 0}},
      {"turned parent", turned, {10, 0.5f, 0.5f, 1}, {-1, 0, 0, 0}, TVector4f{6, 0.5f, 0.5f, 1},
       TVector4f{1, 0, 0, 0}},
      {"turned parent from its left", turned, {5, 0, 9, 1}, {0, 0, -1, 0}, TVector4f{5, 0, 1, 1},
       TVector4f{0, 0, 1, 0}},
      {"stretched", stretched, {0, 0, 5, 1}, {0, 0, -1, 0}, TVector4f{0, 0, 2, 1}, TVector4f{0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hit = CubeRayCast(c.frame, 1, 1, 1, c.start, c.vector);
    ASSERT_EQ(hit.has_value(), c.point.has_value());
    if (!hit) continue;
    EXPECT_TRUE(NearVector(hit->Point, *c.point));
    EXPECT_TRUE(NearVector(hit->Normal, *c.normal));
  }
}

TEST(CubeRayCast, NormalStaysPerpendicularToTheFaceUnderAnUnevenScaleOfATurnedBox) {
  // A box turned 45 degrees about Z, then stretched four times along the
  // absolute X axis: its faces are no longer perpendicular to the turned
  // axes, and the hit normal must follow the face.
  const float c = std::sqrt(0.5f);
  const ObjectFrame frame = ObjectFrame::FromMatrix(FrameRows({4 * c, c, 0}, {-4 * c, c, 0}, {0, 0, 1}, {0, 0, 0}));
  // Down the local Y axis from local (0, 3, 0): onto the +Y face.
  const auto hit = CubeRayCast(frame, 1, 1, 1, {-12 * c, 3 * c, 0, 1}, {4 * c, -c, 0, 0});
  ASSERT_TRUE(hit.has_value());
  EXPECT_TRUE(NearVector(hit->Point, {-2 * c, 0.5f * c, 0, 1}));
  // The face spans the local X axis, whose absolute image is the first row.
  const TAffineVector edge = AffineVectorNormalized({4 * c, c, 0});
  EXPECT_NEAR(AffineVectorDot(AffineVectorMake(hit->Normal), edge), 0.0f, 1e-5f);
  EXPECT_NEAR(VectorLength(hit->Normal), 1.0f, 1e-5f);
  EXPECT_GT(hit->Normal[1], 0.0f);
}

}  // namespace
