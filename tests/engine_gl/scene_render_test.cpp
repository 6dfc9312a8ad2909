// The scene on a real off-screen context: frame render and render to a
// bitmap with known pixels, picking, the light slots, fog, and a frame that
// fails half-way.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/camera.h"
#include "engine/custom_scene_object.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/light_source.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "platform/base/assertion.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

constexpr int kSize = 64;
constexpr TColor kBlue = 0x00FF0000;  // 0x00BBGGRR

// A square of half size `half` at height z, facing +Z.
void Square(float x0, float y0, float x1, float y1, float z) {
  const GLApi& gl = GL();
  gl.glNormal3f(0, 0, 1);
  gl.glBegin(GL_QUADS);
  gl.glVertex3f(x0, y0, z);
  gl.glVertex3f(x1, y0, z);
  gl.glVertex3f(x1, y1, z);
  gl.glVertex3f(x0, y1, z);
  gl.glEnd();
}

class SceneRender : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEglContextClass();
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 10);
    light = scene.GetObjects()->AddNewChild<TGLLightSource>();
    light->GetPosition()->SetPoint(0, 0, 10);
    light->SetLightStyle(lsOmni);
    // Red, lit, behind, covering the upper half of the view.
    red = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    red->GetPosition()->SetPoint(0, 0, -5);
    red->SetOnRender([](TObject*, TRenderContextInfo&) {
      const TVector4f black{0, 0, 0, 1}, diffuse{1, 0, 0, 1};
      SetGLMaterialColors(GL_FRONT, black, black, diffuse, black, 0);
      Square(-1, 0, 1, 1.2f, 0);
    });
    // Green, unlit, nearer, in the middle.
    green = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    green->SetOnRender([](TObject*, TRenderContextInfo& rci) {
      const bool lit = rci.GLStates.Contains(stLighting);
      UnSetGLState(rci.GLStates, stLighting);
      GL().glColor3f(0, 1, 0);
      Square(-0.4f, -0.4f, 0.4f, 0.4f, 0);
      if (lit) SetGLState(rci.GLStates, stLighting);
    });
    buffer.SetBackgroundColor(kBlue);
    buffer.Resize(kSize, kSize);
    buffer.SetCamera(camera);
  }

  void TearDown() override {
    buffer.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }

  void MakeContext() { buffer.CreateRenderingContext(0, true); }

  // B, G, R, A at (x, y) of a top-down picture.
  static std::array<int, 4> Pixel(const RasterBuffer& bitmap, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * bitmap.Width + x) * 4;
    return {bitmap.Pixels[at], bitmap.Pixels[at + 1], bitmap.Pixels[at + 2], bitmap.Pixels[at + 3]};
  }

  // R, G, B of the buffer's own colour buffer at (x, y) from the bottom.
  std::array<int, 3> FramePixel(int x, int y) {
    TGLContext* context = buffer.GetRenderingContext();
    context->Activate();
    std::uint8_t p[4] = {};
    GLDriverApi().glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    context->Deactivate();
    return {p[0], p[1], p[2]};
  }

  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera* camera = nullptr;
  TGLLightSource* light = nullptr;
  TGLDirectOpenGL* red = nullptr;
  TGLDirectOpenGL* green = nullptr;
};

TEST_F(SceneRender, BitmapHasTheExpectedPixelsTopRowFirst) {
  MakeContext();
  RasterBuffer bitmap;
  bitmap.Width = kSize;
  bitmap.Height = kSize;
  buffer.RenderToBitmap(bitmap, 96);
  ASSERT_EQ(bitmap.Pixels.size(), static_cast<size_t>(kSize * kSize * 4));
  const auto centre = Pixel(bitmap, 32, 32);
  EXPECT_EQ(centre[1], 255) << "green in the middle";
  EXPECT_EQ(centre[2], 0);
  const auto top = Pixel(bitmap, 32, 5);
  EXPECT_GT(top[2], 200) << "lit red near the top row";
  EXPECT_EQ(top[1], 0);
  EXPECT_EQ(top[0], 0);
  const auto bottom = Pixel(bitmap, 32, 58);
  EXPECT_EQ(bottom[0], 255) << "background blue near the bottom row";
  EXPECT_EQ(bottom[2], 0);
  const auto corner = Pixel(bitmap, 1, 1);
  EXPECT_EQ(corner[0], 255);
}

