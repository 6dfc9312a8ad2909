#include "engine/matrix_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

namespace {
void ExpectMatrixNear(const TMatrix& a, const TMatrix& b, float tol = 1e-5f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a[i][j], b[i][j], tol) << "m[" << i << "][" << j << "]";
}

void ExpectNear(const TAffineVector& a, const TAffineVector& b, float tol = 1e-5f) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}

// Same orientation: q and -q are the same rotation.
void ExpectSameRotation(const TQuaternion& a, const TQuaternion& b, float tol = 1e-5f) {
  ExpectMatrixNear(QuaternionToMatrix(a), QuaternionToMatrix(b), tol);
}

TMatrix SampleAffine() {
  TMatrix m = MatrixMultiply(CreateRotationMatrix(TAffineVector{1, 2, 3}, 0.7f), CreateScaleMatrix({2, 2, 2}));
  return MatrixMultiply(m, CreateTranslationMatrix({5, -6, 7}));
}
}  // namespace

TEST(MatrixGeometry, TheTwoRotationFamiliesTurnInOppositeSenses) {
  const float a = float(M_PI / 2);
  const float s = std::sin(a), c = std::cos(a);
  struct Case {
    TMatrix family;
    TAffineVector axis, probe, family_result;
  } cases[] = {
      {CreateRotationMatrixX(s, c), XVector, YVector, {0, 0, 1}},
      {CreateRotationMatrixY(s, c), YVector, ZVector, {1, 0, 0}},
      {CreateRotationMatrixZ(s, c), ZVector, XVector, {0, 1, 0}},
  };
  for (const Case& k : cases) {
    ExpectNear(AffineVectorTransform(k.probe, k.family), k.family_result);
    ExpectNear(AffineVectorTransform(k.probe, CreateRotationMatrix(k.axis, a)), AffineVectorNegate(k.family_result));
  }
  // For the Z axis the axis-angle matrix is the transpose of the other.
  TMatrix z = CreateRotationMatrixZ(std::sin(0.3f), std::cos(0.3f));
  TransposeMatrix(z);
  ExpectMatrixNear(CreateRotationMatrix(ZVector, 0.3f), z);
}

TEST(MatrixGeometry, RotationAboutZeroAxisIsIdentity) {
  ExpectMatrixNear(CreateRotationMatrix(NullVector, 1.0f), IdentityHmgMatrix);
  ExpectNear(VectorRotateAroundAxis({1, 2, 3}, NullVector, 2.0f), {1, 2, 3});
}

TEST(MatrixGeometry, MultiplyComposesLeftToRightAndViaTempAllowsAliasing) {
  const TMatrix t = CreateTranslationMatrix({1, 0, 0});
  const TMatrix r = CreateRotationMatrixZ(1.0f, 0.0f);  // 90 degrees
  // v x (T x R): translate first, then rotate.
  ExpectNear(AffineVectorTransform(NullVector, MatrixMultiply(t, r)), {0, 1, 0});
  ExpectNear(AffineVectorTransform(NullVector, MatrixMultiply(r, t)), {1, 0, 0});
  TMatrix m = t;
  MatrixMultiplyViaTemp(m, r, m);
  ExpectMatrixNear(m, MatrixMultiply(t, r));
  const TVector4f v = VectorTransform(TVector4f{0, 0, 0, 1}, t);
  EXPECT_FLOAT_EQ(v[0], 1);
  EXPECT_FLOAT_EQ(v[3], 1);
}

TEST(MatrixGeometry, InverseTimesMatrixIsIdentity) {
  const TMatrix m = SampleAffine();
  ExpectMatrixNear(MatrixMultiply(m, MatrixInvert(m)), IdentityHmgMatrix, 1e-5f);
  ExpectMatrixNear(AnglePreservingMatrixInvert(m), MatrixInvert(m), 1e-5f);
  TMatrix general{{2, 1, 0, 0}, {0, 3, 1, 0}, {1, 0, 1, 0.5f}, {0, 2, 0, 1}};
  ExpectMatrixNear(MatrixMultiply(general, MatrixInvert(general)), IdentityHmgMatrix, 1e-5f);
  EXPECT_NEAR(MatrixDeterminant(CreateScaleMatrix({2, 3, 4})), 24, 1e-5);
}

