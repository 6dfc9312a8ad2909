#include "tools/world_generator/server_map.h"

#include <cmath>
#include <sstream>
#include <vector>

namespace {

constexpr int kMapSize = 358;

// Map cell (x, y) is picture pixel (x, 358 - y); cells off the picture are empty.
Rgb Cell(const Picture& picture, int x, int y) {
  const int row = kMapSize - y;
  return picture.Inside(x, row) ? picture.At(x, row) : Rgb{};
}

bool Is(const Picture& picture, int x, int y, const char* hex) { return Cell(picture, x, y) == HexRgb(hex); }

char Ground(const WorldLayout& world, int x, int y) {
  using namespace colours;
  if (x < 0 || y < 1 || x >= kMapSize || y >= kMapSize) return '#';
  if (Is(world.staticMap, x, y, kTownWall) || Is(world.staticMap, x, y, kTower)) return '#';
  if (Is(world.staticMap, x, y, kGate)) return '=';
  if (Is(world.staticMap, x, y, kHouseWall) || Is(world.intermediate1, x, y, kRoom)) return 'H';
  if (Is(world.intermediate1, x, y, kRoad)) return '=';
  if (Is(world.intermediate1, x, y, kSand)) return ':';
  if (!(Cell(world.intermediate2, x, y) == Rgb{})) return 'T';
  if (Is(world.intermediate1, x, y, kRock)) return '^';
  if (Is(world.intermediate1, x, y, kGrass)) return '.';
  return '~';
}

struct Step {
  int dx, dy, bit;
};
constexpr Step kSteps[] = {{0, 1, 1}, {0, -1, 2}, {1, 0, 4}, {-1, 0, 8}};

}  // namespace

std::string ServerMapText(const WorldLayout& world) {
  std::vector<std::string> ground(kMapSize, std::string(kMapSize, '#'));
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) ground[y][x] = Ground(world, x, y);
  auto exits = [&](int x, int y) {
    int set = 0;
    if (ground[y][x] == '#') return set;
    for (const Step& s : kSteps) {
      const int nx = x + s.dx, ny = y + s.dy;
      if (nx < 0 || ny < 0 || nx >= kMapSize || ny >= kMapSize || ground[ny][nx] == '#') continue;
      if (world.closedSteps.count({x, y, nx, ny})) continue;
      set |= s.bit;
    }
    return set;
  };
  // The house of a place inside a house is one the server does not name: the
  // client finds the player there by the place's phrase.
  for (const Place& place : world.places) {
    if (ground[place.y][place.x] != 'H') continue;
    std::vector<std::pair<int, int>> todo{{place.x, place.y}};
    ground[place.y][place.x] = 'U';
    while (!todo.empty()) {
      auto [x, y] = todo.back();
      todo.pop_back();
      for (const Step& s : kSteps) {
        const int nx = x + s.dx, ny = y + s.dy;
        if ((exits(x, y) & s.bit) && ground[ny][nx] == 'H') {
          ground[ny][nx] = 'U';
          todo.emplace_back(nx, ny);
        }
      }
    }
  }

  std::ostringstream out;
  out << "# The sample world as tools/demo_server walks it. Written by tools/world_generator.\n"
         "# \"map\" is followed by one line per row from the north (y 357) to the south (y 0),\n"
         "# two characters per cell from the west (x 0): the ground (~ sea, # wall, = road,\n"
         "# . grass, : sand, ^ rock, T wood, H house, U a house the server does not name)\n"
         "# and the ways out as a hexadecimal digit (north 1, south 2, east 4, west 8).\n"
         "size " << kMapSize << "\n"
         "undefined 1 1 0\n";
  for (const Place& place : world.places)
    out << "place " << place.x << " " << place.y << " " << place.name << "|" << place.description << "|"
        << place.phrase << "\n";
  out << "map\n";
  static const char kHex[] = "0123456789abcdef";
  for (int y = kMapSize - 1; y >= 0; --y) {
    for (int x = 0; x < kMapSize; ++x) out << ground[y][x] << kHex[exits(x, y)];
    out << "\n";
  }
  return out.str();
}
