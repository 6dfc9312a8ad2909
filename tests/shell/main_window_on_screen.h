#pragma once
// The real main window on an X server (Xvfb), started on the sample world as
// the program starts it, for the tests of its 3D view, drawables and menus.
// A test without a display is skipped; an error the window reports fails it.

#include "client/mud.h"
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"
#include "tests/shell/gui_test_support.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPainter>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace gui_test {

// The window as the screen shows it: its widgets as they paint, and the 3D
// view's frame where the view is (the view draws into a native window of its
// own, which the widgets' picture leaves out).
inline QImage WindowShot(QWidget& window, GL3DSceneViewer& viewer) {
  QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage frame = viewer.GrabFrame();
  if (!frame.isNull() && viewer.isVisible()) {
    QPainter painter(&shot);
    painter.drawImage(QPointF(viewer.mapTo(&window, QPoint(0, 0))), frame);
  }
  return shot;
}

}  // namespace gui_test

class MainWindowOnScreen : public ::testing::Test {
protected:
  void SetUp() override {
    if (!gui_test::GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    gui_test::PinGLDriver();
    Open();
  }
  void TearDown() override {
    windows.reset();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // The windows made and the main window shown and activated, as the
  // program starts them.
  void Open() {
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { errors.push_back(message); };
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    main->FormActivate();
    // The statistics caption (a setting an earlier test may have saved)
    // resets the view's frame count every 240 ms; these tests count frames.
    if (fmcontrol) fmcontrol->cbstats->setChecked(false);
    viewer = main->findChild<GL3DSceneViewer*>("GL3DSceneViewer");
    ASSERT_NE(viewer, nullptr);
  }

  // The sample world built and its first frame on the screen, as a player
  // first sees it.
  ::testing::AssertionResult WorldShown() {
    if (!main->GetMud()) return ::testing::AssertionFailure() << "no world was made";
    if (!main->GetMud()->GetBuilt()) return ::testing::AssertionFailure() << main->GetMud()->GetCreateError();
    if (!QTest::qWaitFor([&] { return viewer->isVisible() && viewer->FrameCount() > 0; }, 60000))
      return ::testing::AssertionFailure() << "no frame within a minute";
    if (!QTest::qWaitForWindowExposed(viewer->NativeWindow()))
      return ::testing::AssertionFailure() << "the view's window is not exposed";
    return ::testing::AssertionSuccess();
  }

  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  GL3DSceneViewer* viewer = nullptr;
  std::vector<std::string> errors;
};
