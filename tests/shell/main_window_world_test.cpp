// The main window under an X server (Xvfb) on the sample world, its state
// set through the client core (the view made most of the window), with the
// screenshots kept in the test output folder:
// - at three hours of its day (night ends 5, sunrise 6, day 7 to 18, sunset
//   19, night from 21): "main_window_hour_12.png", "main_window_hour_19_30.png"
//   and "main_window_hour_23.png"; the sky's pixels lie on the bands of the
//   hour's table, and stars shine only at night;
// - flying above the village at noon, looking down over it:
//   "main_window_village.png"; where the static map puts a house (colour
//   ff0000, a townwall cube 3 high under a roof) the top of the cube shows
//   the roof's colours; where it puts a town wall (0000ff, 2 high) its faces
//   show the townwall's.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/client_globals.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/texture_loading.h"
#include "engine/scene.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"
#include "tests/shell/view_probe.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QSplitter>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

using gui_test::ViewProbe;

using Table = std::array<int32_t, 7>;  // 0x00BBGGRR, horizon to zenith

constexpr Table kDay = {0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xAA7A46, 0x7C431C};
constexpr Table kSunset = {0x3355A3, 0x287AD1, 0x4A96C8, 0x849191, 0x9F7353, 0x604210, 0x000000};
constexpr Table kNight = {0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111};

QColor Rgb(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Whether c lies (within a few levels) on the gradient of one of the
// table's six bands: the dome shades a band from its start colour to its
// stop colour.
bool OnBands(QColor c, const Table& table, int tolerance = 6) {
  for (size_t i = 0; i + 1 < table.size(); ++i) {
    const QColor a = Rgb(table[i]), b = Rgb(table[i + 1]);
    const double d[3] = {double(b.red() - a.red()), double(b.green() - a.green()), double(b.blue() - a.blue())};
    const double p[3] = {double(c.red() - a.red()), double(c.green() - a.green()), double(c.blue() - a.blue())};
    const double length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double s = length == 0 ? 0 : std::clamp((p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / length, 0.0, 1.0);
    bool near = true;
    for (int k = 0; k < 3; ++k) near = near && std::abs(p[k] - s * d[k]) <= tolerance;
    if (near) return true;
  }
  return false;
}

// The mean colour of a texture of the program folder's world.
QColor MeanColour(const std::string& texture) {
  bool resized = false;
  const Bitmap bitmap = LoadTextureBitmap(std::string(CLIENT_PROGRAM_DIR) + "/textures/" + texture, 0, false, resized);
  double sum[3] = {0, 0, 0};
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      const int32_t c = bitmap.GetPixel(x, y);
      sum[0] += c & 0xFF, sum[1] += (c >> 8) & 0xFF, sum[2] += (c >> 16) & 0xFF;
    }
  const double n = static_cast<double>(bitmap.GetWidth()) * bitmap.GetHeight();
  return QColor(static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n));
}

int Distance(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

class MainWindowWorld : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(WorldShown());
    // Most of the window for the view.
    main->spviewer->setSizes({700, 100});
  }

  // The state applied; after two more frames, the whole window's
  // screenshot saved under the name.
  QImage ShotOf(TMudstate& state, const std::string& name) {
    TMud& mud = *main->GetMud();
    mud.ReceivedState->Assign(&state);
    mud.Update();
    const int frames = viewer->FrameCount();
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > frames + 1; }, 30000));
    QImage shot = gui_test::WindowShot(*main, *viewer);
    shot.setDevicePixelRatio(1);
    std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
    const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/" + name;
    EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;
    return shot;
  }
  // Where the view lies in the screenshot.
  QRect View() const {
    return {viewer->mapTo(main, QPoint(0, 0)) * viewer->devicePixelRatioF(),
            viewer->size() * viewer->devicePixelRatioF()};
  }
};

struct Sky {
  int onBands = 0, samples = 0, stars = 0;
};

// The top eighth of the view: mostly sky (a lamp or a roof may rise into
// it). A star is a pixel far brighter than the night's $111111 and whiter
// than any sky colour of the tables at that height.
Sky ReadSky(const QImage& view, const Table& table) {
  Sky sky;
  for (int y = 1; y < view.height() / 8; ++y)
    for (int x = 1; x < view.width() - 1; ++x) {
      const QColor c = view.pixelColor(x, y);
      if (x % 3 == 0 && y % 3 == 0) {
        ++sky.samples;
        sky.onBands += OnBands(c, table);
      }
      if (c.red() > 90 && c.green() > 90 && c.blue() > 90 && std::abs(c.red() - c.blue()) < 70 &&
          !OnBands(c, table, 20))
        ++sky.stars;
    }
  return sky;
}

