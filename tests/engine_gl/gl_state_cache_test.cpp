// The state cache on a real context: redundant calls never reach GL, and
// what does reach GL leaves GL in the cached state.
#include "engine/gl_state_cache.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/context_handle.h"
#include "engine/face_properties.h"
#include "engine/gl_recorder.h"
#include "engine/vector_geometry.h"
#include "tests/support/gl_fixture.h"

namespace {

class GLStateCache : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    ResetGLStateCaches();
  }
};

TEST_F(GLStateCache, SecondSetOfTheSameStateIssuesNoCall) {
  TGLStates states;
  GLCallRecorder calls;
  SetGLState(states, stBlend);
  SetGLState(states, stBlend);
  EXPECT_EQ(calls.Count("glEnable"), 1);
  EXPECT_TRUE(states.Contains(stBlend));
  EXPECT_TRUE(GLDriverApi().glIsEnabled(GL_BLEND));
  UnSetGLState(states, stBlend);
  UnSetGLState(states, stBlend);
  UnSetGLState(states, stFog);
  EXPECT_EQ(calls.Count("glDisable"), 1);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_BLEND));
}

TEST_F(GLStateCache, EveryStateMapsToItsCapability) {
  TGLStates states;
  const GLenum expected[kGLStateCount] = {
      GL_ALPHA_TEST, GL_AUTO_NORMAL, GL_BLEND, GL_COLOR_MATERIAL, GL_CULL_FACE, GL_DEPTH_TEST, GL_DITHER,
      GL_FOG, GL_LIGHTING, GL_LINE_SMOOTH, GL_LINE_STIPPLE, GL_LOGIC_OP, GL_NORMALIZE, GL_POINT_SMOOTH,
      GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_TEXTURE_1D, GL_TEXTURE_2D,
      GL_TEXTURE_CUBE_MAP};
  for (int i = 0; i < kGLStateCount; ++i) {
    const auto state = static_cast<TGLState>(i);
    EXPECT_EQ(GLStateToEnum(state), expected[i]);
    SetGLState(states, state);
    EXPECT_TRUE(GLDriverApi().glIsEnabled(expected[i])) << i;
    UnSetGLState(states, state);
  }
  EXPECT_EQ(states.Bits, 0u);
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, FrontAndBackPolygonModeOneCallWhenEitherDiffers) {
  SetGLPolygonMode(GL_FRONT, GL_LINE);
  SetGLPolygonMode(GL_BACK, GL_FILL);
  GLCallRecorder calls;
  SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  SetGLPolygonMode(GL_FRONT, GL_LINE);
  SetGLPolygonMode(GL_BACK, GL_LINE);
  EXPECT_EQ(calls.Count("glPolygonMode"), 1);
  GLint modes[2] = {};
  GLDriverApi().glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_LINE);
  EXPECT_EQ(modes[1], GL_LINE);
  ResetGLPolygonModeCache();
  SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  EXPECT_EQ(calls.Count("glPolygonMode"), 2) << "after a reset the next call always reaches GL";
  SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST_F(GLStateCache, MaterialColorsAfterResetAlwaysReachGLThenOnlyChanges) {
  const TVector4f black{0, 0, 0, 1}, ambient{0.2f, 0.2f, 0.2f, 1}, diffuse{0.8f, 0.8f, 0.8f, 1};
  GLCallRecorder calls;
  SetGLMaterialColors(GL_FRONT, black, ambient, diffuse, black, 0);
  EXPECT_EQ(calls.Count("glMaterialfv"), 4) << "the defaults still reach GL after a reset";
  EXPECT_EQ(calls.Count("glMateriali"), 0) << "shininess 0 is what the reset sent";
  calls.Clear();
  SetGLMaterialColors(GL_FRONT, black, ambient, diffuse, black, 0);
  EXPECT_EQ(calls.Calls().size(), 0u);
  const TVector4f halfAlpha{0.8f, 0.8f, 0.8f, 0.5f};
  const TVector4f ambientOtherAlpha{0.2f, 0.2f, 0.2f, 0.0f};
  SetGLMaterialColors(GL_FRONT, black, ambientOtherAlpha, halfAlpha, black, 10);
  EXPECT_EQ(calls.Count("glMateriali"), 1);
  ASSERT_EQ(calls.Count("glMaterialfv"), 1) << "ambient compares three components, diffuse four";
  EXPECT_EQ(calls.CallsOf("glMaterialfv")[0].Args[1], GL_DIFFUSE);
  GLfloat read[4] = {};
  GLDriverApi().glGetMaterialfv(GL_FRONT, GL_DIFFUSE, read);
  EXPECT_FLOAT_EQ(read[3], 0.5f);
  calls.Clear();
  SetGLMaterialAlphaChannel(GL_FRONT, 0.5f);
  EXPECT_EQ(calls.Count("glMaterialfv"), 0);
  SetGLMaterialAlphaChannel(GL_FRONT, 0.25f);
  EXPECT_EQ(calls.Count("glMaterialfv"), 1);
}

