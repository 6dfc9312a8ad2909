#pragma once
// The world the demo server walks, read from the table the world generator
// writes ("server-map.txt" of the sample world): the ground of every cell,
// the ways out of it, the named places and the undefined area.

#include <string>
#include <string_view>
#include <vector>

struct DemoPlace {
  int x = 0, y = 0;
  std::string name, description, phrase;
};

class DemoWorld {
public:
  enum Exit { North = 1, South = 2, East = 4, West = 8 };

  // Raises std::runtime_error naming the line that cannot be read.
  static DemoWorld Parse(std::string_view text);
  static DemoWorld Load(const std::string& fileName);

  int GetSize() const { return FSize; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FSize && y < FSize; }
  // '#' (no way in) off the map.
  char Ground(int x, int y) const;
  // The ways out of a cell (Exit bits); none off the map.
  int Exits(int x, int y) const;

  const std::vector<DemoPlace>& GetPlaces() const { return FPlaces; }
  // The first place whose name holds the words, any letter case.
  const DemoPlace* FindPlace(std::string_view words) const;
  const DemoPlace* PlaceAt(int x, int y) const;
  // The place standing in a house the server does not name ('U'), nearest
  // to the cell: the client finds the player there by its phrase.
  const DemoPlace* UnnamedHousePlace(int x, int y) const;

  // The map position the server sends where it gives no usable place.
  int UndefinedX = 1, UndefinedY = 1, UndefinedZ = 0;

private:
  int FSize = 0;
  std::vector<char> FGround;
  std::vector<unsigned char> FExits;
  std::vector<DemoPlace> FPlaces;
};
