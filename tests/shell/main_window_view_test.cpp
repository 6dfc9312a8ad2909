// The main window's 3D view under an X server (Xvfb): after the start-up on
// the sample world the view fills the panel "pnviewer" and shows the world
// under its sky (the screenshot "main_window_world.png" in the test output
// folder), resizing the panel re-renders at the new size, the frame loop at
// rest neither spins nor draws and a moving scene draws no faster than the
// screen, and closing stops the cadencer.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/gl_api.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <dlfcn.h>
#include <time.h>

#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

using gui_test::kStartupRgb;
using gui_test::Near;

// Counts the cadencer's ticks; each may also run a step of its own.
class TickCounter : public TGLCadenceAbleComponent {
public:
  void DoProgress(const TProgressTimes&) override {
    ++Ticks;
    if (Step) Step();
  }
  int Ticks = 0;
  std::function<void()> Step;
};

// Counts the exposures of a window while it lives.
class ExposeCounter : public QObject {
public:
  explicit ExposeCounter(QWindow& window) : FWindow(window) { FWindow.installEventFilter(this); }
  ~ExposeCounter() override { FWindow.removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Expose) ++Count;
    return false;
  }
  int Count = 0;

private:
  QWindow& FWindow;
};

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The application's own loop (not a test helper's polling) for `ms`.
void RunLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class MainWindowView : public MainWindowOnScreen {
protected:
  bool WaitForFrameAfter(int frames) {
    return QTest::qWaitFor([&] { return viewer->FrameCount() > frames; }, 5000);
  }
};

TEST_F(MainWindowView, ScreenshotShowsTheSampleWorldUnderItsSky) {
  EXPECT_EQ(viewer->parentWidget(), main->pnviewer);
  ASSERT_NE(main->GetMud(), nullptr);
  EXPECT_TRUE(main->GetMud()->GetBuilt()) << main->GetMud()->GetCreateError();
  // The first frame comes soon after the start-up; a hang would not.
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 60000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > 0; }, 60000));
  EXPECT_EQ(viewer->size(), main->pnviewer->size());
  // The ground is the terrain renderer's; the flat height field beside it
  // is not drawn.
  TGL3DScene& scene = *main->GetView()->GetScene();
  EXPECT_TRUE(scene.FindSceneObject("TerrainRenderer")->GetVisible());
  EXPECT_FALSE(scene.FindSceneObject("HeightField")->GetVisible());
  TGLContext& context = *viewer->GetBuffer()->GetRenderingContext();
  context.Activate();
  EXPECT_EQ(GL().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  context.Deactivate();

  const QImage shot = gui_test::WindowShot(*main, *viewer);
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/main_window_world.png";
  EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;

  const QRect panel(main->pnviewer->mapTo(main, QPoint(0, 0)), main->pnviewer->size());
  const qreal ratio = shot.devicePixelRatio();
  auto at = [&](int x, int y) {
    return shot.pixelColor(static_cast<int>((panel.left() + x) * ratio), static_cast<int>((panel.top() + y) * ratio));
  };
  auto brightness = [](QColor c) { return c.red() + c.green() + c.blue(); };
  // The top row is the noon sky (the day table's upper bands, blue above
  // red and green) but where a near object rises into it, such as a lamp of
  // the start position; the lower part is ground or sea, darker than that
  // sky and not the empty background.
  auto isSky = [](QColor c) { return c.blue() > c.red() + 15 && c.blue() >= c.green(); };
  int skyPixels = 0, samples = 0, skyBrightness = 0;
  for (int x = 2; x < panel.width() - 2; x += 4, ++samples) {
    const QColor sky = at(x, 3);
    if (!isSky(sky)) continue;
    ++skyPixels;
    skyBrightness = std::max(skyBrightness, brightness(sky));
  }
  EXPECT_GT(skyPixels * 4, samples * 3) << skyPixels << " of " << samples << " top-row samples are sky";
  for (int i = 1; i <= 5; ++i) {
    const int x = panel.width() * i / 6;
    const QColor below = at(x, panel.height() * 7 / 10);
    EXPECT_LT(brightness(below) + 60, skyBrightness) << "below at " << x << ": " << below.name().toStdString();
    EXPECT_FALSE(Near(below, kStartupRgb, 6)) << "below at " << x << ": " << below.name().toStdString();
  }
  // The text pane below is not the view.
  const QRect pane(main->mmtelnet->mapTo(main, QPoint(0, 0)), main->mmtelnet->size());
  EXPECT_FALSE(Near(shot.pixelColor(static_cast<int>(pane.center().x() * ratio),
                                    static_cast<int>(pane.center().y() * ratio)),
                    kStartupRgb));
}

