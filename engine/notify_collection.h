#pragma once
// An owned collection whose changes reach its owner's NotifyChange when the
// owner is an update-able component, or a change event set by the owner.

#include "engine/owned_collection.h"
#include "engine/update_able_object.h"

class TNotifyCollection : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TNotifyCollection)
public:
  TNotifyCollection(TPersistent* owner, const TClassInfo& itemClass);
  void Update(TCollectionItem* item) override;

  TNotifyEvent OnNotifyChange;
};
