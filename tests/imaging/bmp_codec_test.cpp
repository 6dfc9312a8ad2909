#include "imaging/bmp_codec.h"

#include <gtest/gtest.h>

#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

void Put32(std::vector<std::uint8_t>& at, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[offset + i] = std::uint8_t(v >> (8 * i));
}

}  // namespace

TEST(BmpCodec, RoundTripsEveryFormatBottomUpAndTopDown) {
  for (TPixelFormat format : {pf8bit, pf24bit, pf32bit}) {
    for (bool topDown : {false, true}) {
      const TLinearBitmap source = DistinctPicture(5, 3, format);
      const std::vector<std::uint8_t> bytes = EncodeBmp(source, topDown);
      TLinearBitmap back;
      DecodeBmp(bytes.data(), bytes.size(), back);
      EXPECT_EQ(back.PixelFormat, format);
      EXPECT_EQ(back.Width, 5);
      EXPECT_EQ(back.Height, 3);
      EXPECT_EQ(Pixels(back), Pixels(source)) << int(format) << " top-down " << topDown;
      EXPECT_EQ(PaletteBytes(back), PaletteBytes(source));
    }
  }
}

TEST(BmpCodec, Writes24BitBottomUpWithRowsPaddedToFourBytes) {
  TLinearBitmap picture;
  picture.Allocate(1, 2, pf24bit);
  const std::uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};  // top row 1,2,3; bottom row 4,5,6
  std::copy(pixels, pixels + 6, picture.Map.get());
  const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
  const std::vector<std::uint8_t> golden = {
      'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,          // file header
      40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,       // size, width, height, planes, bits
      0, 0, 0, 0, 8, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0,
      4, 5, 6, 0, 1, 2, 3, 0};                                // bottom row first, padded
  EXPECT_EQ(bytes, golden);
}

TEST(BmpCodec, Reads4BitAnd1BitIndexedPicturesInto8Bit) {
  // 3 x 1 pixels, 4 bits each: indices 1, 2, 15; two palette entries used.
  std::vector<std::uint8_t> bmp(14 + 40 + 16 * 4 + 4, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put32(bmp, 10, 14 + 40 + 16 * 4);
  Put32(bmp, 14, 40);
  Put32(bmp, 18, 3);
  Put32(bmp, 22, 1);
  bmp[26] = 1;
  bmp[28] = 4;
  bmp[54 + 4] = 9;  // palette entry 1: blue 9
  bmp[118] = 0x12;
  bmp[119] = 0xF0;
  TLinearBitmap picture;
  DecodeBmp(bmp.data(), bmp.size(), picture);
  EXPECT_EQ(picture.PixelFormat, pf8bit);
  EXPECT_EQ(Pixels(picture), (std::vector<std::uint8_t>{1, 2, 15}));
  EXPECT_EQ(picture.Palette[3], 9);
}

TEST(BmpCodec, HostileHeadersRaiseAndNeverAllocateFromTheirSizes) {
  const TLinearBitmap source = DistinctPicture(4, 4, pf8bit);
  const std::vector<std::uint8_t> good = EncodeBmp(source);
  struct Case {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    std::size_t truncateTo;  // 0: keep the length
  } cases[] = {
      {"truncated pixels", 0, 0, good.size() - 5},
      {"truncated header", 0, 0, 20},
      {"huge width", 18, 0x7FFFFFFF, 0},
      {"huge height", 22, 0x40000000, 0},
      {"most negative height", 22, 0x80000000, 0},
      {"zero width", 18, 0, 0},
      {"palette larger than 256", 46, 300, 0},
      {"pixel offset past the end", 10, 0xFFFFFFF0, 0},
      {"header size past the end", 14, 0xFFFFFF00, 0},
      {"unsupported depth", 28, 16, 0},
      {"compressed", 30, 1, 0},
      {"two planes", 26, 2, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    if (c.truncateTo) {
      bytes.resize(c.truncateTo);
    } else if (c.offset == 26 || c.offset == 28) {
      bytes[c.offset] = std::uint8_t(c.value);
    } else {
      Put32(bytes, c.offset, c.value);
    }
    TLinearBitmap picture;
    EXPECT_THROW(DecodeBmp(bytes.data(), bytes.size(), picture), ELinearBitmap) << c.what;
    EXPECT_FALSE(picture.Present) << c.what;
  }
  std::vector<std::uint8_t> notBmp = good;
  notBmp[0] = 'X';
  TLinearBitmap picture;
  EXPECT_THROW(DecodeBmp(notBmp.data(), notBmp.size(), picture), EUnsupportedFileFormat);
}

TEST(BmpCodec, ThroughTheRegistryByExtension) {
  ScratchFolder folder;
  const TLinearBitmap source = DistinctPicture(7, 5, pf24bit);
  source.SaveToFile(folder.File("round.BMP"));
  TLinearBitmap back;
  back.LoadFromFile(folder.File("round.BMP"));
  EXPECT_EQ(Pixels(back), Pixels(source));
}
