// Proxies, custom scene objects and after-effects in a real frame on the
// off-screen context: a proxy draws its master at its own place and is what
// picking finds, proxies of themselves draw once, a multi-pass material
// draws its object once per pass, a scrolling texture moves a compiled
// object's picture without compiling it again, and after-effects come after
// everything.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/camera.h"
#include "engine/custom_scene_object.h"
#include "engine/direct_opengl.h"
#include "engine/effects.h"
#include "engine/gl_api.h"
#include "engine/gl_recorder.h"
#include "engine/material_library.h"
#include "engine/texture.h"
#include "engine/multitexture.h"
#include "engine/proxy_object.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

constexpr int kSize = 64;
std::vector<std::string> g_log;

void Square(float half) {
  const GLApi& gl = GL();
  gl.glBegin(GL_QUADS);
  gl.glVertex3f(-half, -half, 0);
  gl.glVertex3f(half, -half, 0);
  gl.glVertex3f(half, half, 0);
  gl.glVertex3f(-half, half, 0);
  gl.glEnd();
}

// Draws a small red square directly (about 11 pixels across from the
// camera), counting its builds.
class TCountingObject : public TGLCustomSceneObject {
  CLIENT_DECLARE_CLASS(TCountingObject)
public:
  explicit TCountingObject(TComponent* owner = nullptr) : TGLCustomSceneObject(owner) { FObjectStyle |= sosDirectDraw; }
  void SetOnBuild(std::function<void()> onBuild) { onBuild_ = std::move(onBuild); }
  void BuildList(TRenderContextInfo&) override {
    ++builds;
    if (onBuild_) onBuild_();
    g_log.push_back(GetName());
    GL().glColor3f(1, 0, 0);
    Square(0.15f);
  }
  int builds = 0;

private:
  std::function<void()> onBuild_;
};
CLIENT_DEFINE_CLASS(TCountingObject, TGLCustomSceneObject)

// A textured square (s from 0 on its left to 1 on its right), compiled
// into its display list; its builds counted.
class TCompiledSquare : public TGLCustomSceneObject {
  CLIENT_DECLARE_CLASS(TCompiledSquare)
public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
  void BuildList(TRenderContextInfo&) override {
    ++builds;
    const GLApi& gl = GL();
    gl.glColor3f(1, 1, 1);
    gl.glBegin(GL_QUADS);
    gl.glTexCoord2f(0, 0);
    gl.glVertex3f(-0.6f, -0.6f, 0);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(0.6f, -0.6f, 0);
    gl.glTexCoord2f(1, 1);
    gl.glVertex3f(0.6f, 0.6f, 0);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(-0.6f, 0.6f, 0);
    gl.glEnd();
  }
  int builds = 0;
};
CLIENT_DEFINE_CLASS(TCompiledSquare, TGLCustomSceneObject)

// Asks for `passes` passes in all.
class TPassesShader : public TGLShader {
public:
  explicit TPassesShader(int passes) : passes_(passes) {}
  int applied = 0;

protected:
  void DoApply(TRenderContextInfo&, TObject*) override {
    ++applied;
    left_ = passes_ - 1;
  }
  bool DoUnApply(TRenderContextInfo&) override { return left_-- > 0; }

private:
  int passes_;
  int left_ = 0;
};

class TLogAfterEffect : public TGLObjectAfterEffect {
  CLIENT_DECLARE_CLASS(TLogAfterEffect)
public:
  std::string FriendlyName() const override { return "Log after"; }
  void Render(TGL3DSceneBuffer* buffer, TRenderContextInfo&) override {
    g_log.push_back(buffer ? "after with buffer" : "after");
  }
};
CLIENT_DEFINE_CLASS(TLogAfterEffect, TGLObjectAfterEffect)

class ProxyCustomTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
    RegisterEglContextClass();
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(0, 0, 10);
    camera->GetDirection()->SetVector(0, 0, -1);
    buffer.SetBackgroundColor(0);
    buffer.SetLighting(false);
    buffer.Resize(kSize, kSize);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
  }
  void TearDown() override {
    buffer.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }
  // Red amount of the frame's pixel (x, y from the bottom left).
  int RedAt(int x, int y) {
    std::uint8_t rgba[4] = {};
    buffer.GetRenderingContext()->Activate();
    GL().glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    buffer.GetRenderingContext()->Deactivate();
    return rgba[0];
  }

  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera* camera = nullptr;
};

TEST_F(ProxyCustomTest, ProxyDrawsItsMasterAtItsOwnPlace) {
  auto* master = scene.GetObjects()->AddNewChild<TCountingObject>();
  master->SetName("master");
  master->GetPosition()->SetPoint(-0.5f, 0, 0);
  master->SetVisible(false);  // only the proxy draws it
  auto* proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  proxy->GetPosition()->SetPoint(0.5f, 0, 0);
  proxy->SetProxyOptions(pooObjects);  // without the master's transformation
  proxy->SetMasterObject(master);
  buffer.Render();
  EXPECT_EQ(master->builds, 1);
  EXPECT_EQ(RedAt(kSize / 2, kSize / 2), 0);
  EXPECT_GT(RedAt(50, kSize / 2), 200);  // right of the centre: where the proxy stands
  EXPECT_EQ(RedAt(14, kSize / 2), 0);    // not where the hidden master stands
}

TEST_F(ProxyCustomTest, MasterTransformationAppliesToTheMasterOnly) {
  auto* master = scene.GetObjects()->AddNewChild<TCountingObject>();
  master->GetPosition()->SetPoint(0, 0.5f, 0);
  master->SetVisible(false);
  auto* proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  proxy->SetMasterObject(master);
  auto* child = proxy->AddNewChild<TCountingObject>();
  child->SetName("child");
  buffer.Render();
  EXPECT_GT(RedAt(kSize / 2, 50), 200);  // the master, moved up by its own position
  EXPECT_GT(RedAt(kSize / 2, kSize / 2), 200);  // the proxy's child, at the proxy's place
  EXPECT_EQ(RedAt(kSize / 2, 14), 0);
}

TEST_F(ProxyCustomTest, PickingFindsTheProxy) {
  auto* master = scene.GetObjects()->AddNewChild<TCountingObject>();
  master->SetVisible(false);
  auto* proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  proxy->SetMasterObject(master);
  EXPECT_EQ(buffer.GetPickedObject(kSize / 2, kSize / 2), proxy);
  EXPECT_EQ(buffer.GetPickedObject(1, 1), nullptr);
}

TEST_F(ProxyCustomTest, ProxiesOfThemselvesDrawOnce) {
  auto* self = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  self->SetMasterObject(self);
  auto* a = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  auto* b = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  a->SetMasterObject(b);
  b->SetMasterObject(a);
  auto* real = b->AddNewChild<TCountingObject>();
  buffer.Render();  // ends: neither proxy reaches itself twice
  // b's child: once under b, once when a draws b.
  EXPECT_EQ(real->builds, 2);
  EXPECT_EQ(buffer.GetFrameCount(), 1);
}

TEST_F(ProxyCustomTest, LongProxyChainsStayWithinTheGLStacks) {
  // Each proxy level pushes a model-view matrix; GL guarantees 32.
  struct Case {
    int length;
    int builds;
  } cases[] = {{10, 1}, {80, 0}};
  for (const Case& c : cases) {
    auto* real = scene.GetObjects()->AddNewChild<TCountingObject>();
    real->SetVisible(false);
    TGLBaseSceneObject* master = real;
    std::vector<TGLProxyObject*> chain;
    for (int i = 0; i < c.length; ++i) {
      chain.push_back(scene.GetObjects()->AddNewChild<TGLProxyObject>());
      chain.back()->SetVisible(false);
      chain.back()->SetMasterObject(master);
      master = chain.back();
    }
    chain.back()->SetVisible(true);
    EXPECT_NO_THROW(buffer.Render()) << c.length;
    EXPECT_EQ(real->builds, c.builds) << c.length;
    EXPECT_EQ(buffer.GetPickedObject(kSize / 2, kSize / 2), c.builds ? chain.back() : nullptr) << c.length;
    scene.GetObjects()->DeleteChildren();
  }
}

