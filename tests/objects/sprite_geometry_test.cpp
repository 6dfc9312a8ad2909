#include "objects/sprite_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/vector_geometry.h"
#include "tests/objects/geometry_expect.h"

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(SpriteGeometry, UnrotatedQuadSpansWidthAndHeightAlongTheCameraAxes) {
  SpriteShape shape;
  shape.Width = 2;
  shape.Height = 1;
  const auto q = BuildSpriteQuad(kIdentity, shape);
  EXPECT_TRUE(NearVector(q[0].Position, {1, 0.5f, 0}));
  EXPECT_TRUE(NearVector(q[1].Position, {-1, 0.5f, 0}));
  EXPECT_TRUE(NearVector(q[2].Position, {-1, -0.5f, 0}));
  EXPECT_TRUE(NearVector(q[3].Position, {1, -0.5f, 0}));
  const float s[] = {1, 0, 0, 1}, t[] = {1, 1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(q[i].Tex.S, s[i]);
    EXPECT_EQ(q[i].Tex.T, t[i]);
  }
}

TEST(SpriteGeometry, MirroringBothWaysTurnsTheTextureHalfARound) {
  SpriteShape shape;
  shape.MirrorU = true;
  shape.MirrorV = true;
  const auto mirrored = BuildSpriteQuad(kIdentity, shape);
  const auto plain = BuildSpriteQuad(kIdentity, SpriteShape{});
  // Each corner shows the texture of the opposite corner.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(mirrored[i].Tex.S, plain[(i + 2) % 4].Tex.S);
    EXPECT_EQ(mirrored[i].Tex.T, plain[(i + 2) % 4].Tex.T);
  }
}

TEST(SpriteGeometry, RotatedSpriteKeepsItsWidthToHeightRatio) {
  for (float degrees : {30.0f, 45.0f, 90.0f, -120.0f}) {
    SCOPED_TRACE(degrees);
    SpriteShape shape;
    shape.Width = 2;
    shape.Height = 1;
    shape.Rotation = degrees;
    const auto q = BuildSpriteQuad(kIdentity, shape);
    const TAffineVector top = AffineVectorSubtract(q[0].Position, q[1].Position);
    const TAffineVector side = AffineVectorSubtract(q[1].Position, q[2].Position);
    EXPECT_NEAR(AffineVectorLength(top), 2.0f, 1e-5f);
    EXPECT_NEAR(AffineVectorLength(side), 1.0f, 1e-5f);
    EXPECT_NEAR(AffineVectorDot(top, side), 0.0f, 1e-5f);
    // Counter-clockwise as the camera sees it: the top edge turns by the angle.
    EXPECT_NEAR(std::atan2(top[1], top[0]), DegToRad(degrees), 1e-5f);
  }
}

TEST(SpriteGeometry, SquareSpriteTurnsAsItAlwaysDid) {
  // For a square sprite the corners are cos * p + sin * q and its turns,
  // with p = vx + vy and q = vy - vx.
  SpriteShape shape;
  shape.Rotation = 30;
  const auto q = BuildSpriteQuad(kIdentity, shape);
  const float c = std::cos(DegToRad(30)), s = std::sin(DegToRad(30));
  const TAffineVector p{0.5f, 0.5f, 0}, qq{-0.5f, 0.5f, 0};
  EXPECT_TRUE(NearVector(q[0].Position, AffineVectorCombine(p, qq, c, s)));
  EXPECT_TRUE(NearVector(q[1].Position, AffineVectorCombine(p, qq, -s, c)));
  EXPECT_TRUE(NearVector(q[2].Position, AffineVectorCombine(p, qq, -c, -s)));
  EXPECT_TRUE(NearVector(q[3].Position, AffineVectorCombine(p, qq, s, -c)));
}

TEST(SpriteGeometry, FacesTheCameraOfATurnedAndScaledModelView) {
  // Camera turned 90 degrees about Y and the object scaled by 3: GL's
  // column-major matrix whose rows are 3 * (0, 0, -1), 3 * (0, 1, 0), ...
  const float mv[16] = {0, 0, 3, 0, 0, 3, 0, 0, -3, 0, 0, 0, 0, 0, -10, 1};
  SpriteShape shape;
  shape.Width = 2;
  shape.Height = 4;
  const auto q = BuildSpriteQuad(mv, shape);
  // The camera's right axis in local space is -Z, its up axis +Y; the local
  // size stays Width x Height, the model-view scale applies on top.
  EXPECT_TRUE(NearVector(q[0].Position, {0, 2, -1}));
  EXPECT_TRUE(NearVector(q[2].Position, {0, -2, 1}));
}

TEST(SpriteGeometry, CollapsedAxisGivesAFlatQuadWithoutNaN) {
  const float mv[16] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  SpriteShape shape;
  shape.Rotation = 10;
  for (const auto& v : BuildSpriteQuad(mv, shape))
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(v.Position[i]));
}

}  // namespace
