#include "objects/height_data_bitmap.h"

#include <algorithm>

CLIENT_DEFINE_CLASS(TGLBitmapHDS, THeightDataSource)
CLIENT_REGISTER_CLASS(TGLBitmapHDS);

namespace {

// The index of the nearest entry of a grey ramp: the mean of the channels,
// rounded (a third rounds down, two thirds up).
std::uint8_t NearestGrey(int b, int g, int r) { return std::uint8_t((b + g + r + 1) / 3); }

}  // namespace

TGLBitmapHDS::TGLBitmapHDS(TComponent* owner) : THeightDataSource(owner), FPicture(std::make_unique<Picture>()) {
  FPicture->OnChange = [this](Picture&) { PictureChanged(); };
}

TGLBitmapHDS::~TGLBitmapHDS() {
  StopServiceThread();
  FPicture->OnChange = nullptr;
}

void TGLBitmapHDS::SetPicture(const Picture& picture) { FPicture->Assign(picture); }

void TGLBitmapHDS::SetInfiniteWrap(bool value) {
  if (value == FInfiniteWrap) return;
  FInfiniteWrap = value;
  MarkDirty();
}

void TGLBitmapHDS::PictureChanged() {
  // Every tile holds heights of the old picture, those in use included:
  // mark them all stale so that users fetch new ones, then free what can go.
  THeightDataSource::MarkDirty(TTileRect{-2147483646, -2147483646, 2147483646, 2147483646});
  const int pool = GetMaxPoolSize();
  SetMaxPoolSize(0);
  CleanUp();
  SetMaxPoolSize(pool);
  CreateMonochromeBitmap();
}

void TGLBitmapHDS::MarkDirty(const TTileRect& area) {
  THeightDataSource::MarkDirty(area);
  CreateMonochromeBitmap();
}

int TGLBitmapHDS::GetBitmapSize() const {
  std::lock_guard<std::mutex> lock(FBitmapLock);
  return FBitmapSize;
}

int TGLBitmapHDS::GetGrey(int x, int y) const {
  std::lock_guard<std::mutex> lock(FBitmapLock);
  if (x < 0 || y < 0 || x >= FBitmapSize || y >= FBitmapSize) return -1;
  return FScanLineCache[std::size_t(y)][x];
}

void TGLBitmapHDS::CreateMonochromeBitmap() {
  std::lock_guard<std::mutex> lock(FBitmapLock);
  FBitmap.clear();
  FScanLineCache.clear();
  FBitmapSize = 0;
  const Bitmap& source = FPicture->GetBitmap();
  const int w = source.GetWidth();
  const int h = source.GetHeight();
  if (w <= 0 || h <= 0) return;
  const int bpp = BytesPerPixel(source.GetPixelFormat());
  if (bpp == 0) return;
  int n = 1;
  while (n < w && n < kMaxBitmapSize) n *= 2;
  // A nearest-pixel stretch of the whole picture onto the square: only the
  // width sets the side, so a non-square picture is stretched to a square.
  std::vector<int> columns(static_cast<std::size_t>(n));
  for (int x = 0; x < n; ++x) columns[std::size_t(x)] = int(static_cast<long long>(x) * w / n);
  const Bitmap::Palette& palette = source.GetPalette();
  FBitmap.resize(std::size_t(n) * std::size_t(n));
  for (int y = 0; y < n; ++y) {
    const std::uint8_t* row = source.ScanLine(int(static_cast<long long>(y) * h / n));
    std::uint8_t* target = FBitmap.data() + std::size_t(y) * std::size_t(n);
    for (int x = 0; x < n; ++x) {
      const std::uint8_t* p = row + std::size_t(columns[std::size_t(x)]) * std::size_t(bpp);
      if (bpp == 1) {
        const std::size_t i = std::size_t(*p) * 3;
        target[x] = NearestGrey(palette[i], palette[i + 1], palette[i + 2]);
      } else {
        target[x] = NearestGrey(p[0], p[1], p[2]);
      }
    }
  }
  FBitmapSize = n;
  FScanLineCache.resize(std::size_t(n));
  for (int y = 0; y < n; ++y) FScanLineCache[std::size_t(y)] = FBitmap.data() + std::size_t(y) * std::size_t(n);
}

void TGLBitmapHDS::StartPreparingData(THeightData& heightData) {
  std::lock_guard<std::mutex> lock(FBitmapLock);
  // Without a picture the tile stays unprepared (the source then marks it
  // empty, so nobody waits for it).
  if (FBitmapSize == 0) return;
  heightData.SetDataState(htsPreparing);
  const int n = FBitmapSize;
  const int xLeft = heightData.GetXLeft();
  const int yTop = heightData.GetYTop();
  if (!FInfiniteWrap && (xLeft >= n || xLeft < 0 || yTop >= n || yTop < 0)) {
    heightData.SetDataState(htsEmpty);
    return;
  }
  const THeightValueType oldType = heightData.GetValueType();
  heightData.Allocate(hvtByte);
  const int size = heightData.GetSize();
  const std::uint32_t mask = std::uint32_t(n - 1);
  std::uint8_t* const* raster = heightData.ByteRaster();
  // Unsigned arithmetic: positions wrap around the bitmap whatever their sign.
  for (int y = 0; y < size; ++y) {
    const std::uint8_t* row = FScanLineCache[(std::uint32_t(yTop) + std::uint32_t(y)) & mask];
    std::uint8_t* target = raster[y];
    for (int x = 0; x < size; ++x) target[x] = row[(std::uint32_t(xLeft) + std::uint32_t(x)) & mask];
  }
  if (oldType == hvtSmallInt || oldType == hvtSingle) heightData.SetValueType(oldType);
  THeightDataSource::StartPreparingData(heightData);
}
