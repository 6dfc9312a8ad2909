// The texture bitmap's conversions and pixel operations, without GL.
#include "engine/bitmap32.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine/engine_errors.h"
#include "engine/gl_recorder.h"
#include "platform/base/assertion.h"

namespace {

using Pixel = std::array<std::uint8_t, 4>;

Pixel At(const TGLBitmap32& b, int x, int y) {
  const std::uint8_t* p = b.PixelAt(x, y);
  return {p[0], p[1], p[2], p[3]};
}

// A top-down 24-bit picture whose pixel (x, y) is blue x, green y, red 9.
std::vector<std::uint8_t> Gradient24(int w, int h) {
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &pixels[(std::size_t(y) * w + x) * 3];
      p[0] = std::uint8_t(x);
      p[1] = std::uint8_t(y);
      p[2] = 9;
    }
  return pixels;
}

RasterView View24(const std::vector<std::uint8_t>& pixels, int w, int h) {
  return RasterView{w, h, 24, w * 3, pixels.data(), nullptr};
}

TEST(GLBitmap32, FiveWidePictureIsStretchedToEightAndStoredBottomUp) {
  const auto pixels = Gradient24(5, 3);
  TGLBitmap32 b;
  b.Assign(View24(pixels, 5, 3));
  EXPECT_EQ(b.GetWidth(), 8);
  EXPECT_EQ(b.GetHeight(), 3);
  EXPECT_EQ(b.GetDataSize(), 96);
  // Nearest source column of each of the 8: x * 5 / 8.
  const int columns[8] = {0, 0, 1, 1, 2, 3, 3, 4};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(At(b, x, 0), (Pixel{9, 2, std::uint8_t(columns[x]), 255})) << x;
  // Buffer row 0 is the picture's bottom row (y = 2).
  EXPECT_EQ(At(b, 0, 2)[1], 0);
}

TEST(GLBitmap32, VerticalReverseReadsThePictureFromItsBottomRow) {
  const auto pixels = Gradient24(4, 3);
  TGLBitmap32 b;
  b.SetVerticalReverse(true);
  b.Assign(View24(pixels, 4, 3));
  EXPECT_EQ(b.GetWidth(), 4);
  EXPECT_EQ(At(b, 3, 0), (Pixel{9, 0, 3, 255}));
  EXPECT_EQ(At(b, 3, 2), (Pixel{9, 2, 3, 255}));
}

TEST(GLBitmap32, ThirtyTwoBitPicturesKeepAlphaAndIndexedOnesGoThroughThePalette) {
  const std::uint8_t bgra[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  TGLBitmap32 b;
  b.Assign(RasterView{4, 1, 32, 16, bgra, nullptr});
  EXPECT_EQ(At(b, 0, 0), (Pixel{3, 2, 1, 4}));
  EXPECT_EQ(At(b, 3, 0), (Pixel{15, 14, 13, 16}));

  std::vector<std::uint8_t> palette(768, 0);
  palette[3 * 2 + 0] = 30;  // entry 2: blue 30, green 20, red 10
  palette[3 * 2 + 1] = 20;
  palette[3 * 2 + 2] = 10;
  const std::uint8_t indices[] = {2, 0, 2, 0};
  b.Assign(RasterView{4, 1, 8, 4, indices, palette.data()});
  EXPECT_EQ(At(b, 0, 0), (Pixel{10, 20, 30, 255}));
  EXPECT_EQ(At(b, 1, 0), (Pixel{0, 0, 0, 255}));
}

TEST(GLBitmap32, MalformedOrEmptyPicturesAreHandled) {
  TGLBitmap32 b;
  const std::uint8_t row[12] = {};
  EXPECT_THROW(b.Assign(RasterView{4, 1, 16, 8, row, nullptr}), EConvertError);
  EXPECT_THROW(b.Assign(RasterView{4, 1, 24, 6, row, nullptr}), EConvertError);  // row too short
  EXPECT_THROW(b.Assign(RasterView{4, 1, 24, 12, nullptr, nullptr}), EConvertError);
  EXPECT_THROW(b.Assign(RasterView{4, 1, 8, 4, row, nullptr}), EConvertError);  // no palette
  b.Assign(RasterView{4, 1, 24, 12, row, nullptr});
  EXPECT_FALSE(b.IsEmpty());
  b.Assign(RasterView{0, 5, 24, 0, nullptr, nullptr});
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetDataSize(), 0);
  EXPECT_EQ(b.GetData(), nullptr);
}

