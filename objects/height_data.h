#pragma once
// Terrain heights in square tiles, supplied on demand by a height source.
//
// A source keeps a locked cache of tiles, finds or creates the tile for an
// area, fills it through an overridable preparation step (on the asking
// thread, or on the source's service thread when a worker limit is set) and
// frees the tiles nobody uses when the cache grows past its pool size.
//
// Height units: a picture grey level g becomes the height (g - 128) * 128;
// the terrain renderer scales heights by 1/128.
//
// Ownership: the source owns its tiles. A tile is handed out as a raw
// pointer and cannot be deleted by anyone else (its destructor is closed to
// all but the source), so a tile is freed only by CleanUp, Clear and the
// source's destruction. A tile owns the object tagged on it (the terrain
// renderer's patch), so whatever a user keeps per tile goes with the tile.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/class_registry.h"
#include "engine/component.h"
#include "engine/vector_types.h"
#include "platform/base/exception.h"

enum THeightValueType { hvtByte, hvtSmallInt, hvtSingle, hvtAny };

enum THeightTileState { htsWaiting, htsPreparing, htsReady, htsEmpty };

// "ERR: HeightData still in use" and the other failures of the cache.
CLIENT_DECLARE_EXCEPTION(EHeightData, Exception);

namespace height_data_messages {
inline constexpr const char* kStillInUse = "ERR: HeightData still in use";
inline constexpr const char* kDoNotFree = "You should *not* free a THeightData, use \"Release\" instead";
}  // namespace height_data_messages

// The toolkit's rectangle, right and bottom inclusive for MarkDirty.
struct TTileRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

// Days since 1899-12-30, the date-time the release time is kept in.
double HeightDataNow();

class THeightDataSource;
class THeightData;

// Only the source deletes tiles (see the ownership note above).
struct THeightDataDeleter {
  void operator()(THeightData* tile) const;
};
using THeightDataPtr = std::unique_ptr<THeightData, THeightDataDeleter>;

// Creates a tile of a class derived from THeightData; used by tile classes.
template <class T, class... Args>
THeightDataPtr MakeHeightData(Args&&... args) {
  return THeightDataPtr(new T(std::forward<Args>(args)...));
}

class THeightData : public TObject {
  CLIENT_DECLARE_CLASS(THeightData)
public:
  THeightData(THeightDataSource* owner, int xLeft, int yTop, int size, THeightValueType valueType);
  THeightData(const THeightData&) = delete;
  THeightData& operator=(const THeightData&) = delete;

  THeightDataSource* GetOwner() const { return FOwner; }
  int GetXLeft() const { return FXLeft; }
  int GetYTop() const { return FYTop; }
  int GetSize() const { return FSize; }
  // Both are read under the source's lock while a worker may be filling
  // the tile, hence atomic.
  THeightValueType GetValueType() const { return FValueType.load(); }
  // Bytes held by the samples: 0 before Allocate.
  int GetDataSize() const { return FDataSize.load(); }

  // Polled without the source's lock: the samples are written before the
  // state becomes htsReady (release), and read after it was seen (acquire).
  THeightTileState GetDataState() const { return FDataState.load(std::memory_order_acquire); }
  void SetDataState(THeightTileState state) { FDataState.store(state, std::memory_order_release); }

  int GetUseCounter() const { return FUseCounter.load(); }
  void RegisterUse();
  // One user fewer; the release time is taken when the last one goes.
  void Release();
  double GetReleaseTime() const { return FReleaseTime; }
  // Stale: no longer returned by lookups, freed at the next clean-up.
  void MarkDirty();
  bool GetDirty() const { return FDirty.load(); }

  // Size^2 samples of the type (assertion failure over existing data or for
  // hvtAny).
  void Allocate(THeightValueType valueType);
  // Converts the samples; see the unit for the rules.
  void SetValueType(THeightValueType valueType);

