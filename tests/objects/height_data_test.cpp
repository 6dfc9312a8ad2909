#include "objects/height_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "objects/height_data_bitmap.h"
#include "objects/height_data_custom.h"

namespace {

// An 8-bit grey picture whose pixel (x, y) is grey(x, y).
template <class F>
Picture GreyPicture(int width, int height, F grey) {
  Bitmap bitmap(width, height, pf8bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = std::uint8_t(grey(x, y));
  Picture picture;
  picture.SetBitmap(std::move(bitmap));
  return picture;
}

// A source whose tiles hold small-int heights f(x, y) of source coordinates.
class FormulaSource {
public:
  template <class F>
  explicit FormulaSource(F f) {
    source.OnStartPreparingData = [f](THeightData* tile) {
      tile->Allocate(hvtSmallInt);
      for (int y = 0; y < tile->GetSize(); ++y)
        for (int x = 0; x < tile->GetSize(); ++x)
          tile->SmallIntRaster()[y][x] = std::int16_t(f(tile->GetXLeft() + x, tile->GetYTop() + y));
    };
  }
  TGLCustomHDS source;
};

}  // namespace

static_assert(!std::is_destructible_v<THeightData>, "only the source may free a tile");

TEST(HeightTile, GreyLevelsBecomeHeights) {
  TGLBitmapHDS source;
  source.SetPicture(GreyPicture(4, 4, [](int x, int) { return x == 0 ? 0 : x == 1 ? 128 : 255; }));
  THeightData* tile = source.GetData(0, 0, 3, hvtByte);
  ASSERT_EQ(tile->GetDataState(), htsReady);
  EXPECT_EQ(tile->HeightAt(0, 0), -16384.0f);
  EXPECT_EQ(tile->HeightAt(1, 0), 0.0f);
  EXPECT_EQ(tile->HeightAt(2, 0), 16256.0f);
}

TEST(HeightTile, ValueTypeConversionsFollowTheRules) {
  struct Case {
    THeightValueType from;
    float stored;  // as the source type can hold it
    THeightValueType to;
    float expected;
  };
  const Case cases[] = {
      {hvtByte, 0, hvtSmallInt, -16384},     {hvtByte, 255, hvtSingle, 16256},
      {hvtSmallInt, -129, hvtByte, 127},     {hvtSmallInt, 16256, hvtByte, 255},
      {hvtSmallInt, 32767, hvtByte, 255},    {hvtSmallInt, -32768, hvtByte, 0},
      {hvtSmallInt, -300, hvtSingle, -300},  {hvtSingle, 2.5f, hvtSmallInt, 2},
      {hvtSingle, 3.5f, hvtSmallInt, 4},     {hvtSingle, -2.5f, hvtSmallInt, -2},
      {hvtSingle, 1e9f, hvtSmallInt, 32767}, {hvtSingle, 127.5f, hvtByte, 129},
      {hvtSingle, -1e9f, hvtByte, 0},
  };
  for (const Case& c : cases) {
    TGLCustomHDS source;
    source.OnStartPreparingData = [&](THeightData* tile) {
      tile->Allocate(c.from);
      if (c.from == hvtByte) tile->ByteData()[0] = std::uint8_t(c.stored);
      if (c.from == hvtSmallInt) tile->SmallIntData()[0] = std::int16_t(c.stored);
      if (c.from == hvtSingle) tile->SingleData()[0] = c.stored;
    };
    THeightData* tile = source.GetData(0, 0, 1, c.from);
    tile->SetValueType(c.to);
    EXPECT_EQ(tile->GetValueType(), c.to);
    EXPECT_EQ(tile->GetDataSize(), c.to == hvtByte ? 1 : c.to == hvtSmallInt ? 2 : 4);
    const float raw = c.to == hvtByte ? float(tile->ByteHeight(0, 0)) : c.to == hvtSmallInt ? float(tile->SmallIntHeight(0, 0)) : tile->SingleHeight(0, 0);
    EXPECT_EQ(raw, c.expected) << "from " << c.from << " value " << c.stored << " to " << c.to;
  }
}

TEST(HeightTile, AllocateOverDataAndBadIndexesAreAssertions) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtSmallInt); };
  THeightData* tile = source.GetData(0, 0, 4, hvtSmallInt);
  EXPECT_THROW(tile->Allocate(hvtByte), EAssertionFailed);
  EXPECT_THROW(tile->SmallIntHeight(4, 0), EAssertionFailed);
  EXPECT_THROW(tile->SmallIntHeight(0, -1), EAssertionFailed);
  EXPECT_THROW(tile->ByteHeight(0, 0), EAssertionFailed);  // holds small-ints
  source.OnStartPreparingData = [](THeightData* t) { t->Allocate(hvtAny); };
  EXPECT_THROW(source.GetData(100, 0, 4, hvtSmallInt), EAssertionFailed);
  // The failed tile is empty, not waiting, so a second request returns.
  EXPECT_EQ(source.GetData(100, 0, 4, hvtSmallInt)->GetDataState(), htsEmpty);
}