TEST_F(SceneRender, FrameRenderDrawsTheSameAndTheLightMatters) {
  MakeContext();
  buffer.Render();
  EXPECT_EQ(buffer.GetFrameCount(), 1);
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
  EXPECT_GT(FramePixel(32, 58)[0], 200) << "row 58 from the bottom is near the top";
  light->SetShining(false);
  buffer.Render();
  EXPECT_LT(FramePixel(32, 58)[0], 10) << "no light, no red";
  EXPECT_FALSE(buffer.IsRendering());
  EXPECT_EQ(buffer.GetFrameCount(), 2);
  EXPECT_GT(buffer.GetFramesPerSecond(), 0.0f) << "two frames over a positive time";
  buffer.ResetPerformanceMonitor();
  EXPECT_EQ(buffer.GetFrameCount(), 0);
}

TEST_F(SceneRender, PickingReturnsTheNearerObject) {
  MakeContext();
  buffer.Render();
  EXPECT_EQ(buffer.GetPickedObject(32, 28), green) << "both under the pixel, green nearer";
  EXPECT_EQ(buffer.GetPickedObject(32, 6), red);
  EXPECT_EQ(buffer.GetPickedObject(2, 60), nullptr);
  auto list = buffer.PickListInRectangle({20, 20, 44, 30});
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_LT(list->GetHit(0).ZNear, list->GetHit(1).ZNear);
  EXPECT_FALSE(buffer.IsRendering());
}

TEST_F(SceneRender, ManyHitsGrowTheSelectionBuffer) {
  MakeContext();
  std::vector<TGLBaseSceneObject*> many;
  for (int i = 0; i < 300; ++i) {
    auto* o = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    o->GetPosition()->SetPoint(0, 0, -1.0f - 0.01f * i);
    o->SetOnRender([](TObject*, TRenderContextInfo&) { Square(-0.1f, -0.1f, 0.1f, 0.1f, 0); });
    many.push_back(o);
  }
  TGLPickList list(psMinDepth);
  buffer.PickInRectangle({30, 30, 34, 34}, list, 8);
  EXPECT_EQ(list.GetCount(), 302) << "300 squares, green and red";
  EXPECT_EQ(list.Hit(0), green);
}

TEST_F(SceneRender, LightsBeyondTheEighthAreNotEnabled) {
  std::vector<TGLLightSource*> lights{light};
  for (int i = 0; i < 8; ++i) lights.push_back(scene.GetObjects()->AddNewChild<TGLLightSource>());
  lights[5]->SetShining(false);
  MakeContext();
  buffer.Render();
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  GLint maxLights = 0;
  GLDriverApi().glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(GLDriverApi().glIsEnabled(GL_LIGHT0 + i), i == 5 ? GL_FALSE : GL_TRUE) << "light " << i;
  for (int i = 8; i < maxLights; ++i) EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_LIGHT0 + i)) << "light " << i;
  context->Deactivate();
  EXPECT_EQ(lights[8]->GetLightID(), 0u) << "the ninth light got no slot";
}

TEST_F(SceneRender, FogSetBeforeTheContextIsAppliedWithDensityFromAlpha) {
  buffer.SetFogEnable(true);
  TGLFogEnvironment* fog = buffer.GetFogEnvironment();
  fog->SetFogMode(fmExp);
  fog->GetFogColor()->SetColor({0.5f, 0.5f, 0.5f, 0.35f});
  fog->SetFogStart(3);
  MakeContext();
  buffer.Render();
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  GLfloat density = 0, start = 0;
  GLint mode = 0;
  GLDriverApi().glGetFloatv(GL_FOG_DENSITY, &density);
  GLDriverApi().glGetFloatv(GL_FOG_START, &start);
  GLDriverApi().glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_FOG));
  context->Deactivate();
  EXPECT_FLOAT_EQ(density, 0.35f);
  EXPECT_FLOAT_EQ(start, 3.0f);
  EXPECT_EQ(mode, GL_EXP);
  EXPECT_FALSE(fog->Changed());
}

