#pragma once
// A collection of items of one class that owns them and knows its owner
// (the nodes of lines and polygons, the entries of a notify collection).
// Changes go through Update, which subclasses turn into their owner's
// notification; it is held back between BeginUpdate and EndUpdate.

#include <memory>
#include <vector>

#include "engine/class_registry.h"

class TOwnedCollection;

class TCollectionItem : public TPersistent {
  CLIENT_DECLARE_CLASS(TCollectionItem)
public:
  TCollectionItem() = default;
  TOwnedCollection* Collection() const { return FCollection; }
  TPersistent* GetOwner() const override;
  // Position in the collection, -1 outside one.
  int GetIndex() const;
  // Moves the item within its collection (clamped); notifies.
  void SetIndex(int index);
  virtual std::string GetDisplayName() const { return ClassName(); }

protected:
  // Tells the collection that this item changed.
  void Changed();

private:
  friend class TOwnedCollection;
  TOwnedCollection* FCollection = nullptr;
};

class TOwnedCollection : public TPersistent {
  CLIENT_DECLARE_CLASS(TOwnedCollection)
public:
  // Items are made of `itemClass` (TCollectionItem or a descendant).
  TOwnedCollection(TPersistent* owner, const TClassInfo& itemClass);
  ~TOwnedCollection() override;
  TOwnedCollection(const TOwnedCollection&) = delete;
  TOwnedCollection& operator=(const TOwnedCollection&) = delete;

  TPersistent* GetOwner() const override { return FOwner; }
  const TClassInfo& ItemClass() const { return *FItemClass; }

  int GetCount() const { return static_cast<int>(FItems.size()); }
  // A bad index raises EListError.
  TCollectionItem* GetItems(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int IndexOf(const TCollectionItem* item) const;
  void Move(int from, int to);

  // From a collection: as many items of this class, each assigned.
  void Assign(const TPersistent* source) override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // Called with the changed item, or nullptr for the whole collection.
  virtual void Update(TCollectionItem* item) {}

protected:
  void Changed(TCollectionItem* item);
  // A new item, already in the collection, before anyone hears of it
  // (collections whose items take a default from the owner).
  virtual void ItemCreated(TCollectionItem* item) {}

private:
  TPersistent* FOwner;
  const TClassInfo* FItemClass;
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
  int FUpdateCount = 0;
  friend class TCollectionItem;
};
