// Materials applied on a real context: culling, blending, lighting and fog
// options, library materials with a texture matrix and a second texture,
// and the shader protocol.
#include "engine/material_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/gl_recorder.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "platform/base/assertion.h"
#include "tests/support/gl_fixture.h"

namespace {

Bitmap White(int w, int h) {
  Bitmap b(w, h, pf24bit);
  std::fill(b.Data(), b.Data() + b.DataSize(), 255);
  return b;
}

class MaterialOnContext : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    ResetGLStateCaches();
    xgl::MapTexCoordToNull();
  }
  void TearDown() override {
    library_.DestroyHandles();
    xgl::MapTexCoordToNull();
    GLContextTest::TearDown();
  }

  // The state cache's view of GL made true: everything off.
  void StartWith(std::initializer_list<TGLState> on) {
    rci_ = TRenderContextInfo{};
    for (TGLState s : {stCullFace, stBlend, stAlphaTest, stLighting, stFog, stTexture2D})
      GLDriverApi().glDisable(GLStateToEnum(s));
    for (TGLState s : on) SetGLState(rci_.GLStates, s);
  }
  static bool Enabled(GLenum cap) { return GLDriverApi().glIsEnabled(cap) == GL_TRUE; }
  static GLint Integer(GLenum name) {
    GLint v = -1;
    GLDriverApi().glGetIntegerv(name, &v);
    return v;
  }
  static TVector4f BackDiffuse() {
    TVector4f v;
    GLDriverApi().glGetMaterialfv(GL_BACK, GL_DIFFUSE, v.V);
    return v;
  }

  TGLMaterialLibrary library_;
  TRenderContextInfo rci_;
};

TEST_F(MaterialOnContext, FaceCullingCasesReadBackThroughIsEnabled) {
  const TVector4f backColour{0.25f, 0.5f, 0.75f, 1};
  struct Case {
    const char* label;
    bool cullOn;
    bool bufferCulls;
    TFaceCulling culling;
    bool cullAfter;
    bool backApplied;
  } cases[] = {
      {"on, buffer default, buffer culls", true, true, fcBufferDefault, true, false},
      {"on, buffer default, buffer does not cull", true, false, fcBufferDefault, false, true},
      {"on, cull", true, false, fcCull, true, false},
      {"on, no cull", true, true, fcNoCull, false, true},
      {"off, buffer default, buffer culls", false, true, fcBufferDefault, true, false},
      {"off, buffer default, buffer does not cull", false, false, fcBufferDefault, false, true},
      {"off, cull", false, false, fcCull, true, false},
      {"off, no cull", false, true, fcNoCull, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ResetGLMaterialColors();
    StartWith({});
    if (c.cullOn) SetGLState(rci_.GLStates, stCullFace);
    rci_.bufferFaceCull = c.bufferCulls;
    TGLMaterial material;
    material.SetFaceCulling(c.culling);
    material.GetBackProperties()->GetDiffuse()->SetColor(backColour);
    material.Apply(rci_);
    EXPECT_EQ(Enabled(GL_CULL_FACE), c.cullAfter);
    EXPECT_EQ(rci_.GLStates.Contains(stCullFace), c.cullAfter);
    const TVector4f back = BackDiffuse();
    EXPECT_EQ(back[2] == backColour[2], c.backApplied) << "back diffuse blue " << back[2];
    material.UnApply(rci_);
  }
}

TEST_F(MaterialOnContext, BlendingModesReadBackThroughIsEnabled) {
  struct Case {
    TBlendingMode mode;
    bool blend, alphaTest;
    GLint dst;  // blend destination factor, when blending
    GLint alphaFunc;
    float alphaRef;
  } cases[] = {
      {bmOpaque, false, false, 0, GL_ALWAYS, 0},
      {bmTransparency, true, true, GL_ONE_MINUS_SRC_ALPHA, GL_ALWAYS, 0},
      {bmAdditive, true, true, GL_ONE, GL_ALWAYS, 0},
      {bmAlphaTest50, false, true, 0, GL_GEQUAL, 0.5f},
      {bmAlphaTest100, false, true, 0, GL_GEQUAL, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.mode));
    GLDriverApi().glAlphaFunc(GL_ALWAYS, 0);
    StartWith({stBlend, stAlphaTest});
    TGLMaterial material;
    material.SetBlendingMode(c.mode);
    EXPECT_EQ(material.Blended(), c.mode != bmOpaque);
    material.Apply(rci_);
    EXPECT_EQ(Enabled(GL_BLEND), c.blend);
    EXPECT_EQ(Enabled(GL_ALPHA_TEST), c.alphaTest);
    if (c.blend) {
      EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
      EXPECT_EQ(Integer(GL_BLEND_DST), c.dst);
    }
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), c.alphaFunc);
    GLfloat ref = -1;
    GLDriverApi().glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_EQ(ref, c.alphaRef);
    material.UnApply(rci_);
    if (c.mode == bmAlphaTest50 || c.mode == bmAlphaTest100) {
      EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_GREATER);
    }
  }
}

