#include "objects/height_data.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(THeightData, TObject)
CLIENT_DEFINE_CLASS(THeightDataSource, TComponent)

double HeightDataNow() {
  using namespace std::chrono;
  const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
  return seconds / 86400.0 + 25569.0;
}

void THeightDataDeleter::operator()(THeightData* tile) const { delete tile; }

namespace {

int SampleWidth(THeightValueType type) {
  switch (type) {
    case hvtByte: return 1;
    case hvtSmallInt: return 2;
    case hvtSingle: return 4;
    default: return 0;
  }
}

// Nearest integer, halves to the even neighbour, within [lo, hi]; NaN gives 0.
int RoundClamped(float v, int lo, int hi) {
  if (std::isnan(v)) return 0;
  const float r = std::nearbyint(v);
  if (r <= float(lo)) return lo;
  if (r >= float(hi)) return hi;
  return int(r);
}

// A small-int height as a byte sample: v / 128 (toward zero) + 128, held in
// 0..255 so that heights beyond the byte range saturate instead of wrapping.
std::uint8_t SmallIntToByte(int v) {
  return std::uint8_t(std::clamp(v / 128 + 128, 0, 255));
}

}  // namespace

// ---------------------------------------------------------------------------
// THeightData

THeightData::THeightData(THeightDataSource* owner, int xLeft, int yTop, int size, THeightValueType valueType)
    : FOwner(owner), FSize(size < 0 ? 0 : size), FXLeft(xLeft), FYTop(yTop), FValueType(valueType) {}

THeightData::~THeightData() {
  // A destructor must not throw; a user's handler that fails cannot stop the
  // tile from going.
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
    }
  }
  FreeData();
}

void THeightData::RegisterUse() { ++FUseCounter; }

void THeightData::Release() {
  int count = FUseCounter.load();
  while (count > 0 && !FUseCounter.compare_exchange_weak(count, count - 1)) {
  }
  if (count == 1) FReleaseTime = HeightDataNow();
}

void THeightData::MarkDirty() {
  bool expected = false;
  if (FDirty.compare_exchange_strong(expected, true)) FUseCounter.store(0);
}

void THeightData::Allocate(THeightValueType valueType) {
  CLIENT_ASSERT(FDataSize == 0);
  const int width = SampleWidth(valueType);
  CLIENT_ASSERT(width > 0);
  const long long samples = static_cast<long long>(FSize) * FSize;
  CLIENT_ASSERT(samples * width <= std::numeric_limits<int>::max(), "Height tile too large");
  switch (valueType) {
    case hvtByte: FByteData.assign(std::size_t(samples), 0); break;
    case hvtSmallInt: FSmallIntData.assign(std::size_t(samples), 0); break;
    case hvtSingle: FSingleData.assign(std::size_t(samples), 0.0f); break;
    default: break;
  }
  FDataSize = int(samples * width);
  FValueType = valueType;
  BuildRaster();
}

void THeightData::BuildRaster() {
  FByteRaster.clear();
  FSmallIntRaster.clear();
  FSingleRaster.clear();
  for (int y = 0; y < FSize; ++y) {
    const std::size_t row = std::size_t(y) * std::size_t(FSize);
    switch (FValueType) {
      case hvtByte: FByteRaster.push_back(FByteData.data() + row); break;
      case hvtSmallInt: FSmallIntRaster.push_back(FSmallIntData.data() + row); break;
      case hvtSingle: FSingleRaster.push_back(FSingleData.data() + row); break;
      default: break;
    }
  }
}

void THeightData::FreeData() {
  FByteData = {};
  FSmallIntData = {};
  FSingleData = {};
  FByteRaster = {};
  FSmallIntRaster = {};
  FSingleRaster = {};
  FDataSize = 0;
}

