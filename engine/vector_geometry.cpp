#include "engine/vector_geometry.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/base/assertion.h"

// --- Construction and copy -------------------------------------------------
TAffineVector AffineVectorMake(float x, float y, float z) { return {x, y, z}; }
TAffineVector AffineVectorMake(const TVector4f& v) { return {v[0], v[1], v[2]}; }
void AffineVectorCopy(const TAffineVector& source, TAffineVector& dest) { dest = source; }
void AffineVectorCopy(const TVector4f& source, TAffineVector& dest) { dest = {source[0], source[1], source[2]}; }
void SetAffineVector(float x, float y, float z, TAffineVector& v) { v = {x, y, z}; }
void SetAffineVectorFrom(const TAffineVector& source, TAffineVector& v) { v = source; }
void SetAffineVectorFromVector(const TVector4f& source, TAffineVector& v) { v = {source[0], source[1], source[2]}; }
void SetAffineDblVector(const TAffineVector& source, TAffineDblVector& v) { v = {source[0], source[1], source[2]}; }
TVector4f VectorMakeFromAffine(const TAffineVector& v, float w) { return {v[0], v[1], v[2], w}; }
TVector4f VectorMake(float x, float y, float z, float w) { return {x, y, z, w}; }
TVector4f PointMakeXYZ(float x, float y, float z) { return {x, y, z, 1.0f}; }
TVector4f PointMake(const TAffineVector& v) { return {v[0], v[1], v[2], 1.0f}; }
void SetVector(float x, float y, float z, float w, TVector4f& v) { v = {x, y, z, w}; }
void SetVectorFromAffine(const TAffineVector& source, float w, TVector4f& v) { v = {source[0], source[1], source[2], w}; }
void SetVectorFrom(const TVector4f& source, TVector4f& v) { v = source; }
void SetPoint(float x, float y, float z, TVector4f& v) { v = {x, y, z, 1.0f}; }
void SetPointFromAffine(const TAffineVector& source, TVector4f& v) { v = PointMake(source); }
void SetPointFromVector(const TVector4f& source, TVector4f& v) { v = {source[0], source[1], source[2], 1.0f}; }
void SetVectorXYZ(float x, float y, float z, TVector4f& v) {
  v[0] = x;
  v[1] = y;
  v[2] = z;
}
void SetDirectionFromAffine(const TAffineVector& source, TVector4f& v) { v = {source[0], source[1], source[2], 0.0f}; }
void ZeroVector(TAffineVector& v) { v = {}; }
void ZeroVector(TVector4f& v) { v = {}; }

