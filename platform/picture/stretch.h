#pragma once
// Drawing one bitmap stretched onto a rectangle of another, in place of the
// toolkit canvas's stretch draw: textures are widened to multiples of 4,
// height maps stretched onto square grey bitmaps and pictures scaled. The
// pixels are converted to the target's format on the way (an 8-bit target
// takes the index of its palette's nearest grey, as a grey palette has it).

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