TEST_F(MaterialOnContext, IgnoredBlendingLeavesBlendStateAlone) {
  StartWith({stBlend});
  rci_.ignoreBlendingRequests = true;
  TGLMaterial material;
  material.Apply(rci_);
  EXPECT_TRUE(Enabled(GL_BLEND));
  material.UnApply(rci_);
}

TEST_F(MaterialOnContext, NestedNoLightingTurnsLightingBackOnOnlyAtTheOuterUnapply) {
  StartWith({stLighting});
  TGLMaterial outer, inner;
  outer.SetMaterialOptions({moNoLighting});
  inner.SetMaterialOptions({moNoLighting});
  outer.Apply(rci_);
  EXPECT_FALSE(Enabled(GL_LIGHTING));
  inner.Apply(rci_);
  inner.UnApply(rci_);
  EXPECT_FALSE(Enabled(GL_LIGHTING)) << "the inner material closed the outer one's span";
  outer.UnApply(rci_);
  EXPECT_TRUE(Enabled(GL_LIGHTING));
  EXPECT_EQ(rci_.lightingDisabledCounter, 0);
}

TEST_F(MaterialOnContext, NoLightingWithLightingOffDoesNotTurnItOn) {
  StartWith({});
  TGLMaterial material;
  material.SetMaterialOptions({moNoLighting, moIgnoreFog});
  material.Apply(rci_);
  material.UnApply(rci_);
  EXPECT_FALSE(Enabled(GL_LIGHTING));
  EXPECT_FALSE(Enabled(GL_FOG));
}

TEST_F(MaterialOnContext, IgnoreFogSwitchesFogOffWhileTheMaterialApplies) {
  StartWith({stFog});
  TGLMaterial material;
  material.SetMaterialOptions({moIgnoreFog});
  material.Apply(rci_);
  EXPECT_FALSE(Enabled(GL_FOG));
  EXPECT_EQ(rci_.fogDisabledCounter, 1);
  material.UnApply(rci_);
  EXPECT_TRUE(Enabled(GL_FOG));
}

TEST_F(MaterialOnContext, FrontColoursGoToTheMaterialWithLightingAndToTheColourWithout) {
  ResetGLMaterialColors();
  TGLMaterial material;
  material.GetFrontProperties()->GetDiffuse()->SetColor({0.5f, 0.25f, 1, 1});
  StartWith({stLighting});
  material.Apply(rci_);
  TVector4f diffuse;
  GLDriverApi().glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.V);
  EXPECT_EQ(diffuse[1], 0.25f);
  material.UnApply(rci_);
  StartWith({});
  GLDriverApi().glColor4f(0, 0, 0, 0);
  material.Apply(rci_);
  TVector4f colour;
  GLDriverApi().glGetFloatv(GL_CURRENT_COLOR, colour.V);
  EXPECT_EQ(colour[0], 0.5f);
  material.UnApply(rci_);
}

