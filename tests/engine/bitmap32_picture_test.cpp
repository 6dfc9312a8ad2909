// Pictures of the picture layer reaching the texture bitmap, and back.
#include "engine/bitmap32.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/picture/bitmap.h"

namespace {

std::array<std::uint8_t, 4> Rgba(const TGLBitmap32& b, int x, int yFromTop) {
  const std::uint8_t* p = b.PixelAt(x, b.GetHeight() - 1 - yFromTop);
  return {p[0], p[1], p[2], p[3]};
}

TEST(Bitmap32FromPicture, EachPixelFormatGivesRgbaRowsBottomUp) {
  Bitmap indexed(4, 2, pf8bit);
  indexed.GetPalette()[3 * 7 + 0] = 30;  // blue
  indexed.GetPalette()[3 * 7 + 1] = 20;  // green
  indexed.GetPalette()[3 * 7 + 2] = 10;  // red
  indexed.ScanLine(0)[1] = 7;

  Bitmap rgb(4, 2, pf24bit);
  rgb.ScanLine(0)[3] = 30, rgb.ScanLine(0)[4] = 20, rgb.ScanLine(0)[5] = 10;

  Bitmap rgba(4, 2, pf32bit);
  rgba.ScanLine(0)[4] = 30, rgba.ScanLine(0)[5] = 20, rgba.ScanLine(0)[6] = 10, rgba.ScanLine(0)[7] = 99;

  struct Case {
    const char* label;
    const Bitmap* picture;
    std::uint8_t alpha;
  } cases[] = {{"8-bit", &indexed, 255}, {"24-bit", &rgb, 255}, {"32-bit", &rgba, 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TGLBitmap32 b;
    b.Assign(*c.picture);
    ASSERT_EQ(b.GetWidth(), 4);
    ASSERT_EQ(b.GetHeight(), 2);
    EXPECT_EQ(Rgba(b, 1, 0), (std::array<std::uint8_t, 4>{10, 20, 30, c.alpha}));
    // The top row of the picture is the last row of the buffer.
    EXPECT_EQ(b.PixelAt(1, 1)[0], 10);
    EXPECT_EQ(b.PixelAt(1, 0)[0], 0);
  }
}

TEST(Bitmap32FromPicture, WidthIsStretchedToAMultipleOfFourAndEmptyEmpties) {
  Bitmap picture(5, 3, pf24bit);
  TGLBitmap32 b;
  b.Assign(picture);
  EXPECT_EQ(b.GetWidth(), 8);
  EXPECT_EQ(b.GetDataSize(), 96);
  b.Assign(Bitmap());
  EXPECT_TRUE(b.IsEmpty());
}

TEST(Bitmap32FromPicture, CreateBitmapGivesTheSamePixelsBack) {
  Bitmap picture(4, 2, pf32bit);
  for (std::size_t i = 0; i < picture.DataSize(); ++i) picture.Data()[i] = static_cast<std::uint8_t>(i * 7);
  TGLBitmap32 b;
  b.Assign(picture);
  const Bitmap back = b.CreateBitmap();
  EXPECT_EQ(back.GetPixelFormat(), pf32bit);
  EXPECT_EQ(back, picture);
  EXPECT_TRUE(TGLBitmap32().CreateBitmap().GetEmpty());
}

}  // namespace
