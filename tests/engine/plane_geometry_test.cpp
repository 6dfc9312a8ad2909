#include "engine/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/geometry_bb.h"
#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"

namespace {
const TVector4f kUp{0, 1, 0, 0};
const TVector4f kDown{0, -1, 0, 0};

void ExpectPointNear(const TVector4f& p, float x, float y, float z) {
  EXPECT_NEAR(p[0], x, 1e-5);
  EXPECT_NEAR(p[1], y, 1e-5);
  EXPECT_NEAR(p[2], z, 1e-5);
}

// A box-shaped frustum |x|, |y|, |z| <= 10 built by hand.
TRenderContextClippingInfo BoxClipping() {
  TRenderContextClippingInfo c;
  c.frustum.pLeft = {1, 0, 0, 10};
  c.frustum.pRight = {-1, 0, 0, 10};
  c.frustum.pBottom = {0, 1, 0, 10};
  c.frustum.pTop = {0, -1, 0, 10};
  c.frustum.pNear = {0, 0, 1, 10};
  c.frustum.pFar = {0, 0, -1, 10};
  return c;
}
}  // namespace

TEST(PlaneGeometry, RayPlaneHitsOnlyPlanesInFront) {
  const TVector4f start{0, 0, 0, 1};
  const TVector4f plane_above{0, 5, 0, 1};
  const TVector4f normal{0, 1, 0, 0};
  TVector4f hit;
  struct Case {
    TVector4f dir;
    bool with_hit;
    bool expected;
  } cases[] = {
      {kUp, true, true},   {kUp, false, true},
      {kDown, true, false}, {kDown, false, false},  // behind: no hit, with or without the hit point
      {{1, 0, 0, 0}, true, false},                  // parallel
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RayCastPlaneIntersect(start, c.dir, plane_above, normal, c.with_hit ? &hit : nullptr), c.expected);
  }
  ASSERT_TRUE(RayCastPlaneIntersect(start, TVector4f{0, 2, 0, 0}, plane_above, normal, &hit));
  ExpectPointNear(hit, 0, 5, 0);
  // A plane through the start point (t = 0) is not hit.
  EXPECT_FALSE(RayCastPlaneIntersect(start, kUp, TVector4f{0, 0, 0, 1}, normal));
}

TEST(PlaneGeometry, RayTriangleTable) {
  const TAffineVector p1{0, 0, 0}, p2{1, 0, 0}, p3{0, 1, 0};
  const TVector4f toward{0, 0, -1, 0};
  struct Case {
    TVector4f start;
    bool expected;
  } cases[] = {
      {{0.25f, 0.25f, 1, 1}, true}, {{0.5f, 0.5f, 1, 1}, true},  // on the hypotenuse
      {{0, 0, 1, 1}, true},         {{0.6f, 0.6f, 1, 1}, false},
      {{-0.1f, 0.2f, 1, 1}, false}, {{0.25f, 0.25f, -1, 1}, false},  // triangle behind
  };
  for (const Case& c : cases) EXPECT_EQ(RayCastTriangleIntersect(c.start, toward, p1, p2, p3), c.expected);
  TVector4f hit, normal;
  ASSERT_TRUE(RayCastTriangleIntersect({0.25f, 0.25f, 3, 1}, toward, p1, p2, p3, &hit, &normal));
  ExpectPointNear(hit, 0.25f, 0.25f, 0);
  ExpectPointNear(normal, 0, 0, 1);
  EXPECT_FALSE(RayCastTriangleIntersect({0, 0, 1, 1}, TVector4f{1, 0, 0, 0}, p1, p2, p3));  // parallel
}

TEST(PlaneGeometry, RaySphereTable) {
  const TVector4f centre{0, 0, 10, 1};
  const TVector4f dir{0, 0, 1, 0};
  TVector4f i1, i2;
  EXPECT_EQ(RayCastSphereIntersect({0, 0, 0, 1}, dir, centre, 2, i1, i2), 2);
  ExpectPointNear(i1, 0, 0, 8);
  ExpectPointNear(i2, 0, 0, 12);
  // From inside: one hit in front of the start.
  EXPECT_EQ(RayCastSphereIntersect({0, 0, 9, 1}, dir, centre, 2, i1, i2), 1);
  ExpectPointNear(i1, 0, 0, 12);
  // Sphere behind the start.
  EXPECT_EQ(RayCastSphereIntersect({0, 0, 20, 1}, dir, centre, 2, i1, i2), 0);
  // Missed.
  EXPECT_EQ(RayCastSphereIntersect({5, 0, 0, 1}, dir, centre, 2, i1, i2), 0);
  // Tangent in front, and tangent behind.
  EXPECT_EQ(RayCastSphereIntersect({2, 0, 0, 1}, dir, centre, 2, i1, i2), 1);
  ExpectPointNear(i1, 2, 0, 10);
  EXPECT_EQ(RayCastSphereIntersect({2, 0, 20, 1}, dir, centre, 2, i1, i2), 0);
}

