#include "client/mud.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <unordered_set>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud_state.h"
#include "client/mud_view.h"
#include "client/object_catalog.h"
#include "client/static_area.h"
#include "client/static_batches.h"
#include "client/texture_cache.h"
#include "client/texture_loading.h"
#include "client/world_lists.h"
#include "engine/camera.h"
#include "engine/custom_scene_object.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/height_data.h"
#include "objects/lines.h"
#include "objects/plane.h"
#include "objects/sky_dome.h"
#include "objects/sphere.h"
#include "objects/terrain_renderer.h"
#include "platform/base/path_resolve.h"
#include "platform/picture/picture.h"
#include "platform/picture/picture_formats.h"

// ------------------------------------------------------------------ the log

namespace {

std::string LogTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  // Numbers only, so the format is the same in every locale.
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

void StartLog() {
  std::ofstream log(XMLLogFileName, std::ios::trunc | std::ios::binary);
}

}  // namespace

void LogLine(std::string_view text) {
  std::ofstream log(XMLLogFileName, std::ios::app | std::ios::binary);
  if (!log) return;
  log << LogTimeStamp() << ' ' << text << '\n';
  log.flush();
}

void SetCellWindowSize(TCellWindow& window, const std::string& text, int32_t defaultSize) {
  const int32_t size = text.empty() ? defaultSize : StrToInt(text);
  window.size = std::clamp(size, 1, TCellWindow::kMaxSize);
}

// ------------------------------------------------------------------- viewer

PlainViewer::PlainViewer() : FBuffer(std::make_unique<TGL3DSceneBuffer>()) {}
PlainViewer::~PlainViewer() = default;

// ----------------------------------------------------------------- creation

TMud::TMud(const std::string& configFile, MudViewer* viewer, TGL3DScene* scene, TGLSoundLibrary* soundLibrary,
           TGLMaterialLibrary* materialLibrary, TGLFireFXManager* fireTemplate, Picture* elevationPicture,
           Picture* staticPicture, Picture* intermediatePicture1, Picture* intermediatePicture2,
           Picture* intermediatePicture3, MudControl* blackPanel, TGLLightSource* light,
           THeightDataSource* heightSource) {
  XMLLogEnabled = true;
  try {
    StartLog();
    LogLine("7.12");

    CurrentState = std::make_unique<TMudstate>();
    PreviousState = std::make_unique<TMudstate>();
    ReceivedState = std::make_unique<TMudstate>();
    ScratchCoordinates = std::make_unique<TGLCoordinates>();
    Scene = scene;
    MaterialLibrary = materialLibrary;
    Viewer = viewer;
    HeightSource = heightSource;
    FireTemplate = fireTemplate;
    if (!Scene || !MaterialLibrary || !FireTemplate) throw Exception("The client core needs a scene, a material library and a fire template");
    FStoredMaterialCount = MaterialLibrary->GetMaterials()->GetCount();

    FireManager = std::make_unique<TGLFireFXManager>();
    TGLFireFXManager& fire = *FireManager;
    fire.SetCadencer(FireTemplate->GetCadencer());
    fire.SetMaxParticles(FireTemplate->GetMaxParticles());
    fire.SetParticleSize(FireTemplate->GetParticleSize() * 1.1f);
    fire.SetFireDensity(FireTemplate->GetFireDensity() * 0.9f);
    fire.SetFireEvaporation(FireTemplate->GetFireEvaporation() * 0.9f);
    fire.SetParticleLife(FireTemplate->GetParticleLife() + 1);
    fire.SetFireRadius(FireTemplate->GetFireRadius() * 0.9f);
    fire.SetDisabled(false);
    fire.SetPaused(false);
    fire.SetParticleInterval(FireTemplate->GetParticleInterval());
    fire.GetInnerColor()->Assign(FireTemplate->GetInnerColor());
    fire.SetUseInterval(FireTemplate->GetUseInterval());
    LogLine("firemanager");

    BlackPanel = blackPanel;
    Light = light;
    Pictures = {elevationPicture, staticPicture, intermediatePicture1, intermediatePicture2, intermediatePicture3};
    Create(configFile, soundLibrary);
  } catch (const std::exception& e) {
    FCreateError = e.what();
    LogLine(std::string("Exception ") + e.what());
  }
  XMLLogEnabled = false;
}

