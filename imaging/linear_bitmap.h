#pragma once
// TLinearBitmap: the picture type the image library exchanges, a plain
// unpadded block of pixel rows (row 0 first, at the top) with a 256-entry
// palette for 8-bit pictures. Codecs fill it, the picture layer's bitmap is
// converted to and from it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/assign_object.h"
#include "platform/picture/bitmap.h"
#include "platform/picture/stretch.h"

CLIENT_DECLARE_EXCEPTION(ELinearBitmap, Exception);
// No loader fits an extension, or a file is not of a format the loaders read.
CLIENT_DECLARE_EXCEPTION(EUnsupportedFileFormat, ELinearBitmap);

// The largest picture accepted: a side of 65,535 pixels and 1 GiB of pixels,
// so that sizes from hostile files cannot overflow the 32-bit Size.
constexpr std::int64_t kMaxBitmapBytes = std::int64_t(1) << 30;
constexpr std::int32_t kMaxBitmapSide = 65535;

// The process-wide grey palette: entry i is (i, i, i).
const std::array<std::uint8_t, 768>& GreyPalette();

// Exchanges the red and blue bytes of a colour 0x00BBGGRR.
std::uint32_t SwapRedBlue(std::uint32_t colour);

class TLinearBitmap : public TAssignObject {
public:
  TLinearBitmap() = default;
  TLinearBitmap(const TLinearBitmap& other);
  TLinearBitmap& operator=(const TLinearBitmap& other);
  // A moved-from picture is empty.
  TLinearBitmap(TLinearBitmap&& other) noexcept;
  TLinearBitmap& operator=(TLinearBitmap&& other) noexcept;
  ~TLinearBitmap() override = default;

  std::string ClassName() const override { return "TLinearBitmap"; }

  std::int32_t Width = 0;
  std::int32_t Height = 0;
  TPixelFormat PixelFormat = pfCustom;
  std::int32_t BytesPerLine = 0;
  std::int32_t Size = 0;
  bool Present = false;
  // Size + 1 bytes: the extra byte lets a 4-byte read of the last 24-bit
  // pixel stay inside the block.
  std::unique_ptr<std::uint8_t[]> Map;
  // 768 bytes (256 × blue, green, red), pf8bit only.
  std::unique_ptr<std::uint8_t[]> Palette;

  // Does nothing when all three equal the current ones; a failure leaves the
  // picture unchanged. Pixel contents after a reallocation are zero.
  void Allocate(std::int32_t width, std::int32_t height, TPixelFormat pixelFormat);
  virtual void Clear();
  void FillBytes(std::uint8_t value);
  void ClearToColor(std::uint32_t colour);
  std::uint8_t* ScanLine(std::int32_t y);
  const std::uint8_t* ScanLine(std::int32_t y) const;
  void ResizeCanvas(std::int32_t width, std::int32_t height, std::int32_t xOffset, std::int32_t yOffset,
                    std::uint32_t colour);

  void Assign(const TAssignObject& source) override;
  void AssignTo(TAssignObject& target) const override;
  // From a bitmap of the picture layer (in place of the toolkit's): pf8bit
  // and pf24bit as they are, any other format converted to pf24bit.
  void Assign(const Bitmap& bitmap);
  // A copy in the bitmap's own format; an empty bitmap clears.
  void AssignFromBitmap(const Bitmap& bitmap);
  // Sets the target's format and size to ours and copies; an empty picture
  // empties the target rather than leaving its old pixels.
  void AssignTo(Bitmap& target) const;
  // Copies into a target of the same size: equal formats row by row, pf8bit
  // into pf24bit through the palette; other pairs raise "Unsupported pixel
  // format".
  void CopyToBitmap(Bitmap& target) const;

  // Stretches the picture onto rect of a bitmap (the canvas of the picture
  // layer): averaged when smooth, else nearest pixels.
  void PaintToCanvas(Bitmap& canvas, const BitmapRect& rect, bool smooth) const;

  // Through the loader registry by the file's extension; loading clears the
  // picture first.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

private:
  void CopyFrom(const TLinearBitmap& other);
};

// The upper-cased extension after the last "." of a file name; empty when a
// "\", "/" or ":" comes after that ".", or when there is no ".".
std::string BitmapFileExtension(const std::string& fileName);