TEST(HeightTile, InterpolationSplitsTheCellAlongItsDiagonal) {
  // A = (0,0) 0, B = (1,0) 100, C = (0,1) 1000, D = (1,1) 10000.
  FormulaSource f([](int x, int y) { return x == 0 ? (y == 0 ? 0 : 1000) : (y == 0 ? 100 : 10000); });
  THeightData* tile = f.source.GetData(0, 0, 2, hvtSmallInt);
  // (0.25, 0.75) lies in the triangle (0,0), (0,1), (1,1).
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(0.25f, 0.75f), 1000 + (10000 - 1000) * 0.25f + (0 - 1000) * 0.25f);
  // (0.75, 0.25) in the triangle (0,0), (1,0), (1,1).
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(0.75f, 0.25f), 100 + (0 - 100) * 0.25f + (10000 - 100) * 0.25f);
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(0, 0), 0);
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(1, 1), 10000);
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(1, 0), 100);
  // Beyond the samples the nearest edge answers.
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(5, -3), 100);
  EXPECT_FLOAT_EQ(tile->InterpolatedHeight(std::nanf(""), 1), 1000);
}

TEST(HeightTile, NormalUsesCentralAndOneSidedDifferences) {
  FormulaSource f([](int x, int y) { return x * x * 10 + y; });
  THeightData* tile = f.source.GetData(0, 0, 4, hvtSmallInt);
  const TAffineVector unit{1, 1, 1};
  auto expectNormal = [&](int x, int y, float dx, float dy) {
    const TAffineVector n = tile->Normal(x, y, unit);
    const float len = std::sqrt(dx * dx + dy * dy + 1);
    EXPECT_NEAR(n[0], dx / len, 1e-6) << x << "," << y;
    EXPECT_NEAR(n[1], dy / len, 1e-6) << x << "," << y;
    EXPECT_NEAR(n[2], 1 / len, 1e-6) << x << "," << y;
  };
  expectNormal(1, 1, 40 - 0, 2);  // central: h(2) - h(0)
  expectNormal(0, 0, 10, 1);      // one-sided forward
  expectNormal(3, 3, 90 - 40, 1); // one-sided backward
  const TAffineVector scaled = tile->Normal(1, 1, TAffineVector{0.5f, 2, 0.1f});
  const float dx = 40 * 0.5f * 0.1f, dy = 2 * 2 * 0.1f, len = std::sqrt(dx * dx + dy * dy + 1);
  EXPECT_NEAR(scaled[0], dx / len, 1e-6);
  EXPECT_NEAR(scaled[1], dy / len, 1e-6);
}

TEST(HeightTile, LastReleaseTakesTheReleaseTime) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
  THeightData* tile = source.GetData(0, 0, 2, hvtByte);
  tile->RegisterUse();
  tile->RegisterUse();
  tile->Release();
  EXPECT_EQ(tile->GetReleaseTime(), 0);
  tile->Release();
  EXPECT_GT(tile->GetReleaseTime(), 40000.0);  // a date after 2009
  tile->Release();
  EXPECT_EQ(tile->GetUseCounter(), 0);
}

TEST(HeightDataSource, BucketIndexHashesWithUnsignedShifts) {
  EXPECT_EQ(THeightDataSource::BucketIndex(0, 0), 0);
  EXPECT_EQ(THeightDataSource::BucketIndex(256, 0), (1 + 256) & 255);
  EXPECT_EQ(THeightDataSource::BucketIndex(0, 128), (256 + 1) & 255);
  const std::uint32_t x = std::uint32_t(-17), y = std::uint32_t(-256);
  EXPECT_EQ(THeightDataSource::BucketIndex(-17, -256), int(((x >> 8) + x + 2 * y + (y >> 7)) & 255));
}