void TMud::Create(const std::string& configFile, TGLSoundLibrary* soundLibrary) {
  Config = std::make_unique<TConfigXML>(configFile);
  ObjectCatalog = std::make_unique<TObjectCatalog>(*Config);
  LogLine("Created config.xml");

  VisualScale = Config->visualscale;
  SetUpNullSphere();
  NullPlane = Find<TGLPlane>("pnnullplane");
  LogLine("Created null sphere and plane");

  SetUpClouds();
  LogLine("Set Clouds");
  CloudsMaterialNumber = CloudsMaterial->GetIndex() + 1;

  NullCube = Find<TGLDummyCube>("nullcube");
  // The area may name the clouds texture in another case: the same file,
  // so the same material.
  const std::string undefinedTexture = LibraryNameOf(Config->GetUndefinedArea().texture);
  NullPlane->GetMaterial()->SetLibMaterialName(undefinedTexture);
  NullSphere->GetMaterial()->SetLibMaterialName(undefinedTexture);
  TextureCache = std::make_unique<TTexturenamecache>(Config->texturecachesize);
  MapSize = kMapSize;
  // The shell reads the pictures; one it could not read says here which
  // file it was and why.
  auto requireMap = [](const Picture* picture, const std::string& what) {
    if (picture && picture->GetWidth() != 0) return;
    std::string message = what;
    if (picture && !picture->GetLoadFailure().empty()) message += ": " + picture->GetLoadFailure();
    throw Exception(message);
  };
  requireMap(Pictures[0], "The elevation picture is empty");
  requireMap(Pictures[1], "The static-objects map is empty");
  StaticScale = Pictures[1]->GetWidth() / Pictures[0]->GetWidth();

  LoadStaticTextures();
  LogLine("Loaded non resizing textures");

  IntermediateCubes = {Find<TGLDummyCube>("intermediatecube"), Find<TGLDummyCube>("intermediatecube2"),
                       Find<TGLDummyCube>("intermediatecube3")};
  StaticCube = Find<TGLDummyCube>("staticcube");
  MobSquare = Find<TGLDummyCube>("mobsquare");
  StaticObjects.assign(kMapSize, std::vector<TGLBaseSceneObject*>(kMapSize, nullptr));

  SetUpCellWindows();
  LogLine("Size of intermediate maps set");

  SetUpIntermediateTextures();
  LogLine("Light sources added");

  Doorways = std::make_unique<TDoorwayList>();
  StaticCubes = std::make_unique<TStaticCubeList>();
  WallFaces = std::make_unique<TWallFaceList>();
  Camera = Find<TGLCamera>("glCamera");
  Camera->SetFocalLength(static_cast<float>(Config->focallength));

  SetUpSounds(soundLibrary);
  LogLine("Sounds set");

  SetUpRain();
  LogLine("Rain set");

  SetUpTerrain();
  SetUpSea();
  LogLine("Sea Set");
  SetUpUndersea();
  LogLine("Undersea set");

  PlaceStaticObjects();
  LogLine("Static objects added");

  UpdateCount = 0;
  LogLine("TMud.create complete");
  FBuilt = true;
}

template <class T>
T* TMud::Find(const char* name) const {
  auto* found = dynamic_cast<T*>(Scene->FindSceneObject(name));
  if (!found) throw Exception(std::string("The scene has no object \"") + name + "\" of the expected class");
  return found;
}

std::string TMud::LibraryNameOf(const std::string& name) const {
  if (name.empty() || MaterialLibrary->LibMaterialByName(name)) return name;
  const std::string upper = UpperCaseAscii(name);
  const TGLLibMaterials& materials = *MaterialLibrary->GetMaterials();
  for (int i = 0; i < materials.GetCount(); ++i)
    if (UpperCaseAscii(materials.GetItems(i)->GetName()) == upper) return materials.GetItems(i)->GetName();
  return name;
}

