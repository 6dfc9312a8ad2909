#include "client/object_catalog.h"

#include <algorithm>

#include "client/client_globals.h"
#include "client/room_maps.h"

const std::array<TCellSide, 4> kCellSides = {{
    {1, 0, kSideSouth, 0, -1, 0, 1},
    {0, 1, kSideNorth, 0, 1, 0, -1},
    {3, 2, kSideWest, -1, 0, -1, 0},
    {2, 3, kSideEast, 1, 0, 1, 0},
}};

namespace {

constexpr int kUp = 4;
constexpr int kDown = 5;

// An attribute that may be absent: blank text counts as absent, any other
// text that is not a number raises.
std::optional<double> OptionalFloat(const TXMLListDOM& entry, const char* attribute) {
  const std::string text = entry.GetString(attribute);
  if (TrimText(text).empty()) return std::nullopt;
  return StrToFloat(text);
}

int DirectionIndex(const std::string& name) {
  const auto found = std::find(DirectionNames.begin(), DirectionNames.end(), name);
  return found == DirectionNames.end() ? kUp : static_cast<int>(found - DirectionNames.begin());
}

// The first entry of a list by name, or by colour when the name is empty,
// copied; nullptr when there is none.
template <class T, class... Tag>
std::unique_ptr<T> FirstEntry(TTheObjects& list, int32_t colour, const std::string& name, Tag... tag) {
  if (list.IsEmpty()) return nullptr;
  TXMLListDOM* found = name.empty() ? list.FindByColor(colour) : list.FindByName(name);
  if (found == nullptr || found->IsEmpty()) return nullptr;
  auto copy = std::make_unique<T>(tag...);
  copy->Assign(found);
  return copy;
}

template <class T>
std::vector<std::unique_ptr<T>> AllEntries(TTheObjects& list, int32_t colour, const std::string& name) {
  return name.empty() ? list.FindAllByColorHex<T>(ColorToHex(colour)) : list.FindAllByName<T>(name);
}

template <size_t N>
std::array<std::string, N> PlaneTextures(TBaseCube& entry) {
  std::array<std::string, N> textures;
  for (size_t d = 0; d < N; ++d) textures[d] = entry.GetPlaneTexture(static_cast<int>(d));
  return textures;
}

TRoomLid ReadLid(TBaseCube& room, int direction) {
  TXMLListDOM* plane = room.GetPlane(direction);
  TRoomLid lid;
  if (plane->IsEmpty()) return lid;
  lid.texture = plane->GetString("texture");
  lid.build = !lid.texture.empty() || plane->GetString("direction") == DirectionNames[static_cast<size_t>(direction)];
  return lid;
}

TWallDescription ReadWall(TWall& entry) {
  TWallDescription wall;
  wall.height = entry.GetHeight();
  wall.width = entry.GetWidth();
  wall.zoffset = entry.GetZOffset();
  wall.outer = entry.IsOuter();
  wall.inner = entry.IsInner();
  if (wall.outer) {
    wall.outerTexture = entry.GetOuterTexture();
    wall.outerHeight = entry.GetOuterHeight();
  }
  if (wall.inner) {
    wall.innerTexture = entry.GetInnerTexture();
    wall.innerHeight = entry.GetInnerHeight();
  }
  wall.planeTextures = PlaneTextures<4>(entry);
  return wall;
}

// The measures of a room or cube entry; the entry itself is kept for the
// turn angle of each cell, whose malformed text raises here, before anything
// is built.
template <class Description, class Entry>
Entry& ReadBox(Description& box, std::unique_ptr<Entry> entry) {
  box.height = entry->GetHeight();
  box.width = entry->GetWidth();
  box.zoffset = entry->GetZOffset();
  entry->GetTurnAngle(0, 0);
  box.entry = std::move(entry);
  return *box.entry;
}

TRoomDescription ReadRoom(std::unique_ptr<TRoom> entry) {
  TRoomDescription room;
  room.walloffset = OptionalFloat(*entry, "walloffset");
  TRoom& source = ReadBox(room, std::move(entry));
  room.exitTexture = source.GetExitTexture();
  room.wallTexture = source.GetWallTexture();
  room.wallWidth = source.GetWallWidth();
  room.planeTextures = PlaneTextures<4>(source);
  room.floor = ReadLid(source, kUp);
  room.ceiling = ReadLid(source, kDown);
  return room;
}

TCubeDescription ReadCube(std::unique_ptr<TTheCube> entry) {
  TCubeDescription cube;
  TTheCube& source = ReadBox(cube, std::move(entry));
  cube.hasDoor = source.HasDoor();
  cube.doorTexture = source.GetDoorTexture();
  cube.planeTextures = PlaneTextures<5>(source);
  // The cube's own zoffset raises the whole cube, lid included; only an up
  // plane of its own lifts the lid further. (Without children GetPlane
  // answers the entry itself, which then has no lid.)
  TXMLListDOM* up = source.GetPlane(kUp);
  cube.topZOffset = up->IsEmpty() || up == &source ? 0.0 : OptionalFloat(*up, "zoffset").value_or(0.0);
  return cube;
}

TSpriteItem ReadSprite(const TTheObject& entry) {
  TSpriteItem item;
  item.texture = entry.GetString("texture");
  item.fire = entry.GetString("objecttype") == "fire";
  item.height = entry.GetHeight();
  item.width = entry.GetWidth();
  item.zoffset = entry.GetZOffset();
  item.xoffset = OptionalFloat(entry, "xoffset");
  item.yoffset = OptionalFloat(entry, "yoffset");
  item.randomoffset = OptionalFloat(entry, "randomoffset");
  item.randomsize = OptionalFloat(entry, "randomsize");
  item.randomrotation = OptionalFloat(entry, "randomrotation");
  item.randommirror = entry.GetString("randommirror");
  return item;
}

TRoundDescription ReadRound(const TTheObject& entry) {
  TRoundDescription round;
  round.radius = entry.GetFloat("radius");
  round.zoffset = entry.GetZOffset();
  round.texture = entry.GetString("texture");
  round.direction = DirectionIndex(entry.GetString("direction"));
  return round;
}

}  // namespace

