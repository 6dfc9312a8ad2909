#include "engine/matrix_geometry.h"

#include <cmath>

#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

// --- Matrices ---------------------------------------------------------------
TMatrix CreateRotationMatrixX(float sine, float cosine) {
  TMatrix m = IdentityHmgMatrix;
  m[1][1] = cosine;
  m[1][2] = sine;
  m[2][1] = -sine;
  m[2][2] = cosine;
  return m;
}

TMatrix CreateRotationMatrixY(float sine, float cosine) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = cosine;
  m[0][2] = -sine;
  m[2][0] = sine;
  m[2][2] = cosine;
  return m;
}

TMatrix CreateRotationMatrixZ(float sine, float cosine) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = cosine;
  m[0][1] = sine;
  m[1][0] = -sine;
  m[1][1] = cosine;
  return m;
}

TMatrix CreateRotationMatrixX(float angle) {
  float s, c;
  SinCos(angle, s, c);
  return CreateRotationMatrixX(s, c);
}
TMatrix CreateRotationMatrixY(float angle) {
  float s, c;
  SinCos(angle, s, c);
  return CreateRotationMatrixY(s, c);
}
TMatrix CreateRotationMatrixZ(float angle) {
  float s, c;
  SinCos(angle, s, c);
  return CreateRotationMatrixZ(s, c);
}

TMatrix CreateRotationMatrix(const TAffineVector& axis, float angle) {
  if (AffineVectorIsNull(axis)) return IdentityHmgMatrix;
  const TAffineVector a = AffineVectorNormalized(axis);
  const float x = a[0], y = a[1], z = a[2];
  float s, c;
  SinCos(angle, s, c);
  const float t = 1.0f - c;
  return {{t * x * x + c, t * x * y - z * s, t * z * x + y * s, 0},
          {t * x * y + z * s, t * y * y + c, t * y * z - x * s, 0},
          {t * z * x - y * s, t * y * z + x * s, t * z * z + c, 0},
          {0, 0, 0, 1}};
}

TMatrix CreateRotationMatrix(const TVector4f& axis, float angle) {
  return CreateRotationMatrix(AffineVectorMake(axis), angle);
}

TMatrix CreateScaleMatrix(const TAffineVector& scale) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = scale[0];
  m[1][1] = scale[1];
  m[2][2] = scale[2];
  return m;
}

TMatrix CreateTranslationMatrix(const TAffineVector& offset) {
  TMatrix m = IdentityHmgMatrix;
  m[3] = {offset[0], offset[1], offset[2], 1.0f};
  return m;
}

TMatrix CreateScaleAndTranslationMatrix(const TVector4f& scale, const TVector4f& offset) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = scale[0];
  m[1][1] = scale[1];
  m[2][2] = scale[2];
  m[3] = {offset[0], offset[1], offset[2], 1.0f};
  return m;
}

void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& result) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      result[i][j] = m1[i][0] * m2[0][j] + m1[i][1] * m2[1][j] + m1[i][2] * m2[2][j] + m1[i][3] * m2[3][j];
}

TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2) {
  TMatrix r;
  MatrixMultiply(m1, m2, r);
  return r;
}

void MatrixMultiplyViaTemp(const TMatrix& m1, const TMatrix& m2, TMatrix& result) {
  TMatrix temp;
  MatrixMultiply(m1, m2, temp);
  result = temp;
}

