// Lines and points on a real context: pixels where a line or a point of
// known colour and width should be, the NURBS curve and the point arrays
// as GL receives them, and every style handing GL and the state cache back
// as it found them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/gl_recorder.h"
#include "engine/gl_state_cache.h"
#include "objects/dummy_cube.h"
#include "objects/lines.h"
#include "objects/points.h"
#include "tests/support/gl_fixture.h"

namespace {

// The cached capabilities GL has on, as a state set.
TGLStates EnabledInGL() {
  TGLStates on;
  for (int i = 0; i < kGLStateCount; ++i)
    if (GLDriverApi().glIsEnabled(GLStateToEnum(static_cast<TGLState>(i)))) on.Include(static_cast<TGLState>(i));
  return on;
}

// The view is the window in pixels: x and y from the bottom left.
class LinesOnContext : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    ResetGLStateCaches();
    const GLApi& gl = GLDriverApi();
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    gl.glOrtho(0, kWidth, 0, kHeight, -10, 10);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glClearColor(0, 0, 0, 1);
    Rebaseline();
  }
  void TearDown() override {
    root_.reset();
    GLContextTest::TearDown();
  }
  // A fresh frame: cleared, rendered twice (compiled, then replayed), and
  // GL and the cache as they were before.
  void Draw() {
    const GLApi& gl = GLDriverApi();
    const TGLStates gl_before = EnabledInGL();
    const TGLStates cache_before = rci_.GLStates;
    for (int frame = 0; frame < 2; ++frame) {
      gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      root_->Render(rci_);
    }
    ExpectNoStateLeft();
    EXPECT_EQ(EnabledInGL().Bits, gl_before.Bits) << "a capability was left switched";
    EXPECT_EQ(rci_.GLStates.Bits, cache_before.Bits) << "the state cache was left changed";
  }
  TGLLines* HorizontalLine(const TVector4f& colour, float width) {
    auto* line = root_->AddNewChild<TGLLines>();
    line->AddNode(8, 32.5f, 0);
    line->AddNode(56, 32.5f, 0);
    line->GetLineColor()->SetColor(colour);
    line->SetLineWidth(width);
    line->SetNodesAspect(lnaInvisible);
    return line;
  }
  std::unique_ptr<TGLDummyCube> root_ = std::make_unique<TGLDummyCube>();
  TRenderContextInfo rci_;
};

TEST_F(LinesOnContext, LineOfKnownColourAndWidthCoversItsRows) {
  HorizontalLine(clrRed, 5);
  Draw();
  // Width 5 about row 32's centre: rows 30 to 34.
  for (int y : {30, 32, 34}) {
    const auto p = ReadPixel(32, y);
    EXPECT_EQ(p[0], 255) << "row " << y;
    EXPECT_EQ(p[1], 0) << "row " << y;
  }
  for (int y : {28, 36}) EXPECT_EQ(ReadPixel(32, y)[0], 0) << "row " << y;
  // Nothing beyond the end nodes.
  EXPECT_EQ(ReadPixel(4, 32)[0], 0);
  EXPECT_EQ(ReadPixel(60, 32)[0], 0);
}

TEST_F(LinesOnContext, TranslucentLineBlendsAndNodeColoursRunAlongTheLine) {
  HorizontalLine({1, 1, 1, 0.5f}, 3);
  auto* coloured = root_->AddNewChild<TGLLines>();
  coloured->AddNode(8, 12.5f, 0)->GetColor()->SetColor(clrRed);
  coloured->AddNode(56, 12.5f, 0)->GetColor()->SetColor(clrBlue);
  coloured->SetOptions({loUseNodeColorForLines});
  coloured->SetNodesAspect(lnaInvisible);
  Draw();
  const auto half = ReadPixel(32, 32);
  EXPECT_NEAR(half[0], 128, 3);
  EXPECT_NEAR(half[2], 128, 3);
  const auto start = ReadPixel(10, 12), end = ReadPixel(54, 12);
  EXPECT_GT(start[0], 220);
  EXPECT_LT(start[2], 35);
  EXPECT_GT(end[2], 220);
  EXPECT_LT(end[0], 35);
}

