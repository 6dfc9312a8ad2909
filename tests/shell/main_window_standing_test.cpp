// The real main window under an X server (Xvfb) while the player stands
// still: status lines of the same cell that change only the hour or the
// monsters present turn the view as they come, with nothing else moving
// the scene (the per-frame easing, which also redraws, is held still). Noon
// then 23:00 gives the night sky; a villager arriving is drawn where the
// player stands.
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/cadencer.h"
#include "engine/scene_buffer.h"
#include "objects/dummy_cube.h"
#include "objects/sky_dome.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QTest>

#include <string>

namespace {

using gui_test::Near;

// The village square.
std::string HillLine(const std::string& answer, const std::string& time, const std::string& monsters = "") {
  return answer + "\r\nHp 30 |4|" + time + "|176,174,0|9|0|0|0|" + monsters;
}

class MainWindowStandingStill : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(WorldShown());
    // Only the status lines may change the view: no easing, no day cycle.
    main->GetView()->GetCadencer()->OnProgress = nullptr;
    fmcontrol->cbdoday->setChecked(false);
    fmcontrol->cbfog->setChecked(true);
  }

  TMud& Core() { return *main->GetMud(); }

  // Of the points along the frame's top rows, how many are near the colour.
  static int TopNear(const QImage& frame, QColor colour, int& samples) {
    int near = 0;
    samples = 0;
    for (int y = 2; y < 12; y += 3)
      for (int x = 2; x < frame.width() - 2; x += 8, ++samples) near += Near(frame.pixelColor(x, y), colour, 6);
    return near;
  }
};

TEST_F(MainWindowStandingStill, NightFallingInTheSameCellTurnsTheSkyToNight) {
  main->IdTelnet1DataAvailable(HillLine("You look around.", "12:00"));
  const QImage noon = viewer->GrabFrame();
  ASSERT_FALSE(noon.isNull());
  const QColor noonTop = noon.pixelColor(noon.width() / 2, 3);
  ASSERT_GT(noonTop.blue(), noonTop.red() + 15) << noonTop.name().toStdString();

  main->IdTelnet1DataAvailable(HillLine("You wait.", "23:00"));
  // The view's state: the night table on every band, the night background.
  for (std::int32_t colour : Core().GetSkyBandColours()) EXPECT_EQ(colour, 0x111111);
  EXPECT_EQ(viewer->GetBuffer()->GetBackgroundColor(), 0x111111);
  EXPECT_GT(Core().SkyDome->GetStars()->GetCount(), 0) << "no stars at night under a clear sky";
  // The frame: the dark sky along the top (a star here and there).
  const QImage night = viewer->GrabFrame();
  ASSERT_FALSE(night.isNull());
  int samples = 0;
  const int dark = TopNear(night, QColor(0x11, 0x11, 0x11), samples);
  EXPECT_GT(dark * 10, samples * 9) << dark << " of " << samples;
}

TEST_F(MainWindowStandingStill, AMonsterArrivingInTheSameCellIsDrawn) {
  main->IdTelnet1DataAvailable(HillLine("You look around.", "12:00"));
  ASSERT_EQ(Core().MobSquare->GetCount(), 0);
  const QImage before = viewer->GrabFrame();
  ASSERT_FALSE(before.isNull());

  main->IdTelnet1DataAvailable(HillLine("A villager arrives.", "12:00", "0,0villager|"));
  // The view's state: the villager's object where the player stands.
  ASSERT_EQ(Core().MobSquare->GetCount(), 1);
  const TGLBaseSceneObject* sprite = Core().MobSquare->GetChild(0)->GetChild(0);
  const QImage after = viewer->GrabFrame();
  ASSERT_FALSE(after.isNull());
  // The frame: where picking finds the villager's sprite, the picture
  // changed, but for the clear parts of its picture.
  int on = 0, changed = 0;
  for (int y = 2; y < viewer->height(); y += 8)
    for (int x = 2; x < viewer->width(); x += 8)
      if (viewer->GetPickedObject(x, y) == sprite) {
        ++on;
        const QPoint pixel(viewer->ToDevicePixels(x), viewer->ToDevicePixels(y));
        changed += !Near(after.pixelColor(pixel), before.pixelColor(pixel), 6);
      }
  ASSERT_GT(on, 0) << "the villager is not in view";
  EXPECT_GT(changed * 2, on) << changed << " of " << on;
}

}  // namespace
