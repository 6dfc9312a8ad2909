// The sky dome on a real off-screen context: the top row of the view shows
// the top band's colour, the dome's own position changes nothing, it
// writes no depth (something drawn after it beyond its radius still
// shows), and drawing it, stars included, leaves no GL state behind.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/sky_dome.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/objects_gl/drawable_on_context.h"
#include "tests/support/gl_fixture.h"

namespace {

constexpr TColor kBlue = 0x00FF0000;  // 0x00BBGGRR

void SetBand(TSkyDomeBand& band, float start, float stop, const TVector4f& colour) {
  band.SetSlices(36);
  band.SetStopAngle(stop);
  band.SetStartAngle(start);
  TGLColor c(nullptr, colour);
  band.SetStartColor(&c);
  band.SetStopColor(&c);
}

class SkyScene : public ::testing::Test {
protected:
  static constexpr int kSize = 64;

  void SetUp() override {
    RegisterEglContextClass();
    // Dome coordinates have Z up: the camera looks along +X, level.
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetDirection()->SetVector(1, 0, 0);
    camera->GetUp()->SetVector(0, 0, 1);
    camera->SetDepthOfView(100);
    camera->SetFocalLength(20);  // the view reaches about 12 degrees above the horizon
    dome = scene.GetObjects()->AddNewChild<TGLSkyDome>();
    SetBand(*dome->GetBands()->GetItems(0), 0, 5, clrRed);
    SetBand(*dome->GetBands()->GetItems(1), 5, 90, clrGreen);
    buffer.SetBackgroundColor(kBlue);
    buffer.Resize(kSize, kSize);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
  }

  void TearDown() override {
    buffer.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }

  RasterBuffer Picture() {
    RasterBuffer bitmap;
    bitmap.Width = kSize;
    bitmap.Height = kSize;
    buffer.RenderToBitmap(bitmap, 96);
    return bitmap;
  }

  // R, G, B at (x, y) of the top-down picture.
  static std::array<int, 3> Rgb(const RasterBuffer& bitmap, int x, int y) {
    const std::size_t at = (std::size_t(y) * bitmap.Width + x) * 4;
    return {bitmap.Pixels[at + 2], bitmap.Pixels[at + 1], bitmap.Pixels[at]};
  }

  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera* camera = nullptr;
  TGLSkyDome* dome = nullptr;
};

}  // namespace

TEST_F(SkyScene, TopRowShowsTheTopBandsColour) {
  const RasterBuffer bitmap = Picture();
  ASSERT_EQ(bitmap.Pixels.size(), std::size_t(kSize * kSize * 4));
  for (int x : {0, kSize / 2, kSize - 1}) EXPECT_EQ(Rgb(bitmap, x, 0), (std::array<int, 3>{0, 255, 0})) << x;
  // Just above the horizon the lower band; below it no band, the background.
  EXPECT_EQ(Rgb(bitmap, kSize / 2, kSize / 2 - 3), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(Rgb(bitmap, kSize / 2, kSize - 1), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(SkyScene, DomePositionChangesNothingButItsTurnDoes) {
  const RasterBuffer before = Picture();
  dome->GetPosition()->SetPoint(40, -25, 60);
  EXPECT_EQ(Picture().Pixels, before.Pixels);
  // Turned upside down (its Z axis down), the green cap is below.
  dome->GetPosition()->SetPoint(0, 0, 0);
  dome->GetDirection()->SetVector(0, 0, -1);
  const RasterBuffer turned = Picture();
  EXPECT_EQ(Rgb(turned, kSize / 2, kSize - 1), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(Rgb(turned, kSize / 2, 0), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(SkyScene, WritesNoDepth) {
  // A white square beyond the dome's radius (0.95 x (100 + near)) but inside
  // the far plane, drawn after the dome: depth written by the dome would hide it.
  auto* square = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  square->SetOnRender([](TObject*, TRenderContextInfo& rci) {
    const TGLStates saved = rci.GLStates;
    UnSetGLState(rci.GLStates, stLighting);
    UnSetGLState(rci.GLStates, stCullFace);
    const GLApi& gl = GL();
    gl.glColor3f(1, 1, 1);
    gl.glBegin(GL_QUADS);
    gl.glVertex3f(99, -5, -5);
    gl.glVertex3f(99, 5, -5);
    gl.glVertex3f(99, 5, 5);
    gl.glVertex3f(99, -5, 5);
    gl.glEnd();
    if (saved.Contains(stLighting)) SetGLState(rci.GLStates, stLighting);
    if (saved.Contains(stCullFace)) SetGLState(rci.GLStates, stCullFace);
  });
  const RasterBuffer bitmap = Picture();
  EXPECT_EQ(Rgb(bitmap, kSize / 2, kSize / 2), (std::array<int, 3>{255, 255, 255}));
}

TEST_F(SkyScene, TwinklingStarsShowOnTheBackground) {
  dome->GetBands()->Clear();
  dome->SetOptions(sdoTwinkle);
  for (int i = -3; i <= 3; ++i) {
    TSkyDomeStar* star = dome->GetStars()->Add();
    star->SetRA(0);
    star->SetDec(float(i));
    star->SetMagnitude(-2);  // class 65: large points
    star->SetColor(0xFFFFFF);
  }
  dome->GetStars()->SetRandomSource([] { return 1.0f; });
  const RasterBuffer bitmap = Picture();
  const auto centre = Rgb(bitmap, kSize / 2, kSize / 2);
  EXPECT_GT(centre[0], 200) << "additive white over blue";
  EXPECT_EQ(Rgb(bitmap, 2, 2), (std::array<int, 3>{0, 0, 255}));
}

class SkyOnContext : public DrawableOnContext {
protected:
  void TearDown() override {
    dome.reset();
    DrawableOnContext::TearDown();
  }
  void RenderTwice() {
    TRenderContextInfo rci;
    rci.cameraPosition = {0, 0, 0, 1};
    rci.cameraDirection = {1, 0, 0, 0};
    rci.rcci.farClippingDistance = 100;
    DrawableOnContext::RenderTwice(*dome, rci);
  }
  std::unique_ptr<TGLSkyDome> dome = std::make_unique<TGLSkyDome>();
};

TEST_F(SkyOnContext, DrawingLeavesNoStateBehind) {
  dome->GetStars()->AddRandomStars(50, 0xFFFFFF, true);
  dome->AddNewChild<TGLDirectOpenGL>()->SetOnRender([](TObject*, TRenderContextInfo&) {});
  // The depth test and lighting the scene had on are on again afterwards.
  GLDriverApi().glEnable(GL_DEPTH_TEST);
  GLDriverApi().glEnable(GL_LIGHTING);
  for (TSkyDomeOptions options : {TSkyDomeOptions(0), sdoTwinkle}) {
    dome->SetOptions(options);
    RenderTwice();
    ExpectNoStateLeft();
    EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_LIGHTING));
  }
  GLDriverApi().glDisable(GL_LIGHTING);
  GLDriverApi().glDisable(GL_DEPTH_TEST);
}
