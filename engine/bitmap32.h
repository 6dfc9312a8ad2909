#pragma once
// The engine's in-memory texture picture: unpadded 32-bit RGBA pixels, rows
// bottom-up as OpenGL expects, width a multiple of 4. Texture images fill it
// from pictures, adjust alpha, brightness and gamma, and upload it as the
// image of the bound texture.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <GL/gl.h>

class Bitmap;

// The minification filters of a texture, in the order of their GL values
// (GL_NEAREST, GL_LINEAR, then the four mipmapped ones).
enum TGLMinFilter {
  miNearest,
  miLinear,
  miNearestMipmapNearest,
  miLinearMipmapNearest,
  miNearestMipmapLinear,
  miLinearMipmapLinear
};

// A picture handed in for conversion: rows top-down, 8-bit indexed (with a
// 256-entry blue-green-red palette), 24-bit blue-green-red or 32-bit
// blue-green-red-alpha pixels. The memory belongs to the caller.
struct RasterView {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 24;
  std::ptrdiff_t RowStride = 0;  // bytes from one row to the next
  const std::uint8_t* Pixels = nullptr;
  const std::uint8_t* Palette = nullptr;  // 768 bytes, 8-bit pictures only
};

// A view of a loaded picture of the picture layer (8-, 24- or 32-bit), for
// the conversion below: pictures reach the texture bitmap only this way.
RasterView RasterViewOf(const Bitmap& picture);

// A 32-bit picture for the rest of the program: rows top-down, pixels blue,
// green, red, alpha.
struct RasterBuffer {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;
};

// Packed colours 0x00BBGGRR.
constexpr std::uint32_t PackRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}
constexpr std::uint8_t RedOf(std::uint32_t c) { return c & 0xFF; }
constexpr std::uint8_t GreenOf(std::uint32_t c) { return (c >> 8) & 0xFF; }
constexpr std::uint8_t BlueOf(std::uint32_t c) { return (c >> 16) & 0xFF; }
// A system colour (0x80000000 + index 0..24) resolved to its fixed RGB value
// (the classic desktop scheme); any other colour as it is, high byte cleared.
std::uint32_t ColorToRGB(std::uint32_t color);

// 1 for n < 2, else the smallest power of two >= n.
int RoundUpToPowerOf2(int n);
// Entry i = round(sqrt(i / 255) * 255), built once.
const std::array<std::uint8_t, 256>& SqrtAlphaTable();

// The size a picture is uploaded at: each side rounded up to a power of two,
// then limited to the implementation's maximum.
struct TextureSize {
  int Width = 0;
  int Height = 0;
};
TextureSize TextureUploadSize(int width, int height, int maxTextureSize);

// What the alpha of RGBA texels holds: all opaque, only opaque or clear, or
// anything between (which blends).
enum class TAlphaContent : std::uint8_t { Opaque, OpaqueOrClear, Graded };
TAlphaContent AlphaContentOf(const std::uint8_t* rgba, std::size_t pixels);

class TGLBitmap32 {
public:
  TGLBitmap32() = default;
  TGLBitmap32(const TGLBitmap32&) = default;
  TGLBitmap32& operator=(const TGLBitmap32&) = default;

  // A copy of `source`; nullptr empties.
  void Assign(const TGLBitmap32* source);
  // Converts a picture: widths that are not a multiple of 4 are stretched to
  // the next multiple. Raises EConvertError for a malformed view.
  void Assign(const RasterView& source);
  // A picture of the picture layer, through RasterViewOf.
  void Assign(const Bitmap& picture);

  int GetWidth() const { return FWidth; }
  // Rounded up to a multiple of 4; reallocates (contents not rescaled).
  void SetWidth(int value);
  int GetHeight() const { return FHeight; }
  void SetHeight(int value);
  int GetDataSize() const { return static_cast<int>(FData.size()); }
  std::uint8_t* GetData() { return FData.empty() ? nullptr : FData.data(); }
  const std::uint8_t* GetData() const { return FData.empty() ? nullptr : FData.data(); }
  // Pixel (x, y) counted from the bottom row, R, G, B, A.
  std::uint8_t* PixelAt(int x, int y) { return FData.data() + (std::size_t(y) * FWidth + x) * 4; }
  const std::uint8_t* PixelAt(int x, int y) const {
    return FData.data() + (std::size_t(y) * FWidth + x) * 4;
  }
  // Read pictures from their bottom row first.
  bool GetVerticalReverse() const { return FVerticalReverse; }
  void SetVerticalReverse(bool value) { FVerticalReverse = value; }
  bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }

  RasterBuffer Create32BitsBitmap() const;
  // The same pixels as a 32-bit picture of the picture layer (rows
  // top-down, blue, green, red, alpha).
  Bitmap CreateBitmap() const;

  void SetAlphaFromIntensity();
  void SqrtAlphaFromIntensity();
  // Pixels of that colour (R, G, B compared, alpha ignored) become fully
  // transparent, every other one opaque.
  void SetAlphaTransparentForColor(std::uint32_t windowsColor);
  void SetAlphaTransparentForColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  void SetAlphaTransparentForRGB(std::uint32_t packedRGB);
  void SetAlphaToValue(std::uint8_t alpha);
  void InvertAlpha();

  void BrightnessCorrection(float factor);
  void GammaCorrection(float gamma);

  // Uploads the picture into the texture bound to `target` and reports the
  // size uploaded (0 x 0 for an empty picture). Needs a current context.
  // Raises EOpenGLError when GLU cannot scale or build the mipmaps.
  // `alpha`, when given, receives what the alpha of the texels uploaded
  // holds (after any scaling to the texture's size).
  void RegisterAsOpenGLTexture(GLenum target, TGLMinFilter minFilter, GLint internalFormat,
                               int& texWidth, int& texHeight, TAlphaContent* alpha = nullptr) const;

private:
  void Reallocate();
  void ApplyToColor(const std::array<std::uint8_t, 256>& table);

  std::vector<std::uint8_t> FData;
  int FWidth = 0;
  int FHeight = 0;
  bool FVerticalReverse = false;
};
