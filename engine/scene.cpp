#include "engine/scene.h"

#include <algorithm>

#include "engine/camera.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/multitexture.h"
#include "engine/plane_geometry.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGL3DScene, TGLUpdateAbleComponent)
CLIENT_REGISTER_CLASS(TGL3DScene);

TGL3DScene::TGL3DScene(TComponent* owner) : TGLUpdateAbleComponent(owner) {
  FObjects = std::make_unique<TGL3DSceneRootObject>(this);
  FObjects->SetName("ObjectRoot");
  FCameras = std::make_unique<TGL3DSceneRootObject>(this);
  FCameras->SetName("CameraRoot");
}

TGL3DScene::~TGL3DScene() {
  MarkDestroying();
  FObjects->DestroyHandles();
  for (TGL3DSceneBuffer* buffer : std::vector<TGL3DSceneBuffer*>(FBuffers)) buffer->SceneDestroyed(this);
  FBuffers.clear();
  FBaseContext = nullptr;
  FCurrentCamera = nullptr;
  FCameras.reset();
  FLights.fill(nullptr);
  FObjects.reset();
}

void TGL3DScene::EndUpdate() {
  CLIENT_ASSERT(FUpdateCount > 0, "Unbalanced Begin/EndUpdate");
  if (--FUpdateCount == 0) NotifyChange(this);
}

void TGL3DScene::NotifyChange(TObject* sender) {
  if (IsUpdating()) return;
  for (TGL3DSceneBuffer* buffer : FBuffers) buffer->NotifyChange(this);
}

void TGL3DScene::SetObjectsSorting(TGLObjectsSorting value) {
  if (value == osInherited) value = osRenderBlendedLast;
  if (value == FObjectsSorting) return;
  FObjectsSorting = value;
  NotifyChange(this);
}

void TGL3DScene::SetVisibilityCulling(TGLVisibilityCulling value) {
  if (value == vcInherited) value = vcNone;
  if (value == FVisibilityCulling) return;
  FVisibilityCulling = value;
  NotifyChange(this);
}

void TGL3DScene::AddLight(TGLLightSource* light) {
  if (std::find(FLights.begin(), FLights.end(), light) != FLights.end()) return;
  for (int i = 0; i < kMaxSceneLights; ++i)
    if (!FLights[static_cast<size_t>(i)]) {
      FLights[static_cast<size_t>(i)] = light;
      light->SetLightID(static_cast<GLenum>(GL_LIGHT0 + i));
      return;
    }
}

void TGL3DScene::RemoveLight(TGLLightSource* light) {
  for (auto& entry : FLights)
    if (entry == light) entry = nullptr;
}

void TGL3DScene::RegisterLightsOf(TGLBaseSceneObject* object) {
  if (auto* light = dynamic_cast<TGLLightSource*>(object)) AddLight(light);
  for (int i = 0; i < object->GetCount(); ++i) RegisterLightsOf(object->GetChild(i));
}

void TGL3DScene::UnregisterLightsOf(TGLBaseSceneObject* object) {
  if (auto* light = dynamic_cast<TGLLightSource*>(object)) RemoveLight(light);
  for (int i = 0; i < object->GetCount(); ++i) UnregisterLightsOf(object->GetChild(i));
}

void TGL3DScene::SetupLights(int maxLights) {
  const GLApi& gl = GL();
  const int n = std::min(kMaxSceneLights, maxLights);
  gl.glPushMatrix();
  for (int i = 0; i < n; ++i) {
    TGLLightSource* light = FLights[static_cast<size_t>(i)];
    if (!light) {
      gl.glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
      continue;
    }
    if (!light->GetShining()) {
      gl.glDisable(light->GetLightID());
      continue;
    }
    gl.glEnable(light->GetLightID());
    gl.glPopMatrix();
    gl.glPushMatrix();
    light->ApplyTo(light->GetLightID());
  }
  gl.glPopMatrix();
  for (int i = n; i < maxLights; ++i) gl.glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
}

void TGL3DScene::RegisterBuffer(TGL3DSceneBuffer* buffer) {
  if (std::find(FBuffers.begin(), FBuffers.end(), buffer) != FBuffers.end()) {
    // Registered before it had a context: the first context is the base.
    if (!FBaseContext) FBaseContext = buffer->GetRenderingContext();
    return;
  }
  FBuffers.push_back(buffer);
  buffer->RegisteredWith(this, true);
  if (!FBaseContext) FBaseContext = buffer->GetRenderingContext();
  if (FBuffers.size() > 1 && FBaseContext && buffer->GetRenderingContext() &&
      !buffer->GetRenderingContext()->SharesListsWith(FBaseContext))
    buffer->GetRenderingContext()->ShareLists(FBaseContext);
}

void TGL3DScene::UnregisterBuffer(TGL3DSceneBuffer* buffer) {
  FBuffers.erase(std::remove(FBuffers.begin(), FBuffers.end(), buffer), FBuffers.end());
  buffer->RegisteredWith(this, false);
  if (FCurrentBuffer == buffer) FCurrentBuffer = nullptr;
  FBaseContext = FBuffers.empty() ? nullptr : FBuffers.front()->GetRenderingContext();
}

