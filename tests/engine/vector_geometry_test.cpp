#include "engine/vector_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/base/assertion.h"

namespace {
void ExpectNear(const TAffineVector& a, const TAffineVector& b, float tol = 1e-5f) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}
}  // namespace

TEST(VectorGeometry, PointMakeSetsWToOneAndSetVectorXYZKeepsW) {
  const TVector4f p = PointMake(TAffineVector{1, 2, 3});
  EXPECT_EQ(p[0], 1.0f);
  EXPECT_EQ(p[1], 2.0f);
  EXPECT_EQ(p[2], 3.0f);
  EXPECT_EQ(p[3], 1.0f);
  TVector4f v{0, 0, 0, 7};
  SetVectorXYZ(4, 5, 6, v);
  EXPECT_EQ(v[3], 7.0f);
  EXPECT_EQ(v[2], 6.0f);
  TVector4f d;
  SetDirectionFromAffine(TAffineVector{1, 2, 3}, d);
  EXPECT_EQ(d[3], 0.0f);
}

TEST(VectorGeometry, EqualsComparesBitsWhileIsNullIgnoresSignOfZero) {
  const TAffineVector pos{0.0f, 0.0f, 0.0f};
  const TAffineVector neg{-0.0f, 0.0f, 0.0f};
  EXPECT_FALSE(AffineVectorEquals(pos, neg));
  EXPECT_TRUE(AffineVectorEquals(pos, pos));
  EXPECT_TRUE(AffineVectorIsNull(neg));
  EXPECT_FALSE(VectorEquals(TVector4f{1, 2, 3, 0.0f}, TVector4f{1, 2, 3, -0.0f}));
  EXPECT_TRUE(VectorIsNull(TVector4f{0, 0, 0, 5}));  // w is not tested
}

TEST(VectorGeometry, ArithmeticTable) {
  const TAffineVector a{1, 2, 3}, b{4, -5, 6};
  ExpectNear(VectorAdd(a, b), {5, -3, 9});
  ExpectNear(AffineVectorSubtract(a, b), {-3, 7, -3});
  ExpectNear(AffineVectorCombine(a, b, 2, 3), {14, -11, 24});
  ExpectNear(VectorAddScaled(a, b, 0.5f), {3, -0.5f, 6});
  ExpectNear(AffineVectorCross(XVector, YVector), ZVector);
  ExpectNear(AffineVectorCross(YVector, XVector), AffineVectorNegate(ZVector));
  EXPECT_FLOAT_EQ(AffineVectorDot(a, b), 4 - 10 + 18);
  EXPECT_FLOAT_EQ(VectorDot(TVector4f{1, 2, 3, 4}, TVector4f{1, 1, 1, 1}), 10);
  EXPECT_FLOAT_EQ(VectorSpacing(a, b), 3 + 7 + 3);
  EXPECT_FLOAT_EQ(VectorDistance2(a, b), 9 + 49 + 9);
  EXPECT_FLOAT_EQ(VectorLength(TVector4f{3, 4, 0, 100}), 5);  // w ignored
  EXPECT_FLOAT_EQ(PointPlaneDistance({0, 5, 0}, {0, 1, 0}, YVector), 4);
  EXPECT_EQ(PointSubtract(TVector4f{1, 1, 1, 1}, TVector4f{0, 0, 0, 1})[3], 0.0f);
  TVector4f n = VectorNegate(TVector4f{1, -2, 3, 1});
  EXPECT_EQ(n[3], -1.0f);
  EXPECT_FLOAT_EQ(AffineVectorAngleCosine(XVector, {1, 1, 0}), std::sqrt(0.5f));
}

TEST(VectorGeometry, NormalisingGivesUnitLengthAndLeavesZeroVectorAlone) {
  TAffineVector v{3, 0, 4};
  NormalizeAffineVector(v);
  ExpectNear(v, {0.6f, 0, 0.8f});
  TAffineVector zero{};
  NormalizeAffineVector(zero);
  EXPECT_TRUE(AffineVectorIsNull(zero));
  EXPECT_FALSE(std::isnan(zero[0]));
  const TVector4f h = VectorNormalized(TVector4f{0, 2, 0, 1});
  EXPECT_FLOAT_EQ(h[1], 1);
  EXPECT_EQ(h[3], 0.0f);
  ExpectNear(VectorProjectOntoPlane({1, 2, 3}, YVector), {1, 0, 3});
}

TEST(VectorGeometry, RotationAroundYFollowsItsFormula) {
  // x' = c*x + s*z, z' = c*z - s*x
  ExpectNear(AffineVectorRotatedAroundY(XVector, float(M_PI / 2)), {0, 0, -1});
  ExpectNear(AffineVectorRotatedAroundY(ZVector, float(M_PI / 2)), {1, 0, 0});
  TAffineVector v{0, 7, 0};
  RotateAffineVectorAroundY(v, 1.0f);
  ExpectNear(v, {0, 7, 0});
}

