// The environment without GL: one state applied to the fixture's world and
// the scene it leaves (sky bands and angles, stars, background, fog, light
// level, camera), at every boundary of the day and either side of it, under
// cloud and fog, by terrain type, and for worlds whose hours break the
// arithmetic. Expected values are worked out from the day's tables.
//
// The fixture's hours: night ends 5, sunrise 6, day 7 to 18, sunset 19,
// night from 20. Visual scale 1, camera height offset 0.5, sea level -2.
#include "tests/client/mud_fixture.h"

#include <cmath>

#include "client/config_xml.h"
#include "client/mud_state.h"
#include "engine/camera.h"
#include "engine/face_properties.h"
#include "engine/fog_environment.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "objects/dummy_cube.h"
#include "objects/plane.h"
#include "objects/sky_dome.h"
#include "world_fixture.h"

namespace {

using mud_fixture::World;

using Bands = std::array<std::pair<int32_t, int32_t>, 6>;

constexpr TSkyColours kDay = {0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xAA7A46, 0x7C431C};
constexpr TSkyColours kSunset = {0x3355A3, 0x287AD1, 0x4A96C8, 0x849191, 0x9F7353, 0x604210, 0x000000};
constexpr TSkyColours kSunrise = {0xFFFFFF, 0xFEFFF6, 0xFDF5D8, 0xFDF5D8, 0xF6EAC0, 0xB4936C, 0x7C431C};
constexpr TSkyColours kNight = {0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111};

TSkyColours Uniform(int32_t c) {
  TSkyColours t;
  t.fill(c);
  return t;
}
TSkyColours Blend(const TSkyColours& a, const TSkyColours& b, int k) {
  TSkyColours t;
  for (size_t i = 0; i < t.size(); ++i) t[i] = BlendColor(a[i], b[i], k);
  return t;
}
TSkyColours Darken(const TSkyColours& a, int percent) {
  TSkyColours t;
  for (size_t i = 0; i < t.size(); ++i) t[i] = DarkenColor(a[i], percent);
  return t;
}
// Band i from colour i to colour i + 1.
Bands Of(const TSkyColours& c) {
  Bands b;
  for (size_t i = 0; i < b.size(); ++i) b[i] = {c[i], c[i + 1]};
  return b;
}
// Under fog the lower bands fade: bands 0 to 2 and band 3's start colour
// become fogged(colour i) while the rest keeps the blend.
template <class F>
Bands Lower(const TSkyColours& blended, F fogged) {
  Bands b = Of(blended);
  for (size_t i = 0; i < 3; ++i) b[i] = {fogged(i), fogged(i + 1)};
  b[3].first = fogged(3);
  return b;
}

struct Angles {
  double divisor = 1;
  float band4Stop = 20;
};
constexpr Angles kDefaultAngles{1, 20};

Bands SceneBands(const TMud& mud) {
  Bands b;
  for (int i = 0; i < 6; ++i) {
    const TSkyDomeBand& band = *mud.SkyDome->GetBands()->GetItems(i);
    b[static_cast<size_t>(i)] = {band.GetStartColor()->GetAsWinColor(), band.GetStopColor()->GetAsWinColor()};
  }
  return b;
}

void ExpectAngles(const TMud& mud, Angles angles) {
  const float defaults[6][2] = {{0, 2}, {2, 3}, {3, 4}, {4, 6}, {6, 20}, {20, 90}};
  for (int i = 0; i < 6; ++i) {
    const TSkyDomeBand& band = *mud.SkyDome->GetBands()->GetItems(i);
    float start = defaults[i][0], stop = defaults[i][1];
    if (i < 4) start /= static_cast<float>(angles.divisor), stop /= static_cast<float>(angles.divisor);
    if (i == 4) start /= static_cast<float>(angles.divisor), stop = angles.band4Stop;
    if (i == 5) start = angles.band4Stop;
    EXPECT_NEAR(band.GetStartAngle(), start, 1e-4) << "band " << i;
    EXPECT_NEAR(band.GetStopAngle(), stop, 1e-4) << "band " << i;
  }
}

std::string Hex(int32_t c) { return ColorToHex(c); }

struct Fog {
  bool on = false;
  float start = 0, end = 0;
  int32_t colour = 0;
};
constexpr Fog kNoFog{};

class Environment : public testing::Test {
protected:
  Environment() : Environment(mud_fixture::DefaultConfig()) {}
  explicit Environment(const std::string& config) : world(config) {}