  std::uint8_t* ByteData() { return FByteData.data(); }
  std::int16_t* SmallIntData() { return FSmallIntData.data(); }
  float* SingleData() { return FSingleData.data(); }
  // Row tables: row y starts at data + y * size. Null before Allocate.
  std::uint8_t* const* ByteRaster() const { return FByteRaster.empty() ? nullptr : FByteRaster.data(); }
  std::int16_t* const* SmallIntRaster() const { return FSmallIntRaster.empty() ? nullptr : FSmallIntRaster.data(); }
  float* const* SingleRaster() const { return FSingleRaster.empty() ? nullptr : FSingleRaster.data(); }

  // The sample at column x, row y; x and y below the size (assertion failure
  // otherwise, also when the tile holds another type).
  std::uint8_t ByteHeight(int x, int y) const;
  std::int16_t SmallIntHeight(int x, int y) const;
  float SingleHeight(int x, int y) const;
  // The sample as a height: a byte b gives (b - 128) * 128.
  float HeightAt(int x, int y) const;
  // Height at a tile-local point, split along the cell diagonal from (ix, iy)
  // to (ix + 1, iy + 1) like the terrain mesh. Points outside the tile take
  // the nearest edge; 0 for an empty tile or one without samples.
  float InterpolatedHeight(float x, float y) const;
  // Unit normal (dx, dy, 1) from the neighbouring samples; edges use the
  // one-sided difference.
  TAffineVector Normal(int x, int y, const TAffineVector& scale) const;

  // Texture coordinates mode 0: from the tile position; 1: from the offset
  // and scale below.
  std::uint8_t GetTextureCoordinatesMode() const { return FTextureCoordinatesMode; }
  void SetTextureCoordinatesMode(std::uint8_t mode) { FTextureCoordinatesMode = mode; }
  TTexPoint GetTextureCoordinatesOffset() const { return FTextureCoordinatesOffset; }
  void SetTextureCoordinatesOffset(const TTexPoint& offset) { FTextureCoordinatesOffset = offset; }
  TTexPoint GetTextureCoordinatesScale() const { return FTextureCoordinatesScale; }
  void SetTextureCoordinatesScale(const TTexPoint& scale) { FTextureCoordinatesScale = scale; }
  const std::string& GetMaterialName() const { return FMaterialName; }
  void SetMaterialName(const std::string& name) { FMaterialName = name; }

  // Free for the user of the tile; the tile owns what is put here.
  TObject* GetObjectTag() const { return FObjectTag.get(); }
  void SetObjectTag(std::unique_ptr<TObject> object) { FObjectTag = std::move(object); }
  std::intptr_t GetTag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }

  float GetHeightMin() const { return FHeightMin; }
  void SetHeightMin(float value) { FHeightMin = value; }
  float GetHeightMax() const { return FHeightMax; }
  void SetHeightMax(float value) { FHeightMax = value; }

  // Called when the tile is freed, before its samples and tag go.
  std::function<void(THeightData* sender)> OnDestroy;

protected:
  friend struct THeightDataDeleter;
  friend class THeightDataSource;
  ~THeightData() override;

private:
  void BuildRaster();
  void FreeData();

  THeightDataSource* FOwner;
  std::atomic<THeightTileState> FDataState{htsWaiting};
  int FSize;
  int FXLeft;
  int FYTop;
  std::atomic<int> FUseCounter{0};
  std::atomic<THeightValueType> FValueType;
  std::atomic<int> FDataSize{0};
  std::vector<std::uint8_t> FByteData;
  std::vector<std::int16_t> FSmallIntData;
  std::vector<float> FSingleData;
  std::vector<std::uint8_t*> FByteRaster;
  std::vector<std::int16_t*> FSmallIntRaster;
  std::vector<float*> FSingleRaster;
  std::uint8_t FTextureCoordinatesMode = 0;
  TTexPoint FTextureCoordinatesOffset{0, 0};
  TTexPoint FTextureCoordinatesScale{1, 1};
  std::string FMaterialName;
  std::unique_ptr<TObject> FObjectTag;
  std::intptr_t FTag = 0;
  double FReleaseTime = 0;
  std::atomic<bool> FDirty{false};
  // Set while a thread prepares the tile; such a tile is never freed.
  std::atomic<bool> FPreparing{false};
  float FHeightMin = 1e30f;
  float FHeightMax = 1e30f;
};