TEST_F(MainWindowView, ResizingThePanelRendersAtTheNewSize) {
  ASSERT_TRUE(WaitForFrameAfter(0));
  const int frames = viewer->FrameCount();
  const int before = main->pnviewer->height();
  main->spviewer->setSizes({before + 100, main->pntelnet->height() - 100});
  ASSERT_TRUE(QTest::qWaitFor([&] { return main->pnviewer->height() != before; }, 5000));
  ASSERT_TRUE(WaitForFrameAfter(frames));
  const QImage frame = viewer->GrabFrame();
  EXPECT_EQ(frame.height(), viewer->ToDevicePixels(main->pnviewer->height()));
  EXPECT_EQ(frame.width(), viewer->ToDevicePixels(main->pnviewer->width()));
  // Drawn to its new bottom edge: not the black of an unrendered buffer.
  EXPECT_FALSE(Near(frame.pixelColor(frame.width() / 2, frame.height() - 3), QColor(0, 0, 0)));
}

// A key typed after a frame that took 151 ms or more pauses the animation;
// after a quick frame typing leaves it running.
TEST_F(MainWindowView, TypingAfterASlowFramePausesTheAnimation) {
  TGLCadencer& cadencer = *main->GetView()->GetCadencer();
  ASSERT_TRUE(cadencer.GetEnabled());
  main->GL3DSceneViewerBeforeRender();
  main->GL3DSceneViewerAfterRender();
  EXPECT_LT(main->GetLastRenderMs(), 151);
  char16_t key = u'n';
  main->btcommandKeyPress(key);
  EXPECT_TRUE(cadencer.GetEnabled());

  main->GL3DSceneViewerBeforeRender();
  QTest::qSleep(160);
  main->GL3DSceneViewerAfterRender();
  EXPECT_GE(main->GetLastRenderMs(), 151);
  main->btcommandKeyPress(key);
  EXPECT_FALSE(cadencer.GetEnabled());
}

TEST_F(MainWindowView, AtRestTheFrameLoopNeitherSpinsNorDraws) {
  ASSERT_TRUE(WaitForFrameAfter(0));
  // The sample world's sea scrolls on every tick of the world's step, which
  // is drawn like any moving scene; without that step the scene is still.
  TGLCadencer& cadencer = *main->GetView()->GetCadencer();
  cadencer.OnProgress = nullptr;
  RunLoopFor(300);  // the start-up's own repaints settle
  TickCounter counter;
  cadencer.Subscribe(&counter);
  // The window system may ask for a frame (another test program's window
  // going from over the view); those frames are not the ticks'.
  ExposeCounter exposes(*viewer->NativeWindow());
  const int frames = viewer->FrameCount();
  const double cpu = ProcessCpuSeconds();
  RunLoopFor(2000);
  const double used = ProcessCpuSeconds() - cpu;
  cadencer.UnSubscribe(&counter);
  EXPECT_GT(counter.Ticks, 0);
  EXPECT_LE(counter.Ticks, 2 * 150);  // a spin ticks thousands of times a second
  EXPECT_LT(used, 0.3) << counter.Ticks << " ticks";
  EXPECT_LE(viewer->FrameCount() - frames, exposes.Count);  // nothing changed, nothing drawn
}

TEST_F(MainWindowView, MovingSceneDrawsNoFasterThanTheScreen) {
  ASSERT_TRUE(WaitForFrameAfter(0));
  TGLCadencer& cadencer = *main->GetView()->GetCadencer();
  TGLCamera* camera = main->GetView()->GetCamera();
  ASSERT_NE(camera, nullptr);
  TickCounter counter;
  counter.Step = [camera] { camera->GetPosition()->SetX(camera->GetPosition()->GetX() + 0.01f); };
  cadencer.Subscribe(&counter);
  ExposeCounter exposes(*viewer->NativeWindow());
  const int frames = viewer->FrameCount();
  RunLoopFor(1000);
  cadencer.UnSubscribe(&counter);
  // Frames the window system asked for are not the ticks'.
  const int drawn = viewer->FrameCount() - frames - exposes.Count;
  // A second of the screen's frames, with a little slack for the loop's
  // own second running over.
  const double screenFrames = gui_test::ScreenRefreshRate() * 1.2 + 2;
  EXPECT_GT(drawn, 1);
  EXPECT_LE(drawn, counter.Ticks + 1);
  EXPECT_LE(counter.Ticks, screenFrames);
  EXPECT_LE(drawn, screenFrames);
}

TEST_F(MainWindowView, CadencerRunsFromStartUpUntilClose) {
  MainViewPanel& view = *main->GetView();
  EXPECT_TRUE(view.GetCadencer()->GetEnabled());
  main->FormClose();
  EXPECT_FALSE(view.GetCadencer()->GetEnabled());
}

}  // namespace
