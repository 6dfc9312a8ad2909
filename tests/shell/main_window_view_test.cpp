// The main window's 3D view under an X server (Xvfb): after the start-up
// the view fills the panel "pnviewer", a screenshot of the window has the
// view's pixels where the panel is, resizing the panel re-renders at the
// new size, and closing stops the cadencer.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "engine/cadencer.h"
#include "tests/shell/gui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;
using gui_test::kStartupRgb;
using gui_test::Near;

class MainWindowView : public ::testing::Test {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { errors.push_back(message); };
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    main->FormActivate();
    viewer = main->findChild<GL3DSceneViewer*>("GL3DSceneViewer");
    ASSERT_NE(viewer, nullptr);
  }
  void TearDown() override {
    windows.reset();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
  bool WaitForFrameAfter(int frames) {
    return QTest::qWaitFor([&] { return viewer->FrameCount() > frames; }, 5000);
  }

  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  GL3DSceneViewer* viewer = nullptr;
  std::vector<std::string> errors;
};

TEST_F(MainWindowView, ScreenshotHasTheViewWhereThePanelIs) {
  EXPECT_EQ(viewer->parentWidget(), main->pnviewer);
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 5000));
  ASSERT_TRUE(WaitForFrameAfter(0));
  EXPECT_EQ(viewer->size(), main->pnviewer->size());

  const QImage shot = main->grab().toImage();
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/main_window_view.png";
  EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;

  const QRect panel(main->pnviewer->mapTo(main, QPoint(0, 0)), main->pnviewer->size());
  const qreal ratio = shot.devicePixelRatio();
  auto at = [&](QPoint p) { return shot.pixelColor(static_cast<int>(p.x() * ratio), static_cast<int>(p.y() * ratio)); };
  EXPECT_TRUE(Near(at(panel.center()), kStartupRgb)) << at(panel.center()).name().toStdString();
  EXPECT_TRUE(Near(at(panel.topLeft() + QPoint(3, 3)), kStartupRgb));
  EXPECT_TRUE(Near(at(panel.bottomRight() - QPoint(3, 3)), kStartupRgb));
  // The text pane below is not the view.
  const QRect pane(main->mmtelnet->mapTo(main, QPoint(0, 0)), main->mmtelnet->size());
  EXPECT_FALSE(Near(at(pane.center()), kStartupRgb));
}

TEST_F(MainWindowView, ResizingThePanelRendersAtTheNewSize) {
  ASSERT_TRUE(WaitForFrameAfter(0));
  const int frames = viewer->FrameCount();
  const int before = main->pnviewer->height();
  main->spviewer->setSizes({before + 100, main->pntelnet->height() - 100});
  ASSERT_TRUE(QTest::qWaitFor([&] { return main->pnviewer->height() != before; }, 5000));
  ASSERT_TRUE(WaitForFrameAfter(frames));
  const QImage frame = viewer->grabFramebuffer();
  EXPECT_EQ(frame.height(), viewer->ToDevicePixels(main->pnviewer->height()));
  EXPECT_EQ(frame.width(), viewer->ToDevicePixels(main->pnviewer->width()));
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() - 3), kStartupRgb));
}

TEST_F(MainWindowView, CadencerRunsFromStartUpUntilClose) {
  MainViewPanel& view = *main->GetView();
  EXPECT_TRUE(view.GetCadencer()->GetEnabled());
  main->FormClose();
  EXPECT_FALSE(view.GetCadencer()->GetEnabled());
}

}  // namespace
