#include "engine/persistent_classes.h"

#include <utility>

#include "engine/application_file_io.h"

CLIENT_DEFINE_CLASS(TPersistentObject, TPersistent)
CLIENT_DEFINE_CLASS(TPersistentObjectList, TPersistentObject)

// --- TPersistentObject --------------------------------------------------------
void TPersistentObject::Assign(const TPersistent* source) {
  if (source && &source->ClassType() == &ClassType()) {
    if (source == this) return;
    const std::string data = static_cast<const TPersistentObject*>(source)->SaveToString();
    LoadFromString(data);
    return;
  }
  TPersistent::Assign(source);
}

std::unique_ptr<TPersistentObject> TPersistentObject::CreateClone() const {
  std::unique_ptr<TPersistentObject> clone = CreateInstanceAs<TPersistentObject>(ClassType());
  clone->Assign(this);
  return clone;
}

void TPersistentObject::SaveToStream(TStream& stream, TVirtualWriterClass writer_class) const {
  if (!writer_class) writer_class = DefaultWriterClass();
  const std::string signature = FileSignature();
  if (!signature.empty()) stream.WriteBuffer(signature.data(), signature.size());
  std::unique_ptr<TVirtualWriter> writer = writer_class(stream);
  WriteToFiler(*writer);
}

void TPersistentObject::LoadFromStream(TStream& stream, TVirtualReaderClass reader_class) {
  if (!reader_class) reader_class = DefaultReaderClass();
  const std::string signature = FileSignature();
  if (!signature.empty()) {
    std::string read(signature.size(), '\0');
    if (stream.Read(read.data(), read.size()) != read.size() || read != signature)
      throw EInvalidFileSignature(engine_messages::kInvalidFileSignature);
  }
  std::unique_ptr<TVirtualReader> reader = reader_class(stream);
  ReadFromFiler(*reader);
}

void TPersistentObject::SaveToFile(const std::string& file_name, TVirtualWriterClass writer_class) const {
  std::unique_ptr<TStream> stream = CreateFileStream(file_name, fmCreate);
  SaveToStream(*stream, writer_class);
}

void TPersistentObject::LoadFromFile(const std::string& file_name, TVirtualReaderClass reader_class) {
  std::unique_ptr<TStream> stream = CreateFileStream(file_name, fmOpenRead | fmShareDenyNone);
  LoadFromStream(*stream, reader_class);
}

std::string TPersistentObject::SaveToString(TVirtualWriterClass writer_class) const {
  TStringStream stream;
  SaveToStream(stream, writer_class);
  return stream.DataString();
}

void TPersistentObject::LoadFromString(const std::string& data, TVirtualReaderClass reader_class) {
  TStringStream stream(data);
  LoadFromStream(stream, reader_class);
}

void TPersistentObject::RaiseFilerException(int archive_version) const {
  ::RaiseFilerException(ClassName(), archive_version);
}

int TPersistentObject::ReadArchiveVersion(TVirtualReader& reader, int newest) const {
  const int version = reader.ReadInteger();
  if (version < 0 || version > newest) RaiseFilerException(version);
  return version;
}

// --- TPersistentObjectList ----------------------------------------------------
void TPersistentObjectList::SetCapacity(int capacity) {
  if (capacity < 0) capacity = 0;
  if (count_ > capacity) count_ = capacity;
  items_.resize(static_cast<size_t>(capacity), nullptr);
}

void TPersistentObjectList::SetCount(int count) {
  CLIENT_ASSERT(count >= 0);
  if (count > GetCapacity()) SetCapacity(count);
  for (int i = count_; i < count; ++i) items_[i] = nullptr;
  count_ = count;
}

int TPersistentObjectList::Add(TObject* item) {
  if (count_ == GetCapacity()) SetCapacity(count_ + growth_delta_);
  items_[count_] = item;
  return count_++;
}

void TPersistentObjectList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  count_ = 0;
}

void TPersistentObjectList::Delete(int index) {
  if (index < 0 || index >= count_) RaiseIndexError();
  for (int i = index; i < count_ - 1; ++i) items_[i] = items_[i + 1];
  items_[--count_] = nullptr;
}

