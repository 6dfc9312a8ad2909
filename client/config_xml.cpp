#include "client/config_xml.h"

#include <algorithm>
#include <cctype>

#include "client/client_globals.h"
#include "platform/base/path_resolve.h"

namespace {

std::string DoubleBackslashes(const std::string& name) {
  std::string result;
  for (char c : name) {
    result += c;
    if (c == '\\') result += '\\';
  }
  return result;
}

std::string LowerHex(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string DirectionName(int direction) {
  if (direction < 0 || direction >= static_cast<int>(DirectionNames.size())) return {};
  return DirectionNames[static_cast<size_t>(direction)];
}

bool IsCompass(int direction) { return direction >= 0 && direction <= 3; }

// The static colour list belongs to the configuration that filled it.
const void* g_staticColorsOwner = nullptr;

}  // namespace

// --- TConfigbase: TEXTURES queries ---------------------------------------

TXMLListDOM* TConfigbase::FindTextureElement(const std::string& name) {
  // Worlds write the keys with doubled backslashes; accept the plain form
  // too, so foldered textures are found either way.
  const std::string doubled = DoubleBackslashes(name);
  TXMLListDOM* found = FindByAttribute("TEXTURE", "texture", doubled);
  if (found->IsEmpty() && doubled != name) found = FindByAttribute("TEXTURE", "texture", name);
  return found;
}

int32_t TConfigbase::GetTerrainBrightnessFactor(const std::string& name) {
  if (IsEmpty()) return -1;
  TXMLListDOM* element = FindTextureElement(name);
  if (element->IsEmpty()) return -1;
  return element->GetInteger("terrainbrightnessfactor");
}

int32_t TConfigbase::GetTextureEmission(const std::string& name) {
  if (IsEmpty()) return -1;
  TXMLListDOM* element = FindTextureElement(name);
  if (element->IsEmpty()) return -1;
  const std::string emission = element->GetString("emission");
  if (emission.empty()) return -1;
  return HexToColor(emission);
}

// --- TTheObjects -----------------------------------------------------------

std::string TTheObjects::ColorPredicate(const std::string& hex) {
  // Colour keys compare as text; fold the case of both sides so "FF0000" in
  // the world matches the "ff0000" the map pictures give.
  return "@color and translate(@color, 'ABCDEF', 'abcdef') = " + xml::XPathLiteral(LowerHex(hex));
}

TXMLListDOM* TTheObjects::FindByColor(int32_t colour) {
  if (IsStaticColor(colour)) return nullptr;
  return FindByColorHex(ColorToHex(colour));
}

TXMLListDOM* TTheObjects::FindByColorHex(const std::string& hex) {
  return SelectSingle("OBJECT[" + ColorPredicate(hex) + "]");
}

TXMLListDOM* TTheObjects::FindByName(const std::string& name) { return FindByAttribute("OBJECT", "name", name); }

// --- TTheObject ------------------------------------------------------------

double TTheObject::GetHeight() const { return GetFloat("height"); }

double TTheObject::GetWidth() const { return GetFloat("width"); }

double TTheObject::GetZOffset() const {
  const std::string text = GetString("zoffset");
  return TrimText(text).empty() ? 0.0 : StrToFloat(text);
}

// --- TBaseCube -------------------------------------------------------------

TXMLListDOM* TBaseCube::GetPlane(int direction) {
  if (GetCount() == 0) return this;
  return SelectPath("OBJECT[@objecttype=\"plane\" and @direction=" + xml::XPathLiteral(DirectionName(direction)) +
                    "]");
}

std::string TBaseCube::GetPlaneAttribute(const std::string& attribute, int direction) {
  if (GetCount() == 0) return IsCompass(direction) ? GetString(attribute) : std::string();
  TXMLListDOM* plane = GetPlane(direction);
  if (!plane->IsEmpty()) return plane->GetString(attribute);
  return GetString(attribute);
}

double TBaseCube::GetTurnAngle(int32_t a, int32_t b) const {
  const std::string angleText = GetString("turnangle");
  double angle = TrimText(angleText).empty() ? 0.0 : StrToFloat(angleText);
  const std::string randomText = GetString("turnrandom");
  if (!TrimText(randomText).empty()) {
    const int64_t divisor = GetInteger("turnrandom");
    // A turnrandom of 0 would divide by zero; it counts as absent.
    if (divisor != 0) {
      const auto product = static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
      angle += static_cast<double>(int64_t{product} % divisor);
    }
  }
  return angle;
}

// --- TTheCube --------------------------------------------------------------

bool TTheCube::HasDoor() { return !SelectPath("OBJECT[@objecttype=\"door\"]")->IsEmpty(); }

std::string TTheCube::GetDoorTexture() {
  TXMLListDOM* door = SelectPath("OBJECT[@objecttype=\"door\"]");
  return door->IsEmpty() ? std::string() : door->GetString("texture");
}

// --- TWall -----------------------------------------------------------------

bool TWall::HasSide(const std::string& side) {
  if (GetString("sides") == side) return true;
  return !SelectPath("OBJECT[@sides=" + xml::XPathLiteral(side) + "]")->IsEmpty();
}

bool TWall::IsInner() { return HasSide("inner"); }

bool TWall::IsOuter() { return HasSide("outer"); }

std::string TWall::GetSideAttribute(const std::string& side, const std::string& attribute) {
  std::string result = GetString("sides") == side ? GetString(attribute) : std::string();
  if (result.empty()) {
    TXMLListDOM* child = SelectPath("OBJECT[@sides=" + xml::XPathLiteral(side) + "]");
    if (!child->IsEmpty()) result = child->GetString(attribute);
  }
  return result;
}

double TWall::GetSideHeight(const std::string& side) {
  const std::string sideHeight = GetSideAttribute(side, "height");
  if (!TrimText(sideHeight).empty()) return StrToFloat(sideHeight);
  const std::string ownHeight = GetString("height");
  if (!TrimText(ownHeight).empty()) return StrToFloat(ownHeight);
  return 1.0;
}

// --- TRoom -----------------------------------------------------------------

std::string TRoom::GetPlaneAttribute(const std::string& roomType, const std::string& attribute) {
  TXMLListDOM* plane = SelectPath("OBJECT[@objecttype=\"plane\" and @roomtype=" + xml::XPathLiteral(roomType) + "]");
  return plane->IsEmpty() ? std::string() : plane->GetString(attribute);
}

double TRoom::GetWallWidth() {
  const std::string width = GetPlaneAttribute("wall", std::string("width"));
  return TrimText(width).empty() ? -1.0 : StrToFloat(width);
}

// --- TBaseCubes ------------------------------------------------------------

bool TBaseCubes::IsPlainCube(int32_t colour) {
  if (IsEmpty()) return false;
  TXMLListDOM* entry = FindByColor(colour);
  if (entry == nullptr || entry->IsEmpty()) return false;
  const std::string turn = entry->GetString("turnangle");
  if (!TrimText(turn).empty() && StrToFloat(turn) != 0.0) return false;
  if (entry->GetBool("inside")) return false;
  const std::string width = entry->GetString("width");
  if (TrimText(width).empty()) return true;
  return StrToFloat(width) == 1.0;
}

// --- Tobjects --------------------------------------------------------------

std::vector<std::string> Tobjects::TexturesFrom(const char* attribute, const std::string& value,
                                                const char* stylesheet) {
  if (IsEmpty()) return {};
  SetString(attribute, value);
  std::string output;
  try {
    output = TransformFile(AppFolder + stylesheet);
  } catch (...) {
    SetString(attribute, "");
    throw;
  }
  SetString(attribute, "");
  std::vector<std::string> names;
  for (std::string& line : SplitLines(output)) {
    std::string name(TrimText(line));
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::vector<std::string> Tobjects::GetTexturesFromColor(int32_t colour) {
  return TexturesFrom("color", ColorToHex(colour), kTexturesFromColorStylesheet);
}

std::vector<std::string> Tobjects::GetTexturesFromName(const std::string& name) {
  return TexturesFrom("name", name, kTexturesFromNameStylesheet);
}

// --- TConfigXML ------------------------------------------------------------

TConfigXML::TConfigXML(const std::string& fileName) : TXMLListDOM("CONFIG"), FFileName(fileName) {
  SetElement(xml::Node());  // a file that does not load must leave nothing behind
  LoadFromFile(fileName);
  if (IsEmpty()) {
    throw EConfigXML("World description " + fileName + " cannot be read: " + GetLoadError());
  }
  if (GetElement().Name() != "CONFIG") {
    throw EConfigXML("World description " + fileName + ": the root element is " + GetElement().Name() +
                     ", not CONFIG");
  }
  ReadStaticColors();
  ReadSystem();
  ReadEnvironment();

  TXMLListDOM* undefined = SelectChild("UNDEFINEDAREA");
  TXMLListDOM area("UNDEFINEDAREA");
  area.Assign(undefined);
  FUndefinedArea = std::make_unique<TUndefinedarea>(&area);

  TXMLListDOM maps("MAPS");
  maps.Assign(SelectChild("MAPS"));
  FMaps.LoadMaps(&maps);

  FTextures = std::make_unique<TConfigbase>("TEXTURES");
  FTextures->Assign(SelectChild("TEXTURES"));
}

std::vector<std::string> TConfigXML::FindMissingTextures() const {
  std::vector<std::string> missing;
  if (IsEmpty()) return missing;
  for (const xml::Node& element : GetElement().SelectAll("//*[@texture]")) {
    std::string name = element.Attribute("texture").value_or(std::string());
    // TEXTURES keys are written with doubled backslashes.
    if (element.Name() == "TEXTURE") {
      for (size_t p = name.find("\\\\"); p != std::string::npos; p = name.find("\\\\", p + 1)) name.erase(p, 1);
    }
    if (TrimText(name).empty()) continue;
    if (std::find(missing.begin(), missing.end(), name) != missing.end()) continue;
    if (!FindExistingPath(AppFolder + name)) missing.push_back(name);
  }
  return missing;
}

TConfigXML::~TConfigXML() {
  if (g_staticColorsOwner == this) {
    StaticColors.Clear();
    g_staticColorsOwner = nullptr;
  }
}

TXMLListDOM* TConfigXML::Require(const char* path) {
  TXMLListDOM* section = SelectPath(path);
  if (section->IsEmpty()) throw EConfigXML("World description " + FFileName + " has no " + path + " section");
  return section;
}

void TConfigXML::ReadStaticColors() {
  TXMLListDOM section("STATICCOLORS");
  section.Assign(Require("STATICCOLORS"));
  const std::string output = section.TransformFile(AppFolder + kGetColorsStylesheet);
  client::TIntegerList colours;
  for (const std::string& line : SplitLines(output)) colours.Add(HexToColor(TrimText(line)));
  StaticColors = colours;
  g_staticColorsOwner = this;
}

void TConfigXML::ReadSystem() {
  texturecachesize = 32;
  flightfactor = 1.0;
  positionoffset = 0.25;
  mobrandomoffset = 0.3;
  environment.sea.height = 0.0;
  environment.sea.texture.clear();

  TXMLListDOM* system = Require("SYSTEM");
  auto present = [&](const char* name) { return !system->GetString(name).empty(); };
  if (present("texturecachesize")) {
    texturecachesize = system->GetInteger("texturecachesize");
    // A cache that holds nothing would throw every large texture away the
    // moment it is loaded.
    if (texturecachesize < 1) texturecachesize = 32;
  }
  if (present("positionoffset")) positionoffset = system->GetFloat("positionoffset");
  if (present("mobrandomoffset")) mobrandomoffset = system->GetFloat("mobrandomoffset");
  clodprecision = system->GetInteger("clodprecision");
  visualscale = system->GetFloat("visualscale");
  groundplaneoffset = system->GetFloat("groundplaneoffset");
  groundmeshoffset = system->GetFloat("groundmeshoffset");
  focallength = system->GetFloat("focallength");
  spriteoffset = system->GetFloat("spriteoffset");
  cubeoffset = system->GetFloat("cubeoffset");
  roomoffset = system->GetFloat("roomoffset");
  roomwalloffset = system->GetFloat("roomwalloffset");
  walloffset = system->GetFloat("walloffset");
  sphereoffset = system->GetFloat("sphereoffset");
  diskoffset = system->GetFloat("diskoffset");
  cameraheightoffset = system->GetFloat("cameraheightoffset");
  if (present("flightfactor")) flightfactor = system->GetFloat("flightfactor");
}

void TConfigXML::ReadEnvironment() {
  auto floatOrZero = [](TXMLListDOM* element, const char* name) {
    const std::string text = element->GetString(name);
    return TrimText(text).empty() ? 0.0 : StrToFloat(text);
  };

  TXMLListDOM* sea = SelectPath("ENVIRONMENT/SEA");
  hasSea = !sea->IsEmpty();
  if (hasSea) {
    environment.sea.height = floatOrZero(sea, "height");
    environment.sea.mudheight = sea->GetFloat("mudheight");
    environment.sea.texture = sea->GetString("texture");
    TXMLListDOM* undersea = SelectPath("ENVIRONMENT/SEA/UNDERSEA");
    hasUndersea = !undersea->IsEmpty();
    if (hasUndersea) {
      environment.undersea.texture = undersea->GetString("texture");
      environment.undersea.color = HexToColor(undersea->GetString("color"));
      environment.undersea.fogcolor = HexToColor(undersea->GetString("fogcolor"));
      environment.undersea.fogstart = floatOrZero(undersea, "fogstart");
      environment.undersea.fogend = floatOrZero(undersea, "fogend");
    }
  }

  environment.terrainheight = Require("ENVIRONMENT/TERRAIN")->GetFloat("height");
  FGroundHeights = std::make_unique<TGroundHeightList>();
  FGroundHeights->LoadFromXML(Require("ENVIRONMENT/TERRAIN/TERRAINHEIGHTS")->GetXml());

  TXMLListDOM* time = Require("ENVIRONMENT/TIME");
  environment.times.daystart = time->GetFloat("daystart");
  environment.times.nightstart = time->GetFloat("nightstart");
  environment.times.nightend = time->GetFloat("nightend");
  environment.times.dayend = time->GetFloat("dayend");
  environment.times.sunrise = time->GetFloat("sunrise");
  environment.times.sunset = time->GetFloat("sunset");

  TXMLListDOM* clouds = Require("ENVIRONMENT/WEATHER/CLOUDS");
  environment.clouds.texture = clouds->GetString("texture");
  environment.clouds.scale = clouds->GetFloat("scale");
  environment.clouds.width = clouds->GetFloat("width");
  environment.clouds.height = clouds->GetFloat("height");
}