  void SetUp() override {
    Prepare();
    mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  }
  // What a test's world needs before the core is built on it.
  virtual void Prepare() {}

  // The state applied at (100, 100, 0) facing north, from a sky without
  // stars so that the count shows what this state asks for.
  void Apply(double t, double cloud, double fog, int32_t level, const TVector4f& position = {100, 100, 0, 1}) {
    mud->SkyDome->GetStars()->Clear();
    mud->ApplyState(position, {0, 1, 0, 0}, {0, 0, 1, 0}, level, t, cloud, 0, fog, TMobsquare());
  }

  TGL3DSceneBuffer& Buffer() { return *world.viewer.GetBuffer(); }
  TGLFogEnvironment& FogOf() { return *Buffer().GetFogEnvironment(); }
  int32_t Emission(TGLLibMaterial* material) {
    return material->GetMaterial()->GetFrontProperties()->GetEmission()->GetAsWinColor();
  }
  int32_t SeaEmission() {
    return mud->SeaPlane->GetMaterial()->GetFrontProperties()->GetEmission()->GetAsWinColor();
  }

  World world;
  std::unique_ptr<TMud> mud;
};

// (time, cloud, fog, level) -> the scene, in the order the day runs.
TEST_F(Environment, EveryBoundaryOfTheDayAndEitherSideOfIt) {
  const int32_t area = 0x111111, sunriseBg = 0x745526, dayBg = 0xA88760, sunsetBg = 0x64523E;
  const int32_t nightL = 0x575757, twilightL = 0xAAAAAA, dayL = 0xFFFFFF;
  struct Row {
    double t, cloud, fog;
    int32_t level;
    Bands bands;
    Angles angles;
    int stars;
    int32_t background;
    Fog fog_;
    int32_t light;
    double cameraY;
  } const rows[] = {
      // Night: 0 to 5 and from 20.
      {0.0, 0, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},
      {4.99, 0, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},
      // Early dawn: the sky's own hours (5, over 2 hours), stars |t - 6| x 1000.
      {5.0, 0, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},
      {5.01, 0, 0, 11, Of(kNight), kDefaultAngles, 990, BlendColor(area, sunriseBg, 1), kNoFog,
       BlendColor(nightL, twilightL, 1), 0.5},
      {5.5, 0, 0, 11, Of(Blend(kNight, kSunrise, 16)), kDefaultAngles, 500, BlendColor(area, sunriseBg, 32), kNoFog,
       BlendColor(nightL, twilightL, 32), 0.5},
      {5.99, 0, 0, 11, Of(Blend(kNight, kSunrise, 31)), kDefaultAngles, 10, BlendColor(area, sunriseBg, 62), kNoFog,
       BlendColor(nightL, twilightL, 62), 0.5},
      // Late dawn: bands narrowed by 1 + 2 x the part passed, band 4 up to 15.
      {6.0, 0, 0, 11, Of(kSunrise), {1, 15}, 0, sunriseBg, kNoFog, twilightL, 0.5},
      {6.01, 0, 0, 11, Of(Blend(kSunrise, kDay, 1)), {1.02, 15}, 0, BlendColor(sunriseBg, dayBg, 1), kNoFog,
       BlendColor(twilightL, dayL, 1), 0.5},
      {6.99, 0, 0, 11, Of(Blend(kSunrise, kDay, 62)), {2.98, 15}, 0, BlendColor(sunriseBg, dayBg, 62), kNoFog,
       BlendColor(twilightL, dayL, 62), 0.5},
      // The first instant of the day still narrows the bands.
      {7.0, 0, 0, 11, Of(kDay), {3, 15}, 0, dayBg, kNoFog, dayL, 0.5},
      {7.01, 0, 0, 11, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 0.5},
      {17.99, 0, 0, 11, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 0.5},
      // Early dusk.
      {18.0, 0, 0, 11, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 0.5},
      {18.01, 0, 0, 11, Of(Blend(kDay, kSunset, 1)), kDefaultAngles, 0, BlendColor(dayBg, sunsetBg, 1), kNoFog,
       BlendColor(dayL, twilightL, 1), 0.5},
      {18.99, 0, 0, 11, Of(Blend(kDay, kSunset, 62)), kDefaultAngles, 0, BlendColor(dayBg, sunsetBg, 62), kNoFog,
       BlendColor(dayL, twilightL, 62), 0.5},
      // Late dusk, its first half hour: the sunset table, narrowing; no
      // word on stars (none to keep here).
      {19.0, 0, 0, 11, Of(kSunset), {1, 15}, 0, sunsetBg, kNoFog, twilightL, 0.5},
      {19.01, 0, 0, 11, Of(kSunset), {1.04, 15}, 0, BlendColor(sunsetBg, area, 1), kNoFog,
       BlendColor(twilightL, nightL, 1), 0.5},
      {19.49, 0, 0, 11, Of(kSunset), {2.96, 15}, 0, BlendColor(sunsetBg, area, 31), kNoFog,
       BlendColor(twilightL, nightL, 31), 0.5},
      // Then darkening by d = 64 x the part passed, bands narrowed by d/3 + 3,
      // the stars coming out over (sunset - dayend - 0.5) hours.
      {19.5, 0, 0, 11, Of(kSunset), {3, 15}, 0, BlendColor(sunsetBg, area, 32), kNoFog,
       BlendColor(twilightL, nightL, 32), 0.5},
      {19.51, 0, 0, 11, Of(Darken(kSunset, 1)), {3 + 1 / 3.0, 15}, 20, BlendColor(sunsetBg, area, 32), kNoFog,
       BlendColor(twilightL, nightL, 32), 0.5},
      {19.99, 0, 0, 11, Of(Darken(kSunset, 63)), {24, 15}, 980, BlendColor(sunsetBg, area, 62), kNoFog,
       BlendColor(twilightL, nightL, 62), 0.5},
      {20.0, 0, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},
      {24.0, 0, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},

      // Clouds: above 5 the background darkens 4 % per unit and the bands
      // grey; from 7.5 the sky is one grey of the hour and starless.
      {12, 2.5, 0, 11, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 0.5},
      {12, 6, 0, 11, Of(Blend(kDay, Uniform(0x808080), 25)), kDefaultAngles, 0, DarkenColor(dayBg, 4), kNoFog, dayL,
       0.5},
      {12, 8, 0, 11, Of(Uniform(0x808080)), kDefaultAngles, 0, DarkenColor(dayBg, 12), kNoFog, dayL, 0.5},
      {23, 8, 0, 11, Of(Uniform(0)), kDefaultAngles, 0, DarkenColor(area, 12), kNoFog, nightL, 0.5},
      {23, 1, 0, 11, Of(kNight), kDefaultAngles, 600, area, kNoFog, nightL, 0.5},
      {23, 3, 0, 11, Of(kNight), kDefaultAngles, 0, area, kNoFog, nightL, 0.5},
      // Unset (-1) is no cloud; above 10 the background keeps darkening, to
      // black from 30 on.
      {23, -1, 0, 11, Of(kNight), kDefaultAngles, 1000, area, kNoFog, nightL, 0.5},
      {12, 15, 0, 11, Of(Uniform(0x808080)), kDefaultAngles, 0, DarkenColor(dayBg, 40), kNoFog, dayL, 0.5},
      {12, 40, 0, 11, Of(Uniform(0x808080)), kDefaultAngles, 0, 0, kNoFog, dayL, 0.5},

      // Fog: the sky blended toward the fog colour by fog/10, the lower
      // bands faded, the view's background the fog's colour.
      {12, 0, 10, 11, Of(Uniform(0xAAAAAA)), kDefaultAngles, 0, 0xAAAAAA, {true, 1.4f, 1.8f, 0xAAAAAA}, dayL, 0.5},
      {12, 0, 25, 11, Of(Uniform(0xAAAAAA)), kDefaultAngles, 0, 0xAAAAAA, {true, 1.4f, 1.8f, 0xAAAAAA}, dayL, 0.5},
      {12, 0, 7.5, 11, Lower(Blend(kDay, Uniform(0xAAAAAA), 47), [](size_t) { return 0xAAAAAA; }), kDefaultAngles, 0,
       0xAAAAAA, {true, 1.7f, 8.4f, 0xAAAAAA}, dayL, 0.5},
      {12, 0, 5, 11, Lower(Blend(kDay, Uniform(0xAAAAAA), 32), [](size_t) { return 0xAAAAAA; }), kDefaultAngles, 0,
       0xAAAAAA, {true, 2, 15, 0xAAAAAA}, dayL, 0.5},
      {12, 0, 2, 11, Lower(Blend(kDay, Uniform(0xAAAAAA), 13), [](size_t) { return 0xAAAAAA; }), kDefaultAngles, 0,
       0xAAAAAA, {true, 2, 313.2f, 0xAAAAAA}, dayL, 0.5},
      {12, 0, 1, 11,
       Lower(Blend(kDay, Uniform(0xAAAAAA), 6), [](size_t i) { return BlendColor(0xAAAAAA, kDay[i], 32); }),
       kDefaultAngles, 0, 0xAAAAAA, {true, 251, 412.6f, 0xAAAAAA}, dayL, 0.5},
      {23, 0, 4, 11, Lower(Blend(kNight, Uniform(0), 25), [](size_t) { return 0; }), kDefaultAngles, 600, 0,
       {true, 2, 114.4f, 0}, nightL, 0.5},
      {19, 0, 10, 11, Of(Uniform(0xBBBBBB)), {1, 15}, 0, 0xBBBBBB, {true, 1.4f, 1.8f, 0xBBBBBB}, twilightL, 0.5},
      {12, 0, -1, 11, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 0.5},

      // Terrain types on flat ground at height 0: the camera's height.
      {12, 0, 0, 7, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, -1.5},
      {12, 0, 0, 13, Of(kDay), kDefaultAngles, 0, dayBg, kNoFog, dayL, 1.5},
      // Under ground: the undersea fog of the world, dimmed over the dusk.
      {12, 0, 0, 3, Of(kDay), kDefaultAngles, 0, 0x302010, {true, 1, 20, 0x302010}, dayL, 0.5},
      {19, 0, 0, 5, Of(kSunset), {1, 15}, 0, BlendColor(0x302010, area, 32), {true, 1, 20, BlendColor(0x302010, area, 32)},
       twilightL, 0.5},
      // ... dark at night, brightened over the dawn (5 to 7), whatever the
      // weather's fog.
      {23, 0, 6, 4, Of(kNight), kDefaultAngles, 1000, area, {true, 1, 20, area}, nightL, 0.5},
      {6, 0, 0, 6, Of(kSunrise), {1, 15}, 0, BlendColor(area, 0x302010, 32), {true, 1, 20, BlendColor(area, 0x302010, 32)},
       twilightL, 0.5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "time " << row.t << " cloud " << row.cloud << " fog " << row.fog << " level "
                                    << row.level);
    // The light shines by night (the fixture's night: from 20 to 5), unless
    // the sky is overcast: it then keeps what it had, here the opposite.
    const bool night = row.t >= 20 || row.t < 5;
    TGLLightSource& light = *world.stored.GetLight();
    light.SetShining(!night);
    Apply(row.t, row.cloud, row.fog, row.level);
    EXPECT_EQ(light.GetShining(), row.cloud >= 7.5 ? !night : night);
    const Bands bands = SceneBands(*mud);
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(Hex(bands[i].first), Hex(row.bands[i].first)) << "band " << i << " start";
      EXPECT_EQ(Hex(bands[i].second), Hex(row.bands[i].second)) << "band " << i << " stop";
    }
    ExpectAngles(*mud, row.angles);
    EXPECT_EQ(mud->SkyDome->GetStars()->GetCount(), row.stars);
    EXPECT_EQ(Hex(Buffer().GetBackgroundColor()), Hex(row.background));
    EXPECT_EQ(Buffer().GetFogEnable(), row.fog_.on);
    if (row.fog_.on) {
      EXPECT_NEAR(FogOf().GetFogStart(), row.fog_.start, 1e-3);
      EXPECT_NEAR(FogOf().GetFogEnd(), row.fog_.end, 1e-3);
      EXPECT_EQ(Hex(FogOf().GetFogColor()->GetAsWinColor()), Hex(row.fog_.colour));
    }
    EXPECT_EQ(Hex(Emission(mud->AerialMaterial)), Hex(row.light));
    EXPECT_NEAR(mud->Camera->GetPosition()->GetY(), row.cameraY, 1e-5);
  }
}

