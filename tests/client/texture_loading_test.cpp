// Texture pictures: the packed format's filler length, loading by extension,
// capping and power-of-two sizes, mirroring, and the name cache's order.
#include "client/texture_loading.h"

#include "client/texture_cache.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "platform/base/exception.h"
#include "platform/picture/stretch.h"
#include "tests/client/mud_fixture.h"
#include "tests/support/large_pictures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using mud_fixture::SolidBitmap;

TEST(FileNameOffset, ByteSumOfTheBaseNameBeforeItsFirstDot) {
  struct Case {
    const char* name;
    int offset;
  } cases[] = {
      {"textures\\abc.3db", 294},  // 97 + 98 + 99
      {"textures/abc.3db", 294},
      {"abc.3dj", 294},
      {"maps\\x.y\\abc.3db", 294},  // a dotted folder counts for nothing
      {"abc", 0},                   // no "." at all
      {"a.b.c", 97},
      {".3db", 0},
      {"\xc3\xa9.3db", 233},        // "é", counted as its Windows-1252 byte
      {"\xe2\x82\xac.3db", 128},    // "€" is 0x80 there
      {"\xe9.3db", 233},            // a Windows-1252 byte as it stands
      {"zzzzzzzzzz.3db", 220},      // 10 x 122 = 1220, modulo 1000
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameOffset(c.name), c.offset) << c.name;
}

