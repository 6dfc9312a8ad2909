// Cylinders, cones, annuli, tori, arrow lines and frustums without GL:
// how many vertices and triangles each draws, the volume its surface
// encloses (facing out), and the ray-cast tables.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

#include "objects/annulus.h"
#include "objects/arrow_line.h"
#include "objects/cylinder.h"
#include "objects/frustum.h"
#include "objects/torus.h"
#include "tests/objects/batch_measure.h"
#include "tests/objects/drawable_test_support.h"

namespace {

const double kPi = std::numbers::pi;

// The area of a regular n-gon inscribed in a circle of radius r.
double PolygonArea(int n, double r) { return n / 2.0 * r * r * std::sin(2 * kPi / n); }

struct SolidCase {
  const char* name;
  std::function<GeometryBatches()> build;
  int vertices;
  int triangles;
  double volume;  // enclosed, facing out; NaN for open surfaces
};

TEST(RoundSolids, VerticesTrianglesAndEnclosedVolume) {
  const QuadricStyle smooth;
  const double nan = std::nan("");
  const SolidCase cases[] = {
      // 16 slices, 4 stacks: four quad strips of 17 pairs, fans of 1 + 17.
      {"cylinder", [&] { return BuildCylinderGeometry({}, smooth); }, 4 * 34 + 2 * 18, 4 * 32 + 2 * 16,
       PolygonArea(16, 0.5) * 1.0},
      {"cylinder aligned on its bottom", [&] {
         CylinderShape s;
         s.Alignment = caBottom;
         return BuildCylinderGeometry(s, smooth);
       }, 4 * 34 + 2 * 18, 4 * 32 + 2 * 16, PolygonArea(16, 0.5)},
      {"tapered cylinder, 8 slices, 2 stacks, 3 loops", [&] {
         CylinderShape s;
         s.Base.Slices = 8;
         s.Base.Stacks = 2;
         s.Base.Loops = 3;
         s.TopRadius = 0.25f;
         return BuildCylinderGeometry(s, smooth);
       },
       // Each disk: a fan of 1 + 9 and two rings of 18.
       2 * 18 + 2 * (10 + 2 * 18), 2 * 16 + 2 * (8 + 2 * 16),
       1.0 / 3 * (PolygonArea(8, 0.5) + PolygonArea(8, 0.25) + std::sqrt(PolygonArea(8, 0.5) * PolygonArea(8, 0.25)))},
      {"open cylinder", [&] {
         CylinderShape s;
         s.Parts = {cySides};
         return BuildCylinderGeometry(s, smooth);
       }, 4 * 34, 4 * 32, nan},
      {"cone", [&] { return BuildConeGeometry({}, smooth); }, 4 * 34 + 18, 4 * 32 + 16, PolygonArea(16, 0.5) / 3},
      {"cone without parts", [&] {
         ConeShape s;
         s.Parts = {};
         return BuildConeGeometry(s, smooth);
       }, 0, 0, 0},
      {"annulus", [&] { return BuildAnnulusGeometry({}, smooth); }, 4 * 34 * 2 + 2 * 34, 4 * 32 * 2 + 2 * 32,
       PolygonArea(16, 0.5) - PolygonArea(16, 0.3)},
      {"annulus top ring only", [&] {
         AnnulusShape s;
         s.Parts = {anTop};
         return BuildAnnulusGeometry(s, smooth);
       }, 34, 32, nan},
      // 25 rings of 16 side pairs. The tube's 15-gon (centred 0.4 from the
      // axis) swept through 25 flat wedges of angle 2 pi / 25.
      {"torus", [&] { return BuildTorusGeometry({}); }, 25 * 32, 25 * 30,
       25 * std::sin(2 * kPi / 25) * 0.4 * PolygonArea(15, 0.1)},
      // Head: cone of 4 strips and its base ring; shaft of 4 strips and a
      // bottom fan.
      {"arrow", [&] { return BuildArrowLineGeometry({}, smooth); }, 4 * 34 + 34 + 4 * 34 + 18, 4 * 32 + 32 + 4 * 32 + 16,
       PolygonArea(16, 0.1) * 1.0 + PolygonArea(16, 0.2) * 0.5 / 3},
      {"arrow with both heads included", [&] {
         ArrowLineShape s;
         s.Parts = {alLine, alTopArrow, alBottomArrow};
         s.HeadStackingStyle = ahssIncluded;
         return BuildArrowLineGeometry(s, smooth);
       },
       // No shaft is left; the heads' base rings keep the shaft's hole open.
       2 * (4 * 34 + 34), 2 * (4 * 32 + 32), nan},
      {"frustum", [&] { return BuildFrustumGeometry({}); }, 24, 12, 0.5 / 3 * (1 + 0.25 + 0.5)},
      {"pyramid", [&] {
         FrustumShape s;
         s.Height = 1;
         return BuildFrustumGeometry(s);
       }, 20, 10, 1.0 / 3},
      {"frustum of no apex height", [&] {
         FrustumShape s;
         s.ApexHeight = 0;
         return BuildFrustumGeometry(s);
       }, 0, 0, 0},
  };
  for (const SolidCase& c : cases) {
    SCOPED_TRACE(c.name);
    const GeometryBatches batches = c.build();
    EXPECT_EQ(VertexCount(batches), c.vertices);
    EXPECT_EQ(TriangleCount(batches), c.triangles);
    EXPECT_EQ(NormalsAgainstWinding(batches), 0);
    if (!std::isnan(c.volume)) {
      EXPECT_NEAR(EnclosedVolume(batches), c.volume, 1e-4);
    }
  }
}

TEST(RoundSolids, InsideOutTurnsFacesAndNormals) {
  const QuadricStyle inside{nsSmooth, ndInside};
  EXPECT_NEAR(EnclosedVolume(BuildCylinderGeometry({}, inside)), -PolygonArea(16, 0.5), 1e-4);
  EXPECT_EQ(NormalsAgainstWinding(BuildCylinderGeometry({}, inside)), 0);
  EXPECT_NEAR(EnclosedVolume(BuildAnnulusGeometry({}, inside)), -(PolygonArea(16, 0.5) - PolygonArea(16, 0.3)), 1e-4);
  FrustumShape frustum;
  frustum.NormalDirection = ndInside;
  // Inside out, the frustum turns its normals only.
  EXPECT_EQ(NormalsAgainstWinding(BuildFrustumGeometry(frustum)), TriangleCount(BuildFrustumGeometry(frustum)));
}

TEST(RoundSolids, StandAlongYFromTheirAlignment) {
  auto yRange = [](const GeometryBatches& batches) {
    float low = 1e9f, high = -1e9f;
    for (const GeometryBatch& b : batches)
      for (const GeometryVertex& v : b.Vertices) {
        low = std::min(low, v.Position[1]);
        high = std::max(high, v.Position[1]);
      }
    return std::pair{low, high};
  };
  CylinderShape s;
  s.Base.Height = 2;
  for (auto [alignment, low, high] : {std::tuple{caCenter, -1.0f, 1.0f}, {caTop, -2.0f, 0.0f}, {caBottom, 0.0f, 2.0f}}) {
    s.Alignment = alignment;
    const auto range = yRange(BuildCylinderGeometry(s, {}));
    EXPECT_NEAR(range.first, low, 1e-6);
    EXPECT_NEAR(range.second, high, 1e-6);
  }
  TGLCylinder cylinder;
  cylinder.SetAlignment(caBottom);
  cylinder.SetTopRadius(-0.75f);
  EXPECT_TRUE(NearVector(cylinder.AxisAlignedDimensionsUnscaled(), {0.75f, 0.5f, 0.75f, 0}));
  // The arrow lies along z.
  const auto arrow = BuildArrowLineGeometry({}, {});
  float zLow = 1e9f, zHigh = -1e9f;
  for (const GeometryBatch& b : arrow)
    for (const GeometryVertex& v : b.Vertices) {
      zLow = std::min(zLow, v.Position[2]);
      zHigh = std::max(zHigh, v.Position[2]);
    }
  // Stacked: the head sits beyond the height's top end.
  EXPECT_NEAR(zLow, -0.5f, 1e-6);
  EXPECT_NEAR(zHigh, 1.0f, 1e-6);
}

TEST(TGLArrowLine, ShaftLeftByTheHeads) {
  struct Row {
    TArrowLineParts parts;
    TArrowHeadStackingStyle style;
    float start, length;
  };
  const Row rows[] = {
      {{alLine}, ahssIncluded, -0.5f, 1},
      {{alLine, alTopArrow}, ahssStacked, -0.5f, 1},
      {{alLine, alTopArrow}, ahssCentered, -0.5f, 0.75f},
      {{alLine, alTopArrow, alBottomArrow}, ahssCentered, -0.25f, 0.5f},
      {{alLine, alTopArrow, alBottomArrow}, ahssIncluded, 0, 0},
  };
  for (const Row& row : rows) {
    ArrowLineShape shape;
    shape.Parts = row.parts;
    shape.HeadStackingStyle = row.style;
    const ArrowShaft shaft = ArrowShaftOf(shape);
    EXPECT_FLOAT_EQ(shaft.Start, row.start);
    EXPECT_FLOAT_EQ(shaft.Length, row.length);
  }
  TGLArrowLine arrow;
  EXPECT_EQ(arrow.GetBottomRadius(), 0.1f);
  arrow.SetParts({alLine});
  arrow.SetTopArrowHeadHeight(0.25f);
  TGLArrowLine copy;
  copy.Assign(&arrow);
  EXPECT_TRUE(copy.GetParts() == TArrowLineParts{alLine});
  EXPECT_EQ(copy.GetTopArrowHeadHeight(), 0.25f);
}

TEST(RoundSolids, SettersAndCopies) {
  Counting<TGLCylinder> cylinder;
  cylinder.ResetCounts();
  cylinder.SetLoops(0);
  cylinder.SetLoops(-1);
  cylinder.SetSlices(16);
  EXPECT_EQ(cylinder.GetLoops(), 1);
  EXPECT_EQ(cylinder.structure, 0);
  cylinder.SetTopRadius(0.2f);
  cylinder.SetAlignment(caTop);
  cylinder.SetHeight(3);
  EXPECT_EQ(cylinder.structure, 3);
  TGLCylinder copy;
  copy.Assign(&cylinder);
  EXPECT_EQ(copy.GetTopRadius(), 0.2f);
  EXPECT_EQ(copy.GetAlignment(), caTop);
  EXPECT_EQ(copy.GetHeight(), 3.0f);
  TGLCone cone;
  EXPECT_EQ(cone.GetTopRadius(), 0.0f);
  TGLTorus torus;
  torus.SetRings(1);
  torus.SetSides(0);
  EXPECT_EQ(torus.GetRings(), 2);
  EXPECT_EQ(torus.GetSides(), 3);
  EXPECT_TRUE(NearVector(TGLTorus().AxisAlignedDimensionsUnscaled(), {0.5f, 0.5f, 0.1f, 0}));
  TGLAnnulus annulus;
  annulus.SetTopInnerRadius(0.1f);
  annulus.SetBottomRadius(0.7f);
  TGLAnnulus annulusCopy;
  annulusCopy.Assign(&annulus);
  EXPECT_EQ(annulusCopy.GetTopInnerRadius(), 0.1f);
  EXPECT_EQ(annulusCopy.GetBottomRadius(), 0.7f);
  EXPECT_TRUE(NearVector(annulus.AxisAlignedDimensionsUnscaled(), {0.7f, 0.5f, 0.7f, 0}));
}

TEST(TGLTorus, ACopyIsTheSameTorus) {
  TGLTorus torus;
  torus.SetMajorRadius(0.7f);
  torus.SetMinorRadius(0.2f);
  torus.SetRings(9);
  torus.SetSides(5);
  auto expectSame = [&](const TGLTorus& copy) {
    EXPECT_EQ(copy.GetMajorRadius(), 0.7f);
    EXPECT_EQ(copy.GetMinorRadius(), 0.2f);
    EXPECT_EQ(copy.GetRings(), 9);
    EXPECT_EQ(copy.GetSides(), 5);
  };
  Counting<TGLTorus> copy;
  copy.ResetCounts();
  copy.Assign(&torus);
  expectSame(copy);
  EXPECT_GE(copy.structure, 1) << "a copy draws its new shape";
  // A parent's copy copies its children.
  TGLDummyCube parent;
  parent.AddNewChild<TGLTorus>()->Assign(&torus);
  TGLDummyCube parentCopy;
  parentCopy.Assign(&parent);
  ASSERT_EQ(parentCopy.GetCount(), 1);
  const auto* child = dynamic_cast<const TGLTorus*>(parentCopy.GetChild(0));
  ASSERT_NE(child, nullptr);
  expectSame(*child);
}

TEST(TGLFrustrum, SizeIsStoredOnlyOffItsDefaults) {
  TGLFrustrum frustum;
  EXPECT_FALSE(frustum.WriteFrustrumSizeData().has_value());
  frustum.SetHeight(0.25f);
  frustum.SetBaseWidth(2);
  // 1.0, 1.0, 2.0 and 0.25 as little-endian IEEE singles.
  const std::array<std::uint8_t, 16> bytes{0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x80, 0x3E};
  ASSERT_TRUE(frustum.WriteFrustrumSizeData().has_value());
  EXPECT_EQ(*frustum.WriteFrustrumSizeData(), bytes);
  TGLFrustrum read;
  EXPECT_FALSE(read.ReadFrustrumSizeData(std::span<const std::uint8_t>(bytes.data(), 12)));
  ASSERT_TRUE(read.ReadFrustrumSizeData(bytes));
  EXPECT_EQ(read.GetBaseWidth(), 2.0f);
  EXPECT_EQ(read.GetHeight(), 0.25f);
  TGLFrustrum copy;
  copy.Assign(&read);
  EXPECT_EQ(copy.GetBaseWidth(), 2.0f);
}

// --- Ray casts --------------------------------------------------------------------------

struct Ray {
  const char* name;
  TAffineVector start, direction;
  std::optional<TAffineVector> point;  // none for a miss
  TAffineVector normal;                // unit
};

void ExpectRays(TGLBaseSceneObject& object, std::initializer_list<Ray> rays, float tolerance = 1e-5f) {
  for (const Ray& ray : rays) {
    SCOPED_TRACE(ray.name);
    TVector4f point{9, 9, 9, 9}, normal{9, 9, 9, 9};
    const bool hit = object.RayCastIntersect(PointMake(ray.start), VectorMakeFromAffine(ray.direction), &point, &normal);
    ASSERT_EQ(hit, ray.point.has_value());
    if (!hit) {
      EXPECT_EQ(point[0], 9.0f) << "a miss writes nothing";
      continue;
    }
    EXPECT_TRUE(NearVector(AffineVectorMake(point), *ray.point, tolerance));
    EXPECT_TRUE(NearVector(AffineVectorMake(normal), ray.normal, tolerance));
  }
}

TEST(RayCast, Cylinder) {
  TGLCylinder cylinder;
  ExpectRays(cylinder, {
                           {"down the axis", {0, 5, 0}, {0, -1, 0}, TAffineVector{0, 0.5f, 0}, {0, 1, 0}},
                           {"up from below", {0.1f, -3, 0}, {0, 1, 0}, TAffineVector{0.1f, -0.5f, 0}, {0, -1, 0}},
                           {"onto the side", {-2, 0, 0}, {1, 0, 0}, TAffineVector{-0.5f, 0, 0}, {-1, 0, 0}},
                           {"from inside", {0, 0, 0}, {1, 0, 0}, TAffineVector{0.5f, 0, 0}, {1, 0, 0}},
                           {"grazing the side", {-2, 0, 0.5f}, {1, 0, 0}, TAffineVector{0, 0, 0.5f}, {0, 0, 1}},
                           {"the cap before the side", {0, 1, 0}, {0.5f, -1, 0}, TAffineVector{0.25f, 0.5f, 0}, {0, 1, 0}},
                           {"above the top", {-2, 0.6f, 0}, {1, 0, 0}, std::nullopt, {}},
                           {"pointing away", {2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                           {"beside it", {-2, 0, 0.6f}, {1, 0, 0}, std::nullopt, {}},
                       });
  // Without caps a ray can enter the open top and meet the wall inside.
  cylinder.SetParts({cySides});
  ExpectRays(cylinder, {{"through the open top", {-1, 2, 0}, {0.75f, -1, 0}, TAffineVector{0.5f, 0, 0}, {1, 0, 0}},
                        {"down the open axis", {0, 5, 0}, {0, -1, 0}, std::nullopt, {}}});
  // Tapered from 0.5 at the bottom to 0.1 at the top, the side rises 1 for
  // 0.4 inwards: at y = -0.4 it stands at radius 0.46.
  TGLCylinder tapered;
  tapered.SetTopRadius(0.1f);
  const TAffineVector slope = AffineVectorNormalized({1, 0.4f, 0});
  ExpectRays(tapered, {
                          {"onto the slanted side", {-2, -0.4f, 0}, {1, 0, 0}, TAffineVector{-0.46f, -0.4f, 0},
                           {-slope[0], slope[1], 0}},
                          {"down past the small top onto the side", {0.3f, 5, 0}, {0, -1, 0},
                           TAffineVector{0.3f, 0, 0}, slope},
                          {"up onto the wide bottom", {0.3f, -5, 0}, {0, 1, 0}, TAffineVector{0.3f, -0.5f, 0}, {0, -1, 0}},
                          {"down onto the small top", {0.05f, 5, 0}, {0, -1, 0}, TAffineVector{0.05f, 0.5f, 0}, {0, 1, 0}},
                          {"beside the top, inside the bottom's radius", {-2, 0.45f, 0.3f}, {1, 0, 0}, std::nullopt, {}},
                      });
  // GLU draws nothing of a negative radius and no side of a negative
  // height, and the ray cast hits only what is drawn.
  TGLCylinder narrowTop;
  narrowTop.SetTopRadius(-0.2f);
  ExpectRays(narrowTop, {
                            {"no side", {-2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                            {"down past the top it lacks onto the bottom", {0, 5, 0}, {0, -1, 0},
                             TAffineVector{0, -0.5f, 0}, {0, -1, 0}},
                            {"up onto the bottom", {0.1f, -3, 0}, {0, 1, 0}, TAffineVector{0.1f, -0.5f, 0}, {0, -1, 0}},
                        });
  TGLCylinder narrowBottom;
  narrowBottom.SetBottomRadius(-0.5f);
  ExpectRays(narrowBottom, {
                               {"no side", {-2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                               {"up past the bottom it lacks onto the top", {0.1f, -5, 0}, {0, 1, 0},
                                TAffineVector{0.1f, 0.5f, 0}, {0, 1, 0}},
                           });
  // Of a negative height the bottom disk is drawn above the top one.
  TGLCylinder upsideDown;
  upsideDown.SetHeight(-1);
  ExpectRays(upsideDown, {
                             {"no side", {-2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                             {"down onto the bottom above", {0.1f, 5, 0}, {0, -1, 0}, TAffineVector{0.1f, 0.5f, 0},
                              {0, -1, 0}},
                             {"up onto the top below", {0.1f, -5, 0}, {0, 1, 0}, TAffineVector{0.1f, -0.5f, 0},
                              {0, 1, 0}},
                         });
  // A turned, moved parent.
  auto parent = TurnedParent();
  auto* child = parent->AddNewChild<TGLCylinder>();
  // Local +y stays +y; the cylinder is twice as big, centred at (5, 0, 0).
  ExpectRays(*child, {{"from above through the parent", {5, 10, 0}, {0, -1, 0}, TAffineVector{5, 1, 0}, {0, 1, 0}}});
}

TEST(RayCast, Cone) {
  TGLCone cone;
  const float slope = 1 / std::sqrt(5.0f);  // the side rises 1 for 0.5 inwards
  ExpectRays(cone, {
                       {"onto the apex side", {-2, 0, 0}, {1, 0, 0}, TAffineVector{-0.25f, 0, 0}, {-2 * slope, slope, 0}},
                       {"up into the base", {0, -3, 0}, {0, 1, 0}, TAffineVector{0, -0.5f, 0}, {0, -1, 0}},
                       {"from inside", {0, -0.25f, 0}, {0, 0, 1}, TAffineVector{0, -0.25f, 0.375f}, {0, slope, 2 * slope}},
                       {"grazing", {-2, 0, 0.25f}, {1, 0, 0}, TAffineVector{0, 0, 0.25f}, {0, slope, 2 * slope}},
                       {"above the apex", {-2, 0.6f, 0}, {1, 0, 0}, std::nullopt, {}},
                       {"pointing away", {0, -3, 0}, {0, -1, 0}, std::nullopt, {}},
                   });
  // Of a negative height GLU draws the bottom disk, above the origin, and
  // no side; of a negative radius nothing.
  TGLCone upsideDown;
  upsideDown.SetHeight(-1);
  ExpectRays(upsideDown, {{"down onto the bottom", {0.1f, 5, 0}, {0, -1, 0}, TAffineVector{0.1f, 0.5f, 0}, {0, -1, 0}},
                          {"no side", {-2, 0, 0}, {1, 0, 0}, std::nullopt, {}}});
  TGLCone inverted;
  inverted.SetBottomRadius(-0.5f);
  ExpectRays(inverted, {{"up where the bottom would be", {0, -3, 0}, {0, 1, 0}, std::nullopt, {}}});
}

TEST(RayCast, Annulus) {
  TGLAnnulus annulus;
  ExpectRays(annulus, {
                          {"onto the top ring", {0.4f, 1.5f, 0}, {0.05f, -1, 0}, TAffineVector{0.45f, 0.5f, 0}, {0, 1, 0}},
                          {"onto the bottom ring", {0.4f, -1.5f, 0}, {0.05f, 1, 0}, TAffineVector{0.45f, -0.5f, 0}, {0, -1, 0}},
                          {"through the hole", {0, 1.5f, 0}, {0.05f, -1, 0}, std::nullopt, {}},
                          {"onto the outer wall", {-2, 0, 0}, {1, 0, 0}, TAffineVector{-0.5f, 0, 0}, {-1, 0, 0}},
                          {"from the axis onto the inner wall", {0, 0, 0}, {1, 0, 0}, TAffineVector{0.3f, 0, 0}, {1, 0, 0}},
                          {"grazing the outer wall", {-2, 0, 0.5f}, {1, 0, 0}, TAffineVector{0, 0, 0.5f}, {0, 0, 1}},
                          {"above the top plane", {0, 0.6f, 0}, {1, 0, 0}, std::nullopt, {}},
                          {"down the axis", {0, 5, 0}, {0, -1, 0}, std::nullopt, {}},
                      });
  // Narrowing upwards: outside from 0.5 to 0.3, the hole from 0.2 to 0.1.
  TGLAnnulus tapered;
  tapered.SetTopRadius(0.3f);
  tapered.SetBottomInnerRadius(0.2f);
  tapered.SetTopInnerRadius(0.1f);
  const TAffineVector outer = AffineVectorNormalized({1, 0.2f, 0}), inner = AffineVectorNormalized({1, 0.1f, 0});
  ExpectRays(tapered, {
                          {"onto the outer wall halfway up", {-2, 0, 0}, {1, 0, 0}, TAffineVector{-0.4f, 0, 0},
                           {-outer[0], outer[1], 0}},
                          {"from the axis onto the inner wall", {0, 0, 0}, {1, 0, 0}, TAffineVector{0.15f, 0, 0}, inner},
                          {"up onto the wide bottom ring", {0.4f, -5, 0}, {0, 1, 0}, TAffineVector{0.4f, -0.5f, 0},
                           {0, -1, 0}},
                          {"down past the top ring onto the outer wall", {0.4f, 5, 0}, {0, -1, 0},
                           TAffineVector{0.4f, 0, 0}, outer},
                          {"up the hole onto the inner wall", {0.15f, -5, 0}, {0, 1, 0},
                           TAffineVector{0.15f, 0, 0}, inner},
                      });
  // Of a negative height GLU draws the two rings, the bottom one above, and
  // no walls.
  TGLAnnulus upsideDown;
  upsideDown.SetHeight(-1);
  ExpectRays(upsideDown, {{"no outer wall", {-2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                          {"down onto the bottom ring above", {0.4f, 5, 0}, {0, -1, 0}, TAffineVector{0.4f, 0.5f, 0},
                           {0, -1, 0}}});
  // Of a negative top radius: no outer wall and no top ring; the hole's wall
  // is drawn.
  TGLAnnulus pinched;
  pinched.SetTopRadius(-0.5f);
  ExpectRays(pinched, {{"past the outer wall onto the hole's", {-2, 0, 0}, {1, 0, 0}, TAffineVector{-0.3f, 0, 0},
                        {-1, 0, 0}},
                       {"down past the top ring onto the bottom one", {0.4f, 5, 0}, {0, -1, 0},
                        TAffineVector{0.4f, -0.5f, 0}, {0, -1, 0}}});
}

TEST(RayCast, Torus) {
  TGLTorus torus;
  // Off the planes of symmetry, parallel to the torus's plane: the ray meets
  // the outside of the tube where the circle about the axis of radius 0.4 +
  // sqrt(0.1^2 - z^2) crosses it.
  const float y = -0.49225f, z = -0.01725f, outer = 0.4f + std::sqrt(0.01f - z * z);
  const TAffineVector across{std::sqrt(outer * outer - y * y), y, z};
  const float ring = 0.4f / std::hypot(across[0], y);
  const TAffineVector acrossNormal = AffineVectorNormalized({across[0] * (1 - ring), y * (1 - ring), z});
  ExpectRays(torus, {
                        {"across the tube off its planes", {2, y, z}, {-1, 0, 0}, across, acrossNormal},
                        {"down onto the tube", {0.4f, 0, 5}, {0, 0, -1}, TAffineVector{0.4f, 0, 0.1f}, {0, 0, 1}},
                        {"onto the outer equator", {2, 0, 0}, {-1, 0, 0}, TAffineVector{0.5f, 0, 0}, {1, 0, 0}},
                        {"from inside the tube", {0, 0.4f, 0}, {0, 1, 0}, TAffineVector{0, 0.5f, 0}, {0, 1, 0}},
                        {"through the hole along z", {0, 0, 5}, {0, 0, -1}, std::nullopt, {}},
                        {"pointing away", {2, 0, 0}, {1, 0, 0}, std::nullopt, {}},
                        {"above it", {-2, 0, 0.2f}, {1, 0, 0}, std::nullopt, {}},
                    },
             // The quartic's roots and the centre line's 1e-6 guard.
             1e-4f);
}

}  // namespace