TEST(HeightDataSource, GetDataFindsTheSameTileAndMovesItToTheFront) {
  TGLBitmapHDS source;
  source.SetPicture(GreyPicture(16, 16, [](int x, int y) { return x + y; }));
  THeightData* a = source.GetData(0, 0, 5, hvtSmallInt);
  THeightData* b = source.GetData(4, 0, 5, hvtSmallInt);
  EXPECT_NE(a, b);
  EXPECT_EQ(source.TileAt(0), a);
  EXPECT_EQ(source.GetData(0, 0, 5, hvtSmallInt), a);
  EXPECT_EQ(source.TileAt(0), a);
  EXPECT_EQ(source.TileAt(1), b);
  EXPECT_EQ(source.GetData(4, 0, 5, hvtSmallInt), b);
  EXPECT_EQ(source.TileAt(0), b);
  EXPECT_EQ(source.TileCount(), 2);
  EXPECT_EQ(a->GetUseCounter(), 0);  // GetData registers no use
  EXPECT_NE(source.GetData(0, 0, 6, hvtSmallInt), a);
}

TEST(HeightDataSource, AnyTypeRequestKeepsTheFilledTypeAndMatchesOnlyAny) {
  TGLBitmapHDS source;
  source.SetPicture(GreyPicture(8, 8, [](int, int) { return 200; }));
  THeightData* tile = source.GetData(0, 0, 4, hvtAny);
  EXPECT_EQ(tile->GetValueType(), hvtByte);
  EXPECT_EQ(source.FindMatchInList(0, 0, 4, hvtAny), nullptr);
  EXPECT_EQ(source.FindMatchInList(0, 0, 4, hvtByte), tile);
  EXPECT_EQ(source.GetData(0, 0, 4, hvtSmallInt)->GetValueType(), hvtSmallInt);
}

TEST(HeightDataSource, MarkDirtyHitsOverlappingTilesOnly) {
  struct Case {
    TTileRect area;
    bool dirty;
  };
  // The tile covers samples 10..13 on both axes.
  const Case cases[] = {
      {{0, 0, 9, 9}, false},      {{0, 0, 10, 10}, true},   {{13, 13, 20, 20}, true},
      {{14, 0, 20, 20}, false},   {{0, 14, 20, 20}, false}, {{11, 11, 11, 11}, true},
      {{0, 0, 20, 9}, false},
  };
  for (const Case& c : cases) {
    TGLCustomHDS source;
    source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
    THeightData* tile = source.GetData(10, 10, 4, hvtByte);
    tile->RegisterUse();
    source.MarkDirty(c.area);
    EXPECT_EQ(tile->GetDirty(), c.dirty) << c.area.Left << "," << c.area.Top << "," << c.area.Right << "," << c.area.Bottom;
    EXPECT_EQ(tile->GetUseCounter(), c.dirty ? 0 : 1);
  }
}

TEST(HeightDataSource, DirtyTilesAreNotFoundAndGoAtCleanUp) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
  source.SetMaxPoolSize(1 << 20);
  THeightData* tile = source.GetData(0, 0, 4, hvtByte);
  bool destroyed = false;
  tile->OnDestroy = [&](THeightData*) { destroyed = true; };
  tile->RegisterUse();
  source.MarkDirty();
  EXPECT_EQ(source.FindMatchInList(0, 0, 4, hvtByte), nullptr);
  THeightData* fresh = source.GetData(0, 0, 4, hvtByte);
  EXPECT_NE(fresh, tile);
  source.CleanUp();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(source.TileCount(), 1);
  EXPECT_EQ(source.TileAt(0), fresh);
}

TEST(HeightDataSource, CleanUpBeyondThePoolFreesEveryReadyTileWithoutUsers) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) {
    if (tile->GetXLeft() < 100) tile->Allocate(hvtByte);
  };
  THeightData* used = source.GetData(0, 0, 4, hvtByte);
  used->RegisterUse();
  source.GetData(4, 0, 4, hvtByte);
  source.GetData(8, 0, 4, hvtByte);
  THeightData* empty = source.GetData(200, 0, 4, hvtByte);
  EXPECT_EQ(empty->GetDataState(), htsEmpty);
  source.SetMaxPoolSize(48);  // exactly the three tiles: nothing goes
  source.CleanUp();
  EXPECT_EQ(source.TileCount(), 4);
  source.SetMaxPoolSize(47);  // one byte short: all ready unused tiles go
  source.CleanUp();
  ASSERT_EQ(source.TileCount(), 2);
  EXPECT_EQ(source.FindMatchInList(0, 0, 4, hvtByte), used);
  EXPECT_EQ(source.FindMatchInList(200, 0, 4, hvtByte), empty);
}