TEST_F(Environment, CloudsPlaneColourAndTransparency) {
  struct Row {
    double t, cloud, fog;
    bool visible;
    int32_t colour;
    float alpha;
  } const rows[] = {
      {12, 0, 0, false, 0, 0},
      {23, 4, 0, false, 0, 0},  // no clouds by night
      {12, 0.2, 0, true, BlendColor(0, 0x808080, 3), 0.4f},
      {12, 2.5, 0, true, BlendColor(0, 0x808080, 32), 1},
      {12, 5, 0, true, 0x808080, 1},
      {12, 6, 0, true, BlendColor(0x808080, 0x333333, 13), 1},
      {12, 10, 0, true, 0x333333, 1},
      {12, 12, 0, true, 0, 1},  // above 10 the clouds are black
      // Fog thins them.
      {12, 5, 4, true, 0x808080, 0.25f},
      // Dawn brightens them from black, dusk darkens them to black.
      {5.5, 5, 0, true, BlendColor(0, 0x808080, 32), 1},
      {19.25, 5, 0, true, BlendColor(0x808080, 0, 16), 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "time " << row.t << " cloud " << row.cloud << " fog " << row.fog);
    Apply(row.t, row.cloud, row.fog, 11);
    EXPECT_EQ(mud->CloudsPlane->GetVisible(), row.visible);
    if (!row.visible) continue;
    EXPECT_EQ(Hex(Emission(mud->CloudsMaterial)), Hex(row.colour));
    EXPECT_FLOAT_EQ(mud->CloudsMaterial->GetMaterial()->GetFrontProperties()->GetDiffuse()->GetAlpha(), row.alpha);
  }
  // The sea shines with the background (before fog), a little darker.
  Apply(12, 0, 4, 11);
  EXPECT_EQ(Hex(SeaEmission()), Hex(DarkenColor(0xA88760, 8)));
}

