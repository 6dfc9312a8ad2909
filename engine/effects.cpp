#include "engine/effects.h"

#include "engine/scene_node.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLObjectEffect, TGLBaseBehaviour)
CLIENT_DEFINE_CLASS(TGLObjectPreEffect, TGLObjectEffect)
CLIENT_DEFINE_CLASS(TGLObjectPostEffect, TGLObjectEffect)
CLIENT_DEFINE_CLASS(TGLObjectAfterEffect, TGLObjectEffect)
CLIENT_DEFINE_CLASS(TGLObjectEffects, TXCollection)

TGLObjectEffects::TGLObjectEffects(TPersistent* owner) : TXCollection(owner) {
  CLIENT_ASSERT(owner != nullptr && owner->Is<TGLBaseSceneObject>());
}

const TClassInfo& TGLObjectEffects::ItemsClass() const { return TGLObjectEffect::StaticClass(); }

bool TGLObjectEffects::CanAdd(const TClassInfo& itemClass) const {
  return itemClass.InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::CanAdd(itemClass);
}

std::string TGLObjectEffects::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  return owner->GetNamePath() + ".Effects";
}

TGLObjectEffect* TGLObjectEffects::GetObjectEffect(int index) const {
  return static_cast<TGLObjectEffect*>(GetItems(index));
}

void TGLObjectEffects::DoProgress(const TProgressTimes& progressTimes) {
  for (int i = 0; i < GetCount(); ++i) GetObjectEffect(i)->DoProgress(progressTimes);
}

void TGLObjectEffects::RenderPreEffects(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci) {
  for (int i = 0; i < GetCount(); ++i) {
    TGLObjectEffect* effect = GetObjectEffect(i);
    if (effect->Is<TGLObjectPreEffect>()) effect->Render(sceneBuffer, rci);
  }
}

void TGLObjectEffects::RenderPostEffects(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci) {
  for (int i = 0; i < GetCount(); ++i) {
    TGLObjectEffect* effect = GetObjectEffect(i);
    if (effect->Is<TGLObjectPostEffect>())
      effect->Render(sceneBuffer, rci);
    else if (effect->Is<TGLObjectAfterEffect>() && sceneBuffer && rci.afterRenderEffects)
      rci.afterRenderEffects->push_back(
          [effect](TGL3DSceneBuffer& buffer, TRenderContextInfo& info) { effect->Render(&buffer, info); });
  }
}
