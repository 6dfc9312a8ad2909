// The main window's 3D view as the player meets it under an X server
// (Xvfb): input made by the window system on the view's own native window
// (not sent to a widget), reaching the window's handlers. The world shows
// under its sky and the X server's picture of the window holds the view's
// frame at its size; a drag turns the view; a double click near the top
// edge sends the direction ahead; a right click on a monster sends "kill"
// and its name; after a click in the view typed keys still reach the
// command line; hiding and showing the 3D window keeps the view drawing.
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/cadencer.h"
#include "engine/gl_coordinates.h"
#include "objects/dummy_cube.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"
#include "tests/shell/test_server.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <optional>
#include <string>

namespace {

using gui_test::Near;
using gui_test::WaitFor;

class MainWindowNativeView : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(WorldShown());
    window = viewer->NativeWindow();
    // A still scene: the frame grabbed is the frame on the screen.
    main->GetView()->GetCadencer()->OnProgress = nullptr;
  }
  void Connect(TestServer& server) {
    main->GetTelnet().SetPort(server.port);
    main->btconnect->click();
    ASSERT_TRUE(server.Accept());
  }
  TMudstate& Current() { return *main->GetMud()->CurrentState; }

  QWindow* window = nullptr;
};

TEST_F(MainWindowNativeView, TheScreenShowsTheWorldUnderItsSkyAtTheViewsSize) {
  const QImage frame = viewer->GrabFrame();
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.size(), viewer->size() * viewer->devicePixelRatioF());
  // The noon sky along the top: blue above red and green.
  int sky = 0, samples = 0;
  for (int x = 2; x < frame.width() - 2; x += 8, ++samples) {
    const QColor c = frame.pixelColor(x, 3);
    sky += c.blue() > c.red() + 15 && c.blue() >= c.green();
  }
  EXPECT_GT(sky * 4, samples * 3) << sky << " of " << samples;

  // What the X server holds where the view is: the frame as drawn. Other
  // test programs may open windows on the same server at the same place
  // (there is no window manager), so the window is raised before each look.
  const QPoint origin = viewer->mapToGlobal(QPoint(0, 0));
  int same = 0, points = 0;
  for (int look = 0; look < 20 && (points == 0 || same < points); ++look) {
    main->raise();
    QTest::qWait(20);
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, origin.x(), origin.y(), viewer->width(), viewer->height())
                              .toImage();
    ASSERT_EQ(screen.size(), frame.size());
    same = points = 0;
    for (int y = 1; y < frame.height(); y += frame.height() / 7)
      for (int x = 1; x < frame.width(); x += frame.width() / 9, ++points)
        same += Near(screen.pixelColor(x, y), frame.pixelColor(x, y));
  }
  EXPECT_EQ(same, points);
}

TEST_F(MainWindowNativeView, ADragOnTheViewTurnsIt) {
  const TVector4f before = Current().GetDirection()->AsVector();
  const QPoint from(window->width() / 2, window->height() / 2);
  QTest::mousePress(window, Qt::LeftButton, {}, from);
  for (int step = 1; step <= 6; ++step) QTest::mouseMove(window, from + QPoint(10 * step, 0));
  QTest::mouseRelease(window, Qt::LeftButton, {}, from + QPoint(60, 0));
  const TVector4f after = Current().GetDirection()->AsVector();
  EXPECT_FALSE(before[0] == after[0] && before[1] == after[1] && before[2] == after[2]);
}

TEST_F(MainWindowNativeView, ClicksOnTheViewSendTheirCommandsAndLeaveTheKeysToTheCommandLine) {
  TestServer server;
  Connect(server);
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  main->mmcommand->setFocus();
  // Facing (0, -1): the band along the top edge is "south".
  QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(window->width() / 2, 3));
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "south\r\n"; })) << server.Received();

  // The guard where the view shows it, found by picking.
  TMud& core = *main->GetMud();
  Current().Mobs().Cell(0, 0) = {"guard"};
  core.Update();
  ASSERT_EQ(core.MobSquare->GetCount(), 1);
  const TGLBaseSceneObject* sprite = core.MobSquare->GetChild(0)->GetChild(0);
  std::optional<QPoint> on;
  for (int y = viewer->height() / 2; !on && y < viewer->height(); y += 12)
    for (int x = 2; !on && x < viewer->width(); x += 8)
      if (viewer->GetPickedObject(x, y) == sprite) on = QPoint(x, y);
  ASSERT_TRUE(on) << "the guard is not in view";
  QTest::mouseClick(window, Qt::RightButton, {}, *on);
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "south\r\nkill guard\r\n"; })) << server.Received();

  // The window keeps the keyboard: keys typed go on to the command line.
  ASSERT_EQ(QGuiApplication::focusWindow(), main->windowHandle());
  EXPECT_EQ(QApplication::focusWidget(), main->mmcommand);
  for (char key : std::string("look")) QTest::keyClick(QGuiApplication::focusWindow(), key);
  EXPECT_EQ(main->mmcommand->toPlainText(), "look");
}

TEST_F(MainWindowNativeView, HidingAndShowingThe3DWindowKeepsTheViewDrawing) {
  main->N3DWindow1->trigger();
  ASSERT_FALSE(viewer->isVisible());
  // Nothing is drawn while hidden, however often the scene changes.
  const int hiddenFrames = viewer->FrameCount();
  for (int change = 0; change < 10; ++change) {
    Current().Time = change % 2 ? 11 : 13;  // by day: the sky stays blue
    main->GetMud()->Update();
    viewer->Invalidate();
    QTest::qWait(30);
  }
  EXPECT_EQ(viewer->FrameCount(), hiddenFrames) << "frames drawn while hidden";
  main->N3DWindow1->trigger();
  ASSERT_TRUE(viewer->isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const int frames = viewer->FrameCount();
  viewer->Invalidate();
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > frames; }, 5000));
  const QImage frame = viewer->GrabFrame();
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.size(), viewer->size() * viewer->devicePixelRatioF());
  const QColor top = frame.pixelColor(frame.width() / 2, 3);
  EXPECT_GT(top.blue(), top.red() + 15) << top.name().toStdString();
}

}  // namespace
