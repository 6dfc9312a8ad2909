#pragma once
// Owned collections of items of mixed classes (the behaviours and effects of
// scene objects), streamed by class name.
//
// Stream: the item count as an integer, then per item its class name the
// first time the class occurs in this stream and the index into the
// stream's class table afterwards, followed by the item's data (in the base
// item the version 0 and the Name). Item classes are found by name among
// those registered with RegisterXCollectionItemClass.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/binary_filer.h"
#include "engine/class_registry.h"
#include "engine/engine_errors.h"

class TXCollectionItem;

class TXCollection : public TPersistent {
  CLIENT_DECLARE_CLASS(TXCollection)
public:
  explicit TXCollection(TPersistent* owner = nullptr) : owner_(owner) {}
  // Raises the process-wide destroy event (when set), then frees the items.
  ~TXCollection() override;
  TXCollection(const TXCollection&) = delete;
  TXCollection& operator=(const TXCollection&) = delete;

  TPersistent* GetOwner() const override { return owner_; }
  void SetOwner(TPersistent* owner) { owner_ = owner; }
  // The owner's name path followed by ".XCollection"; the class name without owner.
  std::string GetNamePath() const override;
  // From a collection of this class: a new item of each source item's class,
  // assigned from it. nullptr clears. Assigning a collection to itself
  // changes nothing.
  void Assign(const TPersistent* source) override;

  // The class every item must inherit from.
  virtual const TClassInfo& ItemsClass() const;
  // False when item_class is a unique class and an item of that class (or
  // of a descendant) is present, or when a present item is of a unique
  // class that item_class inherits from.
  virtual bool CanAdd(const TClassInfo& item_class) const;

  int GetCount() const { return static_cast<int>(items_.size()); }
  // A bad index raises EListError "Invalid list index".
  TXCollectionItem* GetItems(int index) const;
  TXCollectionItem* operator[](int index) const { return GetItems(index); }
  int IndexOf(const TXCollectionItem* item) const;  // -1 when absent
  // First item whose class is item_class or a descendant; -1 when none.
  int IndexOfClass(const TClassInfo& item_class) const;
  TXCollectionItem* GetByClass(const TClassInfo& item_class) const;

  // Takes a new item without owner. The class must inherit from ItemsClass
  // and CanAdd must accept it (assertion failures otherwise). Returns its index.
  int Add(std::unique_ptr<TXCollectionItem> item);
  // Moves an item from the collection that owns it into this one.
  int Add(TXCollectionItem& item);
  // Creates an item of the class in this collection.
  TXCollectionItem& AddNew(const TClassInfo& item_class);
  template <class T>
  T& AddNew() {
    return static_cast<T&>(AddNew(T::StaticClass()));
  }
  // Takes the item out of this collection and gives it to the caller.
  std::unique_ptr<TXCollectionItem> Extract(TXCollectionItem& item);
  void Delete(int index);  // frees the item
  // Every item leaves the collection and is freed, first to last.
  void Clear();
  // Tells each item that the collection was read.
  void Loaded();

  virtual void WriteToFiler(TVirtualWriter& writer) const;
  virtual void ReadFromFiler(TVirtualReader& reader);

private:
  friend class TXCollectionItem;
  void CheckCanAdd(const TClassInfo& item_class) const;
  void Detach(TXCollectionItem* item);

  TPersistent* owner_;
  std::vector<TXCollectionItem*> items_;  // owned
};

class TXCollectionItem : public TPersistent {
  CLIENT_DECLARE_CLASS(TXCollectionItem)
public:
  TXCollectionItem() = default;
  // An item freed directly leaves its collection first.
  ~TXCollectionItem() override;
  TXCollectionItem(const TXCollectionItem&) = delete;
  TXCollectionItem& operator=(const TXCollectionItem&) = delete;

  TXCollection* GetOwner() const override { return owner_; }
  // FriendlyName until a name is set.
  std::string GetName() const { return name_set_ ? name_ : FriendlyName(); }
  virtual void SetName(const std::string& name);
  // Copies the Name from another item.
  void Assign(const TPersistent* source) override;
  int Index() const;  // -1 without owner
  // "<collection's name path>[<index>]"; the inherited path without owner.
  std::string GetNamePath() const override;

  virtual void WriteToFiler(TVirtualWriter& writer) const;
  // The base version must be 0 (assertion failure otherwise).
  virtual void ReadFromFiler(TVirtualReader& reader);
  virtual void Loaded() {}

  // What the class is called in an editor; every item class gives one.
  virtual std::string FriendlyName() const = 0;
  virtual std::string FriendlyDescription() const { return FriendlyName(); }
  virtual std::string ItemCategory() const { return {}; }
  // At most one item of a unique class (or of its descendants) per collection.
  virtual bool UniqueItem() const { return false; }

private:
  friend class TXCollection;
  TXCollection* owner_ = nullptr;
  std::string name_;
  bool name_set_ = false;
};

// The item-class registry: a class is added once; lookups are by exact
// (case-sensitive) class name, nullptr when none.
void RegisterXCollectionItemClass(const TClassInfo& item_class);
void UnregisterXCollectionItemClass(const TClassInfo& item_class);
const TClassInfo* FindXCollectionItemClass(const std::string& name);

#define CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(Name)                                                    \
  static const struct client_xcollection_register_##Name##_t {                                          \
    client_xcollection_register_##Name##_t() { RegisterXCollectionItemClass(Name::StaticClass()); }     \
    ~client_xcollection_register_##Name##_t() { UnregisterXCollectionItemClass(Name::StaticClass()); }  \
  } client_xcollection_register_##Name

// Called with each collection that is being destroyed, when set.
using TXCollectionDestroyEvent = std::function<void(TXCollection* collection)>;
TXCollectionDestroyEvent& XCollectionDestroyEvent();