TVector4f VectorTransform(const TVector4f& v, const TMatrix& m) {
  TVector4f r;
  for (int j = 0; j < 4; ++j) r[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + v[3] * m[3][j];
  return r;
}

TAffineVector AffineVectorTransform(const TAffineVector& v, const TMatrix& m) {
  TAffineVector r;
  for (int j = 0; j < 3; ++j) r[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + m[3][j];
  return r;
}

TAffineVector AffineVectorTransformDirection(const TAffineVector& v, const TMatrix& m) {
  TAffineVector r;
  for (int j = 0; j < 3; ++j) r[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j];
  return r;
}

TAffineVector VectorRotateAroundAxis(const TAffineVector& v, const TAffineVector& axis, float angle) {
  return AffineVectorTransformDirection(v, CreateRotationMatrix(axis, angle));
}

namespace {
// Determinant of the 3 x 3 minor of m without row `row` and column `col`, in
// double: the inversion threshold lies below the float range.
double Minor3(const TMatrix& m, int row, int col) {
  double a[3][3];
  for (int i = 0, r = 0; i < 4; ++i) {
    if (i == row) continue;
    for (int j = 0, c = 0; j < 4; ++j) {
      if (j == col) continue;
      a[r][c++] = m[i][j];
    }
    ++r;
  }
  return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
         a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

double DeterminantDouble(const TMatrix& m) {
  return m[0][0] * Minor3(m, 0, 0) - m[0][1] * Minor3(m, 0, 1) + m[0][2] * Minor3(m, 0, 2) -
         m[0][3] * Minor3(m, 0, 3);
}

// Adjoint (transposed cofactors), kept in double until the caller scales it.
void AdjointDouble(const TMatrix& m, double adj[4][4]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) adj[i][j] = (((i + j) & 1) ? -1.0 : 1.0) * Minor3(m, j, i);
}
}  // namespace

float MatrixDeterminant(const TMatrix& m) { return static_cast<float>(DeterminantDouble(m)); }

void AdjointMatrix(TMatrix& m) {
  double adj[4][4];
  AdjointDouble(m, adj);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = static_cast<float>(adj[i][j]);
}

void ScaleMatrix(TMatrix& m, float factor) {
  for (auto& row : m.M) ScaleVector(row, factor);
}

void InvertMatrix(TMatrix& m) {
  const double det = DeterminantDouble(m);
  if (std::fabs(det) < cInvertThreshold) {
    m = IdentityHmgMatrix;
    return;
  }
  double adj[4][4];
  AdjointDouble(m, adj);
  const double inv = 1.0 / det;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = static_cast<float>(adj[i][j] * inv);
}

TMatrix MatrixInvert(const TMatrix& m) {
  TMatrix r = m;
  InvertMatrix(r);
  return r;
}

TMatrix AnglePreservingMatrixInvert(const TMatrix& m) {
  const double s2 = VectorNorm(m[0]);
  if (std::fabs(s2) < cInvertThreshold) return IdentityHmgMatrix;
  const float inv = static_cast<float>(1.0 / s2);
  TMatrix r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r[i][j] = m[j][i] * inv;
    r[i][3] = 0.0f;
  }
  for (int j = 0; j < 3; ++j) r[3][j] = -(m[3][0] * r[0][j] + m[3][1] * r[1][j] + m[3][2] * r[2][j]);
  r[3][3] = 1.0f;
  return r;
}

void TransposeMatrix(TMatrix& m) {
  const TMatrix t = m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = t[j][i];
}

void NormalizeMatrix(TMatrix& m) {
  m[0][3] = 0.0f;
  NormalizeVector(m[0]);
  m[1][3] = 0.0f;
  NormalizeVector(m[1]);
  // Row 2 is normalised too: for rows 0 and 1 that were not at right angles
  // the cross products would otherwise carry the sine of their angle.
  m[2] = VectorCross(m[0], m[1]);
  NormalizeVector(m[2]);
  m[0] = VectorCross(m[1], m[2]);
  m[3] = WHmgVector;
}

bool MatrixDecompose(const TMatrix& source, TTransformations& tran) {
  TMatrix m = source;
  if (m[3][3] == 0.0f) return false;
  ScaleMatrix(m, 1.0f / m[3][3]);

  TMatrix pmat = m;
  for (int i = 0; i < 3; ++i) pmat[i][3] = 0.0f;
  pmat[3][3] = 1.0f;
  if (DeterminantDouble(pmat) == 0.0) return false;

  if (m[0][3] != 0.0f || m[1][3] != 0.0f || m[2][3] != 0.0f) {
    const TVector4f prhs{m[0][3], m[1][3], m[2][3], m[3][3]};
    TMatrix invpmat = pmat;
    InvertMatrix(invpmat);
    TransposeMatrix(invpmat);
    const TVector4f psol = VectorTransform(prhs, invpmat);
    tran[ttPerspectiveX] = psol[0];
    tran[ttPerspectiveY] = psol[1];
    tran[ttPerspectiveZ] = psol[2];
    tran[ttPerspectiveW] = psol[3];
    for (int i = 0; i < 3; ++i) m[i][3] = 0.0f;
    m[3][3] = 1.0f;
  } else {
    tran[ttPerspectiveX] = tran[ttPerspectiveY] = tran[ttPerspectiveZ] = tran[ttPerspectiveW] = 0.0f;
  }

  for (int i = 0; i < 3; ++i) {
    tran[ttTranslateX + i] = m[3][i];
    m[3][i] = 0.0f;
  }

  TAffineVector row0 = AffineVectorMake(m[0]);
  TAffineVector row1 = AffineVectorMake(m[1]);
  TAffineVector row2 = AffineVectorMake(m[2]);

  // Scales are the lengths of the rows (not their squares), and the shears
  // are divided by those lengths, so that a scaled matrix decomposes back to
  // its scale.
  tran[ttScaleX] = AffineVectorLength(row0);
  ScaleAffineVector(row0, 1.0f / tran[ttScaleX]);

  tran[ttShearXY] = AffineVectorDot(row0, row1);
  AddScaledAffineVector(row1, row0, -tran[ttShearXY]);
  tran[ttScaleY] = AffineVectorLength(row1);
  ScaleAffineVector(row1, 1.0f / tran[ttScaleY]);
  tran[ttShearXY] /= tran[ttScaleY];

  tran[ttShearXZ] = AffineVectorDot(row0, row2);
  AddScaledAffineVector(row2, row0, -tran[ttShearXZ]);
  tran[ttShearYZ] = AffineVectorDot(row1, row2);
  AddScaledAffineVector(row2, row1, -tran[ttShearYZ]);
  tran[ttScaleZ] = AffineVectorLength(row2);
  ScaleAffineVector(row2, 1.0f / tran[ttScaleZ]);
  tran[ttShearXZ] /= tran[ttScaleZ];
  tran[ttShearYZ] /= tran[ttScaleZ];

  if (AffineVectorDot(row0, AffineVectorCross(row1, row2)) < 0.0f) {
    for (int i = 0; i < 3; ++i) tran[ttScaleX + i] = -tran[ttScaleX + i];
    NegateAffineVector(row0);
    NegateAffineVector(row1);
    NegateAffineVector(row2);
  }

  tran[ttRotateY] = ArcSin(-row0[2]);
  if (std::cos(tran[ttRotateY]) != 0.0f) {
    tran[ttRotateX] = ArcTan2(row1[2], row2[2]);
    tran[ttRotateZ] = ArcTan2(row0[1], row0[0]);
  } else {
    tran[ttRotateX] = ArcTan2(-row2[0], row1[1]);
    tran[ttRotateZ] = 0.0f;
  }
  return true;
}

// --- Quaternions ------------------------------------------------------------------
float QuaternionMagnitude(const TQuaternion& q) {
  return std::sqrt(AffineVectorNorm(q.ImagPart) + q.RealPart * q.RealPart);
}

void NormalizeQuaternion(TQuaternion& q) {
  const float m = QuaternionMagnitude(q);
  if (m < EPSILON) {
    q = IdentityQuaternion;
    return;
  }
  const float f = 1.0f / m;
  ScaleAffineVector(q.ImagPart, f);
  q.RealPart *= f;
}

TQuaternion QuaternionMultiply(const TQuaternion& q1, const TQuaternion& q2) {
  const float x1 = q1.ImagPart[0], y1 = q1.ImagPart[1], z1 = q1.ImagPart[2], w1 = q1.RealPart;
  const float x2 = q2.ImagPart[0], y2 = q2.ImagPart[1], z2 = q2.ImagPart[2], w2 = q2.RealPart;
  return {{w1 * x2 + x1 * w2 + y1 * z2 - z1 * y2, w1 * y2 + y1 * w2 + z1 * x2 - x1 * z2,
           w1 * z2 + z1 * w2 + x1 * y2 - y1 * x2},
          w1 * w2 - x1 * x2 - y1 * y2 - z1 * z2};
}

TMatrix QuaternionToMatrix(const TQuaternion& source) {
  TQuaternion q = source;
  NormalizeQuaternion(q);
  const float x = q.ImagPart[0], y = q.ImagPart[1], z = q.ImagPart[2], w = q.RealPart;
  const float xx = x * x, xy = x * y, xz = x * z, xw = x * w;
  const float yy = y * y, yz = y * z, yw = y * w;
  const float zz = z * z, zw = z * w;
  return {{1 - 2 * (yy + zz), 2 * (xy + zw), 2 * (xz - yw), 0},
          {2 * (xy - zw), 1 - 2 * (xx + zz), 2 * (yz + xw), 0},
          {2 * (xz + yw), 2 * (yz - xw), 1 - 2 * (xx + yy), 0},
          {0, 0, 0, 1}};
}

TQuaternion QuaternionFromAxisAngle(const TAffineVector& axis, float angle_degrees) {
  if (AffineVectorIsNull(axis)) return IdentityQuaternion;
  const double half = DegToRadExtended(angle_degrees * 0.5);
  const float s = static_cast<float>(std::sin(half));
  const float c = static_cast<float>(std::cos(half));
  return {VectorScale(axis, s / AffineVectorLength(axis)), c};
}

namespace {
float EulerAngle(float a) {
  double r = a - std::trunc(a / 360.0) * 360.0;
  if (r > 180.0) r -= 360.0;
  if (r < -180.0) r += 360.0;
  return static_cast<float>(r);
}

// Position (1 to 3) of the X, Y and Z quaternions in the product, per order.
constexpr int kEulerPositions[6][3] = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {3, 1, 2}, {2, 3, 1}, {3, 2, 1}};
}  // namespace

