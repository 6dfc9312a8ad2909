#include "shell/core/screen_shot.h"

#include <cstring>
#include <string_view>

#include "engine/bitmap32.h"
#include "engine/scene_buffer.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "platform/base/atomic_file.h"

TLinearBitmap ScreenShotBitmap(const RasterBuffer& raster) {
  TLinearBitmap picture;
  picture.Allocate(raster.Width, raster.Height, pf24bit);
  for (int y = 0; y < raster.Height; ++y) {
    const std::uint8_t* from = raster.Pixels.data() + static_cast<std::size_t>(y) * raster.Width * 4;
    std::uint8_t* to = picture.ScanLine(y);
    for (int x = 0; x < raster.Width; ++x) std::memcpy(to + 3 * x, from + 4 * x, 3);
  }
  return picture;
}

std::vector<std::uint8_t> RenderScreenShot(TGL3DSceneBuffer& buffer, int width, int height) {
  RasterBuffer raster;
  raster.Width = width;
  raster.Height = height;
  buffer.RenderToBitmap(raster, kScreenShotDPI);
  return EncodeJpeg(ScreenShotBitmap(raster), kScreenShotQuality);
}

void SaveScreenShot(TGL3DSceneBuffer& buffer, int width, int height, const std::string& fileName) {
  const std::vector<std::uint8_t> jpeg = RenderScreenShot(buffer, width, height);
  WriteFileAtomically(fileName, std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()));
}
