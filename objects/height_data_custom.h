#pragma once
// Heights from the user's event, and heights from the raw elevation grid
// "tbase.bin".

#include <functional>
#include <string>

#include "objects/height_data.h"

using TStartPreparingDataEvent = std::function<void(THeightData* heightData)>;
using TMarkDirtyEvent = std::function<void(const TTileRect& area)>;

// The event fills the tile (Allocate, then the samples); a tile the event
// leaves without samples is empty rather than ready, so no lookup reads a
// buffer that is not there.
class TGLCustomHDS : public THeightDataSource {
  CLIENT_DECLARE_CLASS(TGLCustomHDS)
public:
  explicit TGLCustomHDS(TComponent* owner = nullptr);
  ~TGLCustomHDS() override;

  void StartPreparingData(THeightData& heightData) override;
  using THeightDataSource::MarkDirty;
  void MarkDirty(const TTileRect& area) override;

  TStartPreparingDataEvent OnStartPreparingData;
  TMarkDirtyEvent OnMarkDirtyEvent;
};

// "tbase.bin": 4320 columns by 2160 rows of signed 16-bit little-endian
// heights, row by row; negative heights (the sea floor) become 0. Tiles wrap
// around the grid in both directions. Samples past the end of a short file
// read as 0; without the file tiles are empty.
class TGLTerrainBaseHDS : public THeightDataSource {
  CLIENT_DECLARE_CLASS(TGLTerrainBaseHDS)
public:
  static constexpr int kColumns = 4320;
  static constexpr int kRows = 2160;

  explicit TGLTerrainBaseHDS(TComponent* owner = nullptr);
  ~TGLTerrainBaseHDS() override;

  void StartPreparingData(THeightData& heightData) override;

  // The grid file, "tbase.bin" in the current folder unless set (ours).
  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }

private:
  std::string FFileName = "tbase.bin";
};
