#include "engine/vector_lists.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"

// The raw archive data is the in-memory items: little-endian singles and
// integers, and none of the item types has padding.
static_assert(std::endian::native == std::endian::little);

CLIENT_DEFINE_CLASS(TBaseList, TPersistentObject)
CLIENT_DEFINE_CLASS(TBaseVectorList, TBaseList)
CLIENT_DEFINE_CLASS(TAffineVectorList, TBaseVectorList)
CLIENT_DEFINE_CLASS(TVectorList, TBaseVectorList)
CLIENT_DEFINE_CLASS(TQuaternionList, TBaseVectorList)
CLIENT_DEFINE_CLASS(TTexPointList, TBaseList)
CLIENT_DEFINE_CLASS(TIntegerList, TBaseList)
CLIENT_DEFINE_CLASS(TSingleList, TBaseList)
CLIENT_DEFINE_CLASS(TByteList, TBaseList)

// Every concrete list is stored by class name, so every one is registered.
CLIENT_REGISTER_CLASS(TAffineVectorList);
CLIENT_REGISTER_CLASS(TVectorList);
CLIENT_REGISTER_CLASS(TQuaternionList);
CLIENT_REGISTER_CLASS(TTexPointList);
CLIENT_REGISTER_CLASS(TIntegerList);
CLIENT_REGISTER_CLASS(TSingleList);
CLIENT_REGISTER_CLASS(TByteList);

// --- TBaseList -----------------------------------------------------------------
void TBaseList::Reallocate(int capacity) {
  const int keep = std::min(count_, capacity);
  const bool external = (options_ & kExternalMemory) != 0;
  if (capacity == 0) {
    owned_.reset();
    allocated_ = 0;
  } else if (external || capacity > allocated_ || capacity < capacity_) {
    // Growth reserves half as much again, so that Capacity can go on growing
    // by GrowthDelta without a copy each time; shrinking gives memory back.
    int64_t items = capacity;
    if (!external && capacity > allocated_)
      items = std::clamp<int64_t>(allocated_ + allocated_ / 2, capacity, std::numeric_limits<int>::max());
    const size_t bytes = static_cast<size_t>(items) * item_size_;
    uint8_t* fresh = nullptr;
    if (external) {
      fresh = static_cast<uint8_t*>(std::malloc(bytes));
      // An external buffer's items move into the list's own buffer.
      if (fresh && keep > 0) std::memcpy(fresh, data_, static_cast<size_t>(keep) * item_size_);
    } else {
      fresh = static_cast<uint8_t*>(std::realloc(owned_.get(), bytes));
    }
    if (!fresh) throw std::bad_alloc();
    (void)owned_.release();
    owned_.reset(fresh);
    allocated_ = static_cast<int>(items);
  }
  data_ = owned_.get();
  capacity_ = capacity;
  count_ = keep;
  options_ &= static_cast<uint8_t>(~kExternalMemory);
}

void TBaseList::SetCapacity(int capacity) {
  CLIENT_ASSERT(capacity >= 0);
  if (capacity != capacity_ || (options_ & kExternalMemory)) Reallocate(capacity);
}

void TBaseList::SetCount(int count) {
  CLIENT_ASSERT(count >= 0);
  if (count > capacity_) SetCapacity(count);
  if (count > count_ && (options_ & kSetCountResetsMemory))
    std::memset(data_ + static_cast<size_t>(count_) * item_size_, 0, static_cast<size_t>(count - count_) * item_size_);
  count_ = count;
}

void TBaseList::SetSetCountResetsMemory(bool value) {
  if (value)
    options_ |= kSetCountResetsMemory;
  else
    options_ &= static_cast<uint8_t>(~kSetCountResetsMemory);
}

void TBaseList::AddNulls(int n) {
  if (n <= 0) return;
  const int start = count_;
  AdjustCapacityToAtLeast(start + n);
  std::memset(data_ + static_cast<size_t>(start) * item_size_, 0, static_cast<size_t>(n) * item_size_);
  count_ = start + n;
}

void TBaseList::AdjustCapacityToAtLeast(int n) {
  if (capacity_ < n) SetCapacity(n);
}

void TBaseList::Clear() {
  count_ = 0;
  SetCapacity(0);
}

void TBaseList::Exchange(int i, int j) {
  if (i == j) return;
  uint8_t* a = static_cast<uint8_t*>(ItemAddress(i));
  uint8_t* b = static_cast<uint8_t*>(ItemAddress(j));
  std::swap_ranges(a, a + item_size_, b);
}

void TBaseList::Reverse() {
  for (int i = 0, j = count_ - 1; i < j; ++i, --j) Exchange(i, j);
}

void TBaseList::UseMemory(void* buffer, int capacity) {
  CLIENT_ASSERT(buffer != nullptr && capacity >= 0);
  owned_.reset();
  allocated_ = 0;
  data_ = static_cast<uint8_t*>(buffer);
  capacity_ = capacity;
  count_ = 0;
  options_ |= kExternalMemory;
}

