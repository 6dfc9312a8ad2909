#pragma once
// The world description "config.xml": global numbers, the environment, the
// undefined area, the colour-keyed object descriptions, texture options, room
// maps, intermediate-map sizes, static colours and the control window's
// locations. TConfigXML reads it once and answers the builders' queries.
//
// Every element class is a TXMLListDOM holding one element. A caller creates
// one, Assigns it from a cursor (a deep copy), queries it and frees it. The
// section getters all return the configuration's one cursor, so each call
// re-targets what the previous call returned.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/room_maps.h"
#include "client/world_positions.h"
#include "client/xml_list_dom.h"

CLIENT_DECLARE_EXCEPTION(EConfigXML, Exception);

// Paths of the stylesheets, relative to the program folder.
inline const char* const kGetColorsStylesheet = "xslt\\getcolors.xsl";
inline const char* const kTexturesFromColorStylesheet = "xslt\\gettexturesfromcolor.xsl";
inline const char* const kTexturesFromNameStylesheet = "xslt\\gettexturesfromname.xsl";

class TConfigbase : public TXMLListDOM {
public:
  explicit TConfigbase(std::string tag) : TXMLListDOM(std::move(tag)) {}

  // Queries on a TEXTURES section. Keys are matched as the world writes
  // them, with backslashes doubled or single.
  TXMLListDOM* FindTextureElement(const std::string& name);
  // -1 when the element or the attribute is absent.
  int32_t GetTerrainBrightnessFactor(const std::string& name);
  int32_t GetTextureEmission(const std::string& name);
};

class TTheObjects : public TConfigbase {
public:
  explicit TTheObjects(std::string tag) : TConfigbase(std::move(tag)) {}
  // nullptr for a static colour; else the cursor on the first OBJECT of that
  // colour (empty when none).
  TXMLListDOM* FindByColor(int32_t colour);
  TXMLListDOM* FindByColorHex(const std::string& hex);
  TXMLListDOM* FindByName(const std::string& name);
  // Every OBJECT of that colour (or name), copied, in document order.
  template <class T>
  std::vector<std::unique_ptr<T>> FindAllByColorHex(const std::string& hex) const;
  template <class T>
  std::vector<std::unique_ptr<T>> FindAllByName(const std::string& name) const;

protected:
  static std::string ColorPredicate(const std::string& hex);
  template <class T>
  std::vector<std::unique_ptr<T>> CopyAll(const std::string& xpath) const;
};

class TTheObject : public TTheObjects {
public:
  explicit TTheObject(std::string tag) : TTheObjects(std::move(tag)) {}
  double GetHeight() const;   // -1.0 when absent
  double GetWidth() const;    // -1.0 when absent
  double GetZOffset() const;  // 0.0 when absent
};

class TBaseCube : public TTheObject {
public:
  explicit TBaseCube(std::string tag) : TTheObject(std::move(tag)) {}
  // Direction index 0..5 (north, south, east, west, up, down). With child
  // entries: the cursor on the plane child of that direction (maybe empty);
  // without: this object.
  TXMLListDOM* GetPlane(int direction);
  std::string GetPlaneAttribute(const std::string& attribute, int direction);
  std::string GetPlaneTexture(int direction) { return GetPlaneAttribute("texture", direction); }
  // turnangle + (a * b) mod turnrandom, the 32-bit product's remainder.
  double GetTurnAngle(int32_t a, int32_t b) const;
};

class TTheCube : public TBaseCube {
public:
  TTheCube() : TBaseCube("CUBE") {}
  bool HasDoor();
  std::string GetDoorTexture();
};

class TWall : public TBaseCube {
public:
  TWall() : TBaseCube("WALL") {}
  bool IsInner();
  bool IsOuter();
  std::string GetSideAttribute(const std::string& side, const std::string& attribute);
  std::string GetInnerTexture() { return GetSideAttribute("inner", "texture"); }
  std::string GetOuterTexture() { return GetSideAttribute("outer", "texture"); }
  double GetSideHeight(const std::string& side);
  double GetInnerHeight() { return GetSideHeight("inner"); }
  double GetOuterHeight() { return GetSideHeight("outer"); }

private:
  bool HasSide(const std::string& side);
};

