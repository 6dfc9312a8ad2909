#include "engine/camera.h"

#include <algorithm>
#include <cmath>

#include "engine/gl_api.h"
#include "engine/matrix_geometry.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLCamera, TGLBaseSceneObject)
CLIENT_REGISTER_CLASS(TGLCamera);

TGLCamera::TGLCamera(TComponent* owner) : TGLBaseSceneObject(owner) {
  GetDirection()->Initialize({0, 0, -1, 0});
}

TGLCamera::~TGLCamera() {
  MarkDestroying();
  SetTargetObject(nullptr);
  for (TGL3DSceneBuffer* buffer : std::vector<TGL3DSceneBuffer*>(FViewers)) buffer->SetCamera(nullptr);
  if (GetScene()) GetScene()->CameraDestroyed(this);
}

void TGLCamera::AttachViewer(TGL3DSceneBuffer* buffer) {
  if (std::find(FViewers.begin(), FViewers.end(), buffer) == FViewers.end()) FViewers.push_back(buffer);
}

void TGLCamera::DetachViewer(TGL3DSceneBuffer* buffer) {
  FViewers.erase(std::remove(FViewers.begin(), FViewers.end(), buffer), FViewers.end());
}

void TGLCamera::SetFocalLength(float value) {
  if (value <= 0) value = 1.0f;
  if (value == FFocalLength) return;
  FFocalLength = value;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetDepthOfView(float value) {
  if (value == FDepthOfView) return;
  FDepthOfView = value;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetNearPlaneBias(float value) {
  if (value <= 0) value = 1.0f;
  if (value == FNearPlaneBias) return;
  FNearPlaneBias = value;
  NotifyChange(this);
}

void TGLCamera::SetSceneScale(float value) {
  if (value == 0) value = 1.0f;
  if (value == FSceneScale) return;
  FSceneScale = value;
  NotifyChange(this);
}

void TGLCamera::SetCameraStyle(TGLCameraStyle value) {
  if (value == FCameraStyle) return;
  FCameraStyle = value;
  NotifyChange(this);
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* value) {
  if (value == FTargetObject) return;
  if (FTargetObject) FTargetObject->RemoveFreeNotification(this);
  FTargetObject = value;
  if (FTargetObject) FTargetObject->FreeNotification(this);
  if (!IsLoading() && !IsDestroying()) TransformationChanged();
}

void TGLCamera::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == FTargetObject) {
    FTargetObject = nullptr;
    if (!IsDestroying()) TransformationChanged();
  }
  TGLBaseSceneObject::Notification(component, operation);
}

TVector4f TGLCamera::AbsoluteVectorToTarget() {
  if (FTargetObject) {
    TVector4f v = VectorSubtract(FTargetObject->GetAbsolutePosition(), GetAbsolutePosition());
    NormalizeVector(v);
    v[3] = 0.0f;
    return v;
  }
  return GetAbsoluteDirection();
}

