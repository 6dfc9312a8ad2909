#include "objects/sky_dome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <vector>

#include "engine/vector_geometry.h"
#include "objects/earth_sky_dome.h"

namespace {

std::vector<TSkyDomePrimitive> Geometry(const TSkyDomeBand& band) {
  std::vector<TSkyDomePrimitive> p;
  band.BuildGeometry(p);
  return p;
}

// A random source that hands out the given values, then 0.
TSkyDomeRandom Sequence(std::vector<float> values, int* calls = nullptr) {
  auto queue = std::make_shared<std::deque<float>>(values.begin(), values.end());
  return [queue, calls] {
    if (calls) ++*calls;
    if (queue->empty()) return 0.0f;
    const float v = queue->front();
    queue->pop_front();
    return v;
  };
}

// The triangles of the strips and fans by the way they face: towards the
// dome's centre (counter-clockwise seen from inside), away from it, or
// neither (degenerate).
struct Facing {
  int in = 0, out = 0, degenerate = 0;
};
Facing FacingOf(const std::vector<TSkyDomePrimitive>& primitives) {
  Facing facing;
  auto count = [&facing](const TVector4f& a, const TVector4f& b, const TVector4f& c) {
    const TAffineVector pa = AffineVectorMake(a), pb = AffineVectorMake(b), pc = AffineVectorMake(c);
    const TAffineVector n = AffineVectorCross(AffineVectorSubtract(pb, pa), AffineVectorSubtract(pc, pa));
    const TAffineVector centroid = VectorScale(VectorAdd(VectorAdd(pa, pb), pc), 1.0f / 3);
    const float towards = AffineVectorDot(n, centroid);
    if (towards > 1e-9f)
      ++facing.out;
    else if (towards < -1e-9f)
      ++facing.in;
    else
      ++facing.degenerate;
  };
  for (const TSkyDomePrimitive& p : primitives) {
    const auto& v = p.Vertices;
    for (std::size_t i = 2; i < v.size(); ++i) {
      if (p.Mode == GL_TRIANGLE_FAN)
        count(v[0], v[i - 1], v[i]);
      else if (i % 2 == 0)
        count(v[i - 2], v[i - 1], v[i]);
      else
        count(v[i - 1], v[i - 2], v[i]);
    }
  }
  return facing;
}

}  // namespace

TEST(SkyDomes, EveryFaceWindsTowardsTheCentre) {
  TSkyDomeBands bands;
  TSkyDomeBand* band = bands.Add();
  band->SetStartAngle(-90);
  band->SetStopAngle(90);
  band->SetStacks(5);
  band->SetSlices(8);
  const auto plain = Geometry(*band);
  const auto earth = BuildEarthSkyGeometry(EarthSkyModelFor(30, 15), 12, 6);
  for (const auto* dome : {&plain, &earth}) {
    ASSERT_FALSE(dome->empty());
    EXPECT_EQ(dome->back().Mode, GLenum(GL_TRIANGLE_FAN)) << "the zenith's fan is among them";
    const Facing facing = FacingOf(*dome);
    EXPECT_EQ(facing.out, 0);
    // Faces that face nowhere would pass the line above: every face of the
    // bands, poles included, faces the centre.
    EXPECT_EQ(facing.degenerate, 0);
    EXPECT_GT(facing.in, 0);
  }
  // Five stacks of eight slices: two pole fans and three strips.
  EXPECT_EQ(FacingOf(plain).in, 2 * 8 + 3 * 2 * 8);
}

TEST(SkyDomeBand, SettersClampAndPushTheOtherAngle) {
  struct Case {
    float start, stop;  // set in this order
    float expectedStart, expectedStop;
  };
  const Case cases[] = {
      {10, 50, 10, 50}, {120, 0, 0, 0}, {-100, -95, -90, -90}, {30, 20, 20, 20}, {0, 120, 0, 90},
  };
  for (const Case& c : cases) {
    TSkyDomeBands bands;
    TSkyDomeBand* band = bands.Add();
    band->SetStartAngle(c.start);
    band->SetStopAngle(c.stop);
    EXPECT_EQ(band->GetStartAngle(), c.expectedStart) << c.start << " " << c.stop;
    EXPECT_EQ(band->GetStopAngle(), c.expectedStop) << c.start << " " << c.stop;
  }
  TSkyDomeBands bands;
  TSkyDomeBand* band = bands.Add();
  band->SetStopAngle(40);
  band->SetStartAngle(60);  // start above stop moves stop up
  EXPECT_EQ(band->GetStopAngle(), 60);
  band->SetSlices(2);
  EXPECT_EQ(band->GetSlices(), 3);
  band->SetStacks(0);
  EXPECT_EQ(band->GetStacks(), 1);
  EXPECT_EQ(band->GetStartColor()->GetColor()[2], 1);  // opaque blue by default
}

