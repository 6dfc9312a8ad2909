#pragma once
// Vector and scalar routines over the value types of vector_types.h.
//
// Argument order: sources first, the result or the target last, except
// where the routine updates one of its operands in place (v := v + w*f):
// that operand comes first. Most routines exist as a returning form and as
// a form that writes a target; both compute the same thing.

#include <cstdint>
#include <span>

#include "engine/vector_types.h"

// Selects between equivalent implementations of the hot routines; ours has
// only the portable one, so it stays 0.
inline uint8_t vSIMD = 0;

// --- Construction and copy -------------------------------------------------
TAffineVector AffineVectorMake(float x, float y, float z);
TAffineVector AffineVectorMake(const TVector4f& v);
void AffineVectorCopy(const TAffineVector& source, TAffineVector& dest);
void AffineVectorCopy(const TVector4f& source, TAffineVector& dest);
void SetAffineVector(float x, float y, float z, TAffineVector& v);
void SetAffineVectorFrom(const TAffineVector& source, TAffineVector& v);
void SetAffineVectorFromVector(const TVector4f& source, TAffineVector& v);
void SetAffineDblVector(const TAffineVector& source, TAffineDblVector& v);
TVector4f VectorMakeFromAffine(const TAffineVector& v, float w = 0.0f);
TVector4f VectorMake(float x, float y, float z, float w = 0.0f);
TVector4f PointMakeXYZ(float x, float y, float z);  // w = 1
TVector4f PointMake(const TAffineVector& v);         // w = 1
void SetVector(float x, float y, float z, float w, TVector4f& v);
void SetVectorFromAffine(const TAffineVector& source, float w, TVector4f& v);
void SetVectorFrom(const TVector4f& source, TVector4f& v);
void SetPoint(float x, float y, float z, TVector4f& v);          // w = 1
void SetPointFromAffine(const TAffineVector& source, TVector4f& v);  // w = 1
void SetPointFromVector(const TVector4f& source, TVector4f& v);      // w = 1
void SetVectorXYZ(float x, float y, float z, TVector4f& v);          // w untouched
void SetDirectionFromAffine(const TAffineVector& source, TVector4f& v);  // w = 0
void ZeroVector(TAffineVector& v);
void ZeroVector(TVector4f& v);

// --- Arithmetic ---------------------------------------------------------------
TAffineVector VectorAdd(const TAffineVector& a, const TAffineVector& b);
TVector4f VectorAdd(const TVector4f& a, const TVector4f& b);
void AddAffineVectorInPlace(TAffineVector& v, const TAffineVector& delta);
void AddVectorInPlace(TVector4f& v, const TVector4f& delta);
// dest[i] := source[i] + delta for n items; dest may be source.
void AddVectorToAffineArray(const TAffineVector* source, const TAffineVector& delta, TAffineVector* dest, int n);
TAffineVector AffineVectorSubtract(const TAffineVector& a, const TAffineVector& b);
void SetAffineVectorSubtract(const TAffineVector& a, const TAffineVector& b, TAffineVector& result);
TVector4f VectorSubtract(const TVector4f& a, const TVector4f& b);
void SetVectorSubtract(const TVector4f& a, const TVector4f& b, TVector4f& result);
void SubtractVectorInPlace(TAffineVector& v, const TAffineVector& delta);
void SubtractVectorInPlace(TVector4f& v, const TVector4f& delta);
// Point minus point: a direction, w = 0.
TVector4f PointSubtract(const TVector4f& a, const TVector4f& b);
void AddScaledAffineVector(TAffineVector& v, const TAffineVector& w, float f);  // v := v + w*f
void AddScaledVector(TVector4f& v, const TVector4f& w, float f);                 // all four
TAffineVector AffineVectorCombine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2);
TVector4f VectorCombine(const TVector4f& v1, const TVector4f& v2, float f1, float f2);
TAffineVector VectorAddScaled(const TAffineVector& a, const TAffineVector& b, float f);  // a + b*f
TVector4f VectorAddScaled(const TVector4f& a, const TVector4f& b, float f);
TAffineVector AffineVectorMultiply(const TAffineVector& a, const TAffineVector& b);  // per component
TVector4f VectorMultiply(const TVector4f& a, const TVector4f& b);
void ScaleAffineVector(TAffineVector& v, float f);
void ScaleVector(TVector4f& v, float f);  // all four components
void VectorScale(const TAffineVector& v, TAffineVector& result, float f);
void VectorScale(const TVector4f& v, TVector4f& result, float f);
TAffineVector VectorScale(const TAffineVector& v, float f);
TVector4f VectorScale(const TVector4f& v, float f);
TAffineVector AffineVectorNegate(const TAffineVector& v);
TVector4f VectorNegate(const TVector4f& v);  // all four components
void NegateAffineVector(TAffineVector& v);
void NegateVector(TVector4f& v);
TAffineVector VectorAbs(const TAffineVector& v);
TVector4f VectorAbs(const TVector4f& v);

