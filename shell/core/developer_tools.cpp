#include "shell/core/developer_tools.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "objects/height_data.h"
#include "platform/base/atomic_file.h"
#include "platform/picture/bitmap.h"

Bitmap HeightsPicture(THeightDataSource& source, int size) {
  Bitmap picture(size, size, pf8bit);
  THeightData* tile = source.GetData(0, 0, size, hvtSmallInt);
  if (!tile || tile->GetDataState() != htsReady || tile->GetDataSize() == 0) return picture;
  for (int y = 0; y < size; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < size; ++x) {
      const long grey = std::lround(tile->HeightAt(x, y) / 128.0) + 128;
      row[x] = static_cast<std::uint8_t>(std::clamp(grey, 0L, 255L));
    }
  }
  return picture;
}

void SaveHeightsPicture(THeightDataSource& source, const std::string& fileName) {
  std::ostringstream bytes;
  HeightsPicture(source).SaveToStream(bytes);
  WriteFileAtomically(fileName, bytes.str());
}