TEST(MatrixGeometry, NearlySingularMatricesInvertToIdentity) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = 1e-41f;  // determinant 1e-41, below the 1e-40 threshold
  InvertMatrix(m);
  ExpectMatrixNear(m, IdentityHmgMatrix, 0);
  TMatrix above = IdentityHmgMatrix;
  above[0][0] = 1e-38f;  // above the threshold: a true inverse
  InvertMatrix(above);
  EXPECT_NEAR(above[0][0], 1e38f, 1e33f);
  EXPECT_EQ(MatrixInvert(EmptyHmgMatrix)[2][2], 1.0f);
  ExpectMatrixNear(AnglePreservingMatrixInvert(EmptyHmgMatrix), IdentityHmgMatrix, 0);
}

TEST(MatrixGeometry, NormalizeMatrixMakesRowsOrthonormal) {
  TMatrix m{{2, 0.1f, 0, 5}, {0.2f, 3, 0, 6}, {9, 9, 9, 9}, {1, 2, 3, 4}};
  NormalizeMatrix(m);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(VectorLength(m[i]), 1, 1e-5);
    EXPECT_EQ(m[i][3], 0.0f);
    for (int j = i + 1; j < 3; ++j) EXPECT_NEAR(VectorDot(m[i], m[j]), 0, 1e-5);
  }
  EXPECT_TRUE(VectorEquals(m[3], WHmgVector));
}

TEST(MatrixGeometry, DecomposeRecoversScaleRotationAndTranslation) {
  struct Case {
    TAffineVector scale;
    float ax, ay, az;
  } cases[] = {{{1, 1, 1}, 0.3f, 0, 0}, {{2, 3, 4}, 0, 0.4f, 0}, {{1, 1, 1}, 0, 0, -0.5f}, {{2, 2, 2}, 0.3f, -0.2f, 0.6f}};
  for (const Case& c : cases) {
    const TMatrix rotation =
        MatrixMultiply(MatrixMultiply(CreateRotationMatrixX(c.ax), CreateRotationMatrixY(c.ay)), CreateRotationMatrixZ(c.az));
    TMatrix m = MatrixMultiply(CreateScaleMatrix(c.scale), rotation);
    m = MatrixMultiply(m, CreateTranslationMatrix({7, 8, 9}));
    TTransformations t;
    ASSERT_TRUE(MatrixDecompose(m, t));
    EXPECT_NEAR(t[ttScaleX], c.scale[0], 1e-5);
    EXPECT_NEAR(t[ttScaleY], c.scale[1], 1e-5);
    EXPECT_NEAR(t[ttScaleZ], c.scale[2], 1e-5);
    EXPECT_NEAR(t[ttRotateX], c.ax, 1e-5);
    EXPECT_NEAR(t[ttRotateY], c.ay, 1e-5);
    EXPECT_NEAR(t[ttRotateZ], c.az, 1e-5);
    EXPECT_NEAR(t[ttTranslateX], 7, 1e-5);
    EXPECT_NEAR(t[ttTranslateZ], 9, 1e-5);
    EXPECT_NEAR(t[ttShearXY], 0, 1e-5);
    EXPECT_EQ(t[ttPerspectiveW], 0.0f);
  }
}

TEST(MatrixGeometry, DecomposeRefusesSingularAndZeroW) {
  TTransformations t;
  TMatrix m = IdentityHmgMatrix;
  m[3][3] = 0;
  EXPECT_FALSE(MatrixDecompose(m, t));
  EXPECT_FALSE(MatrixDecompose(CreateScaleMatrix({1, 0, 1}), t));
}

TEST(MatrixGeometry, QuaternionMatrixTurnsLikeTheSineCosineFamily) {
  const float deg = 30, rad = DegToRad(deg);
  ExpectMatrixNear(QuaternionToMatrix(QuaternionFromAxisAngle(XVector, deg)), CreateRotationMatrixX(rad));
  ExpectMatrixNear(QuaternionToMatrix(QuaternionFromAxisAngle(YVector, deg)), CreateRotationMatrixY(rad));
  ExpectMatrixNear(QuaternionToMatrix(QuaternionFromAxisAngle({0, 0, 5}, deg)), CreateRotationMatrixZ(rad));
  const TQuaternion q = QuaternionFromAxisAngle(ZVector, 90);
  EXPECT_NEAR(q.ImagPart[2], std::sqrt(0.5f), 1e-6);
  EXPECT_NEAR(q.RealPart, std::sqrt(0.5f), 1e-6);
  const TQuaternion none = QuaternionFromAxisAngle(NullVector, 45);
  EXPECT_EQ(none.RealPart, 1.0f);
}

