#pragma once
// The sample world's geography, cell by cell: a coast with sea in the west,
// a hill in the north-east, a walled village in the middle with houses, a
// tower, a gate with a door, a well, a fire and lamps, and woods around it.
// Map cells run x 0..357 west to east and y 0..357 south to north; the map
// pictures hold cell (x, y) at pixel (x, 358 - y).

#include <array>
#include <set>
#include <string>
#include <vector>

#include "tools/world_generator/picture_writer.h"

namespace colours {
// Static-object map.
inline const char* const kBackground = "000000";
inline const char* const kTownWall = "0000ff";
inline const char* const kHouseWall = "4040ff";
inline const char* const kTower = "ff0000";
inline const char* const kGate = "ff8000";
// Intermediate map 1: ground and rooms.
inline const char* const kRoom = "00ff00";
inline const char* const kGrass = "608030";
inline const char* const kSand = "c8b070";
inline const char* const kRoad = "806040";
inline const char* const kRock = "8c8c8c";
// Intermediate map 2: plants.
inline const char* const kTree = "008000";
inline const char* const kPine = "00a000";
inline const char* const kBush = "40c040";
// Intermediate map 3: things.
inline const char* const kFire = "ff00ff";
inline const char* const kWell = "ffff00";
inline const char* const kStone = "00ffff";
inline const char* const kLamp = "c0c0c0";
}  // namespace colours

struct RoomMap {
  int x = 0, y = 0;
  std::string text;
};

struct Place {
  int x, y;
  const char* name;
  const char* description;
  const char* phrase;  // text of the game that tells the player is there
};

struct WorldLayout {
  Picture elevation{179, 179};
  Picture aerial{179, 179};
  Picture staticMap{358, 358};
  Picture intermediate1{358, 358};
  Picture intermediate2{358, 358};
  Picture intermediate3{358, 358};
  std::vector<RoomMap> maps;
  std::vector<Place> places;
  // Steps between neighbouring cells (x, y, to x, to y) that a house wall
  // closes, both ways; the demo server walks around them.
  std::set<std::array<int, 4>> closedSteps;
};

constexpr double kSeaLevelGrey = 126.0;  // grey level of the sea surface

WorldLayout BuildWorld();
