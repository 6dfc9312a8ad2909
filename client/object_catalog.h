#pragma once
// The world description's object entries as the object builder reads them,
// one description per map colour or object name. Every cell of one colour
// asks the same questions of the same entries, and the static map has up to
// 128,164 cells: each colour's entries are read once, on its first build,
// and kept for the client core's life (the description does not change).
//
// Values stand as the world writes them (lengths in map cells); absent ones
// are those of the entry getters: -1.0 for height and width, 0.0 for
// offsets, nothing for the optional ones.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "client/config_xml.h"

// A side of a cell, in the order the builder visits them.
struct TCellSide {
  int outward;  // direction index the side's outer face looks to (0 north .. 3 west)
  int inward;   // the opposite direction
  int32_t bit;  // kSideNorth ...
  int dx, dy;   // the neighbouring cell
  int sx, sz;   // the side's place from the centre, in half widths along scene X and Z
};
// South, north, west, east.
extern const std::array<TCellSide, 4> kCellSides;

struct TWallDescription {
  double height = -1.0, width = -1.0, zoffset = 0.0;
  bool inner = false, outer = false;
  std::string innerTexture, outerTexture;
  double innerHeight = 1.0, outerHeight = 1.0;
  std::array<std::string, 4> planeTextures;  // by direction 0..3
};

// A floor or ceiling of a room: built when the plane has a texture, or none
// but names its direction.
struct TRoomLid {
  bool build = false;
  std::string texture;
};

struct TRoomDescription {
  std::unique_ptr<TRoom> entry;  // for the turn angle of each cell
  double height = -1.0, width = -1.0, zoffset = 0.0;
  std::optional<double> walloffset;
  std::string exitTexture, wallTexture;
  double wallWidth = -1.0;
  std::array<std::string, 4> planeTextures;  // by direction 0..3
  TRoomLid floor, ceiling;
};

struct TCubeDescription {
  std::unique_ptr<TTheCube> entry;  // for the turn angle of each cell
  double height = -1.0, width = -1.0, zoffset = 0.0;
  bool hasDoor = false;
  std::string doorTexture;
  std::array<std::string, 5> planeTextures;  // by direction 0..4 (up)
  double topZOffset = 0.0;                   // the up plane's zoffset
};

struct TGroundPlaneDescription {
  std::string texture;
  bool random = false, rotrandom = false;
  double width = -1.0;
};

// One SPRITES entry, or one of its children.
struct TSpriteItem {
  std::string texture;
  bool fire = false;
  double height = -1.0, width = -1.0, zoffset = 0.0;
  std::optional<double> xoffset, yoffset, randomoffset, randomsize, randomrotation;
  std::string randommirror;
};

struct TRoundDescription {  // a sphere or a disk
  double radius = -1.0, zoffset = 0.0;
  std::string texture;
  int direction = 4;  // disks: the direction index, up for an unknown name
};

struct TObjectEntries {
  std::optional<TWallDescription> wall;
  std::vector<TRoomDescription> rooms;
  std::vector<TCubeDescription> cubes;
  std::optional<TGroundPlaneDescription> groundPlane;
  std::vector<TSpriteItem> sprites;  // the entry, then its children
  std::optional<TRoundDescription> sphere, disk;

  bool IsEmpty() const {
    return !wall && rooms.empty() && cubes.empty() && !groundPlane && sprites.empty() && !sphere && !disk;
  }
};

class TObjectCatalog {
public:
  // Takes copies of the OBJECTS section's lists.
  explicit TObjectCatalog(TConfigXML& config);

  // The entries of a name, or of a colour when the name is empty. A
  // malformed number raises EConvertError (and nothing is kept for it).
  // Entries are kept for colours and for described names; the names no
  // entry carries are remembered bare, at most kMostUnknownNames of them
  // (all forgotten at once when full).
  const TObjectEntries& Find(int32_t colour, const std::string& name);
  static constexpr size_t kMostUnknownNames = 1024;
  size_t KeptNames() const { return FByName.size() + FUnknownNames.size(); }
  // Plain cubes and plain walls: the builder drops the faces between them.
  bool IsPlainCube(int32_t colour);
  bool IsPlainWall(int32_t colour);
  // The texture files of the object of that name (a monster), found by
  // the world's stylesheet once and kept; none for a name no entry carries.
  const std::vector<std::string>& TexturesOfName(const std::string& name);
  // True the first time a texture is found without its material, so that
  // the fault is logged once, not once per cell.
  bool FirstNoteOfMissingMaterial(const std::string& texture) { return FMissingMaterials.insert(texture).second; }

private:
  TObjectEntries Read(int32_t colour, const std::string& name);
  static bool Cached(std::map<int32_t, bool>& cache, TBaseCubes& list, int32_t colour);

  Tobjects FObjects;
  TCubes FCubes;
  Twalls FWalls;
  Trooms FRooms;
  TGroundPlanes FGroundPlanes;
  TSprites FSprites;
  TSpheres FSpheres;
  TDisks FDisks;
  std::map<int32_t, TObjectEntries> FByColour;
  std::map<std::string, TObjectEntries> FByName;
  std::set<std::string> FUnknownNames;
  std::map<int32_t, bool> FPlainCubes, FPlainWalls;
  std::map<std::string, std::vector<std::string>> FTexturesByName;
  std::set<std::string> FMissingMaterials;
};