TEST(HeightDataSource, ClearRefusesWhileATileIsInUseAndStaysUsable) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
  THeightData* tile = source.GetData(0, 0, 4, hvtByte);
  tile->RegisterUse();
  try {
    source.Clear();
    FAIL() << "Clear went through";
  } catch (const EHeightData& e) {
    EXPECT_EQ(e.Message(), "ERR: HeightData still in use");
  }
  EXPECT_EQ(source.TileCount(), 1);
  // The list is not left locked behind the error.
  EXPECT_EQ(source.GetData(0, 0, 4, hvtByte), tile);
  tile->Release();
  int destroyed = 0;
  tile->OnDestroy = [&](THeightData* sender) {
    EXPECT_EQ(sender, tile);
    EXPECT_EQ(sender->GetOwner(), nullptr);  // detached before it goes
    ++destroyed;
  };
  source.Clear();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(source.TileCount(), 0);
}

TEST(HeightDataSource, DestructionFreesTilesThatStillHaveUsers) {
  int destroyed = 0;
  {
    TGLCustomHDS source;
    source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
    THeightData* tile = source.GetData(0, 0, 4, hvtByte);
    tile->RegisterUse();
    tile->OnDestroy = [&](THeightData*) { ++destroyed; };
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(HeightDataSource, TileClassIsUsedForNewTiles) {
  struct TaggedTile : THeightData {
    using THeightData::THeightData;
  };
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) { tile->Allocate(hvtByte); };
  int made = 0;
  source.SetHeightDataClass([&](THeightDataSource* owner, int x, int y, int size, THeightValueType type) {
    ++made;
    return MakeHeightData<TaggedTile>(owner, x, y, size, type);
  });
  EXPECT_NE(dynamic_cast<TaggedTile*>(source.GetData(0, 0, 4, hvtByte)), nullptr);
  EXPECT_EQ(made, 1);
}

TEST(CustomHeightSource, WithoutAHandlerTilesAreEmpty) {
  TGLCustomHDS source;
  THeightData* tile = source.GetData(0, 0, 4, hvtSmallInt);
  EXPECT_EQ(tile->GetDataState(), htsEmpty);
  EXPECT_EQ(source.InterpolatedHeight(1, 1, 4), 0);
  std::vector<TTileRect> marked;
  source.OnMarkDirtyEvent = [&](const TTileRect& r) { marked.push_back(r); };
  source.MarkDirty(1, 2, 3, 4);
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked[0].Bottom, 4);
}

TEST(BitmapHeightSource, PictureIsStretchedOntoAPowerOfTwoSquare) {
  TGLBitmapHDS source;
  EXPECT_EQ(source.GetBitmapSize(), 0);
  EXPECT_TRUE(source.GetInfiniteWrap());
  source.SetPicture(GreyPicture(179, 179, [](int x, int y) { return x < 90 ? (y < 90 ? 10 : 20) : (y < 90 ? 30 : 40); }));
  ASSERT_EQ(source.GetBitmapSize(), 256);
  EXPECT_EQ(source.GetGrey(0, 0), 10);
  EXPECT_EQ(source.GetGrey(255, 0), 30);
  EXPECT_EQ(source.GetGrey(0, 255), 20);
  EXPECT_EQ(source.GetGrey(255, 255), 40);
  // The picture's column 90 starts at 90 * 256 / 179 = 128.7: the stretch fills
  // the whole square.
  EXPECT_EQ(source.GetGrey(128, 0), 10);
  EXPECT_EQ(source.GetGrey(129, 0), 30);
  // A non-square picture is stretched to a square by its width.
  source.SetPicture(GreyPicture(5, 2, [](int, int y) { return y == 0 ? 1 : 2; }));
  ASSERT_EQ(source.GetBitmapSize(), 8);
  EXPECT_EQ(source.GetGrey(0, 3), 1);
  EXPECT_EQ(source.GetGrey(0, 4), 2);
}