TEST(VectorGeometry, RoundTakesHalvesToEvenAndTruncMovesTowardZero) {
  struct Case {
    double in;
    int64_t round;
    int64_t trunc;
  } cases[] = {{0.5, 0, 0}, {1.5, 2, 1}, {2.5, 2, 2}, {-0.5, 0, 0}, {-1.5, -2, -1}, {-2.5, -2, -2},
               {2.4, 2, 2}, {-2.6, -3, -2}};
  for (const Case& c : cases) {
    EXPECT_EQ(Round(c.in), c.round) << c.in;
    EXPECT_EQ(TruncSingle(float(c.in)), c.trunc) << c.in;
  }
  EXPECT_EQ(ScaleAndRound(5, 0.5f), 2);
  EXPECT_EQ(ScaleAndRound(7, 0.5f), 4);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_DOUBLE_EQ(IntPart(-2.75), -2.0);
  // Out of range and NaN saturate instead of being undefined.
  EXPECT_EQ(Round(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(TruncSingle(std::nanf("")), 0);
}

TEST(VectorGeometry, PowerAndIntPowerTable) {
  EXPECT_DOUBLE_EQ(Power(5, 0), 1);
  EXPECT_DOUBLE_EQ(Power(0, 3), 0);
  EXPECT_DOUBLE_EQ(Power(2, 10), 1024);
  EXPECT_DOUBLE_EQ(Power(2, -2), 0.25);
  EXPECT_NEAR(Power(2, 0.5), std::sqrt(2.0), 1e-12);
  EXPECT_DOUBLE_EQ(IntPower(3, 0), 1);
  EXPECT_DOUBLE_EQ(IntPower(-2, 3), -8);
  EXPECT_DOUBLE_EQ(IntPower(2, -3), 0.125);
}

TEST(VectorGeometry, NormalizeDegAngleKeepsBothHalfTurns) {
  struct Case {
    float in, out;
  } cases[] = {{180, 180}, {-180, -180}, {190, -170}, {-190, 170}, {540, 180}, {720, 0}, {45, 45}, {-400, -40}};
  for (const Case& c : cases) EXPECT_NEAR(NormalizeDegAngle(c.in), c.out, 1e-4) << c.in;
}

TEST(VectorGeometry, ScalarHelpers) {
  EXPECT_EQ(Sign(-3.0), -1);
  EXPECT_EQ(Sign(0.0), 0);
  EXPECT_EQ(Sign(2.0), 1);
  EXPECT_FLOAT_EQ(ClampValue(5, 0, 1), 1);
  EXPECT_FLOAT_EQ(ClampValue(-5, 0, 1), 0);
  EXPECT_FLOAT_EQ(ClampValue(0.5f, 0, 1), 0.5f);
  EXPECT_FLOAT_EQ(ArcSin(1.0000001f), float(M_PI / 2));  // clamped, no NaN
  EXPECT_NEAR(ArcCosExtended(-1.0000001), M_PI, 1e-12);
  float s, c;
  SinCosRadius(float(M_PI / 2), 2, s, c);
  EXPECT_NEAR(s, 2, 1e-6);
  EXPECT_NEAR(c, 0, 1e-6);
  EXPECT_FLOAT_EQ(Lerp(2, 4, 0.25f), 2.5f);
  ExpectNear(MaxVector(TAffineVector{1, 5, 3}, TAffineVector{2, 4, 3}), {2, 5, 3});
  float values[3] = {1, 2, 3};
  ScaleFloatArray(values, 3, 2);
  EXPECT_EQ(values[2], 6);
}

TEST(VectorGeometry, SinCosCacheMatchesDirectValuesOnBothPaths) {
  for (int n : {0, 1, 8, 999, 1000, 1500}) {
    std::vector<float> s(n + 1), c(n + 1);
    PrepareSinCosCache(s, c, -30, 90);
    const double d = n == 0 ? 0 : (90 + 1e-5 + 30) * M_PI / 180 / n;
    for (int i = 0; i <= n; i += std::max(1, n / 7)) {
      const double a = -30 * M_PI / 180 + i * d;
      EXPECT_NEAR(s[i], std::sin(a), 1e-4) << "n=" << n << " i=" << i;
      EXPECT_NEAR(c[i], std::cos(a), 1e-4) << "n=" << n << " i=" << i;
    }
  }
}

TEST(VectorGeometry, SinCosCacheOfUnequalArraysIsAnAssertionFailure) {
  std::vector<float> s(5), c(4);
  EXPECT_THROW(PrepareSinCosCache(s, c, 0, 90), EAssertionFailed);
}

TEST(VectorGeometry, ArrayFormsMatchSingleForms) {
  std::vector<TAffineVector> src{{1, 2, 3}, {4, 5, 6}}, dst(2);
  AddVectorToAffineArray(src.data(), {1, 1, 1}, dst.data(), 2);
  ExpectNear(dst[1], {5, 6, 7});
  std::vector<TAffineVector> other{{3, 2, 1}, {0, 0, 0}};
  AffineVectorArrayLerp(src.data(), other.data(), 0.5f, 2, dst.data());
  ExpectNear(dst[0], {2, 2, 2});
  std::vector<TVector4f> a{{0, 0, 0, 0}}, b{{2, 4, 6, 8}}, r(1);
  VectorArrayLerp(a.data(), b.data(), 0.5f, 1, r.data());
  EXPECT_FLOAT_EQ(r[0][3], 4);
}