void THeightData::SetValueType(THeightValueType valueType) {
  if (valueType == FValueType || valueType == hvtAny) return;
  if (GetDataState() == htsEmpty || FDataSize == 0) {
    FValueType = valueType;
    return;
  }
  CLIENT_ASSERT(SampleWidth(valueType) > 0);
  const std::size_t n = std::size_t(FSize) * std::size_t(FSize);
  std::vector<std::uint8_t> bytes;
  std::vector<std::int16_t> smallInts;
  std::vector<float> singles;
  switch (FValueType) {
    case hvtByte:
      if (valueType == hvtSmallInt) {
        smallInts.resize(n);
        for (std::size_t i = 0; i < n; ++i) smallInts[i] = std::int16_t((int(FByteData[i]) - 128) * 128);
      } else {
        singles.resize(n);
        for (std::size_t i = 0; i < n; ++i) singles[i] = float((int(FByteData[i]) - 128) * 128);
      }
      break;
    case hvtSmallInt:
      if (valueType == hvtByte) {
        bytes.resize(n);
        for (std::size_t i = 0; i < n; ++i) bytes[i] = SmallIntToByte(FSmallIntData[i]);
      } else {
        singles.resize(n);
        for (std::size_t i = 0; i < n; ++i) singles[i] = float(FSmallIntData[i]);
      }
      break;
    case hvtSingle:
      if (valueType == hvtByte) {
        bytes.resize(n);
        for (std::size_t i = 0; i < n; ++i) bytes[i] = SmallIntToByte(RoundClamped(FSingleData[i], -32768, 32767));
      } else {
        smallInts.resize(n);
        for (std::size_t i = 0; i < n; ++i) smallInts[i] = std::int16_t(RoundClamped(FSingleData[i], -32768, 32767));
      }
      break;
    default:
      CLIENT_ASSERT(false);
  }
  FreeData();
  FByteData = std::move(bytes);
  FSmallIntData = std::move(smallInts);
  FSingleData = std::move(singles);
  FValueType = valueType;
  FDataSize = int(n) * SampleWidth(valueType);
  BuildRaster();
}

std::uint8_t THeightData::ByteHeight(int x, int y) const {
  CLIENT_ASSERT(x >= 0 && y >= 0 && x < FSize && y < FSize && !FByteRaster.empty());
  return FByteRaster[std::size_t(y)][x];
}

std::int16_t THeightData::SmallIntHeight(int x, int y) const {
  CLIENT_ASSERT(x >= 0 && y >= 0 && x < FSize && y < FSize && !FSmallIntRaster.empty());
  return FSmallIntRaster[std::size_t(y)][x];
}

float THeightData::SingleHeight(int x, int y) const {
  CLIENT_ASSERT(x >= 0 && y >= 0 && x < FSize && y < FSize && !FSingleRaster.empty());
  return FSingleRaster[std::size_t(y)][x];
}

float THeightData::HeightAt(int x, int y) const {
  switch (FValueType) {
    case hvtByte: return float((int(ByteHeight(x, y)) - 128) * 128);
    case hvtSmallInt: return float(SmallIntHeight(x, y));
    case hvtSingle: return SingleHeight(x, y);
    default: CLIENT_ASSERT(false); return 0;
  }
}

float THeightData::InterpolatedHeight(float x, float y) const {
  if (GetDataState() == htsEmpty || FDataSize == 0 || FSize < 1) return 0;
  if (FSize < 2) return HeightAt(0, 0);
  // Outside the tile the nearest edge answers: a lookup never reads past the
  // last sample, whatever point it is given.
  const float last = float(FSize - 1);
  x = std::isnan(x) ? 0.0f : std::clamp(x, 0.0f, last);
  y = std::isnan(y) ? 0.0f : std::clamp(y, 0.0f, last);
  const int ix = std::min(int(x), FSize - 2);
  const int iy = std::min(int(y), FSize - 2);
  const float fx = x - float(ix);
  const float fy = y - float(iy);
  const float a = HeightAt(ix, iy);
  const float b = HeightAt(ix + 1, iy);
  const float c = HeightAt(ix, iy + 1);
  const float d = HeightAt(ix + 1, iy + 1);
  if (fx <= fy) return c + (d - c) * fx + (a - c) * (1.0f - fy);
  return b + (a - b) * (1.0f - fx) + (d - b) * fy;
}

