#include "objects/height_data_custom.h"

#include <algorithm>
#include <fstream>
#include <vector>

CLIENT_DEFINE_CLASS(TGLCustomHDS, THeightDataSource)
CLIENT_DEFINE_CLASS(TGLTerrainBaseHDS, THeightDataSource)
CLIENT_REGISTER_CLASS(TGLCustomHDS);
CLIENT_REGISTER_CLASS(TGLTerrainBaseHDS);

TGLCustomHDS::TGLCustomHDS(TComponent* owner) : THeightDataSource(owner) {}

TGLCustomHDS::~TGLCustomHDS() { StopServiceThread(); }

void TGLCustomHDS::StartPreparingData(THeightData& heightData) {
  if (OnStartPreparingData) OnStartPreparingData(&heightData);
  if (heightData.GetDataState() == htsEmpty) return;
  if (heightData.GetDataSize() == 0) {
    heightData.SetDataState(htsEmpty);
    return;
  }
  THeightDataSource::StartPreparingData(heightData);
}

void TGLCustomHDS::MarkDirty(const TTileRect& area) {
  THeightDataSource::MarkDirty(area);
  if (OnMarkDirtyEvent) OnMarkDirtyEvent(area);
}

TGLTerrainBaseHDS::TGLTerrainBaseHDS(TComponent* owner) : THeightDataSource(owner) {}

TGLTerrainBaseHDS::~TGLTerrainBaseHDS() { StopServiceThread(); }

namespace {

// Non-negative remainder: positions west of or above the grid wrap too.
int Wrap(long long v, int n) {
  const long long r = v % n;
  return int(r < 0 ? r + n : r);
}

}  // namespace

void TGLTerrainBaseHDS::StartPreparingData(THeightData& heightData) {
  std::ifstream file(FFileName, std::ios::binary);
  if (!file) return;
  const THeightValueType oldType = heightData.GetValueType();
  heightData.Allocate(hvtSmallInt);
  const int size = heightData.GetSize();
  std::int16_t* const* raster = heightData.SmallIntRaster();
  std::vector<unsigned char> buffer;
  for (int y = 0; y < size; ++y) {
    const int row = Wrap(static_cast<long long>(heightData.GetYTop()) + y, kRows);
    int x = 0;
    while (x < size) {
      // One read per run of columns up to the grid's east edge.
      const int column = Wrap(static_cast<long long>(heightData.GetXLeft()) + x, kColumns);
      const int run = std::min(size - x, kColumns - column);
      buffer.assign(std::size_t(run) * 2, 0);
      file.clear();
      file.seekg((static_cast<std::streamoff>(row) * kColumns + column) * 2, std::ios::beg);
      if (file) file.read(reinterpret_cast<char*>(buffer.data()), std::streamsize(buffer.size()));
      for (int i = 0; i < run; ++i) {
        const auto v = std::int16_t(std::uint16_t(buffer[std::size_t(i) * 2] | (buffer[std::size_t(i) * 2 + 1] << 8)));
        raster[y][x + i] = v < 0 ? std::int16_t(0) : v;
      }
      x += run;
    }
  }
  if (oldType != hvtSmallInt && oldType != hvtAny) heightData.SetValueType(oldType);
  THeightDataSource::StartPreparingData(heightData);
}