TEST_F(GLStateCache, BothFacesCallKeepsTheFrontCacheTruthful) {
  const TVector4f black{0, 0, 0, 1}, grey{0.2f, 0.2f, 0.2f, 1}, red{1, 0, 0, 1}, green{0, 1, 0, 1};
  SetGLMaterialColors(GL_FRONT, black, grey, red, black, 0);
  SetGLMaterialColors(GL_FRONT_AND_BACK, black, grey, green, black, 0);
  SetGLMaterialColors(GL_FRONT, black, grey, red, black, 0);
  GLfloat read[4] = {};
  GLDriverApi().glGetMaterialfv(GL_FRONT, GL_DIFFUSE, read);
  EXPECT_FLOAT_EQ(read[0], 1.0f) << "the front face got red back";
  EXPECT_FLOAT_EQ(read[1], 0.0f);
}

TEST_F(GLStateCache, TextureBindingSkipsTheSameName) {
  GLuint names[2];
  GLDriverApi().glGenTextures(2, names);
  GLCallRecorder calls;
  SetGLCurrentTexture(0, GL_TEXTURE_2D, names[0]);
  SetGLCurrentTexture(0, GL_TEXTURE_2D, names[0]);
  SetGLCurrentTexture(0, GL_TEXTURE_2D, names[1]);
  EXPECT_EQ(calls.Count("glBindTexture"), 2);
  ResetGLTextureBindings();
  SetGLCurrentTexture(0, GL_TEXTURE_2D, names[1]);
  EXPECT_EQ(calls.Count("glBindTexture"), 3);
  SetGLCurrentTexture(0, GL_TEXTURE_2D, 0);
  GLDriverApi().glDeleteTextures(2, names);
}

TEST_F(GLStateCache, TextureMatrixResetOnlyAfterALoad) {
  GLCallRecorder calls;
  ResetGLTextureMatrix();
  EXPECT_EQ(calls.Count("glLoadIdentity"), 0);
  TMatrix m = IdentityHmgMatrix;
  m[3][0] = 0.5f;
  SetGLTextureMatrix(m);
  ResetGLTextureMatrix();
  ResetGLTextureMatrix();
  EXPECT_EQ(calls.Count("glLoadIdentity"), 1);
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, FrontFaceToggles) {
  GLCallRecorder calls;
  InvertGLFrontFace();
  GLint face = 0;
  GLDriverApi().glGetIntegerv(GL_FRONT_FACE, &face);
  EXPECT_EQ(face, GL_CW);
  InvertGLFrontFace();
  GLDriverApi().glGetIntegerv(GL_FRONT_FACE, &face);
  EXPECT_EQ(face, GL_CCW);
  EXPECT_EQ(calls.Count("glFrontFace"), 2);
}

