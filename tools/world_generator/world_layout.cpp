#include "tools/world_generator/world_layout.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMapSize = 358;
constexpr int kVillageCentre = 175;
constexpr int kWallLow = 150, kWallHigh = 200;

double CoastX(double y) { return 62.0 + 10.0 * std::sin(y / 23.0) + 5.0 * std::sin(y / 7.3); }

// Grey level of the elevation picture at a cell (128 is height 0).
double TerrainGrey(double x, double y) {
  const double d = x - CoastX(y);
  double g;
  if (d < 0) g = 124.0 - std::min(-d, 25.0);
  else if (d < 10) g = 124.0 + d;
  else g = 134.0 + (FractalNoise(x / 18.0, y / 18.0, 7, 3) - 0.5) * 8.0;
  const double hill = std::hypot(x - 255.0, y - 255.0) / 60.0;
  if (hill < 1.0) g += 85.0 * (1.0 + std::cos(kPi * hill)) / 2.0;
  const double village = std::hypot(x - kVillageCentre, y - kVillageCentre);
  const double w = std::clamp((42.0 - village) / 10.0, 0.0, 1.0);
  return g * (1.0 - w) + 134.0 * w;
}

struct House {
  int x0, y0, w, h;
  int doorX, doorY;  // the room cell with the door
  int doorDx, doorDy;  // the door's direction (one step out)
  std::set<std::pair<std::pair<int, int>, std::pair<int, int>>> closed;  // inner sides without exit
};

class World {
public:
  WorldLayout layout;

  void Paint(Picture& p, int x, int y, const char* hex) {
    if (x < 0 || y < 1 || x >= kMapSize || y >= kMapSize) return;
    p.Set(x, kMapSize - y, HexRgb(hex));
  }
  Rgb Get(const Picture& p, int x, int y) const {
    if (x < 0 || y < 1 || x >= kMapSize || y >= kMapSize) return {};
    return p.At(x, kMapSize - y);
  }
  bool Is(const Picture& p, int x, int y, const char* hex) const { return Get(p, x, y) == HexRgb(hex); }

  void Ground() {
    for (int x = 0; x < kMapSize; ++x) {
      for (int y = 1; y < kMapSize; ++y) {
        const double g = TerrainGrey(x, y);
        const double d = x - CoastX(y);
        if (g < kSeaLevelGrey - 0.5) continue;  // under the sea: the sea plane shows
        if (d < 10) Paint(layout.intermediate1, x, y, colours::kSand);
        else if (g > 176) Paint(layout.intermediate1, x, y, colours::kRock);
        else Paint(layout.intermediate1, x, y, colours::kGrass);
      }
    }
  }

  void Roads() {
    for (int i = kWallLow + 1; i < kWallHigh; ++i) {
      Paint(layout.intermediate1, kVillageCentre, i, colours::kRoad);
      Paint(layout.intermediate1, i, kVillageCentre, colours::kRoad);
    }
    // Out of the south gate, down to y 110, then west to the shore.
    for (int y = 110; y <= kWallLow; ++y) Paint(layout.intermediate1, kVillageCentre, y, colours::kRoad);
    for (int x = static_cast<int>(CoastX(110)) + 8; x <= kVillageCentre; ++x) {
      Paint(layout.intermediate1, x, 110, colours::kRoad);
    }
    // Up the hill from the north gate.
    for (int t = 0; t <= 80; ++t) {
      const int x = kVillageCentre + t;
      const int y = kWallHigh + static_cast<int>(t * 55.0 / 80.0);
      Paint(layout.intermediate1, x, y, colours::kRoad);
      Paint(layout.intermediate1, x, y + 1, colours::kRoad);
    }
  }

  void TownWall() {
    for (int i = kWallLow; i <= kWallHigh; ++i) {
      for (auto [x, y] : {std::pair{i, kWallLow}, std::pair{i, kWallHigh}, std::pair{kWallLow, i},
                          std::pair{kWallHigh, i}}) {
        Paint(layout.staticMap, x, y, colours::kTownWall);
      }
    }
    // The south gate is a cube with a door; the north gate an open gap.
    Paint(layout.staticMap, kVillageCentre, kWallLow, colours::kGate);
    layout.maps.push_back(RoomMap{kVillageCentre, kWallLow - 1, "A\n|\n."});
    Paint(layout.staticMap, kVillageCentre, kWallHigh, colours::kBackground);
  }

  void Tower() {
    for (int x = 190; x <= 192; ++x) {
      for (int y = 160; y <= 162; ++y) {
        Paint(layout.staticMap, x, y, colours::kTower);
        Paint(layout.intermediate1, x, y, colours::kBackground);
      }
    }
  }

