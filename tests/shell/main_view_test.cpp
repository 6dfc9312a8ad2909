// The main window's 3D panel under an X server (Xvfb): before the stored
// scene exists the view shows the start-up background over the scene of
// camera, light and fog; a screenshot of the window has the view's pixels
// where the panel is; resizing the panel re-renders at the new size; the
// cadencer runs between Start and Stop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSplitter>
#include <QTest>
#include <QVBoxLayout>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/light_source.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "shell/scene_viewer.h"
#include "tests/shell/gui_test_support.h"

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;
using gui_test::kStartupRgb;
using gui_test::Near;

bool WaitForFrameAfter(GL3DSceneViewer& viewer, int frames) {
  return QTest::qWaitFor([&] { return viewer.GetBuffer()->GetFrameCount() > frames; }, 5000);
}

class MainViewPanelTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    splitter = new QSplitter(Qt::Vertical, window.get());
    layout->addWidget(splitter);
    panelWidget = new QWidget(splitter);
    splitter->addWidget(panelWidget);
    splitter->addWidget(new QWidget(splitter));
    panel = std::make_unique<MainViewPanel>(*panelWidget);
    window->resize(300, 300);
    splitter->setSizes({150, 150});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    panel.reset();
    window.reset();
  }

  std::unique_ptr<QWidget> window;
  QSplitter* splitter = nullptr;
  QWidget* panelWidget = nullptr;
  std::unique_ptr<MainViewPanel> panel;
};

TEST_F(MainViewPanelTest, HoldsTheStartupObjectsByName) {
  TGL3DScene& scene = *panel->GetScene();
  EXPECT_EQ(scene.FindSceneObject("glcamera"), panel->GetCamera());
  EXPECT_EQ(scene.FindSceneObject("gllight"), panel->GetLight());
  EXPECT_FALSE(panel->GetLight()->GetShining());
  EXPECT_EQ(panel->GetViewer()->GetCamera(), panel->GetCamera());
  EXPECT_EQ(panel->GetViewer()->objectName(), "GL3DSceneViewer");
  EXPECT_TRUE(panel->GetViewer()->GetBuffer()->GetFogEnable());
  EXPECT_EQ(panel->GetCadencer()->GetScene(), &scene);
  EXPECT_FALSE(panel->GetCadencer()->GetEnabled());
  EXPECT_FALSE(panel->GetViewer()->isVisible());  // until the start-up ends
}

TEST_F(MainViewPanelTest, StartShowsTheViewAndRunsTheCadencer) {
  int steps = 0;
  panel->GetScene()->OnProgress = [&](TObject*, double, double) { ++steps; };
  panel->Start();
  GL3DSceneViewer& viewer = *panel->GetViewer();
  ASSERT_TRUE(WaitForFrameAfter(viewer, 0));
  EXPECT_EQ(viewer.size(), panelWidget->size());
  const QImage frame = viewer.GrabFrame();
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), kStartupRgb));
  ASSERT_TRUE(QTest::qWaitFor([&] { return steps > 3; }, 5000));
  panel->Stop();
  QTest::qWait(50);
  const int stopped = steps;
  QTest::qWait(50);
  EXPECT_EQ(steps, stopped);
}

TEST_F(MainViewPanelTest, ResizingThePanelRendersAtTheNewSize) {
  panel->Start();
  GL3DSceneViewer& viewer = *panel->GetViewer();
  ASSERT_TRUE(WaitForFrameAfter(viewer, 0));
  const int frames = viewer.GetBuffer()->GetFrameCount();
  splitter->setSizes({220, 80});
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.GetBuffer()->GetHeight() == viewer.ToDevicePixels(panelWidget->height()); }, 5000));
  ASSERT_TRUE(WaitForFrameAfter(viewer, frames));
  EXPECT_EQ(viewer.GetBuffer()->GetWidth(), viewer.ToDevicePixels(panelWidget->width()));
  const QImage frame = viewer.GrabFrame();
  EXPECT_EQ(frame.height(), viewer.ToDevicePixels(panelWidget->height()));
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() - 3), kStartupRgb));
}

}  // namespace
