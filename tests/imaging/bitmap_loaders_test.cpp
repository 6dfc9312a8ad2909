#include "imaging/bitmap_loaders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

using namespace imaging;

namespace {

// A file-pair loader that records the name it was given and fills a 1 x 1
// picture with its tag.
class TaggedLoader : public TBitmapLoader {
public:
  TaggedLoader(std::string filter, std::uint8_t tag) : FFilter(std::move(filter)), FTag(tag) {}
  std::string GetLoadFilter() const override { return FFilter; }
  void LoadFromFile(const std::string& fileName, const std::string&, TLinearBitmap& bitmap) override {
    SeenFile = fileName;
    SeenBytes = ReadBytes(fileName);
    bitmap.Allocate(1, 1, pf8bit);
    bitmap.Map[0] = FTag;
  }
  void SaveToFile(const std::string& fileName, const std::string&, const TLinearBitmap&) override {
    SeenFile = fileName;
    WriteBytes(fileName, {'s', 'a', 'v', 'e', 'd'});
  }
  std::string SeenFile;
  std::vector<std::uint8_t> SeenBytes;

private:
  std::string FFilter;
  std::uint8_t FTag;
};

// An endless stream of one byte value.
class EndlessStream : public TBaseStream {
public:
  EndlessStream() { FCanRead = true; }
  std::int32_t Read(void* buffer, std::int32_t count) override {
    std::memset(buffer, 'x', std::size_t(count));
    return count;
  }
  std::int64_t Available() override { return 1 << 30; }
};

class BytesStream : public TBaseStream {
public:
  explicit BytesStream(std::vector<std::uint8_t> bytes) : Bytes(std::move(bytes)) { FCanRead = FCanWrite = true; }
  std::int32_t Read(void* buffer, std::int32_t count) override {
    const std::int32_t n = std::min<std::int32_t>(count, std::int32_t(Bytes.size() - At));
    std::memcpy(buffer, Bytes.data() + At, std::size_t(n));
    At += std::size_t(n);
    return n;
  }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    Bytes.insert(Bytes.end(), p, p + count);
    return count;
  }
  std::int64_t Available() override { return std::int64_t(Bytes.size() - At); }
  std::vector<std::uint8_t> Bytes;
  std::size_t At = 0;
};

// Points TMPDIR at a private folder for the test's lifetime.
class BitmapLoaderTempFiles : public ::testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    FOld = old ? old : "";
    FHadOld = old != nullptr;
    ::setenv("TMPDIR", FFolder.Path().c_str(), 1);
  }
  void TearDown() override {
    if (FHadOld) ::setenv("TMPDIR", FOld.c_str(), 1);
    else ::unsetenv("TMPDIR");
  }
  std::size_t FilesLeft() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(FFolder.Path())) ++n;
    return n;
  }
  ScratchFolder FFolder;
  std::string FOld;
  bool FHadOld = false;
};

}  // namespace

TEST(BitmapLoader, CanLoadMatchesWholeExtensionsOnly) {
  TaggedLoader loader("JPEG 2000|*.jp2;*.J2K", 1);
  struct Case {
    const char* ext;
    bool loads;
  } cases[] = {{"JP2", true}, {"jp2", true}, {"J2K", true}, {"JP", false}, {"J", false}, {"", false}, {"2", false}};
  for (const Case& c : cases) EXPECT_EQ(loader.CanLoad(c.ext), c.loads) << c.ext;
  EXPECT_TRUE(loader.CanSave("JP2")) << "the save filter is the load filter by default";
}

TEST(BitmapLoaders, FirstRegisteredLoaderOfAnExtensionIsUsed) {
  TaggedLoader first("Q|*.qq2", 11), second("Q too|*.qq2", 22);
  RegisterLoader(&first);
  RegisterLoader(&second);
  EXPECT_EQ(&FindLoader("qq2"), &first);
  UnregisterLoader(&first);
  EXPECT_EQ(&FindLoader("QQ2"), &second);
  UnregisterLoader(&second);
  try {
    FindLoader("qq2");
    FAIL();
  } catch (const EUnsupportedFileFormat& e) {
    EXPECT_EQ(e.Message(), "Unsupported file format: QQ2");
  }
  EXPECT_THROW(FindSaver("QQ2"), EUnsupportedFileFormat);
}

TEST_F(BitmapLoaderTempFiles, StreamLoadGoesThroughAPrivateTemporaryFileThatIsDeleted) {
  TaggedLoader loader("Q|*.qq3", 7);
  BytesStream stream({1, 2, 3, 4, 5});
  TLinearBitmap picture;
  loader.LoadFromStream(stream, "QQ3", picture);
  EXPECT_EQ(picture.Map[0], 7);
  EXPECT_EQ(loader.SeenBytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  const std::string name = std::filesystem::path(loader.SeenFile).filename().string();
  EXPECT_EQ(std::filesystem::path(loader.SeenFile).parent_path(), std::filesystem::path(FFolder.Path()));
  EXPECT_EQ(name.rfind("img", 0), 0u) << name;
  EXPECT_EQ(name.size(), std::string("imgXXXXXX.QQ3").size()) << name;
  EXPECT_EQ(FilesLeft(), 0u);
}

TEST_F(BitmapLoaderTempFiles, TwoStreamLoadsNeverShareATemporaryName) {
  TaggedLoader loader("Q|*.qq3", 7);
  TLinearBitmap picture;
  BytesStream a({1}), b({2});
  loader.LoadFromStream(a, "QQ3", picture);
  const std::string first = loader.SeenFile;
  loader.LoadFromStream(b, "QQ3", picture);
  EXPECT_NE(loader.SeenFile, first);
}

TEST_F(BitmapLoaderTempFiles, StreamSaveCopiesTheSavedFileIntoTheStream) {
  TaggedLoader loader("Q|*.qq3", 7);
  BytesStream stream({});
  TLinearBitmap picture = DistinctPicture(1, 1, pf24bit);
  loader.SaveToStream(stream, "QQ3", picture);
  EXPECT_EQ(stream.Bytes, (std::vector<std::uint8_t>{'s', 'a', 'v', 'e', 'd'}));
  EXPECT_EQ(FilesLeft(), 0u);
}

TEST_F(BitmapLoaderTempFiles, StreamLongerThan100MiBIsRefusedNotCut) {
  TaggedLoader loader("Q|*.qq3", 7);
  EndlessStream endless;
  TLinearBitmap picture;
  try {
    loader.LoadFromStream(endless, "QQ3", picture);
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Picture stream longer than 104857600 bytes");
  }
  EXPECT_TRUE(loader.SeenFile.empty()) << "nothing was loaded from a cut stream";
  EXPECT_FALSE(picture.Present);
  EXPECT_EQ(FilesLeft(), 0u);
  EXPECT_TRUE(endless.GetStrict());
}

TEST_F(BitmapLoaderTempFiles, HostileExtensionCannotLeaveTheTemporaryFolder) {
  TaggedLoader loader("Q|*.qq3", 7);
  BytesStream stream({1});
  TLinearBitmap picture;
  loader.LoadFromStream(stream, "../../etc/x", picture);
  EXPECT_EQ(std::filesystem::path(loader.SeenFile).parent_path(), std::filesystem::path(FFolder.Path()));
  EXPECT_EQ(loader.SeenFile.find(".."), std::string::npos);
}

TEST(BitmapLoaders, ProgramFolderEndsWithSeparatorAndHoldsTheTestProgram) {
  const std::string folder = LibraryProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "imaging_tests"));
}
