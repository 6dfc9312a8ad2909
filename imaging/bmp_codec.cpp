#include "imaging/bmp_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "imaging/linear_bitmap.h"
#include "imaging/picture_rows.h"

using namespace imaging;

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

[[noreturn]] void Corrupt(const std::string& what) { throw ELinearBitmap("Invalid bitmap file: " + what); }

constexpr std::uint32_t kRgb = 0, kBitFields = 3;

}  // namespace

void DecodeBmp(const std::uint8_t* data, std::size_t size, TPictureRows& rows) {
  if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') {
    throw EUnsupportedFileFormat("Unsupported file format: not a BMP file");
  }
  const std::uint64_t pixelOffset = U32(data + 10);
  const std::uint32_t headerSize = U32(data + 14);
  if (headerSize < 40 || std::uint64_t(14) + headerSize > size) Corrupt("bad header size");
  const std::int32_t width = std::int32_t(U32(data + 18));
  const std::int32_t rawHeight = std::int32_t(U32(data + 22));
  const std::uint16_t planes = U16(data + 26);
  const std::uint16_t bits = U16(data + 28);
  const std::uint32_t compression = U32(data + 30);
  const std::uint32_t coloursUsed = U32(data + 46);
  if (planes != 1) Corrupt("bad plane count");
  if (width < 1 || rawHeight == 0 || rawHeight == INT32_MIN) Corrupt("bad dimensions");
  const bool topDown = rawHeight < 0;
  const std::int32_t height = topDown ? -rawHeight : rawHeight;
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) throw ELinearBitmap("Invalid bitmap size");

  TPixelFormat format;
  switch (bits) {
    case 1: case 4: case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 32: format = pf32bit; break;
    default: throw ELinearBitmap("Unsupported pixel format");
  }
  if (compression == kBitFields && bits == 32) {
    // Only the plain blue, green, red(, alpha) layout is read.
    if (std::uint64_t(14) + 40 + 12 > size) Corrupt("missing colour masks");
    const std::uint8_t* masks = data + 14 + 40;
    if (U32(masks) != 0x00FF0000u || U32(masks + 4) != 0x0000FF00u || U32(masks + 8) != 0x000000FFu) {
      throw ELinearBitmap("Unsupported pixel format");
    }
  } else if (compression != kRgb) {
    throw ELinearBitmap("Unsupported pixel format");
  }

  std::uint32_t paletteEntries = 0;
  if (format == pf8bit) {
    const std::uint32_t most = 1u << bits;
    paletteEntries = coloursUsed == 0 ? most : coloursUsed;
    if (paletteEntries > most) Corrupt("palette larger than the pixel depth allows");
    std::uint64_t paletteAt = std::uint64_t(14) + headerSize;
    if (compression == kBitFields) paletteAt += 12;
    if (paletteAt + std::uint64_t(paletteEntries) * 4 > size) Corrupt("truncated palette");
    if (paletteAt + std::uint64_t(paletteEntries) * 4 > pixelOffset) Corrupt("palette overlaps the pixels");
  }

  const std::uint64_t rowBits = std::uint64_t(width) * bits;
  const std::uint64_t stride = (rowBits + 31) / 32 * 4;
  const std::uint64_t lastRowBytes = (rowBits + 7) / 8;
  // The last row may come without its padding.
  if (pixelOffset > size || (size - pixelOffset) < stride * std::uint64_t(height - 1) + lastRowBytes) {
    Corrupt("truncated pixel data");
  }

  rows.Declared(width, height);
  std::array<std::uint8_t, 768> palette{};
  if (format == pf8bit) {
    std::uint64_t paletteAt = std::uint64_t(14) + headerSize + (compression == kBitFields ? 12 : 0);
    for (std::uint32_t i = 0; i < paletteEntries; ++i) {
      std::memcpy(palette.data() + 3 * i, data + paletteAt + 4 * i, 3);
    }
  }
  rows.Begin(width, height, format, palette.data());
  const std::size_t bytesPerLine = std::size_t(width) * std::size_t(BytesPerPixel(format));
  std::vector<std::uint8_t> line(bits >= 8 ? 0 : bytesPerLine);
  for (std::int32_t row = 0; row < height; ++row) {
    // Handed on top row first, whichever way the file stores them.
    const std::int32_t stored = topDown ? row : height - 1 - row;
    const std::uint8_t* in = data + pixelOffset + stride * std::uint64_t(stored);
    if (bits >= 8) {
      rows.Row(in);
      continue;
    }
    // Each byte's pixels, high bits first.
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    std::uint8_t* storage = rows.NextRowStorage();
    std::uint8_t* const expanded = storage ? storage : line.data();
    std::uint8_t* out = expanded;
    for (std::int32_t x = 0; x < width; ++in) {
      const int count = std::min<std::int32_t>(perByte, width - x);
      for (int k = 0, shift = 8 - bits; k < count; ++k, shift -= bits) *out++ = std::uint8_t((*in >> shift) & mask);
      x += count;
    }
    rows.Row(expanded);
  }
}