TEST_F(SceneRender, AFrameThatThrowsLeavesTheBufferAbleToRenderTheNext) {
  MakeContext();
  bool fail = true;
  auto* bad = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  bad->SetOnRender([&](TObject*, TRenderContextInfo&) {
    GL().glPushMatrix();
    if (fail) throw Exception("drawable failed");
    GL().glPopMatrix();
  });
  EXPECT_THROW(buffer.Render(), Exception);
  EXPECT_FALSE(buffer.IsRendering());
  EXPECT_NE(CurrentGLContext(), buffer.GetRenderingContext()) << "deactivated";
  fail = false;
  buffer.Render();
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(SceneRender, ManyFailingFramesInARowLeaveNothingBehind) {
  MakeContext();
  bool fail = true;
  auto* bad = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  bad->SetOnRender([&](TObject*, TRenderContextInfo&) {
    if (!fail) return;
    GL().glPushAttrib(GL_ENABLE_BIT);
    GL().glMatrixMode(GL_PROJECTION);
    GL().glPushMatrix();
    GL().glMatrixMode(GL_MODELVIEW);
    GL().glPushMatrix();
    GL().glBegin(GL_TRIANGLES);
    throw Exception("drawable failed inside a primitive");
  });
  // More failures than GL's stacks are deep.
  for (int i = 0; i < 40; ++i) EXPECT_THROW(buffer.Render(), Exception) << "frame " << i;
  fail = false;
  EXPECT_NO_THROW(buffer.Render());
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  GLint depth = -1;
  GLDriverApi().glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  GLDriverApi().glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  GLDriverApi().glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 0);
  context->Deactivate();
}

TEST_F(SceneRender, TheStateCacheTellsTheTruthInFramesAndBitmaps) {
  MakeContext();
  std::vector<std::string> mismatches;
  int draws = 0;
  auto* checker = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  checker->SetOnRender([&](TObject*, TRenderContextInfo& rci) {
    ++draws;
    for (int i = 0; i < kGLStateCount; ++i) {
      const auto state = static_cast<TGLState>(i);
      const bool on = GLDriverApi().glIsEnabled(GLStateToEnum(state)) == GL_TRUE;
      if (on != rci.GLStates.Contains(state))
        mismatches.push_back("draw " + std::to_string(draws) + " state " + std::to_string(i));
    }
  });
  buffer.Render();
  buffer.Render();
  RasterBuffer bitmap;
  bitmap.Width = bitmap.Height = kSize;
  buffer.RenderToBitmap(bitmap);
  buffer.Render();
  EXPECT_EQ(draws, 4);
  EXPECT_EQ(mismatches, std::vector<std::string>{});
  EXPECT_EQ(Pixel(bitmap, 32, 32)[1], 255);
}

// A pane of a clear, blending material (what a lamp's sprite is where its
// picture is clear) drawn before what stands behind it: as a cell window's
// sprite is drawn before the static buildings.
class TClearPane : public TGLCustomSceneObject {
  CLIENT_DECLARE_CLASS(TClearPane)
public:
  explicit TClearPane(TComponent* owner = nullptr) : TGLCustomSceneObject(owner) {
    FObjectStyle |= sosDirectDraw;
    GetMaterial()->SetBlendingMode(bmTransparency);
    GetMaterial()->GetFrontProperties()->GetDiffuse()->SetAlpha(0);
  }
  void BuildList(TRenderContextInfo&) override { Square(-1, 0, 1, 1.2f, 2); }
};
CLIENT_DEFINE_CLASS(TClearPane, TGLCustomSceneObject)

TEST_F(SceneRender, ABitmapIsTheFrameTheViewShows) {
  MakeContext();
  // Its parent is opaque, so the pane is drawn in its turn, before the red.
  auto* group = scene.GetObjects()->AddNewChildFirst<TGLDirectOpenGL>();
  group->AddNewChild<TClearPane>();
  buffer.Render();
  buffer.Render();
  ASSERT_GT(FramePixel(32, 58)[0], 200) << "the red behind the clear pane";
  std::vector<std::uint8_t> frame(kSize * kSize * 4);
  buffer.GetRenderingContext()->Activate();
  GLDriverApi().glReadPixels(0, 0, kSize, kSize, GL_BGRA, GL_UNSIGNED_BYTE, frame.data());
  buffer.GetRenderingContext()->Deactivate();
  RasterBuffer bitmap;
  bitmap.Width = bitmap.Height = kSize;
  buffer.RenderToBitmap(bitmap, 96);
  int differ = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      for (int c = 0; c < 3; ++c)
        differ += frame[((kSize - 1 - y) * kSize + x) * 4 + c] != Pixel(bitmap, x, y)[c];
  EXPECT_EQ(differ, 0) << "the bitmap's pixels against the frame's";
  EXPECT_GT(Pixel(bitmap, 32, 5)[2], 200) << "the red behind the clear pane";
}