TEST(MatrixGeometry, QuaternionProductAppliesTheRightFactorFirst) {
  const TQuaternion a = QuaternionFromAxisAngle(XVector, 40);
  const TQuaternion b = QuaternionFromAxisAngle({0, 1, 1}, 70);
  ExpectMatrixNear(QuaternionToMatrix(QuaternionMultiply(a, b)),
                   MatrixMultiply(QuaternionToMatrix(b), QuaternionToMatrix(a)));
}

TEST(MatrixGeometry, TinyQuaternionsNormaliseToIdentity) {
  TQuaternion q{{1e-31f, 0, 0}, 0};
  NormalizeQuaternion(q);
  EXPECT_EQ(q.RealPart, 1.0f);
  EXPECT_EQ(q.ImagPart[0], 0.0f);
  TQuaternion r{{0, 3, 0}, 4};
  NormalizeQuaternion(r);
  EXPECT_FLOAT_EQ(QuaternionMagnitude(r), 1);
}

TEST(MatrixGeometry, EulerOrdersMultiplyTheirAxesLeftToRight) {
  const char* names[6] = {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"};
  const float x = 20, y = -35, z = 50;
  for (int order = 0; order < 6; ++order) {
    TQuaternion expected = IdentityQuaternion;
    for (char letter : std::string(names[order])) {
      const TQuaternion f = letter == 'X'   ? QuaternionFromAxisAngle(XVector, x)
                            : letter == 'Y' ? QuaternionFromAxisAngle(YVector, y)
                                            : QuaternionFromAxisAngle(ZVector, z);
      expected = QuaternionMultiply(expected, f);
    }
    ExpectSameRotation(QuaternionFromEuler(x, y, z, order), expected);
    // Angles are first brought into [-180, 180].
    ExpectSameRotation(QuaternionFromEuler(x + 360, y - 720, z, order), expected);
  }
  EXPECT_THROW(QuaternionFromEuler(0, 0, 0, 6), EAssertionFailed);
  EXPECT_THROW(QuaternionFromEuler(0, 0, 0, -1), EAssertionFailed);
}

TEST(MatrixGeometry, EulerMiddleAngleAtNinetyIsTheHalfwaySlerp) {
  const TQuaternion q = QuaternionFromEuler(10, 90, 20, eulXYZ);
  const TQuaternion halfway =
      QuaternionSlerp(QuaternionFromEuler(10, 89.999f, 20, eulXYZ), QuaternionFromEuler(10, 90.001f, 20, eulXYZ), 0.5f);
  ExpectSameRotation(q, halfway, 1e-6f);
  const TQuaternion exact = QuaternionMultiply(
      QuaternionFromAxisAngle(XVector, 10),
      QuaternionMultiply(QuaternionFromAxisAngle(YVector, 90), QuaternionFromAxisAngle(ZVector, 20)));
  ExpectSameRotation(q, exact, 1e-4f);
  for (float v : {q.ImagPart[0], q.ImagPart[1], q.ImagPart[2], q.RealPart}) EXPECT_FALSE(std::isnan(v));
}

TEST(MatrixGeometry, SlerpHitsEndPointsAndTakesTheShorterArc) {
  const TQuaternion a = QuaternionFromAxisAngle(ZVector, 10);
  const TQuaternion b = QuaternionFromAxisAngle(ZVector, 110);
  ExpectSameRotation(QuaternionSlerp(a, b, 0), a);
  ExpectSameRotation(QuaternionSlerp(a, b, 1), b);
  ExpectSameRotation(QuaternionSlerp(a, b, 0.5f), QuaternionFromAxisAngle(ZVector, 60));
  const TQuaternion minus_b{AffineVectorNegate(b.ImagPart), -b.RealPart};
  ExpectSameRotation(QuaternionSlerp(a, minus_b, 0.5f), QuaternionFromAxisAngle(ZVector, 60));
  // Equal ends take the linear weights.
  ExpectSameRotation(QuaternionSlerp(a, a, 0.3f), a);
}

TEST(MatrixGeometry, AngleLerpInterpolatesAngleTriples) {
  const TAffineVector a{0.1f, 0.2f, 0.3f};
  ExpectNear(AffineVectorAngleLerp(a, a, 0.7f), a, 0);
  ExpectNear(AffineVectorAngleLerp({0, 0, 0}, {0, 0, 1}, 0.5f), {0, 0, 0.5f}, 1e-5f);
  ExpectNear(AffineVectorAngleLerp({0, 0, 0}, {0.8f, 0, 0}, 0.25f), {0.2f, 0, 0}, 1e-5f);
}