TEST_F(Environment, StarsComeInBatchesOfTenAndGoFromTheFront) {
  TSkyDomeStars& stars = *mud->SkyDome->GetStars();
  mud->SetStarCount(15);
  ASSERT_EQ(stars.GetCount(), 20);
  for (int batch = 0; batch < 2; ++batch) {
    const int first = batch * 10;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Hex(stars.GetItems(first + i)->GetColor()), "ffffff");
    EXPECT_EQ(Hex(stars.GetItems(first + 7)->GetColor()), "ffc8c8");
    EXPECT_EQ(Hex(stars.GetItems(first + 8)->GetColor()), "c8c8ff");
    EXPECT_EQ(Hex(stars.GetItems(first + 9)->GetColor()), "ffffc8");
  }
  for (int i = 0; i < stars.GetCount(); ++i) EXPECT_GE(stars.GetItems(i)->GetDec(), 0) << "upper dome only";
  const TSkyDomeStar* last = stars.GetItems(19);
  mud->SetStarCount(5);
  ASSERT_EQ(stars.GetCount(), 5);
  EXPECT_EQ(stars.GetItems(4), last);
}

TEST_F(Environment, ThePhaseGreyOfTheOvercastSky) {
  struct Row {
    double t;
    int32_t grey;
  } const rows[] = {{3, 0},
                    {5, 0},
                    {6, BlendColor(0, 0x808080, 32)},
                    {7, 0x808080},
                    {17.99, 0x808080},
                    {18, 0x808080},
                    {19, BlendColor(0x808080, 0, 32)},
                    {20, 0}};
  for (const Row& row : rows) EXPECT_EQ(Hex(mud->PhaseGrey(row.t)), Hex(row.grey)) << row.t;
}

