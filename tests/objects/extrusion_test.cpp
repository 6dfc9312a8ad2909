// Contours, their outline through GLU's tessellator, multi-polygons and
// the extrusion solid, without GL: loops, filled areas and facing, wall
// and cap counts, smoothing, and the stored scene's "eshousebase".
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "objects/extrusion_solid.h"
#include "objects/multi_polygon.h"
#include "objects/tessellation.h"
#include "platform/base/assertion.h"
#include "tests/objects/batch_measure.h"
#include "tests/objects/drawable_test_support.h"

namespace {

constexpr TAffineVector kUp{0, 0, 1};
constexpr TAffineVector kDown{0, 0, -1};

ContourPoints Square(float x0, float y0, float x1, float y1) { return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}; }

void AddContour(TMultiPolygonBase& shape, const ContourPoints& points) {
  TGLContourNodes* nodes = shape.GetContours()->Add()->GetNodes();
  for (const TAffineVector& p : points) nodes->AddNode(p);
}

// The stored scene's extrusion solid: a unit square with a notch from its
// bottom edge, 0.1 high, outside walls and both caps.
void MakeHouseBase(TGLExtrusionSolid& solid) {
  AddContour(solid, Square(0, 0, 1, 1));
  AddContour(solid, Square(0.3f, 0, 0.6f, 0.8f));
  solid.SetParts({espOutside, espStartPolygon, espStopPolygon});
  solid.SetHeight(0.1f);
  solid.SetMinSmoothAngle(5);
}

double LoopArea(const ContourPoints& loop) {
  double twice = 0;
  for (std::size_t i = 0; i < loop.size(); ++i) {
    const TAffineVector& a = loop[i];
    const TAffineVector& b = loop[(i + 1) % loop.size()];
    twice += static_cast<double>(a[0]) * b[1] - static_cast<double>(b[0]) * a[1];
  }
  return twice / 2;
}

