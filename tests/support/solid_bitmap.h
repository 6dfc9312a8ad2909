#pragma once
// Pictures of one colour for the tests.

#include <cstdint>

#include "platform/picture/bitmap.h"

// A 24-bit picture of that size and colour (0x00BBGGRR).
inline Bitmap SolidBitmap(int width, int height, std::int32_t colour) {
  Bitmap bitmap(width, height, pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(colour >> 16);
      p[1] = static_cast<std::uint8_t>(colour >> 8);
      p[2] = static_cast<std::uint8_t>(colour);
    }
  return bitmap;
}

// A 4 x 4 picture of one colour.
inline Bitmap SolidBitmap(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return SolidBitmap(4, 4, r | g << 8 | b << 16);
}
