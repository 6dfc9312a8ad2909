// Textures on a real context: parameters read back after Apply, lazy and
// counted uploads, images read back from the texture.
#include "engine/texture.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/camera.h"
#include "engine/gl_recorder.h"
#include "engine/light_source.h"
#include "engine/scene.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "tests/support/gl_fixture.h"

namespace {

Bitmap Checker(int w, int h) {
  Bitmap b(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 4 * x;
      const bool on = (x + y) % 2 == 0;
      p[0] = on ? 255 : 0;  // blue
      p[1] = 0;
      p[2] = on ? 0 : 255;  // red
      p[3] = 255;
    }
  return b;
}

class TextureOnContext : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    // The caches belong to the process; this is a new context.
    ResetGLStateCaches();
    xgl::MapTexCoordToNull();
  }
  void TearDown() override {
    texture_.DestroyHandles();
    xgl::MapTexCoordToNull();
    GLContextTest::TearDown();
  }

  static GLint TexParameter(GLenum name) {
    GLint value = -1;
    GLDriverApi().glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
  }
  static GLint BoundTexture() {
    GLint value = -1;
    GLDriverApi().glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    return value;
  }
  static int Uploads(const GLCallRecorder& calls) {
    return calls.Count("glTexImage2D") + calls.Count("gluBuild2DMipmaps");
  }

  TGLTexture texture_;
  TRenderContextInfo rci_;
};