// --- Arithmetic ---------------------------------------------------------------
TAffineVector VectorAdd(const TAffineVector& a, const TAffineVector& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
TVector4f VectorAdd(const TVector4f& a, const TVector4f& b) {
  return {a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]};
}
void AddAffineVectorInPlace(TAffineVector& v, const TAffineVector& delta) { v = VectorAdd(v, delta); }
void AddVectorInPlace(TVector4f& v, const TVector4f& delta) { v = VectorAdd(v, delta); }
void AddVectorToAffineArray(const TAffineVector* source, const TAffineVector& delta, TAffineVector* dest, int n) {
  const TAffineVector d = delta;  // delta may live in the array
  for (int i = 0; i < n; ++i) dest[i] = VectorAdd(source[i], d);
}
TAffineVector AffineVectorSubtract(const TAffineVector& a, const TAffineVector& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
void SetAffineVectorSubtract(const TAffineVector& a, const TAffineVector& b, TAffineVector& result) {
  result = AffineVectorSubtract(a, b);
}
TVector4f VectorSubtract(const TVector4f& a, const TVector4f& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]};
}
void SetVectorSubtract(const TVector4f& a, const TVector4f& b, TVector4f& result) { result = VectorSubtract(a, b); }
void SubtractVectorInPlace(TAffineVector& v, const TAffineVector& delta) { v = AffineVectorSubtract(v, delta); }
void SubtractVectorInPlace(TVector4f& v, const TVector4f& delta) { v = VectorSubtract(v, delta); }
TVector4f PointSubtract(const TVector4f& a, const TVector4f& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2], 0.0f}; }
void AddScaledAffineVector(TAffineVector& v, const TAffineVector& w, float f) {
  v = {v[0] + w[0] * f, v[1] + w[1] * f, v[2] + w[2] * f};
}
void AddScaledVector(TVector4f& v, const TVector4f& w, float f) {
  v = {v[0] + w[0] * f, v[1] + w[1] * f, v[2] + w[2] * f, v[3] + w[3] * f};
}
TAffineVector AffineVectorCombine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2) {
  return {f1 * v1[0] + f2 * v2[0], f1 * v1[1] + f2 * v2[1], f1 * v1[2] + f2 * v2[2]};
}
TVector4f VectorCombine(const TVector4f& v1, const TVector4f& v2, float f1, float f2) {
  return {f1 * v1[0] + f2 * v2[0], f1 * v1[1] + f2 * v2[1], f1 * v1[2] + f2 * v2[2], f1 * v1[3] + f2 * v2[3]};
}
TAffineVector VectorAddScaled(const TAffineVector& a, const TAffineVector& b, float f) {
  return {a[0] + b[0] * f, a[1] + b[1] * f, a[2] + b[2] * f};
}
TVector4f VectorAddScaled(const TVector4f& a, const TVector4f& b, float f) {
  return {a[0] + b[0] * f, a[1] + b[1] * f, a[2] + b[2] * f, a[3] + b[3] * f};
}
TAffineVector AffineVectorMultiply(const TAffineVector& a, const TAffineVector& b) {
  return {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
}
TVector4f VectorMultiply(const TVector4f& a, const TVector4f& b) {
  return {a[0] * b[0], a[1] * b[1], a[2] * b[2], a[3] * b[3]};
}
void ScaleAffineVector(TAffineVector& v, float f) { v = {v[0] * f, v[1] * f, v[2] * f}; }
void ScaleVector(TVector4f& v, float f) { v = {v[0] * f, v[1] * f, v[2] * f, v[3] * f}; }
void VectorScale(const TAffineVector& v, TAffineVector& result, float f) { result = {v[0] * f, v[1] * f, v[2] * f}; }
void VectorScale(const TVector4f& v, TVector4f& result, float f) { result = {v[0] * f, v[1] * f, v[2] * f, v[3] * f}; }
TAffineVector VectorScale(const TAffineVector& v, float f) { return {v[0] * f, v[1] * f, v[2] * f}; }
TVector4f VectorScale(const TVector4f& v, float f) { return {v[0] * f, v[1] * f, v[2] * f, v[3] * f}; }
TAffineVector AffineVectorNegate(const TAffineVector& v) { return {-v[0], -v[1], -v[2]}; }
TVector4f VectorNegate(const TVector4f& v) { return {-v[0], -v[1], -v[2], -v[3]}; }
void NegateAffineVector(TAffineVector& v) { v = AffineVectorNegate(v); }
void NegateVector(TVector4f& v) { v = VectorNegate(v); }
TAffineVector VectorAbs(const TAffineVector& v) { return {std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])}; }
TVector4f VectorAbs(const TVector4f& v) { return {std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2]), std::fabs(v[3])}; }

// --- Products and lengths ------------------------------------------------------
float AffineVectorDot(const TAffineVector& a, const TAffineVector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float VectorDot(const TVector4f& a, const TVector4f& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]; }
float VectorDot(const TAffineVector& a, const TAffineVector& b) { return AffineVectorDot(a, b); }
float PointPlaneDistance(const TAffineVector& point, const TAffineVector& plane_origin, const TAffineVector& plane_normal) {
  return AffineVectorDot(AffineVectorSubtract(point, plane_origin), plane_normal);
}
TAffineVector AffineVectorCross(const TAffineVector& a, const TAffineVector& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
TVector4f VectorCross(const TVector4f& a, const TVector4f& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0], 0.0f};
}
void SetAffineVectorCross(const TAffineVector& a, const TAffineVector& b, TAffineVector& result) {
  result = AffineVectorCross(a, b);
}
float AffineVectorNorm(const TAffineVector& v) { return v[0] * v[0] + v[1] * v[1] + v[2] * v[2]; }
float VectorNorm(const TAffineVector& v) { return AffineVectorNorm(v); }
float VectorNorm(const TVector4f& v) { return v[0] * v[0] + v[1] * v[1] + v[2] * v[2]; }
float VectorNorm2D(float x, float y) { return x * x + y * y; }
float AffineVectorLength(const TAffineVector& v) { return std::sqrt(AffineVectorNorm(v)); }
float VectorLength(const TAffineVector& v) { return AffineVectorLength(v); }
float VectorLength(const TVector4f& v) { return std::sqrt(VectorNorm(v)); }
float VectorDistance2(const TAffineVector& a, const TAffineVector& b) { return AffineVectorNorm(AffineVectorSubtract(a, b)); }
float VectorDistance2(const TVector4f& a, const TVector4f& b) { return VectorNorm(VectorSubtract(a, b)); }
float VectorDistance(const TAffineVector& a, const TAffineVector& b) { return std::sqrt(VectorDistance2(a, b)); }
float VectorDistance(const TVector4f& a, const TVector4f& b) { return std::sqrt(VectorDistance2(a, b)); }
float VectorSpacing(const TAffineVector& a, const TAffineVector& b) {
  return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
}
float VectorSpacing(const TVector4f& a, const TVector4f& b) {
  return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
}
float AffineVectorAngleCosine(const TAffineVector& a, const TAffineVector& b) {
  return AffineVectorDot(a, b) / std::sqrt(AffineVectorNorm(a) * AffineVectorNorm(b));
}

