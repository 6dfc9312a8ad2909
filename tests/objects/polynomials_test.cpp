// Real roots of quadratics, cubics and quartics: each expected root is
// found, and every root returned is one (checked by substitution).
#include "objects/polynomials.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

double Evaluate(std::span<const double> c, double x) {
  double value = 0;
  for (std::size_t i = c.size(); i-- > 0;) value = value * x + c[i];
  return value;
}

// What a residual at x is judged against: the largest coefficient times
// the largest power of x in play.
double Scale(std::span<const double> c, double x) {
  double largest = 0;
  for (double coefficient : c) largest = std::max(largest, std::fabs(coefficient));
  return largest * std::pow(std::max(1.0, std::fabs(x)), static_cast<double>(c.size() - 1));
}

struct Case {
  const char* name;
  std::vector<double> c;        // constant term first
  std::vector<double> expected;  // distinct real roots
};

TDoubleArray Solve(const std::vector<double>& c) {
  switch (c.size()) {
    case 3:
      return SolveQuadratic({c[0], c[1], c[2]});
    case 4:
      return SolveCubic({c[0], c[1], c[2], c[3]});
    default:
      return SolveQuartic({c[0], c[1], c[2], c[3], c[4]});
  }
}

TEST(Polynomials, RootsSolveTheirPolynomials) {
  const Case cases[] = {
      {"x^2 - 1", {-1, 0, 1}, {1, -1}},
      {"double root (x - 1)^2", {1, -2, 1}, {1}},
      {"x^2 + 1 has none", {1, 0, 1}, {}},
      {"linear left when the leading term vanishes", {-6, 3, 0}, {2}},
      {"constant has none", {5, 0, 0}, {}},
      {"x^3 - x", {0, -1, 0, 1}, {1, -1, 0}},
      {"cubic without its leading term", {-1, 0, 1, 0}, {1, -1}},
      {"triple root (x - 2)^3", {-8, 12, -6, 1}, {2}},
      {"double and single (x - 1)^2 (x + 2)", {2, -3, 0, 1}, {1, -2}},
      {"one real root x^3 + x + 1", {1, 1, 0, 1}, {-0.6823278038280193}},
      {"four roots 1, 2, 3, 4", {24, -50, 35, -10, 1}, {1, 2, 3, 4}},
      {"two double roots (x^2 - 1)^2", {1, 0, -2, 0, 1}, {1, -1}},
      {"x^4 + 1 has none", {1, 0, 0, 0, 1}, {}},
      {"root at zero x^4 - x^2", {0, 0, -1, 0, 1}, {0, 1, -1}},
      {"quartic without its leading term", {0, -1, 0, 1, 0}, {1, -1, 0}},
      {"huge coefficients", {-1e150, 0, 1e150}, {1, -1}},
      {"huge quartic", {24e100, -50e100, 35e100, -10e100, 1e100}, {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TDoubleArray roots = Solve(c.c);
    for (double root : roots) {
      ASSERT_TRUE(std::isfinite(root));
      EXPECT_LE(std::fabs(Evaluate(c.c, root)), 1e-6 * Scale(c.c, root)) << "not a root: " << root;
    }
    for (double want : c.expected) {
      const bool found = std::any_of(roots.begin(), roots.end(), [&](double r) { return std::fabs(r - want) < 1e-5; });
      EXPECT_TRUE(found) << "missing root " << want;
    }
    if (c.expected.empty()) EXPECT_TRUE(roots.empty());
  }
}

// The coefficients, constant term first, of k (x - r1)(x - r2)... times
// ((x - re)^2 + im^2) for each complex pair.
std::vector<double> Expand(double k, std::initializer_list<double> roots,
                           std::initializer_list<std::pair<double, double>> pairs = {}) {
  std::vector<double> c{k};
  auto times = [&](std::vector<double> factor) {
    std::vector<double> product(c.size() + factor.size() - 1, 0.0);
    for (std::size_t i = 0; i < c.size(); ++i)
      for (std::size_t j = 0; j < factor.size(); ++j) product[i + j] += c[i] * factor[j];
    c = product;
  };
  for (double r : roots) times({-r, 1});
  for (auto [re, im] : pairs) times({re * re + im * im, -2 * re, 1});
  return c;
}

// Double roots and roots close together, beside pairs of complex roots
// close to the real axis, at scales from 1e-3 to 1e3: each real root is
// found, and nothing else. A discriminant that should vanish comes out a
// rounding error of its terms' size, above or below zero.
TEST(Polynomials, DoubleAndCloseRootsAtAnyScaleAreFoundAndNoneInvented) {
  struct Near {
    const char* name;
    double size;  // of the roots
    std::vector<double> c;
    std::vector<double> expected;
  };
  std::vector<Near> cases;
  for (double s : {1e-3, 0.1, 0.3, 1.0, 7.3, 1e3})
    for (double k : {1e-6, 1.0, 1e6}) {
      const double a = s, b = -1.7 * s, e = 2.9 * s, close = s * (1 + 1e-4), im = 1e-4 * s;
      // The quartic's resolvent holds its roots' spacing squared.
      const double closer = s * (1 + 1e-2), im4 = 1e-2 * s;
      cases.push_back({"double", s, Expand(k, {a, a}), {a}});
      cases.push_back({"close", s, Expand(k, {a, close}), {a, close}});
      cases.push_back({"complex beside the axis", s, Expand(k, {}, {{a, im}}), {}});
      cases.push_back({"cubic double", s, Expand(k, {a, a, b}), {a, b}});
      cases.push_back({"cubic close", s, Expand(k, {a, close, b}), {a, close, b}});
      cases.push_back({"cubic complex beside the axis", s, Expand(k, {b}, {{a, im}}), {b}});
      cases.push_back({"cubic triple", s, Expand(k, {a, a, a}), {a}});
      // Roots in pairs about their middle, as a ray parallel to a torus's
      // plane meets it.
      cases.push_back({"quartic symmetric", s, Expand(k, {e + a, e - a, e + 3 * a, e - 3 * a}),
                       {e + a, e - a, e + 3 * a, e - 3 * a}});
      cases.push_back({"quartic symmetric, inner pair complex", s, Expand(k, {e + 3 * a, e - 3 * a}, {{e, a}}),
                       {e + 3 * a, e - 3 * a}});
      cases.push_back({"quartic double", s, Expand(k, {a, a, b, e}), {a, b, e}});
      cases.push_back({"quartic close", s, Expand(k, {a, closer, b, e}), {a, closer, b, e}});
      cases.push_back({"quartic complex beside the axis", s, Expand(k, {b, e}, {{a, im4}}), {b, e}});
      cases.push_back({"quartic two double", s, Expand(k, {a, a, b, b}), {a, b}});
      cases.push_back({"quartic none", s, Expand(k, {}, {{a, im4}, {b, im4}}), {}});
    }
  for (const Near& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " of degree " + std::to_string(c.c.size() - 1) + ", roots of size " +
                 std::to_string(c.size) + ", leading coefficient " + std::to_string(c.c.back()));
    const TDoubleArray roots = Solve(c.c);
    // A triple root is found to the cube root of the rounding.
    const double tolerance = 2e-5 * c.size;
    for (double want : c.expected)
      EXPECT_TRUE(std::any_of(roots.begin(), roots.end(), [&](double r) { return std::fabs(r - want) < tolerance; }))
          << "missing root " << want;
    for (double root : roots)
      EXPECT_TRUE(std::any_of(c.expected.begin(), c.expected.end(),
                              [&](double want) { return std::fabs(root - want) < tolerance; }))
          << "invented root " << root;
  }
}

TEST(Polynomials, QuadraticKeepsTheOrderOfItsFormula) {
  EXPECT_EQ(SolveQuadratic({-1, 0, 1}), (TDoubleArray{1, -1}));
  EXPECT_EQ(SolveQuadratic({1, -2, 1}), (TDoubleArray{1}));
}

TEST(Polynomials, SmallestNonNegativeRoot) {
  struct Row {
    TDoubleArray roots;
    bool found;
    double root;
  };
  const Row rows[] = {{{}, false, 0},        {{-1}, false, 0},       {{3}, true, 3},          {{-1, 2, 0.5}, true, 0.5},
                      {{-1, -2}, false, 0},  {{0, 4}, true, 0},      {{-3, 7}, true, 7}};
  for (const Row& row : rows) {
    double root = -99;
    EXPECT_EQ(SmallestNonNegativeRoot(row.roots, root), row.found);
    if (row.found) EXPECT_EQ(root, row.root);
  }
}

TEST(Polynomials, CubeRootKeepsTheSign) {
  EXPECT_DOUBLE_EQ(CubeRoot(27), 3);
  EXPECT_DOUBLE_EQ(CubeRoot(-8), -2);
  EXPECT_EQ(CubeRoot(0), 0);
  EXPECT_TRUE(IsNearZero(1e-41));
  EXPECT_FALSE(IsNearZero(1e-39));
}

}  // namespace
