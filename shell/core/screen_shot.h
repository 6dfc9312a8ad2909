#pragma once
// The 3D view saved as a picture file: the scene rendered off-screen into a
// picture of the view's size at 96 dots per inch, kept as 24-bit colour and
// written as a baseline JPEG of quality 90.

#include <cstdint>
#include <string>
#include <vector>

class TGL3DSceneBuffer;
class TLinearBitmap;
struct RasterBuffer;

constexpr int kScreenShotQuality = 90;
constexpr int kScreenShotDPI = 96;

// The render's 32-bit picture (rows top-down, blue, green, red, alpha) as a
// 24-bit one of the same rows.
TLinearBitmap ScreenShotBitmap(const RasterBuffer& raster);

// Renders the buffer's scene at width x height and returns the JPEG file's
// bytes. Raises what the render or the encoder raises.
std::vector<std::uint8_t> RenderScreenShot(TGL3DSceneBuffer& buffer, int width, int height);

// RenderScreenShot written to the file, which is replaced whole (an existing
// file stays as it was when the picture cannot be made or written).
void SaveScreenShot(TGL3DSceneBuffer& buffer, int width, int height, const std::string& fileName);
