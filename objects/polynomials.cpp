#include "objects/polynomials.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/base/assertion.h"

bool IsNearZero(double x) { return std::fabs(x) <= 1e-40; }

namespace {

// A difference of terms that should vanish (a discriminant at a double
// root, say) comes out as a rounding error of the terms' size, above or
// below zero, whatever the scale of the coefficients: it is taken as zero
// within this share of `scale`, the size of the terms it was made of.
constexpr double kRoundingShare = 1e-14;
bool NearZeroBeside(double x, double scale) { return IsNearZero(x) || std::fabs(x) <= kRoundingShare * scale; }

// The quartic's resolvent root comes from the cubic's closed forms, which
// can lose half the digits of a root beside another; its u^2 and v^2
// cannot be negative but for such errors.
constexpr double kResolventShare = 1e-8;

}  // namespace

double CubeRoot(double x) {
  if (x > 0) return std::pow(x, 1.0 / 3.0);
  if (x < 0) return -std::pow(-x, 1.0 / 3.0);
  return 0;
}

TDoubleArray SolveQuadratic(const std::array<double, 3>& c) {
  if (IsNearZero(c[2])) {
    // A ray parallel to a round solid's axis lands here.
    if (IsNearZero(c[1])) return {};
    return {-c[0] / c[1]};
  }
  const double p = c[1] / (2 * c[2]);
  const double q = c[0] / c[2];
  const double d = p * p - q;
  if (NearZeroBeside(d, p * p + std::fabs(q))) return {-p};
  if (d > 0) {
    const double s = std::sqrt(d);
    return {s - p, -s - p};
  }
  return {};
}

TDoubleArray SolveCubic(const std::array<double, 4>& c) {
  if (IsNearZero(c[3])) return SolveQuadratic({c[0], c[1], c[2]});
  const double inv = 1.0 / c[3];
  const double a = c[2] * inv, b = c[1] * inv, cc = c[0] * inv;
  const double p = (b - a * a / 3) / 3;
  const double q = ((2.0 / 27.0) * a * a * a - a * b / 3 + cc) / 2;
  const double d = q * q + p * p * p;
  // The sizes of the terms p and q were made of, and so of their rounding.
  const double pScale = std::max(std::fabs(b), a * a / 3) / 3;
  const double qScale = std::max({std::fabs((2.0 / 27.0) * a * a * a), std::fabs(a * b / 3), std::fabs(cc)}) / 2;
  TDoubleArray roots;
  if (NearZeroBeside(d, 2 * std::fabs(q) * qScale + 3 * p * p * pScale)) {
    if (NearZeroBeside(q, qScale)) {
      roots = {0};
    } else {
      const double u = CubeRoot(-q);
      roots = {2 * u, -u};
    }
  } else if (d < 0) {
    // Rounding can carry the quotient just past 1 in size.
    const double cosine = std::clamp(-q / std::sqrt(-p * p * p), -1.0, 1.0);
    const double phi = std::acos(cosine) / 3;
    const double t = 2 * std::sqrt(-p);
    roots = {t * std::cos(phi), -t * std::cos(phi + std::numbers::pi / 3), -t * std::cos(phi - std::numbers::pi / 3)};
  } else {
    const double s = std::sqrt(d);
    roots = {CubeRoot(s - q) - CubeRoot(s + q)};
  }
  for (double& r : roots) r -= a / 3;
  return roots;
}

TDoubleArray SolveQuartic(const std::array<double, 5>& c) {
  if (IsNearZero(c[4])) return SolveCubic({c[0], c[1], c[2], c[3]});
  const double inv = 1.0 / c[4];
  const double a = c[3] * inv, b = c[2] * inv, cc = c[1] * inv, d = c[0] * inv;
  const double a2 = a * a;
  const double p = -0.375 * a2 + b;
  const double q = 0.125 * a2 * a - 0.5 * a * b + cc;
  const double r = -0.01171875 * a2 * a2 + 0.0625 * a2 * b - 0.25 * a * cc + d;
  TDoubleArray roots;
  if (IsNearZero(r)) {
    roots = SolveCubic({q, p, 0, 1});
    roots.push_back(0);
  } else {
    const TDoubleArray resolvent = SolveCubic({0.5 * r * p - 0.125 * q * q, -r, -0.5 * p, 1});
    CLIENT_ASSERT(!resolvent.empty());
    // The largest root: the first one everywhere but in the double-root
    // branch, where the first can be the smaller and lose real roots.
    const double z = *std::max_element(resolvent.begin(), resolvent.end());
    double u = z * z - r;
    double v = 2 * z - p;
    // One of them vanishes whenever q does, as it does for every ray
    // parallel to a torus's plane, and then often comes out just below 0.
    auto root = [](double& x, double scale) {
      if (NearZeroBeside(x, scale) || (x < 0 && -x <= kResolventShare * scale)) {
        x = 0;
        return true;
      }
      if (x < 0) return false;
      x = std::sqrt(x);
      return true;
    };
    if (!root(u, std::max(z * z, std::fabs(r))) || !root(v, std::max(2 * std::fabs(z), std::fabs(p)))) return {};
    roots = SolveQuadratic({z - u, q < 0 ? -v : v, 1});
    const TDoubleArray second = SolveQuadratic({z + u, q < 0 ? v : -v, 1});
    roots.insert(roots.end(), second.begin(), second.end());
  }
  for (double& x : roots) x -= a / 4;
  return roots;
}

bool SmallestNonNegativeRoot(const TDoubleArray& roots, double& root) {
  bool found = false;
  for (double r : roots) {
    if (r < 0 || (found && r >= root)) continue;
    root = r;
    found = true;
  }
  return found;
}
