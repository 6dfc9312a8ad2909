// Pictures stretched as their rows come: the same pixels as stretching the
// whole picture after, from the row stretcher itself and through the BMP and
// JPEG decoders, and a large picture read small without its own size in
// memory.
#include "imaging/picture_rows.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

Bitmap ToBitmap(const TLinearBitmap& picture) {
  Bitmap bitmap;
  picture.AssignTo(bitmap);
  return bitmap;
}

// Stretches a whole picture through the row stretcher, top row first.
Bitmap StretchedByRows(const Bitmap& source, int width, int height, TPixelFormat format, TStretchMode mode) {
  RowStretcher stretcher(source.GetWidth(), source.GetHeight(), source.GetPixelFormat(), source.GetPalette(), width,
                         height, format, mode);
  for (int y = 0; y < source.GetHeight(); ++y) stretcher.AddRow(source.ScanLine(y));
  EXPECT_TRUE(stretcher.Complete());
  return stretcher.TakeResult();
}

// StretchDraw pixel by pixel onto a whole new bitmap: what the row
// stretcher (and StretchBitmap through it) must give.
Bitmap Drawn(const Bitmap& source, int width, int height, TPixelFormat format, TStretchMode mode) {
  Bitmap target(width, height, format);
  StretchDraw(target, BitmapRect{0, 0, width, height}, source, mode);
  return target;
}

TEST(RowStretcher, GivesWhatStretchingTheWholePictureGives) {
  struct Case {
    int sourceWidth, sourceHeight, width, height;
  } cases[] = {
      {16, 16, 4, 4},     // a whole reduction
      {17, 13, 5, 4},     // boxes that share their edge rows and columns
      {300, 200, 256, 171},
      {300, 200, 256, 256},  // narrower and taller at once
      {3, 2, 7, 5},       // enlarged
      {1, 9, 1, 2},
      {9, 1, 4, 3},
      {5, 5, 5, 5},
      {64, 3, 1, 1},
  };
  for (const Case& c : cases)
    for (TPixelFormat from : {pf8bit, pf24bit, pf32bit})
      for (TPixelFormat to : {pf8bit, pf24bit, pf32bit})
        for (TStretchMode mode : {TStretchMode::ColorOnColor, TStretchMode::Halftone}) {
          SCOPED_TRACE(testing::Message() << c.sourceWidth << "x" << c.sourceHeight << " to " << c.width << "x"
                                          << c.height << " from " << int(from) << " to " << int(to) << " mode "
                                          << int(mode));
          const Bitmap source = ToBitmap(DistinctPicture(c.sourceWidth, c.sourceHeight, from));
          const Bitmap drawn = Drawn(source, c.width, c.height, to, mode);
          EXPECT_EQ(StretchedByRows(source, c.width, c.height, to, mode), drawn);
          EXPECT_EQ(StretchBitmap(source, c.width, c.height, to, mode), drawn);
        }
}

TEST(RowStretcher, RowsThatNeverCameStayBlackAndExtraRowsAreIgnored) {
  const Bitmap source = ToBitmap(DistinctPicture(4, 4, pf24bit));
  RowStretcher half(4, 4, pf24bit, Bitmap::GreyPalette(), 4, 4, pf24bit, TStretchMode::ColorOnColor);
  half.AddRow(source.ScanLine(0));
  half.AddRow(source.ScanLine(1));
  EXPECT_FALSE(half.Complete());
  const Bitmap result = half.TakeResult();
  EXPECT_EQ(result.GetPixel(0, 1), source.GetPixel(0, 1));
  EXPECT_EQ(result.GetPixel(0, 2), 0);

  RowStretcher all(4, 4, pf24bit, Bitmap::GreyPalette(), 2, 2, pf24bit, TStretchMode::Halftone);
  for (int y = 0; y < 4; ++y) all.AddRow(source.ScanLine(y));
  all.AddRow(source.ScanLine(0));
  EXPECT_EQ(all.TakeResult(), StretchBitmap(source, 2, 2, pf24bit, TStretchMode::Halftone));
  EXPECT_THROW(RowStretcher(0, 4, pf24bit, Bitmap::GreyPalette(), 2, 2, pf24bit, TStretchMode::Halftone),
               EInvalidGraphic);
  EXPECT_THROW(RowStretcher(4, 4, pfCustom, Bitmap::GreyPalette(), 2, 2, pf24bit, TStretchMode::Halftone),
               EInvalidGraphic);
}

// The plan a test asks for, and the sizes the decoder declared and began.
TStretchPlanner Plan(std::optional<TStretchPlan> plan) {
  return [plan](int, int) { return plan; };
}

TEST(StretchedPicture, BmpRowsGiveTheWholePictureStretched) {
  for (TPixelFormat format : {pf8bit, pf24bit, pf32bit})
    for (bool topDown : {false, true})
      for (TStretchMode mode : {TStretchMode::ColorOnColor, TStretchMode::Halftone}) {
        SCOPED_TRACE(testing::Message() << int(format) << " top-down " << topDown << " mode " << int(mode));
        const TLinearBitmap source = DistinctPicture(23, 17, format);
        const std::vector<std::uint8_t> bytes = EncodeBmp(source, topDown);
        TStretchedPicture rows(Plan(TStretchPlan{7, 5, pf24bit, mode}));
        DecodeBmp(bytes.data(), bytes.size(), rows);
        ASSERT_TRUE(rows.Plan());
        EXPECT_EQ(rows.TakeStretched(), StretchBitmap(ToBitmap(source), 7, 5, pf24bit, mode));
      }
}