TEST(PlaneGeometry, SphereVisibleRadius) {
  EXPECT_FLOAT_EQ(SphereVisibleRadius(5, 3), 5 * 3 / 4.0f);
  EXPECT_EQ(SphereVisibleRadius(2, 3), std::numeric_limits<float>::infinity());
  EXPECT_EQ(SphereVisibleRadius(3, 3), std::numeric_limits<float>::infinity());
}

TEST(PlaneGeometry, PlanesEvaluateAndNormalise) {
  const TAffineVector n = CalcPlaneNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  EXPECT_FLOAT_EQ(n[2], 1);
  TPlane p{0, 3, 0, -6};
  NormalizePlane(p);
  EXPECT_FLOAT_EQ(p[1], 1);
  EXPECT_FLOAT_EQ(p[3], -2);
  EXPECT_FLOAT_EQ(PlaneEvaluatePoint(p, TAffineVector{0, 5, 0}), 3);
  EXPECT_FLOAT_EQ(PlaneEvaluatePoint(PlaneMake({0, 2, 0}, YVector), TAffineVector{1, 5, 1}), 3);
}

TEST(PlaneGeometry, SphereTouchingAPlaneFromOutsideIsNotClipped) {
  const TRenderContextClippingInfo c = BoxClipping();
  EXPECT_FALSE(IsVolumeClipped(TVector4f{0, 0, 0, 1}, c, 1));
  EXPECT_FALSE(IsVolumeClipped(TVector4f{-12, 0, 0, 1}, c, 2));  // exactly -radius
  EXPECT_TRUE(IsVolumeClipped(TVector4f{-12.5f, 0, 0, 1}, c, 2));
  EXPECT_TRUE(IsVolumeClipped(TAffineVector{0, 0, 30}, c, 5));
  EXPECT_FALSE(IsVolumeClipped(TAffineVector{9, 9, 9}, TAffineVector{11, 11, 11}, c));
  EXPECT_TRUE(IsVolumeClipped(TAffineVector{20, 0, 0}, TAffineVector{22, 1, 1}, c));
}

TEST(PlaneGeometry, FrustumOfIdentityIsTheUnitCube) {
  const TFrustum f = ExtractFrustum(IdentityHmgMatrix);
  // left = c3 + c0 = (1, 0, 0, 1): x >= -1 inside; (a, b, c) is already unit.
  EXPECT_FLOAT_EQ(f.pLeft[0], 1);
  EXPECT_FLOAT_EQ(f.pLeft[3], 1);
  EXPECT_FLOAT_EQ(f.pRight[0], -1);
  EXPECT_FLOAT_EQ(f.pTop[1], -1);
  EXPECT_FLOAT_EQ(f.pBottom[1], 1);
  EXPECT_FLOAT_EQ(f.pNear[2], 1);
  EXPECT_FLOAT_EQ(f.pFar[2], -1);
  EXPECT_FLOAT_EQ(f.pFar[3], 1);
}

TEST(PlaneGeometry, FrustumPlanesAreNormalisedOverTheirNormal) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = 2;  // c0 = (2, 0, 0, 0)
  m[3][0] = 1;  // and a translation
  const TFrustum f = ExtractFrustum(m);
  for (const TPlane* p : {&f.pLeft, &f.pTop, &f.pRight, &f.pBottom, &f.pNear, &f.pFar})
    EXPECT_NEAR(VectorLength(*p), 1, 1e-6);
  // left = c3 + c0 = (2, 0, 0, 2) scaled by 1/2.
  EXPECT_FLOAT_EQ(f.pLeft[0], 1);
  EXPECT_FLOAT_EQ(f.pLeft[3], 1);
}

TEST(GeometryBB, BoxOperations) {
  TAABB bb;
  SetAABB(bb, TVector4f{-1, 2, 3, 0});
  EXPECT_EQ(bb.Max[0], 1);
  EXPECT_EQ(bb.Min[0], -1);
  EXPECT_EQ(bb.Min[2], -3);
  AABBInclude(bb, {5, 0, 0});
  EXPECT_EQ(bb.Max[0], 5);
  AddAABB(bb, TAABB{{-9, 0, 0}, {0, 9, 0}});
  EXPECT_EQ(bb.Min[0], -9);
  EXPECT_EQ(bb.Max[1], 9);
  TAABB r{{0, 0, 0}, {1, 2, 0}};
  AABBTransform(r, MatrixMultiply(CreateRotationMatrixZ(1.0f, 0.0f), CreateTranslationMatrix({10, 0, 0})));
  EXPECT_NEAR(r.Min[0], 8, 1e-5);
  EXPECT_NEAR(r.Max[0], 10, 1e-5);
  EXPECT_NEAR(r.Max[1], 1, 1e-5);
  AABBScale(r, {2, 1, 1});
  EXPECT_NEAR(r.Max[0], 20, 1e-5);
}
