#pragma once
// Pictures as the world generator draws them, and the two file formats the
// client reads them in: 24-bit BMP and baseline colour JPEG.

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// "rrggbb" as the world description writes it.
Rgb HexRgb(const char* hex);
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double f);

struct Picture {
  Picture(int w, int h, Rgb fill = {}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  int width, height;
  std::vector<Rgb> pixels;  // rows from the top
  Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  void Set(int x, int y, Rgb c) {
    if (Inside(x, y)) At(x, y) = c;
  }
};

void WriteBmp(const Picture& picture, const std::string& fileName);
void WriteJpeg(const Picture& picture, const std::string& fileName, int quality);

// Repeatable value noise in 0..1 (no global random state, so the same code
// always writes the same world).
double Hash01(int x, int y, int seed);
double ValueNoise(double x, double y, int seed);
double FractalNoise(double x, double y, int seed, int octaves);
