#pragma once
// A node that draws another object (its master) at its own place: the
// master's geometry, optionally its local transformation and its
// post-effects, without a copy of the master's data.

#include <cstdint>

#include "engine/scene_node.h"

using TGLProxyObjectOptions = std::uint8_t;
constexpr TGLProxyObjectOptions pooEffects = 1;
constexpr TGLProxyObjectOptions pooObjects = 2;
constexpr TGLProxyObjectOptions pooTransformation = 4;

class TGLProxyObject : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGLProxyObject)
public:
  explicit TGLProxyObject(TComponent* owner = nullptr);

  TGLBaseSceneObject* GetMasterObject() const { return FMasterObject; }
  // Cleared when the master is destroyed.
  virtual void SetMasterObject(TGLBaseSceneObject* value);
  TGLProxyObjectOptions GetProxyOptions() const { return FProxyOptions; }
  void SetProxyOptions(TGLProxyObjectOptions value);

  // From another proxy: its master, then the node's part.
  void Assign(const TPersistent* source) override;
  // Nothing while this proxy is already rendering: a proxy reached again
  // through its own master draws once.
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  // The master's, or the node's default without a master.
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // The ray is taken into this proxy's space and out through the master's,
  // the master is asked, and its hit comes back the same way.
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;

  // Proxies drawn inside proxies, at most: each level pushes a model-view
  // matrix (GL guarantees a stack of 32) and, for a master's children, a
  // pick name (64).
  static constexpr int kMaxProxyNesting = 16;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TGLBaseSceneObject* FMasterObject = nullptr;
  TGLProxyObjectOptions FProxyOptions = pooEffects | pooObjects | pooTransformation;
  bool FRendering = false;
};
