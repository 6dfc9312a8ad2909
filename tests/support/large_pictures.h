#pragma once
// Large pictures cheap to make, and how far a piece of work makes the
// process's resident set grow: for the tests that a picture read for a small
// use costs what it is used at, not what its file declares.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "tests/support/peak_memory.h"

// The bytes of a one-bit BMP file, bottom-up: squares of `square` pixels,
// the top-left one of colour 0 (0x00BBGGRR) and the next of colour 1.
inline std::string OneBitBmp(int width, int height, int square, std::uint32_t colour0, std::uint32_t colour1) {
  const std::size_t stride = (std::size_t(width) + 31) / 32 * 4;
  std::string rows[2];
  for (int phase = 0; phase < 2; ++phase) {
    rows[phase].assign(stride, '\0');
    for (int x = 0; x < width; ++x)
      if ((x / square + phase) % 2) rows[phase][std::size_t(x) >> 3] |= char(0x80 >> (x & 7));
  }
  const std::uint32_t offset = 14 + 40 + 8;
  std::string bytes(offset, '\0');
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = char(v >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, std::uint32_t(offset + stride * std::size_t(height)));
  put32(10, offset);
  put32(14, 40);
  put32(18, std::uint32_t(width));
  put32(22, std::uint32_t(height));
  bytes[26] = 1;  // planes
  bytes[28] = 1;  // bits
  put32(46, 2);   // colours used
  for (int i = 0; i < 2; ++i) {
    const std::uint32_t c = i == 0 ? colour0 : colour1;
    bytes[54 + 4 * i] = char(c >> 16);  // blue, green, red
    bytes[55 + 4 * i] = char(c >> 8);
    bytes[56 + 4 * i] = char(c);
  }
  bytes.reserve(bytes.size() + stride * std::size_t(height));
  // Stored bottom row first: the picture's row y is the file's row height - 1 - y.
  for (int row = 0; row < height; ++row) bytes += rows[((height - 1 - row) / square) % 2];
  return bytes;
}
