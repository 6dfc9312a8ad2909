#include "engine/spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(CubicSpline, TwoKnotsGiveAStraightLine) {
  const float y[2] = {0, 3};
  const TCubicSpline s(y, y, nullptr, nullptr, 2);
  for (float t : {-0.5f, 0.0f, 0.3f, 1.0f, 1.5f}) EXPECT_NEAR(s.SplineX(t), 3 * t, 1e-5) << t;
  EXPECT_NEAR(s.SplineSlopeVector(0.5f)[0], 3, 1e-5);
  EXPECT_EQ(s.SplineZ(0.5f), 0.0f);  // nil table
}

TEST(CubicSpline, MeetsEveryKnotAndTheLastAtItsEnd) {
  const float x[5] = {0, 2, -1, 4, 4};
  const float y[5] = {1, 1, 1, 1, 1};
  const TCubicSpline s(x, y, x, nullptr, 5);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(s.SplineX(float(i)), x[i], 1e-5) << i;
  EXPECT_NEAR(s.SplineX(4), 4, 1e-6);
  const TAffineVector v = s.SplineAffineVector(2);
  EXPECT_NEAR(v[0], -1, 1e-5);
  EXPECT_NEAR(v[1], 1, 1e-5);
  float a, b, c;
  s.SplineXYZ(3, a, b, c);
  EXPECT_NEAR(c, 4, 1e-5);
}

TEST(CubicSpline, NaturalEndsAndContinuousSlope) {
  const float x[4] = {0, 1, 0, 2};
  const TCubicSpline s(x, nullptr, nullptr, nullptr, 4);
  auto slope = [&](float t) { return s.SplineSlopeVector(t)[0]; };
  // A zero second derivative at the ends is 2*D0 + D1 = 3(y1 - y0) and
  // 2*D3 + D2 = 3(y3 - y2) for the knot tangents D.
  EXPECT_NEAR(2 * slope(0) + slope(1), 3 * (x[1] - x[0]), 1e-4);
  EXPECT_NEAR(2 * slope(3) + slope(2), 3 * (x[3] - x[2]), 1e-4);
  for (int k = 1; k < 3; ++k)
    EXPECT_NEAR(s.SplineSlopeVector(k - 1e-4f)[0], s.SplineSlopeVector(k + 1e-4f)[0], 1e-2) << k;
}

TEST(CubicSpline, ExtrapolatesTheEndSegments) {
  const float x[3] = {0, 1, 4};
  const TCubicSpline s(x, nullptr, nullptr, nullptr, 3);
  // The first segment's cubic, evaluated before its start.
  const float d = 0.01f;
  const float slope0 = (s.SplineX(d) - s.SplineX(0)) / d;
  EXPECT_LT(s.SplineX(-0.5f), 0.0f);
  EXPECT_NEAR(s.SplineX(-0.5f), -0.5f * slope0, 0.1f);
  EXPECT_GT(s.SplineX(2.5f), 4.0f);
}

TEST(CubicSpline, ManyKnotsAreMetWithoutPrecisionLoss) {
  const int n = 200;
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = 100.0f + 50.0f * std::sin(i * 0.37f);
  const TCubicSpline s(x.data(), nullptr, nullptr, nullptr, n);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(s.SplineX(float(i)), x[i], 1e-4f * std::fabs(x[i])) << i;
}

TEST(CubicSpline, FewerThanTwoKnotsStayInsideTheTables) {
  const float one[1] = {7};
  const TCubicSpline single(one, nullptr, nullptr, nullptr, 1);
  EXPECT_EQ(single.SplineX(-3), 7.0f);
  EXPECT_EQ(single.SplineX(5), 7.0f);
  EXPECT_EQ(single.SplineSlopeVector(0.5f)[0], 0.0f);
  const TCubicSpline none(one, one, one, one, 0);
  EXPECT_EQ(none.SplineX(0), 0.0f);
  EXPECT_FALSE(none.HasTable(0));
}

TEST(CubicSpline, NilWLeavesXYZAlone) {
  const float x[3] = {0, 1, 2};
  const float w[3] = {5, 5, 5};
  const TCubicSpline with_w(x, x, x, w, 3);
  const TCubicSpline without_w(x, x, x, nullptr, 3);
  EXPECT_TRUE(with_w.HasTable(3));
  EXPECT_FALSE(without_w.HasTable(3));
  EXPECT_EQ(with_w.SplineX(1.5f), without_w.SplineX(1.5f));
  EXPECT_NEAR(with_w.SplineW(1.5f), 5, 1e-5);
}
