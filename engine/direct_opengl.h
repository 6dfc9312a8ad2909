#pragma once
// The immaterial drawable base and the direct-OpenGL object: a scene
// object whose drawing is whatever its OnRender event emits, every frame
// (or compiled once into its display list with UseBuildList).

#include <functional>

#include "engine/scene_node.h"

// A drawable without a material: it draws its geometry (or list) as it
// stands.
class TGLImmaterialSceneObject : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGLImmaterialSceneObject)
public:
  using TGLBaseSceneObject::TGLBaseSceneObject;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

using TDirectRenderEvent = std::function<void(TObject* sender, TRenderContextInfo& rci)>;

class TGLDirectOpenGL : public TGLImmaterialSceneObject {
  CLIENT_DECLARE_CLASS(TGLDirectOpenGL)
public:
  explicit TGLDirectOpenGL(TComponent* owner = nullptr);

  // Compiled into the display list instead of drawn every frame.
  bool GetUseBuildList() const { return FUseBuildList; }
  void SetUseBuildList(bool value);
  // Drawn after the opaque objects under osRenderBlendedLast.
  bool GetBlend() const { return FBlend; }
  void SetBlend(bool value);
  bool Blended() const override { return FBlend; }

  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

  // Set through the setter so that a compiled list is rebuilt.
  void SetOnRender(TDirectRenderEvent event);
  const TDirectRenderEvent& GetOnRender() const { return FOnRender; }

private:
  TDirectRenderEvent FOnRender;
  bool FUseBuildList = false;
  bool FBlend = false;
};