class TextureFiles : public ::testing::Test {
protected:
  void SetUp() override {
    StartImageLibrary();
    folder = fs::path(CLIENT_TEST_OUTPUT_DIR) / "texture_loading" /
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  std::string Write(const std::string& name, const Bitmap& bitmap) {
    mud_fixture::WriteBmp(folder / name, bitmap);
    return (folder / name).string();
  }
  fs::path folder;
};

TEST_F(TextureFiles, SizesAreCappedAndRaisedToPowersOfTwo) {
  struct Case {
    int width, height, maxSize;
    bool powerOfTwo;
    int newWidth, newHeight;
    bool resized;
  } cases[] = {
      {1024, 512, 256, false, 256, 128, true},
      {300, 200, 256, true, 256, 256, true},   // Round(200 / 300 x 256) = 171, raised to 256
      {100, 60, 256, true, 128, 64, false},
      {100, 60, 0, false, 100, 60, false},
      {60, 100, 64, false, 38, 64, true},      // the height is the longer side
      {40, 50, 64, true, 64, 64, false},
      {129, 1, 64, true, 64, 1, true},         // a sliver keeps one pixel
      {1, 1, 64, true, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " max " << c.maxSize << " p2 " << c.powerOfTwo);
    const std::string file = Write("picture.bmp", SolidBitmap(c.width, c.height, 0x336699));
    bool resized = !c.resized;
    const Bitmap loaded = LoadTextureBitmap(file, c.maxSize, c.powerOfTwo, resized);
    EXPECT_EQ(loaded.GetWidth(), c.newWidth);
    EXPECT_EQ(loaded.GetHeight(), c.newHeight);
    EXPECT_EQ(resized, c.resized);
    EXPECT_EQ(loaded.GetPixel(loaded.GetWidth() - 1, loaded.GetHeight() - 1), 0x336699);
  }
}

TEST_F(TextureFiles, EachExtensionHasItsLoader) {
  const Bitmap picture = SolidBitmap(8, 4, 0x102030);
  bool resized = true;
  // A packed picture: its filler, then the BMP; any case of extension.
  mud_fixture::WriteBytes(folder / "Wall.3DB", EncodePackedPicture(picture, "Wall.3DB"));
  EXPECT_EQ(LoadTextureBitmap((folder / "Wall.3DB").string(), 0, false, resized), picture);
  EXPECT_FALSE(resized);
  // JPEG: lossy, so the colour within a few levels.
  TLinearBitmap linear;
  linear.Assign(SolidBitmap(16, 8, 0x808080));
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(linear);
  mud_fixture::WriteBytes(folder / "grey.jpg", std::string(jpeg.begin(), jpeg.end()));
  const Bitmap grey = LoadTextureBitmap((folder / "grey.jpg").string(), 0, false, resized);
  EXPECT_EQ(grey.GetWidth(), 16);
  EXPECT_NEAR(grey.GetPixel(3, 3) & 0xFF, 0x80, 3);
  // Anything else is read as BMP; names as the world writes them.
  Write("textures_plain.bmp", picture);
  EXPECT_EQ(LoadTextureBitmap(folder.string() + "\\TEXTURES_PLAIN.BMP", 0, false, resized), picture);

  EXPECT_THROW(LoadTextureBitmap((folder / "absent.bmp").string(), 0, false, resized), Exception);
  mud_fixture::WriteBytes(folder / "short.3db", std::string(100, 'x'));  // "short" needs 560 filler bytes
  EXPECT_THROW(LoadTextureBitmap((folder / "short.3db").string(), 0, false, resized), Exception);
  mud_fixture::WriteBytes(folder / "bad.bmp", "BM and then nothing of a picture");
  EXPECT_THROW(LoadTextureBitmap((folder / "bad.bmp").string(), 0, false, resized), Exception);
}

// Reading a picture reduced gives what reducing it after reading it whole
// gave, so the world's textures look as they did; only the memory differs.
TEST_F(TextureFiles, PicturesReadReducedAreThoseReducedAfterReading) {
  Bitmap picture(300, 200, pf24bit);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 900; ++x) picture.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
  const std::string bmp = Write("picture.bmp", picture);
  TLinearBitmap linear;
  linear.Assign(picture);
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(linear);
  mud_fixture::WriteBytes(folder / "picture.jpg", std::string(jpeg.begin(), jpeg.end()));
  Bitmap jpegWhole;
  {
    TLinearBitmap decoded;
    DecodeJpeg(jpeg.data(), jpeg.size(), decoded);
    decoded.AssignTo(jpegWhole);
  }
  struct Case {
    int maxSize;
    bool powerOfTwo;
    int width, height;
  } cases[] = {{256, true, 256, 256}, {64, true, 64, 64}, {64, false, 64, 43}, {100, false, 100, 67}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "max " << c.maxSize << " p2 " << c.powerOfTwo);
    bool resized = false;
    EXPECT_EQ(LoadTextureBitmap(bmp, c.maxSize, c.powerOfTwo, resized), ScaleBitmap(picture, c.width, c.height));
    EXPECT_TRUE(resized);
    EXPECT_EQ(LoadTextureBitmap((folder / "picture.jpg").string(), c.maxSize, c.powerOfTwo, resized),
              ScaleBitmap(jpegWhole, c.width, c.height));
  }
}

// No texture is kept beyond the largest side, not even for a caller without
// a cap of its own (the aerial map, the detail map, the clouds): a larger
// picture is averaged down to it as it is read.
TEST_F(TextureFiles, PicturesBeyondTheLargestTextureAreAveragedDownToIt) {
  struct Case {
    int width, height, maxSize;
    bool powerOfTwo;
    int newWidth, newHeight;
    bool resized;
  } cases[] = {
      {kLargestTextureSide, 8, 0, false, kLargestTextureSide, 8, false},
      {kLargestTextureSide + 1000, 10, 0, false, kLargestTextureSide, 8, true},  // Round(10 / 5096 x 4096)
      {10, 2 * kLargestTextureSide, 0, true, 8, kLargestTextureSide, true},      // 5, raised to 8
      {2 * kLargestTextureSide, 2 * kLargestTextureSide, 64, true, 64, 64, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " max " << c.maxSize);
    // Squares of 2 x 2 pixels of two colours: averaged, each pixel of the
    // reduced picture is grey between them.
    const std::string file = (folder / "large.bmp").string();
    mud_fixture::WriteBytes(file, OneBitBmp(c.width, c.height, 2, 0x000000, 0xFEFEFE));
    bool resized = !c.resized;
    const Bitmap loaded = LoadTextureBitmap(file, c.maxSize, c.powerOfTwo, resized);
    EXPECT_EQ(loaded.GetWidth(), c.newWidth);
    EXPECT_EQ(loaded.GetHeight(), c.newHeight);
    EXPECT_EQ(resized, c.resized);
    if (c.resized && c.maxSize == 0) {
      EXPECT_NEAR(loaded.GetPixel(c.newWidth / 2, c.newHeight / 2) & 0xFF, 0x7F, 0x30);
    }
  }
}