TEST_F(MaterialOnContext, LibraryMaterialAppliesInPlaceOfTheMaterialWithItsTextureMatrix) {
  TGLLibMaterial* lib = library_.AddTextureMaterial("ground", White(4, 4));
  lib->GetMaterial()->SetBlendingMode(bmAdditive);
  lib->GetTextureScale()->SetX(3);
  TGLMaterial material;
  material.SetMaterialLibrary(&library_);
  material.SetLibMaterialName("ground");
  StartWith({});
  material.Apply(rci_);
  EXPECT_TRUE(Enabled(GL_BLEND));
  EXPECT_TRUE(Enabled(GL_TEXTURE_2D));
  GLfloat m[16] = {};
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 3.0f);
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
  material.UnApply(rci_);
  GLDriverApi().glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));
  ExpectNoStateLeft();
}

TEST_F(MaterialOnContext, ApplyMaterialByNameAndUnapplyTheLastOne) {
  library_.AddTextureMaterial("a", White(4, 4))->GetMaterial()->SetBlendingMode(bmTransparency);
  StartWith({});
  EXPECT_TRUE(library_.ApplyMaterial("a", rci_));
  EXPECT_TRUE(Enabled(GL_BLEND));
  EXPECT_FALSE(library_.UnApplyMaterial(rci_));  // no further pass
  EXPECT_FALSE(library_.UnApplyMaterial(rci_));  // nothing left to unapply
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));
}

TEST_F(MaterialOnContext, SecondTextureGoesOnUnitOneWithDualCoordinates) {
  if (!GL().Extensions.ARB_multitexture) GTEST_SKIP() << "no GL_ARB_multitexture";
  TGLLibMaterial* base = library_.AddTextureMaterial("base", White(4, 4));
  TGLLibMaterial* detail = library_.AddTextureMaterial("detail", White(8, 8));
  base->SetTexture2Name("detail");
  StartWith({});
  base->Apply(rci_);
  EXPECT_EQ(base->GetLibMatTexture2(), detail);
  EXPECT_TRUE(detail->IsUsedBy(base));
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmDual);
  EXPECT_TRUE(Enabled(GL_TEXTURE_2D));
  GLDriverApi().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_TRUE(Enabled(GL_TEXTURE_2D));
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D),
            static_cast<GLint>(detail->GetMaterial()->GetTexture()->GetHandle(1)));
  GLDriverApi().glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_FALSE(base->UnApply(rci_));
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
  GLDriverApi().glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));
  GLDriverApi().glActiveTextureARB(GL_TEXTURE0_ARB);
  ExpectNoStateLeft();

  // A disabled first texture sends coordinates to the second unit only.
  base->GetMaterial()->GetTexture()->SetDisabled(true);
  base->Apply(rci_);
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmSecond);
  base->UnApply(rci_);
}

TEST_F(MaterialOnContext, SecondTextureIsLeftOutWithoutMultitextureOrWhenForbidden) {
  library_.AddTextureMaterial("base", White(4, 4))->SetTexture2Name("detail");
  library_.AddTextureMaterial("detail", White(4, 4));
  TGLLibMaterial* base = library_.LibMaterialByName("base");

  GLApi withoutMultitexture = GLDriverApi();
  withoutMultitexture.Extensions.ARB_multitexture = false;
  {
    ScopedGLApi scoped(withoutMultitexture);
    GLCallRecorder calls(withoutMultitexture);
    StartWith({});
    base->Apply(rci_);
    base->UnApply(rci_);
    EXPECT_EQ(calls.Count("glActiveTextureARB"), 0);
    EXPECT_EQ(calls.Count("glMultiTexCoord2fARB"), 0);
    EXPECT_EQ(base->GetLibMatTexture2(), nullptr);
  }
  xgl::ForbidSecondTextureUnit();
  GLCallRecorder calls;
  base->Apply(rci_);
  base->UnApply(rci_);
  xgl::AllowSecondTextureUnit();
  EXPECT_EQ(calls.Count("glActiveTextureARB"), 0);
  EXPECT_EQ(xgl::GetMapTexCoordMode(), mtcmMain);
}

