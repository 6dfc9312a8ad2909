#include "objects/vertex_list.h"

#include <gtest/gtest.h>

#include "engine/engine_errors.h"

namespace {

// Values report only to an owner; the test's list has a bare one.
struct OwnedList {
  TGLUpdateAbleObject owner;
  TVertexList list{&owner};
};

TEST(TVertexList, AddVertexStoresTheRecordInInterleavedOrderAndNotifies) {
  OwnedList owned;
  TVertexList& list = owned.list;
  int changes = 0;
  list.OnNotifyChange = [&](TObject*) { ++changes; };
  list.AddVertex({1, 2, 3}, {0, 0, 1}, {0.1f, 0.2f, 0.3f, 0.4f}, {0.5f, 0.6f});
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(changes, 1);
  // The bytes as GL_T2F_C4F_N3F_V3F reads them.
  const float* f = reinterpret_cast<const float*>(list.GetData());
  const float expected[12] = {0.5f, 0.6f, 0.1f, 0.2f, 0.3f, 0.4f, 0, 0, 1, 1, 2, 3};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f[i], expected[i]) << i;
  EXPECT_EQ(list.FirstVertex(), reinterpret_cast<const char*>(list.GetData()) + 36);
  EXPECT_EQ(list.FirstNormal(), reinterpret_cast<const char*>(list.GetData()) + 24);
  EXPECT_EQ(list.FirstColor(), reinterpret_cast<const char*>(list.GetData()) + 8);
}

TEST(TVertexList, GrowsByWholeBlocksAndKeepsTheRecords) {
  TVertexList list;
  for (int i = 0; i < 256; ++i) list.AddVertex({static_cast<float>(i), 0, 0}, {}, {}, {});
  EXPECT_EQ(list.GetCapacity(), 256);
  list.AddVertex({256, 0, 0}, {}, {}, {});
  EXPECT_EQ(list.GetCapacity(), 512);
  ASSERT_EQ(list.GetCount(), 257);
  for (int i = 0; i < 257; ++i) ASSERT_EQ(list[i].Coord[0], static_cast<float>(i));
}

TEST(TVertexList, ClearEmptiesAndNotifies) {
  OwnedList owned;
  TVertexList& list = owned.list;
  list.AddVertex({1, 0, 0}, {}, {}, {});
  int changes = 0;
  list.OnNotifyChange = [&](TObject*) { ++changes; };
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetCapacity(), 0);
  EXPECT_EQ(list.FirstVertex(), nullptr);
  EXPECT_EQ(changes, 1);
}

TEST(TVertexList, AssignCopiesTheRecordsSilentlyAndSurvivesItself) {
  TVertexList a;
  OwnedList owned;
  TVertexList& b = owned.list;
  a.AddVertex({1, 0, 0}, {}, {}, {});
  a.AddVertex({2, 0, 0}, {}, {}, {});
  int changes = 0;
  b.OnNotifyChange = [&](TObject*) { ++changes; };
  b.Assign(&a);
  ASSERT_EQ(b.GetCount(), 2);
  EXPECT_EQ(b.GetCapacity(), 2);
  EXPECT_EQ(b[1].Coord[0], 2.0f);
  EXPECT_EQ(changes, 0);
  b.Assign(&b);
  ASSERT_EQ(b.GetCount(), 2);
  EXPECT_EQ(b[0].Coord[0], 1.0f);
  // Growth after an exact-size copy keeps the records.
  b.AddVertex({3, 0, 0}, {}, {}, {});
  EXPECT_EQ(b.GetCapacity(), 2 + 256);
  EXPECT_EQ(b[0].Coord[0], 1.0f);
}

TEST(TVertexList, AssignFromAnotherKindIsRefused) {
  TVertexList list;
  TPersistent other;
  EXPECT_THROW(list.Assign(&other), EConvertError);
  EXPECT_FALSE(list.GetLocked());
}

}  // namespace