void DecodeBmp(const std::uint8_t* data, std::size_t size, TLinearBitmap& bitmap) {
  TWholePicture whole;
  DecodeBmp(data, size, whole);
  bitmap = std::move(whole.Picture);
}

std::vector<std::uint8_t> EncodeBmp(const TLinearBitmap& bitmap, bool topDown) {
  if (!bitmap.Present) throw ELinearBitmap("Invalid bitmap size");
  int bits;
  switch (bitmap.PixelFormat) {
    case pf8bit: bits = 8; break;
    case pf24bit: bits = 24; break;
    case pf32bit: bits = 32; break;
    default: throw ELinearBitmap("Unsupported pixel format");
  }
  const std::uint32_t stride = (std::uint32_t(bitmap.Width) * bits + 31) / 32 * 4;
  const std::uint32_t paletteBytes = bits == 8 ? 1024 : 0;
  const std::uint32_t offset = 14 + 40 + paletteBytes;
  const std::uint64_t total = std::uint64_t(offset) + std::uint64_t(stride) * bitmap.Height;
  if (total > 0xFFFFFFFFull) throw ELinearBitmap("Invalid bitmap size");
  std::vector<std::uint8_t> out;
  out.reserve(std::size_t(total));
  out.push_back('B');
  out.push_back('M');
  Put32(out, std::uint32_t(total));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, std::uint32_t(bitmap.Width));
  Put32(out, std::uint32_t(topDown ? -bitmap.Height : bitmap.Height));
  Put16(out, 1);
  Put16(out, std::uint16_t(bits));
  Put32(out, kRgb);
  Put32(out, stride * std::uint32_t(bitmap.Height));
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, bits == 8 ? 256 : 0);
  Put32(out, 0);
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) {
      out.insert(out.end(), bitmap.Palette.get() + 3 * i, bitmap.Palette.get() + 3 * i + 3);
      out.push_back(0);
    }
  }
  const std::size_t pad = stride - std::uint32_t(bitmap.BytesPerLine);
  for (std::int32_t row = 0; row < bitmap.Height; ++row) {
    const std::uint8_t* in = bitmap.ScanLine(topDown ? row : bitmap.Height - 1 - row);
    out.insert(out.end(), in, in + bitmap.BytesPerLine);
    out.insert(out.end(), pad, 0);
  }
  return out;
}

std::vector<std::uint8_t> ReadWholeStream(TBaseStream& stream, std::int64_t limit) {
  std::vector<std::uint8_t> bytes;
  const bool wasStrict = stream.GetStrict();
  if (wasStrict) stream.SetStrict(false);
  try {
    // A stream that knows what is left (a file) is read in one piece into
    // storage of its size; what follows, if anything, comes in chunks.
    const std::int64_t expected = stream.Available();
    if (expected > 0 && expected <= limit && expected < INT32_MAX) {
      bytes.resize(std::size_t(expected));
      bytes.resize(std::size_t(std::max<std::int32_t>(0, stream.Read(bytes.data(), std::int32_t(expected)))));
    }
    std::uint8_t chunk[4096];
    for (;;) {
      const std::int32_t got = stream.Read(chunk, sizeof chunk);
      if (got <= 0) break;
      if (std::int64_t(bytes.size()) + got > limit) {
        throw ELinearBitmap("Picture stream longer than " + std::to_string(limit) + " bytes");
      }
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
  } catch (...) {
    if (wasStrict) stream.SetStrict(true);
    throw;
  }
  if (wasStrict) stream.SetStrict(true);
  return bytes;
}

void TBmpLoader::LoadFromStream(TBaseStream& stream, const std::string&, TLinearBitmap& bitmap) {
  // The largest picture plus its headers, palette and row padding.
  const std::vector<std::uint8_t> bytes = ReadWholeStream(stream, kMaxBitmapBytes + (std::int64_t(1) << 20));
  DecodeBmp(bytes.data(), bytes.size(), bitmap);
}

void TBmpLoader::SaveToStream(TBaseStream& stream, const std::string&, const TLinearBitmap& bitmap) {
  const std::vector<std::uint8_t> bytes = EncodeBmp(bitmap);
  stream.Write(bytes.data(), std::int32_t(bytes.size()));
}