class TRoom : public TBaseCube {
public:
  TRoom() : TBaseCube("ROOM") {}
  using TBaseCube::GetPlaneAttribute;
  // The attribute of the plane child of room type "exit" or "wall"; "" when
  // there is no such child.
  std::string GetPlaneAttribute(const std::string& roomType, const std::string& attribute);
  std::string GetExitTexture() { return GetPlaneAttribute("exit", std::string("texture")); }
  std::string GetWallTexture() { return GetPlaneAttribute("wall", std::string("texture")); }
  double GetWallWidth();
};

class TBaseCubes : public TTheObjects {
public:
  explicit TBaseCubes(std::string tag) : TTheObjects(std::move(tag)) {}
  // Found by colour, no turn, not inside, and width absent or 1.0.
  bool IsPlainCube(int32_t colour);
};

class TCubes : public TBaseCubes {
public:
  TCubes() : TBaseCubes("CUBES") {}
};
class Twalls : public TBaseCubes {
public:
  Twalls() : TBaseCubes("WALLS") {}
};
class Trooms : public TBaseCubes {
public:
  Trooms() : TBaseCubes("ROOMS") {}
};
class TSpheres : public TBaseCubes {
public:
  TSpheres() : TBaseCubes("SHERES") {}
};
class TDisks : public TBaseCubes {
public:
  TDisks() : TBaseCubes("DISKS") {}
};
class TSprites : public TTheObjects {
public:
  TSprites() : TTheObjects("SPRITES") {}
};
class TGroundPlanes : public TTheObjects {
public:
  TGroundPlanes() : TTheObjects("GROUNDPLANES") {}
};

class Tobjects : public TXMLListDOM {
public:
  Tobjects() : TXMLListDOM("OBJECTS") {}
  TXMLListDOM* GetCubes() { return SelectChild("CUBES"); }
  TXMLListDOM* GetSprites() { return SelectChild("SPRITES"); }
  TXMLListDOM* GetGroundPlanes() { return SelectChild("GROUNDPLANES"); }
  TXMLListDOM* GetLightSources() { return SelectChild("LIGHTSOURCES"); }
  TXMLListDOM* GetWalls() { return SelectChild("WALLS"); }
  TXMLListDOM* GetRooms() { return SelectChild("ROOMS"); }
  TXMLListDOM* GetSpheres() { return SelectChild("SPHERES"); }
  TXMLListDOM* GetDisks() { return SelectChild("DISKS"); }
  // The texture file names the stylesheets find for objects of that colour
  // or name, one entry per line of their output.
  std::vector<std::string> GetTexturesFromColor(int32_t colour);
  std::vector<std::string> GetTexturesFromName(const std::string& name);

private:
  std::vector<std::string> TexturesFrom(const char* attribute, const std::string& value, const char* stylesheet);
};

struct TEnvironment {
  struct {
    std::string texture;
    double scale = -1.0, width = -1.0, height = -1.0;
  } clouds;
  struct {
    double nightstart = -1.0, nightend = -1.0, daystart = -1.0, dayend = -1.0, sunrise = -1.0, sunset = -1.0;
  } times;
  struct {
    double height = 0.0, mudheight = 0.0;
    std::string texture;
  } sea;
  struct {
    std::string texture;
    int32_t fogcolor = 0, color = 0;
    double fogstart = 0.0, fogend = 0.0;
  } undersea;
  double terrainheight = -1.0;
};

class TConfigXML : public TXMLListDOM {
public:
  // Reads the whole file; a missing mandatory section, a file that does not
  // parse (the parser's message is kept) or a malformed number raises.
  explicit TConfigXML(const std::string& fileName);
  ~TConfigXML() override;

  int32_t texturecachesize = 32;
  double positionoffset = 0.25;
  double mobrandomoffset = 0.3;
  int32_t clodprecision = -1;
  double visualscale = -1.0;
  double groundplaneoffset = -1.0;
  double groundmeshoffset = -1.0;
  double focallength = -1.0;
  double spriteoffset = -1.0;
  double cubeoffset = -1.0;
  double roomoffset = -1.0;
  double roomwalloffset = -1.0;
  double walloffset = -1.0;
  double sphereoffset = -1.0;
  double diskoffset = -1.0;
  double cameraheightoffset = -1.0;
  double flightfactor = 1.0;
  bool hasSea = false;
  bool hasUndersea = false;
  TEnvironment environment;

