#include "engine/xcollection.h"

#include <algorithm>

CLIENT_DEFINE_CLASS(TXCollection, TPersistent)
CLIENT_DEFINE_CLASS(TXCollectionItem, TPersistent)

namespace {
std::vector<const TClassInfo*>& ItemClassRegistry() {
  static std::vector<const TClassInfo*> registry;
  return registry;
}

// UniqueItem is a property of the class; ask a prototype of it.
bool ClassIsUnique(const TClassInfo& item_class) {
  if (!item_class.CanCreate()) return false;
  const std::unique_ptr<TObject> prototype = item_class.Create();
  return prototype->Is<TXCollectionItem>() && static_cast<const TXCollectionItem&>(*prototype).UniqueItem();
}

[[noreturn]] void BrokenArchive() { throw EFilerException(engine_messages::kBrokenXCollectionArchive); }
}  // namespace

void RegisterXCollectionItemClass(const TClassInfo& item_class) {
  auto& registry = ItemClassRegistry();
  if (std::find(registry.begin(), registry.end(), &item_class) == registry.end()) registry.push_back(&item_class);
}

void UnregisterXCollectionItemClass(const TClassInfo& item_class) {
  auto& registry = ItemClassRegistry();
  registry.erase(std::remove(registry.begin(), registry.end(), &item_class), registry.end());
}

const TClassInfo* FindXCollectionItemClass(const std::string& name) {
  for (const TClassInfo* info : ItemClassRegistry())
    if (info->ClassName() == name) return info;
  return nullptr;
}

TXCollectionDestroyEvent& XCollectionDestroyEvent() {
  static TXCollectionDestroyEvent event;
  return event;
}

// --- TXCollectionItem -------------------------------------------------------------
TXCollectionItem::~TXCollectionItem() {
  if (owner_) owner_->Detach(this);
}

void TXCollectionItem::SetName(const std::string& name) {
  name_ = name;
  name_set_ = true;
}

void TXCollectionItem::Assign(const TPersistent* source) {
  if (source && source->Is<TXCollectionItem>()) {
    SetName(static_cast<const TXCollectionItem*>(source)->GetName());
    return;
  }
  TPersistent::Assign(source);
}

int TXCollectionItem::Index() const { return owner_ ? owner_->IndexOf(this) : -1; }

std::string TXCollectionItem::GetNamePath() const {
  if (!owner_) return TPersistent::GetNamePath();
  return owner_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TXCollectionItem::WriteToFiler(TVirtualWriter& writer) const {
  writer.WriteInteger(0);  // archive version
  writer.WriteString(GetName());
}

void TXCollectionItem::ReadFromFiler(TVirtualReader& reader) {
  const int version = reader.ReadInteger();
  CLIENT_ASSERT(version == 0);
  SetName(reader.ReadString());
}

// --- TXCollection -----------------------------------------------------------------
TXCollection::~TXCollection() {
  if (const TXCollectionDestroyEvent& event = XCollectionDestroyEvent()) event(this);
  Clear();
}

std::string TXCollection::GetNamePath() const {
  if (!owner_) return ClassName();
  return owner_->GetNamePath() + ".XCollection";
}

void TXCollection::Assign(const TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (source == this) return;
  if (source->InheritsFrom(ClassType())) {
    const auto& other = static_cast<const TXCollection&>(*source);
    Clear();
    for (const TXCollectionItem* item : other.items_) AddNew(item->ClassType()).Assign(item);
    return;
  }
  TPersistent::Assign(source);
}

const TClassInfo& TXCollection::ItemsClass() const { return TXCollectionItem::StaticClass(); }

bool TXCollection::CanAdd(const TClassInfo& item_class) const {
  const bool unique = ClassIsUnique(item_class);
  for (const TXCollectionItem* item : items_) {
    if (unique && item->InheritsFrom(item_class)) return false;
    if (item->UniqueItem() && item_class.InheritsFrom(item->ClassType())) return false;
  }
  return true;
}

void TXCollection::CheckCanAdd(const TClassInfo& item_class) const {
  CLIENT_ASSERT(item_class.InheritsFrom(ItemsClass()));
  CLIENT_ASSERT(CanAdd(item_class));
}

TXCollectionItem* TXCollection::GetItems(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(engine_messages::kInvalidListIndex);
  return items_[index];
}

int TXCollection::IndexOf(const TXCollectionItem* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TXCollection::IndexOfClass(const TClassInfo& item_class) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->InheritsFrom(item_class)) return static_cast<int>(i);
  return -1;
}