  void AddHouse(const House& house) {
    auto inside = [&](int x, int y) {
      return x >= house.x0 && x < house.x0 + house.w && y >= house.y0 && y < house.y0 + house.h;
    };
    auto open = [&](int ax, int ay, int bx, int by) {
      if (house.closed.count({{ax, ay}, {bx, by}}) || house.closed.count({{bx, by}, {ax, ay}})) return false;
      if (inside(ax, ay) && inside(bx, by)) return true;
      const int dx = bx - ax, dy = by - ay;
      return (ax == house.doorX && ay == house.doorY && dx == house.doorDx && dy == house.doorDy) ||
             (bx == house.doorX && by == house.doorY && -dx == house.doorDx && -dy == house.doorDy);
    };
    for (int x = house.x0; x < house.x0 + house.w; ++x) {
      for (int y = house.y0; y < house.y0 + house.h; ++y) {
        Paint(layout.staticMap, x, y, colours::kHouseWall);
        Paint(layout.intermediate1, x, y, colours::kRoom);
        for (auto [dx, dy] : {std::pair{0, 1}, std::pair{0, -1}, std::pair{1, 0}, std::pair{-1, 0}}) {
          if (open(x, y, x + dx, y + dy)) continue;
          layout.closedSteps.insert({x, y, x + dx, y + dy});
          layout.closedSteps.insert({x + dx, y + dy, x, y});
        }
      }
    }
    // The room map covers the house and a ring of outside cells, so the
    // door can lead onto one of them.
    const int mx = house.x0 - 1, my = house.y0 - 1, mw = house.w + 2, mh = house.h + 2;
    std::string text;
    for (int cy = mh - 1; cy >= 0; --cy) {
      std::string cells, between;
      for (int cx = 0; cx < mw; ++cx) {
        const int x = mx + cx, y = my + cy;
        cells += inside(x, y) ? 'A' : '.';
        if (cx + 1 < mw) cells += open(x, y, x + 1, y) ? '-' : ' ';
        between += open(x, y, x, y - 1) ? '|' : ' ';
        if (cx + 1 < mw) between += ' ';
      }
      text += cells;
      if (cy > 0) text += "\n" + between + "\n";
    }
    layout.maps.push_back(RoomMap{mx, my, text});
  }

  void Houses() {
    AddHouse(House{160, 180, 3, 2, 161, 180, 0, -1, {}});
    AddHouse(House{186, 182, 2, 2, 186, 182, -1, 0, {}});
    House tavern{158, 160, 4, 3, 161, 161, 1, 0, {}};
    // A kitchen behind a partition, reached through one opening.
    tavern.closed.insert({{158, 160}, {159, 160}});
    tavern.closed.insert({{158, 162}, {159, 162}});
    AddHouse(tavern);
    AddHouse(House{183, 188, 3, 3, 184, 188, 0, -1, {}});
  }

  void Things() {
    Paint(layout.intermediate3, kVillageCentre, kVillageCentre, colours::kWell);
    Paint(layout.intermediate3, 178, 178, colours::kFire);
    for (auto [x, y] : {std::pair{172, 172}, std::pair{178, 172}, std::pair{172, 178}, std::pair{181, 178}}) {
      Paint(layout.intermediate3, x, y, colours::kLamp);
    }
    // A camp fire on the shore, and boulders along the beach and the road.
    const int shore = static_cast<int>(CoastX(120)) + 5;
    Paint(layout.intermediate3, shore, 120, colours::kFire);
    for (int y = 30; y < 340; y += 23) {
      Paint(layout.intermediate3, static_cast<int>(CoastX(y)) + 6 + (y % 3), y, colours::kStone);
    }
    for (int y = 114; y < kWallLow; y += 9) Paint(layout.intermediate3, kVillageCentre + 1, y, colours::kStone);
  }

  bool FreeLand(int x, int y) const {
    if (!Is(layout.intermediate1, x, y, colours::kGrass) && !Is(layout.intermediate1, x, y, colours::kRock)) {
      return false;
    }
    if (x >= kWallLow - 1 && x <= kWallHigh + 1 && y >= kWallLow - 1 && y <= kWallHigh + 1) return false;
    return Get(layout.intermediate3, x, y) == Rgb{};
  }

  void Plants() {
    for (int x = 1; x < kMapSize; ++x) {
      for (int y = 1; y < kMapSize; ++y) {
        if (!FreeLand(x, y)) continue;
        const double r = Hash01(x, y, 3);
        const double forest = std::hypot(x - 235.0, y - 120.0) / 38.0;
        const double g = TerrainGrey(x, y);
        const double village = std::hypot(x - kVillageCentre, y - kVillageCentre);
        if (forest < 1.0 && r < 0.45 * (1.0 - forest * forest) + 0.05) {
          Paint(layout.intermediate2, x, y, colours::kTree);
        } else if (g > 150 && g < 195 && r < 0.18) {
          Paint(layout.intermediate2, x, y, colours::kPine);
        } else if (village > 27 && village < 40 && r < 0.10) {
          Paint(layout.intermediate2, x, y, colours::kBush);
        } else if (r < 0.015) {
          Paint(layout.intermediate2, x, y, colours::kTree);
        }
      }
    }
  }

