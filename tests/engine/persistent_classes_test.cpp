#include "engine/persistent_classes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/application_file_io.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A small persistent class: version 0 then one integer.
class TFilerTestItem : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TFilerTestItem)
public:
  TFilerTestItem() = default;
  explicit TFilerTestItem(int value) : Value(value) {}
  void WriteToFiler(TVirtualWriter& writer) const override {
    TPersistentObject::WriteToFiler(writer);
    writer.WriteInteger(0);
    writer.WriteInteger(Value);
  }
  void ReadFromFiler(TVirtualReader& reader) override {
    TPersistentObject::ReadFromFiler(reader);
    const int version = reader.ReadInteger();
    if (version != 0) RaiseFilerException(version);
    Value = reader.ReadInteger();
  }
  int Value = 0;
};
CLIENT_DEFINE_CLASS(TFilerTestItem, TPersistentObject)
CLIENT_REGISTER_CLASS(TFilerTestItem);

// A class with a file signature ahead of its data.
class TSignedTestObject : public TFilerTestItem {
  CLIENT_DECLARE_CLASS(TSignedTestObject)
public:
  std::string FileSignature() const override { return "ABCD"; }
};
CLIENT_DEFINE_CLASS(TSignedTestObject, TFilerTestItem)

// Not persistent, and a persistent class that is not registered.
class TPlainTestObject : public TObject {
  CLIENT_DECLARE_CLASS(TPlainTestObject)
};
CLIENT_DEFINE_CLASS(TPlainTestObject, TObject)
CLIENT_REGISTER_CLASS(TPlainTestObject);

// Frees what a list holds at the end of a test: the list does not own it.
struct OwnedList {
  TPersistentObjectList list;
  ~OwnedList() { list.FreeItemsAndClear(); }
};

Bytes Archive(const TPersistentObject& object) {
  TMemoryStream stream;
  object.SaveToStream(stream);
  return stream.Bytes();
}

void Load(TPersistentObject& object, const Bytes& bytes) {
  TMemoryStream stream(bytes);
  object.LoadFromStream(stream);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kClassName = {0x06, 14, 'T', 'F', 'i', 'l', 'e', 'r', 'T', 'e', 's', 't', 'I', 't', 'e', 'm'};

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no exception";
}
}  // namespace

TEST(PersistentObjectList, WritesClassNameOnceThenItsIndex) {
  OwnedList owned;
  owned.list.Add(nullptr);
  owned.list.Add(new TFilerTestItem(7));
  owned.list.Add(new TFilerTestItem(300));
  const Bytes expected = Cat({{0x02, 0x00, 0x01},
                              {0x08, 0x02, 0x00},
                              kClassName,
                              {0x02, 0x00, 0x02, 0x07},
                              {0x02, 0x00},
                              {0x02, 0x00, 0x03, 0x2C, 0x01},
                              {0x00}});
  EXPECT_EQ(Archive(owned.list), expected);

  OwnedList read;
  Load(read.list, expected);
  ASSERT_EQ(read.list.GetCount(), 3);
  EXPECT_EQ(read.list[0], nullptr);
  ASSERT_TRUE(read.list[1]->Is<TFilerTestItem>());
  EXPECT_EQ(static_cast<TFilerTestItem*>(read.list[1])->Value, 7);
  EXPECT_EQ(static_cast<TFilerTestItem*>(read.list[2])->Value, 300);
  EXPECT_NE(read.list[1], read.list[2]);
}

TEST(PersistentObjectList, ReadIntoNonEmptyListReplacesItems) {
  OwnedList source;
  source.list.Add(new TFilerTestItem(1));
  source.list.Add(new TFilerTestItem(2));
  OwnedList target;
  TFilerTestItem keep(99);
  target.list.Add(&keep);
  target.list.Assign(&source.list);
  target.list.Remove(&keep);  // must already be gone
  ASSERT_EQ(target.list.GetCount(), 2);
  EXPECT_EQ(static_cast<TFilerTestItem*>(target.list[1])->Value, 2);
  EXPECT_NE(target.list[0], source.list[0]);  // a copy, not the same objects
}