TObject* TPersistentObjectList::GetItems(int index) const {
  if (index < 0 || index >= count_) RaiseIndexError();
  return items_[index];
}

void TPersistentObjectList::SetItems(int index, TObject* item) {
  if (index < 0 || index >= count_) RaiseIndexError();
  items_[index] = item;
}

int TPersistentObjectList::IndexOf(const TObject* item) const {
  for (int i = 0; i < count_; ++i)
    if (items_[i] == item) return i;
  return -1;
}

int TPersistentObjectList::Remove(const TObject* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TPersistentObjectList::Pop() {
  if (count_ == 0) return nullptr;
  TObject* item = items_[count_ - 1];
  items_[--count_] = nullptr;
  return item;
}

void TPersistentObjectList::QuickSort(int left, int right, const TCompareFunction& compare) {
  while (left < right) {
    int i = left, j = right;
    TObject* pivot = items_[(left + right) / 2];
    do {
      while (compare(items_[i], pivot) < 0) ++i;
      while (compare(items_[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items_[i], items_[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (left < j) QuickSort(left, j, compare);
    left = i;
  }
}

void TPersistentObjectList::Sort(const TCompareFunction& compare) {
  if (count_ > 1) QuickSort(0, count_ - 1, compare);
}

void TPersistentObjectList::FreeItems() {
  for (int i = count_ - 1; i >= 0; --i) {
    TObject* item = std::exchange(items_[i], nullptr);
    delete item;
  }
}

void TPersistentObjectList::FreeItemsAndClear() {
  FreeItems();
  Clear();
}

void TPersistentObjectList::RaiseIndexError() const { throw EListError(engine_messages::kInvalidListIndex); }

void TPersistentObjectList::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  writer.WriteListBegin();
  std::vector<const TClassInfo*> classes;
  for (int i = 0; i < count_; ++i) {
    const TObject* item = items_[i];
    if (!item) {
      writer.WriteBoolean(false);
      writer.WriteInteger(0);
      continue;
    }
    CLIENT_ASSERT(item->Is<TPersistentObject>(), ("Cannot archive a " + item->ClassName()).c_str());
    const TClassInfo* info = &item->ClassType();
    int index = -1;
    for (size_t k = 0; k < classes.size(); ++k)
      if (classes[k] == info) index = static_cast<int>(k);
    if (index < 0) {
      classes.push_back(info);
      writer.WriteString(info->ClassName());
    } else {
      writer.WriteInteger(index);
    }
    static_cast<const TPersistentObject*>(item)->WriteToFiler(writer);
  }
  writer.WriteListEnd();
}

void TPersistentObjectList::ReadFromFiler(TVirtualReader& reader) {
  ReadFromFilerWithEvent(reader, nullptr);
}

void TPersistentObjectList::ReadFromFilerWithEvent(TVirtualReader& reader, const TObjectCreatedEvent& after_created) {
  TPersistentObject::ReadFromFiler(reader);
  Clear();
  ReadArchiveVersion(reader);
  reader.ReadListBegin();
  std::vector<const TClassInfo*> classes;
  auto broken = [] { throw EFilerException(engine_messages::kBrokenObjectListArchive); };
  while (!reader.EndOfList()) {
    const TClassInfo* info = nullptr;
    switch (reader.NextValue()) {
      case vaString:
      case vaLString: {
        info = &FindClass(reader.ReadString());
        if (!info->InheritsFrom(TPersistentObject::StaticClass()) || !info->CanCreate()) broken();
        classes.push_back(info);
        break;
      }
      case vaInt8:
      case vaInt16:
      case vaInt32: {
        const int index = reader.ReadInteger();
        if (index < 0 || index >= static_cast<int>(classes.size())) broken();
        info = classes[index];
        break;
      }
      case vaFalse:
      case vaTrue:
        reader.ReadBoolean();
        if (reader.ReadInteger() != 0) broken();
        Add(nullptr);
        continue;
      default:
        broken();
    }
    std::unique_ptr<TPersistentObject> object = CreateInstanceAs<TPersistentObject>(*info);
    if (after_created)
      after_created(object.get());
    else
      AfterObjectCreatedByReader(object.get());
    object->ReadFromFiler(reader);
    Add(object.release());
  }
  reader.ReadListEnd();
}
