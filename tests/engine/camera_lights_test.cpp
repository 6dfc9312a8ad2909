// Camera, light sources, fog and the buffer's bookkeeping without a
// context: projections as matrices, setter rules, the light slots, the
// pick list and the selection buffer decoding.
#include "engine/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/fog_environment.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

namespace {

TEST(Camera, SetterClampsAsATable) {
  TGLCamera camera;
  const struct {
    float in, focal, bias, sceneScale;
  } cases[] = {{0, 1, 1, 1}, {-5, 1, 1, 1}, {35, 35, 35, 35}};
  for (const auto& c : cases) {
    camera.SetFocalLength(c.in);
    camera.SetNearPlaneBias(c.in);
    camera.SetSceneScale(c.in);
    EXPECT_EQ(camera.GetFocalLength(), c.focal) << c.in;
    EXPECT_EQ(camera.GetNearPlaneBias(), c.bias) << c.in;
    EXPECT_EQ(camera.GetSceneScale(), c.in == 0 ? 1.0f : c.in) << c.in;
  }
  EXPECT_EQ(TGLCamera().GetDirection()->GetZ(), -1.0f);
}

TEST(Camera, PerspectiveProjectionFromFocalLengthAndDPI) {
  TGLCamera camera;  // focal 50 mm, depth of view 100
  const TRectangle viewport{0, 0, 200, 100};
  const TMatrix m = camera.ProjectionMatrix(viewport, 200, 100, 96);
  const float nearPlane = 50.0f * 2 * 96 / (25.4f * 200);
  EXPECT_FLOAT_EQ(camera.GetNearPlane(), nearPlane);
  // right = width / (2 maxDim), top = height / (2 maxDim) at the near plane.
  const float right = 0.5f, top = 0.25f;
  EXPECT_FLOAT_EQ(m[0][0], nearPlane / right);
  EXPECT_FLOAT_EQ(m[1][1], nearPlane / top);
  EXPECT_FLOAT_EQ(m[2][3], -1.0f);
  const float farPlane = nearPlane + 100;
  EXPECT_FLOAT_EQ(m[2][2], -(farPlane + nearPlane) / (farPlane - nearPlane));
  EXPECT_FLOAT_EQ(camera.GetViewPortRadius(), std::sqrt(top * top + right * right) / nearPlane);
}

TEST(Camera, OtherStyles) {
  TGLCamera camera;
  const TRectangle viewport{0, 0, 100, 100};
  camera.SetCameraStyle(csOrtho2D);
  TMatrix m = camera.ProjectionMatrix(viewport, 100, 100, 96);
  EXPECT_FLOAT_EQ(m[0][0], 0.02f);
  EXPECT_FLOAT_EQ(m[3][0], -1.0f);
  EXPECT_EQ(camera.GetNearPlane(), -1.0f);
  camera.SetCameraStyle(csInfinitePerspective);
  m = camera.ProjectionMatrix(viewport, 100, 100, 96);
  EXPECT_FLOAT_EQ(m[2][2], 1e-4f - 1.0f);
  EXPECT_FLOAT_EQ(m[3][2], (1e-4f - 2.0f) * camera.GetNearPlane());
  camera.SetCameraStyle(csOrthogonal);
  m = camera.ProjectionMatrix(viewport, 100, 100, 96);
  EXPECT_EQ(m[2][3], 0.0f);
  EXPECT_EQ(m[3][3], 1.0f);
  camera.SetCameraStyle(csCustom);
  float seen = 0;
  camera.OnCustomPerspective = [&](const TRectangle&, int, int, int, float& radius) { seen = radius; };
  camera.ProjectionMatrix(viewport, 100, 100, 96);
  EXPECT_FLOAT_EQ(seen, std::sqrt(2.0f) * 50);
  const float before = camera.GetViewPortRadius();
  camera.ProjectionMatrix(viewport, 0, 100, 96);
  EXPECT_EQ(camera.GetViewPortRadius(), before) << "a viewport of no size changes nothing";
}

TEST(Camera, LooksAtItsTargetWhateverItsDirectionAndBackWithoutOne) {
  TGL3DScene scene;
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  auto* target = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  camera->GetPosition()->SetPoint(0, 0, 10);
  target->GetPosition()->SetPoint(10, 0, 10);
  camera->SetTargetObject(target);
  TMatrix view = camera->ViewMatrix();
  // The target lies straight ahead: on the view's -Z axis.
  TVector4f seen = VectorTransform({10, 0, 10, 1}, view);
  EXPECT_NEAR(seen[0], 0, 1e-5f);
  EXPECT_NEAR(seen[2], -10, 1e-5f);
  EXPECT_NEAR(camera->GetLastDirection()[0], 1, 1e-6f);
  // Freeing the target returns the camera to its direction.
  target->Detach().reset();
  EXPECT_EQ(camera->GetTargetObject(), nullptr);
  view = camera->ViewMatrix();
  seen = VectorTransform({0, 0, 0, 1}, view);
  EXPECT_NEAR(seen[2], -10, 1e-5f);
}

TEST(Camera, DegenerateViewKeepsTheLastDirection) {
  TGL3DScene scene;
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  auto* target = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  camera->ViewMatrix();
  camera->SetTargetObject(target);  // at the camera's own position
  const TMatrix view = camera->ViewMatrix();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(view[r][c]));
  EXPECT_EQ(camera->GetLastDirection()[2], -1.0f);
}

