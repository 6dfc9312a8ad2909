#include "engine/owned_collection.h"

#include <algorithm>

#include "engine/engine_errors.h"

CLIENT_DEFINE_CLASS(TCollectionItem, TPersistent)
CLIENT_DEFINE_CLASS(TOwnedCollection, TPersistent)

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

int TCollectionItem::GetIndex() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TCollectionItem::SetIndex(int index) {
  if (!FCollection) return;
  const int last = FCollection->GetCount() - 1;
  FCollection->Move(GetIndex(), std::clamp(index, 0, last));
}

void TCollectionItem::Changed() {
  if (FCollection) FCollection->Changed(this);
}

TOwnedCollection::TOwnedCollection(TPersistent* owner, const TClassInfo& itemClass)
    : FOwner(owner), FItemClass(&itemClass) {
  CLIENT_ASSERT(itemClass.InheritsFrom(TCollectionItem::StaticClass()));
}

TOwnedCollection::~TOwnedCollection() {
  // Items are told first that they are no longer in a collection.
  for (auto& item : FItems) item->FCollection = nullptr;
}

TCollectionItem* TOwnedCollection::GetItems(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(engine_messages::kInvalidListIndex);
  return FItems[static_cast<size_t>(index)].get();
}

TCollectionItem* TOwnedCollection::Add() { return Insert(GetCount()); }

TCollectionItem* TOwnedCollection::Insert(int index) {
  index = std::clamp(index, 0, GetCount());
  std::unique_ptr<TCollectionItem> item = CreateInstanceAs<TCollectionItem>(*FItemClass);
  item->FCollection = this;
  TCollectionItem* raw = item.get();
  FItems.insert(FItems.begin() + index, std::move(item));
  ItemCreated(raw);
  Changed(nullptr);
  return raw;
}

void TOwnedCollection::Delete(int index) {
  GetItems(index);
  FItems.erase(FItems.begin() + index);
  Changed(nullptr);
}

void TOwnedCollection::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed(nullptr);
}

int TOwnedCollection::IndexOf(const TCollectionItem* item) const {
  for (int i = 0; i < GetCount(); ++i)
    if (FItems[static_cast<size_t>(i)].get() == item) return i;
  return -1;
}

void TOwnedCollection::Move(int from, int to) {
  if (from == to) return;
  GetItems(from);
  GetItems(to);
  auto item = std::move(FItems[static_cast<size_t>(from)]);
  FItems.erase(FItems.begin() + from);
  FItems.insert(FItems.begin() + to, std::move(item));
  Changed(nullptr);
}

void TOwnedCollection::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TOwnedCollection*>(source)) {
    if (other == this) return;
    BeginUpdate();
    FItems.clear();
    for (const auto& item : other->FItems) Add()->Assign(item.get());
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

void TOwnedCollection::EndUpdate() {
  CLIENT_ASSERT(FUpdateCount > 0, "Unbalanced Begin/EndUpdate");
  if (--FUpdateCount == 0) Changed(nullptr);
}

void TOwnedCollection::Changed(TCollectionItem* item) {
  if (FUpdateCount == 0) Update(item);
}
