// Texture coordinates routed to units, read back on a real context.
#include "engine/multitexture.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/gl_fixture.h"

namespace {

class TexCoordMappingOnContext : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    if (!GL().Extensions.ARB_multitexture) GTEST_SKIP() << "no GL_ARB_multitexture";
  }
  void TearDown() override {
    xgl::MapTexCoordToNull();
    GLContextTest::TearDown();
  }

  static std::array<GLfloat, 4> CurrentCoords(GLenum unit) {
    std::array<GLfloat, 4> v{};
    GL().glActiveTextureARB(unit);
    GL().glGetFloatv(GL_CURRENT_TEXTURE_COORDS, v.data());
    GL().glActiveTextureARB(GL_TEXTURE0_ARB);
    return v;
  }
};

TEST_F(TexCoordMappingOnContext, DualCoordinatesReachUnitsZeroAndOne) {
  GL().glMultiTexCoord4fARB(GL_TEXTURE1_ARB, 0, 0, 0, 1);
  xgl::MapTexCoordToDual();
  xgl::TexCoord2f(0.25f, 0.75f);
  EXPECT_EQ(CurrentCoords(GL_TEXTURE0_ARB), (std::array<GLfloat, 4>{0.25f, 0.75f, 0, 1}));
  EXPECT_EQ(CurrentCoords(GL_TEXTURE1_ARB), (std::array<GLfloat, 4>{0.25f, 0.75f, 0, 1}));
  ExpectNoStateLeft();
}

TEST_F(TexCoordMappingOnContext, SecondCoordinatesLeaveUnitZeroAlone) {
  GL().glTexCoord2f(0, 0);
  xgl::MapTexCoordToSecond();
  xgl::TexCoord3f(0.5f, 0.5f, 0.5f);
  EXPECT_EQ(CurrentCoords(GL_TEXTURE0_ARB), (std::array<GLfloat, 4>{0, 0, 0, 1}));
  EXPECT_EQ(CurrentCoords(GL_TEXTURE1_ARB), (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 1}));
}

TEST_F(TexCoordMappingOnContext, EnablesAndArraysOnUnitOneLeaveUnitZeroSelected) {
  xgl::MapTexCoordToDual();
  xgl::Enable(GL_TEXTURE_GEN_S);
  xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY);
  GLint active = 0, clientActive = 0;
  GL().glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  GL().glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE_ARB, &clientActive);
  EXPECT_EQ(active, GL_TEXTURE0_ARB);
  EXPECT_EQ(clientActive, GL_TEXTURE0_ARB);
  GL().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_TRUE(GL().glIsEnabled(GL_TEXTURE_GEN_S));
  GL().glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_TRUE(GL().glIsEnabled(GL_TEXTURE_GEN_S));

  xgl::Disable(GL_TEXTURE_GEN_S);
  xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
  GL().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(GL().glIsEnabled(GL_TEXTURE_GEN_S));
  GL().glActiveTextureARB(GL_TEXTURE0_ARB);
  ExpectNoStateLeft();
}

}  // namespace