TEST(SkyDomeBand, EqualAnglesDrawNothing) {
  TSkyDomeBands bands;
  TSkyDomeBand* band = bands.Add();
  band->SetStopAngle(30);
  band->SetStartAngle(30);
  EXPECT_TRUE(Geometry(*band).empty());
}

TEST(SkyDomeBand, EachStackIsANadirFanAZenithFanOrAStrip) {
  TSkyDomeBands bands;
  TSkyDomeBand* band = bands.Add();
  band->SetStartAngle(-90);
  band->SetStopAngle(90);
  band->SetStacks(4);
  band->SetSlices(6);
  const auto p = Geometry(*band);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].Mode, GLenum(GL_TRIANGLE_FAN));
  EXPECT_EQ(p[0].Vertices[0][2], -1);  // the nadir first
  EXPECT_EQ(p[0].Vertices.size(), 1u + 7u);
  EXPECT_EQ(p[1].Mode, GLenum(GL_TRIANGLE_STRIP));
  EXPECT_EQ(p[1].Vertices.size(), 2u * 7u);
  EXPECT_EQ(p[2].Mode, GLenum(GL_TRIANGLE_STRIP));
  EXPECT_EQ(p[3].Mode, GLenum(GL_TRIANGLE_FAN));
  EXPECT_EQ(p[3].Vertices[0][2], 1);  // the zenith
  // The zenith fan walks its ring with decreasing azimuth: from slice 6
  // (the same point as slice 0) through slice 5 at -60 degrees.
  EXPECT_NEAR(p[3].Vertices[2][1], -std::sin(60 * 3.14159265f / 180) * std::cos(45 * 3.14159265f / 180), 1e-5);
  // The strip's second stack runs from -45 to 0 degrees.
  EXPECT_NEAR(p[1].Vertices[0][2], -std::sin(45 * 3.14159265f / 180), 1e-5);
  EXPECT_NEAR(p[1].Vertices[1][2], 0, 1e-6);
  // Every vertex lies on the unit sphere.
  for (const auto& prim : p)
    for (const TVector4f& v : prim.Vertices) EXPECT_NEAR(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 1, 1e-5);
}

TEST(SkyDomeBand, ColoursRunFromStartToStopPerStack) {
  TSkyDomeBands bands;
  TSkyDomeBand* band = bands.Add();
  band->SetStartAngle(0);
  band->SetStopAngle(60);
  band->SetStacks(2);
  TGLColor black(nullptr, clrBlack), white(nullptr, TVector4f{1, 1, 1, 0});
  band->SetStartColor(&black);
  band->SetStopColor(&white);
  const auto p = Geometry(*band);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_FLOAT_EQ(p[0].Colors[0][0], 0);
  EXPECT_FLOAT_EQ(p[0].Colors[1][0], 0.5f);
  EXPECT_FLOAT_EQ(p[0].Colors[1][3], 0.5f);  // alpha interpolated too
  EXPECT_FLOAT_EQ(p[1].Colors[0][0], 0.5f);
  EXPECT_FLOAT_EQ(p[1].Colors[1][0], 1);
}

TEST(SkyDomeBand, PoleFansOnlyAtTheirOwnStackEdges) {
  TSkyDomeBands bands;
  TSkyDomeBand* low = bands.Add();
  low->SetStartAngle(-90);
  low->SetStopAngle(0);
  TSkyDomeBand* high = bands.Add();
  high->SetStartAngle(0);
  high->SetStopAngle(90);
  TSkyDomeBand* middle = bands.Add();
  middle->SetStartAngle(-89);
  middle->SetStopAngle(89);
  EXPECT_EQ(Geometry(*low)[0].Mode, GLenum(GL_TRIANGLE_FAN));
  EXPECT_EQ(Geometry(*low)[0].Vertices[0][2], -1);
  EXPECT_EQ(Geometry(*high)[0].Mode, GLenum(GL_TRIANGLE_FAN));
  EXPECT_EQ(Geometry(*high)[0].Vertices[0][2], 1);
  EXPECT_EQ(Geometry(*middle)[0].Mode, GLenum(GL_TRIANGLE_STRIP));
}

