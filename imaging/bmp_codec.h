#pragma once
// The BMP form: read 1-, 4-, 8-bit indexed, 24-bit and 32-bit uncompressed
// pictures, bottom-up or top-down; write 8-bit (with its palette), 24-bit and
// 32-bit, bottom-up (the usual form) or top-down. Rows are padded to 4 bytes
// in the file. Every size read from the file is checked against the bytes
// present before anything is allocated.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap_loaders.h"

class TLinearBitmap;
class TPictureRows;

void DecodeBmp(const std::uint8_t* data, std::size_t size, TLinearBitmap& bitmap);
// The same checks, the rows handed on one at a time, top row first.
void DecodeBmp(const std::uint8_t* data, std::size_t size, TPictureRows& rows);
std::vector<std::uint8_t> EncodeBmp(const TLinearBitmap& bitmap, bool topDown = false);

class TBmpLoader : public TBitmapLoader {
public:
  std::string GetLoadFilter() const override { return "Windows bitmap|*.bmp"; }
  void LoadFromStream(imaging::TBaseStream& stream, const std::string& extension, TLinearBitmap& bitmap) override;
  void SaveToStream(imaging::TBaseStream& stream, const std::string& extension, const TLinearBitmap& bitmap) override;
};

// Reads a stream to its end; more than limit bytes raise ELinearBitmap
// instead of being cut.
std::vector<std::uint8_t> ReadWholeStream(imaging::TBaseStream& stream, std::int64_t limit);
