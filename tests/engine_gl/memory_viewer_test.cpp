// The off-screen viewers on a real EGL context: the memory viewer renders
// the scene at its own size, its render events live in its buffer, and a
// change of context options gives it a new context at the next render.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

constexpr TColor kBlue = 0x00FF0000;  // 0x00BBGGRR

class CountingMemoryViewer : public TGLMemoryViewer {
public:
  int Prepared = 0;

protected:
  void DoPrepareGLContext(TGLContext&) override { ++Prepared; }
};

class MemoryViewer : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEglContextClass();
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 10);
    auto* green = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    green->SetOnRender([](TObject*, TRenderContextInfo&) {
      const GLApi& gl = GL();
      gl.glDisable(GL_LIGHTING);
      gl.glColor3f(0, 1, 0);
      gl.glBegin(GL_QUADS);
      gl.glVertex3f(-0.3f, -0.3f, 0);
      gl.glVertex3f(0.3f, -0.3f, 0);
      gl.glVertex3f(0.3f, 0.3f, 0);
      gl.glVertex3f(-0.3f, 0.3f, 0);
      gl.glEnd();
      gl.glEnable(GL_LIGHTING);
    });
    viewer.SetWidth(40);
    viewer.SetHeight(30);
    viewer.SetCamera(camera);
    viewer.GetBuffer()->SetBackgroundColor(kBlue);
    // Read back while the frame's context is current, before the swap.
    viewer.SetPostRender([this](TObject*) {
      pixels.assign(std::size_t(viewer.GetWidth()) * viewer.GetHeight() * 4, 0);
      GL().glReadPixels(0, 0, viewer.GetWidth(), viewer.GetHeight(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    });
  }

  void TearDown() override {
    viewer.GetBuffer()->DestroyRenderingContext();
    UnRegisterEglContextClass();
  }

  // R, G, B at (x, y), y from the bottom as GL reads.
  std::array<int, 3> Rgb(int x, int y) const {
    const std::size_t at = (std::size_t(y) * viewer.GetWidth() + x) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2]};
  }

  TGL3DScene scene;
  CountingMemoryViewer viewer;
  TGLCamera* camera = nullptr;
  std::vector<unsigned char> pixels;
};

}  // namespace

TEST_F(MemoryViewer, RendersTheSceneAtItsOwnSize) {
  viewer.Render();
  ASSERT_TRUE(viewer.GetBuffer()->HasRenderingContext());
  ASSERT_EQ(pixels.size(), std::size_t(40 * 30 * 4));
  EXPECT_EQ(Rgb(20, 15), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(Rgb(0, 0), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(Rgb(39, 29), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(viewer.Prepared, 1);
}

TEST_F(MemoryViewer, SizeIsAtLeastOneAndANewSizeGivesANewContext) {
  viewer.Render();
  viewer.SetWidth(0);
  EXPECT_EQ(viewer.GetWidth(), 1);
  EXPECT_FALSE(viewer.GetBuffer()->HasRenderingContext());
  viewer.SetWidth(64);
  viewer.SetHeight(-3);
  EXPECT_EQ(viewer.GetHeight(), 1);
  viewer.SetHeight(32);
  viewer.Render();
  EXPECT_EQ(pixels.size(), std::size_t(64 * 32 * 4));
  EXPECT_EQ(Rgb(32, 16), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(Rgb(63, 31), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(viewer.Prepared, 2);
}

TEST_F(MemoryViewer, ContextOptionsChangeMakesANewContextAtTheNextRender) {
  viewer.Render();
  ASSERT_TRUE(viewer.GetBuffer()->HasRenderingContext());
  viewer.GetBuffer()->SetContextOptions(viewer.GetBuffer()->GetContextOptions() | roStencilBuffer);
  EXPECT_FALSE(viewer.GetBuffer()->HasRenderingContext());
  pixels.clear();
  viewer.Render();
  EXPECT_TRUE(viewer.GetBuffer()->HasRenderingContext());
  EXPECT_EQ(viewer.Prepared, 2);
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(Rgb(20, 15), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(MemoryViewer, RenderEventsAreTheBuffersAndRunInOrder) {
  std::vector<std::string> log;
  viewer.SetBeforeRender([&](TObject* sender) {
    EXPECT_EQ(sender, viewer.GetBuffer());
    log.push_back("before");
  });
  viewer.SetPostRender([&](TObject*) { log.push_back("post"); });
  viewer.SetAfterRender([&](TObject*) { log.push_back("after"); });
  EXPECT_TRUE(static_cast<bool>(viewer.GetBuffer()->BeforeRender));
  viewer.Render();
  EXPECT_EQ(log, (std::vector<std::string>{"before", "post", "after"}));
}