TAffineVector THeightData::Normal(int x, int y, const TAffineVector& scale) const {
  if (FSize < 1 || FDataSize == 0) return {0, 0, 1};
  const int last = FSize - 1;
  x = std::clamp(x, 0, last);
  y = std::clamp(y, 0, last);
  auto at = [&](int sx, int sy) { return HeightAt(std::clamp(sx, 0, last), std::clamp(sy, 0, last)); };
  float dx;
  if (x > 0 && x < last)
    dx = at(x + 1, y) - at(x - 1, y);
  else if (x < 1)
    dx = at(x + 1, y) - at(x, y);
  else
    dx = at(x, y) - at(x - 1, y);
  float dy;
  if (y > 0 && y < last)
    dy = at(x, y + 1) - at(x, y - 1);
  else if (y < 1)
    dy = at(x, y + 1) - at(x, y);
  else
    dy = at(x, y) - at(x, y - 1);
  dx *= scale[0] * scale[2];
  dy *= scale[1] * scale[2];
  const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
  return {dx / length, dy / length, 1.0f / length};
}

// ---------------------------------------------------------------------------
// THeightDataSource

THeightDataSource::THeightDataSource(TComponent* owner) : TComponent(owner) {
  FHeightDataClass = [](THeightDataSource* source, int xLeft, int yTop, int size, THeightValueType type) {
    return MakeHeightData<THeightData>(source, xLeft, yTop, size, type);
  };
  FThread = std::thread([this] { ServiceThreadLoop(); });
}

THeightDataSource::~THeightDataSource() {
  StopServiceThread();
  MarkDestroying();
  Clear();
}

