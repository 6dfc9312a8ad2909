// The JPEG 2000 codec plug-in from the program folder, driven through the
// codec loader as the client drives it.

#include <gtest/gtest.h>

#include "imaging/image_dll_loader.h"
#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

class Jpeg2000Fixture : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy_file(JPEG2000_CODEC, FPlugins.File("jpeg2000.so"));
    ASSERT_TRUE(FLoader.ScanCodecDLLs(FPlugins.Path()));
  }
  ScratchFolder FPlugins;
  ScratchFolder FFiles;
  TImageDLLLoader FLoader;
};

}  // namespace

TEST_F(Jpeg2000Fixture, FiveByThreeColourPictureRoundTripsExactly) {
  // Distinct bytes everywhere: a swapped channel order or a wrong row stride
  // cannot go unseen.
  const TLinearBitmap source = DistinctPicture(5, 3, pf24bit);
  for (const char* ext : {"JP2", "J2K"}) {
    const std::string name = FFiles.File(std::string("round.") + ext);
    FLoader.SaveToFile(name, ext, source);
    TLinearBitmap back;
    FLoader.LoadFromFile(name, ext, back);
    ASSERT_EQ(back.PixelFormat, pf24bit) << ext;
    EXPECT_EQ(back.Width, 5);
    EXPECT_EQ(back.Height, 3);
    EXPECT_EQ(Pixels(back), Pixels(source)) << ext;
  }
}

TEST_F(Jpeg2000Fixture, SavesJp2OrRawCodestreamByExtensionAndReadsEitherByContent) {
  const TLinearBitmap source = DistinctPicture(9, 7, pf24bit);
  FLoader.SaveToFile(FFiles.File("a.jp2"), "JP2", source);
  FLoader.SaveToFile(FFiles.File("b.j2k"), "J2K", source);
  const auto jp2 = ReadBytes(FFiles.File("a.jp2"));
  const auto j2k = ReadBytes(FFiles.File("b.j2k"));
  ASSERT_GE(jp2.size(), 12u);
  ASSERT_GE(j2k.size(), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(jp2.begin() + 4, jp2.begin() + 8), (std::vector<std::uint8_t>{'j', 'P', ' ', ' '}));
  EXPECT_EQ(std::vector<std::uint8_t>(j2k.begin(), j2k.begin() + 4), (std::vector<std::uint8_t>{0xFF, 0x4F, 0xFF, 0x51}));
  // A raw codestream under a ".jp2" name, as the first-run conversion's
  // scratch file holds it.
  WriteBytes(FFiles.File("scratch.jp2"), j2k);
  TLinearBitmap back;
  FLoader.LoadFromFile(FFiles.File("scratch.jp2"), "JP2", back);
  EXPECT_EQ(Pixels(back), Pixels(source));
}

TEST_F(Jpeg2000Fixture, GreyPictureStaysGreyAndColouredPaletteIsExpanded) {
  TLinearBitmap grey = DistinctPicture(6, 4, pf8bit);
  std::copy(GreyPalette().begin(), GreyPalette().end(), grey.Palette.get());
  FLoader.SaveToFile(FFiles.File("grey.jp2"), "JP2", grey);
  TLinearBitmap back;
  FLoader.LoadFromFile(FFiles.File("grey.jp2"), "JP2", back);
  EXPECT_EQ(back.PixelFormat, pf8bit);
  EXPECT_EQ(Pixels(back), Pixels(grey));

  const TLinearBitmap indexed = DistinctPicture(6, 4, pf8bit);
  FLoader.SaveToFile(FFiles.File("indexed.jp2"), "JP2", indexed);
  FLoader.LoadFromFile(FFiles.File("indexed.jp2"), "JP2", back);
  ASSERT_EQ(back.PixelFormat, pf24bit);
  for (int i = 0; i < 24; ++i) {
    const std::uint8_t* expected = indexed.Palette.get() + 3 * indexed.Map[i];
    ASSERT_EQ(std::vector<std::uint8_t>(back.Map.get() + 3 * i, back.Map.get() + 3 * i + 3),
              std::vector<std::uint8_t>(expected, expected + 3));
  }
}

TEST_F(Jpeg2000Fixture, BrokenFilesGiveTheLoadMessages) {
  const TLinearBitmap source = DistinctPicture(16, 16, pf24bit);
  FLoader.SaveToFile(FFiles.File("good.jp2"), "JP2", source);
  const auto good = ReadBytes(FFiles.File("good.jp2"));
  WriteBytes(FFiles.File("cut.jp2"), std::vector<std::uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)));
  WriteBytes(FFiles.File("noise.jp2"), std::vector<std::uint8_t>(300, 0x5A));
  WriteBytes(FFiles.File("empty.jp2"), {});
  struct Case {
    const char* file;
    const char* message;
  } cases[] = {{"missing.jp2", "Unable to open file"},
               {"cut.jp2", "Error in bitmap data"},
               {"noise.jp2", "Error in bitmap data"},
               {"empty.jp2", "Error in bitmap data"}};
  for (const Case& c : cases) {
    TLinearBitmap picture;
    try {
      FLoader.LoadFromFile(FFiles.File(c.file), "JP2", picture);
      ADD_FAILURE() << c.file;
    } catch (const ELinearBitmap& e) {
      EXPECT_EQ(e.Message(), c.message) << c.file;
    }
    EXPECT_FALSE(picture.Present);
  }
}

TEST_F(Jpeg2000Fixture, SavingIntoAMissingFolderCannotOpenTheFile) {
  try {
    FLoader.SaveToFile(FFiles.File("no/such/folder.jp2"), "JP2", DistinctPicture(2, 2, pf24bit));
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Unable to open file");
  }
}
