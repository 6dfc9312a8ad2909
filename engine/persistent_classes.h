#pragma once
// Objects that write themselves to and read themselves from the binary
// filer, and the growable pointer list that archives its objects by class
// name.
//
// Every persistent class archives a version integer first (after its
// parent's data) and raises RaiseFilerException for a version it cannot
// read. An object whose load failed is left partly read.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/binary_filer.h"
#include "engine/class_registry.h"
#include "engine/engine_errors.h"
#include "engine/streams.h"

class TPersistentObject : public TPersistent {
  CLIENT_DECLARE_CLASS(TPersistentObject)
public:
  TPersistentObject() = default;

  // From an object of the same class: a copy through an archive in memory.
  void Assign(const TPersistent* source) override;
  // Written raw ahead of the data; empty in the base.
  virtual std::string FileSignature() const { return {}; }
  virtual TVirtualWriterClass DefaultWriterClass() const { return &TBinaryWriter::Make; }
  virtual TVirtualReaderClass DefaultReaderClass() const { return &TBinaryReader::Make; }
  // A new instance of the same class, assigned from this one.
  std::unique_ptr<TPersistentObject> CreateClone() const;

  // Empty in the base; every descendant calls the inherited one first.
  virtual void WriteToFiler(TVirtualWriter& writer) const {}
  virtual void ReadFromFiler(TVirtualReader& reader) {}

  void SaveToStream(TStream& stream, TVirtualWriterClass writer_class = nullptr) const;
  // A wrong signature raises EInvalidFileSignature before any data is read.
  void LoadFromStream(TStream& stream, TVirtualReaderClass reader_class = nullptr);
  void SaveToFile(const std::string& file_name, TVirtualWriterClass writer_class = nullptr) const;
  void LoadFromFile(const std::string& file_name, TVirtualReaderClass reader_class = nullptr);
  std::string SaveToString(TVirtualWriterClass writer_class = nullptr) const;
  void LoadFromString(const std::string& data, TVirtualReaderClass reader_class = nullptr);

protected:
  // RaiseFilerException with this object's class name.
  [[noreturn]] void RaiseFilerException(int archive_version) const;
  // Reads the archive version that opens this object's data; one outside
  // 0..newest raises the filer exception.
  int ReadArchiveVersion(TVirtualReader& reader, int newest = 0) const;
};

// A growable list of object pointers (nullptr allowed). It does not own its
// items: Clear forgets them, FreeItems frees them; descendants that own
// their items free them in their own Clear and destructor.
//
// Archive: version 0, list begin, then per item nil as (false, 0) or an
// object as its class name the first time its class occurs in this list's
// archive (the class table belongs to one WriteToFiler/ReadFromFiler call)
// and as the index into that table afterwards, followed by the object's own
// data; list end. Only nil and persistent objects can be archived: an
// address means nothing in a file, so a non-zero raw item read from an
// archive raises "Broken ObjectList archive".
class TPersistentObjectList : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TPersistentObjectList)
public:
  using TCompareFunction = std::function<int(TObject* a, TObject* b)>;
  using TObjectCreatedEvent = std::function<void(TObject* object)>;

  TPersistentObjectList() = default;
  ~TPersistentObjectList() override = default;

  int GetCount() const { return count_; }
  // New entries are nullptr; a smaller Count forgets the items beyond it.
  void SetCount(int count);
  int GetCapacity() const { return static_cast<int>(items_.size()); }
  // Count is cut when larger than the new capacity.
  void SetCapacity(int capacity);
  int GetGrowthDelta() const { return growth_delta_; }
  void SetGrowthDelta(int delta) { growth_delta_ = delta < 1 ? 1 : delta; }

  // Index of the new item; the capacity grows by GrowthDelta when full.
  int Add(TObject* item);
  // Count and capacity 0; the items are not freed.
  virtual void Clear();
  // Later items move down; a bad index raises EListError.
  void Delete(int index);
  TObject* GetItems(int index) const;
  void SetItems(int index, TObject* item);
  TObject* operator[](int index) const { return GetItems(index); }
  int IndexOf(const TObject* item) const;  // -1 when absent
  int Remove(const TObject* item);         // former index or -1
  TObject* Pop();                          // last item removed; nullptr when empty
  // Ascending by compare (< 0 when a comes before b), middle element as pivot.
  void Sort(const TCompareFunction& compare);
  TObject** List() { return items_.data(); }

  // Frees every item last to first; the entries become nullptr.
  void FreeItems();
  void FreeItemsAndClear();

  void WriteToFiler(TVirtualWriter& writer) const override;
  // Empties the list (Clear) first, so a read replaces the items.
  void ReadFromFiler(TVirtualReader& reader) override;
  void ReadFromFilerWithEvent(TVirtualReader& reader, const TObjectCreatedEvent& after_created);

  [[noreturn]] virtual void RaiseIndexError() const;

protected:
  // Called with each object the reader creates, before it reads its data.
  virtual void AfterObjectCreatedByReader(TObject* object) {}

private:
  void QuickSort(int left, int right, const TCompareFunction& compare);

  std::vector<TObject*> items_;  // size is the capacity
  int count_ = 0;
  int growth_delta_ = 16;
};
