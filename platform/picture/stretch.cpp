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

// The source pixel (column or row) under the centre of target pixel t of
// `count`, of a source of `sourceCount`: what ColorOnColor takes.
std::int64_t NearestSource(std::int64_t t, std::int64_t sourceCount, std::int64_t count) {
  return (2 * t + 1) * sourceCount / (2 * count);
}

// The source pixels whose area meets target pixel t's, first to one past the
// last: what Halftone averages. Never empty.
struct SourceSpan {
  std::int64_t first, end;
};
SourceSpan AreaSource(std::int64_t t, std::int64_t sourceCount, std::int64_t count) {
  const std::int64_t first = t * sourceCount / count;
  return {first, std::min(std::max(first + 1, ((t + 1) * sourceCount + count - 1) / count), sourceCount)};
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
        c = ReadPixel(source, int(NearestSource(tx, sw, tw)), int(NearestSource(ty, sh, th)));
      } else {
        const SourceSpan columns = AreaSource(tx, sw, tw), rows = AreaSource(ty, sh, th);
        std::int64_t b = 0, g = 0, r = 0, a = 0, n = 0;
        for (int sy = int(rows.first); sy < rows.end; ++sy) {
          for (int sx = int(columns.first); sx < columns.end; ++sx) {
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
  if (source.GetEmpty() || width < 1 || height < 1) return Bitmap(width, height, format);
  // The whole target: the same pixels as StretchDraw, a row at a time.
  RowStretcher stretcher(source.GetWidth(), source.GetHeight(), source.GetPixelFormat(), source.GetPalette(), width,
                         height, format, mode);
  for (int y = 0; y < source.GetHeight(); ++y) stretcher.AddRow(source.ScanLine(y));
  return stretcher.TakeResult();
}

// The same mappings as StretchDraw's over the whole target, worked out a
// source row at a time.
RowStretcher::RowStretcher(int sourceWidth, int sourceHeight, TPixelFormat sourceFormat,
                           const Bitmap::Palette& palette, int width, int height, TPixelFormat format,
                           TStretchMode mode)
    : FSourceWidth(sourceWidth),
      FSourceHeight(sourceHeight),
      FSourceFormat(sourceFormat),
      FMode(mode),
      FResult(width, height, format) {
  if (BytesPerPixel(sourceFormat) == 0) throw EInvalidGraphic("Unsupported pixel format");
  if (sourceWidth < 1 || sourceHeight < 1 || width < 1 || height < 1) throw EInvalidGraphic("Invalid bitmap size");
  for (std::size_t i = 0; i < 256; ++i) {
    for (std::size_t k = 0; k < 3; ++k) FColours[4 * i + k] = palette[3 * i + k];
    FColours[4 * i + 3] = 255;
  }
  const std::int64_t sw = sourceWidth, tw = width;
  FColumnFirst.resize(std::size_t(width));
  FColumnEnd.resize(std::size_t(width));
  for (std::int64_t tx = 0; tx < tw; ++tx) {
    const std::int64_t nearest = NearestSource(tx, sw, tw);
    const SourceSpan span = mode == TStretchMode::ColorOnColor ? SourceSpan{nearest, nearest + 1} : AreaSource(tx, sw, tw);
    FColumnFirst[std::size_t(tx)] = int(span.first);
    FColumnEnd[std::size_t(tx)] = int(span.end);
  }
  FRowSums.resize(std::size_t(width) * 4);
}

void RowStretcher::Pick(const std::uint8_t* pixels, int targetRow) {
  const int bpp = BytesPerPixel(FSourceFormat);
  for (int tx = 0; tx < FResult.GetWidth(); ++tx) {
    const std::uint8_t* p = pixels + std::size_t(FColumnFirst[std::size_t(tx)]) * std::size_t(bpp);
    Bgra c;
    if (FSourceFormat == pf8bit) {
      const int* e = FColours.data() + 4 * *p;
      c = {e[0], e[1], e[2], 255};
    } else {
      c = {p[0], p[1], p[2], FSourceFormat == pf32bit ? p[3] : 255};
    }
    WritePixel(FResult, tx, targetRow, c);
  }
}

void RowStretcher::SumRow(const std::uint8_t* pixels, std::int64_t* s, bool assign) {
  // Plain pointers: this runs for every pixel of a picture read reduced.
  const int* firsts = FColumnFirst.data();
  const int* ends = FColumnEnd.data();
  const int* colours = FColours.data();
  for (int tx = 0, width = FResult.GetWidth(); tx < width; ++tx, s += 4) {
    const int first = firsts[tx], end = ends[tx];
    std::int64_t b = 0, g = 0, r = 0, a = 255 * std::int64_t(end - first);
    if (FSourceFormat == pf8bit) {
      for (const std::uint8_t *p = pixels + first, *stop = pixels + end; p < stop; ++p) {
        const int* e = colours + 4 * *p;
        b += e[0];
        g += e[1];
        r += e[2];
      }
    } else if (FSourceFormat == pf24bit) {
      for (const std::uint8_t *p = pixels + 3 * std::size_t(first), *stop = pixels + 3 * std::size_t(end); p < stop;
           p += 3) {
        b += p[0];
        g += p[1];
        r += p[2];
      }
    } else {
      a = 0;
      for (const std::uint8_t *p = pixels + 4 * std::size_t(first), *stop = pixels + 4 * std::size_t(end); p < stop;
           p += 4) {
        b += p[0];
        g += p[1];
        r += p[2];
        a += p[3];
      }
    }
    if (assign) {
      s[0] = b;
      s[1] = g;
      s[2] = r;
      s[3] = a;
    } else {
      s[0] += b;
      s[1] += g;
      s[2] += r;
      s[3] += a;
    }
  }
}

void RowStretcher::Finish(OpenRow& open) {
  for (int tx = 0; tx < FResult.GetWidth(); ++tx) {
    const std::int64_t n = open.rows * (FColumnEnd[std::size_t(tx)] - FColumnFirst[std::size_t(tx)]);
    const std::int64_t* s = open.sums.data() + std::size_t(tx) * 4;
    WritePixel(FResult, tx, open.row,
               Bgra{int((s[0] + n / 2) / n), int((s[1] + n / 2) / n), int((s[2] + n / 2) / n),
                    int((s[3] + n / 2) / n)});
  }
}

void RowStretcher::AddRow(const std::uint8_t* pixels) {
  if (Complete()) return;
  const int y = FNextRow++;
  const std::int64_t sh = FSourceHeight, th = FResult.GetHeight();
  if (FMode == TStretchMode::ColorOnColor) {
    // Every row of the result whose centre falls on this row.
    while (FNextTargetRow < th && NearestSource(FNextTargetRow, sh, th) <= y)
      Pick(pixels, FNextTargetRow++);
    return;
  }
  // Halftone: the rows of the result whose source rows begin here open,
  // this row is added to every open one, and those it ends are written.
  while (FNextTargetRow < th && AreaSource(FNextTargetRow, sh, th).first <= y) {
    OpenRow open;
    open.row = FNextTargetRow++;
    // The sums of a row written out serve the next: a picture read reduced
    // opens a row of the result for every few rows of its own.
    if (!FSpareSums.empty()) {
      open.sums = std::move(FSpareSums.back());
      FSpareSums.pop_back();
    } else {
      open.sums.resize(std::size_t(FResult.GetWidth()) * 4);
    }
    FOpen.push_back(std::move(open));
  }
  if (FOpen.empty()) return;
  if (FOpen.size() == 1) {
    // Reducing, most rows belong to one row of the result only.
    OpenRow& open = FOpen.front();
    SumRow(pixels, open.sums.data(), open.rows == 0);
  } else {
    SumRow(pixels, FRowSums.data(), true);
    for (OpenRow& open : FOpen) {
      std::int64_t* sums = open.sums.data();
      const std::int64_t* row = FRowSums.data();
      const std::size_t n = FRowSums.size();
      if (open.rows == 0)
        std::copy(row, row + n, sums);
      else
        for (std::size_t i = 0; i < n; ++i) sums[i] += row[i];
    }
  }
  for (OpenRow& open : FOpen) ++open.rows;
  // A row of the result ends with the row its range stops before (the
  // ranges end in order).
  while (!FOpen.empty() && AreaSource(FOpen.front().row, sh, th).end <= y + 1) {
    Finish(FOpen.front());
    FSpareSums.push_back(std::move(FOpen.front().sums));
    FOpen.pop_front();
  }
}
