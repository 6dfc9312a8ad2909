// The 3D view under an X server (Xvfb): the widget renders the scene
// through its buffer, repaints when the scene changes, re-renders at a new
// size, picks outside paint, and renders into a bitmap through a context
// that shares with the view's.
#include "shell/scene_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/camera.h"
#include "engine/context.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "tests/shell/gui_test_support.h"

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;
using gui_test::Near;

// The GL driver keeps allocations for the life of the process; kept loaded
// to the end, its frames stay readable for the leak check's suppressions.
constexpr TColor kBackground = 0xA88760;  // red 0x60, green 0x87, blue 0xA8
const QColor kBackgroundRgb(0x60, 0x87, 0xA8);

// A camera five units in front of a red square of side 2 at the origin.
struct RedSquareScene {
  RedSquareScene() {
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->SetName("GLCamera");
    camera->GetPosition()->SetPoint(0, 0, 5);
    camera->GetDirection()->SetVector(0, 0, -1);
    square = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    square->SetName("square");
    square->SetOnRender([](TObject*, TRenderContextInfo&) {
      const GLApi& gl = GL();
      gl.glColor3f(1, 0, 0);
      gl.glBegin(GL_QUADS);
      gl.glVertex3f(-1, -1, 0);
      gl.glVertex3f(1, -1, 0);
      gl.glVertex3f(1, 1, 0);
      gl.glVertex3f(-1, 1, 0);
      gl.glEnd();
    });
  }
  TGL3DScene scene;
  TGLCamera* camera = nullptr;
  TGLDirectOpenGL* square = nullptr;
};

class SceneViewerTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    window = std::make_unique<QWidget>();
    window->setWindowTitle("viewer test");
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    viewer = new GL3DSceneViewer(window.get());
    layout->addWidget(viewer);
    errors.clear();
    viewer->OnError = [this](const std::string& m) { errors.push_back(m); };
    viewer->SetCamera(world.camera);
    viewer->GetBuffer()->SetBackgroundColor(kBackground);
    viewer->GetBuffer()->SetLighting(false);
    window->resize(200, 150);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->GetBuffer()->GetFrameCount() > 0; }, 5000));
  }
  void TearDown() override {
    window.reset();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
  // The stencil bits of the buffer the view draws into.
  int StencilBits() {
    TGLContext* context = viewer->GetBuffer()->GetRenderingContext();
    if (!context) return -1;
    context->Activate();
    GLint bits = -1;
    GL().glGetIntegerv(GL_STENCIL_BITS, &bits);
    context->Deactivate();
    return bits;
  }
  // Waits until the view rendered another frame after `frames`.
  bool WaitForFrameAfter(int frames) {
    return QTest::qWaitFor([&] { return viewer->GetBuffer()->GetFrameCount() > frames; }, 5000);
  }

  RedSquareScene world;
  std::unique_ptr<QWidget> window;
  GL3DSceneViewer* viewer = nullptr;
  std::vector<std::string> errors;
};

TEST_F(SceneViewerTest, ContextIsACompatibilityProfile) {
  ASSERT_NE(viewer->NativeContext(), nullptr);
  const QSurfaceFormat format = viewer->NativeContext()->format();
  EXPECT_TRUE(format.profile() == QSurfaceFormat::CompatibilityProfile || format.majorVersion() < 3 ||
              (format.majorVersion() == 3 && format.minorVersion() == 0))
      << format.majorVersion() << "." << format.minorVersion();
  EXPECT_GE(format.depthBufferSize(), 16);
  EXPECT_EQ(viewer->objectName(), "GL3DSceneViewer");
}

TEST_F(SceneViewerTest, TheWindowAsksForTheDepthAndStencilTheBufferAsksFor) {
  // By default 24 bits of depth and no stencil.
  EXPECT_EQ(viewer->NativeWindow()->requestedFormat().depthBufferSize(), 24);
  EXPECT_EQ(viewer->NativeWindow()->requestedFormat().stencilBufferSize(), 0);
  ASSERT_NE(viewer->NativeContext(), nullptr);
  EXPECT_GE(viewer->NativeContext()->format().depthBufferSize(), 24);
}

