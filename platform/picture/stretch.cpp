#include "platform/picture/stretch.h"

#include <algorithm>
#include <cstdint>

namespace {

struct Bgra {
  int b, g, r, a;
};

Bgra ReadPixel(const Bitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + std::size_t(x) * BytesPerPixel(bitmap.GetPixelFormat());
  switch (bitmap.GetPixelFormat()) {
    case pf8bit: {
      const std::uint8_t* e = bitmap.GetPalette().data() + 3 * p[0];
      return {e[0], e[1], e[2], 255};
    }
    case pf24bit: return {p[0], p[1], p[2], 255};
    default: return {p[0], p[1], p[2], p[3]};
  }
}

void WritePixel(Bitmap& bitmap, int x, int y, const Bgra& c) {
  std::uint8_t* p = bitmap.ScanLine(y) + std::size_t(x) * BytesPerPixel(bitmap.GetPixelFormat());
  switch (bitmap.GetPixelFormat()) {
    case pf8bit: p[0] = std::uint8_t((c.r + c.g + c.b + 1) / 3); break;
    case pf24bit:
      p[0] = std::uint8_t(c.b);
      p[1] = std::uint8_t(c.g);
      p[2] = std::uint8_t(c.r);
      break;
    default:
      p[0] = std::uint8_t(c.b);
      p[1] = std::uint8_t(c.g);
      p[2] = std::uint8_t(c.r);
      p[3] = std::uint8_t(c.a);
      break;
  }
}

}  // namespace

void StretchDraw(Bitmap& target, const BitmapRect& rect, const Bitmap& source, TStretchMode mode) {
  const std::int64_t tw = std::int64_t(rect.Right) - rect.Left;
  const std::int64_t th = std::int64_t(rect.Bottom) - rect.Top;
  if (source.GetEmpty() || target.GetEmpty() || tw <= 0 || th <= 0) return;
  const std::int64_t sw = source.GetWidth(), sh = source.GetHeight();
  const int x0 = int(std::max<std::int64_t>(rect.Left, 0));
  const int x1 = int(std::min<std::int64_t>(rect.Right, target.GetWidth()));
  const int y0 = int(std::max<std::int64_t>(rect.Top, 0));
  const int y1 = int(std::min<std::int64_t>(rect.Bottom, target.GetHeight()));
  for (int y = y0; y < y1; ++y) {
    const std::int64_t ty = y - rect.Top;
    for (int x = x0; x < x1; ++x) {
      const std::int64_t tx = x - rect.Left;
      Bgra c;
      if (mode == TStretchMode::ColorOnColor) {
        // The source pixel under the target pixel's centre.
        c = ReadPixel(source, int((2 * tx + 1) * sw / (2 * tw)), int((2 * ty + 1) * sh / (2 * th)));
      } else {
        // Every source pixel whose area meets the target pixel's area.
        const int sx0 = int(tx * sw / tw), sy0 = int(ty * sh / th);
        const int sx1 = int(std::max<std::int64_t>(sx0 + 1, ((tx + 1) * sw + tw - 1) / tw));
        const int sy1 = int(std::max<std::int64_t>(sy0 + 1, ((ty + 1) * sh + th - 1) / th));
        std::int64_t b = 0, g = 0, r = 0, a = 0, n = 0;
        for (int sy = sy0; sy < std::min<std::int64_t>(sy1, sh); ++sy) {
          for (int sx = sx0; sx < std::min<std::int64_t>(sx1, sw); ++sx) {
            const Bgra s = ReadPixel(source, sx, sy);
            b += s.b;
            g += s.g;
            r += s.r;
            a += s.a;
            ++n;
          }
        }
        c = {int((b + n / 2) / n), int((g + n / 2) / n), int((r + n / 2) / n), int((a + n / 2) / n)};
      }
      WritePixel(target, x, y, c);
    }
  }
}

Bitmap StretchBitmap(const Bitmap& source, int width, int height, TPixelFormat format, TStretchMode mode) {
  Bitmap result(width, height, format);
  StretchDraw(result, BitmapRect{0, 0, width, height}, source, mode);
  return result;
}