TEST_F(SceneRender, AGLErrorInAFrameIsReportedAndTheNextFrameRenders) {
  MakeContext();
  bool fail = true;
  auto* bad = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  bad->SetOnRender([&](TObject*, TRenderContextInfo&) {
    if (fail) GL().glEnd();  // no glBegin: GL_INVALID_OPERATION
  });
  EXPECT_THROW(buffer.Render(), EOpenGLError);
  EXPECT_FALSE(buffer.IsRendering());
  fail = false;
  EXPECT_NO_THROW(buffer.Render());
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(SceneRender, PickingThatThrowsLeavesSelectionMode) {
  MakeContext();
  auto* bad = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  bool fail = true;
  bad->SetOnRender([&](TObject*, TRenderContextInfo&) {
    if (fail) throw Exception("drawable failed");
  });
  EXPECT_THROW(buffer.GetPickedObject(32, 32), Exception);
  fail = false;
  EXPECT_EQ(buffer.GetPickedObject(32, 28), green);
  buffer.Render();
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(SceneRender, RenderingFromInsideARenderIsRefused) {
  MakeContext();
  auto* nested = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  nested->SetOnRender([&](TObject*, TRenderContextInfo&) {
    RasterBuffer inner;
    inner.Width = inner.Height = 4;
    buffer.RenderToBitmap(inner);
  });
  try {
    buffer.Render();
    ADD_FAILURE() << "a render inside a render went through";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Already rendering", 0), 0u) << e.what();
  }
  nested->SetVisible(false);
  EXPECT_NO_THROW(buffer.Render());
}

TEST_F(SceneRender, UnbalancedModelViewStackIsReportedOnce) {
  MakeContext();
  bool push = true;
  buffer.PostRender = [&](TObject*) {
    if (push) buffer.PushModelViewMatrix(IdentityHmgMatrix);
  };
  try {
    buffer.Render();
    ADD_FAILURE() << "an unbalanced stack went unreported";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Unbalance Push/PopModelViewMatrix.", 0), 0u) << e.what();
  }
  push = false;
  EXPECT_NO_THROW(buffer.Render());
}

TEST_F(SceneRender, DisplayListsAreCompiledOnceAndRebuiltAfterAChange) {
  MakeContext();
  int builds = 0;
  green->SetUseBuildList(true);
  green->SetOnRender([&](TObject*, TRenderContextInfo&) {
    ++builds;
    GL().glColor3f(0, 1, 0);
    Square(-0.4f, -0.4f, 0.4f, 0.4f, 0);
  });
  buffer.SetLighting(false);
  buffer.Render();
  buffer.Render();
  EXPECT_EQ(builds, 1);
  EXPECT_EQ(FramePixel(32, 32), (std::array<int, 3>{0, 255, 0}));
  green->StructureChanged();
  buffer.Render();
  EXPECT_EQ(builds, 2);
}

TEST_F(SceneRender, ASecondBufferOnTheSceneSharesTheDisplayLists) {
  MakeContext();
  int builds = 0;
  green->SetUseBuildList(true);
  green->SetOnRender([&](TObject*, TRenderContextInfo&) {
    ++builds;
    GL().glColor3f(0, 1, 0);
    Square(-0.4f, -0.4f, 0.4f, 0.4f, 0);
  });
  buffer.SetLighting(false);
  buffer.Render();
  TGL3DSceneBuffer second;
  second.SetLighting(false);
  second.Resize(kSize, kSize);
  second.SetCamera(camera);
  second.SetBackgroundColor(kBlue);
  second.CreateRenderingContext(0, true);
  second.Render();
  EXPECT_EQ(builds, 1) << "the list compiled for the first buffer plays in the second";
  ASSERT_TRUE(second.GetRenderingContext()->SharesListsWith(buffer.GetRenderingContext()));
  second.GetRenderingContext()->Activate();
  std::uint8_t p[4] = {};
  GLDriverApi().glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  second.GetRenderingContext()->Deactivate();
  EXPECT_EQ(p[1], 255);
  EXPECT_EQ(scene.Buffers().size(), 2u);
  second.DestroyRenderingContext();
  EXPECT_EQ(scene.Buffers().size(), 1u);
}

TEST_F(SceneRender, AxesAreDrawnWithoutLeavingState) {
  MakeContext();
  green->SetShowAxes(true);
  buffer.SetLighting(false);
  buffer.Render();
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  GLint depth = -1;
  GLDriverApi().glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 0);
  GLDriverApi().glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_LINE_STIPPLE)) << "the axes' attributes are popped";
  EXPECT_EQ(GLDriverApi().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  context->Deactivate();
}

}  // namespace