TQuaternion QuaternionFromEuler(float x, float y, float z, int order) {
  CLIENT_ASSERT(order >= 0 && order <= 5);
  const float angles[3] = {EulerAngle(x), EulerAngle(y), EulerAngle(z)};
  const TAffineVector axes[3] = {XVector, YVector, ZVector};
  const int* pos = kEulerPositions[order];
  int middle = 0;
  for (int k = 0; k < 3; ++k)
    if (pos[k] == 2) middle = k;
  const float m = angles[middle];
  if (std::fabs(std::fabs(m) - 90.0f) <= EPSILON) {
    // Gimbal lock: the halfway orientation of two close neighbours.
    float a1[3] = {angles[0], angles[1], angles[2]};
    float a2[3] = {angles[0], angles[1], angles[2]};
    a1[middle] = m - 0.001f;
    a2[middle] = m + 0.001f;
    return QuaternionSlerp(QuaternionFromEuler(a1[0], a1[1], a1[2], order),
                           QuaternionFromEuler(a2[0], a2[1], a2[2], order), 0.5f);
  }
  TQuaternion q[3];
  for (int k = 0; k < 3; ++k) q[pos[k] - 1] = QuaternionFromAxisAngle(axes[k], angles[k]);
  return QuaternionMultiply(q[0], QuaternionMultiply(q[1], q[2]));
}