TEST_F(Environment, CameraStandsBehindThePlayerFacingItsWay) {
  mud->ApplyState({100, 100, 0, 1}, {1, 0, 0, 0}, {0, 0, 1, 0}, 11, 12, 0, 0, 0, TMobsquare());
  // A quarter of a cell behind, west of the player, facing east.
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetX(), 99.75f - 358);
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetZ(), 358 - 100.0f);
  EXPECT_NEAR(mud->Camera->GetDirection()->GetX(), 1, 1e-6);
  EXPECT_NEAR(mud->Camera->GetDirection()->GetZ(), 0, 1e-6);
  // Facing north is facing -Z.
  mud->ApplyState({100, 100, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}, 11, 12, 0, 0, 0, TMobsquare());
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetZ(), 358 - 99.75f);
  EXPECT_NEAR(mud->Camera->GetDirection()->GetZ(), -1, 1e-6);
  for (TGLDummyCube* cube : mud->IntermediateCubes) EXPECT_TRUE(cube->GetVisible());
}

TEST_F(Environment, AHiddenViewShowsTheBlackPanelAndChangesNothingElse) {
  Apply(12, 0, 0, 11);
  world.viewer.SetVisible(true);
  const float cameraX = mud->Camera->GetPosition()->GetX();
  Apply(12, 0, 0, 1, {150, 150, 0, 1});
  EXPECT_FALSE(world.viewer.GetVisible());
  EXPECT_TRUE(world.blackPanel.GetVisible());
  EXPECT_EQ(mud->Camera->GetPosition()->GetX(), cameraX);
  Apply(12, 0, 0, 11, {150, 150, 0, 1});
  EXPECT_TRUE(world.viewer.GetVisible());
  EXPECT_FALSE(world.blackPanel.GetVisible());
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetX(), 150 - 358);
}

