#pragma once
// What the mesh model's owning lists share: reading accepts only items of
// the list's own kind (an archive naming another registered class, or a
// nil entry, is a damaged file), and clearing tells each item it has no
// owner before freeing it, so that the item does not try to leave the list.

#include "engine/engine_errors.h"
#include "engine/persistent_classes.h"

// EFilerException "Broken ObjectList archive" unless `object` is a `kind`.
inline void CheckReadItemKind(const TObject* object, const TClassInfo& kind) {
  if (!object || !object->InheritsFrom(kind)) throw EFilerException(engine_messages::kBrokenObjectListArchive);
}

// The same for a list that came out of an archive holding a nil entry.
inline void RejectNilItems(const TPersistentObjectList& list) {
  for (int i = 0; i < list.GetCount(); ++i)
    if (!list.GetItems(i)) throw EFilerException(engine_messages::kBrokenObjectListArchive);
}

// Each item's owner set to none, the item freed, then the list emptied.
template <class Item>
void FreeOwnedItems(TPersistentObjectList& list) {
  for (int i = 0; i < list.GetCount(); ++i) {
    auto* item = static_cast<Item*>(list.GetItems(i));
    if (!item) continue;
    item->SetOwner(nullptr);
    list.SetItems(i, nullptr);
    delete item;
  }
  list.TPersistentObjectList::Clear();
}

// Every item's owner set to `owner` (after a read).
template <class Item, class Owner>
void AdoptItems(TPersistentObjectList& list, Owner* owner) {
  for (int i = 0; i < list.GetCount(); ++i) static_cast<Item*>(list.GetItems(i))->SetOwner(owner);
}
