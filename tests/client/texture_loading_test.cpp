// Texture pictures: the packed format's filler length, loading by extension,
// capping and power-of-two sizes, mirroring, and the name cache's order.
#include "client/texture_loading.h"

#include "client/texture_cache.h"
#include "imaging/image_library.h"
#include "imaging/linear_bitmap.h"
#include "platform/base/exception.h"
#include "tests/client/mud_fixture.h"

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
