#pragma once
// TStreamClass: an assignable object that saves itself to and loads itself
// from the library's streams; TDynamicList: a growable array of fixed-size
// items that keeps its owner's array pointer current.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/assign_object.h"
#include "imaging/image_streams.h"

class TStreamClass : public TAssignObject {
public:
  std::string ClassName() const override { return "TStreamClass"; }
  virtual void SaveToStream(imaging::TBaseStream& stream) const;
  virtual void LoadFromStream(imaging::TBaseStream& stream);
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);
};

class TDynamicList : public TStreamClass {
public:
  // ownerPointer (may be null) always holds the address of item 0.
  TDynamicList(std::int32_t itemSize, void** ownerPointer);
  ~TDynamicList() override;
  TDynamicList(const TDynamicList&) = delete;
  TDynamicList& operator=(const TDynamicList&) = delete;

  std::string ClassName() const override { return "TDynamicList"; }

  std::int32_t GetCount() const { return FCount; }
  std::int32_t GetCapacity() const { return FCapacity; }
  std::int32_t GetItemSize() const { return FItemSize; }
  std::int32_t GetDelta() const { return FDelta; }
  void SetDelta(std::int32_t delta) { FDelta = delta; }
  std::uint8_t* GetData() { return FData.data(); }
  std::uint8_t* Item(std::int32_t index);

  void SetCapacity(std::int32_t capacity);
  void SetCount(std::int32_t count);
  // Grows by one and returns the index of the new item (its bytes are zero
  // here; the caller fills them).
  std::int32_t AddItem();
  void Delete(std::int32_t index);
  void Clear();
  void Assign(const TAssignObject& source) override;
  // The count as 4 bytes (little-endian), then count × item size bytes.
  void SaveToStream(imaging::TBaseStream& stream) const override;
  // Refuses a count that is negative or larger than the stream holds, so a
  // corrupt count cannot allocate without bound.
  void LoadFromStream(imaging::TBaseStream& stream) override;

private:
  void UpdateOwner();

  void** FOwnerPointer;
  std::int32_t FCapacity = 0;
  std::int32_t FItemSize;
  std::vector<std::uint8_t> FData;
  std::int32_t FCount = 0;
  std::int32_t FDelta = 0;
};