TEST(PersistentObjectList, DamagedArchivesRaiseFilerErrors) {
  const Bytes head{0x02, 0x00, 0x01};
  struct Case {
    const char* what;
    Bytes bytes;
    std::string message;
  } cases[] = {
      {"class index beyond the table", Cat({head, {0x02, 0x00}, {0x02, 0x00, 0x02, 0x07}, {0x00}}),
       "Broken ObjectList archive"},
      {"negative class index", Cat({head, kClassName, {0x02, 0x00, 0x02, 0x07}, {0x02, 0xFF}, {0x00}}),
       "Broken ObjectList archive"},
      {"raw pointer item", Cat({head, {0x09, 0x04, 0x78, 0x56, 0x34, 0x12}, {0x00}}), "Broken ObjectList archive"},
      {"unexpected tag", Cat({head, {0x05}, {0x00}}), "Broken ObjectList archive"},
      {"unknown class", Cat({head, {0x06, 0x05, 'T', 'N', 'o', 'p', 'e'}, {0x00}}), "Class TNope not found"},
      {"class that is not persistent",
       Cat({head, {0x06, 16, 'T', 'P', 'l', 'a', 'i', 'n', 'T', 'e', 's', 't', 'O', 'b', 'j', 'e', 'c', 't'}, {0x00}}),
       "Broken ObjectList archive"},
      {"unknown version", {0x02, 0x03, 0x01, 0x00}, "TPersistentObjectList : unknown archive version 3"},
      {"unknown item version", Cat({head, kClassName, {0x02, 0x01, 0x02, 0x07}, {0x00}}),
       "TFilerTestItem : unknown archive version 1"},
      {"no list end", Cat({head, {0x08, 0x02, 0x00}}), "Stream read error"},
  };
  for (const Case& c : cases) {
    OwnedList owned;
    EXPECT_EQ(MessageOf([&] { Load(owned.list, c.bytes); }), c.message) << c.what;
  }
}

TEST(PersistentObjectList, EveryTruncationRaises) {
  OwnedList source;
  source.list.Add(new TFilerTestItem(5));
  source.list.Add(nullptr);
  source.list.Add(new TFilerTestItem(-40000));
  const Bytes full = Archive(source.list);
  for (size_t n = 0; n < full.size(); ++n) {
    OwnedList owned;
    EXPECT_THROW(Load(owned.list, Bytes(full.begin(), full.begin() + n)), EFilerException) << n;
  }
}

TEST(PersistentObjectList, OnlyPersistentItemsCanBeWritten) {
  TPersistentObjectList list;
  TPlainTestObject plain;
  list.Add(&plain);
  EXPECT_THROW(Archive(list), EAssertionFailed);
}

TEST(PersistentObjectList, ReaderCallsTheAfterCreateHook) {
  OwnedList source;
  source.list.Add(new TFilerTestItem(3));
  TStringStream stream(source.list.SaveToString());
  TBinaryReader reader(stream);
  OwnedList target;
  std::vector<TObject*> created;
  target.list.ReadFromFilerWithEvent(reader, [&](TObject* o) { created.push_back(o); });
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0], target.list[0]);
}

TEST(PersistentObjectList, GrowsByDeltaAndKeepsOrderOnDelete) {
  TPersistentObjectList list;
  TFilerTestItem items[20];
  list.Add(&items[0]);
  EXPECT_EQ(list.GetCapacity(), 16);
  for (int i = 1; i < 17; ++i) list.Add(&items[i]);
  EXPECT_EQ(list.GetCapacity(), 32);
  list.Delete(0);
  EXPECT_EQ(list[0], &items[1]);
  EXPECT_EQ(list.IndexOf(&items[16]), 15);
  EXPECT_EQ(list.IndexOf(&items[19]), -1);
  EXPECT_EQ(list.Remove(&items[2]), 1);
  EXPECT_EQ(list.Remove(&items[2]), -1);
  EXPECT_EQ(list.Pop(), &items[16]);
  list.SetCapacity(3);
  EXPECT_EQ(list.GetCount(), 3);
  list.SetCount(5);
  EXPECT_EQ(list[4], nullptr);
  EXPECT_EQ(MessageOf([&] { list.Delete(5); }), "Invalid list index");
  EXPECT_THROW(list.GetItems(-1), EListError);
  list.Clear();
  EXPECT_EQ(list.GetCapacity(), 0);
  EXPECT_EQ(list.Pop(), nullptr);
}

TEST(PersistentObjectList, SortsAscendingByCompare) {
  TFilerTestItem items[6] = {TFilerTestItem(5), TFilerTestItem(1), TFilerTestItem(4),
                             TFilerTestItem(1), TFilerTestItem(9), TFilerTestItem(0)};
  TPersistentObjectList list;
  for (auto& i : items) list.Add(&i);
  list.Sort([](TObject* a, TObject* b) {
    return static_cast<TFilerTestItem*>(a)->Value - static_cast<TFilerTestItem*>(b)->Value;
  });
  for (int i = 1; i < list.GetCount(); ++i)
    EXPECT_LE(static_cast<TFilerTestItem*>(list[i - 1])->Value, static_cast<TFilerTestItem*>(list[i])->Value);
}

