#pragma once
// Our raster in place of the toolkit's bitmap: unpadded rows, row 0 at the
// top, 8-bit indexed (with a 256-entry blue, green, red palette), 24-bit
// (blue, green, red) or 32-bit (blue, green, red, alpha). Everything that
// holds a loaded picture below the image library (textures, height maps)
// works on this type.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/base/exception.h"

// The toolkit's pixel-format enumeration, in its order; only pf8bit, pf24bit
// and pf32bit hold pixels here.
enum TPixelFormat : std::uint8_t {
  pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom
};

// Bytes per pixel of a pixel format that holds pixels; 0 for the others.
int BytesPerPixel(TPixelFormat format);

CLIENT_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

class Bitmap {
public:
  using Palette = std::array<std::uint8_t, 768>;

  Bitmap() = default;
  Bitmap(int width, int height, TPixelFormat format);

  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  bool GetEmpty() const { return FWidth == 0 || FHeight == 0; }
  int GetBytesPerLine() const { return FWidth * BytesPerPixel(FPixelFormat); }

  // Changing the size or the format reallocates the pixels (zero-filled);
  // setting the current values keeps them. A pixel format without pixels
  // raises EInvalidGraphic.
  void SetSize(int width, int height);
  void SetPixelFormat(TPixelFormat format);
  void Clear();

  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;
  std::uint8_t* Data() { return FPixels.data(); }
  const std::uint8_t* Data() const { return FPixels.data(); }
  std::size_t DataSize() const { return FPixels.size(); }

  // 256 entries of blue, green, red; a grey ramp until set.
  Palette& GetPalette() { return FPalette; }
  const Palette& GetPalette() const { return FPalette; }

  // The colour 0x00BBGGRR at (x, y); -1 outside the picture (the platform's
  // invalid colour).
  std::int32_t GetPixel(int x, int y) const;

  // Reads and writes the BMP form through the picture format registered for
  // "BMP" (the image library registers one at its start).
  void LoadFromStream(std::istream& stream);
  void SaveToStream(std::ostream& stream) const;

  bool operator==(const Bitmap& other) const = default;

  static const Palette& GreyPalette();

private:
  void Reallocate(int width, int height, TPixelFormat format);

  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<std::uint8_t> FPixels;
  Palette FPalette = GreyPalette();
};
