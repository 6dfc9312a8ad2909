#pragma once
// The scene: owns the graph (a root for objects, one for cameras), the
// table of the eight GL light slots, the buffers that show it, and the
// scene-wide sorting and culling defaults. Changes anywhere in the graph
// end here and go on to every registered buffer.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/render_context_info.h"
#include "engine/scene_node.h"

class TGLCamera;
class TGLContext;
class TGLLightSource;
class TGL3DSceneBuffer;

constexpr int kMaxSceneLights = 8;

class TGL3DScene : public TGLUpdateAbleComponent {
  CLIENT_DECLARE_CLASS(TGL3DScene)
public:
  explicit TGL3DScene(TComponent* owner = nullptr);
  ~TGL3DScene() override;

  // "ObjectRoot" and "CameraRoot".
  TGL3DSceneRootObject* GetObjects() const { return FObjects.get(); }
  TGL3DSceneRootObject* GetCameras() const { return FCameras.get(); }
  TGLCamera* GetCurrentCamera() const { return FCurrentCamera; }
  void SetCurrentCamera(TGLCamera* camera) { FCurrentCamera = camera; }
  TGL3DSceneBuffer* GetCurrentBuffer() const { return FCurrentBuffer; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount != 0 || IsLoading() || IsDestroying(); }
  // Every registered buffer hears, unless updating.
  void NotifyChange(TObject* sender) override;

  TGLObjectsSorting GetObjectsSorting() const { return FObjectsSorting; }
  // osInherited is stored as osRenderBlendedLast.
  void SetObjectsSorting(TGLObjectsSorting value);
  TGLVisibilityCulling GetVisibilityCulling() const { return FVisibilityCulling; }
  // vcInherited is stored as vcNone.
  void SetVisibilityCulling(TGLVisibilityCulling value);

  // The first free slot takes the light (GL_LIGHT0 + slot); with none free
  // the light is left out and keeps its id.
  void AddLight(TGLLightSource* light);
  void RemoveLight(TGLLightSource* light);
  // Every light source of the subtree, the object included.
  void RegisterLightsOf(TGLBaseSceneObject* object);
  void UnregisterLightsOf(TGLBaseSceneObject* object);
  const std::array<TGLLightSource*, kMaxSceneLights>& Lights() const { return FLights; }
  // Enables and sends the lights of the table (up to maxLights, at most 8)
  // under the camera's view transform; disables the rest up to maxLights.
  void SetupLights(int maxLights);

  void RegisterBuffer(TGL3DSceneBuffer* buffer);
  void UnregisterBuffer(TGL3DSceneBuffer* buffer);
  const std::vector<TGL3DSceneBuffer*>& Buffers() const { return FBuffers; }
  TGLContext* GetBaseContext() const { return FBaseContext; }

  // In the objects root, then in the cameras root.
  TGLBaseSceneObject* FindSceneObject(const std::string& name) const;
  // The visible object nearest to rayStart whose own ray cast hits;
  // children of invisible objects are skipped.
  TGLBaseSceneObject* RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                       TVector4f* intersectPoint = nullptr, TVector4f* intersectNormal = nullptr);
  void Progress(double deltaTime, double newTime);
  // Streaming: the children of both roots are the scene's children, so
  // `order` is the index under the root that holds `child`.
  void SetChildOrder(TComponent* child, int order);

  // The scene pass of one render of `buffer` (see the buffer).
  void RenderPass(TGL3DSceneBuffer& buffer, int viewportWidth, int viewportHeight, TDrawState drawState,
                  TGLBaseSceneObject* baseObject);

  TGLProgressEvent OnProgress;

  // A camera of this scene goes: buffers looking through it forget it.
  void CameraDestroyed(TGLCamera* camera);

private:
  std::unique_ptr<TGL3DSceneRootObject> FObjects;
  std::unique_ptr<TGL3DSceneRootObject> FCameras;
  TGLCamera* FCurrentCamera = nullptr;
  TGL3DSceneBuffer* FCurrentBuffer = nullptr;
  std::array<TGLLightSource*, kMaxSceneLights> FLights{};
  std::vector<TGL3DSceneBuffer*> FBuffers;
  TGLContext* FBaseContext = nullptr;
  int FUpdateCount = 0;
  TGLObjectsSorting FObjectsSorting = osRenderBlendedLast;
  TGLVisibilityCulling FVisibilityCulling = vcNone;
};
