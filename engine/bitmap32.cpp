#include "engine/bitmap32.h"

#include <algorithm>
#include <cmath>

#include "engine/context.h"
#include "engine/engine_errors.h"
#include "engine/gl_api.h"
#include "platform/base/assertion.h"
#include "platform/picture/bitmap.h"

namespace {

// System colours 0..24 of the classic desktop scheme, as 0xRRGGBB.
constexpr std::array<std::uint32_t, 25> kSystemColors = {
    0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000,
    0x000000, 0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x0A246A,
    0xFFFFFF, 0xD4D0C8, 0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF,
    0x404040, 0xD4D0C8, 0x000000, 0xFFFFE1};

std::uint8_t RoundToByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}

void RaiseOnGLUError(GLint result) {
  if (result == 0) return;
  const GLubyte* text = GL().gluErrorString(static_cast<GLenum>(result));
  throw EOpenGLError(text ? reinterpret_cast<const char*>(text) : "GLU error");
}

bool IsMipmapped(TGLMinFilter filter) { return filter != miNearest && filter != miLinear; }

}  // namespace

std::uint32_t ColorToRGB(std::uint32_t color) {
  if (color & 0x80000000u) {
    const std::uint32_t index = color & 0xFF;
    if (index >= kSystemColors.size()) return 0;
    const std::uint32_t rgb = kSystemColors[index];
    return PackRGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  }
  return color & 0x00FFFFFF;
}

int RoundUpToPowerOf2(int n) {
  int result = 1;
  while (result < n && result < (1 << 30)) result <<= 1;
  return result;
}

const std::array<std::uint8_t, 256>& SqrtAlphaTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = RoundToByte(std::sqrt(i / 255.0) * 255.0);
    return t;
  }();
  return table;
}

TextureSize TextureUploadSize(int width, int height, int maxTextureSize) {
  TextureSize size{RoundUpToPowerOf2(width), RoundUpToPowerOf2(height)};
  if (maxTextureSize > 0) {
    size.Width = std::min(size.Width, maxTextureSize);
    size.Height = std::min(size.Height, maxTextureSize);
  }
  return size;
}

RasterView RasterViewOf(const Bitmap& picture) {
  RasterView view;
  if (picture.GetEmpty()) return view;
  view.Width = picture.GetWidth();
  view.Height = picture.GetHeight();
  view.BitsPerPixel = BytesPerPixel(picture.GetPixelFormat()) * 8;
  view.RowStride = picture.GetBytesPerLine();
  view.Pixels = picture.Data();
  view.Palette = picture.GetPalette().data();
  return view;
}

// ---------------------------------------------------------------- TGLBitmap32

void TGLBitmap32::Assign(const Bitmap& picture) { Assign(RasterViewOf(picture)); }

Bitmap TGLBitmap32::CreateBitmap() const {
  Bitmap result;
  if (IsEmpty()) return result;
  result.SetPixelFormat(pf32bit);
  result.SetSize(FWidth, FHeight);
  const RasterBuffer pixels = Create32BitsBitmap();
  std::copy(pixels.Pixels.begin(), pixels.Pixels.end(), result.Data());
  return result;
}

void TGLBitmap32::Assign(const TGLBitmap32* source) {
  if (!source) {
    FWidth = FHeight = 0;
    FData.clear();
    FData.shrink_to_fit();
    return;
  }
  if (source == this) return;
  FWidth = source->FWidth;
  FHeight = source->FHeight;
  FData = source->FData;
}

void TGLBitmap32::Assign(const RasterView& source) {
  if (source.Width <= 0 || source.Height <= 0) {
    Assign(static_cast<const TGLBitmap32*>(nullptr));
    return;
  }
  const int bpp = source.BitsPerPixel;
  if (bpp != 8 && bpp != 24 && bpp != 32)
    throw EConvertError("Cannot assign a picture of " + std::to_string(bpp) + " bits to a TGLBitmap32");
  const int bytesPerPixel = bpp / 8;
  if (!source.Pixels || source.RowStride < std::ptrdiff_t(source.Width) * bytesPerPixel ||
      (bpp == 8 && !source.Palette))
    throw EConvertError("Cannot assign a malformed picture to a TGLBitmap32");

  // Widths that are not a multiple of 4 are stretched to the next one
  // (nearest source column), as the picture would be drawn onto a wider one.
  const int width = (source.Width + 3) & ~3;
  FWidth = width;
  FHeight = source.Height;
  FData.assign(std::size_t(FWidth) * FHeight * 4, 0);
  for (int row = 0; row < FHeight; ++row) {
    const int sourceRow = FVerticalReverse ? FHeight - 1 - row : row;
    const std::uint8_t* in = source.Pixels + sourceRow * source.RowStride;
    // The top source row goes to the last buffer row: the buffer is bottom-up.
    std::uint8_t* out = FData.data() + std::size_t(FHeight - 1 - row) * FWidth * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      const int sx = width == source.Width ? x : int(std::int64_t(x) * source.Width / width);
      const std::uint8_t* p = in + std::ptrdiff_t(sx) * bytesPerPixel;
      if (bpp == 8) p = source.Palette + 3 * p[0];
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = bpp == 32 ? p[3] : 255;
    }
  }
}

void TGLBitmap32::Reallocate() {
  FData.assign(std::size_t(FWidth) * FHeight * 4, 0);
}

void TGLBitmap32::SetWidth(int value) {
  CLIENT_ASSERT(value >= 0);
  value = (value + 3) & ~3;
  if (value == FWidth) return;
  FWidth = value;
  Reallocate();
}