TEST_F(ProxyCustomTest, MasterDestroyedLeavesTheProxyEmpty) {
  auto* proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  {
    auto* master = scene.GetObjects()->AddNewChild<TCountingObject>();
    proxy->SetMasterObject(master);
    EXPECT_EQ(proxy->GetMasterObject(), master);
    std::unique_ptr<TGLBaseSceneObject> gone = scene.GetObjects()->Remove(master, false);
  }
  EXPECT_EQ(proxy->GetMasterObject(), nullptr);
  buffer.Render();
  EXPECT_EQ(RedAt(kSize / 2, kSize / 2), 0);
}

TEST_F(ProxyCustomTest, MaterialPassesRepeatTheGeometry) {
  TGLMaterialLibrary library;
  TGLLibMaterial* libMaterial = library.GetMaterials()->Add();
  TPassesShader shader(3);
  libMaterial->SetShader(&shader);
  auto* object = scene.GetObjects()->AddNewChild<TCountingObject>();
  object->GetMaterial()->SetMaterialLibrary(&library);
  object->GetMaterial()->SetLibMaterialName(libMaterial->GetName());
  buffer.Render();
  EXPECT_EQ(object->builds, 3);
  EXPECT_EQ(shader.applied, 1);
  EXPECT_FALSE(shader.GetShaderActive());
  // Picking ignores materials: one pass.
  object->builds = 0;
  buffer.GetPickedObject(kSize / 2, kSize / 2);
  EXPECT_EQ(object->builds, 1);
  libMaterial->SetShader(nullptr);
}

TEST_F(ProxyCustomTest, FailedPassTakesTheMaterialOff) {
  TGLMaterialLibrary library;
  TGLLibMaterial* libMaterial = library.GetMaterials()->Add();
  TPassesShader shader(2);
  libMaterial->SetShader(&shader);
  auto* object = scene.GetObjects()->AddNewChild<TCountingObject>();
  object->GetMaterial()->SetMaterialLibrary(&library);
  object->GetMaterial()->SetLibMaterialName(libMaterial->GetName());
  bool fail = true;
  object->SetOnBuild([&] {
    if (fail) throw std::runtime_error("draw failed");
  });
  EXPECT_THROW(buffer.Render(), std::runtime_error);
  EXPECT_FALSE(shader.GetShaderActive());
  fail = false;
  object->builds = 0;
  buffer.Render();  // the next frame applies the material again
  EXPECT_EQ(object->builds, 2);
  libMaterial->SetShader(nullptr);
}

