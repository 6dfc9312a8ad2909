// The per-frame step without GL: easing of the displayed weather toward the
// received one, the view updated only when cloud or fog moved, the clouds'
// drift and the scrolling textures of the world description.
#include "tests/client/mud_fixture.h"

#include <filesystem>

#include "client/mud_state.h"
#include "client/texture_cache.h"
#include "engine/gl_coordinates.h"
#include "engine/camera.h"
#include "engine/material_library.h"
#include "objects/dummy_cube.h"
#include "objects/lines.h"
#include "world_fixture.h"

namespace {

using mud_fixture::World;

TEST(Approach, EasesTowardTheTargetWithoutPassingIt) {
  struct Row {
    double current, target, rate, dt, expected;
  } const rows[] = {
      {0, 5, 0.125, 1.0 / 60, 0.125 / 60},  // up by rate x dt
      {4.999, 5, 0.125, 1, 5},             // not beyond the target
      {5, 5, 0.125, 1, 5},
      {3, 0, 0.125, 1, 2.875},             // down linearly above half a unit
      {0.5, 0, 0.125, 1, 0.375},
      {0.3, 0, 0.125, 1.0 / 60, 0.2},      // the last half unit: divided by 1.5
      {0.2, 0, 0.125, 1.0 / 60, 0.2 / 1.5},
      {0.00005, 0, 0.125, 1, 0},           // below 0.0001 it is nothing
      {0.4, 0.3, 0.125, 1, 0.3},           // toward a target other than 0: linear, clamped
      {0.4, 0.2, 0.125, 1.0 / 60, 0.4 - 0.125 / 60},
      // Toward an unset target: from nothing down by rate x dt, held at -1.
      {0.00005, -1, 0.125, 1, -0.125},
      {0.00005, -1, 0.125, 10, -1},
  };
  for (const Row& row : rows)
    EXPECT_DOUBLE_EQ(TMud::Approach(row.current, row.target, row.rate, row.dt), row.expected)
        << row.current << " -> " << row.target << " dt " << row.dt;
}

class Progress : public testing::Test {
protected:
  explicit Progress(const std::string& config = mud_fixture::DefaultConfig()) : world(config) {}
  void SetUp() override {
    mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    current().GetPosition()->SetPoint(100, 100, 0);
    current().Time = 12;
    current().Level = 11;
    current().Cloud = current().Fog = current().Wind = current().Rain = 0;
    received().Assign(&current());
  }
  TMudstate& current() { return *mud->CurrentState; }
  TMudstate& received() { return *mud->ReceivedState; }
  float CloudsOffset() { return mud->CloudsMaterial->GetTextureOffset()->GetX(); }