  // Inside the wall: an orchard in the north-west corner and hedges along
  // the roads near the square.
  void Gardens() {
    for (int x = 154; x <= 170; x += 3) {
      for (int y = 188; y <= 197; y += 3) {
        if (Get(layout.staticMap, x, y) == Rgb{}) Paint(layout.intermediate2, x, y, colours::kTree);
      }
    }
    for (int i = 164; i <= 186; i += 2) {
      if (i > 169 && i < 181) continue;  // leave the square open
      for (auto [x, y] : {std::pair{kVillageCentre - 1, i}, std::pair{i, kVillageCentre + 1}}) {
        if (Get(layout.staticMap, x, y) == Rgb{} && Get(layout.intermediate3, x, y) == Rgb{}) {
          Paint(layout.intermediate2, x, y, colours::kBush);
        }
      }
    }
  }

  void Elevation() {
    for (int ey = 0; ey < 179; ++ey) {
      for (int ex = 0; ex < 179; ++ex) {
        // The terrain lays picture columns westward from the map's east edge
        // (its local x runs along the scene's -X) and rows southward from
        // the north edge.
        const double g = TerrainGrey(kMapSize - 2.0 * ex - 0.5, kMapSize - 2.0 * ey - 0.5);
        const auto v = static_cast<uint8_t>(std::clamp(std::lround(g), 0L, 255L));
        layout.elevation.At(ex, ey) = Rgb{v, v, v};
      }
    }
  }

  Rgb AerialCell(int x, int y) const {
    const double g = TerrainGrey(x, y);
    const double shade = 0.85 + 0.3 * FractalNoise(x / 6.0, y / 6.0, 11, 2);
    if (g < kSeaLevelGrey - 0.5) {
      const double depth = std::clamp((kSeaLevelGrey - g) / 25.0, 0.0, 1.0);
      return Mix(HexRgb("3c8cb4"), HexRgb("0c2c5c"), depth);
    }
    if (!(Get(layout.staticMap, x, y) == Rgb{})) {
      if (Is(layout.staticMap, x, y, colours::kHouseWall)) return HexRgb("a04030");
      return HexRgb("9a968c");
    }
    if (!(Get(layout.intermediate2, x, y) == Rgb{})) return Scale(HexRgb("1e4a14"), shade);
    if (Is(layout.intermediate1, x, y, colours::kSand)) return Scale(HexRgb("d8c48c"), shade);
    if (Is(layout.intermediate1, x, y, colours::kRoad)) return Scale(HexRgb("8a7050"), shade);
    if (Is(layout.intermediate1, x, y, colours::kRock)) return Scale(HexRgb("8a8a80"), shade);
    return Scale(Mix(HexRgb("4a7a2a"), HexRgb("6e8a3a"), (g - 134.0) / 60.0), shade);
  }

  void Aerial() {
    for (int ay = 0; ay < 179; ++ay) {
      for (int ax = 0; ax < 179; ++ax) {
        int r = 0, gr = 0, b = 0;
        for (int i = 0; i < 2; ++i) {
          for (int j = 0; j < 2; ++j) {
            // Columns as the elevation's; rows from the south edge, since the
            // start-up turns the picture upside down for the terrain.
            const Rgb c = AerialCell(kMapSize - 1 - 2 * ax - i, 2 * ay + 1 + j);
            r += c.r;
            gr += c.g;
            b += c.b;
          }
        }
        layout.aerial.At(ax, ay) = Rgb{static_cast<uint8_t>(r / 4), static_cast<uint8_t>(gr / 4),
                                       static_cast<uint8_t>(b / 4)};
      }
    }
  }

  void Places() {
    const int shore = static_cast<int>(CoastX(122)) + 4;
    layout.places = {
        {176, 174, "Village square", "The well and the fire in the middle of the village", "the village square"},
        {175, 147, "South gate", "Outside the door of the village wall", "before the village gate"},
        {255, 255, "Hill top", "The bare rock at the top of the hill", "the top of the hill"},
        {shore, 122, "Beach", "The shore with the camp fire", "the sandy shore"},
        {235, 120, "Forest", "The middle of the wood south-east of the village", "deep in the forest"},
        {161, 181, "Weaver's house", "Inside the house north-west of the square", "a quiet house"},
    };
  }
};

}  // namespace

WorldLayout BuildWorld() {
  World world;
  world.Ground();
  world.Roads();
  world.TownWall();
  world.Tower();
  world.Houses();
  world.Things();
  world.Plants();
  world.Gardens();
  world.Elevation();
  world.Aerial();
  world.Places();
  return std::move(world.layout);
}
