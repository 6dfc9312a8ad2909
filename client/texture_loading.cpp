#include "client/texture_loading.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "imaging/picture_rows.h"
#include "platform/base/exception.h"
#include "platform/base/path_resolve.h"
#include "platform/picture/picture.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/stretch.h"

namespace {

// The Windows-1252 byte of a code point (the names were written on that
// system); '?' for one it cannot hold.
unsigned Cp1252Byte(char32_t c) {
  static const char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned>(c);
  for (unsigned i = 0; i < 32; ++i)
    if (kHigh[i] == c && c != 0) return 0x80 + i;
  return '?';
}

// Sums the name's characters: UTF-8 sequences as their Windows-1252 byte,
// any byte that starts no valid sequence as itself (a name read from a
// Windows-1252 file system).
unsigned CharacterCodeSum(std::string_view text) {
  unsigned sum = 0;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b >= 0xF0 && b < 0xF8 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 1;
    if (b >= 0xF8) length = 1;
    char32_t c = length == 1 ? b : (b & (0x7F >> length));
    bool valid = length > 1 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (next & 0x3F);
    }
    if (length > 1 && !valid) {
      sum += b;
      ++i;
      continue;
    }
    sum += length == 1 ? b : Cp1252Byte(c);
    i += static_cast<size_t>(length);
  }
  return sum;
}

constexpr std::int64_t kMaxPictureFileBytes = kMaxBitmapBytes;

std::string ReadPictureFile(const std::string& fileName) {
  const std::string path = ResolvePath(fileName);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw EInOutError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0 || size > kMaxPictureFileBytes) throw ELinearBitmap("Picture file \"" + fileName + "\" is too large");
  file.seekg(0);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!file.read(bytes.data(), size)) throw EInOutError("Cannot read file \"" + fileName + "\"");
  return bytes;
}

Bitmap ToBitmap(const TLinearBitmap& picture) {
  Bitmap bitmap;
  picture.AssignTo(bitmap);
  return bitmap;
}

Bitmap DecodeBmpBytes(std::string_view bytes) {
  TLinearBitmap picture;
  DecodeBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), picture);
  return ToBitmap(picture);
}

long RoundHalfEven(double value) { return std::lrint(value); }

// The longer side becomes `side`, the other in proportion (rounded, at
// least one pixel).
TPictureExtent FitWithin(int width, int height, int side) {
  TPictureExtent fitted{side, side};
  if (height <= width)
    fitted.Height = static_cast<int>(RoundHalfEven(static_cast<double>(height) / width * side));
  else
    fitted.Width = static_cast<int>(RoundHalfEven(static_cast<double>(width) / height * side));
  fitted.Width = std::max(fitted.Width, 1);
  fitted.Height = std::max(fitted.Height, 1);
  return fitted;
}

// A picture held whole (what a codec plug-in gives) handed on as rows.
void HandOnRows(const TLinearBitmap& picture, TPictureRows& rows) {
  if (!picture.Present) return;
  rows.Declared(picture.Width, picture.Height);
  rows.Begin(picture.Width, picture.Height, picture.PixelFormat,
             picture.PixelFormat == pf8bit ? picture.Palette.get() : GreyPalette().data());
  for (std::int32_t y = 0; y < picture.Height; ++y) rows.Row(picture.ScanLine(y));
}

// The loader's failure again, of its own class, with the file it was about.
template <class E>
[[noreturn]] void RaiseNamed(const E& failure, const std::string& fileName) {
  throw E(PictureReadFailure(fileName, failure.Message()));
}

}  // namespace

uint16_t FileNameOffset(std::string_view fileName) {
  const size_t slash = fileName.find_last_of("/\\");
  std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = base.find('.');
  if (dot == std::string_view::npos) return 0;
  return static_cast<uint16_t>(CharacterCodeSum(base.substr(0, dot)) % 1000);
}

int NextPowerOfTwo(int size) {
  int power = 1;
  while (power < size && power < (1 << 30)) power <<= 1;
  return power;
}

Bitmap ScaleBitmap(const Bitmap& source, int width, int height) {
  return StretchBitmap(source, width, height, pf24bit, TStretchMode::ColorOnColor);
}

Bitmap MirrorBitmap(const Bitmap& source, bool mirrorX, bool mirrorY) {
  const Bitmap flat = source.GetPixelFormat() == pf24bit
                          ? source
                          : StretchBitmap(source, source.GetWidth(), source.GetHeight(), pf24bit);
  Bitmap result(flat.GetWidth(), flat.GetHeight(), pf24bit);
  const int width = flat.GetWidth();
  const int height = flat.GetHeight();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = flat.ScanLine(mirrorY ? height - 1 - y : y);
    std::uint8_t* to = result.ScanLine(y);
    for (int x = 0; x < width; ++x) std::memcpy(to + 3 * x, from + 3 * (mirrorX ? width - 1 - x : x), 3);
  }
  return result;
}

