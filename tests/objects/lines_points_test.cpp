// Lines and points without GL: the paths the spline modes draw, the node
// colours and their recolouring, setters, copies, extents, the points'
// stored parameters and how many points a draw sends.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "objects/lines.h"
#include "objects/points.h"
#include "tests/objects/drawable_test_support.h"

namespace {

std::vector<LineNode> Nodes(std::initializer_list<TAffineVector> points, const TVector4f& colour = clrBlue) {
  std::vector<LineNode> nodes;
  for (const TAffineVector& p : points) nodes.push_back({p, colour});
  return nodes;
}

TEST(LinePath, SplineModesAndDivisions) {
  const auto three = Nodes({{0, 0, 0}, {1, 2, 0}, {3, 0, 1}});
  struct Case {
    const char* name;
    std::vector<LineNode> nodes;
    TLineSplineMode mode;
    int division;
    PrimitiveKind kind;
    std::size_t vertices;
  };
  const Case cases[] = {
      {"one node draws nothing", Nodes({{1, 1, 1}}), lsmCubicSpline, 10, PrimitiveKind::LineStrip, 0},
      {"poly-line", three, lsmLines, 10, PrimitiveKind::LineStrip, 3},
      {"segments pair the nodes", three, lsmSegments, 10, PrimitiveKind::Lines, 3},
      {"cubic spline", three, lsmCubicSpline, 10, PrimitiveKind::LineStrip, 21},
      {"Bezier curve", three, lsmBezierSpline, 4, PrimitiveKind::LineStrip, 5},
      {"cubic spline of division 1", three, lsmCubicSpline, 1, PrimitiveKind::LineStrip, 3},
      {"Bezier curve of division 1", three, lsmBezierSpline, 1, PrimitiveKind::LineStrip, 3},
      {"NURBS curve of division 1", three, lsmNURBSCurve, 1, PrimitiveKind::LineStrip, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LinePath path = BuildLinePath(c.nodes, c.mode, c.division, false);
    ASSERT_EQ(path.Vertices.size(), c.vertices);
    if (c.vertices == 0) continue;
    EXPECT_EQ(path.Kind, c.kind);
    // Every mode starts and ends exactly on the end nodes.
    EXPECT_TRUE(NearVector(path.Vertices.front().Position, c.nodes.front().Position, 0));
    EXPECT_TRUE(NearVector(path.Vertices.back().Position, c.nodes.back().Position, 0));
    if (c.vertices == c.nodes.size()) {
      for (std::size_t i = 0; i < c.vertices; ++i) EXPECT_TRUE(NearVector(path.Vertices[i].Position, c.nodes[i].Position, 0));
    }
  }
  EXPECT_TRUE(DrawsAsNurbs(lsmNURBSCurve, 2));
  EXPECT_FALSE(DrawsAsNurbs(lsmNURBSCurve, 1));
  EXPECT_FALSE(DrawsAsNurbs(lsmCubicSpline, 10));
}

TEST(LinePath, CubicSplinePassesThroughEveryNodeAndBlendsNodeColours) {
  std::vector<LineNode> nodes = {{{0, 0, 0}, clrRed}, {{1, 2, 0}, clrGreen}, {{3, 0, 1}, clrBlue}};
  const LinePath path = BuildLinePath(nodes, lsmCubicSpline, 2, true);
  ASSERT_EQ(path.Vertices.size(), 5u);
  EXPECT_TRUE(path.VertexColors);
  EXPECT_TRUE(NearVector(path.Vertices[2].Position, nodes[1].Position));
  // Halfway between red and green, then green, halfway to blue, blue.
  EXPECT_TRUE(NearVector(path.Vertices[1].Color, {0.5f, 0.5f, 0, 1}));
  EXPECT_TRUE(NearVector(path.Vertices[2].Color, clrGreen));
  EXPECT_TRUE(NearVector(path.Vertices[3].Color, {0, 0.5f, 0.5f, 1}));
  EXPECT_TRUE(NearVector(path.Vertices[4].Color, clrBlue));
  // The Bezier curve never takes node colours; a poly-line does when asked.
  EXPECT_FALSE(BuildLinePath(nodes, lsmBezierSpline, 4, true).VertexColors);
  EXPECT_TRUE(BuildLinePath(nodes, lsmLines, 4, true).VertexColors);
  EXPECT_FALSE(BuildLinePath(nodes, lsmLines, 4, false).VertexColors);
}

TEST(LinePath, BezierCurveFollowsTheBernsteinWeights) {
  // Quadratic: B(t) = (1-t)^2 P0 + 2t(1-t) P1 + t^2 P2; at t = 1/2 the
  // weights are 1/4, 1/2, 1/4.
  const auto nodes = Nodes({{0, 0, 0}, {2, 4, 0}, {4, 0, 2}});
  const LinePath path = BuildLinePath(nodes, lsmBezierSpline, 2, false);
  ASSERT_EQ(path.Vertices.size(), 3u);
  EXPECT_TRUE(NearVector(path.Vertices[1].Position, {2, 2, 0.5f}));
  // More control points than GL's evaluator takes still make a curve from
  // the first node to the last.
  std::vector<LineNode> many;
  for (int i = 0; i < 40; ++i) many.push_back({{static_cast<float>(i), 0, 0}, clrBlue});
  const LinePath long_path = BuildLinePath(many, lsmBezierSpline, 10, false);
  ASSERT_EQ(long_path.Vertices.size(), 11u);
  // Control points evenly spaced on a line give a curve evenly spaced too.
  EXPECT_NEAR(long_path.Vertices[5].Position[0], 19.5f, 1e-3f);
  EXPECT_TRUE(NearVector(long_path.Vertices.back().Position, {39, 0, 0}, 1e-4f));
}

TEST(LinePath, HugeDivisionStaysWithinTheVertexBudget) {
  const auto nodes = Nodes({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
  for (TLineSplineMode mode : {lsmCubicSpline, lsmBezierSpline}) {
    const LinePath path = BuildLinePath(nodes, mode, INT_MAX, false);
    EXPECT_LE(static_cast<long long>(path.Vertices.size()), kMaxSplineVertices);
    EXPECT_GT(path.Vertices.size(), 1000u);
    EXPECT_TRUE(NearVector(path.Vertices.back().Position, {2, 0, 0}, 1e-4f));
  }
}

TEST(TGLLines, SettersClampAndSignalOnlyOnChange) {
  Counting<TGLLines> lines;
  EXPECT_EQ(lines.GetDivision(), 10);
  EXPECT_EQ(lines.GetNodesAspect(), lnaAxes);
  EXPECT_EQ(lines.GetLinePattern(), 0xFFFF);
  EXPECT_TRUE(NearVector(lines.GetLineColor()->GetColor(), clrWhite));
  EXPECT_TRUE(NearVector(lines.GetNodeColor()->GetColor(), clrBlue));
  EXPECT_EQ(lines.GetNURBSTolerance(), 50.0f);
  lines.ResetCounts();
  lines.SetDivision(10);
  lines.SetSplineMode(lsmLines);
  lines.SetLinePattern(0xFFFF);
  lines.SetLineWidth(1);
  lines.SetAntiAliased(false);
  lines.SetNodesAspect(lnaAxes);
  EXPECT_EQ(lines.structure, 0);
  lines.SetDivision(0);
  EXPECT_EQ(lines.GetDivision(), 1);
  lines.SetNodeSize(-2);
  EXPECT_EQ(lines.GetNodeSize(), 1.0f);
  EXPECT_FALSE(lines.IsNodeSizeStored());
  lines.SetNodeSize(0.25f);
  EXPECT_TRUE(lines.IsNodeSizeStored());
  lines.ResetCounts();
  // These always signal, even with the same value.
  lines.SetOptions({});
  lines.SetNodeSize(0.25f);
  EXPECT_EQ(lines.structure, 2);
  EXPECT_FALSE(lines.IsLineWidthStored());
  lines.SetLineWidth(3);
  EXPECT_TRUE(lines.IsLineWidthStored());
}

class RecolouredLine : public ::testing::Test {
protected:
  void SetUp() override {
    lines.AddNode(0, 0, 0);
    lines.AddNode(1, 0, 0)->GetColor()->SetColor(clrGreen);
    lines.AddNode(2, 1, 0);
  }
  TVector4f ColourOf(int i) const { return lines.GetNodes()->GetItems(i)->GetColor()->GetColor(); }
  TGLLines lines;
};

TEST_F(RecolouredLine, NodeColourChangeMovesOnlyTheNodesThatStillHadIt) {
  EXPECT_TRUE(NearVector(ColourOf(0), clrBlue));
  EXPECT_FALSE(lines.GetNodes()->GetItems(0)->IsColorStored());
  EXPECT_TRUE(lines.GetNodes()->GetItems(1)->IsColorStored());
  const TGLColor red(nullptr, clrRed);
  lines.SetNodeColor(&red);
  EXPECT_TRUE(NearVector(ColourOf(0), clrRed));
  EXPECT_TRUE(NearVector(ColourOf(1), clrGreen));
  EXPECT_TRUE(NearVector(ColourOf(2), clrRed));
  EXPECT_FALSE(lines.GetNodes()->GetItems(2)->IsColorStored());
  // New nodes take the new colour; a later change follows from red.
  lines.AddNode(5, 5, 5);
  EXPECT_TRUE(NearVector(ColourOf(3), clrRed));
  lines.GetNodeColor()->SetColor(clrWhite);
  EXPECT_TRUE(NearVector(ColourOf(3), clrWhite));
  EXPECT_TRUE(NearVector(ColourOf(1), clrGreen));
}

TEST_F(RecolouredLine, AssignCopiesNodesWithTheirPointsAndColoursButKeepsOptions) {
  lines.SetDivision(4);
  lines.SetSplineMode(lsmCubicSpline);
  lines.SetLinePattern(0x0F0F);
  lines.GetLineColor()->SetColor({0.5f, 0.5f, 0.5f, 0.1f});
  lines.GetPosition()->SetPoint(7, 7, 7);
  TGLLines copy;
  copy.SetOptions({loUseNodeColorForLines});
  copy.Assign(&lines);
  EXPECT_EQ(copy.GetDivision(), 4);
  EXPECT_EQ(copy.GetSplineMode(), lsmCubicSpline);
  EXPECT_EQ(copy.GetLinePattern(), 0x0F0F);
  EXPECT_TRUE(NearVector(copy.GetLineColor()->GetColor(), {0.5f, 0.5f, 0.5f, 0.1f}));
  EXPECT_TRUE(copy.GetOptions().Contains(loUseNodeColorForLines));
  // The line style's copy is not a scene object's: the position stays.
  EXPECT_TRUE(NearVector(copy.GetPosition()->AsVector(), {0, 0, 0, 1}));
  ASSERT_EQ(copy.GetNodes()->GetCount(), 3);
  EXPECT_TRUE(NearVector(copy.GetNodes()->GetItems(2)->GetAsAffineVector(), {2, 1, 0}));
  EXPECT_TRUE(NearVector(copy.GetNodes()->GetItems(1)->GetColor()->GetColor(), clrGreen));
  // A node copied from a plain node takes its coordinates only.
  TGLNode plain;
  plain.SetDirect({3, 4, 5, 0});
  copy.GetNodes()->GetItems(0)->Assign(&plain);
  EXPECT_TRUE(NearVector(copy.GetNodes()->GetItems(0)->GetAsAffineVector(), {3, 4, 5}));
  EXPECT_TRUE(NearVector(copy.GetNodes()->GetItems(0)->GetColor()->GetColor(), clrBlue));
}

TEST(TGLNodedLines, NodeChangesRebuildAndExtentsAreTheLargestCoordinates) {
  Counting<TGLNodedLines> lines;
  EXPECT_TRUE(NearVector(lines.AxisAlignedDimensionsUnscaled(), {0, 0, 0, 0}));
  lines.AddNode(1, -3, 2);
  lines.AddNode(-2, 1, 0);
  lines.ResetCounts();
  lines.GetNodes()->GetItems(1)->SetW(-5);
  EXPECT_EQ(lines.structure, 1);
  lines.ResetCounts();
  lines.GetNodes()->GetItems(0)->GetColor()->SetColor(clrRed);
  EXPECT_EQ(lines.structure, 1);
  EXPECT_TRUE(NearVector(lines.AxisAlignedDimensionsUnscaled(), {2, 3, 2, 5}));
}

TEST(TGLLinesNodes, NodesOutsideALineTakeBlue) {
  TGLLinesNodes loose;
  TGLLinesNode* node = static_cast<TGLLinesNode*>(loose.Add());
  EXPECT_TRUE(NearVector(node->GetColor()->GetColor(), clrBlue));
  TGLNodedLines lines;
  lines.GetNodeColor()->SetColor(clrGreen);
  EXPECT_TRUE(NearVector(lines.AddNode(0, 0, 0)->GetColor()->GetColor(), clrGreen));
}

TEST(TGLPointParameters, SizesClampAndAreStoredAsOneRawProperty) {
  TGLPointParameters parameters;
  EXPECT_FALSE(parameters.WritePointParamsData().has_value());
  parameters.SetMinSize(-1);
  EXPECT_EQ(parameters.GetMinSize(), 0.0f);
  EXPECT_FALSE(parameters.WritePointParamsData().has_value());
  parameters.SetMinSize(2);
  parameters.SetMaxSize(64);
  // 2.0, 64.0 and 1.0 as little-endian IEEE singles.
  const std::array<std::uint8_t, 12> bytes{0, 0, 0, 0x40, 0, 0, 0x80, 0x42, 0, 0, 0x80, 0x3F};
  ASSERT_TRUE(parameters.WritePointParamsData().has_value());
  EXPECT_EQ(*parameters.WritePointParamsData(), bytes);
  TGLPointParameters read;
  EXPECT_FALSE(read.ReadPointParamsData(std::span<const std::uint8_t>(bytes.data(), 11)));
  EXPECT_EQ(read.GetMaxSize(), 128.0f);
  ASSERT_TRUE(read.ReadPointParamsData(bytes));
  EXPECT_EQ(read.GetMinSize(), 2.0f);
  EXPECT_EQ(read.GetMaxSize(), 64.0f);
  // A copy takes sizes and attenuation, not the switch.
  parameters.SetEnabled(true);
  parameters.GetDistanceAttenuation()->SetVector(0, 1, 0);
  TGLPointParameters copy;
  copy.Assign(&parameters);
  EXPECT_FALSE(copy.GetEnabled());
  EXPECT_EQ(copy.GetMinSize(), 2.0f);
  EXPECT_EQ(copy.GetDistanceAttenuation()->GetY(), 1.0f);
}

TEST(TGLPoints, PointsDrawnFollowPositionsAndColours) {
  using Source = PointsDrawPlan::ColorSource;
  struct Case {
    int positions, colours;
    int drawn;
    Source source;
    bool origin;
  };
  const Case cases[] = {
      {0, 0, 1, Source::White, true}, {5, 0, 5, Source::White, false},  {5, 1, 5, Source::One, false},
      {5, 3, 3, Source::PerPoint, false}, {2, 7, 2, Source::PerPoint, false}, {0, 3, 1, Source::PerPoint, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.positions << " positions, " << c.colours << " colours");
    const PointsDrawPlan plan = PlanPoints(c.positions, c.colours);
    EXPECT_EQ(plan.Count, c.drawn);
    EXPECT_EQ(plan.Colors, c.source);
    EXPECT_EQ(plan.AtOrigin, c.origin);
  }
}

TEST(TGLPoints, StaticSwitchesBetweenDirectDrawAndTheListAndSettersSignal) {
  Counting<TGLPoints> points;
  EXPECT_TRUE(points.GetObjectStyle() & sosDirectDraw);
  EXPECT_TRUE(points.GetObjectStyle() & sosNoVisibilityCulling);
  points.ResetCounts();
  points.SetSize(1);
  points.SetStyle(psSquare);
  points.SetStatic(false);
  EXPECT_EQ(points.structure, 0);
  points.SetStatic(true);
  EXPECT_FALSE(points.GetObjectStyle() & sosDirectDraw);
  points.SetStatic(false);
  EXPECT_TRUE(points.GetObjectStyle() & sosDirectDraw);
  EXPECT_EQ(points.structure, 2);
  points.ResetCounts();
  points.GetPointParameters()->SetMaxSize(10);
  EXPECT_EQ(points.notify, 1);
  EXPECT_EQ(points.structure, 0);
}

TEST(TGLPoints, AssignCopiesSizeStylePositionsAndColours) {
  TGLPoints source;
  source.GetPositions()->Add(1.0f, 2.0f, 3.0f);
  source.GetColors()->Add(clrRed);
  source.SetSize(4);
  source.SetStyle(psSmoothAdditive);
  source.SetNoZWrite(true);
  TGLPoints copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetSize(), 4.0f);
  EXPECT_TRUE(copy.IsSizeStored());
  EXPECT_EQ(copy.GetStyle(), psSmoothAdditive);
  EXPECT_FALSE(copy.GetNoZWrite());
  ASSERT_EQ(copy.GetPositions()->GetCount(), 1);
  EXPECT_TRUE(NearVector((*copy.GetPositions())[0], {1, 2, 3}));
  ASSERT_EQ(copy.GetColors()->GetCount(), 1);
  EXPECT_TRUE(NearVector((*copy.GetColors())[0], clrRed));
}

}  // namespace