void TGLBitmap32::SetHeight(int value) {
  CLIENT_ASSERT(value >= 0);
  if (value == FHeight) return;
  FHeight = value;
  Reallocate();
}

RasterBuffer TGLBitmap32::Create32BitsBitmap() const {
  RasterBuffer result;
  result.Width = FWidth;
  result.Height = FHeight;
  result.Pixels.resize(FData.size());
  for (int row = 0; row < FHeight; ++row) {
    const std::uint8_t* in = FData.data() + std::size_t(FHeight - 1 - row) * FWidth * 4;
    std::uint8_t* out = result.Pixels.data() + std::size_t(row) * FWidth * 4;
    for (int x = 0; x < FWidth; ++x, in += 4, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = in[3];
    }
  }
  return result;
}

void TGLBitmap32::SetAlphaFromIntensity() {
  for (std::size_t i = 0; i < FData.size(); i += 4)
    FData[i + 3] = static_cast<std::uint8_t>((FData[i] + FData[i + 1] + FData[i + 2]) / 3);
}

void TGLBitmap32::SqrtAlphaFromIntensity() {
  const auto& table = SqrtAlphaTable();
  for (std::size_t i = 0; i < FData.size(); i += 4)
    FData[i + 3] = table[(FData[i] + FData[i + 1] + FData[i + 2]) / 3];
}

void TGLBitmap32::SetAlphaTransparentForColor(std::uint32_t windowsColor) {
  SetAlphaTransparentForRGB(ColorToRGB(windowsColor));
}

void TGLBitmap32::SetAlphaTransparentForColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  for (std::size_t i = 0; i < FData.size(); i += 4)
    FData[i + 3] = (FData[i] == r && FData[i + 1] == g && FData[i + 2] == b) ? 0 : 255;
}

void TGLBitmap32::SetAlphaTransparentForRGB(std::uint32_t packedRGB) {
  SetAlphaTransparentForColor(RedOf(packedRGB), GreenOf(packedRGB), BlueOf(packedRGB));
}

void TGLBitmap32::SetAlphaToValue(std::uint8_t alpha) {
  for (std::size_t i = 0; i < FData.size(); i += 4) FData[i + 3] = alpha;
}

void TGLBitmap32::InvertAlpha() {
  for (std::size_t i = 0; i < FData.size(); i += 4)
    FData[i + 3] = static_cast<std::uint8_t>(255 - FData[i + 3]);
}

void TGLBitmap32::ApplyToColor(const std::array<std::uint8_t, 256>& table) {
  for (std::size_t i = 0; i < FData.size(); i += 4) {
    FData[i] = table[FData[i]];
    FData[i + 1] = table[FData[i + 1]];
    FData[i + 2] = table[FData[i + 2]];
  }
}

void TGLBitmap32::BrightnessCorrection(float factor) {
  if (FData.empty()) return;
  CLIENT_ASSERT(factor >= 0);
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = RoundToByte(std::min(255.0, std::nearbyint(i * double(factor))));
  ApplyToColor(table);
}

void TGLBitmap32::GammaCorrection(float gamma) {
  if (FData.empty()) return;
  CLIENT_ASSERT(gamma > 0);
  const double exponent = gamma >= 0.1f ? 1.0 / gamma : 10.0;
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = RoundToByte(255.0 * std::pow(i / 255.0, exponent));
  ApplyToColor(table);
}

TAlphaContent AlphaContentOf(const std::uint8_t* rgba, std::size_t pixels) {
  TAlphaContent content = TAlphaContent::Opaque;
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t a = rgba[4 * i + 3];
    if (a == 255) continue;
    if (a != 0) return TAlphaContent::Graded;
    content = TAlphaContent::OpaqueOrClear;
  }
  return content;
}

void TGLBitmap32::RegisterAsOpenGLTexture(GLenum target, TGLMinFilter minFilter,
                                          GLint internalFormat, int& texWidth,
                                          int& texHeight, TAlphaContent* alpha) const {
  texWidth = texHeight = 0;
  if (FData.empty()) return;
  GLint maxSize = 0;
  GL().glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const TextureSize size = TextureUploadSize(FWidth, FHeight, maxSize);
  std::vector<std::uint8_t> scaled;
  const std::uint8_t* pixels = FData.data();
  if (size.Width != FWidth || size.Height != FHeight) {
    scaled.resize(std::size_t(size.Width) * size.Height * 4);
    RaiseOnGLUError(GL().gluScaleImage(GL_RGBA, FWidth, FHeight, GL_UNSIGNED_BYTE, pixels,
                                       size.Width, size.Height, GL_UNSIGNED_BYTE, scaled.data()));
    pixels = scaled.data();
  }
  if (alpha) *alpha = AlphaContentOf(pixels, std::size_t(size.Width) * size.Height);
  if (!IsMipmapped(minFilter)) {
    GL().glTexImage2D(target, 0, internalFormat, size.Width, size.Height, 0, GL_RGBA,
                      GL_UNSIGNED_BYTE, pixels);
  } else if (GL().Extensions.SGIS_generate_mipmap && target == GL_TEXTURE_2D) {
    GL().glTexParameteri(target, GL_GENERATE_MIPMAP_SGIS, 1);
    GL().glTexImage2D(target, 0, internalFormat, size.Width, size.Height, 0, GL_RGBA,
                      GL_UNSIGNED_BYTE, pixels);
  } else {
    RaiseOnGLUError(GL().gluBuild2DMipmaps(target, internalFormat, size.Width, size.Height,
                                           GL_RGBA, GL_UNSIGNED_BYTE, pixels));
  }
  texWidth = size.Width;
  texHeight = size.Height;
}