Bitmap DecodePackedPicture(std::string_view bytes, std::string_view fileName) {
  const size_t offset = FileNameOffset(fileName);
  if (bytes.size() <= offset) throw ELinearBitmap("Packed picture \"" + std::string(fileName) + "\" holds no picture");
  return DecodeBmpBytes(bytes.substr(offset));
}

std::string EncodePackedPicture(const Bitmap& picture, std::string_view fileName) {
  TLinearBitmap linear;
  linear.Assign(picture);
  const std::vector<std::uint8_t> bmp = EncodeBmp(linear);
  std::string bytes(FileNameOffset(fileName), '\0');
  bytes.append(reinterpret_cast<const char*>(bmp.data()), bmp.size());
  return bytes;
}

void ReadPictureRows(const std::string& fileName, TPictureRows& rows) {
  const std::string extension = PictureFileExtension(fileName);
  // The file's own bytes are read first, so that a missing one says so
  // (EInOutError names it); what the decoders make of them is named below.
  std::string bytes;
  if (extension != "JP2") bytes = ReadPictureFile(fileName);
  try {
    if (extension == "JP2") {
      TLinearBitmap picture;
      picture.LoadFromFile(ResolvePath(fileName));
      HandOnRows(picture, rows);
    } else if (extension == "JPG") {
      DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), rows);
    } else {
      std::string_view picture = bytes;
      if (extension == "3DB") {
        const size_t offset = FileNameOffset(fileName);
        if (bytes.size() <= offset) throw ELinearBitmap("the packed picture holds no picture");
        picture = picture.substr(offset);
      }
      DecodeBmp(reinterpret_cast<const std::uint8_t*>(picture.data()), picture.size(), rows);
    }
  } catch (const EUnsupportedFileFormat& e) {
    RaiseNamed(e, fileName);
  } catch (const ELinearBitmap& e) {
    RaiseNamed(e, fileName);
  } catch (const EInvalidGraphic& e) {
    RaiseNamed(e, fileName);
  }
}

TTextureFit FitTextureSize(int width, int height, int maxSize, bool powerOfTwo) {
  TTextureFit fit{width, height, false, TStretchMode::ColorOnColor};
  if (maxSize > 0 && maxSize <= kLargestTextureSide && (height > maxSize || width > maxSize)) {
    const TPictureExtent fitted = FitWithin(width, height, maxSize);
    fit = {fitted.Width, fitted.Height, true, TStretchMode::ColorOnColor};
  } else if (height > kLargestTextureSide || width > kLargestTextureSide) {
    const TPictureExtent fitted = FitWithin(width, height, kLargestTextureSide);
    fit = {fitted.Width, fitted.Height, true, TStretchMode::Halftone};
  }
  if (powerOfTwo) {
    fit.Width = NextPowerOfTwo(fit.Width);
    fit.Height = NextPowerOfTwo(fit.Height);
  }
  return fit;
}

Bitmap LoadTextureBitmap(const std::string& fileName, int maxSize, bool powerOfTwo, bool& resized) {
  resized = false;
  TTextureFit fit;
  TStretchedPicture rows([&](int width, int height) -> std::optional<TStretchPlan> {
    fit = FitTextureSize(width, height, maxSize, powerOfTwo);
    if (!fit.Resized) return std::nullopt;
    return TStretchPlan{fit.Width, fit.Height, pf24bit, fit.Mode};
  });
  ReadPictureRows(fileName, rows);
  if (rows.Plan()) {
    resized = true;
    return rows.TakeStretched();
  }
  Bitmap loaded = ToBitmap(rows.TakeWhole());
  if (loaded.GetWidth() == 0 || loaded.GetHeight() == 0) throw ELinearBitmap("Picture \"" + fileName + "\" is empty");
  if (powerOfTwo) return ScaleBitmap(loaded, NextPowerOfTwo(loaded.GetWidth()), NextPowerOfTwo(loaded.GetHeight()));
  return loaded;
}

Bitmap FitTextureBitmap(Bitmap loaded, int maxSize, bool powerOfTwo, bool& resized) {
  const TTextureFit fit = FitTextureSize(loaded.GetWidth(), loaded.GetHeight(), maxSize, powerOfTwo);
  resized = fit.Resized;
  if (!fit.Resized && !powerOfTwo) return loaded;
  return StretchBitmap(loaded, fit.Width, fit.Height, pf24bit, fit.Mode);
}

Bitmap LoadPictureWithin(const std::string& fileName, int maxSide, TPixelFormat reducedFormat) {
  TStretchedPicture rows([&](int width, int height) -> std::optional<TStretchPlan> {
    if (width <= maxSide && height <= maxSide) return std::nullopt;
    const TPictureExtent fitted = FitWithin(width, height, maxSide);
    return TStretchPlan{fitted.Width, fitted.Height, reducedFormat, TStretchMode::ColorOnColor};
  });
  ReadPictureRows(fileName, rows);
  if (rows.Plan()) return rows.TakeStretched();
  return ToBitmap(rows.TakeWhole());
}