// The fixture's undefined area (5, 5) has neither texture nor colour: the
// player stands at its target (100, 100) in a grey fog, without windows.
TEST_F(Environment, TheUndefinedAreaWithoutALookLeadsToItsTargetInFog) {
  Apply(23, 0, 0, 11, {5, 5, 0, 1});
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetX(), 100 - 358);
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetZ(), 358 - 99.75f);
  EXPECT_TRUE(Buffer().GetFogEnable());
  EXPECT_EQ(FogOf().GetFogStart(), 1.0f);
  EXPECT_EQ(FogOf().GetFogEnd(), 5.0f);
  EXPECT_EQ(Hex(FogOf().GetFogColor()->GetAsWinColor()), "aaaaaa");
  EXPECT_EQ(Hex(Buffer().GetBackgroundColor()), "aaaaaa");
  EXPECT_EQ(SceneBands(*mud), Of(Uniform(0xAAAAAA)));
  for (TGLDummyCube* cube : mud->IntermediateCubes) EXPECT_FALSE(cube->GetVisible());
  EXPECT_FALSE(mud->NullCube->GetVisible());
}

// Level 10 is flight: the cell windows' three containers are hidden, and
// shown again on the ground.
TEST_F(Environment, FlightHidesTheThreeCellWindows) {
  const struct {
    int32_t level;
    bool shown;
  } rows[] = {{11, true}, {10, false}, {7, true}, {10, false}, {3, true}};
  for (const auto& row : rows) {
    Apply(12, 0, 0, row.level);
    for (TGLDummyCube* cube : mud->IntermediateCubes) EXPECT_EQ(cube->GetVisible(), row.shown) << row.level;
  }
}

class EnvironmentWorld : public Environment {
protected:
  static std::string With(const std::string& from, const std::string& to) {
    std::string config = mud_fixture::DefaultConfig();
    config.replace(config.find(from), from.size(), to);
    return config;
  }
  explicit EnvironmentWorld(const std::string& config) : Environment(config) {}
};

class AreaWithColour : public EnvironmentWorld {
protected:
  AreaWithColour() : EnvironmentWorld(With(R"(tomudz="0" fog="true")", R"(tomudz="0" fog="true" color="405060")")) {}
};

TEST_F(AreaWithColour, StandsInItsSphereWithoutMoving) {
  Apply(12, 0, 0, 11, {5, 5, 0, 1});
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetX(), 5 - 358);
  EXPECT_TRUE(mud->NullCube->GetVisible());
  EXPECT_FLOAT_EQ(mud->NullCube->GetPosition()->GetX(), 5 - 358);
  EXPECT_NEAR(mud->NullCube->GetPosition()->GetY(), mud->Camera->GetPosition()->GetY() - 0.15, 1e-6);
  Apply(12, 0, 0, 11);
  EXPECT_FALSE(mud->NullCube->GetVisible());
}

class AreaWithoutFog : public EnvironmentWorld {
protected:
  AreaWithoutFog() : EnvironmentWorld(With(R"(tomudz="0" fog="true")", R"(tomudz="0" fog="false")")) {}
};

// Without its fog the area leads to its target all the same, and clears
// whatever fog the weather brought.
TEST_F(AreaWithoutFog, LeadsToItsTargetInClearAir) {
  Apply(12, 0, 5, 11);
  ASSERT_TRUE(Buffer().GetFogEnable());
  Apply(12, 0, 5, 11, {5, 5, 0, 1});
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetX(), 100 - 358);
  EXPECT_FLOAT_EQ(mud->Camera->GetPosition()->GetZ(), 358 - 99.75f);
  EXPECT_FALSE(Buffer().GetFogEnable());
  EXPECT_NE(SceneBands(*mud), Of(Uniform(0xAAAAAA)));
  EXPECT_FALSE(mud->NullCube->GetVisible());
}