TEST_F(GLStateCache, FacePropertiesApplyWithAndWithoutLighting) {
  TGLFaceProperties face;
  face.GetDiffuse()->SetColor({0, 0, 1, 1});
  face.SetPolygonMode(pmLines);
  GLCallRecorder calls;
  face.Apply(GL_FRONT, true);
  EXPECT_EQ(calls.Count("glMaterialfv"), 4);
  EXPECT_EQ(calls.Count("glPolygonMode"), 1);
  calls.Clear();
  face.Apply(GL_FRONT, false);
  EXPECT_EQ(calls.Count("glColor4fv"), 1);
  EXPECT_EQ(calls.Count("glPolygonMode"), 0);
  SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// --- Display lists ------------------------------------------------------------------
// A list compiles with GL_COMPILE (nothing runs) and replays without any of
// our code: the cache must neither keep a change out of a list because it
// held that value when the list compiled, nor go on believing what it held
// before a replay changed GL.

struct CachedValueCase {
  const char* what;
  // Puts GL and the cache at the first value, through the cache.
  std::function<void(TGLStates&)> first;
  // What the list sends through the cache: the second value.
  std::function<void(TGLStates&)> second;
  // Whether GL holds the first value; the second one.
  std::function<bool()> holdsFirst;
  std::function<bool()> holdsSecond;
};

GLfloat MaterialOf(GLenum which, int component) {
  GLfloat read[4] = {};
  GLDriverApi().glGetMaterialfv(GL_FRONT, which, read);
  return read[component];
}

GLint IntegerOf(GLenum which) {
  GLint value[4] = {};
  GLDriverApi().glGetIntegerv(which, value);
  return value[0];
}

std::vector<CachedValueCase> CachedValueCases(const GLuint (&textures)[2]) {
  static const TVector4f white{1, 1, 1, 1}, black{0, 0, 0, 1}, grey{0.2f, 0.2f, 0.2f, 1}, light{0.8f, 0.8f, 0.8f, 1};
  TMatrix doubled = IdentityHmgMatrix;
  doubled[0][0] = 2;
  return {
      {"a capability the list switches on", [](TGLStates& s) { UnSetGLState(s, stBlend); },
       [](TGLStates& s) { SetGLState(s, stBlend); }, [] { return !GLDriverApi().glIsEnabled(GL_BLEND); },
       [] { return bool(GLDriverApi().glIsEnabled(GL_BLEND)); }},
      {"a capability the list switches off", [](TGLStates& s) { SetGLState(s, stAlphaTest); },
       [](TGLStates& s) { UnSetGLState(s, stAlphaTest); }, [] { return bool(GLDriverApi().glIsEnabled(GL_ALPHA_TEST)); },
       [] { return !GLDriverApi().glIsEnabled(GL_ALPHA_TEST); }},
      {"material colours the list resets", [](TGLStates&) { SetGLMaterialColors(GL_FRONT, white, grey, light, black, 0); },
       [](TGLStates&) { ResetGLMaterialColors(); }, [] { return MaterialOf(GL_EMISSION, 0) == 1.0f; },
       [] { return MaterialOf(GL_EMISSION, 0) == 0.0f; }},
      {"material colours that vertex colours drive",
       [](TGLStates&) { SetGLMaterialColors(GL_FRONT, black, grey, light, black, 0); },
       [](TGLStates&) {
         // As a mesh of coloured vertices draws: the defaults, then blue.
         const GLApi& gl = GL();
         gl.glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
         gl.glEnable(GL_COLOR_MATERIAL);
         gl.glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
         ResetGLMaterialColors();
         gl.glColor4f(0, 0, 1, 1);
         gl.glPopAttrib();
       },
       [] { return MaterialOf(GL_DIFFUSE, 0) == 0.8f && MaterialOf(GL_DIFFUSE, 2) == 0.8f; },
       [] { return MaterialOf(GL_DIFFUSE, 0) == 0.0f && MaterialOf(GL_DIFFUSE, 2) == 1.0f; }},
      {"the bound texture", [&textures](TGLStates&) { SetGLCurrentTexture(0, GL_TEXTURE_2D, textures[0]); },
       [&textures](TGLStates&) { SetGLCurrentTexture(0, GL_TEXTURE_2D, textures[1]); },
       [&textures] { return IntegerOf(GL_TEXTURE_BINDING_2D) == GLint(textures[0]); },
       [&textures] { return IntegerOf(GL_TEXTURE_BINDING_2D) == GLint(textures[1]); }},
      {"the polygon mode", [](TGLStates&) { SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL); },
       [](TGLStates&) { SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE); },
       [] { return IntegerOf(GL_POLYGON_MODE) == GL_FILL; }, [] { return IntegerOf(GL_POLYGON_MODE) == GL_LINE; }},
      {"the texture matrix", [](TGLStates&) { ResetGLTextureMatrix(); },
       [doubled](TGLStates&) { SetGLTextureMatrix(doubled); },
       [] {
         GLfloat m[16] = {};
         GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
         return m[0] == 1.0f;
       },
       nullptr},
  };
}

