#include "imaging/linear_bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/bitmap_loaders.h"
#include "platform/picture/picture_formats.h"

const std::array<std::uint8_t, 768>& GreyPalette() {
  static const std::array<std::uint8_t, 768> grey = [] {
    std::array<std::uint8_t, 768> p{};
    for (int i = 0; i < 256; ++i) p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = std::uint8_t(i);
    return p;
  }();
  return grey;
}

std::uint32_t SwapRedBlue(std::uint32_t colour) {
  return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

std::string BitmapFileExtension(const std::string& fileName) {
  return PictureFileExtension(fileName);
}

static int BytesFor(TPixelFormat format) {
  switch (format) {
    case pf8bit: return 1;
    case pf24bit: return 3;
    case pf32bit: return 4;
    default: return 0;
  }
}

TLinearBitmap::TLinearBitmap(const TLinearBitmap& other) : TAssignObject() { CopyFrom(other); }

TLinearBitmap& TLinearBitmap::operator=(const TLinearBitmap& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

TLinearBitmap::TLinearBitmap(TLinearBitmap&& other) noexcept : TAssignObject() { *this = std::move(other); }

TLinearBitmap& TLinearBitmap::operator=(TLinearBitmap&& other) noexcept {
  if (this == &other) return *this;
  Width = other.Width;
  Height = other.Height;
  PixelFormat = other.PixelFormat;
  BytesPerLine = other.BytesPerLine;
  Size = other.Size;
  Present = other.Present;
  Map = std::move(other.Map);
  Palette = std::move(other.Palette);
  other.Clear();
  return *this;
}

void TLinearBitmap::CopyFrom(const TLinearBitmap& other) {
  if (!other.Present) {
    Clear();
    return;
  }
  Allocate(other.Width, other.Height, other.PixelFormat);
  std::memcpy(Map.get(), other.Map.get(), std::size_t(Size) + 1);
  if (PixelFormat == pf8bit) std::memcpy(Palette.get(), other.Palette.get(), 768);
}

void TLinearBitmap::Allocate(std::int32_t width, std::int32_t height, TPixelFormat pixelFormat) {
  if (Present && width == Width && height == Height && pixelFormat == PixelFormat) return;
  const int bpp = BytesFor(pixelFormat);
  if (bpp == 0) throw ELinearBitmap("Unsupported pixel format");
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
    throw ELinearBitmap("Invalid bitmap size");
  }
  const std::int64_t bytes = std::int64_t(width) * height * bpp;
  if (bytes > kMaxBitmapBytes) throw ELinearBitmap("Invalid bitmap size");
  // Allocate everything first so that a failure leaves the picture as it was.
  std::unique_ptr<std::uint8_t[]> map(new std::uint8_t[std::size_t(bytes) + 1]());
  std::unique_ptr<std::uint8_t[]> palette;
  if (pixelFormat == pf8bit) {
    if (PixelFormat == pf8bit && Palette) {
      palette = std::move(Palette);
    } else {
      palette.reset(new std::uint8_t[768]);
      std::memcpy(palette.get(), GreyPalette().data(), 768);
    }
  }
  Map = std::move(map);
  Palette = std::move(palette);
  Width = width;
  Height = height;
  PixelFormat = pixelFormat;
  BytesPerLine = width * bpp;
  Size = std::int32_t(bytes);
  Present = true;
}

void TLinearBitmap::Clear() {
  Map.reset();
  Palette.reset();
  Present = false;
  Width = Height = Size = BytesPerLine = 0;
  PixelFormat = pfCustom;
}

void TLinearBitmap::FillBytes(std::uint8_t value) {
  if (Map) std::memset(Map.get(), value, std::size_t(Size));
}

void TLinearBitmap::ClearToColor(std::uint32_t colour) {
  if (!Map) return;
  if (colour == 0) {
    FillBytes(0);
    return;
  }
  const std::uint8_t r = std::uint8_t(colour), g = std::uint8_t(colour >> 8), b = std::uint8_t(colour >> 16);
  if (PixelFormat == pf24bit) {
    std::uint8_t* p = Map.get();
    for (std::int64_t i = 0; i < std::int64_t(Width) * Height; ++i, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  } else {
    FillBytes(std::uint8_t((2 * r + 3 * g + b) / 6));
  }
}

std::uint8_t* TLinearBitmap::ScanLine(std::int32_t y) {
  if (!Map || y < 0 || y >= Height) throw ELinearBitmap("Scan line index out of range");
  return Map.get() + std::size_t(y) * std::size_t(BytesPerLine);
}

const std::uint8_t* TLinearBitmap::ScanLine(std::int32_t y) const {
  return const_cast<TLinearBitmap*>(this)->ScanLine(y);
}

void TLinearBitmap::ResizeCanvas(std::int32_t width, std::int32_t height, std::int32_t xOffset,
                                 std::int32_t yOffset, std::uint32_t colour) {
  if (width < 1 || height < 1) {
    Clear();
    return;
  }
  if (!Present) {
    Allocate(width, height, pf8bit);
    std::memcpy(Palette.get(), GreyPalette().data(), 768);
    ClearToColor(colour);
    return;
  }
  if (width == Width && height == Height && xOffset == 0 && yOffset == 0) return;
  TLinearBitmap resized;
  resized.Allocate(width, height, PixelFormat);
  if (PixelFormat == pf8bit) std::memcpy(resized.Palette.get(), Palette.get(), 768);
  resized.ClearToColor(colour);
  const int bpp = BytesFor(PixelFormat);
  // Columns of the old picture that land inside the new one; none when the
  // offset pushes the picture entirely off either side.
  const std::int64_t firstColumn = std::max<std::int64_t>(0, -std::int64_t(xOffset));
  const std::int64_t targetColumn = std::max<std::int64_t>(0, xOffset);
  const std::int64_t columns =
      std::min<std::int64_t>(Width - firstColumn, std::int64_t(width) - targetColumn);
  const std::int64_t firstRow = std::max<std::int64_t>(0, -std::int64_t(yOffset));
  const std::int64_t lastRow = std::min<std::int64_t>(Height - 1, std::int64_t(height) - yOffset - 1);
  if (columns > 0) {
    for (std::int64_t r = firstRow; r <= lastRow; ++r) {
      std::memcpy(resized.ScanLine(std::int32_t(r + yOffset)) + targetColumn * bpp,
                  ScanLine(std::int32_t(r)) + firstColumn * bpp, std::size_t(columns * bpp));
    }
  }
  Map = std::move(resized.Map);
  Palette = std::move(resized.Palette);
  Width = width;
  Height = height;
  BytesPerLine = resized.BytesPerLine;
  Size = resized.Size;
}

void TLinearBitmap::Assign(const TAssignObject& source) {
  if (const auto* other = dynamic_cast<const TLinearBitmap*>(&source)) {
    *this = *other;
    return;
  }
  TAssignObject::Assign(source);
}

void TLinearBitmap::AssignTo(TAssignObject& target) const {
  if (auto* other = dynamic_cast<TLinearBitmap*>(&target)) {
    *other = *this;
    return;
  }
  TAssignObject::AssignTo(target);
}

void TLinearBitmap::Assign(const Bitmap& bitmap) {
  if (bitmap.GetEmpty() || bitmap.GetPixelFormat() == pf8bit || bitmap.GetPixelFormat() == pf24bit) {
    AssignFromBitmap(bitmap);
    return;
  }
  AssignFromBitmap(StretchBitmap(bitmap, bitmap.GetWidth(), bitmap.GetHeight(), pf24bit));
}

void TLinearBitmap::AssignFromBitmap(const Bitmap& bitmap) {
  if (bitmap.GetEmpty()) {
    Clear();
    return;
  }
  Allocate(bitmap.GetWidth(), bitmap.GetHeight(), bitmap.GetPixelFormat());
  for (std::int32_t y = 0; y < Height; ++y) {
    std::memcpy(ScanLine(y), bitmap.ScanLine(y), std::size_t(BytesPerLine));
  }
  if (PixelFormat == pf8bit) std::memcpy(Palette.get(), bitmap.GetPalette().data(), 768);
}

void TLinearBitmap::AssignTo(Bitmap& target) const {
  if (!Present) {
    target.Clear();
    return;
  }
  target.SetPixelFormat(PixelFormat);
  target.SetSize(Width, Height);
  if (PixelFormat == pf8bit) std::memcpy(target.GetPalette().data(), Palette.get(), 768);
  CopyToBitmap(target);
}

void TLinearBitmap::CopyToBitmap(Bitmap& target) const {
  if (!Present) return;
  if (target.GetWidth() != Width || target.GetHeight() != Height) {
    throw ELinearBitmap("Invalid bitmap size");
  }
  if (target.GetPixelFormat() == PixelFormat) {
    for (std::int32_t y = 0; y < Height; ++y) {
      std::memcpy(target.ScanLine(y), ScanLine(y), std::size_t(BytesPerLine));
    }
    return;
  }
  if (PixelFormat == pf8bit && target.GetPixelFormat() == pf24bit) {
    for (std::int32_t y = 0; y < Height; ++y) {
      const std::uint8_t* in = ScanLine(y);
      std::uint8_t* out = target.ScanLine(y);
      for (std::int32_t x = 0; x < Width; ++x, out += 3) {
        std::memcpy(out, Palette.get() + 3 * in[x], 3);
      }
    }
    return;
  }
  throw ELinearBitmap("Unsupported pixel format");
}

void TLinearBitmap::PaintToCanvas(Bitmap& canvas, const BitmapRect& rect, bool smooth) const {
  if (!Present) return;
  Bitmap picture;
  AssignTo(picture);
  StretchDraw(canvas, rect, picture, smooth ? TStretchMode::Halftone : TStretchMode::ColorOnColor);
}

void TLinearBitmap::LoadFromFile(const std::string& fileName) {
  const std::string ext = BitmapFileExtension(fileName);
  TBitmapLoader& loader = FindLoader(ext);
  Clear();
  loader.LoadFromFile(fileName, ext, *this);
}

void TLinearBitmap::SaveToFile(const std::string& fileName) const {
  const std::string ext = BitmapFileExtension(fileName);
  FindSaver(ext).SaveToFile(fileName, ext, *this);
}