class AreaInClouds : public EnvironmentWorld {
protected:
  AreaInClouds()
      : EnvironmentWorld(With(R"(tomudz="0" fog="true")", R"(tomudz="0" fog="true" texture="textures\clouds.bmp")")) {}
};

TEST_F(AreaInClouds, WearsTheCloudsSolidAndGivesThemBack) {
  mud->PreviousState->Time = 11.5;
  mud->CurrentState->Time = 12;
  Apply(12, 0, 0, 11, {5, 5, 0, 1});
  TGLMaterial& clouds = *mud->CloudsMaterial->GetMaterial();
  EXPECT_EQ(clouds.GetBlendingMode(), bmTransparency);
  EXPECT_EQ(mud->CloudsMaterial->GetTextureScale()->GetX(), 1.0f);
  EXPECT_FLOAT_EQ(mud->CloudsMaterial->GetTextureOffset()->GetX(), 0.3f);
  EXPECT_EQ(clouds.GetTexture()->GetMagFilter(), maLinear);
  mud->PreviousState->Time = 12;
  Apply(12, 0, 0, 11, {5, 5, 0, 1});
  EXPECT_FLOAT_EQ(mud->CloudsMaterial->GetTextureOffset()->GetX(), 0.3f) << "the time stood still";
  Apply(12, 0, 0, 11);
  EXPECT_EQ(clouds.GetBlendingMode(), bmAdditive);
  EXPECT_EQ(mud->CloudsMaterial->GetTextureScale()->GetX(), 4.0f);
  EXPECT_EQ(clouds.GetTexture()->GetMagFilter(), maNearest);
}

// Ground below the sea: grey 64 lies at (64 - 128) x 0.05 = -3.2, under
// the sea level -2.
class Basin : public Environment {
protected:
  void Prepare() override { world.SetElevation(mud_fixture::SolidBitmap(179, 179, 0x404040)); }
};

TEST_F(Environment, CameraHeightByTerrainTypeOnLand) {
  struct Row {
    int32_t level;
    float z;
    double y;
  } const rows[] = {
      {11, 0, 0.5},  {8, 0, 0.5},  {3, 0, 0.5},  {6, 0, 0.5}, {7, 0, -1.5}, {13, 0, 1.5}, {15, 0, 1.5},
      // Flight over land: the height above the nearest known ground (0 at
      // (100, 100)); below it, one cell up.
      {10, 3, 3.5},  {10, 0, 0.5}, {10, -1, 1.5},
  };
  for (const Row& row : rows) {
    Apply(12, 0, 0, row.level, {100, 100, row.z, 1});
    EXPECT_NEAR(mud->Camera->GetPosition()->GetY(), row.y, 1e-5) << "level " << row.level << " z " << row.z;
  }
}

TEST_F(Basin, CameraHeightByTerrainTypeBelowTheSea) {
  struct Row {
    int32_t level;
    float z;
    double y;
  } const rows[] = {
      {11, 0, -1.5}, {7, 0, -1.5}, {3, 0, -2.7}, {13, 0, -1.7},
      // Flight over the sea: height above the sea's mud height 0.
      {10, 2, -0.7},
  };
  for (const Row& row : rows) {
    Apply(12, 0, 0, row.level, {100, 100, row.z, 1});
    EXPECT_NEAR(mud->Camera->GetPosition()->GetY(), row.y, 1e-5) << "level " << row.level;
  }
}