TObjectCatalog::TObjectCatalog(TConfigXML& config) {
  FObjects.Assign(config.GetObjects());
  if (FObjects.IsEmpty()) return;
  FCubes.Assign(FObjects.GetCubes());
  FWalls.Assign(FObjects.GetWalls());
  FRooms.Assign(FObjects.GetRooms());
  FGroundPlanes.Assign(FObjects.GetGroundPlanes());
  FSprites.Assign(FObjects.GetSprites());
  FSpheres.Assign(FObjects.GetSpheres());
  FDisks.Assign(FObjects.GetDisks());
}

const TObjectEntries& TObjectCatalog::Find(int32_t colour, const std::string& name) {
  if (name.empty()) {
    auto found = FByColour.find(colour);
    if (found == FByColour.end()) found = FByColour.emplace(colour, Read(colour, name)).first;
    return found->second;
  }
  auto found = FByName.find(name);
  if (found != FByName.end()) return found->second;
  static const TObjectEntries kNothing;
  if (FUnknownNames.count(name)) return kNothing;
  TObjectEntries entries = Read(colour, name);
  if (entries.IsEmpty()) {
    // Names come from the server, described or not: only the described
    // ones, as few as the world's entries, are kept whole. The others are
    // remembered as bare names, and forgotten all at once when too many.
    if (FUnknownNames.size() >= kMostUnknownNames) FUnknownNames.clear();
    FUnknownNames.insert(name);
    return kNothing;
  }
  return FByName.emplace(name, std::move(entries)).first->second;
}

TObjectEntries TObjectCatalog::Read(int32_t colour, const std::string& name) {
  TObjectEntries entries;
  if (auto wall = FirstEntry<TWall>(FWalls, colour, name)) entries.wall = ReadWall(*wall);
  if (!FRooms.IsEmpty()) {
    for (auto& room : AllEntries<TRoom>(FRooms, colour, name)) entries.rooms.push_back(ReadRoom(std::move(room)));
  }
  if (!FCubes.IsEmpty()) {
    for (auto& cube : AllEntries<TTheCube>(FCubes, colour, name)) entries.cubes.push_back(ReadCube(std::move(cube)));
  }
  if (auto plane = FirstEntry<TTheObject>(FGroundPlanes, colour, name, "OBJECT")) {
    TGroundPlaneDescription& ground = entries.groundPlane.emplace();
    ground.texture = plane->GetString("texture");
    ground.random = plane->GetBool("random");
    ground.rotrandom = plane->GetBool("rotrandom");
    ground.width = plane->GetWidth();
  }
  if (auto sprite = FirstEntry<TTheObject>(FSprites, colour, name, "OBJECT")) {
    entries.sprites.push_back(ReadSprite(*sprite));
    for (int i = 0; i < sprite->GetCount(); ++i) {
      TTheObject child("OBJECT");
      child.Assign(sprite->GetItem(i));
      entries.sprites.push_back(ReadSprite(child));
    }
  }
  if (auto sphere = FirstEntry<TTheObject>(FSpheres, colour, name, "OBJECT")) entries.sphere = ReadRound(*sphere);
  if (auto disk = FirstEntry<TTheObject>(FDisks, colour, name, "OBJECT")) entries.disk = ReadRound(*disk);
  return entries;
}

bool TObjectCatalog::Cached(std::map<int32_t, bool>& cache, TBaseCubes& list, int32_t colour) {
  if (colour == -1) return false;  // off the map: no object
  auto found = cache.find(colour);
  if (found == cache.end()) found = cache.emplace(colour, list.IsPlainCube(colour)).first;
  return found->second;
}

bool TObjectCatalog::IsPlainCube(int32_t colour) { return Cached(FPlainCubes, FCubes, colour); }

bool TObjectCatalog::IsPlainWall(int32_t colour) { return Cached(FPlainWalls, FWalls, colour); }

const std::vector<std::string>& TObjectCatalog::TexturesOfName(const std::string& name) {
  static const std::vector<std::string> kNone;
  if (Find(0, name).IsEmpty()) return kNone;
  auto found = FTexturesByName.find(name);
  if (found == FTexturesByName.end()) found = FTexturesByName.emplace(name, FObjects.GetTexturesFromName(name)).first;
  return found->second;
}
