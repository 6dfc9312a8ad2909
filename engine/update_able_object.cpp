#include "engine/update_able_object.h"

#include "engine/component.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLUpdateAbleObject, TPersistent)

void TGLUpdateAbleObject::NotifyChange(TObject* sender) {
  NotifyOwner();
}

void TGLUpdateAbleObject::NotifyOwner() {
  if (FUpdating != 0 || !FOwner) return;
  if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(FOwner))
    object->NotifyChange(this);
  else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(FOwner))
    component->NotifyChange(this);
  if (OnNotifyChange) OnNotifyChange(this);
}

void TGLUpdateAbleObject::EndUpdate() {
  CLIENT_ASSERT(FUpdating > 0, "Unbalanced Begin/EndUpdate");
  if (--FUpdating == 0) NotifyChange(this);
}