std::string TMud::ProgramPath(const std::string& name) { return ResolvePath(AppFolder + NormalizeSeparators(name)); }

TGLLibMaterial* TMud::AddTexture(const std::string& name, const std::string& fileName, int maxSize, bool powerOfTwo,
                                 bool* resized) {
  bool wasResized = false;
  const Bitmap picture = LoadTextureBitmap(fileName, maxSize, powerOfTwo, wasResized);
  if (resized) *resized = wasResized;
  return MaterialLibrary->AddTextureMaterial(name, picture);
}

void TMud::SetUpNullSphere() {
  NullSphere = Find<TGLSphere>("spnull");
  NullSphere->SetRadius(static_cast<float>(5 * VisualScale));
  const TUndefinedarea& area = Config->GetUndefinedArea();
  const std::string& cloudsTexture = Config->environment.clouds.texture;
  TGLMaterial& sphere = *NullSphere->GetMaterial();
  if (!area.texture.empty()) {
    if (UpperCaseAscii(area.texture) != UpperCaseAscii(cloudsTexture)) {
      TGLLibMaterial* material = AddTexture(area.texture, ProgramPath(area.texture), 0, true);
      TGLTexture& texture = *material->GetMaterial()->GetTexture();
      texture.SetMagFilter(maNearest);
      texture.SetMinFilter(miNearest);
      texture.SetTextureMode(tmModulate);
      texture.SetDisabled(false);
      texture.SetTextureWrap(twNone);
      material->GetMaterial()->GetFrontProperties()->GetEmission()->SetAsWinColor(0xFFFFFF);
    }
    sphere.SetLibMaterialName(area.texture);
  } else {
    sphere.SetLibMaterialName("");
    if (area.colour != -1) sphere.GetFrontProperties()->GetEmission()->SetAsWinColor(area.colour);
  }
}

void TMud::SetUpClouds() {
  AerialMaterial = MaterialLibrary->LibMaterialByName("aerial");
  SkyDome = Find<TGLSkyDome>("skydome");
  const auto& clouds = Config->environment.clouds;
  TGLLibMaterial* material = AddTexture(clouds.texture, ProgramPath(clouds.texture), 0, false);
  CloudsPlane = Find<TGLPlane>("pnClouds");
  const float width = static_cast<float>(clouds.width * VisualScale);
  CloudsPlane->GetScale()->SetX(width);
  CloudsPlane->GetScale()->SetY(width);
  CloudsPlane->GetPosition()->SetY(static_cast<float>(clouds.height * VisualScale));
  CloudsMaterial = material;
  TGLMaterial& look = *material->GetMaterial();
  look.SetMaterialOptions({moIgnoreFog});
  look.SetBlendingMode(bmAdditive);
  look.GetTexture()->SetMagFilter(maNearest);
  look.GetTexture()->SetMinFilter(miNearest);
  look.GetTexture()->SetTextureMode(tmModulate);
  TGLCoordinates& scale = *material->GetTextureScale();
  const float factor = static_cast<float>(clouds.scale);
  scale.SetVector4(scale.GetX() * factor, scale.GetY() * factor, scale.GetZ() * factor, scale.GetW());
  CloudsPlane->GetMaterial()->SetLibMaterialName(material->GetName());
}

void TMud::LoadStaticTextures() {
  UnresizedTextures.clear();
  StaticTextures.clear();
  Tobjects objects;
  objects.Assign(Config->GetObjects());
  std::unordered_set<std::string> seen;
  const client::TIntegerList colours = GetMapColours(1);
  for (int32_t colour : colours.Items()) {
    for (std::string& name : objects.GetTexturesFromColor(colour)) {
      if (seen.insert(name).second) StaticTextures.push_back(std::move(name));
    }
  }
  for (const std::string& name : StaticTextures) {
    bool resized = false;
    TGLLibMaterial* material = AddTexture(name, ProgramPath(name), kSmallTextureSize, true, &resized);
    if (!resized) UnresizedTextures.push_back(name);
    ApplyTextureOptions(material);
  }
}

