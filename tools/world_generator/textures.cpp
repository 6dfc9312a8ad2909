#include "tools/world_generator/textures.h"

#include <algorithm>
#include <cmath>

namespace {

// Sprites are drawn on pure black, which the client makes transparent, so
// their own pixels never come out pure black.
Rgb Visible(Rgb c) {
  if (c.r == 0 && c.g == 0 && c.b == 0) c.r = c.g = c.b = 1;
  return c;
}

Picture Noisy(int size, const char* base, const char* other, double scale, int seed) {
  Picture p(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Tiles without seams: the noise wraps at the picture's edge.
      const double n = 0.5 * FractalNoise(x / scale, y / scale, seed, 3) +
                       0.5 * FractalNoise((size - x) / scale, (size - y) / scale, seed, 3);
      p.At(x, y) = Mix(HexRgb(base), HexRgb(other), n);
    }
  }
  return p;
}

Picture Bricks(int size, const char* brick, const char* mortar, int rows, int seed) {
  Picture p = Noisy(size, brick, "000000", 5.0, seed);
  const int rowHeight = size / rows;
  const int brickWidth = size / 2;
  for (int y = 0; y < size; ++y) {
    const int row = y / rowHeight;
    const int shift = (row % 2) * brickWidth / 2;
    for (int x = 0; x < size; ++x) {
      const bool joint = y % rowHeight == 0 || (x + shift) % brickWidth == 0;
      const double tone = 0.85 + 0.3 * Hash01((x + shift) / brickWidth, row, seed);
      p.At(x, y) = joint ? HexRgb(mortar) : Scale(Mix(p.At(x, y), HexRgb(brick), 0.7), tone);
    }
  }
  return p;
}

Picture Planks(int w, int h, const char* wood, int planks, int seed) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int plank = x * planks / w;
      const double grain = FractalNoise(x / 3.0, y / 14.0, seed + plank, 3);
      const bool gap = (x * planks) % w < planks;
      p.At(x, y) = gap ? HexRgb("2a1a0c") : Scale(HexRgb(wood), 0.7 + 0.5 * grain);
    }
  }
  return p;
}

void Ellipse(Picture& p, double cx, double cy, double rx, double ry, Rgb a, Rgb b, int seed) {
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      const double edge = 0.8 + 0.25 * ValueNoise(x / 3.0, y / 3.0, seed);
      if (dx * dx + dy * dy < edge) p.At(x, y) = Visible(Mix(a, b, FractalNoise(x / 4.0, y / 4.0, seed, 2)));
    }
  }
}

void Rect(Picture& p, int x0, int y0, int x1, int y1, Rgb c) {
  for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(p.width, x1); ++x) p.At(x, y) = Visible(c);
  }
}

Picture Tree() {
  Picture p(64, 128);
  Rect(p, 28, 70, 36, 128, HexRgb("5a3a1c"));
  Ellipse(p, 32, 48, 28, 44, HexRgb("1c5a14"), HexRgb("3c8a28"), 21);
  return p;
}

Picture Pine() {
  Picture p(64, 128);
  Rect(p, 29, 100, 35, 128, HexRgb("4a2e14"));
  for (int y = 4; y < 108; ++y) {
    const double layer = std::fmod(y, 26.0) / 26.0;
    const double half = (4.0 + y * 0.24) * (0.6 + 0.4 * layer);
    for (int x = 0; x < 64; ++x) {
      if (std::abs(x - 32.0) < half) {
        p.At(x, y) = Visible(Mix(HexRgb("0c3a18"), HexRgb("2a6a30"), FractalNoise(x / 3.0, y / 3.0, 5, 2)));
      }
    }
  }
  return p;
}

Picture Bush() {
  Picture p(64, 64);
  Ellipse(p, 32, 38, 30, 24, HexRgb("2a6a1c"), HexRgb("5a9a3a"), 31);
  for (int i = 0; i < 9; ++i) {
    const int x = 10 + static_cast<int>(Hash01(i, 1, 9) * 44), y = 20 + static_cast<int>(Hash01(i, 2, 9) * 30);
    Rect(p, x, y, x + 3, y + 3, HexRgb("c02828"));
  }
  return p;
}

Picture Lamp() {
  Picture p(32, 128);
  Rect(p, 14, 30, 18, 128, HexRgb("303030"));
  Ellipse(p, 16, 18, 10, 12, HexRgb("ffe890"), HexRgb("fff8d0"), 41);
  return p;
}

Picture Figure(const char* clothes, const char* skin, const char* hair, int seed) {
  Picture p(64, 128);
  Ellipse(p, 32, 18, 10, 12, HexRgb(skin), HexRgb(skin), seed);
  Rect(p, 22, 6, 42, 12, HexRgb(hair));
  Rect(p, 20, 32, 44, 80, HexRgb(clothes));
  Rect(p, 12, 34, 20, 74, HexRgb(clothes));
  Rect(p, 44, 34, 52, 74, HexRgb(clothes));
  Rect(p, 22, 80, 31, 124, Scale(HexRgb(clothes), 0.6));
  Rect(p, 33, 80, 42, 124, Scale(HexRgb(clothes), 0.6));
  return p;
}

