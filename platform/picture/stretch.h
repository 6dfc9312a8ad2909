#pragma once
// Drawing one bitmap stretched onto a rectangle of another, in place of the
// toolkit canvas's stretch draw: textures are widened to multiples of 4,
// height maps stretched onto square grey bitmaps and pictures scaled. The
// pixels are converted to the target's format on the way (an 8-bit target
// takes the index of its palette's nearest grey, as a grey palette has it).

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/picture/bitmap.h"

enum class TStretchMode {
  ColorOnColor,  // nearest pixel, as the platform's COLORONCOLOR mode
  Halftone       // the average of the source pixels under each target pixel
};

struct BitmapRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;   // exclusive
  int Bottom = 0;  // exclusive
};

// Stretches all of source onto rect of target; the part of rect outside the
// target is clipped. Nothing happens for an empty source or rectangle.
void StretchDraw(Bitmap& target, const BitmapRect& rect, const Bitmap& source,
                 TStretchMode mode = TStretchMode::ColorOnColor);

// A new bitmap of the given size and format holding source stretched onto it.
Bitmap StretchBitmap(const Bitmap& source, int width, int height, TPixelFormat format,
                     TStretchMode mode = TStretchMode::ColorOnColor);

// StretchDraw onto a whole new bitmap for a picture that arrives a row at a
// time, top row first, as a decoder reads it (StretchBitmap is built on it):
// the result is what StretchDraw gives of the whole picture, but only a row
// of the picture and the rows of the result still being summed are held, so
// a picture read reduced never needs its own size in memory.
class RowStretcher {
public:
  // The rows to come: sourceWidth x sourceHeight in sourceFormat (pf8bit
  // with `palette`, pf24bit or pf32bit); the result: width x height in format.
  // Sizes below 1 or a format without pixels raise EInvalidGraphic.
  RowStretcher(int sourceWidth, int sourceHeight, TPixelFormat sourceFormat, const Bitmap::Palette& palette,
               int width, int height, TPixelFormat format, TStretchMode mode);

  // The next row of the picture (sourceWidth pixels of the source format);
  // rows past the last are ignored.
  void AddRow(const std::uint8_t* pixels);
  // Whether every row has come.
  bool Complete() const { return FNextRow >= FSourceHeight; }
  // The result; rows that never came are left black.
  Bitmap TakeResult() { return std::move(FResult); }

private:
  struct OpenRow {
    int row = 0;
    std::vector<std::int64_t> sums;  // blue, green, red, alpha per column
    std::int64_t rows = 0;           // source rows added
  };

  void Pick(const std::uint8_t* pixels, int targetRow);
  // Halftone: adds this row's pixels under each column of the result to
  // sums (blue, green, red, alpha per column), or with `assign` sets them.
  void SumRow(const std::uint8_t* pixels, std::int64_t* sums, bool assign);
  void Finish(OpenRow& open);

  int FSourceWidth, FSourceHeight;
  TPixelFormat FSourceFormat;
  // The palette's entries as blue, green, red, alpha.
  std::array<int, 4 * 256> FColours{};
  TStretchMode FMode;
  Bitmap FResult;
  int FNextRow = 0;
  // Halftone: the first and the one-past-last source column of each
  // column of the result; nearest: the source column of each.
  std::vector<int> FColumnFirst, FColumnEnd;
  std::vector<std::int64_t> FRowSums;
  std::deque<OpenRow> FOpen;  // halftone: rows of the result still summing
  std::vector<std::vector<std::int64_t>> FSpareSums;
  int FNextTargetRow = 0;
};
