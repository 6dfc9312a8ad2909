#pragma once
// Growable contiguous arrays of fixed-size values (vertices, normals,
// texture points, indices, scalars, bytes, quaternions), handed to OpenGL
// array calls directly and archived with the binary filer.
//
// Capacity grows by GrowthDelta (16) items when Count reaches it; the
// storage behind it grows in place or by half again, so adding n items one
// by one copies O(n) bytes in all. Archive
// (after the TPersistentObject data): version 0, Count, ItemSize, then
// Count * ItemSize raw little-endian bytes without tags; vector lists add
// their own version 0 after that. Reading checks that ItemSize is the
// class's own and that the bytes are present, and replaces the items.
//
// Item access through operator[] / List() is unchecked: indexes are the
// caller's responsibility, as in the GL array calls these buffers feed.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "engine/persistent_classes.h"
#include "engine/vector_types.h"

class TBaseList : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TBaseList)
public:
  // Options bits.
  static constexpr uint8_t kExternalMemory = 0x01;  // the buffer is not owned
  static constexpr uint8_t kSetCountResetsMemory = 0x02;

  ~TBaseList() override = default;

  int GetCount() const { return count_; }
  // Must be >= 0 (assertion failure otherwise); growing zero-fills the new
  // items while the option is set (the default).
  void SetCount(int count);
  int GetCapacity() const { return capacity_; }
  // Count is cut when larger than the new capacity.
  virtual void SetCapacity(int capacity);
  int GetGrowthDelta() const { return growth_delta_; }
  void SetGrowthDelta(int delta) { growth_delta_ = delta < 1 ? 1 : delta; }
  int GetItemSize() const { return item_size_; }
  uint8_t GetOptions() const { return options_; }
  bool GetSetCountResetsMemory() const { return (options_ & kSetCountResetsMemory) != 0; }
  void SetSetCountResetsMemory(bool value);

  void AddNulls(int n);
  void AdjustCapacityToAtLeast(int n);
  void Flush() { count_ = 0; }  // capacity kept
  void Clear();                 // count and capacity 0
  void Exchange(int i, int j);
  void Reverse();
  void* ItemAddress(int index) { return data_ + static_cast<size_t>(index) * item_size_; }
  const void* ItemAddress(int index) const { return data_ + static_cast<size_t>(index) * item_size_; }
  void* Data() { return data_; }
  const void* Data() const { return data_; }
  // Works on a buffer owned by the caller (capacity items); the next
  // capacity change moves the items into a buffer of the list's own.
  void UseMemory(void* buffer, int capacity);

  // From a list of this class (or a descendant): the same items. nullptr
  // clears; any other source raises EConvertError.
  void Assign(const TPersistent* source) override;
  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

protected:
  explicit TBaseList(int item_size) : item_size_(item_size) {}
  TBaseList(const TBaseList&) = delete;
  TBaseList& operator=(const TBaseList&) = delete;
  // Makes room for one more item and returns its index.
  int Grow() {
    if (count_ == capacity_) SetCapacity(capacity_ + growth_delta_);
    return count_++;
  }

  uint8_t* data_ = nullptr;

private:
  struct FreeStorage {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  void Reallocate(int capacity);

  std::unique_ptr<uint8_t, FreeStorage> owned_;
  int allocated_ = 0;  // items the owned storage holds (>= capacity_)
  int count_ = 0;
  int capacity_ = 0;
  int growth_delta_ = 16;
  int item_size_;
  uint8_t options_ = kSetCountResetsMemory;
};

// The vector operations work on the first three components of each item.
class TBaseVectorList : public TBaseList {
  CLIENT_DECLARE_CLASS(TBaseVectorList)
public:
  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

  // Component-wise; an empty list gives min +infinity and max -infinity.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  TAffineVector Sum() const;
  virtual void Normalize();
  // Largest L1 distance between corresponding items; equal counts asserted.
  float MaxSpacing(const TBaseVectorList& other) const;
  virtual void Translate(const TAffineVector& delta);
  // item[i] += other[i]; Count <= other Count asserted.
  virtual void TranslateItems(const TBaseVectorList& other);
  // item[i] += other[i] * f.
  virtual void Combine(const TBaseVectorList& other, float f);
  // Per-item lerp of two lists of equal Count (this list takes their Count).
  virtual void Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t);
  void AngleLerp(const TBaseVectorList& a, const TBaseVectorList& b, float t);
  void AngleCombine(const TBaseVectorList& other, float f);

protected:
  using TBaseList::TBaseList;
  TAffineVector& Vec(int i) { return *static_cast<TAffineVector*>(ItemAddress(i)); }
  const TAffineVector& Vec(int i) const { return *static_cast<const TAffineVector*>(ItemAddress(i)); }
};