TEST_F(GLStateCache, AfterAListReplaysTheCacheSendsWhatGLNoLongerHolds) {
  GLuint textures[2];
  GLDriverApi().glGenTextures(2, textures);
  for (const CachedValueCase& c : CachedValueCases(textures)) {
    SCOPED_TRACE(c.what);
    TGLStates states;
    TGLListHandle list;
    c.first(states);
    list.Compile(states, [&] { c.second(states); });
    list.Call(states);
    // Each frame: the first value through the cache, the list, and the
    // first value again, which GL must then hold.
    for (int frame = 0; frame < 3; ++frame) {
      c.first(states);
      EXPECT_TRUE(c.holdsFirst()) << "frame " << frame;
      list.Call(states);
      if (c.holdsSecond) {
        EXPECT_TRUE(c.holdsSecond()) << "frame " << frame << ": the list changed it";
      }
      c.first(states);
      EXPECT_TRUE(c.holdsFirst()) << "frame " << frame << ": after the list";
    }
    EXPECT_EQ(states.Contains(stBlend), bool(GLDriverApi().glIsEnabled(GL_BLEND)));
    EXPECT_EQ(states.Contains(stAlphaTest), bool(GLDriverApi().glIsEnabled(GL_ALPHA_TEST)));
    list.DestroyHandle();
    ResetGLStateCaches();
    UnSetGLState(states, stAlphaTest);
  }
  GLDriverApi().glDeleteTextures(2, textures);
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, AListHoldsWhatItSendsWhateverTheCacheHeldWhenItCompiled) {
  GLuint textures[2];
  GLDriverApi().glGenTextures(2, textures);
  for (const CachedValueCase& c : CachedValueCases(textures)) {
    if (!c.holdsSecond) continue;
    SCOPED_TRACE(c.what);
    TGLStates states;
    TGLListHandle list;
    // The cache holds the second value as the list compiles...
    c.second(states);
    list.Compile(states, [&] { c.second(states); });
    // ...and GL the first one when it replays.
    c.first(states);
    ASSERT_TRUE(c.holdsFirst());
    list.Call(states);
    EXPECT_TRUE(c.holdsSecond());
    list.DestroyHandle();
    ResetGLStateCaches();
    UnSetGLState(states, stBlend);
    UnSetGLState(states, stAlphaTest);
  }
  GLDriverApi().glDeleteTextures(2, textures);
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, AListsTurnOfTheWindingIsReadBackBeforeTheNextTurn) {
  TGLStates states;
  TGLListHandle list;
  ResetGLFrontFace();
  list.Compile(states, [] { InvertGLFrontFace(); });
  for (int frame = 0; frame < 2; ++frame) {
    ResetGLFrontFace();
    list.Call(states);
    ASSERT_EQ(IntegerOf(GL_FRONT_FACE), GL_CW);
    InvertGLFrontFace();
    EXPECT_EQ(IntegerOf(GL_FRONT_FACE), GL_CCW) << "frame " << frame << ": the turn starts from what the list left";
  }
  list.DestroyHandle();
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, ACapabilityAListGivesBackByItsPopIsNotTakenAsChanged) {
  TGLStates states;
  TGLListHandle list;
  SetGLState(states, stBlend);
  list.Compile(states, [&] {
    ScopedGLAttribs attribs(GL_ENABLE_BIT, states);
    UnSetGLState(states, stBlend);
    SetGLState(states, stFog);
  });
  EXPECT_EQ(list.GetEffects(), TGLListEffects{});
  // Replayed with the capabilities the other way round: GL and the cache
  // both keep them.
  UnSetGLState(states, stBlend);
  list.Call(states);
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_BLEND));
  EXPECT_FALSE(GLDriverApi().glIsEnabled(GL_FOG));
  EXPECT_FALSE(states.Contains(stBlend));
  EXPECT_FALSE(states.Contains(stFog));
  list.DestroyHandle();
  ExpectNoStateLeft();
}

TEST_F(GLStateCache, ASteadyListCostsNoCallBeyondItself) {
  TGLStates states;
  TGLListHandle list;
  list.Compile(states, [&] { SetGLState(states, stBlend); });
  list.Call(states);
  GLCallRecorder calls;
  list.Call(states);
  SetGLState(states, stBlend);
  EXPECT_EQ(calls.Names(), std::vector<std::string>{"glCallList"}) << "the cache knows what the list left";
  UnSetGLState(states, stBlend);
  list.DestroyHandle();
}

}  // namespace