// --- Products and lengths ------------------------------------------------------
float AffineVectorDot(const TAffineVector& a, const TAffineVector& b);
float VectorDot(const TVector4f& a, const TVector4f& b);  // all four components
float VectorDot(const TAffineVector& a, const TAffineVector& b);
// dot(point - origin, normal)
float PointPlaneDistance(const TAffineVector& point, const TAffineVector& plane_origin, const TAffineVector& plane_normal);
TAffineVector AffineVectorCross(const TAffineVector& a, const TAffineVector& b);
TVector4f VectorCross(const TVector4f& a, const TVector4f& b);  // w = 0
void SetAffineVectorCross(const TAffineVector& a, const TAffineVector& b, TAffineVector& result);
float AffineVectorLength(const TAffineVector& v);
float VectorLength(const TVector4f& v);  // x, y, z only
float VectorLength(const TAffineVector& v);
float VectorNorm2D(float x, float y);      // x^2 + y^2
float VectorNorm(const TVector4f& v);      // squared length of x, y, z
float VectorNorm(const TAffineVector& v);
float AffineVectorNorm(const TAffineVector& v);
float VectorDistance(const TAffineVector& a, const TAffineVector& b);
float VectorDistance(const TVector4f& a, const TVector4f& b);  // x, y, z
float VectorDistance2(const TAffineVector& a, const TAffineVector& b);
float VectorDistance2(const TVector4f& a, const TVector4f& b);
float VectorSpacing(const TAffineVector& a, const TAffineVector& b);  // L1 distance
float VectorSpacing(const TVector4f& a, const TVector4f& b);          // x, y, z
float AffineVectorAngleCosine(const TAffineVector& a, const TAffineVector& b);

// --- Normalisation ----------------------------------------------------------
// A zero-length vector is left as it is (callers test AffineVectorIsNull).
void NormalizeAffineVector(TAffineVector& v);
TAffineVector AffineVectorNormalized(const TAffineVector& v);
void NormalizeAffineVectorArray(TAffineVector* list, int n);
void NormalizeVector(TVector4f& v);  // x, y, z scaled, w := 0
TVector4f VectorNormalized(const TVector4f& v);
// v - dot(v, n)*n for a unit n.
TAffineVector VectorProjectOntoPlane(const TAffineVector& v, const TAffineVector& n);

// --- Interpolation ---------------------------------------------------------------
float Lerp(float start, float stop, float t);
TAffineVector VectorLerpPlain(const TAffineVector& a, const TAffineVector& b, float t);
TAffineVector VectorLerp(const TAffineVector& a, const TAffineVector& b, float t);
TVector4f VectorLerp(const TVector4f& a, const TVector4f& b, float t);  // four components
void VectorLerp(const TVector4f& a, const TVector4f& b, float t, TVector4f& result);
void VectorArrayLerp(const TVector4f* a, const TVector4f* b, float t, int n, TVector4f* dest);
void AffineVectorArrayLerp(const TAffineVector* a, const TAffineVector* b, float t, int n, TAffineVector* dest);
// Angle triples in radians, interpolated through quaternions (order ZYX).
TAffineVector AffineVectorAngleLerp(const TAffineVector& a, const TAffineVector& b, float t);
TAffineVector AffineVectorAngleCombine(const TAffineVector& a, const TAffineVector& b, float f);  // a + f*b

// --- Comparisons ---------------------------------------------------------------
// Bit patterns: 0.0 and -0.0 differ.
bool VectorEquals(const TVector4f& a, const TVector4f& b);
bool VectorEquals(const TAffineVector& a, const TAffineVector& b);
bool AffineVectorEquals(const TAffineVector& a, const TAffineVector& b);
// x, y and z are 0.0 (either sign); w is not tested.
bool AffineVectorIsNull(const TAffineVector& v);
bool VectorIsNull(const TVector4f& v);

// --- Rotations of vectors (radians) ---------------------------------------------------
// x' = c*x + s*z, z' = c*z - s*x, y unchanged.
void RotateAffineVectorAroundY(TAffineVector& v, float alpha);
TAffineVector AffineVectorRotatedAroundY(const TAffineVector& v, float alpha);
TVector4f VectorRotatedAroundY(const TVector4f& v, float alpha);

// --- Scalars and angles ------------------------------------------------------------
double Power(double base, double exponent);
double IntPower(double base, int exponent);
double DegToRadExtended(double degrees);
float DegToRad(float degrees);
float RadToDeg(float radians);
double RadToDegExtended(double radians);
float NormalizeDegAngle(float angle);  // into [-180, 180]; 180 and -180 kept
void SinCosExtended(double angle, double& s, double& c);
void SinCos(float angle, float& s, float& c);
void SinCosRadius(float angle, float radius, float& s, float& c);  // radius*sin, radius*cos
// Sines and cosines of n + 1 angles from start to stop (degrees); the spans
// must have the same length (assertion failure otherwise).
void PrepareSinCosCache(std::span<float> s, std::span<float> c, float start_degrees, float stop_degrees);
// Arguments just outside [-1, 1] (rounding) are taken as -1 or 1.
double ArcCosExtended(double x);
float ArcSin(float x);
double ArcTan2Extended(double y, double x);
float ArcTan2(float y, float x);
float RSqrt(float v);
// Truncation toward zero; values outside the 64-bit range saturate, NaN gives 0.
int64_t TruncSingle(float v);
double IntPart(double v);  // toward zero, kept as a floating value
double Frac(double v);
// Nearest integer, halves to the even neighbour; saturates like TruncSingle.
int64_t Round(double v);
double RoundFloat(double v);
int Sign(double v);
int ScaleAndRound(int i, float f);
double MaxFloatExtended(double a, double b);
float MaxFloat(float a, float b);
TAffineVector MaxVector(const TAffineVector& a, const TAffineVector& b);
TVector4f MaxVector(const TVector4f& a, const TVector4f& b);
float ClampValue(float v, float min_value, float max_value);
void ScaleFloatArray(float* values, int n, float factor);