TEST_F(TextureOnContext, ParametersReadBackAsSetAfterApply) {
  texture_.AssignBitmap(Checker(8, 8));
  texture_.SetDisabled(false);
  struct Case {
    TGLTextureWrap wrap;
    TGLMinFilter min;
    TGLMagFilter mag;
    TGLTextureMode mode;
    GLint wrapS, wrapT, minFilter, magFilter, envMode;
  } cases[] = {
      {twBoth, miLinearMipmapLinear, maLinear, tmDecal, GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
       GL_DECAL},
      {twNone, miNearest, maNearest, tmModulate, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_NEAREST, GL_NEAREST,
       GL_MODULATE},
      {twVertical, miLinear, maLinear, tmBlend, GL_CLAMP_TO_EDGE, GL_REPEAT, GL_LINEAR, GL_LINEAR, GL_BLEND},
      {twHorizontal, miNearestMipmapNearest, maNearest, tmReplace, GL_REPEAT, GL_CLAMP_TO_EDGE,
       GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPLACE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.envMode);
    texture_.SetTextureWrap(c.wrap);
    texture_.SetMinFilter(c.min);
    texture_.SetMagFilter(c.mag);
    texture_.SetTextureMode(c.mode);
    texture_.Apply(rci_);
    EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(rci_.GLStates.Contains(stTexture2D));
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(texture_.GetHandle()));
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), c.wrapS);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), c.wrapT);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), c.minFilter);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), c.magFilter);
    GLint env = -1;
    GLDriverApi().glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, c.envMode);
    texture_.UnApply(rci_);
    EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));
  }
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, UploadedImageReadsBackWithItsPixels) {
  texture_.AssignBitmap(Checker(4, 4));
  texture_.SetDisabled(false);
  texture_.SetMinFilter(miNearest);
  texture_.Apply(rci_);
  EXPECT_EQ(texture_.GetTexWidth(), 4);
  std::vector<std::uint8_t> back(4 * 4 * 4);
  GLDriverApi().glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  // Row 0 of the texture is the picture's bottom row (row 3: x + y odd at x 0).
  EXPECT_EQ(std::vector<std::uint8_t>(back.begin(), back.begin() + 4), (std::vector<std::uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<std::uint8_t>(back.begin() + 4, back.begin() + 8),
            (std::vector<std::uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(texture_.GetRequiredMemorySize(), -1);  // not compressed: GL cannot tell
  texture_.UnApply(rci_);
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, FilterChangeUploadsOnceAtTheNextApply) {
  texture_.AssignBitmap(Checker(8, 8));
  texture_.SetDisabled(false);
  GLCallRecorder calls;
  texture_.Apply(rci_);
  texture_.UnApply(rci_);
  EXPECT_EQ(Uploads(calls), 1);
  texture_.Apply(rci_);
  texture_.UnApply(rci_);
  EXPECT_EQ(Uploads(calls), 1) << "an unchanged texture uploaded again";

  texture_.SetMagFilter(maNearest);
  EXPECT_EQ(Uploads(calls), 1) << "uploaded before it was used";
  for (int i = 0; i < 3; ++i) {
    texture_.Apply(rci_);
    texture_.UnApply(rci_);
  }
  EXPECT_EQ(Uploads(calls), 2);
  EXPECT_EQ(calls.Count("glGenTextures"), 1);  // the same name throughout
  calls.SetPaused(true);
  texture_.Apply(rci_);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  texture_.UnApply(rci_);
}

TEST_F(TextureOnContext, ImageChangeUploadsAgainAndBrightnessIsApplied) {
  Bitmap grey(4, 4, pf24bit);
  std::fill(grey.Data(), grey.Data() + grey.DataSize(), 100);
  texture_.AssignBitmap(grey);
  texture_.SetDisabled(false);
  texture_.SetMinFilter(miNearest);
  texture_.Apply(rci_);
  texture_.UnApply(rci_);
  GLCallRecorder calls;
  texture_.SetImageBrightness(2.0f);
  texture_.Apply(rci_);
  EXPECT_EQ(Uploads(calls), 1);
  std::uint8_t back[4 * 4 * 4];
  GLDriverApi().glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
  EXPECT_EQ(back[0], 200);
  EXPECT_EQ(back[3], 255);
  texture_.UnApply(rci_);
}

// A picture of the given size whose alpha runs through `alphas` texel by
// texel.
Bitmap WithAlphas(int w, int h, std::vector<std::uint8_t> alphas) {
  Bitmap b(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 4 * x;
      p[0] = p[1] = p[2] = 200;
      p[3] = alphas[static_cast<size_t>(y * w + x) % alphas.size()];
    }
  return b;
}

TEST_F(TextureOnContext, SampledAlphaIsClearOrOpaqueOnlyWhereNoFilterOrScalingGradesIt) {
  const struct {
    const char* what;
    Bitmap picture;
    TGLMinFilter min;
    TGLMagFilter mag;
    TGLTextureWrap wrap;
    TGLTextureFormat format;
    bool expected;
  } cases[] = {
      {"opaque, mipmapped and linear", WithAlphas(8, 8, {255}), miLinearMipmapLinear, maLinear, twBoth, tfDefault, true},
      {"opaque, linear, clamped to the edge", WithAlphas(8, 8, {255}), miLinear, maLinear, twNone, tfDefault, true},
      {"clear or opaque, nearest", WithAlphas(8, 8, {0, 255}), miNearest, maNearest, twBoth, tfDefault, true},
      {"clear or opaque, linear magnification", WithAlphas(8, 8, {0, 255}), miNearest, maLinear, twBoth, tfDefault,
       false},
      {"clear or opaque, mipmapped", WithAlphas(8, 8, {0, 255}), miNearestMipmapNearest, maNearest, twBoth,
       tfDefault, false},
      // 3 x 3 is scaled to 4 x 4 before the upload: the scaling grades.
      {"clear or opaque, scaled to a power of two", WithAlphas(3, 3, {0, 255}), miNearest, maNearest, twBoth,
       tfDefault, false},
      {"graded, nearest", WithAlphas(8, 8, {128, 255}), miNearest, maNearest, twBoth, tfDefault, false},
      {"graded, kept without alpha", WithAlphas(8, 8, {128}), miLinear, maLinear, twBoth, tfRGB, true},
      {"opaque, alpha from intensity", WithAlphas(8, 8, {255}), miNearest, maNearest, twBoth, tfIntensity, false},
  };
  for (const auto& c : cases) {
    TGLTexture texture;
    texture.AssignBitmap(c.picture);
    texture.SetDisabled(false);
    texture.SetMinFilter(c.min);
    texture.SetMagFilter(c.mag);
    texture.SetTextureWrap(c.wrap);
    texture.SetTextureFormat(c.format);
    EXPECT_FALSE(texture.SamplesClearOrOpaqueOnly()) << c.what << ": known before an upload";
    texture.Apply(rci_);
    EXPECT_EQ(texture.SamplesClearOrOpaqueOnly(), c.expected) << c.what;
    texture.UnApply(rci_);
    texture.DestroyHandles();
  }
}

TEST_F(TextureOnContext, TextureNeverEnabledIsNeverUploaded) {
  texture_.AssignBitmap(Checker(8, 8));
  GLCallRecorder calls;
  for (int i = 0; i < 3; ++i) {
    texture_.Apply(rci_);
    texture_.UnApply(rci_);
  }
  EXPECT_EQ(calls.Count("glGenTextures"), 0);
  EXPECT_EQ(Uploads(calls), 0);
  EXPECT_FALSE(texture_.HasTextureName());
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, EmptyPictureGivesANameWithoutAnImage) {
  texture_.SetDisabled(false);
  GLCallRecorder calls;
  texture_.Apply(rci_);
  EXPECT_TRUE(texture_.HasTextureName());
  EXPECT_EQ(Uploads(calls), 0);
  GLint width = -1;
  GLDriverApi().glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);
  texture_.UnApply(rci_);
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, DestroyedHandleUploadsAgainUnderANewName) {
  texture_.AssignBitmap(Checker(4, 4));
  texture_.SetDisabled(false);
  texture_.Apply(rci_);
  texture_.UnApply(rci_);
  texture_.DestroyHandles();
  EXPECT_FALSE(texture_.HasTextureName());
  GLCallRecorder calls;
  texture_.Apply(rci_);
  EXPECT_EQ(calls.Count("glGenTextures"), 1);
  EXPECT_EQ(Uploads(calls), 1);
  texture_.UnApply(rci_);
}

TEST_F(TextureOnContext, SphereMappingGeneratesCoordinatesUntilUnapplied) {
  texture_.AssignBitmap(Checker(4, 4));
  texture_.SetDisabled(false);
  texture_.SetMappingMode(tmmSphere);
  texture_.Apply(rci_);
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_TEXTURE_GEN_T));
  GLint mode = 0;
  GLDriverApi().glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
  EXPECT_EQ(mode, GL_SPHERE_MAP);
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
  texture_.UnApply(rci_);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_GEN_T));
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, SecondUnitGetsItsOwnEnableAndBindingAndUnitZeroStaysSelected) {
  if (!GL().Extensions.ARB_multitexture) GTEST_SKIP() << "no GL_ARB_multitexture";
  texture_.AssignBitmap(Checker(4, 4));
  texture_.SetDisabled(false);
  const TMatrix scale = {{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  texture_.ApplyOnSecondUnit(rci_, &scale);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));  // unit 0
  GLDriverApi().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(texture_.GetHandle(1)));
  GLfloat m[16] = {};
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 2.0f);
  GLDriverApi().glActiveTextureARB(GL_TEXTURE0_ARB);
  ExpectNoStateLeft();
  texture_.UnApplyOnSecondUnit(rci_, true);
  GLDriverApi().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_2D));
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 1.0f);
  GLDriverApi().glActiveTextureARB(GL_TEXTURE0_ARB);
  ExpectNoStateLeft();
}

