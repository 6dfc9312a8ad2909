#pragma once
// ASCII room maps of the world description's MAPS section. Cells sit on the
// odd columns of the even lines; "A" marks a room cell, "|" between two
// lines a north-south exit and "-" between two columns an east-west exit.
// A map's cell (0, 0) is its bottom-left cell, placed at (x, y) on the world.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TXMLListDOM;

// Direction sets of exits and walls.
constexpr int32_t kSideNorth = 1;
constexpr int32_t kSideSouth = 2;
constexpr int32_t kSideEast = 4;
constexpr int32_t kSideWest = 8;

class TMap {
public:
  // The lines are padded with blanks to the longest one.
  TMap(std::vector<std::string> lines, int32_t x, int32_t y);

  int32_t width = -1;
  int32_t height = -1;
  int32_t x = -1;
  int32_t y = -1;

  const std::vector<std::string>& GetLines() const { return FLines; }
  bool Covers(int32_t worldX, int32_t worldY) const;
  // Sets of kSide* values of a map-local cell; 0 outside the map.
  int32_t GetExits(int32_t cx, int32_t cy) const;
  int32_t GetWalls(int32_t cx, int32_t cy) const;

private:
  char CharAt(int line, int column) const;  // column from 1; blank outside
  std::vector<std::string> FLines;
};

class TMapList {
public:
  // One map per element child of the MAPS section, in document order; an
  // empty section gives no maps.
  void LoadMaps(TXMLListDOM* section);
  int GetCount() const { return static_cast<int>(FMaps.size()); }
  TMap* MapsGetMap(int index) const;
  // The first map that covers the world cell, or nullptr.
  TMap* MapsFindMap(int32_t x, int32_t y) const;
  int32_t MapsGetExitsAt(int32_t x, int32_t y) const;
  int32_t MapsGetWallsAt(int32_t x, int32_t y) const;

private:
  std::vector<std::unique_ptr<TMap>> FMaps;
};

// The lines of a map element's text: the text without the white space round
// it, split at line ends, except that the blanks that start the first row
// are kept, since they stand for cells.
std::vector<std::string> MapTextLines(const std::string& text);