void TBaseList::Assign(const TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (source == this) return;
  // Items are copied only between lists of one kind: other bytes would be
  // taken for items of a different layout.
  if (source->InheritsFrom(ClassType())) {
    const auto& list = static_cast<const TBaseList&>(*source);
    if (list.item_size_ == item_size_) {
      count_ = 0;
      SetCapacity(list.count_);
      growth_delta_ = list.growth_delta_;
      count_ = list.count_;
      if (count_ > 0) std::memcpy(data_, list.data_, static_cast<size_t>(count_) * item_size_);
      return;
    }
  }
  TPersistentObject::Assign(source);
}

void TBaseList::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  writer.WriteInteger(count_);
  writer.WriteInteger(item_size_);
  if (count_ > 0) writer.Write(data_, static_cast<size_t>(count_) * item_size_);
}

void TBaseList::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  const int count = reader.ReadInteger();
  const int item_size = reader.ReadInteger();
  if (item_size != item_size_)
    throw EFilerException(ClassName() + " : item size " + std::to_string(item_size) + " in archive, " +
                          std::to_string(item_size_) + " expected");
  if (count < 0 || static_cast<int64_t>(count) * item_size_ > reader.Stream().Remaining())
    throw EStreamError(engine_messages::kStreamReadError);
  count_ = 0;
  SetCapacity(count);
  if (count > 0) reader.Read(data_, static_cast<size_t>(count) * item_size_);
  count_ = count;
}

// --- TBaseVectorList ------------------------------------------------------------
void TBaseVectorList::WriteToFiler(TVirtualWriter& writer) const {
  TBaseList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
}

void TBaseVectorList::ReadFromFiler(TVirtualReader& reader) {
  TBaseList::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
}

void TBaseVectorList::GetExtents(TAffineVector& min, TAffineVector& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < GetCount(); ++i) {
    const TAffineVector& v = Vec(i);
    for (int k = 0; k < 3; ++k) {
      if (v[k] < min[k]) min[k] = v[k];
      if (v[k] > max[k]) max[k] = v[k];
    }
  }
}

TAffineVector TBaseVectorList::Sum() const {
  TAffineVector s;
  for (int i = 0; i < GetCount(); ++i) AddAffineVectorInPlace(s, Vec(i));
  return s;
}

void TBaseVectorList::Normalize() {
  for (int i = 0; i < GetCount(); ++i) NormalizeAffineVector(Vec(i));
}

float TBaseVectorList::MaxSpacing(const TBaseVectorList& other) const {
  CLIENT_ASSERT(other.GetCount() == GetCount());
  float result = 0;
  for (int i = 0; i < GetCount(); ++i) result = std::max(result, VectorSpacing(Vec(i), other.Vec(i)));
  return result;
}

void TBaseVectorList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < GetCount(); ++i) AddAffineVectorInPlace(Vec(i), delta);
}

void TBaseVectorList::TranslateItems(const TBaseVectorList& other) {
  CLIENT_ASSERT(GetCount() <= other.GetCount());
  for (int i = 0; i < GetCount(); ++i) AddAffineVectorInPlace(Vec(i), other.Vec(i));
}

void TBaseVectorList::Combine(const TBaseVectorList& other, float f) {
  CLIENT_ASSERT(GetCount() <= other.GetCount());
  for (int i = 0; i < GetCount(); ++i) AddScaledAffineVector(Vec(i), other.Vec(i), f);
}

void TBaseVectorList::Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) {
  CLIENT_ASSERT(a.GetCount() == b.GetCount());
  SetCount(a.GetCount());
  for (int i = 0; i < GetCount(); ++i) Vec(i) = VectorLerpPlain(a.Vec(i), b.Vec(i), t);
}

void TBaseVectorList::AngleLerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) {
  CLIENT_ASSERT(a.GetCount() == b.GetCount());
  SetCount(a.GetCount());
  for (int i = 0; i < GetCount(); ++i) Vec(i) = AffineVectorAngleLerp(a.Vec(i), b.Vec(i), t);
}

void TBaseVectorList::AngleCombine(const TBaseVectorList& other, float f) {
  CLIENT_ASSERT(GetCount() <= other.GetCount());
  for (int i = 0; i < GetCount(); ++i) Vec(i) = AffineVectorAngleCombine(Vec(i), other.Vec(i), f);
}

// --- TAffineVectorList ------------------------------------------------------------
void TAffineVectorList::Add(const TAffineVector& i1, const TAffineVector& i2, const TAffineVector& i3) {
  AdjustCapacityToAtLeast(GetCount() + 3);
  Add(i1);
  Add(i2);
  Add(i3);
}

int TAffineVectorList::AddNC(const int32_t* xy, int z) {
  // Still safe when the caller did not reserve: the check is one compare.
  return Add(TAffineVector{float(xy[0]), float(xy[1]), float(z)});
}