void TGL3DScene::CameraDestroyed(TGLCamera* camera) {
  if (FCurrentCamera == camera) FCurrentCamera = nullptr;
  for (TGL3DSceneBuffer* buffer : std::vector<TGL3DSceneBuffer*>(FBuffers))
    if (buffer->GetCamera() == camera) buffer->SetCamera(nullptr);
}

TGLBaseSceneObject* TGL3DScene::FindSceneObject(const std::string& name) const {
  if (TGLBaseSceneObject* found = FObjects->FindChild(name, false)) return found;
  return FCameras->FindChild(name, false);
}

namespace {
void RayCastVisit(TGLBaseSceneObject* object, const TVector4f& start, const TVector4f& vector, float& best,
                  TGLBaseSceneObject*& bestObject, TVector4f& bestPoint, TVector4f& bestNormal) {
  for (int i = 0; i < object->GetCount(); ++i) {
    TGLBaseSceneObject* child = object->GetChild(i);
    if (!child->GetVisible()) continue;
    TVector4f point, normal;
    if (child->RayCastIntersect(start, vector, &point, &normal)) {
      const float distance = VectorDistance2(start, point);
      if (distance < best) {
        best = distance;
        bestObject = child;
        bestPoint = point;
        bestNormal = normal;
      }
    }
    RayCastVisit(child, start, vector, best, bestObject, bestPoint, bestNormal);
  }
}
}  // namespace

TGLBaseSceneObject* TGL3DScene::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                                 TVector4f* intersectPoint, TVector4f* intersectNormal) {
  float best = 1e20f;
  TGLBaseSceneObject* result = nullptr;
  TVector4f point, normal;
  RayCastVisit(FObjects.get(), rayStart, rayVector, best, result, point, normal);
  if (result) {
    if (intersectPoint) *intersectPoint = point;
    if (intersectNormal) *intersectNormal = normal;
  }
  return result;
}

void TGL3DScene::Progress(double deltaTime, double newTime) {
  const TProgressTimes times{deltaTime, newTime};
  FObjects->DoProgress(times);
  FCameras->DoProgress(times);
  if (OnProgress) OnProgress(this, deltaTime, newTime);
}

void TGL3DScene::RenderPass(TGL3DSceneBuffer& buffer, int viewportWidth, int viewportHeight, TDrawState drawState,
                            TGLBaseSceneObject* baseObject) {
  const GLApi& gl = GL();
  ResetGLPolygonModeCache();
  ResetGLMaterialColors();
  ResetGLTextureBindings();
  ResetGLFrontFace();
  buffer.AfterRenderEffects().clear();
  FCurrentBuffer = &buffer;

  TRenderContextInfo rci;
  rci.scene = this;
  rci.buffer = &buffer;
  rci.objectsSorting = FObjectsSorting;
  rci.visibilityCulling = FVisibilityCulling;
  rci.bufferFaceCull = buffer.GetFaceCulling();
  rci.drawState = drawState;
  rci.sceneAmbientColor = buffer.GetAmbientColor()->GetColor();
  rci.cameraPosition = buffer.GetCameraAbsolutePosition();
  if (TGLCamera* camera = buffer.GetCamera()) {
    rci.cameraDirection = VectorNormalized(camera->GetLastDirection());
    rci.cameraDirection[3] = 0.0f;
    rci.rcci.viewPortRadius = camera->GetViewPortRadius();
    rci.rcci.farClippingDistance = camera->GetNearPlane() + camera->GetDepthOfView();
  }
  rci.rcci.origin = rci.cameraPosition;
  rci.rcci.clippingDirection = rci.cameraDirection;
  rci.rcci.frustum = ExtractFrustum(MatrixMultiply(buffer.GetModelViewMatrix(), buffer.GetProjectionMatrix()));
  rci.viewPortWidth = viewportWidth;
  rci.viewPortHeight = viewportHeight;
  rci.renderDPI = buffer.GetRenderDPI();
  rci.modelViewMatrix = &buffer.GetModelViewMatrix();
  rci.afterRenderEffects = &buffer.AfterRenderEffects();
  rci.GLStates = buffer.GLStates();
  // Whatever happens below, the buffer keeps the cache's view of GL.
  struct KeepStates {
    TGL3DSceneBuffer& buffer;
    TRenderContextInfo& rci;
    ~KeepStates() { buffer.GLStates() = rci.GLStates; }
  } keepStates{buffer, rci};

  rci.ignoreMaterials = (buffer.GetContextOptions() & roNoColorBuffer) || drawState == rdsPicking;
  struct ColorMask {
    ~ColorMask() { GL().glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE); }
  } colorMask;
  if (rci.ignoreMaterials)
    gl.glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  else
    gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

  if (baseObject)
    baseObject->Render(rci);
  else
    FObjects->Render(rci);

  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  // By index: an effect may append another.
  for (size_t i = 0; i < buffer.AfterRenderEffects().size(); ++i) {
    const TAfterRenderEffect effect = buffer.AfterRenderEffects()[i];
    effect(buffer, rci);
  }

  // Through the cache, so that the buffer's state set stays true to GL.
  UnSetGLState(rci.GLStates, stBlend);
  UnSetGLState(rci.GLStates, stTexture2D);
  SetGLState(rci.GLStates, stAlphaTest);
  gl.glAlphaFunc(GL_GREATER, 0.0f);
}

void TGL3DScene::SetChildOrder(TComponent* child, int order) {
  FObjects->SetChildOrder(child, order);
  FCameras->SetChildOrder(child, order);
}
