#include "engine/notify_collection.h"

#include "engine/component.h"

CLIENT_DEFINE_CLASS(TNotifyCollection, TOwnedCollection)

TNotifyCollection::TNotifyCollection(TPersistent* owner, const TClassInfo& itemClass)
    : TOwnedCollection(owner, itemClass) {
  if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(owner))
    OnNotifyChange = [component](TObject* sender) { component->NotifyChange(sender); };
}

void TNotifyCollection::Update(TCollectionItem* item) {
  if (OnNotifyChange) OnNotifyChange(this);
}
