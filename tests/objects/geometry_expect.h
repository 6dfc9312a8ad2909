#pragma once
// Comparisons of vectors to a tolerance, shared by the geometry tests.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/vector_types.h"

inline constexpr float kGeometryTolerance = 1e-5f;

inline ::testing::AssertionResult NearVector(const TAffineVector& actual, const TAffineVector& expected,
                                             float tolerance = kGeometryTolerance) {
  for (int i = 0; i < 3; ++i)
    if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
      return ::testing::AssertionFailure() << "(" << actual[0] << ", " << actual[1] << ", " << actual[2]
                                           << ") is not (" << expected[0] << ", " << expected[1] << ", "
                                           << expected[2] << ")";
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult NearVector(const TVector4f& actual, const TVector4f& expected,
                                             float tolerance = kGeometryTolerance) {
  for (int i = 0; i < 4; ++i)
    if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
      return ::testing::AssertionFailure() << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", "
                                           << actual[3] << ") is not (" << expected[0] << ", " << expected[1]
                                           << ", " << expected[2] << ", " << expected[3] << ")";
  return ::testing::AssertionSuccess();
}

// A frame whose rows are the images of the local axes and the origin:
// local X, Y, Z and the translation.
inline TMatrix FrameRows(const TAffineVector& x, const TAffineVector& y, const TAffineVector& z,
                         const TAffineVector& origin) {
  return TMatrix{{x[0], x[1], x[2], 0}, {y[0], y[1], y[2], 0}, {z[0], z[1], z[2], 0}, {origin[0], origin[1], origin[2], 1}};
}
