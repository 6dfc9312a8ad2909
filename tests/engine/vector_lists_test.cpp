#include "engine/vector_lists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Archive(const TPersistentObject& object) {
  TMemoryStream stream;
  object.SaveToStream(stream);
  return stream.Bytes();
}

void Load(TPersistentObject& object, const Bytes& bytes) {
  TMemoryStream stream(bytes);
  object.LoadFromStream(stream);
}

Bytes FloatBytes(std::initializer_list<float> values) {
  Bytes out;
  for (float v : values) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  }
  return out;
}
}  // namespace

TEST(VectorLists, CapacityGrowsBySixteen) {
  TAffineVectorList list;
  EXPECT_EQ(list.GetCapacity(), 0);
  list.Add(TAffineVector{1, 2, 3});
  EXPECT_EQ(list.GetCapacity(), 16);
  for (int i = 1; i < 16; ++i) list.Add(TAffineVector{});
  EXPECT_EQ(list.GetCapacity(), 16);
  list.Add(TAffineVector{});
  EXPECT_EQ(list.GetCapacity(), 32);
  EXPECT_EQ(list.GetCount(), 17);
  EXPECT_EQ(list[0][2], 3.0f);
}

TEST(VectorLists, AddingOneByOneMovesTheStorageOnlyLogarithmicallyOften) {
  // Growing the storage by 16 items each time moves it n / 16 times (6,250
  // here), copying O(n^2) bytes; Capacity itself still follows the 16s.
  TAffineVectorList list;
  int moves = 0;
  const void* data = nullptr;
  for (int i = 0; i < 100000; ++i) {
    list.Add(float(i), 0.0f, 0.0f);
    if (list.Data() != data) ++moves;
    data = list.Data();
    ASSERT_EQ(list.GetCapacity(), (i / 16 + 1) * 16);
  }
  EXPECT_LE(moves, 40);
  EXPECT_EQ(list[99999][0], 99999.0f);
  EXPECT_EQ(list[12345][0], 12345.0f);
}