// The aerial map of the world: a one-bit picture of 16,000 pixels a
// side, 32 MB as a file and 768 MB as a picture of 24 bits. Read, it is the
// largest texture's size, and reading it never held the picture whole.
TEST_F(TextureFiles, AHugeOneBitPictureIsReadAtTheLargestTextureSizeWithoutBeingHeldWhole) {
  const std::string file = (folder / "aerial.bmp").string();
  mud_fixture::WriteBytes(file, OneBitBmp(16000, 16000, 500, 0x206040, 0xC0D090));
  bool resized = false;
  Bitmap loaded;
  const std::optional<std::int64_t> growth = PeakGrowth([&] { loaded = LoadTextureBitmap(file, 0, false, resized); });
  EXPECT_EQ(loaded.GetWidth(), kLargestTextureSide);
  EXPECT_EQ(loaded.GetHeight(), kLargestTextureSide);
  EXPECT_TRUE(resized);
  EXPECT_EQ(loaded.GetPixel(0, 0), 0x206040);
  EXPECT_EQ(loaded.GetPixel(192, 10), 0xC0D090);  // the second square, 500 to 1000 of the picture
  if (!growth) GTEST_SKIP() << "the kernel cannot reset the peak resident set";
  // The file (32 MB) and the reduced picture (48 MB) with room for a
  // sanitizer's bookkeeping; the picture at its own size is 256 MB even
  // with one byte a pixel.
  const std::int64_t reduced = std::int64_t(kLargestTextureSide) * kLargestTextureSide * 3;
  EXPECT_LT(*growth, 32 * 1000000 + 3 * reduced) << "grew by " << *growth / 1000000 << " MB";
}

// A picture that cannot be read says which file it is and why, the loader's
// own text kept.
TEST_F(TextureFiles, APictureThatCannotBeReadNamesItsFileAndTheReason) {
  TLinearBitmap picture;
  picture.Assign(SolidBitmap(64, 64, 0x336699));
  std::vector<std::uint8_t> bmp = EncodeBmp(picture);
  bmp.resize(bmp.size() / 2);
  std::vector<std::uint8_t> wide = EncodeBmp(picture);
  wide[18] = 0x70;  // a width of 70,000 pixels and more
  wide[19] = 0x11;
  wide[20] = 0x01;
  std::vector<std::uint8_t> jpeg = EncodeJpeg(picture);
  jpeg.resize(jpeg.size() * 2 / 3);
  // A large picture of one colour: its header in the first kilobyte, far
  // too few bytes for its pixels.
  TLinearBitmap large;
  large.Assign(SolidBitmap(2048, 2048, 0x336699));
  std::vector<std::uint8_t> cut = EncodeJpeg(large);
  cut.resize(1000);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* reason;
  } cases[] = {
      {"truncated.bmp", bmp, "Invalid bitmap file: truncated pixel data"},
      {"wide.bmp", wide, "Invalid bitmap size"},
      {"truncated.jpg", jpeg, "Error in JPEG data: Premature end of JPEG file"},
      {"cut.jpg", cut, "Error in JPEG data: the data ends before the picture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = (folder / c.name).string();
    mud_fixture::WriteBytes(file, std::string(c.bytes.begin(), c.bytes.end()));
    bool resized = false;
    try {
      LoadTextureBitmap(file, 0, false, resized);
      ADD_FAILURE() << "read";
    } catch (const ELinearBitmap& e) {
      EXPECT_EQ(e.Message(), "Picture \"" + file + "\" cannot be read: " + c.reason);
    }
  }
}

