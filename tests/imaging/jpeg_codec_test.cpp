#include "imaging/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

// A smooth colour picture that JPEG keeps close.
TLinearBitmap Gradient(int width, int height) {
  TLinearBitmap picture;
  picture.Allocate(width, height, pf24bit);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = std::uint8_t(x * 255 / (width - 1));       // blue rises to the right
      row[3 * x + 1] = 128;
      row[3 * x + 2] = std::uint8_t(y * 255 / (height - 1));  // red rises downwards
    }
  }
  return picture;
}

int MaxDifference(const TLinearBitmap& a, const TLinearBitmap& b) {
  int most = 0;
  for (int i = 0; i < a.Size; ++i) most = std::max(most, std::abs(int(a.Map[i]) - int(b.Map[i])));
  return most;
}

}  // namespace

TEST(JpegCodec, ColourRoundTripKeepsChannelOrder) {
  const TLinearBitmap source = Gradient(64, 48);
  const std::vector<std::uint8_t> bytes = EncodeJpeg(source, 95);
  TLinearBitmap back;
  DecodeJpeg(bytes.data(), bytes.size(), back);
  ASSERT_EQ(back.PixelFormat, pf24bit);
  ASSERT_EQ(back.Width, 64);
  EXPECT_LE(MaxDifference(back, source), 12);
  // Top-right is blue, bottom-left red: a swapped order would show here.
  EXPECT_GT(back.ScanLine(0)[3 * 63], 230);
  EXPECT_LT(back.ScanLine(0)[3 * 63 + 2], 25);
  EXPECT_GT(back.ScanLine(47)[2], 230);
}

TEST(JpegCodec, GreyPictureDecodesToGreyPalette8Bit) {
  TLinearBitmap grey;
  grey.Allocate(16, 16, pf8bit);
  grey.FillBytes(100);
  const std::vector<std::uint8_t> bytes = EncodeJpeg(grey);
  TLinearBitmap back;
  DecodeJpeg(bytes.data(), bytes.size(), back);
  EXPECT_EQ(back.PixelFormat, pf8bit);
  EXPECT_EQ(PaletteBytes(back), std::vector<std::uint8_t>(GreyPalette().begin(), GreyPalette().end()));
  EXPECT_LE(MaxDifference(back, grey), 2);
}

TEST(JpegCodec, TruncatedAndCorruptDataRaiseInsteadOfExiting) {
  const std::vector<std::uint8_t> good = EncodeJpeg(Gradient(64, 64));
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
      {"cut in the scan", std::vector<std::uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2))},
      {"not a JPEG", std::vector<std::uint8_t>(100, 0x42)},
  };
  for (const Case& c : cases) {
    TLinearBitmap picture = DistinctPicture(2, 2, pf24bit);
    const auto before = Pixels(picture);
    EXPECT_THROW(DecodeJpeg(c.bytes.data(), c.bytes.size(), picture), ELinearBitmap) << c.what;
    EXPECT_EQ(Pixels(picture), before) << c.what << ": a failed load leaves the picture";
  }
}

TEST(JpegCodec, HugeDeclaredSizeIsRefusedBeforeDecoding) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Gradient(16, 16));
  // The baseline frame header (FFC0): length(2) precision(1) height(2) width(2).
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0x7F;
      bytes[i + 6] = 0xF0;
      bytes[i + 7] = 0x7F;
      bytes[i + 8] = 0xF0;
      break;
    }
  }
  TLinearBitmap picture;
  try {
    DecodeJpeg(bytes.data(), bytes.size(), picture);
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Invalid bitmap size");
  }
}

TEST(JpegCodec, ThroughTheRegistryByJpgAndJpegExtensions) {
  ScratchFolder folder;
  const TLinearBitmap source = Gradient(32, 32);
  for (const char* name : {"a.jpg", "b.JPEG"}) {
    source.SaveToFile(folder.File(name));
    TLinearBitmap back;
    back.LoadFromFile(folder.File(name));
    EXPECT_LE(MaxDifference(back, source), 12) << name;
  }
}

TEST(JpegCodec, PictureFarLargerThanItsDataIsRefusedBeforeItsBuffersAreMade) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Gradient(16, 16));
  ASSERT_LT(bytes.size(), 4000u);
  // 4000 x 4000 is within the size cap, but a file of a few hundred bytes
  // cannot hold the data of 250,000 blocks.
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0x0F;
      bytes[i + 6] = 0xA0;
      bytes[i + 7] = 0x0F;
      bytes[i + 8] = 0xA0;
      break;
    }
  }
  TLinearBitmap picture;
  try {
    DecodeJpeg(bytes.data(), bytes.size(), picture);
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Error in JPEG data: the data ends before the picture");
  }
}
