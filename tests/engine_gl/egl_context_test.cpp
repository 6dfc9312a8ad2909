// The off-screen EGL context on Mesa's software renderer: what later parts of
// the engine rely on (compatibility profile, immediate mode, display lists,
// GLU, selection picking), activation across contexts and threads, the
// configuration choice and the fixture's own checks.
#include "platform/egl/egl_pbuffer_context.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "engine/context.h"
#include "engine/gl_api.h"
#include "platform/egl/egl_config.h"
#include "tests/support/gl_fixture.h"

namespace {

class EglContext : public GLContextTest {
protected:
  // A quad over the whole view at depth z (model-view and projection are
  // the identity, so z is in clip space: -1 near, 1 far).
  static void Quad(float x0, float x1, float z) {
    const GLApi& gl = GL();
    gl.glBegin(GL_QUADS);
    gl.glVertex3f(x0, -1, z);
    gl.glVertex3f(x1, -1, z);
    gl.glVertex3f(x1, 1, z);
    gl.glVertex3f(x0, 1, z);
    gl.glEnd();
  }
  void ClearBlack() {
    GL().glClearColor(0, 0, 0, 1);
    GL().glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
};

TEST_F(EglContext, GivesDesktopGLFourFiveWithTheCompatibilityProfile) {
  const std::string version = reinterpret_cast<const char*>(GL().glGetString(GL_VERSION));
  EXPECT_GE(GL().VersionMajor * 10 + GL().VersionMinor, 45) << version;
  GLint profile = 0;
  GL().glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_TRUE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) << version;
  EXPECT_EQ(Context().GetAcceleration(), TGLContextAcceleration::Software) << Context().GetRenderer();
  EXPECT_EQ(Context().GetWidth(), kWidth);
  ASSERT_NE(Context().GetConfig(), nullptr);
  EXPECT_EQ(Context().GetConfig()->Red, 8);
  EXPECT_GE(Context().GetConfig()->Depth, 24);
  ExpectNoStateLeft();
}

TEST_F(EglContext, ExtensionsAreFlaggedAndTheirEntryPointsSetOnlyWhenPresent) {
  EXPECT_TRUE(GL().Extensions.ARB_multitexture);
  EXPECT_NE(GL().glActiveTextureARB, nullptr);
  EXPECT_NE(GL().glMultiTexCoord2fARB, nullptr);
  EXPECT_TRUE(GL().Extensions.SGIS_generate_mipmap);
  EXPECT_TRUE(GL().Extensions.ARB_texture_cube_map);
  EXPECT_TRUE(HasGLExtension("GL_ARB_multitexture"));
  EXPECT_FALSE(HasGLExtension("GL_ARB_multi"));  // whole names only
  // Mesa has no vertex array range: flag off, entry points null.
  EXPECT_FALSE(GL().Extensions.NV_vertex_array_range);
  EXPECT_EQ(GL().glVertexArrayRangeNV, nullptr);
  EXPECT_EQ(GL().glFlushVertexArrayRangeNV, nullptr);
}

TEST_F(EglContext, ImmediateModeDrawsIntoThePbuffer) {
  ClearBlack();
  GL().glColor3f(1, 0, 0);
  Quad(-1, 0, 0);  // left half red
  EXPECT_EQ(ReadPixel(10, 32), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
  EXPECT_EQ(ReadPixel(50, 32), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
  ExpectNoStateLeft();
}

TEST_F(EglContext, DisplayListReplaysWhatItRecorded) {
  const GLuint list = GL().glGenLists(1);
  GL().glNewList(list, GL_COMPILE);
  GL().glColor3f(0, 1, 0);
  Quad(0, 1, 0);  // right half green
  GL().glEndList();
  ClearBlack();
  EXPECT_EQ(ReadPixel(50, 32)[1], 0);  // compiled, not drawn
  GL().glCallList(list);
  EXPECT_EQ(ReadPixel(50, 32), (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
  EXPECT_EQ(ReadPixel(10, 32)[1], 0);
  GL().glDeleteLists(list, 1);
  ExpectNoStateLeft();
}

TEST_F(EglContext, GLUQuadricsDraw) {
  ClearBlack();
  GLUquadric* quadric = GL().gluNewQuadric();
  ASSERT_NE(quadric, nullptr);
  GL().glColor3f(0, 0, 1);
  GL().gluDisk(quadric, 0.0, 0.5, 24, 1);
  GL().gluDeleteQuadric(quadric);
  EXPECT_EQ(ReadPixel(32, 32), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
  EXPECT_EQ(ReadPixel(2, 2)[2], 0);  // outside the disk
  ExpectNoStateLeft();
}

TEST_F(EglContext, SelectionModeReportsBothHitsWithTheNearerOneAtTheSmallerDepth) {
  GLuint buffer[64] = {};
  GL().glSelectBuffer(64, buffer);
  GL().glRenderMode(GL_SELECT);
  GL().glInitNames();
  GL().glPushName(0);
  GL().glLoadName(1);
  Quad(-1, 1, 0.5f);  // far
  GL().glLoadName(2);
  Quad(-1, 1, -0.5f);  // near
  const GLint hits = GL().glRenderMode(GL_RENDER);
  ASSERT_EQ(hits, 2);
  // Records: name count, min depth, max depth, names.
  ASSERT_EQ(buffer[0], 1u);
  ASSERT_EQ(buffer[4], 1u);
  const GLuint nameOfFirst = buffer[3], nameOfSecond = buffer[7];
  EXPECT_EQ(nameOfFirst, 1u);
  EXPECT_EQ(nameOfSecond, 2u);
  EXPECT_GT(buffer[1], buffer[5]);  // the near quad has the smaller depth
  const double nearDepth = (buffer[5] >> 1) / 2147483647.0;
  EXPECT_NEAR(nearDepth, 0.25, 1e-3);
  GL().glPopName();

  // A buffer too small for the hits reports an overflow.
  GLuint tiny[3] = {};
  GL().glSelectBuffer(3, tiny);
  GL().glRenderMode(GL_SELECT);
  GL().glInitNames();
  GL().glPushName(7);
  Quad(-1, 1, 0);
  GL().glLoadName(8);
  Quad(-1, 1, 0.2f);
  EXPECT_LT(GL().glRenderMode(GL_RENDER), 0);
  ExpectNoStateLeft();
}

TEST_F(EglContext, ColorBufferReadsBackTopRowFirstInBlueGreenRedAlpha) {
  ClearBlack();
  GL().glEnable(GL_SCISSOR_TEST);
  GL().glScissor(0, kHeight - 1, kWidth, 1);  // the top row only
  GL().glClearColor(1, 0, 0, 1);
  GL().glClear(GL_COLOR_BUFFER_BIT);
  GL().glDisable(GL_SCISSOR_TEST);
  const RasterBuffer picture = Context().ReadColorBuffer();
  ASSERT_EQ(picture.Width, kWidth);
  ASSERT_EQ(picture.Height, kHeight);
  ASSERT_EQ(picture.Pixels.size(), std::size_t(kWidth) * kHeight * 4);
  EXPECT_EQ(std::vector<std::uint8_t>(picture.Pixels.begin(), picture.Pixels.begin() + 4),
            (std::vector<std::uint8_t>{0, 0, 255, 255}));
  const std::size_t secondRow = std::size_t(kWidth) * 4;
  EXPECT_EQ(picture.Pixels[secondRow + 2], 0);  // red of the row below: black
  ExpectNoStateLeft();
}

TEST_F(EglContext, GLErrorsRaiseWithTheGLUText) {
  GL().glEnable(0xFFFF);
  try {
    RaiseOnGLError();
    FAIL() << "no exception";
  } catch (const EOpenGLError& e) {
    EXPECT_EQ(e.Message(), "invalid enumerant");
  }
  EXPECT_NO_THROW(RaiseOnGLError());  // drained
}

TEST_F(EglContext, NestedActivationOfASecondContextBindsTheFirstBack) {
  EglPbufferContext other;
  other.CreateMemoryContext(0, 8, 8, 1);
  EXPECT_TRUE(Context().IsBoundToThisThread());
  EXPECT_FALSE(other.IsBoundToThisThread());
  other.Activate();
  EXPECT_TRUE(other.IsBoundToThisThread());
  EXPECT_EQ(CurrentGLContext(), &other);
  other.Deactivate();
  EXPECT_TRUE(Context().IsBoundToThisThread());
  EXPECT_EQ(CurrentGLContext(), &Context());
  // Still drawing into the fixture's pbuffer.
  GL().glClearColor(0, 1, 0, 1);
  GL().glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(ReadPixel(kWidth - 1, kHeight - 1)[1], 255);
}

TEST_F(EglContext, AnotherThreadHasItsOwnCurrentContext) {
  EglPbufferContext other;
  other.CreateMemoryContext(0, 4, 4, 1);
  TGLContext* seen = &Context();
  bool boundThere = false, fixtureBoundThere = true;
  std::thread([&] {
    seen = CurrentGLContext();
    other.Activate();
    boundThere = other.IsBoundToThisThread();
    fixtureBoundThere = Context().IsBoundToThisThread();
    other.Deactivate();
  }).join();
  EXPECT_EQ(seen, nullptr);
  EXPECT_TRUE(boundThere);
  EXPECT_FALSE(fixtureBoundThere);
  EXPECT_TRUE(Context().IsBoundToThisThread());
  EXPECT_EQ(CurrentGLContext(), &Context());
}

TEST_F(EglContext, ManagerMakesEglContextsOnceRegistered) {
  RegisterEglContextClass();
  std::unique_ptr<TGLContext> made = GLContextManager()->CreateContext();
  UnRegisterEglContextClass();
  ASSERT_NE(made, nullptr);
  made->CreateContext(0, &Context());
  EXPECT_TRUE(made->IsValid());
  EXPECT_TRUE(made->SharesListsWith(&Context()));
  EXPECT_THROW(made->CreateContext(0), EGLContext);
  EXPECT_THROW(made->CreateContext(42), EGLContext);
}

TEST_F(EglContext, FixtureNoticesStateADrawableLeftBehind) {
  struct Leak {
    const char* message;
    void (*leave)();
    void (*undo)();
  };
  const Leak leaks[] = {
      {"model-view matrix left pushed", [] { GL().glPushMatrix(); }, [] { GL().glPopMatrix(); }},
      {"matrix mode changed", [] { GL().glMatrixMode(GL_TEXTURE); },
       [] { GL().glMatrixMode(GL_MODELVIEW); }},
      {"client arrays left enabled", [] { GL().glEnableClientState(GL_VERTEX_ARRAY); },
       [] { GL().glDisableClientState(GL_VERTEX_ARRAY); }},
      {"client arrays left enabled",
       [] {
         GL().glClientActiveTextureARB(GL_TEXTURE1_ARB);
         GL().glEnableClientState(GL_TEXTURE_COORD_ARRAY);
         GL().glClientActiveTextureARB(GL_TEXTURE0_ARB);
       },
       [] {
         GL().glClientActiveTextureARB(GL_TEXTURE1_ARB);
         GL().glDisableClientState(GL_TEXTURE_COORD_ARRAY);
         GL().glClientActiveTextureARB(GL_TEXTURE0_ARB);
       }},
      {"depth mask changed", [] { GL().glDepthMask(GL_FALSE); }, [] { GL().glDepthMask(GL_TRUE); }},
      {"glPushAttrib without glPopAttrib", [] { GL().glPushAttrib(GL_ENABLE_BIT); },
       [] { GL().glPopAttrib(); }},
      {"active texture unit changed", [] { GL().glActiveTextureARB(GL_TEXTURE2_ARB); },
       [] { GL().glActiveTextureARB(GL_TEXTURE0_ARB); }},
      {"a GL error was left pending", [] { GL().glEnable(0xFFFF); }, [] {}},
  };
  for (const Leak& leak : leaks) {
    leak.leave();
    EXPECT_NONFATAL_FAILURE(ExpectNoStateLeft(), leak.message);
    leak.undo();
    ExpectNoStateLeft();
  }
}

// The configuration choice, on made-up lists in Mesa's order.
egl_layer::ConfigInfo Config(int id, int rgb, int alpha, int depth, int stencil, int samples = 0) {
  egl_layer::ConfigInfo c;
  c.Id = id;
  c.Red = c.Green = c.Blue = rgb;
  if (rgb == 5) c.Green = 6;
  c.Alpha = alpha;
  c.Depth = depth;
  c.Stencil = stencil;
  c.Samples = samples;
  c.Pbuffer = c.OpenGL = true;
  return c;
}

TEST(EglConfigChoice, PrefersEightBitChannelsAndTheClosestBuffersAtOrAboveTheRequest) {
  const std::vector<egl_layer::ConfigInfo> configs = {
      Config(1, 10, 2, 24, 8), Config(2, 8, 8, 0, 0),  Config(3, 8, 8, 16, 0),
      Config(4, 8, 8, 24, 8),  Config(5, 8, 8, 24, 8, 4), Config(6, 8, 0, 24, 0),
      Config(7, 8, 8, 32, 0),  Config(8, 5, 0, 16, 0)};
  struct Case {
    int color, alpha, depth, stencil, samples;
    int expectedId;
  };
  const Case cases[] = {
      {24, 0, 24, 0, 0, 6},  // exact: no alpha, no stencil
      {32, 8, 24, 8, 0, 4},
      {32, 8, 24, 8, 4, 5},  // multisampling only when asked
      {24, 8, 32, 0, 0, 7},
      {24, 8, 48, 0, 0, 7},  // nothing that deep: the deepest there is
      {24, 8, 0, 0, 0, 2},
      {16, 0, 16, 0, 0, 8},
  };
  for (const Case& c : cases) {
    egl_layer::ConfigRequest request{c.color, c.alpha, c.depth, c.stencil, c.samples};
    const int index = egl_layer::ChooseConfig(configs, request);
    ASSERT_GE(index, 0);
    EXPECT_EQ(configs[index].Id, c.expectedId) << c.color << "/" << c.alpha << "/" << c.depth;
  }
}

TEST(EglConfigChoice, NeedsAPbufferCapableDesktopGLConfig) {
  auto window = Config(1, 8, 8, 24, 8);
  window.Pbuffer = false;
  auto gles = Config(2, 8, 8, 24, 8);
  gles.OpenGL = false;
  auto slow = Config(3, 8, 8, 24, 8);
  slow.Slow = true;
  EXPECT_EQ(egl_layer::ChooseConfig({window, gles}, {}), -1);
  EXPECT_EQ(egl_layer::ChooseConfig({window, gles, slow}, {}), 2);
  EXPECT_EQ(egl_layer::ChooseConfig({slow, Config(4, 8, 0, 0, 0)}, {}), 1);
}

}  // namespace