TEST(PackedPicture, RoundTripKeepsEveryPixel) {
  Bitmap picture(5, 3, pf24bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 15; ++x) picture.ScanLine(y)[x] = static_cast<std::uint8_t>(17 * y + x);
  const std::string bytes = EncodePackedPicture(picture, "textures\\abc.3db");
  ASSERT_GT(bytes.size(), 296u);
  EXPECT_EQ(bytes.substr(294, 2), "BM");
  EXPECT_EQ(DecodePackedPicture(bytes, "abc.3db"), picture);
}

TEST(MirrorBitmap, MirrorsAlongTheAxesAsked) {
  Bitmap picture(3, 2, pf24bit);
  // Pixel (x, y) holds red 10 x + y.
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) picture.ScanLine(y)[3 * x + 2] = static_cast<std::uint8_t>(10 * x + y);
  auto red = [](const Bitmap& b, int x, int y) { return b.GetPixel(x, y) & 0xFF; };
  const Bitmap vertical = MirrorBitmap(picture, false, true);
  const Bitmap both = MirrorBitmap(picture, true, true);
  const Bitmap none = MirrorBitmap(picture, false, false);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(red(vertical, x, y), 10 * x + (1 - y));
      EXPECT_EQ(red(both, x, y), 10 * (2 - x) + (1 - y));
      EXPECT_EQ(red(none, x, y), 10 * x + y);
    }
}

TEST(NextPowerOfTwo, SmallestNotBelowTheSize) {
  const std::pair<int, int> cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {64, 64}, {65, 128}, {171, 256}};
  for (auto [size, power] : cases) EXPECT_EQ(NextPowerOfTwo(size), power) << size;
}

TEST(TextureNameCache, MostRecentFirstAndTheOldestOut) {
  TTexturenamecache cache(2);
  TTexturenamecacheItem evicted;
  cache.Insert(1, "a", true, evicted);
  cache.Insert(2, "b", false, evicted);
  EXPECT_EQ(evicted.name, "");
  EXPECT_TRUE(cache.Touch("a"));
  EXPECT_FALSE(cache.Touch("c"));
  cache.Insert(3, "c", true, evicted);
  EXPECT_EQ(evicted.name, "b");
  EXPECT_EQ(evicted.object, 2);
  EXPECT_FALSE(evicted.flag);
  ASSERT_EQ(cache.GetCount(), 2);
  EXPECT_EQ(cache.Get(0).name, "c");
  EXPECT_EQ(cache.Get(1).name, "a");
  EXPECT_EQ(cache.Get(1).object, 1) << "touching keeps the record's values";
  EXPECT_EQ(cache.IndexOfName("A"), -1) << "names compare exactly";
  cache.Delete(0);
  EXPECT_EQ(cache.Get(0).name, "a");
  EXPECT_THROW(cache.Get(1), EListError);
  // A damaged capacity still holds one name.
  TTexturenamecache tiny(-1);
  tiny.Insert(0, "x", true, evicted);
  EXPECT_EQ(evicted.name, "");
  tiny.Insert(0, "y", true, evicted);
  EXPECT_EQ(evicted.name, "x");
}

TEST(IntermediateTextureList, NamesPerColourFirstMatchWins) {
  TIntermediatetexturelist list;
  list.Add(0x00FF00, {"a", "b"});
  list.Add(0xFF0000, {"c"});
  list.Add(0x00FF00, {"d"});
  EXPECT_EQ(list.IndexOfColor(0x00FF00), 0);
  EXPECT_EQ(list.IndexOfColor(0x123456), -1);
  ASSERT_NE(list.GetNames(0x00FF00), nullptr);
  EXPECT_EQ(*list.GetNames(0x00FF00), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(list.GetNames(0x123456), nullptr);
  list.Delete(0);
  EXPECT_EQ(*list.GetNames(0x00FF00), (std::vector<std::string>{"d"}));
  EXPECT_THROW(list.GetItem(2), EListError);
}

}  // namespace
