#include "client/room_maps.h"

#include <algorithm>

#include "client/client_globals.h"
#include "client/xml_list_dom.h"

std::vector<std::string> MapTextLines(const std::string& text) {
  // The element's text without the white space round it, as the world
  // description's reader gives every text; but the blanks that start the
  // first row stay, since they stand for cells as in any other row.
  const char* const blanks = " \t\r\n";
  const size_t firstChar = text.find_first_not_of(blanks);
  if (firstChar == std::string::npos) return {};
  const size_t lineEnd = text.find_last_of('\n', firstChar);
  const size_t start = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  const size_t end = text.find_last_not_of(blanks) + 1;
  return SplitLines(std::string_view(text).substr(start, end - start));
}

TMap::TMap(std::vector<std::string> lines, int32_t mapX, int32_t mapY) : x(mapX), y(mapY), FLines(std::move(lines)) {
  size_t longest = 0;
  for (const std::string& line : FLines) longest = std::max(longest, line.size());
  for (std::string& line : FLines) line.resize(longest, ' ');
  height = static_cast<int32_t>(FLines.size() / 2 + 1);
  width = static_cast<int32_t>(longest / 2 + 1);
}

bool TMap::Covers(int32_t worldX, int32_t worldY) const {
  const int64_t dx = int64_t{worldX} - x;
  const int64_t dy = int64_t{worldY} - y;
  return dx >= 0 && dx < width && dy >= 0 && dy < height;
}

char TMap::CharAt(int line, int column) const {
  if (line < 0 || line >= static_cast<int>(FLines.size()) || column < 1) return ' ';
  const std::string& text = FLines[static_cast<size_t>(line)];
  if (column > static_cast<int>(text.size())) return ' ';
  return text[static_cast<size_t>(column - 1)];
}

int32_t TMap::GetExits(int32_t cx, int32_t cy) const {
  if (cx < 0 || cy < 0 || cx >= width || cy >= height) return 0;
  const int r = (height - 1 - cy) * 2;
  const int c = cx * 2 + 1;
  int32_t exits = 0;
  if (CharAt(r - 1, c) == '|') exits |= kSideNorth;
  if (CharAt(r + 1, c) == '|') exits |= kSideSouth;
  if (CharAt(r, c - 1) == '-') exits |= kSideWest;
  if (CharAt(r, c + 1) == '-') exits |= kSideEast;
  return exits;
}

int32_t TMap::GetWalls(int32_t cx, int32_t cy) const {
  if (cx < 0 || cy < 0 || cx >= width || cy >= height) return 0;
  const int r = (height - 1 - cy) * 2;
  const int c = cx * 2 + 1;
  const int lastLine = static_cast<int>(FLines.size()) - 1;
  const int length = FLines.empty() ? 0 : static_cast<int>(FLines[0].size());
  // A wall on every side whose neighbour cell is not a room cell or lies
  // past the map's edge, the same test on all four sides. A map of an even
  // number of lines has a last row that no line reaches: it holds no room
  // cell, so the row above it is walled on the south like any other.
  int32_t walls = 0;
  if (r < 2 || CharAt(r - 2, c) != 'A') walls |= kSideNorth;
  if (r + 2 > lastLine || CharAt(r + 2, c) != 'A') walls |= kSideSouth;
  if (c < 3 || CharAt(r, c - 2) != 'A') walls |= kSideWest;
  if (c + 2 > length || CharAt(r, c + 2) != 'A') walls |= kSideEast;
  return walls;
}

void TMapList::LoadMaps(TXMLListDOM* section) {
  FMaps.clear();
  if (section == nullptr || section->IsEmpty()) return;
  const int count = section->GetCount();
  for (int i = 0; i < count; ++i) {
    TXMLListDOM* child = section->GetItem(i);
    FMaps.push_back(std::make_unique<TMap>(MapTextLines(child->GetRawText()), child->GetInteger("x"),
                                           child->GetInteger("y")));
  }
}

TMap* TMapList::MapsGetMap(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return FMaps[static_cast<size_t>(index)].get();
}

TMap* TMapList::MapsFindMap(int32_t x, int32_t y) const {
  for (const auto& map : FMaps) {
    if (map->Covers(x, y)) return map.get();
  }
  return nullptr;
}

int32_t TMapList::MapsGetExitsAt(int32_t x, int32_t y) const {
  const TMap* map = MapsFindMap(x, y);
  return map == nullptr ? 0 : map->GetExits(x - map->x, y - map->y);
}

int32_t TMapList::MapsGetWallsAt(int32_t x, int32_t y) const {
  const TMap* map = MapsFindMap(x, y);
  return map == nullptr ? 0 : map->GetWalls(x - map->x, y - map->y);
}