void THeightDataSource::StopServiceThread() {
  {
    std::lock_guard<std::mutex> lock(FWakeLock);
    FTerminate.store(true);
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
}

void THeightDataSource::SetMaxThreads(int value) {
  {
    std::lock_guard<std::mutex> lock(FWakeLock);
    FMaxThreads.store(value < 0 ? 0 : value);
  }
  FWake.notify_all();
}

void THeightDataSource::SetHeightDataClass(THeightDataClass tileClass) {
  std::lock_guard<std::mutex> lock(FLock);
  if (tileClass) FHeightDataClass = std::move(tileClass);
}

int THeightDataSource::BucketIndex(int xLeft, int yTop) {
  const std::uint32_t x = std::uint32_t(xLeft);
  const std::uint32_t y = std::uint32_t(yTop);
  return int(((x >> 8) + x + 2u * y + (y >> 7)) & 255u);
}

int THeightDataSource::TileCount() const {
  std::lock_guard<std::mutex> lock(FLock);
  return int(FData.size());
}

THeightData* THeightDataSource::TileAt(int index) const {
  std::lock_guard<std::mutex> lock(FLock);
  if (index < 0 || index >= int(FData.size())) return nullptr;
  return FData[std::size_t(index)].get();
}

void THeightDataSource::Clear() {
  TileList doomed;
  {
    std::unique_lock<std::mutex> lock(FLock);
    if (!IsDestroying()) {
      for (const auto& tile : FData)
        if (tile && tile->GetUseCounter() > 0) throw EHeightData(height_data_messages::kStillInUse);
    }
    doomed = std::move(FData);
    FData.clear();
    for (auto& bucket : FBuckets) bucket.clear();
    for (auto& tile : doomed)
      if (tile) tile->FOwner = nullptr;
  }
  // A tile that the service thread is filling is out of the list now; it is
  // freed once that thread let go of it.
  for (auto& tile : doomed) {
    while (tile && tile->FPreparing.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  doomed.clear();
}

THeightData* THeightDataSource::FindMatchLocked(int xLeft, int yTop, int size, THeightValueType valueType) const {
  for (THeightData* tile : FBuckets[std::size_t(BucketIndex(xLeft, yTop))]) {
    if (!tile->GetDirty() && tile->FXLeft == xLeft && tile->FYTop == yTop && tile->FSize == size &&
        tile->FValueType == valueType)
      return tile;
  }
  return nullptr;
}

THeightData* THeightDataSource::FindMatchInList(int xLeft, int yTop, int size, THeightValueType valueType) {
  std::lock_guard<std::mutex> lock(FLock);
  return FindMatchLocked(xLeft, yTop, size, valueType);
}

THeightData* THeightDataSource::GetData(int xLeft, int yTop, int size, THeightValueType valueType) {
  THeightData* tile = nullptr;
  {
    std::lock_guard<std::mutex> lock(FLock);
    tile = FindMatchLocked(xLeft, yTop, size, valueType);
    if (tile) {
      auto it = std::find_if(FData.begin(), FData.end(), [tile](const THeightDataPtr& p) { return p.get() == tile; });
      if (it != FData.end()) std::rotate(FData.begin(), it, it + 1);
    }
  }
  if (!tile) tile = CreateTile(xLeft, yTop, size, valueType);
  for (;;) {
    const THeightTileState state = tile->GetDataState();
    if (state == htsReady || state == htsEmpty) break;
    // Without workers nobody else will fill a waiting tile.
    if (FMaxThreads.load() == 0 && state == htsWaiting && !tile->FPreparing.load())
      PrepareTile(*tile);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return tile;
}

THeightData* THeightDataSource::CreateTile(int xLeft, int yTop, int size, THeightValueType valueType) {
  THeightData* tile = nullptr;
  {
    std::lock_guard<std::mutex> lock(FLock);
    THeightDataPtr created = FHeightDataClass(this, xLeft, yTop, size, valueType);
    CLIENT_ASSERT(created != nullptr);
    tile = created.get();
    FData.push_back(std::move(created));
    FBuckets[std::size_t(BucketIndex(xLeft, yTop))].push_back(tile);
  }
  if (FMaxThreads.load() == 0) PrepareTile(*tile);
  return tile;
}

void THeightDataSource::PrepareTile(THeightData& tile) {
  bool expected = false;
  if (!tile.FPreparing.compare_exchange_strong(expected, true)) return;
  auto finish = [&tile] {
    const THeightTileState state = tile.GetDataState();
    if (state == htsWaiting || state == htsPreparing) tile.SetDataState(htsEmpty);
    tile.FPreparing.store(false);
  };
  try {
    StartPreparingData(tile);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void THeightDataSource::StartPreparingData(THeightData& heightData) { heightData.SetDataState(htsReady); }

void THeightDataSource::MarkDirty(const TTileRect& area) {
  std::lock_guard<std::mutex> lock(FLock);
  for (auto it = FData.rbegin(); it != FData.rend(); ++it) {
    THeightData* tile = it->get();
    if (!tile) continue;
    const long long left = tile->FXLeft;
    const long long top = tile->FYTop;
    const long long size = tile->FSize;
    const bool outside = area.Right < left || area.Bottom < top || left + size <= area.Left || top + size <= area.Top;
    if (!outside) tile->MarkDirty();
  }
}

void THeightDataSource::MarkDirty(int left, int top, int right, int bottom) {
  MarkDirty(TTileRect{left, top, right, bottom});
}

void THeightDataSource::MarkDirty() { MarkDirty(-2147483646, -2147483646, 2147483646, 2147483646); }

void THeightDataSource::RemoveFromBucket(THeightData* tile) {
  auto& bucket = FBuckets[std::size_t(BucketIndex(tile->FXLeft, tile->FYTop))];
  bucket.erase(std::remove(bucket.begin(), bucket.end(), tile), bucket.end());
}

void THeightDataSource::CleanUp() {
  TileList doomed;
  {
    std::lock_guard<std::mutex> lock(FLock);
    long long total = 0;
    bool freed = false;
    auto drop = [&](THeightDataPtr& entry) {
      RemoveFromBucket(entry.get());
      entry->FOwner = nullptr;
      doomed.push_back(std::move(entry));
      freed = true;
    };
    for (auto it = FData.rbegin(); it != FData.rend(); ++it) {
      THeightData* tile = it->get();
      if (tile->GetDirty() && !tile->FPreparing.load())
        drop(*it);
      else
        total += tile->GetDataSize();
    }
    if (FMaxPoolSize < total) {
      for (auto& entry : FData) {
        if (entry && entry->GetDataState() == htsReady && entry->GetUseCounter() == 0 && !entry->FPreparing.load())
          drop(entry);
      }
    }
    if (freed) FData.erase(std::remove(FData.begin(), FData.end(), nullptr), FData.end());
  }
  // OnDestroy handlers run outside the lock, so that they may use the source.
  doomed.clear();
}

float THeightDataSource::InterpolatedHeight(float x, float y, int tileSize) {
  if (!std::isfinite(x) || !std::isfinite(y)) return FDefaultHeight;
  int xLeft = 0, yTop = 0, size = 0;
  THeightValueType type = hvtAny;
  bool found = false;
  {
    std::lock_guard<std::mutex> lock(FLock);
    for (const auto& tile : FData) {
      const double left = tile->FXLeft, top = tile->FYTop, last = double(tile->FSize) - 1;
      if (left <= x && x < left + last && top <= y && y < top + last) {
        if (!tile->GetDirty()) {
          found = true;
          xLeft = tile->FXLeft;
          yTop = tile->FYTop;
          size = tile->FSize;
          type = tile->FValueType;
        }
        break;
      }
    }
  }
  if (!found) {
    if (tileSize < 2) return FDefaultHeight;
    // The tile whose cell range holds the point: floor, not nearest, so that
    // a point on a tile edge never falls to the tile before it and reads
    // past its last sample.
    const double s = double(tileSize) - 1.0;
    const double tx = std::floor(double(x) / s) * s;
    const double ty = std::floor(double(y) / s) * s;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (tx < lo || tx > hi || ty < lo || ty > hi) return FDefaultHeight;
    xLeft = int(tx);
    yTop = int(ty);
    size = tileSize;
    type = hvtAny;
  }
  THeightData* tile = GetData(xLeft, yTop, size, type);
  if (tile->GetDataState() == htsEmpty) return FDefaultHeight;
  return tile->InterpolatedHeight(float(double(x) - xLeft), float(double(y) - yTop));
}

void THeightDataSource::ServiceThreadLoop() {
  int idlePasses = 0;
  while (!FTerminate.load()) {
    bool idle = true;
    const int maxThreads = FMaxThreads.load();
    if (maxThreads > 0) {
      std::vector<THeightData*> picked;
      {
        std::lock_guard<std::mutex> lock(FLock);
        int busy = 0;
        for (const auto& tile : FData)
          if (tile->FPreparing.load()) ++busy;
        for (const auto& tile : FData) {
          if (busy >= maxThreads) break;
          if (tile->GetDataState() != htsWaiting) continue;
          bool expected = false;
          if (!tile->FPreparing.compare_exchange_strong(expected, true)) continue;
          picked.push_back(tile.get());
          ++busy;
        }
      }
      // Claimed tiles are never freed while they are filled, so they can be
      // prepared outside the lock.
      for (THeightData* tile : picked) {
        try {
          StartPreparingData(*tile);
        } catch (...) {
          // Nobody to report to on this thread: the tile stays without data.
        }
        const THeightTileState state = tile->GetDataState();
        if (state == htsWaiting || state == htsPreparing) tile->SetDataState(htsEmpty);
        tile->FPreparing.store(false);
      }
      idle = picked.empty();
    }
    FServicePasses.fetch_add(1);
    idlePasses = idle ? idlePasses + 1 : 0;
    if (idlePasses >= 10) {
      std::unique_lock<std::mutex> lock(FWakeLock);
      if (FMaxThreads.load() == 0)
        // Without workers tiles are prepared by whoever asks: nothing to
        // look for until workers are allowed, so no wake-ups at rest.
        FWake.wait(lock, [this] { return FTerminate.load() || FMaxThreads.load() > 0; });
      else
        FWake.wait_for(lock, std::chrono::milliseconds(10), [this] { return FTerminate.load(); });
    } else {
      std::this_thread::yield();
    }
  }
}
