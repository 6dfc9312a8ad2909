// Function graphs without a context: where an axis's samples start and how
// many there are, the height field's strips, normals and presets, and the
// axis grid's lines.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/gl_recorder.h"
#include "engine/vector_geometry.h"
#include "objects/height_field.h"
#include "objects/height_field_geometry.h"
#include "objects/xyz_grid.h"
#include "tests/objects/drawable_test_support.h"
#include "tests/objects/geometry_expect.h"
#include "tests/support/null_gl.h"

namespace {

TEST(SamplingScale, SamplesAlignToTheOriginFromTheFirstOneInRange) {
  struct Case {
    float min, max, origin, step;
    float base;
    int count;
  };
  const Case cases[] = {
      {0, 1, 0.05f, 0.1f, 0.05f, 10},
      {0, 1, -0.05f, 0.1f, 0.05f, 10},
      {0, 1, 0.25f, 0.1f, 0.05f, 10},
      {0, 1, 0, 0.1f, 0, 10},
      {0, 5, -1, 0.5f, 0, 10},    // an origin whole steps below Min starts at Min; 10.5 rounds to 10
      {0, 5.5f, 7, 0.5f, 0, 12},  // 11.5 rounds to 12
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.origin);
    TGLSamplingScale scale;
    scale.SetMax(c.max);
    scale.SetMin(c.min);
    scale.SetOrigin(c.origin);
    scale.SetStep(c.step);
    EXPECT_NEAR(scale.SampleBase(), c.base, 1e-6f);
    EXPECT_EQ(scale.SampleCount(), c.count);
  }
}

TEST(SamplingScale, SettersKeepTheRangeAndTheStepSound) {
  Counting<TGLHeightField> field;
  TGLSamplingScale& scale = *field.GetXSamplingScale();
  field.ResetCounts();
  scale.SetMin(3);
  EXPECT_EQ(scale.GetMax(), 3.0f);
  EXPECT_FALSE(scale.HasRange());
  scale.SetMax(-1);
  EXPECT_EQ(scale.GetMin(), -1.0f);
  scale.SetStep(0);
  EXPECT_EQ(scale.GetStep(), 1.0f);
  EXPECT_EQ(field.structure, 3);
  float base, step, max;
  scale.SetOrigin(0.5f);
  scale.GetSamplingRange(base, step, max, false);
  EXPECT_EQ(base, 0.5f);
  EXPECT_EQ(max, 0.5f);
}

TEST(HeightFieldStrips, TwoVerticesPerSampleForEachPairOfRows) {
  const SamplingRange x{0, 0.25f, 1.000001f}, y{0, 0.25f, 0.500001f};
  const auto strips = BuildHeightFieldStrips(x, 100, y, BuiltInHeightFunction);
  ASSERT_EQ(strips.size(), 2u);
  for (const auto& strip : strips) EXPECT_EQ(strip.size(), 10u);
  // The built-in ripple: z = cos(12 d) / ((6.28 d + 1) 2) with d = x^2 + y^2.
  auto ripple = [](float x, float y) {
    const double d = double(x) * x + double(y) * y;
    return static_cast<float>(std::cos(12 * d) / ((6.28 * d + 1) * 2));
  };
  // Upper row first, then lower and upper in turn.
  EXPECT_TRUE(NearVector(strips[0][0].Position, {0, 0.25f, ripple(0, 0.25f), 1}));
  EXPECT_TRUE(NearVector(strips[0][1].Position, {0, 0, 0.5f, 1}));  // the ripple's top at the origin
  EXPECT_TRUE(NearVector(strips[0][2].Position, {0.25f, 0.25f, ripple(0.25f, 0.25f), 1}));
  EXPECT_TRUE(NearVector(strips[1][9].Position, {1, 0.25f, ripple(1, 0.25f), 1}));
  EXPECT_TRUE(NearVector(strips[0][1].Color, {0.8f, 0.8f, 0.8f, 1}));

  EXPECT_TRUE(BuildHeightFieldStrips(x, 100, {0, 0.25f, 0.1f}, BuiltInHeightFunction).empty());
}