TEST(LightSource, DefaultsAndSpotCutOffRule) {
  TGLLightSource light;
  EXPECT_EQ(light.GetSpotCutOff(), 180.0f);
  EXPECT_EQ(light.GetLightStyle(), lsSpot);
  EXPECT_TRUE(light.GetShining());
  EXPECT_EQ(light.GetDiffuse()->GetColor()[0], 1.0f);
  EXPECT_EQ(light.GetSpotDirection()->GetZ(), -1.0f);
  const struct {
    float in, stored;
  } cases[] = {{120, 180}, {45, 45}, {91, 45}, {-1, 45}, {180, 180}, {0, 0}};
  for (const auto& c : cases) {
    light.SetSpotCutOff(c.in);
    EXPECT_EQ(light.GetSpotCutOff(), c.stored) << c.in;
  }
}

TEST(LightSource, EightSlotsAndTheNinthLightIsLeftOut) {
  TGL3DScene scene;
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(scene.GetObjects()->AddNewChild<TGLLightSource>());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(lights[i]->GetLightID(), static_cast<GLenum>(GL_LIGHT0 + i));
  EXPECT_EQ(lights[8]->GetLightID(), 0u);
  EXPECT_EQ(std::count(scene.Lights().begin(), scene.Lights().end(), lights[8]), 0);
  // A slot freed by a light that leaves goes to the next one added.
  lights[3]->Detach().reset();
  auto* late = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>()->AddNewChild<TGLLightSource>();
  EXPECT_EQ(late->GetLightID(), static_cast<GLenum>(GL_LIGHT3));
}

TEST(FogEnvironment, DefaultsAndTheChangedFlag) {
  TGLFogEnvironment fog;
  EXPECT_TRUE(fog.IsAtDefaultValues());
  EXPECT_FALSE(fog.Changed());
  fog.SetFogStart(10);
  EXPECT_FALSE(fog.Changed()) << "the same value";
  fog.GetFogColor()->SetAlpha(0.5f);
  EXPECT_TRUE(fog.Changed());
  EXPECT_FALSE(fog.IsAtDefaultValues());
  fog.ApplyFog(nullptr);
  EXPECT_TRUE(fog.Changed()) << "kept until a context applies it";
  TGLFogEnvironment copy;
  copy.Assign(&fog);
  EXPECT_TRUE(copy.Changed());
  EXPECT_EQ(copy.GetFogColor()->GetAlpha(), 0.5f);
}