// Hours that break the arithmetic: a sunrise at the start of the day, a
// dusk too short for the stars' hours, times past midnight.
TEST(EnvironmentGuards, WorldsWhoseHoursMeet) {
  const std::string times = R"(<TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20"/>)";
  struct Row {
    const char* hours;
    double t;
    Bands bands;
    Angles angles;
    int stars;
  } const rows[] = {
      // Sunrise is daystart: its last instant has passed the whole part.
      {R"(nightend="5" sunrise="6" daystart="6" dayend="18" sunset="19" nightstart="20")", 6, Of(kDay), {3, 15}, 0},
      // sunset - dayend - 0.5 is 0: the stars come out over the rest of the dusk.
      {R"(nightend="5" sunrise="6" daystart="7" dayend="18" sunset="18.5" nightstart="20")", 19.5, Of(Darken(kSunset, 32)),
       {3 + 32 / 3.0, 15}, 500},
      // ... or below 0: half an hour of 1.3 darkens by 64 x 0.5 / 1.3 = 24.6,
      // so 25 %, and shows 384.6, so 385 stars.
      {R"(nightend="5" sunrise="6" daystart="7" dayend="18" sunset="18.2" nightstart="20")", 19.2,
       Of(Darken(kSunset, 25)), {3 + 25 / 3.0, 15}, 385},
      // A sliver of 0.01 hours would ask for 150000 stars: a clear night's 1000.
      {R"(nightend="5" sunrise="6" daystart="7" dayend="18" sunset="18.51" nightstart="22")", 20.51, Of(Darken(kSunset, 32)),
       {3 + 32 / 3.0, 15}, 1000},
      // An early dawn from 2 o'clock would start with 4000 stars.
      {R"(nightend="2" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20")", 2, Of(kNight), kDefaultAngles,
       1000},
      // Past midnight is the next day.
      {R"(nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20")", 36, Of(kDay), kDefaultAngles, 0},
      {R"(nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20")", -1, Of(kNight), kDefaultAngles,
       1000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.hours << " at " << row.t);
    std::string config = mud_fixture::DefaultConfig();
    config.replace(config.find(times), times.size(), std::string("<TIME ") + row.hours + "/>");
    World world(config);
    std::unique_ptr<TMud> mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    mud->ApplyState({100, 100, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}, 11, row.t, 0, 0, 0, TMobsquare());
    EXPECT_EQ(SceneBands(*mud), row.bands);
    ExpectAngles(*mud, row.angles);
    EXPECT_EQ(mud->SkyDome->GetStars()->GetCount(), (row.stars + 9) / 10 * 10);
  }
}

class Brightness : public EnvironmentWorld {
protected:
  Brightness()
      : EnvironmentWorld(With(R"(<TEXTURE texture="textures\tree.bmp" alpha="0.5" magminfilter="linear"/>)",
                              R"(<TEXTURE texture="textures\tree.bmp" terrainbrightnessfactor="40"/>
  <TEXTURE texture="textures\\stone.bmp" emission="fff0c0"/>)")) {}
  // A tree, a stone sphere and a brick cube in the static map, so each
  // texture has its material from the start.
  void Prepare() override {
    const char* colours[] = {"008000", "00ffff", "ff0000"};
    for (int i = 0; i < 3; ++i) world.Paint(1, 150 + i, 150, HexToColor(colours[i]));
  }
  float BrightnessOf(const char* name) {
    TGLLibMaterial* material = mud->MaterialLibrary->LibMaterialByName(name);
    EXPECT_NE(material, nullptr) << name;
    return material ? material->GetMaterial()->GetTexture()->GetImageBrightness() : -1;
  }
};

// Night light 575757: 30 % lighter is 898989, 40 % lighter 9a9a9a; a
// texture's own emission stands whatever the hour.
TEST_F(Brightness, TexturesFollowTheLightOfTheDay) {
  Apply(12, 0, 0, 11);
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\brick.bmp"), 1.0f);
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\tree.bmp"), 1.0f);
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\stone.bmp"), static_cast<float>(0xC0F0FF / 16777215.0));
  Apply(23, 0, 0, 11);
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\brick.bmp"), static_cast<float>(0x898989 / 16777215.0));
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\tree.bmp"), static_cast<float>(0x9A9A9A / 16777215.0));
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\stone.bmp"), static_cast<float>(0xC0F0FF / 16777215.0));
  // The materials before the clouds' keep theirs.
  EXPECT_FLOAT_EQ(mud->MaterialLibrary->LibMaterialByName("aerial")->GetMaterial()->GetTexture()->GetImageBrightness(),
                  1.0f);

  // An unchanged light level leaves the textures alone...
  TGLTexture& brick = *mud->MaterialLibrary->LibMaterialByName("textures\\brick.bmp")->GetMaterial()->GetTexture();
  brick.SetImageBrightness(0.25f);
  Apply(23.5, 0, 0, 11);
  EXPECT_FLOAT_EQ(brick.GetImageBrightness(), 0.25f);
  // ... but a texture loaded meanwhile takes the level at once.
  mud->LoadTexture("textures\\well.bmp");
  EXPECT_FLOAT_EQ(BrightnessOf("textures\\well.bmp"), static_cast<float>(0x898989 / 16777215.0));
  Apply(12, 0, 0, 11);
  EXPECT_FLOAT_EQ(brick.GetImageBrightness(), 1.0f);
}

}  // namespace