TEST(BitmapHeightSource, ColourPicturesBecomeTheNearestGrey) {
  Bitmap bitmap(2, 1, pf24bit);
  const std::uint8_t pixels[] = {30, 60, 90, 0, 0, 2};  // blue, green, red
  std::copy(std::begin(pixels), std::end(pixels), bitmap.ScanLine(0));
  Picture picture;
  picture.SetBitmap(bitmap);
  TGLBitmapHDS source;
  source.SetPicture(picture);
  ASSERT_EQ(source.GetBitmapSize(), 2);
  EXPECT_EQ(source.GetGrey(0, 0), 60);
  EXPECT_EQ(source.GetGrey(1, 0), 1);  // 2/3 rounds up
}

TEST(BitmapHeightSource, WithoutWrapTilesOutsideThePictureAreEmpty) {
  TGLBitmapHDS source;
  source.SetInfiniteWrap(false);
  source.SetPicture(GreyPicture(256, 256, [](int x, int) { return x; }));
  EXPECT_EQ(source.GetData(256, 0, 17, hvtByte)->GetDataState(), htsEmpty);
  EXPECT_EQ(source.GetData(-17, 0, 17, hvtByte)->GetDataState(), htsEmpty);
  EXPECT_EQ(source.GetData(0, 256, 17, hvtByte)->GetDataState(), htsEmpty);
  THeightData* edge = source.GetData(240, 0, 17, hvtByte);
  ASSERT_EQ(edge->GetDataState(), htsReady);
  EXPECT_EQ(edge->ByteHeight(0, 0), 240);
  EXPECT_EQ(edge->ByteHeight(15, 0), 255);
  // A tile that starts inside reaches past the edge by wrapping.
  EXPECT_EQ(edge->ByteHeight(16, 0), 0);
}

TEST(BitmapHeightSource, WithWrapTilesAnywhereAreFilled) {
  TGLBitmapHDS source;
  source.SetPicture(GreyPicture(16, 16, [](int x, int y) { return x * 16 + y; }));
  THeightData* tile = source.GetData(-3, 1000, 4, hvtSmallInt);
  ASSERT_EQ(tile->GetDataState(), htsReady);
  EXPECT_EQ(tile->GetValueType(), hvtSmallInt);
  EXPECT_EQ(tile->SmallIntHeight(0, 0), (13 * 16 + 1000 % 16 - 128) * 128);
  EXPECT_EQ(tile->SmallIntHeight(3, 3), (0 * 16 + (1003 % 16) - 128) * 128);
  THeightData* far = source.GetData(2147483640, -2147483647 - 1, 12, hvtByte);
  EXPECT_EQ(far->ByteHeight(8, 0), 0);  // column 2147483648 wraps to 0
}

TEST(BitmapHeightSource, WithoutAPictureTilesAreEmptyAndComeBackWithOne) {
  TGLBitmapHDS source;
  THeightData* tile = source.GetData(0, 0, 4, hvtByte);
  EXPECT_EQ(tile->GetDataState(), htsEmpty);  // returned, not waited on for ever
  source.SetPicture(GreyPicture(4, 4, [](int, int) { return 77; }));
  THeightData* ready = source.GetData(0, 0, 4, hvtByte);
  ASSERT_EQ(ready->GetDataState(), htsReady);
  EXPECT_EQ(ready->ByteHeight(1, 1), 77);
}

TEST(BitmapHeightSource, NewPictureDropsTilesInUseToo) {
  TGLBitmapHDS source;
  source.SetPicture(GreyPicture(4, 4, [](int, int) { return 10; }));
  THeightData* tile = source.GetData(0, 0, 4, hvtByte);
  tile->RegisterUse();
  bool destroyed = false;
  tile->OnDestroy = [&](THeightData*) { destroyed = true; };
  source.SetPicture(GreyPicture(4, 4, [](int, int) { return 20; }));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(source.GetData(0, 0, 4, hvtByte)->ByteHeight(0, 0), 20);
}

