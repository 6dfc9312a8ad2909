// Ray casts of the round solids over grids of rays, not only along their
// planes of symmetry: the torus against its tube (found by marching along
// each ray) and its drawn triangles; cylinders, cones and annuli, of
// negative sizes too, against what GLU's quadrics draw for them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/vector_geometry.h"
#include "objects/annulus.h"
#include "objects/cylinder.h"
#include "objects/torus.h"
#include "tests/objects/batch_measure.h"
#include "tests/objects/geometry_expect.h"

namespace {

using Vec = std::array<double, 3>;

Vec Along(const Vec& start, const Vec& direction, double t) {
  return {start[0] + t * direction[0], start[1] + t * direction[1], start[2] + t * direction[2]};
}

TAffineVector ToAffine(const Vec& v) {
  return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

// --- Torus --------------------------------------------------------------------------------

// How far the point is from the tube's surface, negative inside.
double TubeDistance(const TorusShape& shape, const Vec& q) {
  return std::hypot(std::hypot(q[0], q[1]) - shape.MajorRadius, q[2]) - shape.MinorRadius;
}

enum class Crossing { Miss, Hit, Tangent };

struct TubeCrossing {
  Crossing kind = Crossing::Miss;
  double t = 0;  // where the ray enters, for a hit
};

// Where the ray (a unit direction) first enters the tube. It steps by the
// distance to the tube, which never passes the surface, until it is within
// `margin`; then in small steps: a ray that goes `margin` deep enters, one
// that comes out again without doing so only touches the tube (tangent).
TubeCrossing MarchIntoTube(const TorusShape& shape, const Vec& start, const Vec& direction, double length,
                           double margin) {
  double t = 0;
  while (t < length) {
    const double g = TubeDistance(shape, Along(start, direction, t));
    if (g > margin) {
      t += g;
      continue;
    }
    const double step = margin / 4;
    double before = t;
    for (double s = t + step; s < t + 1.0; s += step) {
      const double gs = TubeDistance(shape, Along(start, direction, s));
      if (gs < -margin) {
        // Bisect from the last point outside to this one.
        double low = before, high = s;
        for (int i = 0; i < 60; ++i) {
          const double mid = (low + high) / 2;
          (TubeDistance(shape, Along(start, direction, mid)) > 0 ? low : high) = mid;
        }
        return {Crossing::Hit, (low + high) / 2};
      }
      if (gs > margin) return {Crossing::Tangent, 0};
      if (gs >= 0) before = s;
    }
    return {Crossing::Tangent, 0};
  }
  return {Crossing::Miss, 0};
}

// A family of parallel rays: from the points start + u side + v up, with u
// and v on an n x n grid of cell centres over [-1, 1], along `direction`.
struct RayGrid {
  const char* name;
  Vec start, side, up, direction;
  int n;
};

Vec GridStart(const RayGrid& grid, int i, int j) {
  const double u = -1 + (i + 0.5) * 2 / grid.n, v = -1 + (j + 0.5) * 2 / grid.n;
  return {grid.start[0] + u * grid.side[0] + v * grid.up[0], grid.start[1] + u * grid.side[1] + v * grid.up[1],
          grid.start[2] + u * grid.side[2] + v * grid.up[2]};
}

Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec Normalised(const Vec& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

std::string Describe(const Vec& start, const Vec& direction) {
  std::ostringstream text;
  text << "from (" << start[0] << ", " << start[1] << ", " << start[2] << ") along (" << direction[0] << ", "
       << direction[1] << ", " << direction[2] << ")";
  return text.str();
}

TEST(TorusRayGrid, EveryRayThatCrossesTheTubeHitsItWhereItEnters) {
  TGLTorus torus;
  const TorusShape& shape = torus.Shape();
  const Vec tilted = Normalised({-1, 0.35, -0.5});
  // Two directions across the tilted one, each 0.6 long.
  const Vec side = Normalised(Cross(tilted, {0, 0, 1})), up = Cross(side, tilted);
  const Vec tiltedSide{0.6 * side[0], 0.6 * side[1], 0.6 * side[2]}, tiltedUp{0.6 * up[0], 0.6 * up[1], 0.6 * up[2]};
  const RayGrid grids[] = {
      // Across the torus's plane, as the tube is seen from its side.
      {"along -x", {2, 0, 0}, {0, 0.55, 0}, {0, 0, 0.15}, {-1, 0, 0}, 200},
      {"down onto the plane", {0, 0, 2}, {0.55, 0, 0}, {0, 0.55, 0}, {0, 0, -1}, 100},
      {"tilted", {-2 * tilted[0], -2 * tilted[1], -2 * tilted[2]}, tiltedSide, tiltedUp, tilted, 100},
  };
  // Within this of the surface a ray only touches the tube.
  constexpr double kMargin = 1e-4;
  for (const RayGrid& grid : grids) {
    SCOPED_TRACE(grid.name);
    int hits = 0, misses = 0, tangent = 0, wrong = 0;
    std::string first;
    for (int i = 0; i < grid.n; ++i)
      for (int j = 0; j < grid.n; ++j) {
        const Vec start = GridStart(grid, i, j);
        const TubeCrossing expected = MarchIntoTube(shape, start, grid.direction, 4, kMargin);
        if (expected.kind == Crossing::Tangent) {
          ++tangent;
          continue;
        }
        TVector4f point, normal;
        const bool hit = torus.RayCastIntersect(PointMake(ToAffine(start)),
                                                VectorMakeFromAffine(ToAffine(grid.direction)), &point, &normal);
        bool right = hit == (expected.kind == Crossing::Hit);
        if (right && hit) {
          ++hits;
          right = NearVector(AffineVectorMake(point), ToAffine(Along(start, grid.direction, expected.t)), 2e-4f);
        } else if (right) {
          ++misses;
        }
        if (!right && wrong++ == 0)
          first = Describe(start, grid.direction) + (hit ? ": a hit" : ": no hit") + ", expected " +
                  (expected.kind == Crossing::Hit ? "one at t = " + std::to_string(expected.t) : "none");
      }
    EXPECT_EQ(wrong, 0) << "first: " << first;
    // The grids cross the tube mostly, and graze it seldom.
    EXPECT_GT(hits, grid.n * grid.n / 4);
    EXPECT_GT(misses, 0);
    EXPECT_LT(tangent, grid.n * grid.n / 50);
  }
}

TEST(TorusRayGrid, ARayThatMeetsADrawnTriangleInsideTheTubeHitsTheTorus) {
  TGLTorus torus;
  const TorusShape& shape = torus.Shape();
  // The drawn rings, each with its bounds, so that a ray tries few triangles.
  struct Ring {
    std::vector<MeasuredTriangle> triangles;
    TAffineVector low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
  };
  std::vector<Ring> rings;
  for (const GeometryBatch& batch : BuildTorusGeometry(shape)) {
    Ring ring;
    ring.triangles = TrianglesOf({batch});
    for (const GeometryVertex& v : batch.Vertices)
      for (int k = 0; k < 3; ++k) {
        ring.low[k] = std::min(ring.low[k], v.Position[k]);
        ring.high[k] = std::max(ring.high[k], v.Position[k]);
      }
    rings.push_back(std::move(ring));
  }
  const RayGrid grid{"along -x", {2, 0, 0}, {0, 0.55, 0}, {0, 0, 0.15}, {-1, 0, 0}, 200};
  int drawn = 0, unreported = 0;
  std::string first;
  for (int i = 0; i < grid.n; ++i)
    for (int j = 0; j < grid.n; ++j) {
      const Vec start = GridStart(grid, i, j);
      // Rays along -x: a ring's bounds in y and z tell whether it can be met.
      std::optional<double> nearest;
      for (const Ring& ring : rings) {
        if (start[1] < ring.low[1] || start[1] > ring.high[1] || start[2] < ring.low[2] || start[2] > ring.high[2])
          continue;
        const std::optional<double> t = RayTrianglesHit(ToAffine(start), ToAffine(grid.direction), ring.triangles);
        if (t && (!nearest || *t < *nearest)) nearest = t;
      }
      // The strips cut across the hole's rim, outside the tube: only a
      // triangle met inside the tube says that the ray crosses it.
      if (!nearest || TubeDistance(shape, Along(start, grid.direction, *nearest)) > -1e-4) continue;
      ++drawn;
      if (!torus.RayCastIntersect(PointMake(ToAffine(start)), VectorMakeFromAffine(ToAffine(grid.direction))) &&
          unreported++ == 0)
        first = Describe(start, grid.direction);
    }
  EXPECT_GT(drawn, grid.n * grid.n / 4);
  EXPECT_EQ(unreported, 0) << "first: " << first;
}

// --- Cylinders, cones and annuli --------------------------------------------------------

// A solid and the triangles it draws.
struct DrawnSolid {
  std::unique_ptr<TGLCylinderBase> object;
  std::vector<MeasuredTriangle> triangles;
};

template <class T>
DrawnSolid Made(const std::function<void(T&)>& set) {
  auto solid = std::make_unique<T>();
  set(*solid);
  GeometryBatches batches;
  if constexpr (std::is_same_v<T, TGLCylinder>)
    batches = BuildCylinderGeometry(solid->Shape(), solid->Style());
  else if constexpr (std::is_same_v<T, TGLCone>)
    batches = BuildConeGeometry(solid->Shape(), solid->Style());
  else
    batches = BuildAnnulusGeometry(solid->Shape(), solid->Style());
  return {std::move(solid), TrianglesOf(batches)};
}

TEST(RoundSolidRayGrid, EveryHitLiesOnWhatIsDrawn) {
  struct Case {
    const char* name;
    std::function<DrawnSolid()> make;
  };
  const Case cases[] = {
      {"cylinder", [] { return Made<TGLCylinder>([](TGLCylinder&) {}); }},
      {"cylinder, top radius below zero",
       [] { return Made<TGLCylinder>([](TGLCylinder& c) { c.SetTopRadius(-0.2f); }); }},
      {"cylinder, height below zero", [] { return Made<TGLCylinder>([](TGLCylinder& c) { c.SetHeight(-1); }); }},
      {"cylinder on its top, height below zero", [] {
         return Made<TGLCylinder>([](TGLCylinder& c) {
           c.SetHeight(-1);
           c.SetAlignment(caTop);
         });
       }},
      {"cylinder, bottom radius below zero",
       [] { return Made<TGLCylinder>([](TGLCylinder& c) { c.SetBottomRadius(-0.5f); }); }},
      {"cone", [] { return Made<TGLCone>([](TGLCone&) {}); }},
      {"cone, height below zero", [] { return Made<TGLCone>([](TGLCone& c) { c.SetHeight(-1); }); }},
      {"cone, radius below zero", [] { return Made<TGLCone>([](TGLCone& c) { c.SetBottomRadius(-0.5f); }); }},
      {"annulus", [] { return Made<TGLAnnulus>([](TGLAnnulus&) {}); }},
      {"annulus, height below zero", [] { return Made<TGLAnnulus>([](TGLAnnulus& a) { a.SetHeight(-1); }); }},
      {"annulus, top radius below zero", [] { return Made<TGLAnnulus>([](TGLAnnulus& a) { a.SetTopRadius(-0.5f); }); }},
      {"annulus, bottom inner radius below zero",
       [] { return Made<TGLAnnulus>([](TGLAnnulus& a) { a.SetBottomInnerRadius(-0.2f); }); }},
  };
  const Vec tilted = Normalised({1, -0.6, 0.45});
  const Vec tiltedSide = Normalised(Cross(tilted, {0, 1, 0})), tiltedUp = Cross(tiltedSide, tilted);
  auto scaled = [](const Vec& v, double k) { return Vec{k * v[0], k * v[1], k * v[2]}; };
  const RayGrid grids[] = {
      {"along +x", {-3, 0, 0}, {0, 0, 0.8}, {0, 0.8, 0}, {1, 0, 0}, 30},
      {"down", {0, 3, 0}, {0.8, 0, 0}, {0, 0, 0.8}, {0, -1, 0}, 30},
      {"up", {0, -3, 0}, {0.8, 0, 0}, {0, 0, 0.8}, {0, 1, 0}, 30},
      {"tilted", scaled(tilted, -3), scaled(tiltedSide, 0.8), scaled(tiltedUp, 0.8), tilted, 30},
  };
  // A hit on the round surface lies this far at most from the flat faces
  // GLU draws of it (16 slices of radius 0.5).
  const double chord = 0.5 * (1 - std::cos(std::numbers::pi / 16)) + 1e-4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DrawnSolid solid = c.make();
    int hits = 0, phantoms = 0;
    std::string first;
    for (const RayGrid& grid : grids)
      for (int i = 0; i < grid.n; ++i)
        for (int j = 0; j < grid.n; ++j) {
          const Vec start = GridStart(grid, i, j);
          TVector4f point;
          const TVector4f direction = VectorMakeFromAffine(ToAffine(grid.direction));
          if (!solid.object->RayCastIntersect(PointMake(ToAffine(start)), direction, &point)) continue;
          ++hits;
          const double off = DistanceToTriangles(AffineVectorMake(point), solid.triangles);
          if (off > chord && phantoms++ == 0)
            first = Describe(start, grid.direction) + " hits " + std::to_string(off) + " away from what is drawn";
        }
    EXPECT_EQ(phantoms, 0) << "of " << hits << " hits; first: " << first;
    // Something is hit wherever something is drawn.
    EXPECT_EQ(hits > 0, !solid.triangles.empty());
  }
}

}  // namespace