TEST(SkyDomeBand, DisplayNameShowsIndexAndAngles) {
  TSkyDomeBands bands;
  bands.Add();
  TSkyDomeBand* band = bands.Add();
  band->SetStopAngle(45.25f);
  band->SetStartAngle(-12.5f);
  EXPECT_EQ(band->GetDisplayName(), "1: -12.5\xB0 - 45.2\xB0");
}

TEST(SkyDomeStars, PointSizeClassesFollowTheMagnitude) {
  TSkyDomeStars stars;
  const float magnitudes[] = {3, 5, 1, 1, 2.9f, 4};
  for (float m : magnitudes) stars.Add()->SetMagnitude(m);
  std::vector<TSkyDomeStarBatch> batches;
  stars.BuildStarBatches(false, batches);
  // 3 and 5 share 1.5; 1 gives class 35 (3.5) twice; 2.9 is class 16 (1.6);
  // 4 is back to 1.5.
  ASSERT_EQ(batches.size(), 4u);
  EXPECT_FLOAT_EQ(batches[0].PointSize, 1.5f);
  EXPECT_EQ(batches[0].Positions.size(), 2u);
  EXPECT_FLOAT_EQ(batches[1].PointSize, 3.5f);
  EXPECT_EQ(batches[1].Positions.size(), 2u);
  EXPECT_FLOAT_EQ(batches[2].PointSize, 1.6f);
  EXPECT_FLOAT_EQ(batches[3].PointSize, 1.5f);
}

TEST(SkyDomeStars, PositionsComeFromRightAscensionAndDeclination) {
  TSkyDomeStars stars;
  TSkyDomeStar* star = stars.Add();
  star->SetRA(90);
  star->SetDec(30);
  star->SetColor(0x0000FF);  // red
  std::vector<TSkyDomeStarBatch> batches;
  stars.BuildStarBatches(false, batches);
  ASSERT_EQ(batches.size(), 1u);
  const TAffineVector p = batches[0].Positions[0];
  EXPECT_NEAR(p[0], 0, 1e-6);
  EXPECT_NEAR(p[1], std::cos(30 * 3.14159265f / 180), 1e-6);
  EXPECT_NEAR(p[2], 0.5f, 1e-6);
  EXPECT_EQ(batches[0].Colors[0][0], 1);
  EXPECT_EQ(batches[0].Colors[0][2], 0);
  EXPECT_EQ(star->GetDisplayName(), "RA:  90.0 / Dec:  30.0");
}

TEST(SkyDomeStars, RandomStarsDrawDeclinationThenRightAscension) {
  TSkyDomeStars stars;
  stars.SetRandomSource(Sequence({0.5f, 0.25f, 0.0f, 0.75f}));
  stars.AddRandomStars(1, 0xFFFFFF, true);
  stars.AddRandomStars(1, 0x00FF00, false);
  ASSERT_EQ(stars.GetCount(), 2);
  EXPECT_NEAR(stars.GetItems(0)->GetDec(), 30, 1e-4);  // arcsin(0.5)
  EXPECT_NEAR(stars.GetItems(0)->GetRA(), -90, 1e-4);
  EXPECT_NEAR(stars.GetItems(1)->GetDec(), -90, 1e-4);  // arcsin(2 * 0 - 1)
  EXPECT_NEAR(stars.GetItems(1)->GetRA(), 90, 1e-4);
  EXPECT_EQ(stars.GetItems(1)->GetMagnitude(), 3);
  EXPECT_EQ(stars.GetItems(1)->GetColor(), 0x00FF00);
  stars.AddRandomStars(0, 0, true);
  stars.AddRandomStars(-3, 0, true);
  EXPECT_EQ(stars.GetCount(), 2);
}

TEST(SkyDomeStars, TopDomeStarsStayAboveTheHorizon) {
  TSkyDomeStars stars;
  stars.AddRandomStars(500, 0xFFFFFF, true);
  ASSERT_EQ(stars.GetCount(), 500);
  for (int i = 0; i < stars.GetCount(); ++i) {
    EXPECT_GE(stars.GetItems(i)->GetDec(), 0);
    EXPECT_LT(stars.GetItems(i)->GetDec(), 90);
    EXPECT_GE(stars.GetItems(i)->GetRA(), -180);
    EXPECT_LT(stars.GetItems(i)->GetRA(), 180);
  }
}

