#pragma once
// The camera: turns the buffer's viewport into a projection and a view
// transform. It lives under the scene's cameras root and draws nothing.
// The projection is computed here as a matrix (ProjectionMatrix) and then
// multiplied onto GL's, so that it can be checked without a context.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/scene_node.h"
#include "engine/update_able_object.h"

class TGL3DSceneBuffer;

enum TGLCameraStyle : std::uint8_t { csPerspective, csOrthogonal, csOrtho2D, csCustom, csInfinitePerspective };

// x, y (left, top) and width, height, in pixels.
struct TRectangle {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

using TOnCustomPerspective =
    std::function<void(const TRectangle& viewport, int width, int height, int DPI, float& viewPortRadius)>;

class TGLCamera : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGLCamera)
public:
  explicit TGLCamera(TComponent* owner = nullptr);
  ~TGLCamera() override;

  float GetFocalLength() const { return FFocalLength; }
  // Values <= 0 become 1.
  void SetFocalLength(float value);
  float GetDepthOfView() const { return FDepthOfView; }
  void SetDepthOfView(float value);
  float GetNearPlane() const { return FNearPlane; }
  float GetNearPlaneBias() const { return FNearPlaneBias; }
  // Values <= 0 become 1.
  void SetNearPlaneBias(float value);
  float GetViewPortRadius() const { return FViewPortRadius; }
  float GetSceneScale() const { return FSceneScale; }
  // 0 becomes 1.
  void SetSceneScale(float value);
  TGLCameraStyle GetCameraStyle() const { return FCameraStyle; }
  void SetCameraStyle(TGLCameraStyle value);
  TGLBaseSceneObject* GetTargetObject() const { return FTargetObject; }
  // Followed by a free notification: a freed target is forgotten.
  void SetTargetObject(TGLBaseSceneObject* value);
  // The direction of the last view transform.
  const TVector4f& GetLastDirection() const { return FLastDirection; }
  TOnCustomPerspective OnCustomPerspective;
  // When set, Apply calls it in place of its own view transform (with
  // GL_MODELVIEW current and the identity loaded), for a caller that sets
  // up the view itself; LastDirection then stays as it was.
  TNotifyEvent OnDeferredApply;

  // Whether the stored form holds the value: only when it differs from the
  // value a new camera starts with (50, 100, 1, 1), so that every stored
  // camera reads back as it was written.
  bool IsFocalLengthStored() const { return FFocalLength != 50.0f; }
  bool IsDepthOfViewStored() const { return FDepthOfView != 100.0f; }
  bool IsSceneScaleStored() const { return FSceneScale != 1.0f; }
  bool IsNearPlaneBiasStored() const { return FNearPlaneBias != 1.0f; }

  // Unit vector from the camera to the target, or the absolute direction.
  TVector4f AbsoluteVectorToTarget();

  // The projection for the viewport, updating NearPlane and
  // ViewPortRadius; the identity (and nothing updated) for a viewport of
  // no size. csCustom gives the identity after its event.
  TMatrix ProjectionMatrix(const TRectangle& viewport, int width, int height, int DPI);
  // ProjectionMatrix multiplied onto GL's (GL_PROJECTION current).
  void ApplyProjection(const TRectangle& viewport, int width, int height, int DPI);
  // The view transform from position, target or direction and up, as
  // gluLookAt would load it; a degenerate view keeps the last direction.
  TMatrix ViewMatrix();
  // ViewMatrix multiplied onto GL's (GL_MODELVIEW current, identity), or
  // OnDeferredApply when set.
  void Apply();

  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override {
    return false;
  }

  // The buffers looking through this camera; each forgets it when it goes.
  void AttachViewer(TGL3DSceneBuffer* buffer);
  void DetachViewer(TGL3DSceneBuffer* buffer);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::vector<TGL3DSceneBuffer*> FViewers;
  float FFocalLength = 50.0f;
  float FDepthOfView = 100.0f;
  float FNearPlane = 1.0f;
  float FNearPlaneBias = 1.0f;
  float FViewPortRadius = 1.0f;
  TGLBaseSceneObject* FTargetObject = nullptr;
  TVector4f FLastDirection{0, 0, -1, 0};
  TGLCameraStyle FCameraStyle = csPerspective;
  float FSceneScale = 1.0f;
};

// gluLookAt's matrix, in the engine's row layout.
TMatrix LookAtMatrix(const TAffineVector& eye, const TAffineVector& centre, const TAffineVector& up);
