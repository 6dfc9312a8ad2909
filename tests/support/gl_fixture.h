#pragma once
// A GoogleTest fixture with a real GL context: an off-screen EGL pbuffer on
// Mesa's software renderer, created and activated for each test. After a
// drawable renders, ExpectNoStateLeft() checks that it left no GL error, no
// enabled client array, no pushed attribute or matrix, no changed depth mask,
// matrix mode or texture unit behind.
//
//   class SphereTest : public GLContextTest {};
//   TEST_F(SphereTest, RenderLeavesNoState) {
//     sphere.Render(info);
//     ExpectNoStateLeft();
//   }
//
// Link the test program with engine and platform_egl.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/gl_api.h"
#include "platform/egl/egl_pbuffer_context.h"

// What a drawable must hand back as it found it. Read through the driver's
// table, so that a test's call recorder does not see the checks.
struct GLStateSnapshot {
  GLint attribStackDepth = 0;
  GLint clientAttribStackDepth = 0;
  GLint modelViewStackDepth = 0;
  GLint projectionStackDepth = 0;
  GLint textureStackDepth = 0;
  GLint matrixMode = 0;
  GLint activeTexture = 0;
  GLint clientActiveTexture = 0;
  GLboolean depthMask = GL_TRUE;
  std::vector<std::string> enabledClientArrays;

  static GLStateSnapshot Take() {
    const GLApi& gl = GLDriverApi();
    GLStateSnapshot s;
    gl.glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.attribStackDepth);
    gl.glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &s.clientAttribStackDepth);
    gl.glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelViewStackDepth);
    gl.glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projectionStackDepth);
    gl.glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &s.textureStackDepth);
    gl.glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    gl.glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    const struct {
      GLenum array;
      const char* name;
    } arrays[] = {{GL_VERTEX_ARRAY, "GL_VERTEX_ARRAY"},
                  {GL_NORMAL_ARRAY, "GL_NORMAL_ARRAY"},
                  {GL_COLOR_ARRAY, "GL_COLOR_ARRAY"},
                  {GL_INDEX_ARRAY, "GL_INDEX_ARRAY"},
                  {GL_EDGE_FLAG_ARRAY, "GL_EDGE_FLAG_ARRAY"}};
    for (const auto& a : arrays)
      if (gl.glIsEnabled(a.array)) s.enabledClientArrays.push_back(a.name);
    if (gl.glClientActiveTextureARB) {
      gl.glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &s.activeTexture);
      gl.glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE_ARB, &s.clientActiveTexture);
      GLint units = 1;
      gl.glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
      for (GLint unit = 0; unit < units; ++unit) {
        gl.glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        if (gl.glIsEnabled(GL_TEXTURE_COORD_ARRAY))
          s.enabledClientArrays.push_back("GL_TEXTURE_COORD_ARRAY of unit " + std::to_string(unit));
      }
      gl.glClientActiveTextureARB(static_cast<GLenum>(s.clientActiveTexture));
    } else if (gl.glIsEnabled(GL_TEXTURE_COORD_ARRAY)) {
      s.enabledClientArrays.push_back("GL_TEXTURE_COORD_ARRAY");
    }
    return s;
  }
};

class GLContextTest : public ::testing::Test {
protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 64;

  void SetUp() override {
    context_ = std::make_unique<EglPbufferContext>();
    context_->SetColorBits(24);
    context_->SetAlphaBits(8);
    context_->SetDepthBits(24);
    context_->SetStencilBits(8);
    context_->CreateMemoryContext(0, kWidth, kHeight, 1);
    context_->Activate();
    GLDriverApi().glViewport(0, 0, kWidth, kHeight);
    ClearGLError();
    baseline_ = GLStateSnapshot::Take();
  }

  void TearDown() override {
    if (context_ && context_->GetActive()) context_->SetActive(false);
    context_.reset();
  }

  // Fails the test (without stopping it) for every piece of state that
  // differs from the start of the test or from the last Rebaseline().
  void ExpectNoStateLeft() {
    const GLenum error = GLDriverApi().glGetError();
    EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left pending: 0x" << std::hex << error;
    ClearGLError();
    const GLStateSnapshot now = GLStateSnapshot::Take();
    EXPECT_EQ(now.enabledClientArrays, baseline_.enabledClientArrays) << "client arrays left enabled";
    EXPECT_EQ(now.attribStackDepth, baseline_.attribStackDepth) << "glPushAttrib without glPopAttrib";
    EXPECT_EQ(now.clientAttribStackDepth, baseline_.clientAttribStackDepth)
        << "glPushClientAttrib without glPopClientAttrib";
    EXPECT_EQ(now.modelViewStackDepth, baseline_.modelViewStackDepth) << "model-view matrix left pushed";
    EXPECT_EQ(now.projectionStackDepth, baseline_.projectionStackDepth) << "projection matrix left pushed";
    EXPECT_EQ(now.textureStackDepth, baseline_.textureStackDepth) << "texture matrix left pushed";
    EXPECT_EQ(now.matrixMode, baseline_.matrixMode) << "matrix mode changed";
    EXPECT_EQ(now.activeTexture, baseline_.activeTexture) << "active texture unit changed";
    EXPECT_EQ(now.clientActiveTexture, baseline_.clientActiveTexture) << "client texture unit changed";
    EXPECT_EQ(now.depthMask, baseline_.depthMask) << "depth mask changed";
  }

  // Takes the present state as the one to come back to.
  void Rebaseline() { baseline_ = GLStateSnapshot::Take(); }

  // R, G, B, A of a pixel of the colour buffer, (0, 0) the bottom left.
  std::array<std::uint8_t, 4> ReadPixel(int x, int y) {
    std::array<std::uint8_t, 4> pixel{};
    GLDriverApi().glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
  }

  EglPbufferContext& Context() { return *context_; }

  std::unique_ptr<EglPbufferContext> context_;
  GLStateSnapshot baseline_;
};