TEST_F(MaterialOnContext, UnknownSecondTextureNameIsCleared) {
  if (!GL().Extensions.ARB_multitexture) GTEST_SKIP() << "no GL_ARB_multitexture";
  TGLLibMaterial* base = library_.AddTextureMaterial("base", White(4, 4));
  base->SetTexture2Name("nowhere");
  StartWith({});
  base->Apply(rci_);
  base->UnApply(rci_);
  EXPECT_EQ(base->GetTexture2Name(), "");
}

// Notes the protocol's steps; asks for one more pass when told to.
class RecordingShader : public TGLShader {
public:
  using TGLShader::TGLShader;
  std::vector<std::string>* log = nullptr;
  int extraPasses = 0;

protected:
  void DoInitialize() override { log->push_back("initialize"); }
  void DoApply(TRenderContextInfo&, TObject*) override {
    log->push_back(GLDriverApi().glIsEnabled(GL_BLEND) ? "apply after material" : "apply before material");
  }
  bool DoUnApply(TRenderContextInfo&) override {
    log->push_back("unapply");
    return extraPasses-- > 0;
  }
};

TEST_F(MaterialOnContext, ShaderStylesRunBeforeAfterOrInPlaceOfTheMaterial) {
  std::vector<std::string> log;
  RecordingShader shader;
  shader.log = &log;
  TGLLibMaterial* lib = library_.AddTextureMaterial("shaded", White(4, 4));
  lib->GetMaterial()->SetBlendingMode(bmAdditive);
  lib->SetShader(&shader);

  shader.SetShaderStyle(ssHighLevel);
  StartWith({});
  lib->Apply(rci_);
  EXPECT_FALSE(lib->UnApply(rci_));
  EXPECT_EQ(log, (std::vector<std::string>{"initialize", "apply before material", "unapply"}));

  log.clear();
  shader.SetShaderStyle(ssLowLevel);
  shader.extraPasses = 1;
  StartWith({});
  lib->Apply(rci_);
  EXPECT_TRUE(lib->UnApply(rci_));  // a second pass is asked for
  EXPECT_TRUE(Enabled(GL_BLEND));   // and the material stays applied for it
  EXPECT_FALSE(lib->UnApply(rci_));
  EXPECT_EQ(log, (std::vector<std::string>{"apply after material", "unapply", "unapply"}));

  log.clear();
  shader.SetShaderStyle(ssReplace);
  StartWith({});
  lib->Apply(rci_);
  EXPECT_FALSE(Enabled(GL_BLEND));  // the material itself never applied
  EXPECT_FALSE(lib->UnApply(rci_));
  EXPECT_EQ(log, (std::vector<std::string>{"apply before material", "unapply"}));
  lib->SetShader(nullptr);
}

TEST_F(MaterialOnContext, ShaderProtocolAssertions) {
  std::vector<std::string> log;
  RecordingShader shader;
  shader.log = &log;
  TRenderContextInfo rci;
  try {
    shader.UnApply(rci);
    FAIL() << "unapplied while inactive";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Unbalanced shader application.", 0), 0u);
  }
  shader.Apply(rci, nullptr);
  EXPECT_THROW(shader.Apply(rci, nullptr), EAssertionFailed);
  try {
    shader.SetEnabled(false);
    FAIL() << "changed while active";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Shader is active.", 0), 0u);
  }
  shader.UnApply(rci);
  shader.SetEnabled(false);
  log.clear();
  shader.Apply(rci, nullptr);
  EXPECT_FALSE(shader.UnApply(rci));
  EXPECT_TRUE(log.empty());  // a disabled shader does nothing of its own
}

TEST_F(MaterialOnContext, TextureOfAMaterialNeverEnabledIsNeverUploaded) {
  TGLMaterial material;
  Bitmap picture = White(8, 8);
  material.GetTexture()->AssignBitmap(picture);
  GLCallRecorder calls;
  StartWith({});
  material.PrepareBuildList();
  material.Apply(rci_);
  material.UnApply(rci_);
  EXPECT_EQ(calls.Count("glGenTextures"), 0);
  EXPECT_EQ(calls.Count("glTexImage2D") + calls.Count("gluBuild2DMipmaps"), 0);
}

}  // namespace
