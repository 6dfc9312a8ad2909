// Uploading the texture bitmap, checked by reading the texture back.
#include "engine/bitmap32.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/context.h"
#include "engine/context_handle.h"
#include "engine/gl_recorder.h"
#include "tests/support/gl_fixture.h"

namespace {

class GLBitmap32Upload : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    texture_.AllocateHandle();
  }
  void TearDown() override {
    texture_.DestroyHandle();
    GLContextTest::TearDown();
  }

  void Bind(GLenum target) { GL().glBindTexture(target, texture_.GetHandle()); }

  static GLint LevelSize(GLenum target, int level, GLenum what) {
    GLint value = -1;
    GLDriverApi().glGetTexLevelParameteriv(target, level, what, &value);
    return value;
  }

  // A picture whose left half is red and right half blue, opaque.
  static TGLBitmap32 Halves(int w, int h) {
    TGLBitmap32 b;
    b.SetWidth(w);
    b.SetHeight(h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < b.GetWidth(); ++x) {
        std::uint8_t* p = b.PixelAt(x, y);
        const bool left = x < b.GetWidth() / 2;
        p[0] = left ? 255 : 0;
        p[1] = 0;
        p[2] = left ? 0 : 255;
        p[3] = 255;
      }
    return b;
  }

  TGLTextureHandle texture_;
};

GLint g_fakeMaxSize = 0;
void GLAPIENTRY SmallMaximum(GLenum name, GLint* value) {
  GLDriverApi().glGetIntegerv(name, value);
  if (name == GL_MAX_TEXTURE_SIZE) *value = g_fakeMaxSize;
}

TEST_F(GLBitmap32Upload, NonPowerOfTwoIsScaledUpAndReadsBackWithItsHalves) {
  const TGLBitmap32 b = Halves(300, 200);
  Bind(GL_TEXTURE_2D);
  int w = 0, h = 0;
  GLCallRecorder calls;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miLinear, GL_RGBA8, w, h);
  EXPECT_EQ(calls.Count("gluScaleImage"), 1);
  EXPECT_EQ(calls.Count("glTexImage2D"), 1);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 512);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 256);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 0);  // no mipmaps asked for

  std::vector<std::uint8_t> back(512 * 256 * 4);
  GLDriverApi().glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  const std::uint8_t* leftPixel = &back[(100 * 512 + 10) * 4];
  const std::uint8_t* rightPixel = &back[(100 * 512 + 500) * 4];
  EXPECT_EQ(std::vector<std::uint8_t>(leftPixel, leftPixel + 4), (std::vector<std::uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<std::uint8_t>(rightPixel, rightPixel + 4), (std::vector<std::uint8_t>{0, 0, 255, 255}));
  ExpectNoStateLeft();
}

TEST_F(GLBitmap32Upload, PowerOfTwoPictureIsUploadedAsItIsWithRowsBottomUp) {
  TGLBitmap32 b;
  b.SetWidth(4);
  b.SetHeight(2);
  b.PixelAt(1, 0)[0] = 200;  // bottom row
  b.PixelAt(2, 1)[1] = 100;  // top row
  Bind(GL_TEXTURE_2D);
  int w = 0, h = 0;
  GLCallRecorder calls;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miNearest, GL_RGBA8, w, h);
  EXPECT_EQ(calls.Count("gluScaleImage"), 0);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 2);
  std::vector<std::uint8_t> back(4 * 2 * 4);
  GLDriverApi().glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, std::vector<std::uint8_t>(b.GetData(), b.GetData() + b.GetDataSize()));
}

TEST_F(GLBitmap32Upload, TheImplementationsMaximumLimitsTheSize) {
  GLApi table = GLDriverApi();
  table.glGetIntegerv = &SmallMaximum;
  g_fakeMaxSize = 256;
  ScopedGLApi scoped(table);
  const TGLBitmap32 b = Halves(300, 200);
  Bind(GL_TEXTURE_2D);
  int w = 0, h = 0;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miLinear, GL_RGBA8, w, h);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 256);
}

TEST_F(GLBitmap32Upload, MipmapsComeFromTheExtensionWhenPresent) {
  const TGLBitmap32 b = Halves(256, 256);
  Bind(GL_TEXTURE_2D);
  int w = 0, h = 0;
  GLCallRecorder calls;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miLinearMipmapLinear, GL_RGBA8, w, h);
  EXPECT_EQ(calls.Count("gluBuild2DMipmaps"), 0);
  const auto parameters = calls.CallsOf("glTexParameteri");
  ASSERT_EQ(parameters.size(), 1u);
  EXPECT_EQ(parameters[0].Args, (std::vector<double>{GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1}));
  EXPECT_EQ(calls.Count("glTexImage2D"), 1);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 128);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH), 1);
}

TEST_F(GLBitmap32Upload, MipmapsComeFromGLUWithoutTheExtension) {
  GLApi table = GLDriverApi();
  table.Extensions.SGIS_generate_mipmap = false;
  const TGLBitmap32 b = Halves(64, 32);
  Bind(GL_TEXTURE_2D);
  int w = 0, h = 0;
  GLCallRecorder calls(table);
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miNearestMipmapNearest, GL_RGBA8, w, h);
  EXPECT_EQ(calls.Count("gluBuild2DMipmaps"), 1);
  EXPECT_EQ(calls.Count("glTexImage2D"), 0);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 32);
  EXPECT_EQ(LevelSize(GL_TEXTURE_2D, 1, GL_TEXTURE_HEIGHT), 16);
}

TEST_F(GLBitmap32Upload, CubeMapFacesBuildTheirMipmapsThroughGLU) {
  ASSERT_TRUE(GL().Extensions.SGIS_generate_mipmap);
  const TGLBitmap32 b = Halves(16, 16);
  Bind(GL_TEXTURE_CUBE_MAP);
  int w = 0, h = 0;
  GLCallRecorder calls;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_CUBE_MAP_POSITIVE_X, miLinearMipmapNearest, GL_RGBA8, w, h);
  EXPECT_EQ(calls.Count("gluBuild2DMipmaps"), 1);
  EXPECT_EQ(calls.Count("glTexParameteri"), 0);
  EXPECT_EQ(LevelSize(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 1, GL_TEXTURE_WIDTH), 8);
  GL().glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  ExpectNoStateLeft();
}

GLint GLAPIENTRY OutOfMemoryBuild(GLenum, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*) {
  return GLU_OUT_OF_MEMORY;
}
GLint GLAPIENTRY OutOfMemoryScale(GLenum, GLsizei, GLsizei, GLenum, const void*, GLsizei, GLsizei,
                                  GLenum, GLvoid*) {
  return GLU_OUT_OF_MEMORY;
}

TEST_F(GLBitmap32Upload, AGLUFailureRaisesAndReportsNoSize) {
  GLApi table = GLDriverApi();
  table.Extensions.SGIS_generate_mipmap = false;
  table.gluBuild2DMipmaps = &OutOfMemoryBuild;
  table.gluScaleImage = &OutOfMemoryScale;
  ScopedGLApi scoped(table);
  Bind(GL_TEXTURE_2D);
  for (int width : {8, 12}) {  // 12 needs scaling, 8 does not
    const TGLBitmap32 b = Halves(width, 8);
    int w = -1, h = -1;
    try {
      b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miLinearMipmapLinear, GL_RGBA8, w, h);
      ADD_FAILURE() << "no exception for width " << width;
    } catch (const EOpenGLError& e) {
      EXPECT_EQ(e.Message(), "out of memory");
    }
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
}

}  // namespace
