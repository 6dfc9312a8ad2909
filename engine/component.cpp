#include "engine/component.h"

#include <algorithm>

CLIENT_DEFINE_CLASS(TComponent, TPersistent)
CLIENT_DEFINE_CLASS(TGLCadenceAbleComponent, TComponent)
CLIENT_DEFINE_CLASS(TGLUpdateAbleComponent, TGLCadenceAbleComponent)

TComponent::~TComponent() {
  FState |= csDestroying;
  // Copy first: a notified component may remove itself from the list.
  const std::vector<TComponent*> others = FFreeNotifies;
  FFreeNotifies.clear();
  for (TComponent* other : others) {
    auto& list = other->FFreeNotifies;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    other->Notification(this, opRemove);
  }
}

void TComponent::EndLoading() {
  if (!IsLoading()) return;
  FState &= static_cast<TComponentState>(~csLoading);
  Loaded();
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
    FFreeNotifies.push_back(other);
  auto& theirs = other->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), other), FFreeNotifies.end());
  auto& theirs = other->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TGLUpdateAbleComponent::NotifyChange(TObject* sender) {
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}