void TMud::SetUpCellWindows() {
  CellWindows[0] = TCellWindow{};
  CellWindows[0].lastX = -1;
  CellWindows[0].lastY = -1;
  CellWindows[0].size = 7;
  CellWindows[1] = CellWindows[0];
  CellWindows[2] = CellWindows[0];
  TXMLListDOM maps("INTERMEDIATEMAPS");
  maps.Assign(Config->GetIntermediateMaps());
  // Without the section every window keeps the usual 7 x 7 cells.
  if (maps.IsEmpty()) return;
  // The section's width sizes all three windows, with or without a child
  // per map; a child's own width sizes its window.
  const std::string width = maps.GetString("width");
  const int32_t defaultSize = width.empty() ? 7 : StrToInt(width);
  for (int i = 0; i < 3; ++i) {
    TXMLListDOM* child = TConfigXML::GetIntermediateMap(&maps, i);
    SetCellWindowSize(CellWindows[static_cast<size_t>(i)], child ? child->GetString("width") : std::string(),
                      defaultSize);
  }
}

void TMud::SetUpIntermediateTextures() {
  IntermediateTextures = std::make_unique<TIntermediatetexturelist>();
  Tobjects objects;
  objects.Assign(Config->GetObjects());
  std::vector<int32_t> colours;
  for (int k = 2; k <= 4; ++k) {
    const client::TIntegerList mapColours = GetMapColours(k);
    colours.insert(colours.end(), mapColours.Items().begin(), mapColours.Items().end());
  }
  for (int32_t colour : colours) {
    const std::vector<std::string> names = objects.GetTexturesFromColor(colour);
    if (!names.empty()) IntermediateTextures->Add(colour, names);
  }

  LightSourceColours.Clear();
  TTheObjects lightSources("LIGHTSOURCES");
  lightSources.Assign(objects.GetLightSources());
  if (lightSources.IsEmpty()) return;
  for (int32_t colour : colours) {
    TXMLListDOM* found = lightSources.FindByColor(colour);
    if (found && !found->IsEmpty()) LightSourceColours.Add(colour);
  }
}

void TMud::SetUpRain() {
  RainCube = Find<TGLDummyCube>("raincube");
  TGLLines& first = *Find<TGLLines>("rainline");
  RainLines[0] = &first;
  for (size_t i = 1; i < RainLines.size(); ++i) {
    auto* line = RainCube->AddNewChild<TGLLines>();
    line->SetLineColor(first.GetLineColor());
    line->GetDirection()->Assign(first.GetDirection());
    line->SetNodesAspect(first.GetNodesAspect());
    line->SetShowAxes(first.GetShowAxes());
    line->GetUp()->Assign(first.GetUp());
    line->TransformationChanged();
    line->SetNodes(first.GetNodes());
    RainLines[i] = line;
  }
}

void TMud::SetUpTerrain() {
  TerrainRenderer = Find<TGLTerrainRenderer>("TerrainRenderer");
  const float side = static_cast<float>(358.0 / 256.0 * VisualScale);
  TGLCoordinates& scale = *TerrainRenderer->GetScale();
  scale.SetX(side);
  scale.SetY(side);
  scale.SetZ(static_cast<float>(Config->environment.terrainheight * VisualScale));
  TerrainRenderer->SetCLODPrecision(Config->clodprecision);
}

namespace {

void TakeTerrainPlacement(TGLPlane& plane, TGLTerrainRenderer& terrain) {
  plane.GetPosition()->Assign(terrain.GetPosition());
  plane.GetDirection()->Assign(terrain.GetDirection());
  plane.GetUp()->Assign(terrain.GetUp());
  plane.TransformationChanged();
}

}  // namespace

