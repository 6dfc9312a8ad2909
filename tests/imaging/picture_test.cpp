// The picture layer with the image library's formats registered in it: the
// way the engine's textures load pictures without knowing the library.

#include "platform/picture/picture.h"

#include <gtest/gtest.h>

#include <sstream>

#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "imaging/linear_graphic.h"
#include "imaging/linear_bitmap.h"
#include "platform/picture/picture_formats.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

class PictureFixture : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    StartImageLibrary();
    ImageDLLLoader().ScanCodecDLLs(CLIENT_PROGRAM_DIR);
  }
  ScratchFolder FFolder;
};

}  // namespace

TEST_F(PictureFixture, LibraryRegistersItsFormatsWithThePictureLayer) {
  for (const char* ext : {"BMP", "JPG", "JPEG", "JP2", "J2K"}) {
    EXPECT_NE(PictureFormats::Global().Find(ext), nullptr) << ext;
  }
  EXPECT_NE(PictureFormats::Global().Find(".jp2"), nullptr);
  EXPECT_EQ(PictureFormats::Global().Find("XYZ"), nullptr);
}

TEST_F(PictureFixture, PictureLoadsEveryRegisteredFormatIntoItsBitmap) {
  const TLinearBitmap source = DistinctPicture(5, 3, pf24bit);
  for (const char* name : {"p.bmp", "p.JP2", "p.j2k"}) {
    source.SaveToFile(FFolder.File(name));
    Picture picture;
    int changes = 0;
    picture.OnChange = [&](Picture&) { ++changes; };
    picture.LoadFromFile(FFolder.File(name));
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(picture.GetWidth(), 5) << name;
    EXPECT_EQ(picture.GetBitmap().GetPixelFormat(), pf24bit);
    EXPECT_EQ(std::vector<std::uint8_t>(picture.GetBitmap().Data(), picture.GetBitmap().Data() + 45), Pixels(source))
        << name;
  }
}

TEST_F(PictureFixture, PictureSavesThroughTheFormatOfTheExtension) {
  Bitmap bitmap(3, 2, pf24bit);
  for (std::size_t i = 0; i < bitmap.DataSize(); ++i) bitmap.Data()[i] = std::uint8_t(i * 9);
  Picture picture;
  picture.SetBitmap(bitmap);
  picture.SaveToFile(FFolder.File("saved.jp2"));
  TLinearBitmap back;
  back.LoadFromFile(FFolder.File("saved.jp2"));
  EXPECT_EQ(Pixels(back), std::vector<std::uint8_t>(bitmap.Data(), bitmap.Data() + bitmap.DataSize()));
}

TEST_F(PictureFixture, UnknownExtensionRaisesAndFailedLoadKeepsThePicture) {
  Picture picture;
  picture.SetBitmap(Bitmap(2, 2, pf8bit));
  try {
    picture.LoadFromFile(FFolder.File("a.XyZ"));
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  WriteBytes(FFolder.File("broken.bmp"), {'B', 'M', 1, 2, 3});
  EXPECT_THROW(picture.LoadFromFile(FFolder.File("broken.bmp")), Exception);
  EXPECT_EQ(picture.GetWidth(), 2);
}

TEST_F(PictureFixture, BitmapStreamsCarryTheBmpForm) {
  Bitmap bitmap(4, 3, pf8bit);
  for (std::size_t i = 0; i < bitmap.DataSize(); ++i) bitmap.Data()[i] = std::uint8_t(i * 21);
  bitmap.GetPalette()[3] = 200;
  std::stringstream stream;
  bitmap.SaveToStream(stream);
  EXPECT_EQ(stream.str().substr(0, 2), "BM");
  Bitmap back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back, bitmap);
}

TEST_F(PictureFixture, BitmapGetPixelGivesColourOrInvalidOutside) {
  Bitmap bitmap(2, 1, pf24bit);
  bitmap.Data()[3] = 0x10;  // blue
  bitmap.Data()[4] = 0x20;
  bitmap.Data()[5] = 0x30;  // red
  EXPECT_EQ(bitmap.GetPixel(1, 0), 0x102030);
  EXPECT_EQ(bitmap.GetPixel(2, 0), -1);
  EXPECT_EQ(bitmap.GetPixel(0, -1), -1);
}

TEST(PictureFormats, RepeatedRegistrationKeepsTheFirst) {
  PictureFormats formats;
  PictureFormat a;
  a.Extension = "qq";
  a.Description = "first";
  PictureFormat b = a;
  b.Description = "second";
  EXPECT_TRUE(formats.Register(a));
  EXPECT_FALSE(formats.Register(b));
  ASSERT_NE(formats.Find("QQ"), nullptr);
  EXPECT_EQ(formats.Find(".Qq")->Description, "first");
  EXPECT_TRUE(formats.Unregister("qq"));
  EXPECT_EQ(formats.Find("QQ"), nullptr);
}

TEST(LinearGraphic, SettingTheWidthOfAnEmptyGraphicLeavesItEmpty) {
  TLinearGraphic graphic;
  graphic.SetWidth(10);
  EXPECT_TRUE(graphic.GetEmpty());
  EXPECT_EQ(graphic.GetHeight(), 0);
  graphic.GetBitmap() = DistinctPicture(2, 2, pf24bit);
  graphic.SetWidth(4);
  EXPECT_EQ(graphic.GetWidth(), 4);
  EXPECT_EQ(graphic.GetBitmap().ScanLine(0)[3 * 3], 0) << "new columns are black";
}