TEST(SceneBuffer, DefaultsResizeAndModelViewStack) {
  TGL3DSceneBuffer buffer;
  EXPECT_EQ(buffer.GetBackgroundColor(), clBtnFace);
  EXPECT_FLOAT_EQ(buffer.GetAmbientColor()->GetRed(), 0.2f);
  EXPECT_TRUE(buffer.GetFaceCulling() && buffer.GetLighting() && buffer.GetDepthTest());
  EXPECT_FALSE(buffer.GetFogEnable());
  EXPECT_EQ(buffer.GetContextOptions(), roDoubleBuffer | roRenderToWindow);
  buffer.Resize(0, 0);
  EXPECT_EQ(buffer.GetWidth(), 1);
  EXPECT_EQ(buffer.GetHeight(), 1);
  EXPECT_THROW(buffer.PopModelViewMatrix(), EAssertionFailed);
  TMatrix m = IdentityHmgMatrix;
  m[3][0] = 5;
  buffer.PushModelViewMatrix(m);
  EXPECT_EQ(buffer.GetModelViewMatrix()[3][0], 5.0f);
  buffer.PopModelViewMatrix();
  EXPECT_EQ(buffer.GetModelViewMatrix()[3][0], 0.0f);
  int structural = 0, changes = 0;
  buffer.OnStructuralChange = [&](TObject*) { ++structural; };
  buffer.OnChange = [&](TObject*) { ++changes; };
  buffer.SetDepthPrecision(dp16bits);
  buffer.SetFogEnable(true);
  EXPECT_EQ(structural, 1);
  EXPECT_EQ(changes, 1);
}

TEST(SceneBuffer, CameraOutsideASceneIsRefusedAndAFreedCameraIsForgotten) {
  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera loose;
  buffer.SetCamera(&loose);
  EXPECT_EQ(buffer.GetCamera(), nullptr);
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  buffer.SetCamera(camera);
  EXPECT_EQ(buffer.GetCamera(), camera);
  scene.RegisterBuffer(&buffer);
  camera->Detach().reset();
  EXPECT_EQ(buffer.GetCamera(), nullptr);
}

TEST(SceneBuffer, ACameraFreedBeforeAnyRenderIsForgotten) {
  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  auto* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  buffer.SetCamera(camera);
  camera->Detach().reset();
  EXPECT_EQ(buffer.GetCamera(), nullptr);
}

TEST(PickList, SortModes) {
  TGL3DScene scene;
  auto* a = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  auto* b = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  a->SetName("beta");
  b->SetName("Alpha");
  TGLPickList byName(psName), byDepth(psMinDepth), none(psDefault);
  for (TGLPickList* list : {&byName, &byDepth, &none}) {
    list->AddHit({a, {}, 0.2f, 0.3f});
    list->AddHit({b, {}, 0.5f, 0.6f});
  }
  EXPECT_EQ(byName.Hit(0), b);
  EXPECT_EQ(byDepth.Hit(0), a);
  EXPECT_EQ(none.Hit(0), a);
}

TEST(PickList, SelectionBufferDecodingSkipsNamelessAndTruncatedRecords) {
  TGL3DScene scene;
  auto* a = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  auto* b = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  const GLuint half = 0x80000000u;
  std::vector<GLuint> buffer = {
      0, 1, 2,                                   // no names: no object
      1, half, 0xFFFFFFFFu, b->GetPickId(),      // b, deeper
      2, 0, half, a->GetPickId(), 77,            // a, with a sub-object name
      1, 0, 0, 0xFFFFFFF0u,                      // an id nobody has
      5, 0, 0, a->GetPickId(),                   // runs past the end
  };
  TGLPickList list(psMinDepth);
  DecodeSelectionBuffer(buffer.data(), buffer.size(), 5, list);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.Hit(0), a);
  EXPECT_EQ(list.GetHit(0).SubObjects, (std::vector<std::uint32_t>{77}));
  EXPECT_NEAR(list.GetHit(0).ZFar, 0.5f, 1e-6f);
  EXPECT_EQ(list.Hit(1), b);
  EXPECT_NEAR(list.GetHit(1).ZNear, 0.5f, 1e-6f);
  EXPECT_NEAR(list.GetHit(1).ZFar, 1.0f, 1e-6f);
}

}  // namespace
