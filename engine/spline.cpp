#include "engine/spline.h"

#include <cmath>

TCubicSpline::TCubicSpline(const float* x, const float* y, const float* z, const float* w, int n) : n_(n < 0 ? 0 : n) {
  const float* arrays[4] = {x, y, z, w};
  for (int k = 0; k < 4; ++k)
    if (arrays[k]) tables_[k] = Build(arrays[k], n_);
}

TCubicSpline::Table TCubicSpline::Build(const float* y, int n) {
  if (n <= 0) return {};
  if (n == 1) return {Segment{0, 0, 0, y[0]}};
  // Tangents D solve the tridiagonal system (2, 4, ..., 4, 2 on the diagonal,
  // 1 beside it) of the natural end conditions, by Cholesky factorisation.
  std::vector<float> b(n), d(n), e(n), zf(n), D(n);
  b[0] = 3 * (y[1] - y[0]);
  for (int i = 1; i < n - 1; ++i) b[i] = 3 * (y[i + 1] - y[i - 1]);
  b[n - 1] = 3 * (y[n - 1] - y[n - 2]);
  d[0] = 1.41421354f;
  e[0] = 0.70710677f;
  for (int i = 1; i < n - 1; ++i) {
    d[i] = std::sqrt(4 - e[i - 1] * e[i - 1]);
    e[i] = 1 / d[i];
  }
  d[n - 1] = std::sqrt(2 - e[n - 2] * e[n - 2]);
  zf[0] = b[0] / d[0];
  for (int i = 1; i < n; ++i) zf[i] = (b[i] - zf[i - 1] * e[i - 1]) / d[i];
  D[n - 1] = zf[n - 1] / d[n - 1];
  for (int i = n - 2; i >= 0; --i) D[i] = (zf[i] - D[i + 1] * e[i]) / d[i];

  Table table(n - 1);
  for (int i = 0; i < n - 1; ++i) {
    const float c = 3 * (y[i + 1] - y[i]) - 2 * D[i] - D[i + 1];
    const float dd = 2 * (y[i] - y[i + 1]) + D[i] + D[i + 1];
    table[i] = {dd, c, D[i], y[i]};
  }
  return table;
}

int TCubicSpline::SegmentOf(float t) const {
  int i;
  if (!(t > 0))  // also NaN
    i = 0;
  else if (t <= static_cast<float>(n_ - 1))
    i = static_cast<int>(t);
  else
    i = n_ - 1;
  if (i > n_ - 2) i = n_ - 2;
  return i < 0 ? 0 : i;
}

float TCubicSpline::Value(const Table& table, float t) const {
  if (table.empty()) return 0;
  const int i = SegmentOf(t);
  const Segment& s = table[i];
  const float u = t - static_cast<float>(i);
  return ((s.a3 * u + s.a2) * u + s.a1) * u + s.a0;
}

float TCubicSpline::Slope(const Table& table, float t) const {
  if (table.empty()) return 0;
  const int i = SegmentOf(t);
  const Segment& s = table[i];
  const float u = t - static_cast<float>(i);
  return (3 * s.a3 * u + 2 * s.a2) * u + s.a1;
}

float TCubicSpline::SplineX(float t) const { return Value(tables_[0], t); }
float TCubicSpline::SplineY(float t) const { return Value(tables_[1], t); }
float TCubicSpline::SplineZ(float t) const { return Value(tables_[2], t); }
float TCubicSpline::SplineW(float t) const { return Value(tables_[3], t); }

void TCubicSpline::SplineXYZ(float t, float& x, float& y, float& z) const {
  x = SplineX(t);
  y = SplineY(t);
  z = SplineZ(t);
}

TAffineVector TCubicSpline::SplineAffineVector(float t) const { return {SplineX(t), SplineY(t), SplineZ(t)}; }

void TCubicSpline::SplineAffineVector(float t, TAffineVector& v) const { v = SplineAffineVector(t); }

TAffineVector TCubicSpline::SplineSlopeVector(float t) const {
  return {Slope(tables_[0], t), Slope(tables_[1], t), Slope(tables_[2], t)};
}

TCubicSpline SplineThrough(std::span<const TAffineVector> points) {
  std::vector<float> x, y, z;
  x.reserve(points.size());
  y.reserve(points.size());
  z.reserve(points.size());
  for (const TAffineVector& p : points) {
    x.push_back(p[0]);
    y.push_back(p[1]);
    z.push_back(p[2]);
  }
  return TCubicSpline(x.data(), y.data(), z.data(), nullptr, static_cast<int>(points.size()));
}