  TXMLListDOM* GetObjects() { return SelectChild("OBJECTS"); }
  TXMLListDOM* GetTextures() { return SelectChild("TEXTURES"); }
  TXMLListDOM* GetMaps() { return SelectChild("MAPS"); }
  TXMLListDOM* GetIntermediateMaps() { return SelectChild("INTERMEDIATEMAPS"); }
  TXMLListDOM* GetStaticColors() { return SelectChild("STATICCOLORS"); }
  TXMLListDOM* GetGodModeLocations() { return SelectChild("GODMODELOCATIONS"); }
  static TXMLListDOM* GetIntermediateMap(TXMLListDOM* list, int index) { return Item(list, index); }
  static TXMLListDOM* GetGodModeLocation(TXMLListDOM* list, int index) { return Item(list, index); }
  static TXMLListDOM* GetTextureItem(TXMLListDOM* list, int index) { return Item(list, index); }

  // TEXTURES queries on a copy of the section of our own, so they do not
  // move the section cursor.
  TXMLListDOM* FindTextureElement(const std::string& name) { return FTextures->FindTextureElement(name); }
  int32_t GetTerrainBrightnessFactor(const std::string& name) { return FTextures->GetTerrainBrightnessFactor(name); }
  int32_t GetTextureEmission(const std::string& name) { return FTextures->GetTextureEmission(name); }

  TGroundHeightList& GetGroundHeights() { return *FGroundHeights; }
  TUndefinedarea& GetUndefinedArea() { return *FUndefinedArea; }
  const TMapList& GetMapList() const { return FMaps; }
  TMap* MapsGetMap(int index) const { return FMaps.MapsGetMap(index); }
  TMap* MapsFindMap(int32_t x, int32_t y) const { return FMaps.MapsFindMap(x, y); }
  int32_t MapsGetExitsAt(int32_t x, int32_t y) const { return FMaps.MapsGetExitsAt(x, y); }
  int32_t MapsGetWallsAt(int32_t x, int32_t y) const { return FMaps.MapsGetWallsAt(x, y); }
  const std::string& GetFileName() const { return FFileName; }
  // Every texture the description names (objects, sea, undersea, clouds,
  // undefined area, texture options) that has no file under the program
  // folder, in document order, each once: a start-up step can name them all
  // before the first load fails on one.
  std::vector<std::string> FindMissingTextures() const;

private:
  static TXMLListDOM* Item(TXMLListDOM* list, int index) { return list == nullptr ? nullptr : list->GetItem(index); }
  TXMLListDOM* Require(const char* path);
  void ReadStaticColors();
  void ReadSystem();
  void ReadEnvironment();

  std::string FFileName;
  std::unique_ptr<TGroundHeightList> FGroundHeights;
  std::unique_ptr<TUndefinedarea> FUndefinedArea;
  std::unique_ptr<TConfigbase> FTextures;
  TMapList FMaps;
};

template <class T>
std::vector<std::unique_ptr<T>> TTheObjects::CopyAll(const std::string& xpath) const {
  std::vector<std::unique_ptr<T>> result;
  for (const xml::Node& node : GetElement().SelectAll(xpath)) {
    TXMLListDOM source("OBJECT");
    source.SetElement(node);
    auto copy = std::make_unique<T>();
    copy->Assign(&source);
    result.push_back(std::move(copy));
  }
  return result;
}

template <class T>
std::vector<std::unique_ptr<T>> TTheObjects::FindAllByColorHex(const std::string& hex) const {
  if (IsEmpty()) return {};
  return CopyAll<T>("OBJECT[" + ColorPredicate(hex) + "]");
}

template <class T>
std::vector<std::unique_ptr<T>> TTheObjects::FindAllByName(const std::string& name) const {
  if (IsEmpty()) return {};
  return CopyAll<T>("OBJECT[@name = " + xml::XPathLiteral(name) + "]");
}