TQuaternion QuaternionSlerp(const TQuaternion& a, const TQuaternion& source_b, float t) {
  TQuaternion b = source_b;
  float cosine = AffineVectorDot(a.ImagPart, b.ImagPart) + a.RealPart * b.RealPart;
  if (cosine < 0.0f) {
    cosine = -cosine;
    NegateAffineVector(b.ImagPart);
    b.RealPart = -b.RealPart;
  }
  double wa, wb;
  if (1.0f - cosine > EPSILON) {
    const double angle = ArcCosExtended(cosine);
    const double s = std::sin(angle);
    wa = std::sin((1.0 - t) * angle) / s;
    wb = std::sin(t * angle) / s;
  } else {
    wa = 1.0 - t;
    wb = t;
  }
  TQuaternion r{AffineVectorCombine(a.ImagPart, b.ImagPart, static_cast<float>(wa), static_cast<float>(wb)),
                static_cast<float>(wa * a.RealPart + wb * b.RealPart)};
  NormalizeQuaternion(r);
  return r;
}

TAffineVector AffineVectorAngleLerp(const TAffineVector& a, const TAffineVector& b, float t) {
  if (VectorEquals(a, b)) return a;
  const TQuaternion qa = QuaternionFromEuler(RadToDeg(a[0]), RadToDeg(a[1]), RadToDeg(a[2]), eulZYX);
  const TQuaternion qb = QuaternionFromEuler(RadToDeg(b[0]), RadToDeg(b[1]), RadToDeg(b[2]), eulZYX);
  TTransformations tran;
  if (!MatrixDecompose(QuaternionToMatrix(QuaternionSlerp(qa, qb, t)), tran)) return a;
  return {tran[ttRotateX], tran[ttRotateY], tran[ttRotateZ]};
}