TEST(BitmapHeightSource, HeightLookupAnywhereOnTheMapNeverRaises) {
  // The client's case: a 179-pixel picture, tiles of 257 samples, no wrap.
  TGLBitmapHDS source;
  source.SetInfiniteWrap(false);
  source.SetPicture(GreyPicture(179, 179, [](int x, int y) { return (x * 7 + y * 3) % 256; }));
  ASSERT_EQ(source.GetBitmapSize(), 256);
  const float points[] = {-1e9f, -300, -257, -256.5f, -0.5f, 0, 0.5f, 127.25f, 255, 255.5f, 255.99f, 256,
                          256.5f, 257, 511, 512, 513, 1e9f};
  for (float x : points) {
    for (float y : points) {
      float h = 0;
      ASSERT_NO_THROW(h = source.InterpolatedHeight(x, y, 257)) << x << "," << y;
      const bool inside = x >= 0 && y >= 0 && x < 256 && y < 256;
      if (!inside) {
        EXPECT_EQ(h, 0) << x << "," << y;
      } else {
        EXPECT_GE(h, -16384) << x << "," << y;
        EXPECT_LE(h, 16256) << x << "," << y;
      }
    }
  }
  // On samples the lookup returns the sample's height.
  EXPECT_EQ(source.InterpolatedHeight(10, 20, 257), float((source.GetGrey(10, 20) - 128) * 128));
  EXPECT_EQ(source.InterpolatedHeight(std::numeric_limits<float>::quiet_NaN(), 3, 257), 0);
  EXPECT_EQ(source.InterpolatedHeight(std::numeric_limits<float>::infinity(), 3, 257), 0);
}

TEST(BitmapHeightSource, LookupOnAnEdgeBeforeAnyTileIsCachedUsesTheTileAfterIt) {
  // Half-to-even rounding would pick the tile before x = 256 and read past
  // its last sample; the tile whose cells hold the point answers instead.
  FormulaSource f([](int x, int y) { return x * 4 + y; });
  EXPECT_EQ(f.source.InterpolatedHeight(256, 10, 257), 256 * 4 + 10);
  ASSERT_EQ(f.source.TileCount(), 1);
  EXPECT_EQ(f.source.TileAt(0)->GetXLeft(), 256);
  EXPECT_FLOAT_EQ(f.source.InterpolatedHeight(255.5f, 10, 257), 255.5f * 4 + 10);
  EXPECT_FLOAT_EQ(f.source.InterpolatedHeight(-0.5f, -256, 257), -0.5f * 4 - 256);
}

TEST(BitmapHeightSource, TileSizeBelowTwoReturnsTheDefaultWithoutATile) {
  TGLBitmapHDS source;
  source.SetDefaultHeight(-5);
  source.SetPicture(GreyPicture(4, 4, [](int, int) { return 1; }));
  EXPECT_EQ(source.InterpolatedHeight(1, 1, 1), -5);
  EXPECT_EQ(source.TileCount(), 0);
}

TEST(BitmapHeightSource, LookupUsesTheCachedTileHoldingThePoint) {
  FormulaSource f([](int x, int y) { return x + y; });
  THeightData* tile = f.source.GetData(3, 3, 10, hvtSmallInt);
  EXPECT_FLOAT_EQ(f.source.InterpolatedHeight(5.5f, 4, 257), 9.5f);
  EXPECT_EQ(f.source.TileCount(), 1);
  EXPECT_EQ(f.source.TileAt(0), tile);
}

TEST(TerrainBaseHeightSource, ReadsTheGridWrappingAndClampingTheSea) {
  const std::filesystem::path dir = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "terrain_base";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "tbase.bin").string();
  {
    // Two full rows only: row r, column c holds r * 1000 + c % 1000, column
    // 5 of row 0 is negative.
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < TGLTerrainBaseHDS::kColumns; ++c) {
        const std::int16_t v = (r == 0 && c == 5) ? std::int16_t(-40) : std::int16_t(r * 1000 + c % 1000);
        const char bytes[2] = {char(std::uint16_t(v) & 0xFF), char(std::uint16_t(v) >> 8)};
        out.write(bytes, 2);
      }
  }
  TGLTerrainBaseHDS source;
  source.SetFileName(file);
  THeightData* tile = source.GetData(4318, -1, 8, hvtSmallInt);
  ASSERT_EQ(tile->GetDataState(), htsReady);
  EXPECT_EQ(tile->SmallIntHeight(0, 1), 318);       // row 0, column 4318
  EXPECT_EQ(tile->SmallIntHeight(2, 1), 0);         // column 4320 wraps to 0
  EXPECT_EQ(tile->SmallIntHeight(3, 2), 1001);      // row 1, column 1
  EXPECT_EQ(tile->SmallIntHeight(7, 1), 0);         // -40 becomes 0
  EXPECT_EQ(tile->SmallIntHeight(3, 0), 0);         // row 2159 is past the end
  EXPECT_EQ(tile->SmallIntHeight(3, 5), 0);
  EXPECT_EQ(source.GetData(0, 0, 4, hvtSingle)->SingleHeight(3, 1), 1003.0f);

  TGLTerrainBaseHDS missing;
  missing.SetFileName((dir / "no-such-file.bin").string());
  EXPECT_EQ(missing.GetData(0, 0, 4, hvtSmallInt)->GetDataState(), htsEmpty);
}

