#include "tools/world_generator/picture_writer.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <jpeglib.h>

Rgb HexRgb(const char* hex) {
  unsigned value = 0;
  std::sscanf(hex, "%6x", &value);
  return Rgb{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

static uint8_t Clamp8(double v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : std::lround(v))); }

Rgb Mix(Rgb a, Rgb b, double t) {
  return Rgb{Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t), Clamp8(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, double f) { return Rgb{Clamp8(c.r * f), Clamp8(c.g * f), Clamp8(c.b * f)}; }

static void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
static void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void WriteBmp(const Picture& picture, const std::string& fileName) {
  const uint32_t rowBytes = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(picture.height);
  std::string out;
  out += "BM";
  Put32(out, 54 + imageBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(picture.width));
  Put32(out, static_cast<uint32_t>(picture.height));  // positive: bottom-up rows
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = picture.height - 1; y >= 0; --y) {
    uint32_t written = 0;
    for (int x = 0; x < picture.width; ++x) {
      const Rgb& c = picture.At(x, y);
      out += static_cast<char>(c.b);
      out += static_cast<char>(c.g);
      out += static_cast<char>(c.r);
      written += 3;
    }
    for (; written < rowBytes; ++written) out += '\0';
  }
  std::ofstream file(fileName, std::ios::binary);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!file) throw std::runtime_error("cannot write " + fileName);
}

void WriteJpeg(const Picture& picture, const std::string& fileName, int quality) {
  FILE* file = std::fopen(fileName.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + fileName);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(picture.width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < picture.width; ++x) {
      const Rgb& c = picture.At(x, y);
      row[static_cast<size_t>(x) * 3] = c.r;
      row[static_cast<size_t>(x) * 3 + 1] = c.g;
      row[static_cast<size_t>(x) * 3 + 2] = c.b;
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

double Hash01(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

double ValueNoise(double x, double y, int seed) {
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = Hash01(x0, y0, seed), b = Hash01(x0 + 1, y0, seed);
  const double c = Hash01(x0, y0 + 1, seed), d = Hash01(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double FractalNoise(double x, double y, int seed, int octaves) {
  double sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + i * 17) * amplitude;
    total += amplitude;
    amplitude *= 0.5;
    x *= 2;
    y *= 2;
  }
  return sum / total;
}