Picture Wolf() {
  Picture p(128, 64);
  Ellipse(p, 60, 30, 38, 14, HexRgb("5a5a5a"), HexRgb("8a8a84"), 51);
  Ellipse(p, 102, 20, 14, 10, HexRgb("5a5a5a"), HexRgb("8a8a84"), 52);
  Rect(p, 104, 6, 110, 14, HexRgb("4a4a4a"));
  for (int leg : {30, 42, 76, 88}) Rect(p, leg, 38, leg + 6, 62, HexRgb("4a4a48"));
  Rect(p, 12, 22, 26, 28, HexRgb("6a6a66"));
  return p;
}

Picture Arch() {
  // A doorway: stone around an opening of pure black, which shows through.
  Picture p = Bricks(64, "8a8478", "5a564e", 8, 61);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double dx = (x - 32.0) / 16.0;
      const bool opening = std::abs(dx) < 1.0 && (y > 24 || (y - 24.0) * (y - 24.0) / 256.0 + dx * dx < 1.0);
      if (opening && y >= 8) p.At(x, y) = Rgb{};
    }
  }
  return p;
}

Picture Door() {
  Picture p = Planks(64, 64, "7a4a22", 4, 71);
  for (int x = 0; x < 64; ++x) {
    p.At(x, 12) = p.At(x, 13) = p.At(x, 50) = p.At(x, 51) = HexRgb("202020");
  }
  Rect(p, 48, 30, 53, 35, HexRgb("c8a040"));
  return p;
}

Picture Clouds() {
  Picture p(128, 128);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const double n = 0.5 * FractalNoise(x / 20.0, y / 20.0, 81, 4) + 0.5 * FractalNoise((128 - x) / 20.0, (128 - y) / 20.0, 81, 4);
      const double v = std::clamp((n - 0.45) * 3.0, 0.0, 1.0);
      const auto c = static_cast<uint8_t>(v * 255);
      p.At(x, y) = Rgb{c, c, c};
    }
  }
  return p;
}

Picture Sea() {
  Picture p(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double wave = 0.5 + 0.5 * std::sin((x + 8 * std::sin(y * 2 * 3.14159265 / 64)) * 2 * 3.14159265 / 16);
      p.At(x, y) = Mix(HexRgb("1c4c7c"), HexRgb("4c8cbc"), 0.6 * wave + 0.4 * Hash01(x, y, 91));
    }
  }
  return p;
}

Picture Logo() {
  Picture p(240, 90);
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 240; ++x) {
      Rgb sky = Mix(HexRgb("203a6c"), HexRgb("e8a060"), y / 60.0);
      const double hill = 60 - 26 * std::exp(-std::pow((x - 150) / 40.0, 2));
      if (std::hypot(x - 70.0, y - 40.0) < 14) sky = HexRgb("ffe8a0");
      if (y > hill) sky = Mix(HexRgb("2a4a1c"), HexRgb("1a2a10"), (y - hill) / 30.0);
      if (y > 74) sky = Mix(HexRgb("2c5c8c"), HexRgb("0c2c4c"), (y - 74) / 16.0);
      p.At(x, y) = sky;
    }
  }
  return p;
}

}  // namespace

std::vector<TextureFile> DrawTextures() {
  std::vector<TextureFile> files;
  auto add = [&](const char* path, Picture picture, bool jpeg = false) {
    files.push_back(TextureFile{path, std::move(picture), jpeg});
  };
  add("textures/grass.jpg", Noisy(128, "3c6a22", "7a9a3c", 6.0, 1), true);
  add("textures/detailmap.jpg", Noisy(128, "6a6a6a", "b0b0b0", 3.0, 2), true);
  add("logo.jpg", Logo(), true);
  add("textures/sand.bmp", Noisy(64, "c8b080", "e8d8a8", 3.0, 3));
  add("textures/road.bmp", Noisy(64, "6a5038", "9a8060", 4.0, 4));
  add("textures/rock.bmp", Noisy(64, "6a6a64", "a8a8a0", 5.0, 5));
  add("textures/brick.bmp", Bricks(64, "9a4a32", "c8c0b0", 8, 6));
  add("textures/townwall.bmp", Bricks(64, "8a8478", "5a564e", 4, 7));
  add("textures/plaster.bmp", Noisy(64, "d8ceb8", "f0e8d8", 8.0, 8));
  add("textures/roof.bmp", Bricks(64, "8a2a1a", "4a1a10", 16, 9));
  add("textures/floor.bmp", Planks(64, 64, "8a6a40", 6, 10));
  add("textures/beams.bmp", Planks(64, 64, "5a4028", 3, 11));
  add("textures/door.bmp", Door());
  add("textures/arch.bmp", Arch());
  add("textures/stone.bmp", Noisy(64, "5a5a58", "9a9890", 4.0, 12));
  add("textures/wellstone.bmp", Bricks(64, "7a7a74", "4a4a44", 4, 13));
  add("textures/water.bmp", Noisy(64, "1a3a6a", "3a6aa0", 6.0, 14));
  add("textures/tree.bmp", Tree());
  add("textures/pine.bmp", Pine());
  add("textures/bush.bmp", Bush());
  add("textures/lamp.bmp", Lamp());
  add("textures/wolf.bmp", Wolf());
  add("textures/villager.bmp", Figure("6a5a9a", "e0b090", "4a3020", 15));
  add("textures/guard.bmp", Figure("8a2a2a", "d0a080", "202020", 16));
  add("textures/smith.bmp", Figure("4a4a4a", "c89070", "8a5a2a", 17));
  add("textures/clouds.bmp", Clouds());
  add("textures/sea.bmp", Sea());
  add("textures/undersea.bmp", Noisy(64, "0c2a3a", "1c4a5a", 6.0, 18));
  return files;
}
