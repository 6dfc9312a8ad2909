#pragma once
// Object effects: items of a scene object's collection that draw around it.
// A pre-effect draws before the object, a post-effect after it, and an
// after-effect after the whole scene (the scene pass renders the after-render
// list at its end). The fire effect is one.

#include <string>

#include "engine/behaviour.h"
#include "engine/render_context_info.h"

class TGL3DSceneBuffer;

class TGLObjectEffect : public TGLBaseBehaviour {
  CLIENT_DECLARE_CLASS(TGLObjectEffect)
public:
  virtual void Render(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci) {}
};

class TGLObjectPreEffect : public TGLObjectEffect {
  CLIENT_DECLARE_CLASS(TGLObjectPreEffect)
};

class TGLObjectPostEffect : public TGLObjectEffect {
  CLIENT_DECLARE_CLASS(TGLObjectPostEffect)
};

class TGLObjectAfterEffect : public TGLObjectEffect {
  CLIENT_DECLARE_CLASS(TGLObjectAfterEffect)
};

class TGLObjectEffects : public TXCollection {
  CLIENT_DECLARE_CLASS(TGLObjectEffects)
public:
  // `owner` must be a scene object (assertion failure otherwise).
  explicit TGLObjectEffects(TPersistent* owner);

  const TClassInfo& ItemsClass() const override;
  // Only effect classes, and only what the collection's own rule allows.
  bool CanAdd(const TClassInfo& itemClass) const override;
  // The owner's name path and ".Effects"; the class name without owner.
  std::string GetNamePath() const override;

  TGLObjectEffect* GetObjectEffect(int index) const;
  void DoProgress(const TProgressTimes& progressTimes);
  // Render of every pre-effect, in order.
  void RenderPreEffects(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci);
  // Render of every post-effect, in order; with a buffer, every after-effect
  // joins the frame's after-render list instead.
  void RenderPostEffects(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci);
};
