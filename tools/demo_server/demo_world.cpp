#include "tools/demo_server/demo_world.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

DemoWorld DemoWorld::Parse(std::string_view text) {
  DemoWorld world;
  std::istringstream in{std::string(text)};
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    throw std::runtime_error("world table, line " + std::to_string(number) + ": " + why);
  };
  bool inMap = false;
  int row = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (inMap) {
      if (row >= world.FSize) break;
      if (line.size() != static_cast<std::size_t>(world.FSize) * 2) fail("a map row has the wrong length");
      const int y = world.FSize - 1 - row;
      for (int x = 0; x < world.FSize; ++x) {
        const int exits = HexDigit(line[2 * x + 1]);
        if (exits < 0) fail("a cell's ways out are not a hexadecimal digit");
        world.FGround[static_cast<std::size_t>(y) * world.FSize + x] = line[2 * x];
        world.FExits[static_cast<std::size_t>(y) * world.FSize + x] = static_cast<unsigned char>(exits);
      }
      ++row;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string word;
    fields >> word;
    if (word == "size") {
      // Large enough for any map the client draws, small enough to hold.
      if (!(fields >> world.FSize) || world.FSize < 1 || world.FSize > 4096) fail("bad size");
      world.FGround.assign(static_cast<std::size_t>(world.FSize) * world.FSize, '#');
      world.FExits.assign(world.FGround.size(), 0);
    } else if (word == "undefined") {
      if (!(fields >> world.UndefinedX >> world.UndefinedY >> world.UndefinedZ)) fail("bad undefined area");
    } else if (word == "place") {
      DemoPlace place;
      std::string rest;
      if (!(fields >> place.x >> place.y) || !std::getline(fields >> std::ws, rest)) fail("bad place");
      std::size_t bar1 = rest.find('|'), bar2 = rest.find('|', bar1 == std::string::npos ? 0 : bar1 + 1);
      if (bar2 == std::string::npos) fail("a place needs a name, a description and a phrase");
      place.name = rest.substr(0, bar1);
      place.description = rest.substr(bar1 + 1, bar2 - bar1 - 1);
      place.phrase = rest.substr(bar2 + 1);
      world.FPlaces.push_back(std::move(place));
    } else if (word == "map") {
      if (world.FSize == 0) fail("the map comes before its size");
      inMap = true;
    } else {
      fail("unknown entry \"" + word + "\"");
    }
  }
  if (!inMap || row < world.FSize) fail("the map is missing or short");
  for (const DemoPlace& place : world.FPlaces)
    if (!world.Inside(place.x, place.y)) throw std::runtime_error("world table: place " + place.name + " is off the map");
  return world;
}

DemoWorld DemoWorld::Load(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read the world table " + fileName);
  return Parse(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
}

char DemoWorld::Ground(int x, int y) const {
  return Inside(x, y) ? FGround[static_cast<std::size_t>(y) * FSize + x] : '#';
}

int DemoWorld::Exits(int x, int y) const {
  return Inside(x, y) ? FExits[static_cast<std::size_t>(y) * FSize + x] : 0;
}

const DemoPlace* DemoWorld::FindPlace(std::string_view words) const {
  const std::string wanted = Lower(words);
  if (wanted.empty()) return nullptr;
  for (const DemoPlace& place : FPlaces)
    if (Lower(place.name).find(wanted) != std::string::npos) return &place;
  return nullptr;
}

const DemoPlace* DemoWorld::PlaceAt(int x, int y) const {
  for (const DemoPlace& place : FPlaces)
    if (place.x == x && place.y == y) return &place;
  return nullptr;
}

const DemoPlace* DemoWorld::UnnamedHousePlace(int x, int y) const {
  const DemoPlace* nearest = nullptr;
  long best = 0;
  for (const DemoPlace& place : FPlaces) {
    if (Ground(place.x, place.y) != 'U') continue;
    const long d = long{place.x - x} * (place.x - x) + long{place.y - y} * (place.y - y);
    if (!nearest || d < best) {
      nearest = &place;
      best = d;
    }
  }
  return nearest;
}