TEST_F(SceneViewerTest, ShowsTheSceneOverTheBackground) {
  const QImage frame = viewer->GrabFrame();
  ASSERT_FALSE(frame.isNull());
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), Qt::red));
  EXPECT_TRUE(Near(frame.pixelColor(2, 2), kBackgroundRgb));
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() - 3, frame.height() - 3), kBackgroundRgb));
}

TEST_F(SceneViewerTest, SceneChangeRepaintsTheView) {
  const int frames = viewer->GetBuffer()->GetFrameCount();
  world.square->GetPosition()->SetPoint(100, 0, 0);  // out of sight
  ASSERT_TRUE(WaitForFrameAfter(frames));
  const QImage frame = viewer->GrabFrame();
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), kBackgroundRgb));
}

TEST_F(SceneViewerTest, ResizeRendersAtTheNewSize) {
  const int frames = viewer->GetBuffer()->GetFrameCount();
  window->resize(320, 240);
  ASSERT_TRUE(WaitForFrameAfter(frames));
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->GetBuffer()->GetWidth() == viewer->ToDevicePixels(320); }, 5000));
  EXPECT_EQ(viewer->GetBuffer()->GetHeight(), viewer->ToDevicePixels(240));
  const QImage frame = viewer->GrabFrame();
  EXPECT_EQ(frame.width(), viewer->ToDevicePixels(320));
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), Qt::red));
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() - 3, 2), kBackgroundRgb));
}

TEST_F(SceneViewerTest, PicksOutsidePaintInWidgetPixels) {
  EXPECT_EQ(viewer->GetPickedObject(viewer->width() / 2, viewer->height() / 2), world.square);
  EXPECT_EQ(viewer->GetPickedObject(2, 2), nullptr);
  // The view still paints after a pick.
  const int frames = viewer->GetBuffer()->GetFrameCount();
  viewer->Invalidate();
  ASSERT_TRUE(WaitForFrameAfter(frames));
  const QImage frame = viewer->GrabFrame();
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), Qt::red));
}

TEST_F(SceneViewerTest, OptionsThatNeedANewContextGetOne) {
  const TGLContext* before = viewer->GetBuffer()->GetRenderingContext();
  const int frames = viewer->GetBuffer()->GetFrameCount();
  // A stencil buffer: the window is made again in a format that has one.
  viewer->GetBuffer()->SetContextOptions(roDoubleBuffer | roRenderToWindow | roStencilBuffer);
  EXPECT_NE(viewer->GetBuffer()->GetRenderingContext(), before);
  EXPECT_TRUE(viewer->GetBuffer()->HasRenderingContext());
  EXPECT_GE(StencilBits(), 8);
  ASSERT_TRUE(WaitForFrameAfter(frames));
  QImage frame = viewer->GrabFrame();
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), Qt::red));
  // Another option, on the same window.
  const QWindow* window = viewer->NativeWindow();
  before = viewer->GetBuffer()->GetRenderingContext();
  viewer->GetBuffer()->SetContextOptions(roDoubleBuffer | roRenderToWindow | roStencilBuffer | roTwoSideLighting);
  EXPECT_NE(viewer->GetBuffer()->GetRenderingContext(), before);
  EXPECT_EQ(viewer->NativeWindow(), window);
  frame = viewer->GrabFrame();
  EXPECT_TRUE(Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), Qt::red));
}

TEST_F(SceneViewerTest, RendersIntoABitmapBesideTheView) {
  // The size of the view: the camera's near plane follows the picture size.
  RasterBuffer picture;
  picture.Width = 200;
  picture.Height = 150;
  viewer->GetBuffer()->RenderToBitmap(picture);
  ASSERT_EQ(picture.Pixels.size(), 200u * 150u * 4u);
  auto at = [&](int x, int y) {
    const std::uint8_t* p = &picture.Pixels[(static_cast<size_t>(y) * picture.Width + x) * 4];
    return QColor(p[2], p[1], p[0]);  // blue, green, red, alpha
  };
  EXPECT_TRUE(Near(at(100, 75), Qt::red)) << at(100, 75).name().toStdString();
  EXPECT_TRUE(Near(at(1, 1), kBackgroundRgb)) << at(1, 1).name().toStdString();
  // The view renders on afterwards.
  const int frames = viewer->GetBuffer()->GetFrameCount();
  viewer->Invalidate();
  EXPECT_TRUE(WaitForFrameAfter(frames));
}

}  // namespace
