// Random bytes as height data: a raw "tbase.bin" grid (usually short) read
// into tiles at positions the bytes choose, and a greyscale picture of a
// size the bytes choose, stretched and cut into tiles. Heights are looked up
// anywhere and a ROAM patch is tessellated over each tile. Nothing may
// crash, hang or read outside a tile.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "objects/height_data_bitmap.h"
#include "objects/height_data_custom.h"
#include "objects/roam_patch.h"

namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  int Int(int lo, int hi) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4 && at < size; ++i) v = (v << 8) | data[at++];
    return lo + int(v % std::uint32_t(hi - lo + 1));
  }
};

void Exercise(THeightDataSource& source, Reader& r) {
  for (int i = 0; i < 4; ++i) {
    const int size = r.Int(1, 65);
    THeightData* tile = source.GetData(r.Int(-100000, 100000), r.Int(-100000, 100000), size, hvtSmallInt);
    if (tile->GetDataState() == htsReady && size >= 2) {
      TGLROAMPatch patch;
      patch.SetHeightData(tile);
      patch.ComputeVariance(r.Int(-5, 50));
      SetTrianglePoolCapacity(r.Int(0, 4000));
      patch.ResetTessellation();
      patch.SetObserverPosition(TAffineVector{float(r.Int(-500, 500)), float(r.Int(-500, 500)), float(r.Int(-500, 500))});
      patch.Tesselate();
      TAffineVectorList v;
      TIntegerList idx;
      TTexPointList tp;
      patch.BuildMesh(v, idx, tp);
      for (int k = 0; k < idx.GetCount(); ++k)
        if (idx[k] < 0 || idx[k] >= v.GetCount()) __builtin_trap();
    }
    (void)source.InterpolatedHeight(float(r.Int(-70000, 70000)) / 7.0f, float(r.Int(-70000, 70000)) / 7.0f,
                                    r.Int(0, 300));
  }
  source.MarkDirty();
  source.CleanUp();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Reader r{data, size};
  if (data[0] & 1) {
    static const std::string file = "/tmp/fuzz_heightdata_" + std::to_string(getpid()) + ".bin";
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    TGLTerrainBaseHDS source;
    source.SetFileName(file);
    r.at = 1;
    Exercise(source, r);
    std::remove(file.c_str());
  } else {
    const int w = 1 + data[1] % 97;
    const int h = 1 + (size > 2 ? data[2] % 97 : 0);
    Bitmap bitmap(w, h, (data[0] & 2) ? pf24bit : pf8bit);
    std::size_t at = 3;
    for (std::size_t i = 0; i < bitmap.DataSize(); ++i) bitmap.Data()[i] = at < size ? data[at++] : std::uint8_t(i);
    TGLBitmapHDS source;
    source.SetInfiniteWrap((data[0] & 4) != 0);
    Picture picture;
    picture.SetBitmap(std::move(bitmap));
    source.SetPicture(picture);
    r.at = at;
    Exercise(source, r);
  }
  return 0;
}
