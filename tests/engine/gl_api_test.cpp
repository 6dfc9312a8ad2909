// The function table and the call recorder, without a GL context: the
// recorder wraps a fake inner table.
#include "engine/gl_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/gl_recorder.h"
#include "platform/base/assertion.h"

namespace {

std::vector<GLenum> g_enabled;
void GLAPIENTRY FakeEnable(GLenum cap) { g_enabled.push_back(cap); }
void GLAPIENTRY FakeColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
GLboolean GLAPIENTRY FakeIsTexture(GLuint name) { return name == 7 ? GL_TRUE : GL_FALSE; }

GLApi FakeTable() {
  GLApi table = GLDriverApi();
  table.glEnable = &FakeEnable;
  table.glColor4f = &FakeColor4f;
  table.glIsTexture = &FakeIsTexture;
  table.glActiveTextureARB = nullptr;
  table.Extensions.ARB_multitexture = false;
  return table;
}

class GLApiTable : public ::testing::Test {
protected:
  void SetUp() override { g_enabled.clear(); }
};

TEST_F(GLApiTable, CoreAndGLUEntriesPointIntoTheSystemLibrariesBeforeAnyContext) {
  EXPECT_EQ(GLDriverApi().glEnable, &::glEnable);
  EXPECT_EQ(GLDriverApi().gluBuild2DMipmaps, &::gluBuild2DMipmaps);
  EXPECT_EQ(&GL(), &GLDriverApi());
  // GLU's error strings need no context.
  EXPECT_STREQ(reinterpret_cast<const char*>(GL().gluErrorString(GL_INVALID_ENUM)), "invalid enumerant");
}

TEST_F(GLApiTable, ScopedTableIsUsedAndThePreviousComesBack) {
  const GLApi fake = FakeTable();
  {
    ScopedGLApi scoped(fake);
    GL().glEnable(GL_FOG);
    const GLApi other = FakeTable();
    {
      ScopedGLApi inner(other);
      EXPECT_EQ(&GL(), &other);
    }
    EXPECT_EQ(&GL(), &fake);
  }
  EXPECT_EQ(&GL(), &GLDriverApi());
  EXPECT_EQ(g_enabled, (std::vector<GLenum>{GL_FOG}));
}

TEST_F(GLApiTable, RecorderNotesNamesAndArgumentsAndPassesCallsOn) {
  const GLApi fake = FakeTable();
  GLCallRecorder calls(fake);
  GL().glEnable(GL_BLEND);
  GL().glColor4f(0.5f, 0.25f, 1.0f, 0.0f);
  const GLboolean isTexture = GL().glIsTexture(7);
  GL().glEnable(GL_LIGHTING);

  EXPECT_EQ(isTexture, GL_TRUE);  // results come back from the inner table
  EXPECT_EQ(g_enabled, (std::vector<GLenum>{GL_BLEND, GL_LIGHTING}));
  EXPECT_EQ(calls.Names(), (std::vector<std::string>{"glEnable", "glColor4f", "glIsTexture", "glEnable"}));
  EXPECT_EQ(calls.Count("glEnable"), 2);
  EXPECT_EQ(calls.Count("glDisable"), 0);
  const auto colors = calls.CallsOf("glColor4f");
  ASSERT_EQ(colors.size(), 1u);
  EXPECT_EQ(colors[0].Args, (std::vector<double>{0.5, 0.25, 1.0, 0.0}));
  EXPECT_EQ(calls.CallsOf("glEnable")[1].Args, (std::vector<double>{GL_LIGHTING}));
}

TEST_F(GLApiTable, RecorderKeepsAbsentExtensionsAbsentAndUninstallsItself) {
  const GLApi fake = FakeTable();
  {
    GLCallRecorder calls(fake);
    EXPECT_EQ(GL().glActiveTextureARB, nullptr);
    EXPECT_FALSE(GL().Extensions.ARB_multitexture);
    EXPECT_NE(GL().glEnable, &FakeEnable);  // the recording wrapper
  }
  EXPECT_EQ(&GL(), &GLDriverApi());
}

TEST_F(GLApiTable, PausedRecorderPassesCallsWithoutNotingThem) {
  const GLApi fake = FakeTable();
  GLCallRecorder calls(fake);
  calls.SetPaused(true);
  GL().glEnable(GL_FOG);
  calls.SetPaused(false);
  GL().glEnable(GL_BLEND);
  EXPECT_EQ(calls.Count("glEnable"), 1);
  EXPECT_EQ(g_enabled.size(), 2u);
  calls.Clear();
  EXPECT_TRUE(calls.Calls().empty());
}

TEST_F(GLApiTable, OnlyOneRecorderAtATime) {
  const GLApi fake = FakeTable();
  GLCallRecorder calls(fake);
  EXPECT_THROW(GLCallRecorder second(fake), EAssertionFailed);
  EXPECT_NE(&GL(), &fake);  // the first one is still installed
}

}  // namespace