TEST_F(TextureOnContext, CubeMapUploadsSixMatchingFacesAndNothingOtherwise) {
  if (!GL().Extensions.ARB_texture_cube_map) GTEST_SKIP() << "no GL_ARB_texture_cube_map";
  TGLCubeMapImage cube;
  for (int face = 0; face < 6; ++face) cube.GetPicture(TGLCubeMapTarget(face)).SetBitmap(Checker(4, 4));
  texture_.SetImage(&cube);
  texture_.SetMinFilter(miLinear);
  texture_.SetDisabled(false);
  GLCallRecorder calls;
  texture_.Apply(rci_);
  EXPECT_EQ(calls.Count("glTexImage2D"), 6);
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_TEXTURE_CUBE_MAP));
  texture_.UnApply(rci_);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_TEXTURE_CUBE_MAP));

  static_cast<TGLCubeMapImage*>(texture_.GetImage())->GetPicture(cmtPZ).SetBitmap(Checker(8, 4));
  calls.Clear();
  texture_.Apply(rci_);
  EXPECT_EQ(calls.Count("glTexImage2D"), 0);
  texture_.UnApply(rci_);
  ExpectNoStateLeft();
}

}  // namespace

namespace {

GLuint g_reusedName = 0;
void GLAPIENTRY GenReusedName(GLsizei n, GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) names[i] = g_reusedName;
}

// GL may hand a deleted name out again; the binding cache must not take the
// new texture for the old one.
TEST_F(TextureOnContext, NameReusedAfterADeleteIsBoundAndUploadedAgain) {
  {
    TGLTexture first;
    first.AssignBitmap(Checker(4, 4));
    first.SetDisabled(false);
    first.SetMinFilter(miNearest);
    first.Apply(rci_);
    first.UnApply(rci_);
    g_reusedName = first.GetHandle();
  }
  GLApi reusing = GLDriverApi();
  reusing.glGenTextures = &GenReusedName;
  ScopedGLApi scoped(reusing);
  texture_.AssignBitmap(Checker(8, 8));
  texture_.SetDisabled(false);
  texture_.SetMinFilter(miNearest);
  texture_.Apply(rci_);
  ASSERT_EQ(texture_.GetHandle(), g_reusedName);
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(g_reusedName));
  GLint width = -1;
  GLDriverApi().glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 8);
  texture_.UnApply(rci_);
  texture_.DestroyHandles();
}

}  // namespace

namespace {

TEST_F(TextureOnContext, LightRelativeCubeMapLoadsTheLightsFrameAsTextureMatrix) {
  if (!GL().Extensions.ARB_texture_cube_map) GTEST_SKIP() << "no GL_ARB_texture_cube_map";
  TGL3DScene scene;
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  camera->GetPosition()->SetPoint(0, 0, 10);
  scene.SetCurrentCamera(camera);
  auto* light = scene.GetObjects()->AddNewChild<TGLLightSource>();
  light->GetDirection()->SetVector(1, 0, 0);
  rci_.scene = &scene;

  TGLCubeMapImage cube;
  for (int face = 0; face < 6; ++face) cube.GetPicture(TGLCubeMapTarget(face)).SetBitmap(Checker(4, 4));
  texture_.SetImage(&cube);
  texture_.SetMinFilter(miLinear);
  texture_.SetMappingMode(tmmCubeMapLight0);
  texture_.SetDisabled(false);
  texture_.Apply(rci_);
  const TMatrix expected = CubeMapLightTextureMatrix(camera->ViewMatrix(), light->GetAbsoluteMatrix());
  GLfloat m[16] = {};
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], expected[i / 4][i % 4]) << "element " << i;
  EXPECT_NE(m[0], 1.0f);  // the light is turned: not the identity
  GLint mode = 0;
  GLDriverApi().glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
  EXPECT_EQ(mode, GL_NORMAL_MAP);
  texture_.UnApply(rci_);
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(m[2], 0.0f);
  ExpectNoStateLeft();
}

}  // namespace