TEST(SkyDomeStars, TwinkleDrawsFromTheStarsOwnSourceEveryTime) {
  TSkyDomeStars stars;
  for (int i = 0; i < 3; ++i) stars.Add()->SetColor(0xFFFFFF);
  int calls = 0;
  stars.SetRandomSource(Sequence({0.0f, 1.0f, 0.5f}, &calls));
  std::vector<TSkyDomeStarBatch> batches;
  stars.BuildStarBatches(true, batches);
  EXPECT_EQ(calls, 3);
  EXPECT_FLOAT_EQ(batches[0].Colors[0][0], 0.4f);
  EXPECT_FLOAT_EQ(batches[0].Colors[1][0], 1.0f);
  EXPECT_FLOAT_EQ(batches[0].Colors[2][0], 0.7f);
  stars.BuildStarBatches(false, batches);
  EXPECT_EQ(calls, 3);
  EXPECT_FLOAT_EQ(batches[0].Colors[2][0], 1.0f);
}

TEST(SkyDome, StartsWithTwoBandsAndDrawsDirectly) {
  TGLSkyDome dome;
  ASSERT_EQ(dome.GetBands()->GetCount(), 2);
  const TSkyDomeBand* low = dome.GetBands()->GetItems(0);
  EXPECT_EQ(low->GetStartAngle(), 0);
  EXPECT_EQ(low->GetStopAngle(), 15);
  EXPECT_EQ(low->GetStartColor()->GetColor()[0], 1);
  EXPECT_EQ(low->GetStopColor()->GetColor()[0], 0);
  const TSkyDomeBand* high = dome.GetBands()->GetItems(1);
  EXPECT_EQ(high->GetStopAngle(), 90);
  EXPECT_EQ(high->GetStacks(), 4);
  EXPECT_FLOAT_EQ(high->GetStopColor()->GetColor()[2], 0.556863f);
  EXPECT_EQ(dome.GetStars()->GetCount(), 0);
  EXPECT_TRUE(dome.GetObjectStyle() & sosDirectDraw);
  EXPECT_TRUE(dome.GetObjectStyle() & sosNoVisibilityCulling);
}

TEST(SkyDome, BandAndColourChangesReachTheDome) {
  TGLSkyDome dome;
  dome.ClearStructureChanged();
  dome.GetBands()->GetItems(0)->SetSlices(20);
  EXPECT_TRUE(dome.GetChanges() & ocfStructure);
  dome.ClearStructureChanged();
  dome.GetBands()->GetItems(1)->GetStopColor()->SetRed(0.5f);
  EXPECT_TRUE(dome.GetChanges() & ocfStructure);
  dome.ClearStructureChanged();
  dome.GetStars()->AddRandomStars(2, 0, false);
  EXPECT_TRUE(dome.GetChanges() & ocfStructure);
}

TEST(SkyDome, OptionsSwitchDirectDrawing) {
  TGLSkyDome dome;
  dome.SetOptions(sdoTwinkle);
  EXPECT_TRUE(dome.GetObjectStyle() & sosDirectDraw);
  dome.SetOptions(0);
  EXPECT_FALSE(dome.GetObjectStyle() & sosDirectDraw);
  EXPECT_TRUE(dome.GetObjectStyle() & sosNoVisibilityCulling);
}

TEST(SkyDome, AssignCopiesBandsAndStarsIntoTheTarget) {
  TGLSkyDome source, target;
  source.GetBands()->GetItems(0)->SetSlices(30);
  source.GetBands()->Add()->SetStopAngle(-10);
  source.GetStars()->AddRandomStars(3, 0x123456, true);
  target.Assign(&source);
  ASSERT_EQ(target.GetBands()->GetCount(), 3);
  EXPECT_EQ(target.GetBands()->GetItems(0)->GetSlices(), 30);
  EXPECT_EQ(target.GetBands()->GetItems(2)->GetStartAngle(), -10);
  EXPECT_NE(target.GetBands()->GetItems(0), source.GetBands()->GetItems(0));
  EXPECT_EQ(target.GetBands()->GetItems(0)->Collection(), target.GetBands());
  ASSERT_EQ(target.GetStars()->GetCount(), 3);
  EXPECT_EQ(target.GetStars()->GetItems(2)->GetColor(), 0x123456);
  EXPECT_EQ(target.GetStars()->GetItems(1)->GetDec(), source.GetStars()->GetItems(1)->GetDec());
}
