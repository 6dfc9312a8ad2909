#pragma once
// Closed-form real roots of polynomials of degree 2, 3 and 4 in double
// precision, for the ray tests of the round solids. Coefficients run from
// the constant term upward (c[0] + c[1] x + c[2] x^2 + ...); roots come in
// the order the formulas produce them, neither sorted nor merged.

#include <array>
#include <vector>

using TDoubleArray = std::vector<double>;

// |x| <= 1e-40: the test of a vanishing leading coefficient. A
// discriminant (and the quartic's u and v) is judged against the size of
// the terms it is the difference of, since rounding leaves one that should
// vanish at that size, above or below zero, whatever the coefficients' scale.
bool IsNearZero(double x);
// The real cube root, negative for negative x.
double CubeRoot(double x);

// A vanishing leading coefficient leaves the linear equation (one root, or
// none when that vanishes too).
TDoubleArray SolveQuadratic(const std::array<double, 3>& c);
// A vanishing leading coefficient leaves the quadratic.
TDoubleArray SolveCubic(const std::array<double, 4>& c);
// A vanishing leading coefficient leaves the cubic.
TDoubleArray SolveQuartic(const std::array<double, 5>& c);

// The smallest root >= 0; false when there is none.
bool SmallestNonNegativeRoot(const TDoubleArray& roots, double& root);