TXCollectionItem* TXCollection::GetByClass(const TClassInfo& item_class) const {
  const int index = IndexOfClass(item_class);
  return index < 0 ? nullptr : items_[index];
}

int TXCollection::Add(std::unique_ptr<TXCollectionItem> item) {
  CLIENT_ASSERT(item != nullptr && item->owner_ == nullptr);
  CheckCanAdd(item->ClassType());
  TXCollectionItem* raw = item.release();
  raw->owner_ = this;
  items_.push_back(raw);
  return GetCount() - 1;
}

int TXCollection::Add(TXCollectionItem& item) {
  CLIENT_ASSERT(item.owner_ != nullptr, "Add an item without owner by std::unique_ptr");
  if (item.owner_ == this) return IndexOf(&item);
  CheckCanAdd(item.ClassType());
  item.owner_->Detach(&item);
  item.owner_ = this;
  items_.push_back(&item);
  return GetCount() - 1;
}

TXCollectionItem& TXCollection::AddNew(const TClassInfo& item_class) {
  CheckCanAdd(item_class);
  std::unique_ptr<TXCollectionItem> item = CreateInstanceAs<TXCollectionItem>(item_class);
  TXCollectionItem& ref = *item;
  Add(std::move(item));
  return ref;
}

void TXCollection::Detach(TXCollectionItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->owner_ = nullptr;
}

std::unique_ptr<TXCollectionItem> TXCollection::Extract(TXCollectionItem& item) {
  CLIENT_ASSERT(item.owner_ == this);
  Detach(&item);
  return std::unique_ptr<TXCollectionItem>(&item);
}

void TXCollection::Delete(int index) {
  TXCollectionItem* item = GetItems(index);
  Detach(item);
  delete item;
}

void TXCollection::Clear() {
  std::vector<TXCollectionItem*> items;
  items.swap(items_);
  for (TXCollectionItem* item : items) {
    item->owner_ = nullptr;
    delete item;
  }
}

void TXCollection::Loaded() {
  for (TXCollectionItem* item : items_) item->Loaded();
}

void TXCollection::WriteToFiler(TVirtualWriter& writer) const {
  writer.WriteInteger(GetCount());
  std::vector<const TClassInfo*> classes;
  for (const TXCollectionItem* item : items_) {
    const TClassInfo* info = &item->ClassType();
    const auto it = std::find(classes.begin(), classes.end(), info);
    if (it == classes.end()) {
      classes.push_back(info);
      writer.WriteString(info->ClassName());
    } else {
      writer.WriteInteger(static_cast<int>(it - classes.begin()));
    }
    item->WriteToFiler(writer);
  }
}

void TXCollection::ReadFromFiler(TVirtualReader& reader) {
  Clear();
  const int count = reader.ReadInteger();
  if (count < 0) BrokenArchive();
  std::vector<const TClassInfo*> classes;
  for (int i = 0; i < count; ++i) {
    const TClassInfo* info = nullptr;
    const TValueType next = reader.NextValue();
    if (next == vaString || next == vaLString) {
      const std::string name = reader.ReadString();
      info = FindXCollectionItemClass(name);
      CLIENT_ASSERT(info != nullptr,
                    ("Class " + name + " unknown. Add the relevant unit to your \"uses\".").c_str());
      classes.push_back(info);
    } else {
      const int index = reader.ReadInteger();
      if (index < 0 || index >= static_cast<int>(classes.size())) BrokenArchive();
      info = classes[index];
    }
    // The same checks as Add: a stream cannot hold two unique items either.
    TXCollectionItem& item = AddNew(*info);
    item.ReadFromFiler(reader);
  }
}
