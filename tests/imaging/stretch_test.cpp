#include "platform/picture/stretch.h"

#include <gtest/gtest.h>

namespace {

// A 2 x 2 picture: blue, green / red, white.
Bitmap Quad() {
  Bitmap bitmap(2, 2, pf24bit);
  const std::uint8_t pixels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  std::copy(pixels, pixels + 12, bitmap.Data());
  return bitmap;
}

}  // namespace

TEST(StretchDraw, NearestDoublesEachPixelIntoABlock) {
  const Bitmap big = StretchBitmap(Quad(), 4, 4, pf24bit);
  EXPECT_EQ(big.GetPixel(0, 0), 0xFF0000);  // blue as 0x00BBGGRR
  EXPECT_EQ(big.GetPixel(1, 1), 0xFF0000);
  EXPECT_EQ(big.GetPixel(2, 1), 0x00FF00);
  EXPECT_EQ(big.GetPixel(1, 2), 0x0000FF);
  EXPECT_EQ(big.GetPixel(3, 3), 0xFFFFFF);
}

TEST(StretchDraw, HalftoneAveragesWhatFallsUnderAPixel) {
  const Bitmap one = StretchBitmap(Quad(), 1, 1, pf24bit, TStretchMode::Halftone);
  // (255 + 0 + 0 + 255) / 4 per channel, rounded.
  EXPECT_EQ(one.GetPixel(0, 0), 0x808080);
}

TEST(StretchDraw, ConvertsFormatsOnTheWay) {
  const Bitmap grey = StretchBitmap(Quad(), 2, 2, pf8bit);
  EXPECT_EQ(grey.Data()[0], 85);   // nearest grey of pure blue
  EXPECT_EQ(grey.Data()[3], 255);
  Bitmap indexed(1, 1, pf8bit);
  indexed.Data()[0] = 7;
  indexed.GetPalette()[21] = 1;  // entry 7: blue 1, green 7, red 7
  const Bitmap wide = StretchBitmap(indexed, 1, 1, pf32bit);
  EXPECT_EQ(std::vector<std::uint8_t>(wide.Data(), wide.Data() + 4), (std::vector<std::uint8_t>{1, 7, 7, 255}));
}

TEST(StretchDraw, RectangleIsClippedToTheTargetAndEmptyInputsDrawNothing) {
  Bitmap target(3, 3, pf24bit);
  StretchDraw(target, BitmapRect{-3, -3, 3, 3}, Quad());  // only the white quarter shows
  EXPECT_EQ(target.GetPixel(0, 0), 0xFFFFFF);
  EXPECT_EQ(target.GetPixel(2, 2), 0xFFFFFF);
  Bitmap untouched(2, 2, pf24bit);
  StretchDraw(untouched, BitmapRect{0, 0, 0, 2}, Quad());
  StretchDraw(untouched, BitmapRect{0, 0, 2, 2}, Bitmap());
  EXPECT_EQ(untouched.GetPixel(0, 0), 0);
}

TEST(StretchDraw, NonSquarePictureStretchedToSquareKeepsItsCorners) {
  Bitmap wide(6, 2, pf24bit);
  wide.ScanLine(0)[0] = 9;              // top-left blue 9
  wide.ScanLine(1)[3 * 5 + 2] = 99;     // bottom-right red 99
  const Bitmap square = StretchBitmap(wide, 4, 4, pf24bit);
  EXPECT_EQ(square.GetPixel(0, 0), 9 << 16);
  EXPECT_EQ(square.GetPixel(3, 3), 99);
}