TEST(PersistentObject, WrongSignatureRaisesBeforeAnyDataIsRead) {
  TSignedTestObject source;
  source.Value = 12;
  Bytes bytes = Archive(source);
  ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "ABCD");
  TSignedTestObject loaded;
  Load(loaded, bytes);
  EXPECT_EQ(loaded.Value, 12);

  bytes[3] = 'E';
  TMemoryStream stream(bytes);
  TSignedTestObject damaged;
  EXPECT_EQ(MessageOf([&] { damaged.LoadFromStream(stream); }), "Invalid file signature");
  EXPECT_EQ(stream.GetPosition(), 4);
  EXPECT_EQ(damaged.Value, 0);
}

TEST(PersistentObject, AssignAndCloneCopyThroughAnArchive) {
  TFilerTestItem a(42);
  TFilerTestItem b;
  b.Assign(&a);
  EXPECT_EQ(b.Value, 42);
  const std::unique_ptr<TPersistentObject> clone = a.CreateClone();
  ASSERT_TRUE(clone->Is<TFilerTestItem>());
  EXPECT_EQ(static_cast<TFilerTestItem&>(*clone).Value, 42);
  TPersistentObjectList other;
  EXPECT_EQ(MessageOf([&] { b.Assign(&other); }), "Cannot assign a TPersistentObjectList to a TFilerTestItem");
  EXPECT_EQ(MessageOf([&] { b.Assign(nullptr); }), "Cannot assign a nil to a TFilerTestItem");
  TFilerTestItem c(5);
  c.LoadFromString(a.SaveToString());
  EXPECT_EQ(c.Value, 42);
}

TEST(PersistentObject, FilesGoThroughTheStreamFactory) {
  const std::filesystem::path dir = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "persistent_classes";
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "item.bin").string();
  TFilerTestItem a(-7);
  a.SaveToFile(name);
  TFilerTestItem b;
  b.LoadFromFile(name);
  EXPECT_EQ(b.Value, -7);
  EXPECT_THROW(b.LoadFromFile((dir / "missing.bin").string()), EFOpenError);

  // The file-access component's event comes second to the hook.
  std::vector<std::string> opened;
  {
    TApplicationFileIO io;
    io.OnFileStream = [&](const std::string& file_name, uint16_t mode) -> std::unique_ptr<TStream> {
      opened.push_back("event:" + file_name);
      EXPECT_EQ(mode, fmOpenRead | fmShareDenyNone);
      return std::make_unique<TStringStream>(TFilerTestItem(11).SaveToString());
    };
    TFilerTestItem c;
    c.LoadFromFile("virtual.bin");
    EXPECT_EQ(c.Value, 11);
    AFIOCreateFileStreamHook() = [&](const std::string& file_name, uint16_t) -> std::unique_ptr<TStream> {
      opened.push_back("hook:" + file_name);
      return std::make_unique<TStringStream>(TFilerTestItem(22).SaveToString());
    };
    c.LoadFromFile("other.bin");
    EXPECT_EQ(c.Value, 22);
    AFIOCreateFileStreamHook() = nullptr;
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"event:virtual.bin", "hook:other.bin"}));
  EXPECT_EQ(TApplicationFileIO::Current(), nullptr);
}

namespace {
class TTestDataFile : public TDataFile {
  CLIENT_DECLARE_CLASS(TTestDataFile)
public:
  using TDataFile::TDataFile;
  void LoadFromStream(TStream& stream) override {
    text.assign(static_cast<size_t>(stream.GetSize()), '\0');
    stream.ReadBuffer(text.data(), text.size());
  }
  std::string text;
};
CLIENT_DEFINE_CLASS(TTestDataFile, TDataFile)
}  // namespace

TEST(DataFile, LoadSetsResourceNameAndBaseCannotExport) {
  const std::filesystem::path dir = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "persistent_classes";
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "data.txt").string();
  {
    TFileStream out(name, fmCreate);
    out.WriteBuffer("hello", 5);
  }
  TTestDataFile file;
  file.LoadFromFile(name);
  EXPECT_EQ(file.text, "hello");
  EXPECT_EQ(file.GetResourceName(), "data.txt");
  const std::string message = MessageOf([&] { file.SaveToFile((dir / "out.txt").string()); });
  EXPECT_EQ(message.rfind("Export for TTestDataFile not available. (", 0), 0u) << message;
  TPersistentObjectList owner;
  const std::unique_ptr<TDataFile> copy = file.CreateCopy(&owner);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Is<TTestDataFile>());
  EXPECT_EQ(copy->GetOwner(), &owner);
  EXPECT_EQ(copy->Capabilities(), dfcRead);
}
