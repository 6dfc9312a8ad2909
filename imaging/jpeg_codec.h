#pragma once
// JPEG through libjpeg-turbo: greyscale pictures decode to pf8bit with the
// grey palette, colour ones to pf24bit (blue, green, red). libjpeg's fatal
// errors, and a picture whose data ends early, come back as ELinearBitmap
// with libjpeg's text; nothing calls exit().

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap_loaders.h"

class TLinearBitmap;
class TPictureRows;

// Pictures with more pixels than this are refused before decoding.
constexpr std::int64_t kMaxJpegPixels = std::int64_t(1) << 26;

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TLinearBitmap& bitmap);
// The same, the rows handed on one at a time, top row first; when the
// receiver can use a smaller picture than the declared one, libjpeg's
// scaled decoding gives the smallest of its scales (1/8 to 1) that is not
// smaller than that.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, TPictureRows& rows);
// Baseline, 4:2:0 colour (or greyscale for a grey-palette pf8bit picture);
// other pf8bit pictures are expanded through their palette.
std::vector<std::uint8_t> EncodeJpeg(const TLinearBitmap& bitmap, int quality = 90);

class TJpegLoader : public TBitmapLoader {
public:
  std::string GetLoadFilter() const override { return "JPEG picture|*.jpg;*.jpeg"; }
  void LoadFromStream(imaging::TBaseStream& stream, const std::string& extension, TLinearBitmap& bitmap) override;
  void SaveToStream(imaging::TBaseStream& stream, const std::string& extension, const TLinearBitmap& bitmap) override;
};
