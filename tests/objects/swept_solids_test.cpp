// Revolution solids, pipes, node polygons and the earth sky dome without
// GL: sweeps, rings and caps, which way they face and what they enclose,
// and the sky model's colours.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/vector_geometry.h"
#include "objects/earth_sky_dome.h"
#include "objects/pipe.h"
#include "objects/polygon.h"
#include "objects/revolution_solid.h"
#include "tests/objects/batch_measure.h"
#include "tests/objects/drawable_test_support.h"

namespace {

const double kPi = std::numbers::pi;

// A square section from x 1 to 2 and y 0 to 1, walked clockwise (seen from
// +z) so that the swept walls face out.
const std::vector<TAffineVector> kSection{{1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 0, 0}, {1, 0, 0}};

double PolygonArea(int n, double r) { return n / 2.0 * r * r * std::sin(2 * kPi / n); }

TEST(RevolutionSolid, FullTurnSweepsItsSlicesJustPastTheStop) {
  RevolutionShape shape;
  const std::vector<TAffineVector> line{{1, 0, 0}, {1, 1, 0}};
  EXPECT_EQ(RevolutionSteps(shape), 16);
  const GeometryBatches strips = BuildRevolutionGeometry(line, shape);
  ASSERT_EQ(strips.size(), 1u);
  ASSERT_EQ(strips[0].Vertices.size(), 2u * 17);
  // The last column stands 0.1 % of the range beyond the stop angle.
  const TAffineVector last = strips[0].Vertices.back().Position;
  const float past = static_cast<float>(2 * kPi / 0.999);
  EXPECT_TRUE(NearVector(last, AffineVectorRotatedAroundY({1, 1, 0}, past), 1e-5f));
  EXPECT_TRUE(BuildRevolutionGeometry({{1, 0, 0}}, shape).empty());
  shape.StopAngle = 0;
  EXPECT_TRUE(BuildRevolutionGeometry(line, shape).empty());
  // Less than half a slice still takes one step.
  shape.StopAngle = 5;
  EXPECT_EQ(RevolutionSteps(shape), 1);
  EXPECT_EQ(BuildRevolutionGeometry(line, shape)[0].Vertices.size(), 4u);
}

TEST(RevolutionSolid, SweptSectionEnclosesItsRingFacingOut) {
  RevolutionShape shape;
  const double step = 2 * kPi / (16 * 0.999);
  // Each step is a ring piece of (R2^2 - R1^2) sin(step) / 2 per unit height.
  const GeometryBatches ring = BuildRevolutionGeometry(kSection, shape);
  EXPECT_EQ(ring.size(), 4u);
  EXPECT_EQ(NormalsAgainstWinding(ring), 0);
  EXPECT_NEAR(EnclosedVolume(ring), 16 * 1.5 * std::sin(step), 1e-4);
  shape.NormalDirection = ndInside;
  EXPECT_NEAR(EnclosedVolume(BuildRevolutionGeometry(kSection, shape)), -16 * 1.5 * std::sin(step), 1e-4);
  // The inside wall is the same surface turned the other way.
  shape.NormalDirection = ndOutside;
  shape.Parts = {rspInside};
  EXPECT_NEAR(EnclosedVolume(BuildRevolutionGeometry(kSection, shape)), -16 * 1.5 * std::sin(step), 1e-4);
}

TEST(RevolutionSolid, CapsCloseAPartialSweepFacingOut) {
  RevolutionShape shape;
  shape.StopAngle = 90;
  shape.Parts = {rspOutside, rspStartPolygon, rspStopPolygon};
  const GeometryBatches solid = BuildRevolutionGeometry(kSection, shape);
  EXPECT_EQ(RevolutionSteps(shape), 4);
  EXPECT_EQ(NormalsAgainstWinding(solid), 0);
  // A quarter of the ring (the walls reach 0.1 % past the stop cap).
  const double step = kPi / 2 / (4 * 0.999);
  EXPECT_NEAR(EnclosedVolume(solid), 4 * 1.5 * std::sin(step), 0.01);
  // The start cap lies in the start plane facing away from the sweep.
  shape.Parts = {rspStartPolygon};
  const GeometryBatches start = BuildRevolutionGeometry(kSection, shape);
  EXPECT_NEAR(FacingArea(start, {0, 0, 1}), 1, 1e-5);
  // Inside out, it faces into the sweep.
  shape.NormalDirection = ndInside;
  EXPECT_NEAR(FacingArea(BuildRevolutionGeometry(kSection, shape), {0, 0, -1}), 1, 1e-5);
}

TEST(RevolutionSolid, HelixRisesPerTurnWithSmoothNormals) {
  RevolutionShape shape;
  shape.StopAngle = 720;
  shape.YOffsetPerTurn = 1;
  shape.Normals = nsSmooth;
  shape.Parts = {rspOutside, rspStopPolygon};
  const GeometryBatches helix = BuildRevolutionGeometry(kSection, shape);
  EXPECT_EQ(RevolutionSteps(shape), 32);
  const GeometryBatch& first = helix.front();
  // The first column, two turns on.
  EXPECT_FLOAT_EQ(first.Vertices[first.Vertices.size() - 2].Position[1] - first.Vertices.front().Position[1], 2);
  // The stop cap sits at the top of the helix: its lowest point 2 up.
  float capLow = 1e9f;
  for (const GeometryVertex& v : helix.back().Vertices) capLow = std::min(capLow, v.Position[1]);
  EXPECT_NEAR(capLow, 2, 1e-5);
  // Later segments share the previous segment's normal on their first column.
  EXPECT_TRUE(AffineVectorEquals(helix[1].Vertices[0].Normal, helix[0].Vertices[1].Normal));
}

TEST(TGLRevolutionSolid, AnglesKeepTheirOrderAndSettersSignal) {
  Counting<TGLRevolutionSolid> solid;
  solid.ResetCounts();
  solid.SetSlices(0);
  solid.SetStopAngle(360);
  EXPECT_EQ(solid.GetSlices(), 16);
  EXPECT_EQ(solid.structure, 0);
  EXPECT_FALSE(solid.IsStopAngleStored());
  solid.SetStartAngle(400);
  EXPECT_EQ(solid.GetStopAngle(), 400.0f);
  solid.SetStopAngle(100);
  EXPECT_EQ(solid.GetStartAngle(), 100.0f);
  EXPECT_TRUE(solid.IsStopAngleStored());
  solid.AddNode({1, 0, 0});
  solid.AddNode({1, 1, 0});
  solid.SetStopAngle(190);
  solid.SetSplineMode(lsmCubicSpline);
  solid.SetDivision(3);
  // Three profile segments of the spline, each swept on its own.
  EXPECT_EQ(solid.Geometry().size(), 3u);
  TGLRevolutionSolid copy;
  copy.Assign(&solid);
  EXPECT_EQ(copy.GetStartAngle(), 100.0f);
  EXPECT_EQ(copy.GetDivision(), 3);
  EXPECT_EQ(copy.GetNodes()->GetCount(), 2);
}

std::vector<PipeNode> PipeAlongZ(int count) {
  std::vector<PipeNode> nodes;
  for (int i = 0; i < count; ++i) nodes.push_back({{0, 0, static_cast<float>(i)}, 1, {0, 0, 0, 1}});
  return nodes;
}

TEST(Pipe, StraightPipeIsAClosedPrismOfRings) {
  PipeShape shape;
  shape.Slices = 8;
  shape.Radius = 0.5f;
  shape.Parts = {ppOutside, ppStartDisk, ppStopDisk};
  const GeometryBatches pipe = BuildPipeGeometry(PipeAlongZ(3), shape);
  // A disk, two walls of 9 point pairs, a disk.
  ASSERT_EQ(pipe.size(), 4u);
  EXPECT_EQ(pipe[1].Vertices.size(), 18u);
  EXPECT_EQ(pipe[0].Kind, PrimitiveKind::TriangleFan);
  EXPECT_EQ(NormalsAgainstWinding(pipe), 0);
  EXPECT_NEAR(EnclosedVolume(pipe), 2 * PolygonArea(8, 0.5), 1e-4);
  for (const GeometryBatch& b : pipe)
    for (const GeometryVertex& v : b.Vertices) EXPECT_NEAR(VectorLength(v.Normal), 1, 1e-5);
  // Along z the ring is built from the x axis: its first point lies on -y.
  const PipeRing ring = MakePipeRing({0, 0, 0}, {0, 0, 1}, 1, 0.5f, 8);
  EXPECT_TRUE(NearVector(ring.Positions[0], {0, -0.5f, 0}));
  EXPECT_TRUE(NearVector(ring.Positions[8], ring.Positions[0], 0));
  // The inside wall faces the axis.
  shape.Parts = {ppInside};
  const GeometryBatches inside = BuildPipeGeometry(PipeAlongZ(3), shape);
  EXPECT_EQ(NormalsAgainstWinding(inside), 0);
  for (const MeasuredTriangle& t : TrianglesOf(inside)) {
    const TAffineVector w = t.Winding();
    EXPECT_LT(w[0] * t.a.Position[0] + w[1] * t.a.Position[1], 0);
  }
}

TEST(Pipe, OneNodeDrawsOnlyItsDisksAndFactorsScaleTheRings) {
  PipeShape shape;
  shape.Parts = {ppOutside, ppStartDisk, ppStopDisk};
  const GeometryBatches lone = BuildPipeGeometry(PipeAlongZ(1), shape);
  ASSERT_EQ(lone.size(), 2u);
  for (const GeometryBatch& b : lone) EXPECT_EQ(b.Kind, PrimitiveKind::TriangleFan);
  EXPECT_TRUE(BuildPipeGeometry({}, shape).empty());
  std::vector<PipeNode> nodes = PipeAlongZ(3);
  nodes[1].RadiusFactor = 2;
  shape.Parts = {ppOutside};
  const GeometryBatches walls = BuildPipeGeometry(nodes, shape);
  // The second ring (odd places of the first wall's strip... the current
  // ring comes first) lies twice as far out.
  for (std::size_t k = 0; k < walls[0].Vertices.size(); k += 2) {
    const TAffineVector p = walls[0].Vertices[k].Position;
    EXPECT_NEAR(std::hypot(p[0], p[1]), 2.0, 1e-5);
  }
  // With splines the factor varies smoothly between the nodes.
  shape.SplineMode = lsmCubicSpline;
  shape.Division = 4;
  const GeometryBatches smooth = BuildPipeGeometry(nodes, shape);
  ASSERT_EQ(smooth.size(), 8u);
  const TAffineVector quarter = smooth[0].Vertices[0].Position;
  const double radius = std::hypot(quarter[0], quarter[1]);
  EXPECT_GT(radius, 1.0);
  EXPECT_LT(radius, 2.0);
}

TEST(Pipe, NodeColoursRideAlongWithAColourMode) {
  std::vector<PipeNode> nodes = PipeAlongZ(2);
  nodes[0].Color = clrRed;
  nodes[1].Color = clrGreen;
  PipeShape shape;
  shape.Parts = {ppOutside, ppStopDisk};
  EXPECT_TRUE(BuildPipeGeometry(nodes, shape)[0].Colors.empty());
  shape.NodesColorMode = pncmDiffuse;
  const GeometryBatches coloured = BuildPipeGeometry(nodes, shape);
  ASSERT_EQ(coloured[0].Colors.size(), coloured[0].Vertices.size());
  EXPECT_TRUE(NearVector(coloured[0].Colors[0], clrGreen));
  EXPECT_TRUE(NearVector(coloured[0].Colors[1], clrRed));
  EXPECT_TRUE(NearVector(coloured[1].Colors[0], clrGreen));
}

TEST(Pipe, TwistedRingTurnsBackToMatchThePrevious) {
  const PipeRing previous = MakePipeRing({0, 0, 0}, {0, 0, 1}, 1, 1, 8);
  PipeRing current = MakePipeRing({0, 0, 1}, {0, 0, 1}, 1, 1, 8);
  std::rotate(current.Normals.begin(), current.Normals.begin() + 3, current.Normals.end() - 1);
  std::rotate(current.Positions.begin(), current.Positions.begin() + 3, current.Positions.end() - 1);
  current.Normals[8] = current.Normals[0];
  current.Positions[8] = current.Positions[0];
  UntwistPipeRing(previous, current);
  for (int k = 0; k <= 8; ++k) EXPECT_TRUE(NearVector(current.Normals[k], previous.Normals[k]));
  EXPECT_TRUE(NearVector(current.Positions[8], current.Positions[0], 0));
}

TEST(TGLPipe, NodesSettersAndCopies) {
  Counting<TGLPipe> pipe;
  pipe.ResetCounts();
  pipe.SetSlices(0);
  EXPECT_EQ(pipe.GetSlices(), 16);
  EXPECT_EQ(pipe.structure, 0);
  TGLPipeNode* node = pipe.AddPipeNode({1, 2, 3});
  EXPECT_TRUE(NearVector(node->GetColor()->GetColor(), {0, 0, 0, 1}));
  pipe.ResetCounts();
  node->SetRadiusFactor(2);
  node->GetColor()->SetColor(clrRed);
  EXPECT_EQ(pipe.structure, 2);
  EXPECT_EQ(node->GetDisplayName(), "1.0000; 2.0000; 3.0000 / rf = 2.000");
  pipe.SetRadius(0.25f);
  pipe.SetNodesColorMode(pncmEmission);
  TGLPipe copy;
  copy.Assign(&pipe);
  EXPECT_EQ(copy.GetRadius(), 0.25f);
  EXPECT_EQ(copy.GetNodesColorMode(), pncmEmission);
  ASSERT_EQ(copy.GetNodes()->GetCount(), 1);
  EXPECT_EQ(copy.GetPipeNodes()->GetItems(0)->GetRadiusFactor(), 2.0f);
  EXPECT_TRUE(NearVector(copy.GetPipeNodes()->GetItems(0)->GetColor()->GetColor(), clrRed));
  EXPECT_TRUE(NearVector(copy.GetNodes()->GetItems(0)->GetAsAffineVector(), {1, 2, 3}));
}

TEST(TGLPolygon, FacesOfSquaresSplinesAndAReflexFirstCorner) {
  TGLPolygon polygon;
  polygon.AddNode({0, 0, 0});
  EXPECT_TRUE(polygon.Geometry().empty());
  polygon.AddNode({2, 0, 0});
  polygon.AddNode({2, 2, 0});
  polygon.AddNode({0, 2, 0});
  const GeometryBatches both = polygon.Geometry();
  EXPECT_EQ(TriangleCount(both), 4);
  EXPECT_NEAR(FacingArea(both, {0, 0, 1}), 0, 1e-5);
  EXPECT_NEAR(TotalArea(both), 8, 1e-5);
  polygon.SetParts({ppTop});
  EXPECT_NEAR(FacingArea(polygon.Geometry(), {0, 0, 1}), 4, 1e-5);
  // An L whose first three nodes turn the other way: the top faces along
  // their normal (-z) and is still filled.
  TGLPolygon l;
  for (const TAffineVector& p : std::vector<TAffineVector>{{2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}})
    l.AddNode(p);
  l.SetParts({ppTop});
  EXPECT_NEAR(FacingArea(l.Geometry(), {0, 0, -1}), 3, 1e-5);
  l.SetParts({ppBottom});
  EXPECT_NEAR(FacingArea(l.Geometry(), {0, 0, 1}), 3, 1e-5);
  // A spline through the nodes bulges past the sides of their square.
  polygon.SetSplineMode(lsmCubicSpline);
  EXPECT_GT(FacingArea(polygon.Geometry(), {0, 0, 1}), 4.0);
}

TEST(EarthSkyDome, ModelColoursClampsAndRings) {
  TGLEarthSkyDome dome;
  EXPECT_EQ(dome.GetBands()->GetCount(), 0);
  dome.SetSunElevation(200);
  EXPECT_EQ(dome.GetSunElevation(), 90.0f);
  dome.SetTurbidity(0);
  EXPECT_EQ(dome.GetTurbidity(), 1.0f);
  dome.SetSlices(2);
  dome.SetStacks(0);
  EXPECT_EQ(dome.GetSlices(), 6);
  EXPECT_EQ(dome.GetStacks(), 1);
  // A sun on the horizon is yellow (f = 1); at the zenith f = e^(-3 pi / 2).
  EXPECT_TRUE(NearVector(EarthSkyModelFor(0, 15).SunColor, {1, 1, 0, 1}));
  EXPECT_NEAR(EarthSkyModelFor(90, 15).SunColor[2], 1 - std::exp(-1.5 * kPi), 1e-6);
  // The sun at 75 degrees (zenith angle 15): g = 1 - cos(15 deg - 0.5).
  const EarthSkyModel model = EarthSkyModelFor(75, 15);
  const double g = 1 - std::cos(15 * kPi / 180 - 0.5);
  EXPECT_TRUE(NearVector(model.SkyColor, {0, 0, static_cast<float>(1 - g), 1}));
  EXPECT_TRUE(NearVector(model.HazeColor, {static_cast<float>(1 - g), static_cast<float>(1 - g), static_cast<float>(1 - g), 1}));
  EXPECT_NEAR(model.HazeTurbidity, -2 * std::sqrt(106.0), 1e-5);
  EXPECT_EQ(model.SunTurbidity, -106.0f);
  const auto rings = BuildEarthSkyGeometry(model, 48, 24);
  ASSERT_EQ(rings.size(), 24u);
  EXPECT_EQ(rings.back().Mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
  // The zenith is almost the sky colour; the horizon away from the sun is
  // the haze colour.
  EXPECT_TRUE(NearVector(rings.back().Colors[0], model.SkyColor, 1e-3f));
  const auto& horizon = rings.front();
  for (std::size_t i = 0; i < horizon.Vertices.size(); ++i) {
    if (horizon.Vertices[i][2] != 0 || horizon.Vertices[i][0] > -0.99f) continue;
    EXPECT_TRUE(NearVector(horizon.Colors[i], model.HazeColor, 1e-5f));
  }
  // Towards the sun the horizon takes the sun's colour.
  const EarthSkyModel low = EarthSkyModelFor(0, 15);
  EXPECT_TRUE(NearVector(EarthSkyColor(low, {1, 0, 0}, 0), low.SunColor, 1e-5f));
}

}  // namespace
