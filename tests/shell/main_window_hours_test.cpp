// The main window under an X server (Xvfb) on the sample world at three
// hours of its day (night ends 5, sunrise 6, day 7 to 18, sunset 19, night
// from 21), applied through the client core: screenshots
// "main_window_hour_12.png", "main_window_hour_19_30.png" and
// "main_window_hour_23.png" in the test output folder. The sky's pixels lie
// on the bands of the hour's table, and stars shine only at night.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "client/mud_state.h"
#include "tests/shell/gui_test_support.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;

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

class MainWindowHours : public ::testing::Test {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { errors.push_back(message); };
    main->resize(1024, 900);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    main->FormActivate();
    viewer = main->findChild<GL3DSceneViewer*>("GL3DSceneViewer");
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(main->GetMud(), nullptr);
    ASSERT_TRUE(main->GetMud()->GetBuilt()) << main->GetMud()->GetCreateError();
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible() && viewer->FrameCount() > 0; }, 60000));
  }
  void TearDown() override {
    windows.reset();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // The view at the hour (clear, no fog, at the start position looking
  // south over the village square), saved under the name.
  QImage ShotAt(double hour, const std::string& name) {
    TMud& mud = *main->GetMud();
    mud.CurrentState->Time = hour;
    mud.ReceivedState->Assign(mud.CurrentState.get());
    mud.Update();
    const int frames = viewer->FrameCount();
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > frames + 1; }, 30000));
    QImage shot = main->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.setDevicePixelRatio(1);
    std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
    const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/" + name;
    EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;
    const QRect panel(viewer->mapTo(main, QPoint(0, 0)) * viewer->devicePixelRatioF(),
                      viewer->size() * viewer->devicePixelRatioF());
    return shot.copy(panel);
  }

  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  GL3DSceneViewer* viewer = nullptr;
  std::vector<std::string> errors;
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

TEST_F(MainWindowHours, SkyAndStarsFollowTheHour) {
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
    const QImage view = ShotAt(hour.t, hour.file);
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

}  // namespace
