#pragma once
// Matrices (rows; v' = v x M) and quaternions.
//
// The two rotation families turn in opposite senses for the same angle:
// CreateRotationMatrixX/Y/Z (from a sine and a cosine) and
// CreateRotationMatrix (axis and angle, the transpose for the Z axis).
// Callers rely on each of them; do not "fix" one to match the other.

#include "engine/vector_types.h"

// --- Matrices ---------------------------------------------------------------
TMatrix CreateRotationMatrixX(float sine, float cosine);
TMatrix CreateRotationMatrixY(float sine, float cosine);
TMatrix CreateRotationMatrixZ(float sine, float cosine);
TMatrix CreateRotationMatrixX(float angle);  // radians
TMatrix CreateRotationMatrixY(float angle);
TMatrix CreateRotationMatrixZ(float angle);
// Axis of any length, angle in radians; a zero axis gives the identity.
TMatrix CreateRotationMatrix(const TAffineVector& axis, float angle);
TMatrix CreateRotationMatrix(const TVector4f& axis, float angle);
TMatrix CreateScaleMatrix(const TAffineVector& scale);
TMatrix CreateTranslationMatrix(const TAffineVector& offset);
TMatrix CreateScaleAndTranslationMatrix(const TVector4f& scale, const TVector4f& offset);

TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2);
// result must be neither m1 nor m2.
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& result);
// result may be m1 or m2.
void MatrixMultiplyViaTemp(const TMatrix& m1, const TMatrix& m2, TMatrix& result);
TVector4f VectorTransform(const TVector4f& v, const TMatrix& m);
// The affine vector as a point: row 3 is added.
TAffineVector AffineVectorTransform(const TAffineVector& v, const TMatrix& m);
// The affine vector as a direction: the 3 x 3 part only.
TAffineVector AffineVectorTransformDirection(const TAffineVector& v, const TMatrix& m);
// Rotates v about an axis (axis-angle matrix, angle in radians).
TAffineVector VectorRotateAroundAxis(const TAffineVector& v, const TAffineVector& axis, float angle);

float MatrixDeterminant(const TMatrix& m);
void AdjointMatrix(TMatrix& m);
void ScaleMatrix(TMatrix& m, float factor);  // all 16 elements
// Singular matrices (|det| < 1e-40) become the identity.
void InvertMatrix(TMatrix& m);
TMatrix MatrixInvert(const TMatrix& m);
// Rotation, uniform scale and translation only.
TMatrix AnglePreservingMatrixInvert(const TMatrix& m);
void TransposeMatrix(TMatrix& m);
// Re-orthonormalises rows 0 to 2, row 3 := (0, 0, 0, 1).
void NormalizeMatrix(TMatrix& m);
// Scale, shear, rotation (radians), translation and perspective of m; false
// when m is singular or has m[3][3] = 0. Scales are lengths of the rows.
bool MatrixDecompose(const TMatrix& m, TTransformations& tran);

// --- Quaternions ------------------------------------------------------------------
float QuaternionMagnitude(const TQuaternion& q);
// A magnitude below EPSILON gives the identity.
void NormalizeQuaternion(TQuaternion& q);
TQuaternion QuaternionMultiply(const TQuaternion& q1, const TQuaternion& q2);
TMatrix QuaternionToMatrix(const TQuaternion& q);
// Angle in degrees; a zero axis gives the identity.
TQuaternion QuaternionFromAxisAngle(const TAffineVector& axis, float angle_degrees);
// Angles in degrees; order 0 to 5 (TEulerOrder), any other is an assertion failure.
TQuaternion QuaternionFromEuler(float x, float y, float z, int order);
TQuaternion QuaternionSlerp(const TQuaternion& a, const TQuaternion& b, float t);
