#include "engine/xcollection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

class TTestBehaviour : public TXCollectionItem {
  CLIENT_DECLARE_CLASS(TTestBehaviour)
public:
  std::string FriendlyName() const override { return "Test behaviour"; }
  void Loaded() override { ++loaded; }
  int loaded = 0;
};
CLIENT_DEFINE_CLASS(TTestBehaviour, TXCollectionItem)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TTestBehaviour);

class TUniqueBehaviour : public TXCollectionItem {
  CLIENT_DECLARE_CLASS(TUniqueBehaviour)
public:
  std::string FriendlyName() const override { return "Unique"; }
  bool UniqueItem() const override { return true; }
};
CLIENT_DEFINE_CLASS(TUniqueBehaviour, TXCollectionItem)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TUniqueBehaviour);

class TUniqueChild : public TUniqueBehaviour {
  CLIENT_DECLARE_CLASS(TUniqueChild)
public:
  std::string FriendlyName() const override { return "Unique child"; }
  bool UniqueItem() const override { return false; }
};
CLIENT_DEFINE_CLASS(TUniqueChild, TUniqueBehaviour)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TUniqueChild);

// Gives the collections an owner with a name path.
class TPathOwner : public TPersistent {
  CLIENT_DECLARE_CLASS(TPathOwner)
public:
  std::string GetNamePath() const override { return "P"; }
};
CLIENT_DEFINE_CLASS(TPathOwner, TPersistent)

Bytes Write(const TXCollection& c) {
  TMemoryStream stream;
  TBinaryWriter writer(stream);
  c.WriteToFiler(writer);
  return stream.Bytes();
}

void Read(TXCollection& c, const Bytes& bytes) {
  TMemoryStream stream(bytes);
  TBinaryReader reader(stream);
  c.ReadFromFiler(reader);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kClassName{0x06, 14, 'T', 'T', 'e', 's', 't', 'B', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r'};
}  // namespace

TEST(XCollection, RegistryFindsClassesByExactName) {
  EXPECT_EQ(FindXCollectionItemClass("TTestBehaviour"), &TTestBehaviour::StaticClass());
  EXPECT_EQ(FindXCollectionItemClass("ttestbehaviour"), nullptr);
  RegisterXCollectionItemClass(TTestBehaviour::StaticClass());  // a second time changes nothing
  UnregisterXCollectionItemClass(TTestBehaviour::StaticClass());
  EXPECT_EQ(FindXCollectionItemClass("TTestBehaviour"), nullptr);
  RegisterXCollectionItemClass(TTestBehaviour::StaticClass());
  EXPECT_NE(FindXCollectionItemClass("TTestBehaviour"), nullptr);
}

TEST(XCollection, TwoItemsOfOneClassStreamAsNameThenIndex) {
  TXCollection c;
  c.AddNew<TTestBehaviour>();
  c.AddNew<TTestBehaviour>().SetName("second");
  const Bytes expected = Cat({{0x02, 0x02},
                              kClassName,
                              {0x02, 0x00, 0x06, 14, 'T', 'e', 's', 't', ' ', 'b', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r'},
                              {0x02, 0x00},
                              {0x02, 0x00, 0x06, 6, 's', 'e', 'c', 'o', 'n', 'd'}});
  EXPECT_EQ(Write(c), expected);

  TXCollection read;
  read.AddNew<TUniqueBehaviour>();
  Read(read, expected);  // replaces the items
  ASSERT_EQ(read.GetCount(), 2);
  EXPECT_TRUE(read[0]->Is<TTestBehaviour>());
  EXPECT_EQ(read[0]->GetName(), "Test behaviour");
  EXPECT_EQ(read[1]->GetName(), "second");
  EXPECT_EQ(read[1]->GetOwner(), &read);
  read.Loaded();
  EXPECT_EQ(static_cast<TTestBehaviour*>(read[1])->loaded, 1);
}

TEST(XCollection, DamagedStreamsRaise) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::string message_start;
  } cases[] = {
      {"unknown class", {0x02, 0x01, 0x06, 0x04, 'T', 'N', 'o', 'p'},
       "Class TNop unknown. Add the relevant unit to your \"uses\"."},
      {"class index beyond the table", {0x02, 0x01, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00}, "Broken XCollection archive"},
      {"negative count", {0x02, 0xFF}, "Broken XCollection archive"},
      {"wrong item version", Cat({{0x02, 0x01}, kClassName, {0x02, 0x01, 0x06, 0x00}}), "Assertion failure"},
      {"count larger than the stream", Cat({{0x04, 0xFF, 0xFF, 0xFF, 0x7F}, kClassName, {0x02, 0x00, 0x06, 0x00}}),
       "Stream read error"},
      {"two unique items",
       {0x02, 0x02, 0x06, 16, 'T', 'U', 'n', 'i', 'q', 'u', 'e', 'B', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r', 0x02,
        0x00, 0x06, 0x00, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00},
       "Assertion failure"},
      {"wrong value type for the class", {0x02, 0x01, 0x09}, "TBinaryReader, read type error"},
  };
  for (const Case& c : cases) {
    TXCollection collection;
    try {
      Read(collection, c.bytes);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind(c.message_start, 0), 0u) << c.what << ": " << e.Message();
    }
  }
}