// The tile class of a source: creates a tile for the area.
using THeightDataClass =
    std::function<THeightDataPtr(THeightDataSource* owner, int xLeft, int yTop, int size, THeightValueType type)>;

class THeightDataSource : public TComponent {
  CLIENT_DECLARE_CLASS(THeightDataSource)
public:
  explicit THeightDataSource(TComponent* owner = nullptr);
  ~THeightDataSource() override;

  // Frees every tile; "ERR: HeightData still in use" while one has users
  // (the tiles are kept then).
  void Clear();

  // The tile for the area: found in the cache (and moved to its front) or
  // created; waits until it is ready or empty. Registers no use.
  THeightData* GetData(int xLeft, int yTop, int size, THeightValueType valueType);
  // The first clean tile of exactly this area, size and type, or nullptr.
  THeightData* FindMatchInList(int xLeft, int yTop, int size, THeightValueType valueType);
  // Creates a tile of the tile class and lists it; with no worker limit it is
  // prepared at once on the caller's thread.
  virtual THeightData* CreateTile(int xLeft, int yTop, int size, THeightValueType valueType);
  // Fills the tile; the base only marks it ready.
  virtual void StartPreparingData(THeightData& heightData);
  // Marks dirty every tile that overlaps the area (right and bottom inclusive).
  virtual void MarkDirty(const TTileRect& area);
  void MarkDirty(int left, int top, int right, int bottom);
  // Everything.
  void MarkDirty();
  // Frees dirty tiles, then every ready tile without users when the cache
  // holds more than MaxPoolSize bytes.
  void CleanUp();
  // The height at a point of the source; DefaultHeight where there is none.
  virtual float InterpolatedHeight(float x, float y, int tileSize);

  int GetMaxThreads() const { return FMaxThreads.load(); }
  // A limit above 0 wakes the service thread, which sleeps while there is
  // none.
  void SetMaxThreads(int value);
  int GetMaxPoolSize() const { return FMaxPoolSize; }
  void SetMaxPoolSize(int value) { FMaxPoolSize = value; }
  float GetDefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(float value) { FDefaultHeight = value; }
  double GetReleaseLatency() const { return FReleaseLatency; }
  void SetReleaseLatency(double days) { FReleaseLatency = days; }
  void SetHeightDataClass(THeightDataClass tileClass);

  // Tiles in the cache (ours: for tests, benchmarks and statistics).
  int TileCount() const;
  // Passes the service thread has made over the tiles (ours: for tests).
  long ServicePasses() const { return FServicePasses.load(); }
  // The tile at a position of the list, most recently used first.
  THeightData* TileAt(int index) const;

  static int BucketIndex(int xLeft, int yTop);

protected:
  // Concrete sources call this first in their destructors, so that the
  // service thread never prepares a tile on a half-destroyed source.
  void StopServiceThread();

private:
  using TileList = std::vector<THeightDataPtr>;
  void ServiceThreadLoop();
  // Prepares a tile on the current thread; a tile left unprepared (no data
  // to be had) becomes empty, so nobody waits for it for ever.
  void PrepareTile(THeightData& tile);
  void RemoveFromBucket(THeightData* tile);
  THeightData* FindMatchLocked(int xLeft, int yTop, int size, THeightValueType valueType) const;

  mutable std::mutex FLock;
  TileList FData;
  std::array<std::vector<THeightData*>, 256> FBuckets;
  THeightDataClass FHeightDataClass;
  std::atomic<int> FMaxThreads{0};
  int FMaxPoolSize = 0;
  float FDefaultHeight = 0;
  double FReleaseLatency = 15.0 / (24 * 3600);
  std::atomic<bool> FTerminate{false};
  std::atomic<long> FServicePasses{0};
  // Wakes the idle service thread at once when the source stops it or
  // allows workers.
  std::mutex FWakeLock;
  std::condition_variable FWake;
  std::thread FThread;
};