void TMud::SetUpSea() {
  SeaPlane = Find<TGLPlane>("pnsea");
  SeaPlane->GetMaterial()->GetFrontProperties()->GetEmission()->SetAsWinColor(0xA07E58);
  const std::string& texture = Config->environment.sea.texture;
  // The sea is optional: a world without one keeps the plain plane.
  if (!Config->hasSea) LogLine("No sea");
  if (Config->hasSea && !texture.empty()) {
    TGLLibMaterial* material = AddTexture(texture, ProgramPath(texture), 256, true);
    SeaPlane->GetMaterial()->SetLibMaterialName(material->GetName());
    ApplyTextureOptions(material);
  }
  TakeTerrainPlacement(*SeaPlane, *TerrainRenderer);
  SeaPlane->GetPosition()->SetY(static_cast<float>(GetSeaLevel()));
  const float side = static_cast<float>(2 * 358 * VisualScale);
  SeaPlane->GetScale()->SetX(side);
  SeaPlane->GetScale()->SetY(side);
}

void TMud::SetUpUndersea() {
  UnderseaPlane = Find<TGLPlane>("pnundersea");
  UnderseaPlane->GetPosition()->Assign(TerrainRenderer->GetPosition());
  if (!Config->hasUndersea) LogLine("No undersea");
  if (Config->hasUndersea) {
    const auto& undersea = Config->environment.undersea;
    UnderseaPlane->GetMaterial()->GetFrontProperties()->GetEmission()->SetAsWinColor(undersea.color);
    if (!undersea.texture.empty()) {
      TGLLibMaterial* material = AddTexture(undersea.texture, ProgramPath(undersea.texture), 256, true);
      UnderseaPlane->GetMaterial()->SetLibMaterialName(material->GetName());
      ApplyTextureOptions(material);
    }
  }
  UnderseaPlane->GetPosition()->SetY(static_cast<float>(GetSeaLevel()));
  const float side = static_cast<float>(2 * 358 * VisualScale);
  UnderseaPlane->GetScale()->SetX(side);
  UnderseaPlane->GetScale()->SetY(side);
}

// -------------------------------------------------------------- destruction

TMud::~TMud() {
  try {
    RemoveBuiltObjects();
  } catch (const std::exception& e) {
    LogLine(std::string("Exception ") + e.what());
  }
  CurrentState.reset();
  PreviousState.reset();
  ReceivedState.reset();
  Doorways.reset();
  StaticTextures.clear();
  StaticCubes.reset();
  WallFaces.reset();
  FreeSounds();
  FireManager.reset();
  ScratchCoordinates.reset();
  Config.reset();
  LightSourceColours.Clear();
  IntermediateTextures.reset();
  TextureCache.reset();
  UnresizedTextures.clear();
}

void TMud::RemoveBuiltObjects() {
  // What the builder made: the static containers, the cell windows' and the
  // monsters' objects. The stored children of these containers stay.
  auto takeOut = [](auto& grid) {
    for (auto& column : grid)
      for (auto*& object : column) {
        if (object && object->GetParent()) object->GetParent()->Remove(object, false);
        object = nullptr;
      }
  };
  // The batches first: they stop watching what goes after them.
  if (StaticBatches && StaticBatches->GetParent()) StaticBatches->GetParent()->Remove(StaticBatches, false);
  StaticBatches = nullptr;
  takeOut(StaticObjects);
  takeOut(StaticAreas);
  for (size_t i = 1; i < RainLines.size(); ++i) {
    if (RainLines[i] && RainLines[i]->GetParent()) RainLines[i]->GetParent()->Remove(RainLines[i], false);
    RainLines[i] = nullptr;
  }
  for (TGLDummyCube* cube : IntermediateCubes)
    if (cube) cube->DeleteChildren();
  if (MobSquare) MobSquare->DeleteChildren();
  // The stored objects go back to the stored look before the materials the
  // core added leave the library.
  for (TGL3DSceneObject* object : std::initializer_list<TGL3DSceneObject*>{NullSphere, NullPlane, CloudsPlane,
                                                                          SeaPlane, UnderseaPlane})
    if (object) object->GetMaterial()->SetLibMaterialName("");
  if (MaterialLibrary && FStoredMaterialCount >= 0) {
    TGLLibMaterials& materials = *MaterialLibrary->GetMaterials();
    while (materials.GetCount() > FStoredMaterialCount) materials.Delete(materials.GetCount() - 1);
  }
}