TEST(HeightFieldStrips, NormalsOfAPlaneComeFromTheDifferencesToTheNeighbours) {
  // z = 0.5 x + 0.25 y over 3 x 3 samples of step 1: an inner sample sums
  // two differences on each axis, the corner has one of each.
  const auto plane = [](float x, float y, float& z, TVector4f&, TTexPoint&) { z = 0.5f * x + 0.25f * y; };
  const auto strips = BuildHeightFieldStrips({0, 1, 2.5f}, 3, {0, 1, 2.5f}, plane);
  ASSERT_EQ(strips.size(), 2u);
  // Strip 0: the upper row is row 1, whose middle sample is vertex 2.
  EXPECT_TRUE(NearVector(strips[0][2].Normal, AffineVectorNormalized({-1, -0.5f, 1})));
  // The lower row's first sample is the corner (0, 0).
  EXPECT_TRUE(NearVector(strips[0][1].Normal, AffineVectorNormalized({-0.5f, -0.25f, 1})));
}

TEST(HeightFieldStrips, NeverMoreSamplesThanRecordsAndEveryOneStartsAfresh) {
  // A thousandth over 0..100: the range's tolerance reaches a hundred
  // samples past the last record.
  TGLSamplingScale scale;
  scale.SetMax(100);
  scale.SetStep(0.001f);
  const int records = scale.SampleCount() + 1;
  int calls = 0, stale = 0;
  const auto silent = [&](float x, float y, float& z, TVector4f& color, TTexPoint& tex) {
    ++calls;
    if (z != 0 || color[0] != 0 || color[3] != 0 || tex.S != x || tex.T != y) ++stale;
    z = 7;
    color = {1, 1, 1, 1};
  };
  const auto strips = BuildHeightFieldStrips(scale.Range(true), records, {0, 1, 3.5f}, silent);
  ASSERT_EQ(strips.size(), 3u);
  EXPECT_EQ(strips[0].size(), static_cast<std::size_t>(2 * records));
  EXPECT_EQ(calls, 4 * records);
  EXPECT_EQ(stale, 0) << "a sample saw the values of one three rows back";
}

TEST(XYZGrid, DisabledAxesContributeTheirOriginAlone) {
  TGLSamplingScale x, y, z;
  x.SetMax(2);
  x.SetMin(-1);
  x.SetStep(1);
  y.SetMax(5);
  y.SetOrigin(3);
  z.SetMax(5);
  z.SetOrigin(4);
  XYZGridLayout layout;
  const TGLSamplingScale* scales[3] = {&x, &y, &z};
  for (int a = 0; a < 3; ++a) {
    layout.Axes[a] = scales[a]->Range(a == 0);
    layout.AxisMin[a] = scales[a]->GetMin();
    layout.AxisMax[a] = scales[a]->GetMax();
    layout.Parts[a] = a == 0;
  }
  layout.Segments = false;
  GeometryBatches lines = BuildXYZGridLines(layout);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].Vertices.size(), 2u);
  EXPECT_TRUE(NearVector(lines[0].Vertices[0].Position, {-1, 3, 4}));
  EXPECT_TRUE(NearVector(lines[0].Vertices[1].Position, {2, 3, 4}));
  layout.Segments = true;
  lines = BuildXYZGridLines(layout);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Vertices.size(), 4u);  // -1, 0, 1, 2

  // A step below the spacing of floats there still ends.
  const SamplingRange far{1e8f, 1, 1e8f + 100};
  EXPECT_LE(far.Count(1 << 30), 120);
}

TEST(XYZGrid, OneAxisInLineStyleIsOneLineThroughTheOtherOrigins) {
  ScopedGLApi nullGL(NullGLApi());
  Counting<TGLXYZGrid> grid;
  grid.GetXSamplingScale()->SetMax(3);
  grid.GetYSamplingScale()->SetOrigin(-2);
  grid.GetZSamplingScale()->SetOrigin(5);
  grid.ResetCounts();
  grid.SetParts({gpX});
  grid.SetLinesStyle(glsLine);
  grid.GetXSamplingScale()->SetMin(1);
  EXPECT_EQ(grid.structure, 3);
  GLCallRecorder calls(NullGLApi());
  TRenderContextInfo rci;
  grid.BuildList(rci);
  const auto vertices = calls.CallsOf("glVertex3fv");
  ASSERT_EQ(calls.Count("glBegin"), 1);
  ASSERT_EQ(vertices.size(), 2u);
  EXPECT_EQ(calls.Count("glPushAttrib"), calls.Count("glPopAttrib"));

  TGLXYZGrid copy;
  copy.Assign(&grid);
  EXPECT_EQ(copy.GetParts(), TXYZGridParts{gpX});
  EXPECT_EQ(copy.GetLinesStyle(), glsLine);
  EXPECT_EQ(copy.GetXSamplingScale()->GetMin(), 1.0f);
}

}  // namespace
