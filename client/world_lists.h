#pragma once
// The three lists the static-object pass fills for later builds: the doors
// of static cubes (shown only near the player), the size of the cube in each
// cell (rooms take their width from it) and the inner wall face of each cell
// (rooms skip or pull in a side a wall already covers).
//
// Records keep their insertion order and a lookup gives the first record
// that matches, as a linear search would; an index by key makes the lookup
// constant-time, since the static pass asks once per cell of the whole map.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class TGLBaseSceneObject;

struct TDoorway {
  int32_t key = 0;  // the map colour of the cube, 0x00BBGGRR
  TGLBaseSceneObject* object = nullptr;
  int32_t index = 0;  // the object's place among its parent's children when added
};

class TDoorwayList {
public:
  void Add(int32_t key, TGLBaseSceneObject* object);
  // Makes the first door recorded under the key visible and returns it;
  // nullptr when no door has the key.
  TGLBaseSceneObject* ShowDoorway(int32_t key);
  void HideAll();
  // Every door whose key is among the keys is visible, every other one
  // hidden; an object is touched only where its visibility changes.
  void ShowOnly(const std::vector<int32_t>& keys);

  int GetCount() const { return static_cast<int>(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }
  const TDoorway& GetItem(int index) const { return FItems.at(static_cast<size_t>(index)); }

private:
  std::vector<TDoorway> FItems;
  std::unordered_map<int32_t, size_t> FFirstByKey;
};

struct TStaticCube {
  int32_t x = -1, y = -1;
  double height = 0.0, width = 0.0;  // in map cells, -1.0 when the world gives none
};

struct TWallFaces {
  int32_t x = -1, y = -1;
  int32_t wallSet = 0;  // kSideNorth | kSideSouth | kSideEast | kSideWest
  std::string texture;  // the inner texture of the wall
};

namespace world_lists_detail {

// Records kept in insertion order with an index of the first record per
// cell; Find copies that record, or the empty record (x = y = -1).
template <class Record>
class CellList {
public:
  int GetCount() const { return static_cast<int>(FItems.size()); }
  const Record& GetItem(int index) const { return FItems.at(static_cast<size_t>(index)); }
  Record Find(int32_t x, int32_t y) const {
    const auto found = FFirst.find(Key(x, y));
    return found == FFirst.end() ? Record{} : FItems[found->second];
  }

protected:
  void Append(Record record) {
    FFirst.emplace(Key(record.x, record.y), FItems.size());
    FItems.push_back(std::move(record));
  }

private:
  static uint64_t Key(int32_t x, int32_t y) { return (uint64_t{static_cast<uint32_t>(x)} << 32) | static_cast<uint32_t>(y); }
  std::vector<Record> FItems;
  std::unordered_map<uint64_t, size_t> FFirst;
};

}  // namespace world_lists_detail

class TStaticCubeList : public world_lists_detail::CellList<TStaticCube> {
public:
  void Add(int32_t x, int32_t y, double height, double width) { Append({x, y, height, width}); }
};

class TWallFaceList : public world_lists_detail::CellList<TWallFaces> {
public:
  void Add(int32_t x, int32_t y, int32_t wallSet, const std::string& texture) { Append({x, y, wallSet, texture}); }
};