int TAffineVectorList::IndexOf(const TAffineVector& item) const {
  for (int i = 0; i < GetCount(); ++i)
    if (VectorEquals(List()[i], item)) return i;
  return -1;
}

int TAffineVectorList::FindOrAdd(const TAffineVector& item) {
  const int index = IndexOf(item);
  return index >= 0 ? index : Add(item);
}

void TAffineVectorList::Translate(const TAffineVector& delta) {
  AddVectorToAffineArray(List(), delta, List(), GetCount());
}

void TAffineVectorList::Normalize() { NormalizeAffineVectorArray(List(), GetCount()); }

void TAffineVectorList::Scale(float factor) {
  if (GetCount() == 0 || factor == 1.0f) return;
  ScaleFloatArray(reinterpret_cast<float*>(List()), GetCount() * 3, factor);
}

// --- TVectorList ---------------------------------------------------------------
void TVectorList::Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) {
  if (a.Is<TVectorList>() && b.Is<TVectorList>()) {
    const auto& va = static_cast<const TVectorList&>(a);
    const auto& vb = static_cast<const TVectorList&>(b);
    CLIENT_ASSERT(va.GetCount() == vb.GetCount());
    SetCount(va.GetCount());
    VectorArrayLerp(va.List(), vb.List(), t, GetCount(), List());
    return;
  }
  TBaseVectorList::Lerp(a, b, t);
}

// --- TQuaternionList --------------------------------------------------------------
void TQuaternionList::Lerp(const TBaseVectorList& a, const TBaseVectorList& b, float t) {
  if (a.Is<TQuaternionList>() && b.Is<TQuaternionList>()) {
    const auto& qa = static_cast<const TQuaternionList&>(a);
    const auto& qb = static_cast<const TQuaternionList&>(b);
    CLIENT_ASSERT(qa.GetCount() == qb.GetCount());
    SetCount(qa.GetCount());
    for (int i = 0; i < GetCount(); ++i) List()[i] = QuaternionSlerp(qa[i], qb[i], t);
    return;
  }
  TBaseVectorList::Lerp(a, b, t);
}

void TQuaternionList::Combine(const TBaseVectorList& other, float f) {
  if (other.Is<TQuaternionList>()) {
    const auto& q = static_cast<const TQuaternionList&>(other);
    CLIENT_ASSERT(q.GetCount() >= GetCount());
    for (int i = 0; i < GetCount(); ++i)
      List()[i] = QuaternionMultiply(List()[i], QuaternionSlerp(IdentityQuaternion, q[i], f));
    return;
  }
  TBaseVectorList::Combine(other, f);
}

// --- TTexPointList ----------------------------------------------------------------
int TTexPointList::AddNC(const int32_t* xy) { return Add(TTexPoint{float(xy[0]), float(xy[1])}); }

void TTexPointList::ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta) {
  for (int i = 0; i < GetCount(); ++i) {
    TTexPoint& p = List()[i];
    p = {p.S * scale.S + delta.S, p.T * scale.T + delta.T};
  }
}

// --- TIntegerList -----------------------------------------------------------------
void TIntegerList::Add(int32_t i1, int32_t i2) {
  AdjustCapacityToAtLeast(GetCount() + 2);
  Add(i1);
  Add(i2);
}

void TIntegerList::Add(int32_t i1, int32_t i2, int32_t i3) {
  AdjustCapacityToAtLeast(GetCount() + 3);
  Add(i1);
  Add(i2);
  Add(i3);
}

int TIntegerList::IndexOf(int32_t value) const {
  for (int i = 0; i < GetCount(); ++i)
    if (List()[i] == value) return i;
  return -1;
}

void TIntegerList::Sort() {
  if (GetCount() > 1) QuickSortIntegerList(0, GetCount() - 1, *this);
}

// --- Sorts ----------------------------------------------------------------------
void QuickSortLists(int start, int end, TSingleList& values, TPersistentObjectList& objects) {
  CLIENT_ASSERT(end < values.GetCount() && end < objects.GetCount());
  float* v = values.List();
  TObject** o = objects.List();
  while (start < end) {
    int i = start, j = end;
    const float pivot = v[(start + end) / 2];
    do {
      while (v[i] < pivot) ++i;
      while (v[j] > pivot) --j;
      if (i <= j) {
        std::swap(v[i], v[j]);
        std::swap(o[i], o[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (start < j) QuickSortLists(start, j, values, objects);
    start = i;
  }
}

void QuickSortIntegerList(int start, int end, TIntegerList& list) {
  CLIENT_ASSERT(end < list.GetCount());
  int32_t* v = list.List();
  while (start < end) {
    int i = start, j = end;
    const int32_t pivot = v[(start + end) / 2];
    do {
      while (v[i] < pivot) ++i;
      while (v[j] > pivot) --j;
      if (i <= j) {
        std::swap(v[i], v[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (start < j) QuickSortIntegerList(start, j, list);
    start = i;
  }
}