TEST(Tessellation, OutlineLoopsOfHolesNotchesAndTurnedContours) {
  struct Case {
    const char* name;
    std::vector<ContourPoints> contours;
    std::vector<double> loopAreas;  // signed, counter-clockwise positive, in order of size
  };
  ContourPoints clockwise = Square(0, 0, 2, 2), clockwiseHole = Square(0.5f, 0.5f, 1, 1);
  std::reverse(clockwise.begin(), clockwise.end());
  std::reverse(clockwiseHole.begin(), clockwiseHole.end());
  const Case cases[] = {
      {"square", {Square(0, 0, 1, 1)}, {1}},
      {"inner hole", {Square(0, 0, 4, 4), Square(1, 1, 2, 2)}, {16, -1}},
      {"notch on the edge", {Square(0, 0, 1, 1), Square(0.3f, 0, 0.6f, 0.8f)}, {0.76}},
      {"clockwise outline still an outline", {clockwise, clockwiseHole}, {4, -0.25}},
      {"contour turned against the first is an island", {Square(0, 0, 4, 4), Square(1, 1, 3, 3), [] {
         ContourPoints island = Square(1.5f, 1.5f, 2.5f, 2.5f);
         std::reverse(island.begin(), island.end());
         return island;
       }()}, {16, -4, 1}},
      {"two nodes are no shape", {{{0, 0, 0}, {1, 0, 0}}}, {}},
      {"no contours", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto loops = TessellateOutline(c.contours, kUp);
    ASSERT_EQ(loops.size(), c.loopAreas.size());
    std::sort(loops.begin(), loops.end(),
              [](const auto& a, const auto& b) { return std::fabs(LoopArea(a)) > std::fabs(LoopArea(b)); });
    for (std::size_t i = 0; i < loops.size(); ++i) EXPECT_NEAR(LoopArea(loops[i]), c.loopAreas[i], 1e-5);
  }
}

TEST(Tessellation, FilledFacesCoverTheRegionFacingTheirNormals) {
  const std::vector<ContourPoints> loops = TessellateOutline(
      std::vector<ContourPoints>{Square(0, 0, 4, 4), Square(1, 1, 2, 2)}, kUp);
  const GeometryBatches top = TessellateFaces(loops, kUp, {ppTop});
  const GeometryBatches bottom = TessellateFaces(loops, kUp, {ppBottom});
  EXPECT_NEAR(FacingArea(top, kUp), 15, 1e-4);
  EXPECT_NEAR(TotalArea(top), 15, 1e-4);
  EXPECT_NEAR(FacingArea(bottom, kDown), 15, 1e-4);
  EXPECT_EQ(NormalsAgainstWinding(top), 0);
  EXPECT_EQ(NormalsAgainstWinding(bottom), 0);
  // Texture coordinates are the points' x and y.
  const GeometryVertex& v = top.front().Vertices.front();
  EXPECT_EQ(v.Tex.S, v.Position[0]);
  EXPECT_EQ(v.Tex.T, v.Position[1]);
  EXPECT_EQ(TessellateFaces(loops, kUp, {ppTop, ppBottom}).size(), top.size() + bottom.size());
}

TEST(TVectorPool, HandsOutEntriesPageByPage) {
  TVectorPool pool(2, 12);
  auto* a = static_cast<char*>(pool.GetNewVector());
  auto* b = static_cast<char*>(pool.GetNewVector());
  EXPECT_EQ(b - a, 12);
  EXPECT_EQ(pool.GetPageCount(), 1);
  pool.GetNewVector();
  EXPECT_EQ(pool.GetPageCount(), 2);
  EXPECT_THROW(TVectorPool(0, 12), EAssertionFailed);
  EXPECT_THROW(TVectorPool(4, 0), EAssertionFailed);
}

TEST(TGLContour, SplinePointsSettersAndName) {
  TGLMultiPolygon shape;
  TGLContour* contour = shape.GetContours()->Add();
  for (int i = 0; i < 4; ++i) contour->GetNodes()->AddNode(static_cast<float>(i), static_cast<float>(i % 2), 0);
  EXPECT_EQ(contour->Points().size(), 4u);
  EXPECT_EQ(contour->GetDisplayName(), "GLContour: 4 nodes");
  contour->SetDescription("yard");
  EXPECT_EQ(contour->GetDisplayName(), "yard");
  contour->SetSplineMode(lsmCubicSpline);
  EXPECT_EQ(contour->Points().size(), 31u);
  contour->SetDivision(0);
  EXPECT_EQ(contour->GetDivision(), 1);
  EXPECT_EQ(contour->Points().size(), 4u);
  // GetPath adds contours up to the index asked for.
  TGLContourNodes* fourth = shape.GetPath(3);
  EXPECT_EQ(fourth, shape.GetContours()->GetItems(3)->GetNodes());
  EXPECT_EQ(shape.GetContours()->GetCount(), 4);
  EXPECT_THROW(shape.GetPath(-1), EAssertionFailed);
}

TEST(TMultiPolygonBase, OutlineIsKeptUntilAContourChanges) {
  Counting<TGLMultiPolygon> shape;
  AddContour(shape, Square(0, 0, 1, 1));
  ASSERT_EQ(shape.GetOutline().GetCount(), 1);
  const TPolygonList* kept = &shape.GetOutline();
  shape.ResetCounts();
  shape.GetContours()->GetItems(0)->SetDescription("no change");
  EXPECT_EQ(&shape.GetOutline(), kept);
  EXPECT_EQ(shape.structure, 0);
  shape.GetContours()->GetItems(0)->GetNodes()->GetItems(2)->SetX(3);
  EXPECT_EQ(shape.structure, 1);
  EXPECT_NEAR(LoopArea(shape.GetOutline().Paths()[0]), 2, 1e-5);
  shape.ResetCounts();
  AddContour(shape, Square(0.25f, 0.25f, 0.75f, 0.75f));
  EXPECT_GE(shape.structure, 1);
  EXPECT_EQ(shape.GetOutline().GetCount(), 2);
  TGLMultiPolygon copy;
  copy.SetParts({ppTop});
  copy.Assign(&shape);
  EXPECT_EQ(copy.GetContours()->GetCount(), 2);
  EXPECT_TRUE(copy.GetParts() == (TPolygonParts{ppTop, ppBottom}));
}

TEST(TGLExtrusionSolid, HouseBaseIsANotchedSlabClosedAndFacingOut) {
  TGLExtrusionSolid solid;
  MakeHouseBase(solid);
  const auto outline = solid.GetOutline().Paths();
  ASSERT_EQ(outline.size(), 1u);
  EXPECT_EQ(outline[0].size(), 8u);
  EXPECT_NEAR(LoopArea(outline[0]), 1 - 0.3 * 0.8, 1e-5);
  const GeometryBatches walls = BuildExtrusionWalls(outline, solid.Shape());
  // One strip of two rows per side of the notched square.
  ASSERT_EQ(walls.size(), 8u);
  for (const GeometryBatch& wall : walls) EXPECT_EQ(wall.Vertices.size(), 4u);
  const GeometryBatches all = solid.Geometry();
  EXPECT_EQ(NormalsAgainstWinding(all), 0);
  EXPECT_NEAR(EnclosedVolume(all), 0.76 * 0.1, 1e-5);
  // The caps: the outline's area at z = 0 facing down and at z = 0.1 up.
  const GeometryBatches caps = BuildExtrusionCaps(outline, solid.Shape(), kUp);
  EXPECT_NEAR(FacingArea(caps, kUp), 0, 1e-5);
  EXPECT_NEAR(TotalArea(caps), 2 * 0.76, 1e-5);
  // An eight-cornered outline without holes fills with six triangles a face.
  EXPECT_EQ(TriangleCount(caps), 2 * 6);
  for (const MeasuredTriangle& t : TrianglesOf(caps)) {
    const float z = t.a.Position[2];
    EXPECT_TRUE(z == 0.0f || std::fabs(z - 0.1f) < 1e-6f);
    EXPECT_EQ(t.a.Normal[2], z == 0.0f ? -1.0f : 1.0f);
  }
}

TEST(TGLExtrusionSolid, PartsDirectionsAndHeightsKeepTheSolidFacingOut) {
  // A 4 x 4 square with a 1 x 1 hole.
  auto holed = [](TExtrusionSolidParts parts, TNormalDirection direction, float height, int stacks) {
    auto solid = std::make_unique<TGLExtrusionSolid>();
    AddContour(*solid, Square(0, 0, 4, 4));
    AddContour(*solid, Square(1, 1, 2, 2));
    solid->SetParts(parts);
    solid->SetNormalDirection(direction);
    solid->SetHeight(height);
    solid->SetStacks(stacks);
    return solid;
  };
  auto expectWalls = [](TGLExtrusionSolid& solid, int count, int stacks) {
    const GeometryBatches walls = BuildExtrusionWalls(solid.GetOutline().Paths(), solid.Shape());
    EXPECT_EQ(static_cast<int>(walls.size()), count);
    for (const GeometryBatch& wall : walls) EXPECT_EQ(wall.Vertices.size(), 2u * (stacks + 1));
  };
  struct Case {
    const char* name;
    TNormalDirection direction;
    float height;
    int stacks;
    double volume;  // signed: negative when turned inside out
    int walls;
  };
  const double area = 16 - 1;
  const Case cases[] = {
      {"closed", ndOutside, 2, 3, 2 * area, 8},
      {"downwards", ndOutside, -2, 1, 2 * area, 8},
      {"inside out", ndInside, 2, 1, -2 * area, 8},
      {"flat", ndOutside, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto solid = holed({espOutside, espStartPolygon, espStopPolygon}, c.direction, c.height, c.stacks);
    const GeometryBatches all = solid->Geometry();
    EXPECT_EQ(NormalsAgainstWinding(all), 0);
    expectWalls(*solid, c.walls, c.stacks);
    EXPECT_NEAR(EnclosedVolume(all), c.volume, 1e-4);
  }
  // Inside walls are the outside walls' other face: with the caps facing out
  // they close nothing, and on their own they enclose the opposite volume.
  auto inside = holed({espInside, espStartPolygon, espStopPolygon}, ndOutside, 2, 1);
  EXPECT_EQ(NormalsAgainstWinding(inside->Geometry()), 0);
  expectWalls(*inside, 8, 1);
  inside->SetParts({espOutside});
  const double outside = EnclosedVolume(inside->Geometry());
  EXPECT_GT(std::fabs(outside), 1.0);
  inside->SetParts({espInside});
  EXPECT_NEAR(EnclosedVolume(inside->Geometry()), -outside, 1e-4);
}

TEST(TGLExtrusionSolid, SmoothingKeepsCornersSharperThanTheSmallestAngle) {
  // Walls whose two columns carry one normal: the faceted ones.
  auto facetedWalls = [](int corners, float minAngle) {
    TGLExtrusionSolid solid;
    ContourPoints polygon;
    for (int i = 0; i < corners; ++i) {
      const double a = 2 * std::numbers::pi * i / corners;
      polygon.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0});
    }
    AddContour(solid, polygon);
    solid.SetNormals(nsSmooth);
    solid.SetMinSmoothAngle(minAngle);
    int faceted = 0;
    for (const GeometryBatch& wall : BuildExtrusionWalls(solid.GetOutline().Paths(), solid.Shape()))
      faceted += AffineVectorEquals(wall.Vertices[0].Normal, wall.Vertices[1].Normal) ? 1 : 0;
    return faceted;
  };
  // Square corners and 11.25-degree corners are sharper than 5 degrees;
  // below 15 degrees every column takes the previous wall's normal.
  EXPECT_EQ(facetedWalls(4, 5), 4);
  EXPECT_EQ(facetedWalls(32, 5), 32);
  EXPECT_EQ(facetedWalls(32, 15), 0);
}

