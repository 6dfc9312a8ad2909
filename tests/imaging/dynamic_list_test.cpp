#include "imaging/dynamic_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/assertion.h"
#include "tests/imaging/imaging_test_support.h"

using namespace imaging;

namespace {

struct Item {
  std::int32_t a;
  std::int32_t b;
};

class MemoryStream : public TBaseStream {
public:
  MemoryStream() { FCanRead = FCanWrite = true; }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    Bytes.insert(Bytes.end(), p, p + count);
    return count;
  }
  std::int32_t Read(void* buffer, std::int32_t count) override {
    const std::int32_t n = std::min<std::int32_t>(count, std::int32_t(Bytes.size() - At));
    std::memcpy(buffer, Bytes.data() + At, std::size_t(n));
    At += std::size_t(n);
    return n;
  }
  std::int64_t Available() override { return std::int64_t(Bytes.size() - At); }
  std::vector<std::uint8_t> Bytes;
  std::size_t At = 0;
};

}  // namespace

TEST(DynamicList, GrowsFrom0To16To32To64WithDeltaZero) {
  Item* items = nullptr;
  TDynamicList list(sizeof(Item), reinterpret_cast<void**>(&items));
  std::vector<std::int32_t> capacities;
  for (int i = 0; i < 40; ++i) {
    const std::int32_t before = list.GetCapacity();
    const std::int32_t index = list.AddItem();
    items[index] = Item{i, -i};
    if (list.GetCapacity() != before) capacities.push_back(list.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<std::int32_t>{16, 32, 64}));
  EXPECT_EQ(items, reinterpret_cast<Item*>(list.GetData())) << "the owner's pointer follows the data";
  EXPECT_EQ(items[39].a, 39);
}

TEST(DynamicList, PositiveDeltaGrowsLinearlyAndNegativeDeltaStillGrows) {
  TDynamicList linear(4, nullptr);
  linear.SetDelta(5);
  linear.AddItem();
  EXPECT_EQ(linear.GetCapacity(), 5);
  TDynamicList negative(4, nullptr);
  negative.SetDelta(-3);
  negative.AddItem();
  EXPECT_EQ(negative.GetCapacity(), 16);
  EXPECT_EQ(negative.GetCount(), 1);
}

TEST(DynamicList, DeleteMovesLaterItemsDownAndOutOfRangeFailsAssertion) {
  Item* items = nullptr;
  TDynamicList list(sizeof(Item), reinterpret_cast<void**>(&items));
  for (int i = 0; i < 4; ++i) {
    const std::int32_t index = list.AddItem();  // may move the items
    items[index] = Item{i, i};
  }
  list.Delete(1);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(items[1].a, 2);
  EXPECT_EQ(items[2].a, 3);
  EXPECT_THROW(list.Delete(3), EAssertionFailed);
  EXPECT_THROW(list.Delete(-1), EAssertionFailed);
}

TEST(DynamicList, SetCapacityCutsCountAndClearEmptiesOwnerPointer) {
  Item* items = nullptr;
  TDynamicList list(sizeof(Item), reinterpret_cast<void**>(&items));
  list.SetCount(10);
  list.SetCapacity(3);
  EXPECT_EQ(list.GetCount(), 3);
  list.Clear();
  EXPECT_EQ(list.GetCapacity(), 0);
  EXPECT_EQ(items, nullptr);
}

TEST(DynamicList, SaveToStreamOfEmptyListWritesExactlyTheCountZero) {
  TDynamicList list(8, nullptr);
  MemoryStream stream;
  list.SaveToStream(stream);
  EXPECT_EQ(stream.Bytes, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(DynamicList, StreamRoundTripGoldenBytes) {
  Item* items = nullptr;
  TDynamicList list(sizeof(Item), reinterpret_cast<void**>(&items));
  const std::int32_t first = list.AddItem();
  items[first] = Item{1, 0x01020304};
  const std::int32_t second = list.AddItem();
  items[second] = Item{-1, 2};
  MemoryStream stream;
  list.SaveToStream(stream);
  const std::vector<std::uint8_t> golden = {2, 0, 0, 0, 1, 0, 0, 0, 4, 3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0};
  EXPECT_EQ(stream.Bytes, golden);
  Item* other = nullptr;
  TDynamicList back(sizeof(Item), reinterpret_cast<void**>(&other));
  back.AddItem();
  back.LoadFromStream(stream);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(other[0].b, 0x01020304);
  EXPECT_EQ(other[1].a, -1);
}

TEST(DynamicList, LoadRefusesACountLargerThanTheStreamHolds) {
  MemoryStream stream;
  stream.Bytes = {0xFF, 0xFF, 0xFF, 0x0F, 1, 2, 3};
  TDynamicList list(8, nullptr);
  EXPECT_THROW(list.LoadFromStream(stream), EInOutError);
  EXPECT_EQ(list.GetCount(), 0);
  MemoryStream negative;
  negative.Bytes = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_THROW(list.LoadFromStream(negative), EInOutError);
}

TEST(DynamicList, AssignCopiesItemsAndRefusesOtherItemSize) {
  TDynamicList a(4, nullptr), b(4, nullptr), c(8, nullptr);
  a.SetCount(3);
  std::memcpy(a.GetData(), "abcdefghijkl", 12);
  b.Assign(a);
  ASSERT_EQ(b.GetCount(), 3);
  EXPECT_EQ(std::memcmp(b.GetData(), "abcdefghijkl", 12), 0);
  EXPECT_THROW(c.Assign(a), EAssertionFailed);
}

TEST(ImageStreamClass, UnimplementedStreamingNamesTheClass) {
  TStreamClass object;
  MemoryStream stream;
  try {
    object.SaveToStream(stream);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TStreamClass.SaveToStream not implemented");
  }
  try {
    object.LoadFromStream(stream);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TStreamClass.LoadFromStream not implemented");
  }
}

TEST(ImageStreamClass, ListSavesToFileAndLoadsBack) {
  ScratchFolder folder;
  TDynamicList list(4, nullptr);
  list.SetCount(70000);
  for (int i = 0; i < 70000 * 4; ++i) list.GetData()[i] = std::uint8_t(i);
  list.SaveToFile(folder.File("list.bin"));
  EXPECT_EQ(std::filesystem::file_size(folder.File("list.bin")), 4u + 70000u * 4u);
  TDynamicList back(4, nullptr);
  back.LoadFromFile(folder.File("list.bin"));
  ASSERT_EQ(back.GetCount(), 70000);
  EXPECT_EQ(std::memcmp(back.GetData(), list.GetData(), 70000 * 4), 0);
}