TEST_F(ProxyCustomTest, AScrollingTextureMovesACompiledPictureWithoutCompilingItAgain) {
  // Black on the left, white on the right, sampled as it stands.
  Bitmap halves(2, 1, pf24bit);
  std::fill(halves.Data() + 3, halves.Data() + 6, 255);
  TGLMaterialLibrary library;
  TGLLibMaterial* scrolling = library.AddTextureMaterial("sea", halves);
  TGLTexture& texture = *scrolling->GetMaterial()->GetTexture();
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);
  auto* square = scene.GetObjects()->AddNewChild<TCompiledSquare>();
  ASSERT_FALSE(square->GetObjectStyle() & sosDirectDraw);
  square->GetMaterial()->SetMaterialLibrary(&library);
  square->GetMaterial()->SetLibMaterialName("sea");
  int changes = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  buffer.Render();
  ASSERT_EQ(square->builds, 1);
  const int left = kSize / 2 - 10, right = kSize / 2 + 10;
  ASSERT_LT(RedAt(left, kSize / 2), 50);
  ASSERT_GT(RedAt(right, kSize / 2), 150);

  // Half a picture on: what the left showed is on the right.
  scrolling->GetTextureOffset()->AddScaledVector(0.5f, XHmgVector);
  EXPECT_GE(changes, 1) << "the view must hear of it to draw it";
  GLCallRecorder calls;
  buffer.Render();
  EXPECT_EQ(calls.Count("glNewList"), 0);
  EXPECT_EQ(square->builds, 1);
  EXPECT_GT(RedAt(left, kSize / 2), 150);
  EXPECT_LT(RedAt(right, kSize / 2), 50);

  // What is compiled into the list still compiles it again.
  texture.SetDisabled(true);
  buffer.Render();
  EXPECT_EQ(square->builds, 2);
}

TEST_F(ProxyCustomTest, AfterEffectDrawsAfterEveryOtherObject) {
  auto* first = scene.GetObjects()->AddNewChild<TCountingObject>();
  first->SetName("first");
  first->GetEffects()->AddNew<TLogAfterEffect>();
  auto* second = scene.GetObjects()->AddNewChild<TCountingObject>();
  second->SetName("second");
  buffer.Render();
  EXPECT_EQ(g_log, (std::vector<std::string>{"first", "second", "after with buffer"}));
  g_log.clear();
  buffer.Render();  // the list starts empty each frame
  EXPECT_EQ(g_log, (std::vector<std::string>{"first", "second", "after with buffer"}));
}

TEST_F(ProxyCustomTest, ProxyRendersTheMastersPostEffects) {
  auto* master = scene.GetObjects()->AddNewChild<TCountingObject>();
  master->SetName("master");
  master->SetVisible(false);
  master->GetEffects()->AddNew<TLogAfterEffect>();
  auto* proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
  proxy->SetMasterObject(master);
  buffer.Render();
  EXPECT_EQ(g_log, (std::vector<std::string>{"master", "after with buffer"}));
}

}  // namespace

namespace {

class DirectOpenGLTest : public ProxyCustomTest {};

TEST_F(DirectOpenGLTest, DrawsEveryFrameUnlessCompiledIntoItsList) {
  auto* direct = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  int calls = 0;
  direct->SetOnRender([&](TObject* sender, TRenderContextInfo&) {
    EXPECT_EQ(sender, direct);
    ++calls;
    GL().glColor3f(1, 0, 0);
    Square(0.15f);
  });
  EXPECT_TRUE(direct->GetObjectStyle() & sosResetsGLStateCaches);
  buffer.Render();
  buffer.Render();
  EXPECT_EQ(calls, 2);
  EXPECT_GT(RedAt(kSize / 2, kSize / 2), 200);

  direct->SetUseBuildList(true);
  EXPECT_FALSE(direct->GetObjectStyle() & sosDirectDraw);
  calls = 0;
  buffer.Render();
  buffer.Render();
  EXPECT_EQ(calls, 1);  // compiled once, replayed after
  EXPECT_GT(RedAt(kSize / 2, kSize / 2), 200);
  direct->StructureChanged();
  buffer.Render();
  EXPECT_EQ(calls, 2);
}

TEST_F(DirectOpenGLTest, TextureCoordinatesReachTheMainUnit) {
  // Drawn first, it leaves the mapping pointing nowhere.
  auto* before = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  before->SetOnRender([](TObject*, TRenderContextInfo&) { xgl::MapTexCoordToNull(); });
  auto* direct = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
  bool mappedToMain = false;
  direct->SetOnRender([&](TObject*, TRenderContextInfo&) { mappedToMain = xgl::GetMapTexCoordMode() == mtcmMain; });
  buffer.Render();
  EXPECT_TRUE(mappedToMain);
}

}  // namespace