TEST_F(LinesOnContext, StippledLineLeavesGaps) {
  HorizontalLine(clrGreen, 1)->SetLinePattern(0x00FF);
  Draw();
  int lit = 0;
  for (int x = 8; x < 56; ++x) lit += ReadPixel(x, 32)[1] > 128 ? 1 : 0;
  // Eight pixels on, eight off.
  EXPECT_GE(lit, 20);
  EXPECT_LE(lit, 28);
}

TEST_F(LinesOnContext, NurbsCurveIsDrawnOnlyWithAKnotPerNodeAndOrder) {
  auto* curve = HorizontalLine(clrRed, 3);
  curve->GetNodes()->GetItems(1)->SetX(24);
  curve->AddNode(40, 32.5f, 0);
  curve->AddNode(56, 32.5f, 0);
  curve->SetSplineMode(lsmNURBSCurve);
  curve->SetNURBSOrder(4);
  // Four control points of order 4 need eight knots: a cubic Bezier.
  for (float k : {0.f, 0.f, 0.f, 0.f, 1.f, 1.f, 1.f, 1.f}) curve->GetNURBSKnots()->Add(k);
  {
    GLCallRecorder calls;
    Draw();
    EXPECT_EQ(calls.Count("gluNurbsCurve"), 1);
    EXPECT_EQ(calls.Count("gluDeleteNurbsRenderer"), calls.Count("gluNewNurbsRenderer"));
  }
  EXPECT_EQ(ReadPixel(32, 32)[0], 255);
  // The knot list is public: whoever edits it rebuilds the line.
  curve->GetNURBSKnots()->SetCount(7);
  curve->StructureChanged();
  GLCallRecorder calls;
  Draw();
  EXPECT_EQ(calls.Count("gluNurbsCurve"), 0);
  EXPECT_EQ(ReadPixel(32, 32)[0], 0);
}

TEST_F(LinesOnContext, LoneNodeDrawsNeitherLineNorMarker) {
  auto* line = root_->AddNewChild<TGLLines>();
  line->AddNode(32, 32, 0);
  line->SetNodesAspect(lnaCube);
  GLCallRecorder calls;
  Draw();
  EXPECT_EQ(calls.Count("glBegin"), 0);
  EXPECT_EQ(calls.Count("glPushAttrib"), 0);
}

TEST_F(LinesOnContext, PointsOfKnownColourAndSize) {
  auto* points = root_->AddNewChild<TGLPoints>();
  points->GetPositions()->Add(20.5f, 20.5f, 0.0f);
  points->GetPositions()->Add(44.5f, 44.5f, 0.0f);
  points->GetColors()->Add(clrGreen);
  points->SetSize(5);
  Draw();
  for (int d : {-2, 0, 2}) {
    EXPECT_EQ(ReadPixel(20 + d, 20)[1], 255);
    EXPECT_EQ(ReadPixel(44, 44 + d)[1], 255);
  }
  EXPECT_EQ(ReadPixel(20, 24)[1], 0);
  EXPECT_EQ(ReadPixel(32, 32)[1], 0);
}

TEST_F(LinesOnContext, PointArraysAsGLReceivesThem) {
  auto* points = root_->AddNewChild<TGLPoints>();
  for (int i = 0; i < 5; ++i) points->GetPositions()->Add(static_cast<float>(i), 0.0f, 0.0f);
  for (int i = 0; i < 3; ++i) points->GetColors()->Add(clrRed);
  {
    GLCallRecorder calls;
    Draw();
    const auto draws = calls.CallsOf("glDrawArrays");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].Args[0], GL_POINTS);
    EXPECT_EQ(draws[0].Args[2], 3);
    EXPECT_EQ(calls.Count("glLockArraysEXT"), 0);
  }
  // Past 64 points the arrays are locked where the driver can.
  for (int i = 0; i < 100; ++i) points->GetColors()->Add(clrRed);
  for (int i = 0; i < 100; ++i) points->GetPositions()->Add(0.0f, static_cast<float>(i), 0.0f);
  GLCallRecorder calls;
  Draw();
  const int locks = GLDriverApi().Extensions.EXT_compiled_vertex_array ? 2 : 0;
  EXPECT_EQ(calls.Count("glLockArraysEXT"), locks);
  EXPECT_EQ(calls.Count("glUnlockArraysEXT"), locks);
}