TEST(StretchedPicture, WithoutAPlanTheRowsAreKeptAsTheFileHoldsThem) {
  const TLinearBitmap source = DistinctPicture(6, 4, pf8bit);
  const std::vector<std::uint8_t> bytes = EncodeBmp(source);
  TStretchedPicture rows(Plan(std::nullopt));
  DecodeBmp(bytes.data(), bytes.size(), rows);
  EXPECT_FALSE(rows.Plan());
  EXPECT_TRUE(rows.TakeStretched().GetEmpty());
  const TLinearBitmap kept = rows.TakeWhole();
  EXPECT_EQ(kept.PixelFormat, pf8bit);
  EXPECT_EQ(Pixels(kept), Pixels(source));
  EXPECT_EQ(PaletteBytes(kept), PaletteBytes(source));
}

// A colour JPEG of smooth gradients, so that a scaled decode and a full one
// agree within a few levels.
std::vector<std::uint8_t> GradientJpeg(int width, int height) {
  TLinearBitmap picture;
  picture.Allocate(width, height, pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture.ScanLine(y) + 3 * x;
      p[0] = std::uint8_t(40 + 150 * x / width);
      p[1] = std::uint8_t(60 + 120 * y / height);
      p[2] = std::uint8_t(90);
    }
  return EncodeJpeg(picture, 95);
}

int LargestDifference(const Bitmap& a, const Bitmap& b) {
  int largest = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const std::uint32_t p = std::uint32_t(a.GetPixel(x, y)), q = std::uint32_t(b.GetPixel(x, y));
      for (int shift : {0, 8, 16}) largest = std::max(largest, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
    }
  return largest;
}

TEST(StretchedPicture, JpegAveragedIsDecodedScaledDownButNeverBelowThePlan) {
  const std::vector<std::uint8_t> bytes = GradientJpeg(640, 480);
  TLinearBitmap whole;
  DecodeJpeg(bytes.data(), bytes.size(), whole);
  struct Case {
    int width, height, decodedWidth;  // libjpeg's scale: the smallest N/8 not below the plan
  } cases[] = {{160, 120, 160}, {150, 100, 160}, {161, 120, 240}, {400, 300, 400}, {640, 480, 640}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    struct Watch : TStretchedPicture {
      using TStretchedPicture::TStretchedPicture;
      void Begin(int width, int height, TPixelFormat format, const std::uint8_t* palette) override {
        began = width;
        TStretchedPicture::Begin(width, height, format, palette);
      }
      int began = 0;
    } rows(Plan(TStretchPlan{c.width, c.height, pf24bit, TStretchMode::Halftone}));
    DecodeJpeg(bytes.data(), bytes.size(), rows);
    EXPECT_EQ(rows.began, c.decodedWidth);
    const Bitmap stretched = rows.TakeStretched();
    ASSERT_EQ(stretched.GetWidth(), c.width);
    ASSERT_EQ(stretched.GetHeight(), c.height);
    EXPECT_LE(LargestDifference(stretched, StretchBitmap(ToBitmap(whole), c.width, c.height, pf24bit,
                                                         TStretchMode::Halftone)),
              6);
  }
}

TEST(StretchedPicture, JpegNearestIsDecodedWholeSoItsPixelsAreTheWholePicturesOwn) {
  const std::vector<std::uint8_t> bytes = GradientJpeg(300, 200);
  TLinearBitmap whole;
  DecodeJpeg(bytes.data(), bytes.size(), whole);
  TStretchedPicture rows(Plan(TStretchPlan{64, 43, pf24bit, TStretchMode::ColorOnColor}));
  DecodeJpeg(bytes.data(), bytes.size(), rows);
  EXPECT_EQ(rows.TakeStretched(), StretchBitmap(ToBitmap(whole), 64, 43, pf24bit));
}

TEST(StretchedPicture, AReceiverThatRefusesStopsTheJpegDecodeWithItsOwnFailure) {
  const std::vector<std::uint8_t> bytes = GradientJpeg(64, 48);
  struct Refusing : TPictureRows {
    void Begin(int, int, TPixelFormat, const std::uint8_t*) override {}
    void Row(const std::uint8_t*) override {
      if (++rows == 3) throw ELinearBitmap("enough rows");
    }
    int rows = 0;
  } refusing;
  EXPECT_THROW(
      {
        try {
          DecodeJpeg(bytes.data(), bytes.size(), refusing);
        } catch (const ELinearBitmap& e) {
          EXPECT_EQ(e.Message(), "enough rows");
          throw;
        }
      },
      ELinearBitmap);
  EXPECT_EQ(refusing.rows, 3);
}

}  // namespace
