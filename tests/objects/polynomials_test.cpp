// Real roots of quadratics, cubics and quartics: each expected root is
// found, and every root returned is one (checked by substitution).
#include "objects/polynomials.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
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
