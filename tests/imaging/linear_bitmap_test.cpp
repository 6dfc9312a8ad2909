#include "imaging/linear_bitmap.h"

#include <gtest/gtest.h>

#include "tests/imaging/imaging_test_support.h"

TEST(LinearBitmap, CreatedEmpty) {
  TLinearBitmap picture;
  EXPECT_FALSE(picture.Present);
  EXPECT_EQ(picture.PixelFormat, pfCustom);
  EXPECT_EQ(picture.Size, 0);
}

TEST(LinearBitmap, AllocateSetsGeometryPerFormat) {
  struct Case {
    TPixelFormat format;
    int bytesPerLine;
  } cases[] = {{pf8bit, 5}, {pf24bit, 15}, {pf32bit, 20}};
  for (const Case& c : cases) {
    TLinearBitmap picture;
    picture.Allocate(5, 3, c.format);
    EXPECT_TRUE(picture.Present);
    EXPECT_EQ(picture.BytesPerLine, c.bytesPerLine);
    EXPECT_EQ(picture.Size, c.bytesPerLine * 3);
    EXPECT_EQ(picture.Palette != nullptr, c.format == pf8bit);
    EXPECT_EQ(picture.ScanLine(2), picture.Map.get() + 2 * c.bytesPerLine);
  }
}

TEST(LinearBitmap, AllocateWithCurrentSizeAndFormatKeepsThePixels) {
  TLinearBitmap picture = DistinctPicture(4, 4, pf24bit);
  const auto before = Pixels(picture);
  const std::uint8_t* map = picture.Map.get();
  picture.Allocate(4, 4, pf24bit);
  EXPECT_EQ(picture.Map.get(), map);
  EXPECT_EQ(Pixels(picture), before);
}