TEST(GLBitmap32, AssignCopiesAndNilEmpties) {
  const auto pixels = Gradient24(4, 2);
  TGLBitmap32 a, b;
  a.Assign(View24(pixels, 4, 2));
  b.Assign(&a);
  EXPECT_EQ(b.GetWidth(), 4);
  EXPECT_EQ(b.GetDataSize(), 32);
  EXPECT_EQ(At(b, 2, 1), At(a, 2, 1));
  b.Assign(static_cast<const TGLBitmap32*>(nullptr));
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetWidth(), 0);
}

TEST(GLBitmap32, WidthIsRoundedUpToFourAndNegativeSizesAssert) {
  TGLBitmap32 b;
  b.SetWidth(5);
  EXPECT_EQ(b.GetWidth(), 8);
  EXPECT_TRUE(b.IsEmpty());
  b.SetHeight(3);
  EXPECT_EQ(b.GetDataSize(), 96);
  EXPECT_THROW(b.SetWidth(-1), EAssertionFailed);
  EXPECT_THROW(b.SetHeight(-4), EAssertionFailed);
}

TEST(GLBitmap32, Create32BitsBitmapIsTopDownBlueGreenRedAlpha) {
  const std::uint8_t bgra[] = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TGLBitmap32 b;
  b.Assign(RasterView{4, 2, 32, 16, bgra, nullptr});
  const RasterBuffer out = b.Create32BitsBitmap();
  ASSERT_EQ(out.Pixels.size(), 32u);
  EXPECT_EQ(out.Width, 4);
  EXPECT_EQ(std::vector<std::uint8_t>(out.Pixels.begin(), out.Pixels.begin() + 4),
            (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(std::vector<std::uint8_t>(out.Pixels.begin() + 16, out.Pixels.begin() + 20),
            (std::vector<std::uint8_t>{5, 6, 7, 8}));
}

TEST(GLBitmap32, AlphaOperations) {
  // One pixel per case: R, G, B, A before, then the alpha each operation gives.
  struct Case {
    Pixel in;
    std::uint8_t fromIntensity, sqrtIntensity, transparentFor10_20_30, inverted;
  };
  const Case cases[] = {
      {{0, 0, 0, 77}, 0, 0, 255, 178},
      {{255, 255, 255, 0}, 255, 255, 255, 255},
      {{10, 20, 30, 0}, 20, 71, 0, 255},  // the key colour, whatever its alpha
      {{10, 20, 30, 200}, 20, 71, 0, 55},
      {{10, 20, 31, 0}, 20, 71, 255, 255},
      {{64, 64, 64, 5}, 64, 128, 255, 250},
  };
  for (const Case& c : cases) {
    TGLBitmap32 b;
    b.SetWidth(4);
    b.SetHeight(1);
    auto reset = [&] { std::copy(c.in.begin(), c.in.end(), b.PixelAt(0, 0)); };
    reset();
    b.SetAlphaFromIntensity();
    EXPECT_EQ(At(b, 0, 0)[3], c.fromIntensity);
    reset();
    b.SqrtAlphaFromIntensity();
    EXPECT_EQ(At(b, 0, 0)[3], c.sqrtIntensity);
    reset();
    b.SetAlphaTransparentForColor(std::uint8_t(10), std::uint8_t(20), std::uint8_t(30));
    EXPECT_EQ(At(b, 0, 0)[3], c.transparentFor10_20_30);
    reset();
    b.SetAlphaTransparentForRGB(PackRGB(10, 20, 30));
    EXPECT_EQ(At(b, 0, 0)[3], c.transparentFor10_20_30);
    reset();
    b.SetAlphaTransparentForColor(std::uint32_t(0x001E140A));  // a Windows colour 0x00BBGGRR
    EXPECT_EQ(At(b, 0, 0)[3], c.transparentFor10_20_30);
    reset();
    b.InvertAlpha();
    EXPECT_EQ(At(b, 0, 0)[3], c.inverted);
    b.SetAlphaToValue(33);
    EXPECT_EQ(At(b, 0, 0), (Pixel{c.in[0], c.in[1], c.in[2], 33}));
  }
}

TEST(GLBitmap32, SystemColoursResolveToTheFixedScheme) {
  EXPECT_EQ(ColorToRGB(0x80000005), PackRGB(255, 255, 255));  // window background
  EXPECT_EQ(ColorToRGB(0x80000018), PackRGB(255, 255, 225));  // tooltip background
  EXPECT_EQ(ColorToRGB(0x00123456), 0x00123456u);
  EXPECT_EQ(RedOf(PackRGB(1, 2, 3)), 1);
  EXPECT_EQ(GreenOf(PackRGB(1, 2, 3)), 2);
  EXPECT_EQ(BlueOf(PackRGB(1, 2, 3)), 3);
}

TEST(GLBitmap32, GammaOneKeepsPixelsAndBelowATenthUsesExponentTen) {
  TGLBitmap32 b;
  b.SetWidth(256);
  b.SetHeight(1);
  for (int i = 0; i < 256; ++i) {
    std::uint8_t* p = b.PixelAt(i, 0);
    p[0] = p[1] = p[2] = std::uint8_t(i);
    p[3] = std::uint8_t(255 - i);
  }
  TGLBitmap32 same(b);
  same.GammaCorrection(1.0f);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(At(same, i, 0), At(b, i, 0)) << i;

  TGLBitmap32 dark(b);
  dark.GammaCorrection(0.05f);
  EXPECT_EQ(At(dark, 230, 0), (Pixel{91, 91, 91, 25}));  // 255 * (230/255)^10, alpha untouched
  EXPECT_EQ(At(dark, 255, 0)[0], 255);
  TGLBitmap32 bright(b);
  bright.GammaCorrection(2.0f);
  EXPECT_EQ(At(bright, 64, 0)[1], 128);  // 255 * sqrt(64/255)
  EXPECT_THROW(b.GammaCorrection(0.0f), EAssertionFailed);
}

TEST(GLBitmap32, BrightnessScalesColourAndClamps) {
  TGLBitmap32 b;
  b.SetWidth(4);
  b.SetHeight(1);
  std::uint8_t* p = b.PixelAt(0, 0);
  p[0] = 100, p[1] = 200, p[2] = 3, p[3] = 50;
  b.BrightnessCorrection(1.5f);
  EXPECT_EQ(At(b, 0, 0), (Pixel{150, 255, 4, 50}));  // 4.5 rounds to the even 4
  EXPECT_THROW(b.BrightnessCorrection(-0.5f), EAssertionFailed);
  TGLBitmap32 empty;
  EXPECT_NO_THROW(empty.BrightnessCorrection(-0.5f));  // nothing to do on no pixels
}

TEST(GLBitmap32, PowerOfTwoAndUploadSizes) {
  const int powers[][2] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 4}, {256, 256}, {257, 512}};
  for (const auto& p : powers) EXPECT_EQ(RoundUpToPowerOf2(p[0]), p[1]) << p[0];
  struct Case {
    int w, h, max, expectW, expectH;
  };
  const Case cases[] = {{300, 200, 16384, 512, 256}, {300, 200, 256, 256, 256},
                        {256, 256, 16384, 256, 256}, {4, 1, 16384, 4, 1},
                        {20000, 8, 16384, 16384, 8}};
  for (const Case& c : cases) {
    const TextureSize s = TextureUploadSize(c.w, c.h, c.max);
    EXPECT_EQ(s.Width, c.expectW) << c.w << "x" << c.h;
    EXPECT_EQ(s.Height, c.expectH) << c.w << "x" << c.h;
  }
}

TEST(GLBitmap32, SqrtAlphaTableRoundsTheRoot) {
  const auto& t = SqrtAlphaTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 16);   // 255 * sqrt(1/255) = 15.97
  EXPECT_EQ(t[64], 128);
  EXPECT_EQ(t[255], 255);
}

TEST(GLBitmap32, EmptyBitmapUploadsNothingAndReportsZeroSize) {
  GLCallRecorder calls;
  TGLBitmap32 b;
  int w = -1, h = -1;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, miLinear, GL_RGBA8, w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_TRUE(calls.Calls().empty());
}

}  // namespace