TEST(TGLExtrusionSolid, SettersAndCopies) {
  Counting<TGLExtrusionSolid> solid;
  EXPECT_NEAR(solid.GetMinSmoothAngleCos(), std::cos(5 * std::numbers::pi / 180), 1e-7);
  solid.ResetCounts();
  solid.SetStacks(0);
  solid.SetStacks(-3);
  solid.SetHeight(1);
  solid.SetMinSmoothAngle(30);
  EXPECT_EQ(solid.GetStacks(), 1);
  EXPECT_EQ(solid.structure, 0);
  EXPECT_NEAR(solid.GetMinSmoothAngleCos(), std::sqrt(3.0) / 2, 1e-6);
  solid.SetStacks(4);
  solid.SetHeight(2);
  solid.SetNormalDirection(ndInside);
  EXPECT_EQ(solid.structure, 3);
  AddContour(solid, Square(0, 0, 1, 1));
  TGLExtrusionSolid copy;
  copy.Assign(&solid);
  EXPECT_EQ(copy.GetStacks(), 4);
  EXPECT_EQ(copy.GetNormalDirection(), ndInside);
  EXPECT_EQ(copy.GetContours()->GetCount(), 1);
  // The copy is the whole solid, its height and smoothing angle too.
  EXPECT_EQ(copy.GetHeight(), 2.0f);
  EXPECT_EQ(copy.GetMinSmoothAngle(), 30.0f);
  EXPECT_EQ(copy.GetMinSmoothAngleCos(), solid.GetMinSmoothAngleCos());
}

}  // namespace