TEST_F(MainWindowWorld, SkyAndStarsFollowTheHour) {
  struct Hour {
    double t;
    const char* file;
    const Table& table;
    bool stars;
  } const hours[] = {
      // Day: the day table, no stars.
      {12.0, "main_window_hour_12.png", kDay, false},
      // Late dusk, half an hour after sunset: the sunset table not yet
      // darkened (d = 0), its stars not yet out (S = 0).
      {19.5, "main_window_hour_19_30.png", kSunset, false},
      // Night: $111111 everywhere above, and a clear sky's 1000 stars.
      {23.0, "main_window_hour_23.png", kNight, true},
  };
  std::vector<QColor> tops;
  for (const Hour& hour : hours) {
    SCOPED_TRACE(hour.file);
    // At the start position, looking south over the village square.
    main->GetMud()->CurrentState->Time = hour.t;
    const QImage view = ShotOf(*main->GetMud()->CurrentState, hour.file).copy(View());
    ASSERT_FALSE(view.isNull());
    const Sky sky = ReadSky(view, hour.table);
    EXPECT_GT(sky.onBands * 4, sky.samples * 3) << sky.onBands << " of " << sky.samples << " on the hour's bands";
    if (hour.stars)
      EXPECT_GT(sky.stars, 20);
    else
      EXPECT_EQ(sky.stars, 0);
    tops.push_back(view.pixelColor(view.width() / 2, 2));
  }
  // Each hour's sky is off the other hours' tables at the top of the view.
  EXPECT_FALSE(OnBands(tops[0], kSunset, 2)) << tops[0].name().toStdString();
  EXPECT_FALSE(OnBands(tops[1], kDay, 2)) << tops[1].name().toStdString();
  EXPECT_FALSE(OnBands(tops[2], kDay, 2)) << tops[2].name().toStdString();
  EXPECT_FALSE(OnBands(tops[2], kSunset, 2)) << tops[2].name().toStdString();
}

TEST_F(MainWindowWorld, RoofsAndWallsStandWhereTheMapPutsThem) {
  TMud& mud = *main->GetMud();
  ViewProbe probe(*mud.Scene->GetObjects());
  // Flying (terrain type 10) 4 above the ground height of the square,
  // north of the village, looking south and down over it at noon.
  TMudstate& state = *mud.CurrentState;
  const int px = 176, py = 192;
  state.Time = 12;
  state.Level = 10;
  state.GetPosition()->SetPoint(px, py, 4);
  state.GetDirection()->SetVector(0, -1, -0.5f);
  const QImage shot = ShotOf(state, "main_window_village.png");
  ASSERT_GT(probe.Frames(), 0);
  const QRect view = View();

  // Each seen point is nearer the colours of its own texture than of the
  // other's and of the grass about the village: a house's roof at the
  // middle of its top; a town wall's face at half its height, on a side
  // whose neighbour is no town wall (where the wall has a face) turned
  // toward the camera, away from the houses that may hide it.
  std::map<std::string, QColor> means;
  for (const char* texture : {"roof.bmp", "townwall.bmp", "Grass.jpg"}) means[texture] = MeanColour(texture);
  std::map<std::string, int> seen;
  auto expect = [&](const char* texture, int x, int y, const TVector4f& point) {
    const QPoint p = probe.ShotPixel(point, *main, *viewer);
    // Clear of the view's edges, so that the point lies inside.
    if (!view.adjusted(8, 8, -8, -8).contains(p)) return;
    const QColor c = shot.pixelColor(p);
    std::string nearest;
    for (const auto& [name, mean] : means)
      if (nearest.empty() || Distance(c, mean) < Distance(c, means[nearest])) nearest = name;
    ++seen[texture];
    EXPECT_EQ(nearest, texture) << "cell " << x << ", " << y << " at (" << p.x() << ", " << p.y()
                                << "): " << c.name().toStdString();
  };
  const int32_t house = HexToColor("ff0000"), wall = HexToColor("0000ff");
  const float v = static_cast<float>(mud.VisualScale);
  // A house 3 high hides what lies behind it on the line of sight (seen
  // from above, the line from the player's cell).
  auto behindHouse = [&](double x, double y) {
    for (double t = 0; t < 1; t += 0.02)
      if (mud.GetPixel(1, static_cast<int>(std::lround(px + (x - px) * t)),
                       static_cast<int>(std::lround(py + (y - py) * t))) == house)
        return true;
    return false;
  };
  for (int y = py - 50; y <= py; ++y)
    for (int x = px - 30; x <= px + 30; ++x) {
      const int32_t colour = mud.GetPixel(1, x, y);
      TVector4f point = mud.CellToScene(x, y);
      if (colour == house) {
        point[1] += 3 * v;
        expect("roof.bmp", x, y, point);
      } else if (colour == wall) {
        const struct {
          int dx, dy;
        } sides[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
        for (auto [dx, dy] : sides) {
          const bool facesCamera = dx != 0 ? (px - x) * dx > 0 : (py - y) * dy > 0;
          if (mud.GetPixel(1, x + dx, y + dy) == wall || !facesCamera || behindHouse(x + 0.5 * dx, y + 0.5 * dy))
            continue;
          const TVector4f face = mud.MudToSceneXY(x + 0.5 * dx, y + 0.5 * dy);
          expect("townwall.bmp", x, y, {face[0], point[1] + 1 * v, face[2], 1});
        }
      }
    }
  EXPECT_GE(seen["roof.bmp"], 3);
  EXPECT_GE(seen["townwall.bmp"], 10);
}

}  // namespace
