// The developer's height dump: the source's 257 x 257 heights as a grey
// picture, each height h becoming h / 128 + 128 held within 0..255, row 0 at
// the top, written as a BMP file.
#include "shell/core/developer_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "imaging/image_library.h"
#include "objects/height_data_custom.h"
#include "platform/picture/bitmap.h"

namespace {

// Whole steps of 128 plus a little (within 16 bits): x - y + 128 after the
// conversion, so a swapped axis or a picture upside down shows.
int Height(int x, int y) { return std::clamp(128 * (x - y) + 10, -32768, 32767); }
int Grey(int x, int y) { return std::clamp(x - y + 128, 0, 255); }

class HeightDump : public ::testing::Test {
protected:
  HeightDump() {
    source.OnStartPreparingData = [](THeightData* tile) {
      tile->Allocate(hvtSmallInt);
      for (int y = 0; y < tile->GetSize(); ++y)
        for (int x = 0; x < tile->GetSize(); ++x)
          tile->SmallIntRaster()[y][x] = static_cast<std::int16_t>(Height(tile->GetXLeft() + x, tile->GetYTop() + y));
    };
  }
  TGLCustomHDS source;
};

TEST_F(HeightDump, PictureHoldsEveryHeightAsItsGreyLevel) {
  const Bitmap picture = HeightsPicture(source);
  ASSERT_EQ(picture.GetWidth(), 257);
  ASSERT_EQ(picture.GetHeight(), 257);
  ASSERT_EQ(picture.GetPixelFormat(), pf8bit);
  int wrong = 0;
  for (int y = 0; y < 257; ++y)
    for (int x = 0; x < 257; ++x)
      if (picture.ScanLine(y)[x] != Grey(x, y) && ++wrong < 5)
        ADD_FAILURE() << "at " << x << "," << y << ": " << int(picture.ScanLine(y)[x]) << " for " << Grey(x, y);
  EXPECT_EQ(wrong, 0);
  // Held at both ends: far below and far above the picture's range.
  EXPECT_EQ(picture.ScanLine(256)[0], 0);
  EXPECT_EQ(picture.ScanLine(0)[256], 255);
}

TEST_F(HeightDump, SourceWithoutDataGivesABlackPicture) {
  TGLCustomHDS empty;  // its tiles stay without samples
  const Bitmap picture = HeightsPicture(empty, 8);
  ASSERT_EQ(picture.GetWidth(), 8);
  EXPECT_TRUE(std::all_of(picture.Data(), picture.Data() + picture.DataSize(), [](std::uint8_t v) { return v == 0; }));
}

TEST_F(HeightDump, FileIsABmpOfThePicture) {
  StartImageLibrary();
  const std::filesystem::path folder = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "height_dump";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "fist.bmp").string();
  SaveHeightsPicture(source, file);
  std::ifstream stream(file, std::ios::binary);
  Bitmap read;
  read.LoadFromStream(stream);
  ASSERT_EQ(read.GetWidth(), 257);
  ASSERT_EQ(read.GetHeight(), 257);
  for (auto [x, y] : {std::pair{0, 0}, {128, 0}, {200, 17}, {17, 200}, {256, 256}})
    EXPECT_EQ(read.GetPixel(x, y) & 0xFF, Grey(x, y)) << x << "," << y;
  // A folder that does not exist: an error, and no file.
  EXPECT_ANY_THROW(SaveHeightsPicture(source, (folder / "missing" / "fist.bmp").string()));
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

}  // namespace