TEST_F(LinesOnContext, EveryLineAndPointStyleLeavesNoStateBehind) {
  struct Case {
    const char* name;
    std::function<void(TGLDummyCube& root)> build;
  };
  auto line = [](TGLDummyCube& r) {
    auto* l = r.AddNewChild<TGLLines>();
    l->AddNode(10, 10, 0);
    l->AddNode(30, 50, 0);
    l->AddNode(50, 10, 0);
    return l;
  };
  auto points = [](TGLDummyCube& r) {
    auto* p = r.AddNewChild<TGLPoints>();
    for (int i = 0; i < 70; ++i) p->GetPositions()->Add(static_cast<float>(i % 60), 30.0f, 0.0f);
    return p;
  };
  const Case cases[] = {
      {"poly-line with axes markers", [&](TGLDummyCube& r) { line(r); }},
      {"segments with cube markers", [&](TGLDummyCube& r) {
         auto* l = line(r);
         l->SetSplineMode(lsmSegments);
         l->SetNodesAspect(lnaCube);
       }},
      {"stippled smooth cubic spline with dodecahedra", [&](TGLDummyCube& r) {
         auto* l = line(r);
         l->SetSplineMode(lsmCubicSpline);
         l->SetLinePattern(0xF0F0);
         l->SetAntiAliased(true);
         l->SetNodesAspect(lnaDodecahedron);
         l->SetNodeSize(3);
         l->SetOptions({loUseNodeColorForLines});
       }},
      {"translucent Bezier curve", [&](TGLDummyCube& r) {
         auto* l = line(r);
         l->SetSplineMode(lsmBezierSpline);
         l->GetLineColor()->SetAlpha(0.3f);
         l->SetNodesAspect(lnaInvisible);
       }},
      {"square points, one colour, no depth writes", [&](TGLDummyCube& r) {
         auto* p = points(r);
         p->GetColors()->Add(clrRed);
         p->SetNoZWrite(true);
       }},
      {"round points with parameters", [&](TGLDummyCube& r) {
         auto* p = points(r);
         p->SetStyle(psRound);
         p->GetPointParameters()->SetEnabled(true);
         p->GetPointParameters()->SetMaxSize(8);
       }},
      {"smooth points with colours", [&](TGLDummyCube& r) {
         auto* p = points(r);
         for (int i = 0; i < 70; ++i) p->GetColors()->Add(clrGreen);
         p->SetStyle(psSmooth);
       }},
      {"additive points, compiled", [&](TGLDummyCube& r) {
         auto* p = points(r);
         p->SetStyle(psSmoothAdditive);
         p->SetStatic(true);
         points(r)->SetStyle(psSquareAdditive);
       }},
      {"no points at all", [](TGLDummyCube& r) { r.AddNewChild<TGLPoints>(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Inside a pass that already blends and tests depth, as the scene's
    // blended objects are drawn.
    root_ = std::make_unique<TGLDummyCube>();
    rci_ = TRenderContextInfo{};
    SetGLState(rci_.GLStates, stDepthTest);
    SetGLState(rci_.GLStates, stBlend);
    c.build(*root_);
    Draw();
    root_->DestroyHandles();
    UnSetGLState(rci_.GLStates, stDepthTest);
    UnSetGLState(rci_.GLStates, stBlend);
  }
}

}  // namespace