// --- Normalisation ----------------------------------------------------------
void NormalizeAffineVector(TAffineVector& v) {
  const float n = AffineVectorNorm(v);
  if (n == 0.0f) return;
  ScaleAffineVector(v, RSqrt(n));
}
TAffineVector AffineVectorNormalized(const TAffineVector& v) {
  TAffineVector r = v;
  NormalizeAffineVector(r);
  return r;
}
void NormalizeAffineVectorArray(TAffineVector* list, int n) {
  for (int i = 0; i < n; ++i) NormalizeAffineVector(list[i]);
}
void NormalizeVector(TVector4f& v) {
  const float n = VectorNorm(v);
  if (n != 0.0f) {
    const float f = RSqrt(n);
    v[0] *= f;
    v[1] *= f;
    v[2] *= f;
  }
  v[3] = 0.0f;
}
TVector4f VectorNormalized(const TVector4f& v) {
  TVector4f r = v;
  NormalizeVector(r);
  return r;
}
TAffineVector VectorProjectOntoPlane(const TAffineVector& v, const TAffineVector& n) {
  return VectorAddScaled(v, n, -AffineVectorDot(v, n));
}

// --- Interpolation ---------------------------------------------------------------
float Lerp(float start, float stop, float t) { return start + (stop - start) * t; }
TAffineVector VectorLerpPlain(const TAffineVector& a, const TAffineVector& b, float t) {
  return {Lerp(a[0], b[0], t), Lerp(a[1], b[1], t), Lerp(a[2], b[2], t)};
}
TAffineVector VectorLerp(const TAffineVector& a, const TAffineVector& b, float t) { return VectorLerpPlain(a, b, t); }
TVector4f VectorLerp(const TVector4f& a, const TVector4f& b, float t) {
  return {Lerp(a[0], b[0], t), Lerp(a[1], b[1], t), Lerp(a[2], b[2], t), Lerp(a[3], b[3], t)};
}
void VectorLerp(const TVector4f& a, const TVector4f& b, float t, TVector4f& result) { result = VectorLerp(a, b, t); }
void VectorArrayLerp(const TVector4f* a, const TVector4f* b, float t, int n, TVector4f* dest) {
  for (int i = 0; i < n; ++i) dest[i] = VectorLerp(a[i], b[i], t);
}
void AffineVectorArrayLerp(const TAffineVector* a, const TAffineVector* b, float t, int n, TAffineVector* dest) {
  for (int i = 0; i < n; ++i) dest[i] = VectorLerpPlain(a[i], b[i], t);
}
TAffineVector AffineVectorAngleCombine(const TAffineVector& a, const TAffineVector& b, float f) {
  return VectorAddScaled(a, b, f);
}