TEST(XCollection, UniqueItemsAreRefusedTable) {
  TXCollection c;
  EXPECT_TRUE(c.CanAdd(TUniqueBehaviour::StaticClass()));
  c.AddNew<TUniqueBehaviour>();
  EXPECT_FALSE(c.CanAdd(TUniqueBehaviour::StaticClass()));
  EXPECT_FALSE(c.CanAdd(TUniqueChild::StaticClass()));  // descendant of a unique class present
  EXPECT_TRUE(c.CanAdd(TTestBehaviour::StaticClass()));
  EXPECT_THROW(c.AddNew<TUniqueBehaviour>(), EAssertionFailed);
  EXPECT_THROW(c.Add(std::make_unique<TUniqueChild>()), EAssertionFailed);
  EXPECT_EQ(c.GetCount(), 1);

  TXCollection d;
  d.AddNew<TUniqueChild>();
  // A unique class is refused when one of its descendants is present.
  EXPECT_FALSE(d.CanAdd(TUniqueBehaviour::StaticClass()));
  EXPECT_TRUE(d.CanAdd(TUniqueChild::StaticClass()));
}

TEST(XCollection, MovingAnItemUpdatesBothCounts) {
  TXCollection a, b;
  TTestBehaviour& item = a.AddNew<TTestBehaviour>();
  a.AddNew<TTestBehaviour>();
  EXPECT_EQ(b.Add(item), 0);
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_EQ(b.GetCount(), 1);
  EXPECT_EQ(item.GetOwner(), &b);
  EXPECT_EQ(item.Index(), 0);
  std::unique_ptr<TXCollectionItem> out = b.Extract(item);
  EXPECT_EQ(b.GetCount(), 0);
  EXPECT_EQ(out->Index(), -1);
  a.Add(std::move(out));
  EXPECT_EQ(a.GetCount(), 2);
  a.Delete(0);
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_EQ(a[0], &item);
  EXPECT_THROW(a.GetItems(3), EListError);
}

TEST(XCollection, NamePathsFollowTheOwner) {
  TPathOwner owner;
  TXCollection c(&owner);
  for (int i = 0; i < 3; ++i) c.AddNew<TTestBehaviour>();
  EXPECT_EQ(c.GetNamePath(), "P.XCollection");
  EXPECT_EQ(c[2]->GetNamePath(), "P.XCollection[2]");
  TTestBehaviour lone;
  EXPECT_EQ(lone.GetNamePath(), "TTestBehaviour");
}

TEST(XCollection, AssignCopiesItemsByClassAndSelfAssignKeepsThem) {
  TXCollection a, b;
  a.AddNew<TTestBehaviour>().SetName("x");
  a.AddNew<TUniqueBehaviour>();
  b.AddNew<TTestBehaviour>();
  b.Assign(&a);
  ASSERT_EQ(b.GetCount(), 2);
  EXPECT_EQ(b[0]->GetName(), "x");
  EXPECT_TRUE(b[1]->Is<TUniqueBehaviour>());
  EXPECT_NE(b[0], a[0]);
  a.Assign(&a);
  EXPECT_EQ(a.GetCount(), 2);
  b.Assign(nullptr);
  EXPECT_EQ(b.GetCount(), 0);
}

TEST(XCollection, DestroyEventSeesEachCollection) {
  std::vector<TXCollection*> seen;
  XCollectionDestroyEvent() = [&](TXCollection* c) { seen.push_back(c); };
  TXCollection* address = nullptr;
  {
    TXCollection c;
    address = &c;
  }
  XCollectionDestroyEvent() = nullptr;
  EXPECT_EQ(seen, std::vector<TXCollection*>{address});
}

TEST(XCollection, ItemFreedDirectlyLeavesItsCollection) {
  TXCollection c;
  c.AddNew<TTestBehaviour>();
  std::unique_ptr<TXCollectionItem> item = std::make_unique<TTestBehaviour>();
  TXCollectionItem* raw = item.get();
  c.Add(std::move(item));
  EXPECT_EQ(c.GetCount(), 2);
  std::unique_ptr<TXCollectionItem> back = c.Extract(*raw);
  back.reset();
  EXPECT_EQ(c.GetCount(), 1);
  EXPECT_EQ(c.IndexOfClass(TTestBehaviour::StaticClass()), 0);
  EXPECT_EQ(c.GetByClass(TUniqueBehaviour::StaticClass()), nullptr);
}