TMatrix TGLCamera::ProjectionMatrix(const TRectangle& viewport, int width, int height, int DPI) {
  TMatrix m = IdentityHmgMatrix;
  if (width < 1 || height < 1) return m;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  if (FCameraStyle == csOrtho2D) {
    // gluOrtho2D(0, width, 0, height)
    m[0][0] = 2.0f / w;
    m[1][1] = 2.0f / h;
    m[2][2] = -1.0f;
    m[3][0] = -1.0f;
    m[3][1] = -1.0f;
    FNearPlane = -1.0f;
    FViewPortRadius = std::sqrt(w * w + h * h) / 2.0f;
    return m;
  }
  if (FCameraStyle == csCustom) {
    FViewPortRadius = std::sqrt(w * w + h * h) / 2.0f;
    if (OnCustomPerspective) OnCustomPerspective(viewport, width, height, DPI, FViewPortRadius);
    return m;
  }
  const float maxDim = std::max(w, h);
  float fw, fh;
  if (FCameraStyle == csOrthogonal) {
    fw = 100.0f * FNearPlaneBias / (w * FFocalLength * FSceneScale);
    fh = 100.0f * FNearPlaneBias / (h * FFocalLength * FSceneScale);
  } else {
    fw = FNearPlaneBias / (w * FSceneScale);
    fh = FNearPlaneBias / (h * FSceneScale);
  }
  const float right = (2.0f * viewport.Left + 2.0f * viewport.Width - w) * fw * w / (2.0f * maxDim);
  const float left = -(w - 2.0f * viewport.Left) * fw * w / (2.0f * maxDim);
  const float top = (2.0f * viewport.Top + 2.0f * viewport.Height - h) * fh * h / (2.0f * maxDim);
  const float bottom = -(h - 2.0f * viewport.Top) * fh * h / (2.0f * maxDim);
  FNearPlane = FFocalLength * 2.0f * static_cast<float>(DPI) / (25.4f * maxDim) * FNearPlaneBias;
  const float n = FNearPlane;
  const float f = FNearPlane + FDepthOfView;
  switch (FCameraStyle) {
    case csPerspective:
      m = EmptyHmgMatrix;
      m[0][0] = 2 * n / (right - left);
      m[1][1] = 2 * n / (top - bottom);
      m[2][0] = (right + left) / (right - left);
      m[2][1] = (top + bottom) / (top - bottom);
      m[2][2] = -(f + n) / (f - n);
      m[2][3] = -1.0f;
      m[3][2] = -2 * f * n / (f - n);
      break;
    case csOrthogonal:
      m[0][0] = 2 / (right - left);
      m[1][1] = 2 / (top - bottom);
      m[2][2] = -2 / (f - n);
      m[3][0] = -(right + left) / (right - left);
      m[3][1] = -(top + bottom) / (top - bottom);
      m[3][2] = -(f + n) / (f - n);
      break;
    case csInfinitePerspective:
      m = EmptyHmgMatrix;
      m[0][0] = 2 * n / (right - left);
      m[1][1] = 2 * n / (top - bottom);
      m[2][0] = (right + left) / (right - left);
      m[2][1] = (top + bottom) / (top - bottom);
      m[2][2] = 1e-4f - 1.0f;
      m[2][3] = -1.0f;
      m[3][2] = (1e-4f - 2.0f) * n;
      break;
    default:
      CLIENT_ASSERT(false, "Unknown camera style");
  }
  FViewPortRadius = std::sqrt(top * top + right * right) / FNearPlane;
  return m;
}

void TGLCamera::ApplyProjection(const TRectangle& viewport, int width, int height, int DPI) {
  if (width < 1 || height < 1) return;
  const TMatrix m = ProjectionMatrix(viewport, width, height, DPI);
  GL().glMultMatrixf(m[0].V);
}

TMatrix LookAtMatrix(const TAffineVector& eye, const TAffineVector& centre, const TAffineVector& up) {
  TAffineVector f = AffineVectorSubtract(centre, eye);
  NormalizeAffineVector(f);
  TAffineVector s = AffineVectorCross(f, up);
  NormalizeAffineVector(s);
  const TAffineVector u = AffineVectorCross(s, f);
  TMatrix m = IdentityHmgMatrix;
  for (int i = 0; i < 3; ++i) {
    m[i][0] = s[i];
    m[i][1] = u[i];
    m[i][2] = -f[i];
  }
  m[3][0] = -AffineVectorDot(s, eye);
  m[3][1] = -AffineVectorDot(u, eye);
  m[3][2] = AffineVectorDot(f, eye);
  return m;
}

TMatrix TGLCamera::ViewMatrix() {
  const TVector4f p = GetAbsolutePosition();
  TVector4f d, u;
  if (FTargetObject) {
    d = VectorSubtract(FTargetObject->GetAbsolutePosition(), p);
    u = GetUp()->AsVector();
  } else {
    const TMatrix parent = GetParent() ? GetParent()->GetAbsoluteMatrix() : IdentityHmgMatrix;
    d = VectorTransform(GetDirection()->AsVector(), parent);
    u = VectorTransform(GetUp()->AsVector(), parent);
  }
  d[3] = 0.0f;
  // A target at the camera itself, or a direction along Up, has no view:
  // keep looking the way the last frame did rather than going NaN.
  const bool degenerate = VectorLength(d) < 1e-12f || VectorLength(VectorCross(d, u)) < 1e-12f * VectorLength(d);
  if (degenerate)
    d = FLastDirection;
  else {
    NormalizeVector(d);
    FLastDirection = d;
  }
  TAffineVector up{u[0], u[1], u[2]};
  if (VectorLength(VectorCross(d, u)) < 1e-12f) {
    // The last direction lies along Up as well: any perpendicular will do.
    up = std::fabs(d[1]) < 0.9f ? YVector : XVector;
  }
  const TAffineVector eye{p[0], p[1], p[2]};
  return LookAtMatrix(eye, {eye[0] + d[0], eye[1] + d[1], eye[2] + d[2]}, up);
}

void TGLCamera::Apply() {
  if (OnDeferredApply) {
    OnDeferredApply(this);
  } else {
    const TMatrix m = ViewMatrix();
    GL().glMultMatrixf(m[0].V);
  }
  ClearStructureChanged();
}

void TGLCamera::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderChildren) RenderChildren(0, GetCount() - 1, rci);
}