  World world;
  std::unique_ptr<TMud> mud;
};

// Fog sent at 10 fades in over 80 seconds at 60 frames a second: one view
// update per frame while it moves, none once it is there.
TEST_F(Progress, FogEasesInWithoutOvershootAndStopsUpdating) {
  received().Fog = 10;
  const double dt = 1.0 / 60;
  int frames = 0;
  double last = 0;
  while (current().Fog < 10 && frames < 10000) {
    const int updates = mud->UpdateCount;
    mud->Progress(dt);
    ++frames;
    ASSERT_GT(current().Fog, last) << "frame " << frames;
    ASSERT_LE(current().Fog, 10.0) << "frame " << frames;
    ASSERT_EQ(mud->UpdateCount, updates + 1);
    last = current().Fog;
  }
  EXPECT_EQ(current().Fog, 10.0);
  EXPECT_NEAR(frames, 80 * 60, 1);
  const int updates = mud->UpdateCount;
  for (int i = 0; i < 10; ++i) mud->Progress(dt);
  EXPECT_EQ(mud->UpdateCount, updates);

  // An unset fog (-1) is nothing to move toward: the fog stays.
  received().Fog = -1;
  for (int i = 0; i < 10; ++i) mud->Progress(dt);
  EXPECT_EQ(current().Fog, 10.0);
  EXPECT_EQ(mud->UpdateCount, updates);
}

// Received weather the view cannot show as it is: the easing goes as far as
// the view follows and stops updating there. Only -1 is unset; fog comes
// from the status line times five, so 50 is the thickest fog, 10.
TEST_F(Progress, WeatherEasesOnlyAsFarAsTheViewShowsIt) {
  struct Row {
    const char* what;
    double TMudstate::*value;
    double from, received, reached;
  } const rows[] = {
      {"fog sent times five", &TMudstate::Fog, 0, 50, 10},
      {"fog below nothing", &TMudstate::Fog, 2, -3, 0},
      {"unset fog", &TMudstate::Fog, 2, -1, 2},
      {"cloud below nothing", &TMudstate::Cloud, 2, -0.5, 0},
      {"unset cloud", &TMudstate::Cloud, 2, -1, 2},
      {"cloud above 10", &TMudstate::Cloud, 9, 12, 12},
      {"cloud past the darkest sky", &TMudstate::Cloud, 29, 45, 30},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    current().Cloud = received().Cloud = 0;
    current().Fog = received().Fog = 0;
    current().*row.value = row.from;
    received().*row.value = row.received;
    for (int second = 0; second < 200; ++second) mud->Progress(1);
    EXPECT_EQ(current().*row.value, row.reached);
    const int updates = mud->UpdateCount;
    for (int frame = 0; frame < 10; ++frame) mud->Progress(1.0 / 60);
    EXPECT_EQ(mud->UpdateCount, updates) << "no update once the view shows what it can";
  }
  // Wind drifts the clouds and slants the rain, none of it below nothing;
  // it eases without an update, and only -1 leaves it where it is.
  current().Wind = 1;
  received().Wind = -2;
  const int updates = mud->UpdateCount;
  for (int second = 0; second < 30; ++second) mud->Progress(1);
  EXPECT_EQ(current().Wind, 0);
  EXPECT_EQ(mud->UpdateCount, updates);
  current().Wind = 1;
  received().Wind = -1;
  mud->Progress(1);
  EXPECT_EQ(current().Wind, 1);
}

// Cloud and fog moving in the same frame apply the state once.
TEST_F(Progress, CloudAndFogMovingTogetherUpdateOnce) {
  received().Cloud = 5;
  received().Fog = 3;
  for (int frame = 1; frame <= 5; ++frame) {
    mud->Progress(1.0 / 60);
    EXPECT_EQ(mud->UpdateCount, frame);
  }
  EXPECT_DOUBLE_EQ(current().Cloud, 5 * 0.125 / 60);
  EXPECT_DOUBLE_EQ(current().Fog, 5 * 0.125 / 60);
}

// While the weather eases, every frame applies the state again; none of
// them reads a picture file, even where the static objects round the
// player use more large textures than the cache holds.
TEST(ProgressTextures, FramesOfTheEasingWeatherReadNoFile) {
  std::string config = mud_fixture::DefaultConfig();
  const std::string cache = R"(texturecachesize="4")";
  config.replace(config.find(cache), cache.size(), R"(texturecachesize="2")");
  World world(config);
  // Brick, plaster and door, all larger than the small size.
  for (const char* name : {"plaster.bmp", "door.bmp"})
    mud_fixture::WriteBmp(world.Folder() / "textures" / name, SolidBitmap(128, 128, 0x406080));
  world.Paint(1, 101, 100, 0x0000FF);  // a cube: brick, and a roof kept at its own size
  world.Paint(1, 99, 104, 0xFF0000);   // a sided wall of the room map: brick and plaster
  world.Paint(1, 98, 104, 0x0080FF);   // a cube with doors on the room map's exits
  std::unique_ptr<TMud> mud = world.Create();
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  TMudstate& current = *mud->CurrentState;
  current.GetPosition()->SetPoint(99, 102, 0);
  current.Time = 12;
  current.Level = 11;
  current.Cloud = current.Fog = current.Wind = current.Rain = 0;
  mud->ReceivedState->Assign(&current);
  mud->Update();
  ASSERT_EQ(mud->TextureCache->GetCount(), 2);

  std::filesystem::rename(world.Folder() / "textures", world.Folder() / "gone");
  mud->ReceivedState->Cloud = 5;
  const int updates = mud->UpdateCount;
  for (int frame = 0; frame < 60; ++frame) ASSERT_NO_THROW(mud->Progress(1.0 / 60)) << "frame " << frame;
  EXPECT_EQ(mud->UpdateCount, updates + 60);
}

TEST_F(Progress, FogClearsLinearlyThenGeometrically) {
  current().Fog = 3;
  received().Fog = 0;
  const double dt = 0.5;
  // Down by 0.0625 a frame while not below half a unit: 41 frames to 0.4375.
  for (int i = 1; i <= 41; ++i) {
    mud->Progress(dt);
    ASSERT_EQ(current().Fog, 3 - i * 0.0625) << i;
  }
  // Then a third less each frame, until below 0.0001 it is gone.
  double expected = 0.4375;
  int frames = 0;
  while (current().Fog > 0 && frames < 100) {
    mud->Progress(dt);
    expected = expected < 0.0001 ? 0 : expected / 1.5;
    ASSERT_DOUBLE_EQ(current().Fog, expected);
    ++frames;
  }
  EXPECT_EQ(current().Fog, 0.0);
  // 0.4375 / 1.5^21 < 0.0001 < 0.4375 / 1.5^20: 21 frames, then nothing.
  EXPECT_EQ(frames, 22);
}

TEST_F(Progress, WindEasesWithoutAnUpdateAndDriftsTheClouds) {
  received().Wind = 4;
  current().Cloud = received().Cloud = 5;
  mud->Progress(1);
  EXPECT_EQ(current().Wind, 0.125);
  EXPECT_EQ(mud->UpdateCount, 0);
  EXPECT_FLOAT_EQ(CloudsOffset(), static_cast<float>(1 * 0.125 / 10 * 0.1));

  // A long frame eases as one second but drifts for all of it.
  current().Wind = 4;
  received().Cloud = 10;
  const float before = CloudsOffset();
  mud->Progress(5);
  EXPECT_EQ(current().Cloud, 5.125);
  EXPECT_EQ(mud->UpdateCount, 1);
  EXPECT_FLOAT_EQ(CloudsOffset() - before, static_cast<float>(5 * 4.0 / 10 * 0.1));

  // No drift by night, without clouds, without wind, or in the undefined area.
  struct Row {
    double time, cloud, wind;
    float x, y;
  } const still[] = {{23, 5, 4, 100, 100}, {12, 0, 4, 100, 100}, {12, 5, 0, 100, 100}, {12, 5, 4, 5, 5}};
  for (const Row& row : still) {
    current().Time = row.time;
    current().Cloud = received().Cloud = row.cloud;
    current().Wind = received().Wind = row.wind;
    current().GetPosition()->SetPoint(row.x, row.y, 0);
    const float offset = CloudsOffset();
    mud->Progress(1);
    EXPECT_EQ(CloudsOffset(), offset) << row.time << " " << row.cloud << " " << row.wind << " " << row.x;
  }
}

// The stored rain line and its 19 clones: two nodes each, the stored
// colour, under the rain cube.
TEST_F(Progress, RainFallsAsTwentyLinesBeforeTheCamera) {
  ASSERT_EQ(mud->RainCube->GetCount(), 20);
  for (size_t i = 0; i < mud->RainLines.size(); ++i) {
    ASSERT_EQ(mud->RainCube->GetChild(static_cast<int>(i)), mud->RainLines[i]);
    EXPECT_EQ(mud->RainLines[i]->GetNodes()->GetCount(), 2);
    EXPECT_FLOAT_EQ(mud->RainLines[i]->GetLineColor()->GetAlpha(), 0.1f);
  }
  // Both nodes of line i: x, y, z of the first, then of the second.
  auto nodes = [&](size_t i) {
    const TGLLinesNodes& n = *mud->RainLines[i]->GetNodes();
    const TVector4f& a = n.GetItems(0)->AsVector();
    const TVector4f& b = n.GetItems(1)->AsVector();
    return std::array<float, 6>{a[0], a[1], a[2], b[0], b[1], b[2]};
  };
  const auto stored = nodes(10);
  EXPECT_EQ(stored, (std::array<float, 6>{0, 0, 0, 0, 1, 0}));

  mud->Camera->GetPosition()->SetPoint(10, 2, 30);
  mud->Camera->GetDirection()->SetVector(0, 0, -1);
  current().Rain = 2.5;
  current().Wind = received().Wind = 4;
  std::vector<std::array<float, 6>> first;
  for (int frame = 0; frame < 2; ++frame) {
    mud->Progress(1.0 / 60);
    const TGLCoordinates& cube = *mud->RainCube->GetPosition();
    EXPECT_EQ((std::array<float, 3>{cube.GetX(), cube.GetY(), cube.GetZ()}), (std::array<float, 3>{10, 2, 29.75f}));
    // 20 x 2.5 / 10 = 5: lines 1 to 4 show, 5 streaks are drawn anew.
    for (size_t i = 0; i < 20; ++i) {
      SCOPED_TRACE(testing::Message() << "frame " << frame << " line " << i + 1);
      EXPECT_EQ(mud->RainLines[i]->GetVisible(), i + 1 < 5);
      const auto n = nodes(i);
      if (i >= 5) {
        EXPECT_EQ(n, stored);
        continue;
      }
      EXPECT_GE(n[0], -0.5f);
      EXPECT_LT(n[0], 0.5f);
      EXPECT_EQ(n[1], -1.0f);
      EXPECT_GE(n[2], -0.5f);
      EXPECT_LT(n[2], 0.5f);
      // Three units long, slanting with the wind.
      EXPECT_FLOAT_EQ(n[3], n[0] - 0.4f);
      EXPECT_EQ(n[4], 2.0f);
      EXPECT_EQ(n[5], n[2]);
      if (frame == 0) {
        first.push_back(n);
      } else {
        EXPECT_NE(first[i], n) << "a new streak every frame";
      }
    }
  }
  // Rain stopped: the lines stay as they were.
  current().Rain = 0;
  const auto last = nodes(0);
  mud->Progress(1.0 / 60);
  EXPECT_EQ(nodes(0), last);
  EXPECT_TRUE(mud->RainLines[0]->GetVisible());
  // Heavy rain: all twenty, each drawn anew.
  current().Rain = 15;
  mud->Progress(1.0 / 60);
  for (TGLLines* line : mud->RainLines) EXPECT_TRUE(line->GetVisible());
  EXPECT_NE(nodes(19), stored);
}

class Scrolling : public Progress {
protected:
  static std::string Config() {
    std::string config = mud_fixture::DefaultConfig();
    const std::string from = "<TEXTURES>";
    config.replace(config.find(from), from.size(), R"(<TEXTURES>
  <TEXTURE texture="textures\\up.bmp" addscaledvectory="0.2"/>
  <TEXTURE texture="textures\both.bmp" addscaledvectorx="0.3" addscaledvectory="0.4"/>
  <TEXTURE texture="textures\\still.bmp" scale="2"/>
  <TEXTURE texture="textures\\absent.bmp" addscaledvectorx="1"/>)");
    return config;
  }
  Scrolling() : Progress(Config()) {}
  TGLCoordinates& OffsetOf(const char* name) {
    TGLLibMaterial* material = mud->MaterialLibrary->LibMaterialByName(name);
    if (!material) {
      material = mud->MaterialLibrary->GetMaterials()->Add();
      material->SetName(name);
    }
    return *material->GetTextureOffset();
  }
};

// Keys written with doubled or single backslashes scroll the material of
// the texture's own name, by speed x elapsed time (a long frame in full).
TEST_F(Scrolling, TexturesMoveAlongTheirAxis) {
  TGLCoordinates& sea = OffsetOf("textures\\sea.bmp");
  TGLCoordinates& up = OffsetOf("textures\\up.bmp");
  TGLCoordinates& both = OffsetOf("textures\\both.bmp");
  TGLCoordinates& still = OffsetOf("textures\\still.bmp");
  mud->Progress(0.5);
  mud->Progress(5);
  struct Row {
    TGLCoordinates* offset;
    float x, y;
  } const rows[] = {{&sea, 0.1f * 5.5f, 0}, {&up, 0, 0.2f * 5.5f}, {&both, 0.3f * 5.5f, 0}, {&still, 0, 0}};
  for (const Row& row : rows) {
    EXPECT_FLOAT_EQ(row.offset->GetX(), row.x);
    EXPECT_FLOAT_EQ(row.offset->GetY(), row.y);
  }
}

}  // namespace
