#include "imaging/image_dll_loader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include "imaging/linear_bitmap.h"
#include "platform/picture/picture_formats.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

std::uint8_t PixelByte(int x, int y, int k) { return std::uint8_t((x * 16 + y * 4 + k * 64) & 0xFF); }

// A folder holding the complete fake codec, the one without LibFreeImage and
// a file that only looks like a library, scanned by a loader of its own.
class FakeCodecFixture : public ::testing::Test {
protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    fs::copy_file(FAKE_CODEC_COMPLETE, FFolder.File("a_complete.so"));
    fs::copy_file(FAKE_CODEC_NOFREE, FFolder.File("b_nofree.so"));
    WriteBytes(FFolder.File("c_junk.so"), {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    WriteBytes(FFolder.File("d_other.txt"), {'x'});
    ASSERT_TRUE(FLoader.ScanCodecDLLs(FFolder.Path()));
    // The same file opened again gives the loader's handle, so the test can
    // read the fake's counters.
    FHandle = ::dlopen(FFolder.File("a_complete.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(FHandle, nullptr);
    FLoads = reinterpret_cast<int (*)()>(::dlsym(FHandle, "FakeLoadCount"));
    FFrees = reinterpret_cast<int (*)()>(::dlsym(FHandle, "FakeFreeCount"));
    ASSERT_TRUE(FLoads && FFrees);
  }
  void TearDown() override {
    if (FHandle) ::dlclose(FHandle);
  }

  ScratchFolder FFolder;
  TImageDLLLoader FLoader;
  void* FHandle = nullptr;
  int (*FLoads)() = nullptr;
  int (*FFrees)() = nullptr;
};

}  // namespace

TEST_F(FakeCodecFixture, ScanKeepsUsableLibrariesAndDropsOneWithoutFree) {
  ASSERT_EQ(FLoader.GetLibraryCount(), 2u);
  EXPECT_NE(FLoader.GetLibrary(0).Handle, nullptr);
  EXPECT_NE(FLoader.GetLibrary(0).Path.find("a_complete.so"), std::string::npos);
  // The junk file stays as an empty record that matches nothing.
  EXPECT_EQ(FLoader.GetLibrary(1).Handle, nullptr);
  EXPECT_EQ(FLoader.GetLoadFilter(), "Fake pictures|*.fak;*.FAK;*.fk2");
  EXPECT_EQ(FLoader.GetSaveFilter(), "Fake pictures|*.fak");
  EXPECT_TRUE(FLoader.CanLoad("FK2"));
  EXPECT_FALSE(FLoader.CanSave("FK2"));
}

TEST_F(FakeCodecFixture, SecondScanRegistersNothingTwice) {
  const auto before = PictureFormats::Global().Extensions();
  EXPECT_TRUE(FLoader.ScanCodecDLLs(FFolder.Path() + "/"));
  EXPECT_EQ(FLoader.GetLibraryCount(), 2u);
  EXPECT_EQ(FLoader.GetLoadFilter(), "Fake pictures|*.fak;*.FAK;*.fk2");
  EXPECT_EQ(PictureFormats::Global().Extensions(), before);
  EXPECT_EQ(std::count(before.begin(), before.end(), "FAK"), 1);
}

TEST(ImageDLLLoader, FilterNamingAnExtensionInBothCasesGivesItOnceInUpperCase) {
  EXPECT_EQ(FilterExtensions("Fake|*.fak;*.FAK;*.fk2|Other|*.Fk2;*.a_b9"),
            (std::vector<std::string>{"FAK", "FK2", "A_B9"}));
}

TEST(ImageDLLLoader, ScanOfFolderWithoutLibrariesKeepsNothing) {
  ScratchFolder folder;
  TImageDLLLoader loader;
  EXPECT_FALSE(loader.ScanCodecDLLs(folder.Path()));
  EXPECT_FALSE(loader.ScanCodecDLLs(folder.File("missing")));
  EXPECT_EQ(loader.GetLoadFilter(), "");
  EXPECT_THROW(
      {
        TLinearBitmap picture;
        loader.LoadFromFile("x.fak", "FAK", picture);
      },
      ELinearBitmap);
}

TEST_F(FakeCodecFixture, EachFlagsCaseLoadsOrGivesItsMessageAndFreeAlwaysFollows) {
  struct Case {
    const char* options;
    TPixelFormat format;  // pfCustom: no picture
    const char* message;  // "" for none
    int planesCopied;
    bool palette;
  } cases[] = {
      {"flags=1", pf8bit, "", 1, false},
      {"flags=1;palette=1", pf8bit, "", 1, true},
      {"flags=3", pf24bit, "", 3, false},
      {"flags=3;pad=5", pf24bit, "", 3, false},
      {"flags=19", pf24bit, "", 3, false},
      {"flags=19;width=5;height=3;pad=2", pf24bit, "", 3, false},
      {"flags=18", pf24bit, "", 2, false},
      {"flags=21", pf24bit, "The image contains 5 color planes, only 3 were loaded", 3, false},
      {"flags=2", pfCustom, "Unsupported pixel format", 0, false},
      {"flags=4", pfCustom, "Unsupported pixel format", 0, false},
      {"flags=0", pfCustom, "Unsupported bitmap format", 0, false},
      {"flags=16", pfCustom, "Unsupported bitmap format", 0, false},
      {"flags=3;nodata=1", pfCustom, "Error in bitmap data", 0, false},
      {"flags=3;pad=-1", pfCustom, "Error in bitmap data", 0, false},
      {"flags=3;width=0", pfCustom, "Invalid bitmap size", 0, false},
      {"flags=1;width=70000", pfCustom, "Invalid bitmap size", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    FLoader.SetOptions(c.options);
    const int freesBefore = FFrees();
    const int loadsBefore = FLoads();
    TLinearBitmap picture;
    std::string message;
    try {
      FLoader.LoadFromFile("any.fak", "FAK", picture);
    } catch (const ELinearBitmap& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(FLoads(), loadsBefore + 1);
    EXPECT_EQ(FFrees(), freesBefore + 1) << "LibFreeImage after every successful load";
    if (c.format == pfCustom) {
      EXPECT_FALSE(picture.Present);
      continue;
    }
    ASSERT_TRUE(picture.Present);
    EXPECT_EQ(picture.PixelFormat, c.format);
    const int bpp = c.format == pf8bit ? 1 : 3;
    for (int y = 0; y < picture.Height; ++y) {
      for (int x = 0; x < picture.Width; ++x) {
        for (int k = 0; k < bpp; ++k) {
          const std::uint8_t expected = k < c.planesCopied ? PixelByte(x, y, k) : 0;
          ASSERT_EQ(picture.ScanLine(y)[x * bpp + k], expected) << x << "," << y << "," << k;
        }
      }
    }
    if (c.format == pf8bit) {
      EXPECT_EQ(picture.Palette[0], c.palette ? 255 : 0);
      EXPECT_EQ(picture.Palette[767], c.palette ? 0 : 255);
    }
  }
}

TEST_F(FakeCodecFixture, LoadResultCodesGiveTheirMessagesWithoutFree) {
  struct Case {
    int code;
    const char* message;
  } cases[] = {{2, "Unable to open file"},
               {3, "Error in bitmap data"},
               {4, "Unsupported pixel format"},
               {7, "Error in bitmap data: 7"},
               {-1, "Error in bitmap data: -1"}};
  for (const Case& c : cases) {
    FLoader.SetOptions("result=" + std::to_string(c.code));
    const int freesBefore = FFrees();
    TLinearBitmap picture;
    try {
      FLoader.LoadFromFile("any.fak", "fak", picture);
      ADD_FAILURE() << c.code;
    } catch (const ELinearBitmap& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(FFrees(), freesBefore);
  }
}

TEST_F(FakeCodecFixture, SaveResultCodesGiveTheirMessages) {
  struct Case {
    int code;
    const char* message;
  } cases[] = {{2, "Unable to open file"},
               {3, "Error encoding image"},
               {4, "Unsupported pixel format"},
               {5, "Unable to close file"},
               {9, "Error writing image file: 9"}};
  const TLinearBitmap picture = DistinctPicture(2, 2, pf24bit);
  for (const Case& c : cases) {
    FLoader.SetOptions("result=" + std::to_string(c.code));
    try {
      FLoader.SaveToFile(FFolder.File("out.fak"), "FAK", picture);
      ADD_FAILURE() << c.code;
    } catch (const ELinearBitmap& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST_F(FakeCodecFixture, SaveHandsFlagsByFormatAndReadsBackEqual) {
  FLoader.SetOptions("");
  for (TPixelFormat format : {pf8bit, pf24bit}) {
    const TLinearBitmap source = DistinctPicture(5, 3, format);
    FLoader.SaveToFile(FFolder.File("round.fak"), "FAK", source);
    const std::vector<std::uint8_t> bytes = ReadBytes(FFolder.File("round.fak"));
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes[16], format == pf8bit ? 1 : 3) << "Flags";
    TLinearBitmap back;
    FLoader.LoadFromFile(FFolder.File("round.fak"), "FAK", back);
    EXPECT_EQ(Pixels(back), Pixels(source));
    EXPECT_EQ(PaletteBytes(back), PaletteBytes(source));
  }
}

TEST_F(FakeCodecFixture, SavingUnsupportedFormatsOrExtensionsRaises) {
  TLinearBitmap wide = DistinctPicture(2, 2, pf32bit);
  try {
    FLoader.SaveToFile(FFolder.File("x.fak"), "FAK", wide);
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Unsupported pixel format");
  }
  try {
    FLoader.SaveToFile(FFolder.File("x.fk2"), "FK2", DistinctPicture(2, 2, pf24bit));
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Unsupported file format");
  }
  TLinearBitmap picture;
  EXPECT_THROW(FLoader.LoadFromFile("x.fa", "FA", picture), ELinearBitmap) << "no prefix match of FAK";
}

TEST_F(FakeCodecFixture, OverlongExtensionIsCutToTheBufferNotOverrun) {
  FLoader.SetOptions("flags=1");
  TLinearBitmap picture;
  EXPECT_THROW(FLoader.LoadFromFile("x", std::string(1000, 'F'), picture), ELinearBitmap);
}