// --- Comparisons ---------------------------------------------------------------
bool VectorEquals(const TVector4f& a, const TVector4f& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool VectorEquals(const TAffineVector& a, const TAffineVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool AffineVectorEquals(const TAffineVector& a, const TAffineVector& b) { return VectorEquals(a, b); }
bool AffineVectorIsNull(const TAffineVector& v) { return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f; }
bool VectorIsNull(const TVector4f& v) { return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f; }

// --- Rotations of vectors ---------------------------------------------------------
TAffineVector AffineVectorRotatedAroundY(const TAffineVector& v, float alpha) {
  float s, c;
  SinCos(alpha, s, c);
  return {c * v[0] + s * v[2], v[1], c * v[2] - s * v[0]};
}
void RotateAffineVectorAroundY(TAffineVector& v, float alpha) { v = AffineVectorRotatedAroundY(v, alpha); }
TVector4f VectorRotatedAroundY(const TVector4f& v, float alpha) {
  float s, c;
  SinCos(alpha, s, c);
  return {c * v[0] + s * v[2], v[1], c * v[2] - s * v[0], v[3]};
}

// --- Scalars and angles ------------------------------------------------------------
double IntPower(double base, int exponent) {
  // Repeated squaring; a negative exponent gives the reciprocal.
  long long n = exponent;
  const bool negative = n < 0;
  if (negative) n = -n;
  double result = 1.0;
  double b = base;
  while (n > 0) {
    if (n & 1) result *= b;
    b *= b;
    n >>= 1;
  }
  return negative ? 1.0 / result : result;
}

double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (exponent == std::trunc(exponent) && std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int>(exponent));
  return std::exp(exponent * std::log(base));
}

double DegToRadExtended(double degrees) { return degrees * (M_PI / 180.0); }
float DegToRad(float degrees) { return degrees * cPIdiv180; }
float RadToDeg(float radians) { return radians * c180divPI; }
double RadToDegExtended(double radians) { return radians * (180.0 / M_PI); }

float NormalizeDegAngle(float angle) {
  double r = angle - std::trunc(angle / 360.0) * 360.0;
  if (r > 180.0)
    r -= 360.0;
  else if (r < -180.0)
    r += 360.0;
  return static_cast<float>(r);
}

void SinCosExtended(double angle, double& s, double& c) {
  s = std::sin(angle);
  c = std::cos(angle);
}
void SinCos(float angle, float& s, float& c) {
  s = std::sin(angle);
  c = std::cos(angle);
}
void SinCosRadius(float angle, float radius, float& s, float& c) {
  SinCos(angle, s, c);
  s *= radius;
  c *= radius;
}

void PrepareSinCosCache(std::span<float> s, std::span<float> c, float start_degrees, float stop_degrees) {
  CLIENT_ASSERT(s.size() == c.size());
  if (s.empty()) return;
  const int n = static_cast<int>(s.size()) - 1;
  const double stop = static_cast<double>(stop_degrees) + 1e-5;
  const double d = n == 0 ? 0.0 : (stop - start_degrees) * (M_PI / 180.0) / n;
  const double a0 = start_degrees * (M_PI / 180.0);
  if (n < 1000) {
    double si = std::sin(a0), ci = std::cos(a0);
    const double half = std::sin(d / 2);
    const double alpha = 2.0 * half * half;
    const double beta = std::sin(d);
    s[0] = static_cast<float>(si);
    c[0] = static_cast<float>(ci);
    for (int i = 0; i < n; ++i) {
      const double cn = ci - alpha * ci - beta * si;
      const double sn = si - alpha * si + beta * ci;
      si = sn;
      ci = cn;
      s[i + 1] = static_cast<float>(si);
      c[i + 1] = static_cast<float>(ci);
    }
  } else {
    for (int i = 0; i <= n; ++i) {
      s[i] = static_cast<float>(std::sin(a0 + i * d));
      c[i] = static_cast<float>(std::cos(a0 + i * d));
    }
  }
}

namespace {
double ClampUnit(double x) { return x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x); }

int64_t SaturateToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}
}  // namespace

double ArcCosExtended(double x) {
  x = ClampUnit(x);
  return std::atan2(std::sqrt(1.0 - x * x), x);
}
float ArcSin(float x) {
  const double v = ClampUnit(x);
  return static_cast<float>(std::atan2(v, std::sqrt(1.0 - v * v)));
}
double ArcTan2Extended(double y, double x) { return std::atan2(y, x); }
float ArcTan2(float y, float x) { return std::atan2(y, x); }
float RSqrt(float v) { return 1.0f / std::sqrt(v); }
int64_t TruncSingle(float v) { return SaturateToInt64(std::trunc(static_cast<double>(v))); }
double IntPart(double v) { return std::trunc(v); }
double Frac(double v) { return v - std::trunc(v); }
// Under the default rounding mode nearbyint takes halves to the even neighbour.
int64_t Round(double v) { return SaturateToInt64(std::nearbyint(v)); }
double RoundFloat(double v) { return std::nearbyint(v); }
int Sign(double v) { return v < 0.0 ? -1 : (v > 0.0 ? 1 : 0); }
int ScaleAndRound(int i, float f) {
  const int64_t r = Round(static_cast<double>(i) * f);
  if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}
double MaxFloatExtended(double a, double b) { return a > b ? a : b; }
float MaxFloat(float a, float b) { return a > b ? a : b; }
TAffineVector MaxVector(const TAffineVector& a, const TAffineVector& b) {
  return {MaxFloat(a[0], b[0]), MaxFloat(a[1], b[1]), MaxFloat(a[2], b[2])};
}
TVector4f MaxVector(const TVector4f& a, const TVector4f& b) {
  return {MaxFloat(a[0], b[0]), MaxFloat(a[1], b[1]), MaxFloat(a[2], b[2]), MaxFloat(a[3], b[3])};
}
float ClampValue(float v, float min_value, float max_value) {
  if (v < min_value) return min_value;
  if (v > max_value) return max_value;
  return v;
}
void ScaleFloatArray(float* values, int n, float factor) {
  for (int i = 0; i < n; ++i) values[i] *= factor;
}
