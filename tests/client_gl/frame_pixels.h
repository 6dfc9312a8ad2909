#pragma once
// Frames of a scene buffer read back as RGBA bytes on the off-screen EGL
// context, and how far two frames differ.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/matrix_geometry.h"
#include "engine/scene_buffer.h"

namespace frame_pixels {

// Renders a frame and reads it back, bottom row first.
inline std::vector<std::uint8_t> Frame(TGL3DSceneBuffer& buffer, int width, int height) {
  buffer.Render();
  TGLContext* context = buffer.GetRenderingContext();
  context->Activate();
  std::vector<std::uint8_t> rgba(static_cast<size_t>(width * height * 4));
  GL().glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  context->Deactivate();
  return rgba;
}

struct Difference {
  int pixels = 0;   // pixels whose colour differs at all
  int largest = 0;  // the largest difference of one channel, in levels
};

inline Difference Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  Difference d;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
    int largest = 0;
    for (size_t k = 0; k < 3; ++k) largest = std::max(largest, std::abs(int(a[i + k]) - int(b[i + k])));
    d.pixels += largest > 0;
    d.largest = std::max(d.largest, largest);
  }
  return d;
}

inline std::ostream& operator<<(std::ostream& out, const Difference& d) {
  return out << d.pixels << " pixels differ, by at most " << d.largest << " levels";
}

// Whether the colour of pixel i of `a` is within `levels` of a colour of
// `b` at i or one of its eight neighbours.
inline bool NearbyIn(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, size_t i,
                     int levels) {
  const int height = static_cast<int>(a.size() / 4) / width;
  const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      const size_t j = static_cast<size_t>(ny * width + nx);
      int largest = 0;
      for (size_t k = 0; k < 3; ++k) largest = std::max(largest, std::abs(int(a[4 * i + k]) - int(b[4 * j + k])));
      if (largest <= levels) return true;
    }
  return false;
}

// The same picture, but for vertices transformed along another road that
// rasterise a little differently: at most 0.1 % of the pixels differ, and a
// pixel that differs by more than 8 levels is an edge or a texel boundary
// moved by a pixel, so its colour is a neighbour's colour in the other
// frame, both ways round.
inline ::testing::AssertionResult Alike(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                                        int width) {
  const Difference d = Compare(a, b);
  const size_t pixels = a.size() / 4;
  if (a.size() != b.size() || d.pixels * 1000 > static_cast<long>(pixels))
    return ::testing::AssertionFailure() << d << " of " << pixels;
  int moved = 0;
  for (size_t i = 0; i < pixels; ++i) {
    int largest = 0;
    for (size_t k = 0; k < 3; ++k) largest = std::max(largest, std::abs(int(a[4 * i + k]) - int(b[4 * i + k])));
    if (largest <= 8) continue;
    if (!NearbyIn(a, b, width, i, 8) || !NearbyIn(b, a, width, i, 8))
      return ::testing::AssertionFailure() << d << "; pixel " << i % width << ", " << i / width
                                           << " has a colour found nowhere near it in the other frame";
    ++moved;
  }
  return ::testing::AssertionSuccess() << d << " (" << moved << " moved by a pixel)";
}

// The pixel (x from the left, y from the bottom) where a scene point lands
// in the buffer's last frame; false behind the camera or outside the frame.
inline bool Spot(const TGL3DSceneBuffer& buffer, const TVector4f& point, int width, int height, int& x, int& y) {
  const TVector4f clip =
      VectorTransform(VectorTransform(point, buffer.GetModelViewMatrix()), buffer.GetProjectionMatrix());
  if (clip[3] <= 0) return false;
  x = static_cast<int>((clip[0] / clip[3] + 1) * 0.5f * width);
  y = static_cast<int>((clip[1] / clip[3] + 1) * 0.5f * height);
  return x >= 0 && y >= 0 && x < width && y < height;
}

}  // namespace frame_pixels