// Typed access shared by the concrete lists.
template <class T, class Base>
class TTypedList : public Base {
public:
  using ItemType = T;
  T* List() { return reinterpret_cast<T*>(this->data_); }
  const T* List() const { return reinterpret_cast<const T*>(this->data_); }
  T& operator[](int i) { return List()[i]; }
  const T& operator[](int i) const { return List()[i]; }
  T GetItems(int i) const { return List()[i]; }
  void SetItems(int i, const T& item) { List()[i] = item; }
  int Add(const T& item) {
    const int index = this->Grow();
    List()[index] = item;
    return index;
  }
  void AddList(const TTypedList& other) {
    const int n = other.GetCount();
    const int start = this->GetCount();
    this->AdjustCapacityToAtLeast(start + n);
    this->SetCount(start + n);
    for (int i = 0; i < n; ++i) List()[start + i] = other.List()[i];
  }

protected:
  TTypedList() : Base(sizeof(T)) {}
};

class TAffineVectorList : public TTypedList<TAffineVector, TBaseVectorList> {
  CLIENT_DECLARE_CLASS(TAffineVectorList)
public:
  using TTypedList::Add;
  TAffineVectorList() = default;
  int Add(const TVector4f& item) { return Add(AffineVectorMakeXYZ(item)); }
  void Add(const TAffineVector& i1, const TAffineVector& i2, const TAffineVector& i3);
  int Add(float x, float y, float z) { return Add(TAffineVector{x, y, z}); }
  int Add(int x, int y, int z) { return Add(TAffineVector{float(x), float(y), float(z)}); }
  // Appends (xy[0], xy[1], z); meant for loops that reserved capacity first.
  int AddNC(const int32_t* xy, int z);
  int IndexOf(const TAffineVector& item) const;  // exact (bitwise) match
  int FindOrAdd(const TAffineVector& item);
  void Translate(const TAffineVector& delta) override;
  void Normalize() override;
  void Scale(float factor);

private:
  static TAffineVector AffineVectorMakeXYZ(const TVector4f& v) { return {v[0], v[1], v[2]}; }
};

class TVectorList : public TTypedList<TVector4f, TBaseVectorList> {
  CLIENT_DECLARE_CLASS(TVectorList)
public:
  using TTypedList::Add;
  TVectorList() = default;
  int Add(const TAffineVector& item, float w) { return Add(TVector4f{item[0], item[1], item[2], w}); }
  int AddPoint(const TVector4f& item) { return Add(TVector4f{item[0], item[1], item[2], 1.0f}); }
  int AddPoint(float x, float y, float z) { return Add(TVector4f{x, y, z, 1.0f}); }
  void Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) override;  // four components
};

class TQuaternionList : public TTypedList<TQuaternion, TBaseVectorList> {
  CLIENT_DECLARE_CLASS(TQuaternionList)
public:
  TQuaternionList() = default;
  // Per-item slerp.
  void Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) override;
  // item[i] := item[i] x slerp(identity, other[i], f) for a quaternion list
  // (other Count >= Count asserted); the vector form otherwise.
  void Combine(const TBaseVectorList& other, float f) override;
};

class TTexPointList : public TTypedList<TTexPoint, TBaseList> {
  CLIENT_DECLARE_CLASS(TTexPointList)
public:
  using TTypedList::Add;
  TTexPointList() = default;
  int Add(float s, float t) { return Add(TTexPoint{s, t}); }
  int Add(int s, int t) { return Add(TTexPoint{float(s), float(t)}); }
  // Appends (xy[0], xy[1]); meant for loops that reserved capacity first.
  int AddNC(const int32_t* xy);
  // item := item * scale + delta, per component.
  void ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta);
};

class TIntegerList : public TTypedList<int32_t, TBaseList> {
  CLIENT_DECLARE_CLASS(TIntegerList)
public:
  using TTypedList::Add;
  TIntegerList() = default;
  void Add(int32_t i1, int32_t i2);
  void Add(int32_t i1, int32_t i2, int32_t i3);
  int IndexOf(int32_t value) const;
  void Sort();  // ascending
};

class TSingleList : public TTypedList<float, TBaseList> {
  CLIENT_DECLARE_CLASS(TSingleList)
public:
  TSingleList() = default;
};

class TByteList : public TTypedList<uint8_t, TBaseList> {
  CLIENT_DECLARE_CLASS(TByteList)
public:
  TByteList() = default;
};

// Sorts values[start..end] ascending and swaps the same positions of the
// parallel object list; middle element as pivot.
void QuickSortLists(int start, int end, TSingleList& values, TPersistentObjectList& objects);
// Sorts list[start..end] ascending; middle element as pivot.
void QuickSortIntegerList(int start, int end, TIntegerList& list);