TEST(LinearBitmap, FailedAllocateLeavesThePictureUnchanged) {
  struct Case {
    int width, height;
    TPixelFormat format;
    const char* message;
  } cases[] = {
      {4, 4, pf16bit, "Unsupported pixel format"},
      {4, 4, pfCustom, "Unsupported pixel format"},
      {0, 4, pf24bit, "Invalid bitmap size"},
      {4, -1, pf24bit, "Invalid bitmap size"},
      {65536, 1, pf8bit, "Invalid bitmap size"},
      {60000, 60000, pf32bit, "Invalid bitmap size"},  // 14 GB: would overflow a 32-bit size
  };
  for (const Case& c : cases) {
    TLinearBitmap picture = DistinctPicture(3, 2, pf24bit);
    const auto before = Pixels(picture);
    try {
      picture.Allocate(c.width, c.height, c.format);
      ADD_FAILURE() << c.width << "x" << c.height;
    } catch (const ELinearBitmap& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(picture.Width, 3);
    EXPECT_EQ(picture.PixelFormat, pf24bit);
    EXPECT_EQ(Pixels(picture), before);
  }
}

TEST(LinearBitmap, ClearToColorTable) {
  struct Case {
    TPixelFormat format;
    std::uint32_t colour;
    std::vector<std::uint8_t> firstPixel;
  } cases[] = {
      {pf8bit, 0x0000FF, {85}},              // pure red: (2 * 255) / 6
      {pf24bit, 0x112233, {0x11, 0x22, 0x33}},  // blue, green, red
      {pf32bit, 0x0000FF, {85, 85, 85, 85}},
      {pf24bit, 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TLinearBitmap picture = DistinctPicture(2, 2, c.format);
    picture.ClearToColor(c.colour);
    const int bpp = picture.BytesPerLine / 2;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(std::vector<std::uint8_t>(picture.Map.get() + i * bpp, picture.Map.get() + (i + 1) * bpp),
                c.firstPixel);
    }
  }
}

TEST(LinearBitmap, ResizeCanvasOfEmptyPictureMakesGreyPalettePictureInColourGrey) {
  TLinearBitmap picture;
  picture.ResizeCanvas(3, 2, 0, 0, 0x0000FF);
  EXPECT_EQ(picture.PixelFormat, pf8bit);
  EXPECT_EQ(PaletteBytes(picture), std::vector<std::uint8_t>(GreyPalette().begin(), GreyPalette().end()));
  EXPECT_EQ(Pixels(picture), std::vector<std::uint8_t>(6, 85));
}

TEST(LinearBitmap, ResizeCanvasOffsetsTable) {
  // A 4 x 2 pf8bit picture with pixel (x, y) = 10 * y + x + 1; fill colour 0.
  struct Case {
    int width, height, dx, dy;
    std::vector<std::uint8_t> expected;
  } cases[] = {
      {4, 2, -2, 0, {3, 4, 0, 0, 13, 14, 0, 0}},   // first two columns dropped, last two filled
      {4, 2, 2, 1, {0, 0, 0, 0, 0, 0, 1, 2}},
      {5, 3, 1, 1, {0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 11, 12, 13, 14}},
      {2, 1, 0, 0, {1, 2}},
      {4, 2, 9, 0, {0, 0, 0, 0, 0, 0, 0, 0}},      // moved entirely off the right
      {4, 2, -9, 0, {0, 0, 0, 0, 0, 0, 0, 0}},     // and off the left
      {4, 2, 0, -5, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TLinearBitmap picture;
    picture.Allocate(4, 2, pf8bit);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) picture.ScanLine(y)[x] = std::uint8_t(10 * y + x + 1);
    picture.ResizeCanvas(c.width, c.height, c.dx, c.dy, 0);
    EXPECT_EQ(picture.Width, c.width);
    EXPECT_EQ(Pixels(picture), c.expected) << c.dx << "," << c.dy;
  }
}

TEST(LinearBitmap, ResizeCanvasToNothingClears) {
  TLinearBitmap picture = DistinctPicture(3, 3, pf24bit);
  picture.ResizeCanvas(0, 5, 0, 0, 0);
  EXPECT_FALSE(picture.Present);
}

TEST(LinearBitmap, AssignCopiesAndEmptySourceClears) {
  TLinearBitmap source = DistinctPicture(3, 2, pf8bit);
  TLinearBitmap target;
  target.Assign(source);
  EXPECT_EQ(Pixels(target), Pixels(source));
  EXPECT_EQ(PaletteBytes(target), PaletteBytes(source));
  EXPECT_NE(target.Map.get(), source.Map.get());
  TLinearBitmap empty;
  target.Assign(empty);
  EXPECT_FALSE(target.Present);
}

TEST(LinearBitmap, AssignFromForeignObjectNamesBothClasses) {
  class TOther : public TAssignObject {
  public:
    std::string ClassName() const override { return "TOther"; }
  } other;
  TLinearBitmap picture;
  try {
    picture.Assign(other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign TOther to TLinearBitmap");
  }
}

TEST(LinearBitmap, BitmapRoundTripKeepsPixelsAndPalette) {
  for (TPixelFormat format : {pf8bit, pf24bit, pf32bit}) {
    const TLinearBitmap source = DistinctPicture(5, 3, format);
    Bitmap bitmap;
    source.AssignTo(bitmap);
    EXPECT_EQ(bitmap.GetPixelFormat(), format);
    TLinearBitmap back;
    back.AssignFromBitmap(bitmap);
    EXPECT_EQ(Pixels(back), Pixels(source));
    EXPECT_EQ(PaletteBytes(back), PaletteBytes(source));
  }
}

TEST(LinearBitmap, AssignToBitmapFromEmptyPictureEmptiesTheTarget) {
  Bitmap bitmap(4, 4, pf24bit);
  TLinearBitmap empty;
  empty.AssignTo(bitmap);
  EXPECT_TRUE(bitmap.GetEmpty());
}

TEST(LinearBitmap, CopyToBitmapExpands8BitThroughPaletteAndRefusesOtherPairs) {
  TLinearBitmap picture;
  picture.Allocate(2, 1, pf8bit);
  picture.Map[0] = 1;
  picture.Map[1] = 2;
  std::fill(picture.Palette.get(), picture.Palette.get() + 768, 0);
  const std::uint8_t one[3] = {10, 20, 30}, two[3] = {40, 50, 60};
  std::copy(one, one + 3, picture.Palette.get() + 3);
  std::copy(two, two + 3, picture.Palette.get() + 6);
  Bitmap wide(2, 1, pf24bit);
  picture.CopyToBitmap(wide);
  EXPECT_EQ(std::vector<std::uint8_t>(wide.Data(), wide.Data() + 6),
            (std::vector<std::uint8_t>{10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(wide.GetPixel(1, 0), 60 | 50 << 8 | 40 << 16);
  Bitmap other(2, 1, pf32bit);
  EXPECT_THROW(picture.CopyToBitmap(other), ELinearBitmap);
}

TEST(LinearBitmap, FileExtensionTable) {
  struct Case {
    const char* name;
    const char* ext;
  } cases[] = {{"maps/a.jp2", "JP2"},      {"a.b.Bmp", "BMP"},   {"noext", ""},
               {"dir.d/file", ""},         {"dir.d\\file", ""},  {"c:.x:y", ""},
               {"trailing.", ""}};
  for (const Case& c : cases) EXPECT_EQ(BitmapFileExtension(c.name), c.ext) << c.name;
}

TEST(LinearBitmap, SwapRedBlueExchangesTheOuterBytes) {
  EXPECT_EQ(SwapRedBlue(0x00112233u), 0x00332211u);
  EXPECT_EQ(SwapRedBlue(0xAA0000FFu), 0xAAFF0000u);
}

TEST(LinearBitmap, LoadWithUnknownExtensionRaisesUnsupportedFileFormat) {
  TLinearBitmap picture = DistinctPicture(2, 2, pf24bit);
  try {
    picture.LoadFromFile("picture.xyz");
    FAIL();
  } catch (const EUnsupportedFileFormat& e) {
    EXPECT_EQ(e.Message(), "Unsupported file format: XYZ");
  }
}

TEST(LinearBitmap, MovedFromPictureIsEmpty) {
  TLinearBitmap source = DistinctPicture(3, 2, pf8bit);
  const auto pixels = Pixels(source);
  TLinearBitmap target = std::move(source);
  EXPECT_EQ(Pixels(target), pixels);
  EXPECT_FALSE(source.Present);  // NOLINT(bugprone-use-after-move): the state is specified
  EXPECT_EQ(source.Map, nullptr);
  EXPECT_EQ(source.PixelFormat, pfCustom);
}

TEST(LinearBitmap, OnePixelPicturePaintsOntoTheWholeRectangle) {
  TLinearBitmap dot;
  dot.Allocate(1, 1, pf24bit);
  dot.Map[0] = 1;
  dot.Map[1] = 2;
  dot.Map[2] = 3;
  for (bool smooth : {false, true}) {
    Bitmap canvas(3, 2, pf32bit);
    dot.PaintToCanvas(canvas, BitmapRect{0, 0, 3, 2}, smooth);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.GetPixel(x, y), 3 | 2 << 8 | 1 << 16);
  }
}

TEST(LinearBitmap, AssignFrom32BitBitmapConvertsTo24BitAndKeepsOthers) {
  Bitmap wide(2, 1, pf32bit);
  const std::uint8_t bgra[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::copy(bgra, bgra + 8, wide.Data());
  TLinearBitmap picture;
  picture.Assign(wide);
  EXPECT_EQ(picture.PixelFormat, pf24bit);
  EXPECT_EQ(Pixels(picture), (std::vector<std::uint8_t>{1, 2, 3, 5, 6, 7}));
  picture.AssignFromBitmap(wide);
  EXPECT_EQ(picture.PixelFormat, pf32bit);
  Bitmap indexed(2, 1, pf8bit);
  picture.Assign(indexed);
  EXPECT_EQ(picture.PixelFormat, pf8bit);
}
