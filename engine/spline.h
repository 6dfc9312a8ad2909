#pragma once
// Natural cubic spline through up to four coordinate arrays of n knots, with
// continuous first derivatives; the parameter t runs from 0 at the first knot
// to n - 1 at the last and extrapolates the end segments outside that range.

#include <span>
#include <vector>

#include "engine/vector_types.h"

class TCubicSpline {
public:
  // Each array holds n values or is nullptr (that coordinate evaluates to 0).
  // With one knot the spline is that constant; with none it is 0.
  TCubicSpline(const float* x, const float* y, const float* z, const float* w, int n);

  float SplineX(float t) const;
  float SplineY(float t) const;
  float SplineZ(float t) const;
  float SplineW(float t) const;
  void SplineXYZ(float t, float& x, float& y, float& z) const;
  TAffineVector SplineAffineVector(float t) const;
  void SplineAffineVector(float t, TAffineVector& v) const;
  // First derivatives of X, Y and Z at t.
  TAffineVector SplineSlopeVector(float t) const;

  int KnotCount() const { return n_; }
  bool HasTable(int coordinate) const { return !tables_[coordinate].empty(); }

private:
  // One cubic per segment in the segment's own parameter u = t - i:
  // ((a3*u + a2)*u + a1)*u + a0. Kept local rather than in the global t so
  // that the coefficients do not lose precision as the knot index grows.
  struct Segment {
    float a3, a2, a1, a0;
  };
  using Table = std::vector<Segment>;

  static Table Build(const float* y, int n);
  int SegmentOf(float t) const;
  float Value(const Table& table, float t) const;
  float Slope(const Table& table, float t) const;

  Table tables_[4];
  int n_ = 0;
};

// The spline through the points' x, y and z (w evaluates to 0).
TCubicSpline SplineThrough(std::span<const TAffineVector> points);