TEST(VectorLists, GrowingCountZeroFillsAndNegativeCountAsserts) {
  TSingleList list;
  list.SetCount(10);
  ASSERT_EQ(list.GetCount(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(list[i], 0.0f);
  list[3] = 5;
  list.Flush();
  EXPECT_EQ(list.GetCapacity(), 10);
  list.SetCount(5);
  EXPECT_EQ(list[3], 0.0f);
  EXPECT_THROW(list.SetCount(-1), EAssertionFailed);
  list.Clear();
  EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(VectorLists, AffineVectorListArchiveGoldenBytes) {
  TAffineVectorList list;
  list.Add(TAffineVector{1, 2, 3});
  list.Add(TAffineVector{-1, 0.5f, 0});
  Bytes expected{0x02, 0x00, 0x02, 0x02, 0x02, 0x0C};
  const Bytes items = FloatBytes({1, 2, 3, -1, 0.5f, 0});
  expected.insert(expected.end(), items.begin(), items.end());
  expected.insert(expected.end(), {0x02, 0x00});
  EXPECT_EQ(Archive(list), expected);

  TAffineVectorList read;
  read.Add(TAffineVector{9, 9, 9});
  read.Add(TAffineVector{9, 9, 9});
  read.Add(TAffineVector{9, 9, 9});
  Load(read, expected);  // replaces, does not append
  ASSERT_EQ(read.GetCount(), 2);
  EXPECT_TRUE(VectorEquals(read[1], TAffineVector{-1, 0.5f, 0}));
}

TEST(VectorLists, EveryListClassReadsBackByName) {
  TAffineVectorList affine;
  affine.Add(1.0f, 2.0f, 3.0f);
  TVectorList vectors;
  vectors.AddPoint(1, 2, 3);
  TQuaternionList quaternions;
  quaternions.Add(QuaternionFromAxisAngle(ZVector, 30));
  TTexPointList texpoints;
  texpoints.Add(0.25f, 0.75f);
  TIntegerList integers;
  integers.Add(-5, 6, 7);
  TSingleList singles;
  singles.Add(3.5f);
  TByteList bytes;
  bytes.Add(200);
  TPersistentObjectList all;
  for (TObject* o : std::initializer_list<TObject*>{&affine, &vectors, &quaternions, &texpoints, &integers, &singles, &bytes})
    all.Add(o);
  const Bytes archive = Archive(all);

  TPersistentObjectList read;
  Load(read, archive);
  ASSERT_EQ(read.GetCount(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(read[i]->ClassName(), all[i]->ClassName());
    EXPECT_EQ(Archive(*static_cast<TPersistentObject*>(read[i])), Archive(*static_cast<TPersistentObject*>(all[i])));
  }
  EXPECT_EQ(static_cast<TIntegerList*>(read[4])->GetItems(0), -5);
  EXPECT_EQ(static_cast<TByteList*>(read[6])->GetItems(0), 200);
  read.FreeItemsAndClear();
}

TEST(VectorLists, ArchiveWithForeignItemSizeOrShortDataIsRejected) {
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"item size of another class", {0x02, 0x00, 0x02, 0x01, 0x02, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x00}},
      {"count beyond the stream", {0x02, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0x0F, 0x02, 0x0C, 0x00}},
      {"negative count", {0x02, 0x00, 0x02, 0xFF, 0x02, 0x0C, 0x02, 0x00}},
      {"unknown version", {0x02, 0x01}},
      {"unknown vector-list version", {0x02, 0x00, 0x02, 0x00, 0x02, 0x0C, 0x02, 0x05}},
  };
  for (const Case& c : cases) {
    TAffineVectorList list;
    EXPECT_THROW(Load(list, c.bytes), EFilerException) << c.what;
  }
  TAffineVectorList list;
  try {
    Load(list, {0x02, 0x01});
  } catch (const EFilerException& e) {
    EXPECT_EQ(e.Message(), "TAffineVectorList : unknown archive version 1");
  }
}

TEST(VectorLists, AssignCopiesOnlyBetweenListsOfOneKind) {
  TAffineVectorList a;
  a.Add(TAffineVector{1, 2, 3});
  a.SetGrowthDelta(4);
  TAffineVectorList b;
  b.Assign(&a);
  ASSERT_EQ(b.GetCount(), 1);
  EXPECT_EQ(b.GetCapacity(), 1);
  EXPECT_EQ(b.GetGrowthDelta(), 4);
  EXPECT_EQ(b[0][1], 2.0f);
  TVectorList v;
  v.Add(TVector4f{1, 2, 3, 4});
  TQuaternionList q;
  EXPECT_THROW(q.Assign(&v), EConvertError);  // same item size, another layout
  EXPECT_THROW(b.Assign(&v), EConvertError);
  EXPECT_EQ(b.GetCount(), 1);
  b.Assign(nullptr);
  EXPECT_EQ(b.GetCount(), 0);
}

TEST(VectorLists, ExtentsOfEmptyListAreInfinities) {
  TAffineVectorList list;
  TAffineVector min, max;
  list.GetExtents(min, max);
  EXPECT_EQ(min[0], std::numeric_limits<float>::infinity());
  EXPECT_EQ(max[2], -std::numeric_limits<float>::infinity());
  list.Add(TAffineVector{1, -2, 3});
  list.Add(TAffineVector{-1, 5, 0});
  list.GetExtents(min, max);
  EXPECT_TRUE(VectorEquals(min, TAffineVector{-1, -2, 0}));
  EXPECT_TRUE(VectorEquals(max, TAffineVector{1, 5, 3}));
  EXPECT_TRUE(VectorEquals(list.Sum(), TAffineVector{0, 3, 3}));
}

TEST(VectorLists, BulkVectorOperations) {
  TAffineVectorList list;
  list.Add(TAffineVector{3, 0, 4});
  list.Add(TAffineVector{0, 2, 0});
  list.Scale(1.0f);
  EXPECT_EQ(list[0][0], 3.0f);
  list.Scale(2.0f);
  EXPECT_EQ(list[0][2], 8.0f);
  list.Translate({1, 1, 1});
  EXPECT_TRUE(VectorEquals(list[1], TAffineVector{1, 5, 1}));
  TAffineVectorList other;
  other.Add(TAffineVector{1, 1, 1});
  other.Add(TAffineVector{2, 2, 2});
  EXPECT_FLOAT_EQ(list.MaxSpacing(other), 6 + 0 + 8);
  list.Combine(other, 0.5f);
  EXPECT_FLOAT_EQ(list[1][1], 6);
  list.TranslateItems(other);
  EXPECT_FLOAT_EQ(list[1][1], 8);
  list.Normalize();
  EXPECT_NEAR(VectorLength(list[1]), 1, 1e-6);
  TAffineVectorList lerp;
  lerp.Lerp(list, other, 1.0f);
  EXPECT_EQ(lerp.GetCount(), 2);
  EXPECT_FLOAT_EQ(lerp[1][0], 2);
  EXPECT_EQ(list.IndexOf(list[1]), 1);
  EXPECT_EQ(list.IndexOf(TAffineVector{7, 7, 7}), -1);
  EXPECT_EQ(list.FindOrAdd(TAffineVector{7, 7, 7}), 2);
  EXPECT_EQ(list.FindOrAdd(TAffineVector{7, 7, 7}), 2);
  TAffineVectorList short_list;
  EXPECT_THROW(short_list.MaxSpacing(other), EAssertionFailed);
  const int32_t xy[2] = {4, 5};
  EXPECT_EQ(list.AddNC(xy, 6), 3);
  EXPECT_TRUE(VectorEquals(list[3], TAffineVector{4, 5, 6}));
}

TEST(VectorLists, QuaternionCombineMatchesPerItemProducts) {
  TQuaternionList list, other;
  const TQuaternion a = QuaternionFromAxisAngle(XVector, 30), b = QuaternionFromAxisAngle(YVector, 50);
  list.Add(a);
  list.Add(b);
  other.Add(QuaternionFromAxisAngle(ZVector, 80));
  other.Add(QuaternionFromAxisAngle(XVector, -40));
  TQuaternionList combined;
  combined.Assign(&list);
  combined.Combine(other, 0.25f);
  for (int i = 0; i < 2; ++i) {
    const TQuaternion expected = QuaternionMultiply(list[i], QuaternionSlerp(IdentityQuaternion, other[i], 0.25f));
    EXPECT_NEAR(combined[i].RealPart, expected.RealPart, 1e-6);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(combined[i].ImagPart[k], expected.ImagPart[k], 1e-6);
  }
  TQuaternionList lerped;
  lerped.Lerp(list, other, 0.5f);
  EXPECT_NEAR(lerped[0].RealPart, QuaternionSlerp(a, other[0], 0.5f).RealPart, 1e-6);
}

TEST(VectorLists, VectorListLerpsAllFourComponents) {
  TVectorList a, b, r;
  a.Add(TVector4f{0, 0, 0, 0});
  b.Add(TVector4f{2, 4, 6, 8});
  r.Lerp(a, b, 0.5f);
  EXPECT_FLOAT_EQ(r[0][3], 4);
  a.Add(TAffineVector{1, 1, 1}, 2.0f);
  EXPECT_EQ(a[1][3], 2.0f);
  EXPECT_EQ(a.GetItems(1)[0], 1.0f);
}

TEST(VectorLists, TexPointsAndIntegerHelpers) {
  TTexPointList t;
  t.Add(1, 2);
  const int32_t xy[2] = {3, 4};
  t.AddNC(xy);
  t.ScaleAndTranslate({2, 3}, {0.5f, -1});
  EXPECT_FLOAT_EQ(t[0].S, 2.5f);
  EXPECT_FLOAT_EQ(t[1].T, 11);
  TIntegerList ints;
  ints.Add(5, 3);
  ints.Add(9, -1, 3);
  ints.Sort();
  const int expected[5] = {-1, 3, 3, 5, 9};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ints[i], expected[i]);
  EXPECT_EQ(ints.IndexOf(5), 3);
  ints.Exchange(0, 4);
  EXPECT_EQ(ints[0], 9);
  ints.Reverse();
  EXPECT_EQ(ints[0], -1);
  EXPECT_EQ(ints[4], 9);
  TAffineVectorList v;
  v.Add(TAffineVector{1, 1, 1});
  v.Add(TAffineVector{2, 2, 2});
  v.Exchange(0, 1);
  EXPECT_EQ(v[0][0], 2.0f);
}

TEST(VectorLists, SingleSortMovesTheParallelObjects) {
  TSingleList values;
  TPersistentObjectList objects;
  TIntegerList markers[5];
  const float keys[5] = {3, 1, 4, 1.5f, 0};
  for (int i = 0; i < 5; ++i) {
    values.Add(keys[i]);
    objects.Add(&markers[i]);
  }
  QuickSortLists(0, 4, values, objects);
  const int order[5] = {4, 1, 3, 0, 2};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(values[i], keys[order[i]]);
    EXPECT_EQ(objects[i], &markers[order[i]]);
  }
}

TEST(VectorLists, ExternalBufferMovesIntoAnOwnBufferWithItsItems) {
  float buffer[4] = {0, 0, 0, 0};
  TSingleList list;
  list.UseMemory(buffer, 4);
  EXPECT_TRUE(list.GetOptions() & TBaseList::kExternalMemory);
  list.Add(1);
  list.Add(2);
  EXPECT_EQ(buffer[1], 2.0f);
  list.AdjustCapacityToAtLeast(10);
  EXPECT_FALSE(list.GetOptions() & TBaseList::kExternalMemory);
  EXPECT_NE(list.Data(), static_cast<void*>(buffer));
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list[1], 2.0f);
  list.AddNulls(3);
  EXPECT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list[4], 0.0f);
}
