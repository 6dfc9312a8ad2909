#include "platform/picture/bitmap.h"

#include <istream>
#include <limits>

#include "platform/picture/picture_formats.h"

int BytesPerPixel(TPixelFormat format) {
  switch (format) {
    case pf8bit: return 1;
    case pf24bit: return 3;
    case pf32bit: return 4;
    default: return 0;
  }
}

const Bitmap::Palette& Bitmap::GreyPalette() {
  static const Palette grey = [] {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
      p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = static_cast<std::uint8_t>(i);
    }
    return p;
  }();
  return grey;
}

Bitmap::Bitmap(int width, int height, TPixelFormat format) {
  Reallocate(width, height, format);
}

void Bitmap::Reallocate(int width, int height, TPixelFormat format) {
  const int bpp = BytesPerPixel(format);
  if (bpp == 0) throw EInvalidGraphic("Unsupported pixel format");
  if (width < 0 || height < 0) throw EInvalidGraphic("Invalid bitmap size");
  const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(bpp);
  if (bytes > std::uint64_t(std::numeric_limits<std::int32_t>::max())) {
    throw EInvalidGraphic("Invalid bitmap size");
  }
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(bytes));
  FPixels.swap(pixels);
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
}

void Bitmap::SetSize(int width, int height) {
  if (width == FWidth && height == FHeight) return;
  Reallocate(width, height, FPixelFormat);
}

void Bitmap::SetPixelFormat(TPixelFormat format) {
  if (format == FPixelFormat) return;
  Reallocate(FWidth, FHeight, format);
}

void Bitmap::Clear() {
  FPixels.clear();
  FWidth = FHeight = 0;
}

std::uint8_t* Bitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight) throw EInvalidGraphic("Scan line index out of range");
  return FPixels.data() + std::size_t(y) * std::size_t(GetBytesPerLine());
}

const std::uint8_t* Bitmap::ScanLine(int y) const {
  return const_cast<Bitmap*>(this)->ScanLine(y);
}

std::int32_t Bitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return -1;
  const std::uint8_t* p = ScanLine(y) + std::size_t(x) * BytesPerPixel(FPixelFormat);
  std::uint8_t b, g, r;
  if (FPixelFormat == pf8bit) {
    b = FPalette[3 * p[0]];
    g = FPalette[3 * p[0] + 1];
    r = FPalette[3 * p[0] + 2];
  } else {
    b = p[0];
    g = p[1];
    r = p[2];
  }
  return std::int32_t(r) | (std::int32_t(g) << 8) | (std::int32_t(b) << 16);
}

void Bitmap::LoadFromStream(std::istream& stream) {
  const PictureFormat* format = PictureFormats::Global().Find("BMP");
  if (!format || !format->LoadFromStream) throw EInvalidGraphic("Unknown picture file extension (.BMP)");
  Bitmap loaded;
  format->LoadFromStream(stream, loaded);
  *this = std::move(loaded);
}

void Bitmap::SaveToStream(std::ostream& stream) const {
  const PictureFormat* format = PictureFormats::Global().Find("BMP");
  if (!format || !format->SaveToStream) throw EInvalidGraphic("Unknown picture file extension (.BMP)");
  format->SaveToStream(stream, *this);
}