TEST(HeightDataThreads, WorkersPrepareTilesWhileOthersAskAndCleanUp) {
  FormulaSource f([](int x, int y) { return (x * 3 + y) % 30000; });
  f.source.SetMaxThreads(2);
  std::atomic<bool> failed{false};
  std::vector<std::thread> askers;
  for (int t = 0; t < 4; ++t) {
    askers.emplace_back([&, t] {
      for (int i = 0; i < 60; ++i) {
        const int x = ((i * 7 + t) % 12) * 16;
        THeightData* tile = f.source.GetData(x, 0, 17, hvtSmallInt);
        if (tile->GetDataState() != htsReady || tile->SmallIntHeight(1, 2) != (x + 1) * 3 + 2) failed = true;
        const float h = f.source.InterpolatedHeight(float(x) + 0.5f, 1, 17);
        if (std::fabs(h - ((x * 3) + 1.5f + 1)) > 1e-3f) failed = true;
      }
    });
  }
  for (auto& a : askers) a.join();
  EXPECT_FALSE(failed.load());
  f.source.MarkDirty();
  f.source.CleanUp();
  EXPECT_EQ(f.source.TileCount(), 0);
}

TEST(HeightDataThreads, WithoutWorkersTheServiceThreadSleepsUntilWorkersAreAllowed) {
  TGLCustomHDS source;
  std::atomic<int> prepared{0};
  source.OnStartPreparingData = [&](THeightData* tile) {
    tile->Allocate(hvtByte);
    ++prepared;
  };
  // Its first idle passes come at once; then it sleeps.
  long settled = -1;
  for (int i = 0; i < 200 && source.ServicePasses() != settled; ++i) {
    settled = source.ServicePasses();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(source.ServicePasses(), settled) << "a source at rest keeps waking its thread";

  // Allowed workers, the thread wakes and prepares what is asked for.
  source.SetMaxThreads(1);
  EXPECT_EQ(source.GetData(0, 0, 4, hvtByte)->GetDataState(), htsReady);
  EXPECT_EQ(prepared.load(), 1);
  EXPECT_GT(source.ServicePasses(), settled);
}

TEST(HeightDataThreads, TileBeingPreparedSurvivesCleanUp) {
  TGLCustomHDS source;
  std::mutex m;
  std::condition_variable cv;
  bool started = false, go = false;
  source.OnStartPreparingData = [&](THeightData* tile) {
    std::unique_lock<std::mutex> lock(m);
    started = true;
    cv.notify_all();
    cv.wait(lock, [&] { return go; });
    tile->Allocate(hvtByte);
    tile->ByteData()[0] = 42;
  };
  source.SetMaxThreads(1);
  THeightData* result = nullptr;
  std::thread asker([&] { result = source.GetData(0, 0, 2, hvtByte); });
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return started; });
  }
  THeightData* preparing = source.TileAt(0);
  ASSERT_NE(preparing, nullptr);
  EXPECT_EQ(preparing->GetDataState(), htsWaiting);
  source.MarkDirty();
  source.SetMaxPoolSize(0);
  source.CleanUp();
  EXPECT_EQ(source.TileCount(), 1);  // kept while the worker fills it
  {
    std::lock_guard<std::mutex> lock(m);
    go = true;
  }
  cv.notify_all();
  asker.join();
  ASSERT_EQ(result, preparing);
  EXPECT_EQ(result->ByteHeight(0, 0), 42);
  source.CleanUp();
  EXPECT_EQ(source.TileCount(), 0);
}

TEST(HeightDataThreads, TileWhoseWorkerFailsIsEmptyNotWaitedOnForEver) {
  TGLCustomHDS source;
  source.OnStartPreparingData = [](THeightData* tile) {
    tile->Allocate(hvtByte);
    throw EHeightData("no data here");
  };
  source.SetMaxThreads(1);
  THeightData* tile = source.GetData(0, 0, 4, hvtByte);
  EXPECT_EQ(tile->GetDataState(), htsEmpty);
  EXPECT_EQ(source.InterpolatedHeight(1, 1, 4), 0);
}