// ------------------------------------------------------ mappings and heights

TVector4f TMud::MudToScene(const TVector4f& v) const {
  return {static_cast<float>((static_cast<double>(v[0]) - kMapSize) * VisualScale),
          static_cast<float>(static_cast<double>(v[2]) * VisualScale),
          static_cast<float>((kMapSize - static_cast<double>(v[1])) * VisualScale), 0};
}

TVector4f TMud::MudToSceneXY(double x, double y) const {
  return MudToScene({static_cast<float>(x), static_cast<float>(y), 0, 0});
}

double TMud::GetTerrainHeight(double x, double y) const {
  if (!TerrainRenderer) return 0.0;
  TVector4f point = MudToSceneXY(x, y);
  point[3] = 1;
  return TerrainRenderer->InterpolatedHeight(point);
}

double TMud::GetSmoothedHeight(double x, double y) const {
  return (GetTerrainHeight(x - 0.5, y - 0.5) + GetTerrainHeight(x - 0.5, y + 0.5) +
          GetTerrainHeight(x + 0.5, y - 0.5) + GetTerrainHeight(x + 0.5, y + 0.5)) *
         0.25;
}

TVector4f TMud::CellToScene(int32_t x, int32_t y) const {
  TVector4f v = MudToSceneXY(x, y);
  v[1] = static_cast<float>(GetTerrainHeight(x, y));
  return v;
}

double TMud::GetSeaLevel() const { return Config ? Config->environment.sea.height * VisualScale : 0.0; }

int32_t TMud::GetPixel(int k, int32_t x, int32_t y) const {
  if (k < 1 || k > 4) return -1;
  const Picture* picture = Pictures[static_cast<size_t>(k)];
  if (!picture) return -1;
  return picture->GetBitmap().GetPixel(x, kMapSize - y);
}

bool TMud::IsBackgroundColour(int32_t colour) { return colour == -1 || IsStaticColor(colour); }

void TMud::DirectionVector(int d, TVector4f& result) const {
  switch (d) {
    case 0: result = {0, 0, -1, result[3]}; break;
    case 1: result = {0, 0, 1, result[3]}; break;
    case 2: result = {1, 0, 0, result[3]}; break;
    case 3: result = {-1, 0, 0, result[3]}; break;
    case 4: result = {0, 1, 0, result[3]}; break;
    case 5: result = {0, -1, 0, result[3]}; break;
    default: result[1] = 0; break;
  }
}

// -------------------------------------------------------------- level tests

bool TMud::IsHiddenViewType(int32_t level) { return level == 1 || level == 2; }
bool TMud::IsUndergroundType(int32_t level) { return level >= 3 && level <= 6; }
bool TMud::IsSeaLevelType(int32_t level) { return level == 7; }
bool TMud::IsFlightType(int32_t level) { return level == 10; }

bool TMud::IsGroundLevelType(int32_t level) {
  switch (level) {
    case 8: case 9: case 11: case 12: case 13: case 14: case 15: case 17: case 19: case 20: case 21: case 22:
      return true;
    default:
      return false;
  }
}

bool TMud::IsAboveGroundType(int32_t level) { return level == 13 || level == 15; }

// -------------------------------------------------------------- diagnostics

void TMud::DumpTextureCache(const std::string& fileName) const {
  if (TextureCache) TextureCache->SaveNames(fileName);
}

void TMud::DumpMaterialNames(const std::string& fileName) const {
  std::vector<std::string> names;
  if (MaterialLibrary) {
    const TGLLibMaterials& materials = *MaterialLibrary->GetMaterials();
    for (int i = 0; i < materials.GetCount(); ++i) names.push_back(materials.GetItems(i)->GetName());
  }
  SaveLinesToFile(names, fileName);
}
