#include "shell/core/stored_scene.h"

#include "client/texture_loading.h"
#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/fog_environment.h"
#include "engine/texture.h"
#include "imaging/image_library.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/extrusion_solid.h"
#include "objects/fire_effect.h"
#include "objects/frustum.h"
#include "objects/height_data_bitmap.h"
#include "objects/height_field.h"
#include "objects/lines.h"
#include "objects/plane.h"
#include "objects/sky_dome.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "objects/terrain_renderer.h"
#include "platform/base/path_resolve.h"
#include "platform/picture/picture.h"

namespace {

template <class T>
T* AddNamed(TGLBaseSceneObject& parent, const char* name) {
  T* object = parent.AddNewChild<T>();
  object->SetName(name);
  return object;
}

void Place(TGLBaseSceneObject& object, const TVector4f& direction, const TVector4f& up) {
  object.GetDirection()->SetVector(direction);
  object.GetUp()->SetVector(up);
}

TGLDummyCube* AddCube(TGLBaseSceneObject& parent, const char* name, TGLObjectsSorting sorting, float size) {
  auto* cube = AddNamed<TGLDummyCube>(parent, name);
  cube->SetObjectsSorting(sorting);
  cube->SetCubeSize(size);
  return cube;
}

void SetColor(TGLColor* color, const TVector4f& value) { color->SetColor(value); }

// The sea and the undersea: planes of the same stored values but direction
// and blending.
TGLPlane* AddSeaPlane(TGLBaseSceneObject& parent, const char* name, const TVector4f& direction,
                      TGLMaterialLibrary& library) {
  auto* plane = AddNamed<TGLPlane>(parent, name);
  Place(*plane, direction, {0, 0, 1, 0});
  plane->GetPosition()->SetPoint(-100, 1.2f, 207);
  plane->GetScale()->SetVector(512, 512, 0);
  TGLMaterial& material = *plane->GetMaterial();
  SetColor(material.GetFrontProperties()->GetDiffuse(), {0, 0, 0, 1});
  SetColor(material.GetBackProperties()->GetDiffuse(), {0, 0, 0, 1});
  material.GetFrontProperties()->SetShininess(50);
  material.SetMaterialLibrary(&library);
  plane->SetHeight(1);
  plane->SetWidth(1);
  plane->SetNoZWrite(false);
  return plane;
}

}  // namespace

StoredScene::StoredScene()
    : FMaterialLibrary(std::make_unique<TGLMaterialLibrary>()),
      FHeightSource(std::make_unique<TGLBitmapHDS>()),
      FScene(std::make_unique<TGL3DScene>()),
      FCadencer(std::make_unique<TGLCadencer>()),
      FFireFXManager(std::make_unique<TGLFireFXManager>()) {
  FMaterialLibrary->SetName("staticmateriallibrary");
  BuildMaterials();

  FHeightSource->SetName("GLBitmapHDS1");
  FHeightSource->SetInfiniteWrap(false);
  FHeightSource->SetMaxPoolSize(0);

  FScene->SetName("GL3DScene1");
  FScene->SetObjectsSorting(osNone);
  BuildObjects();

  FCadencer->SetName("GLCadencer1");
  FCadencer->SetEnabled(false);
  FCadencer->SetScene(FScene.get());

  TGLFireFXManager& fire = *FFireFXManager;
  fire.SetName("GLFireFXManager1");
  fire.SetCadencer(FCadencer.get());
  fire.SetMaxParticles(16);
  fire.SetParticleSize(0.15f);
  fire.GetInnerColor()->SetColor({1, 1, 1, 1});
  fire.SetFireDensity(0.6f);
  fire.SetFireEvaporation(1);
  fire.SetParticleLife(1);
  fire.SetFireRadius(0.15f);
  fire.SetParticleInterval(20);
  fire.SetUseInterval(false);
  fire.SetDisabled(false);
  fire.SetPaused(false);
}

StoredScene::~StoredScene() {
  FFireFXManager.reset();
  FCadencer.reset();
  FScene.reset();
  FHeightSource.reset();
  FMaterialLibrary.reset();
}

bool StoredScene::LoadHeightPicture(const std::string& programFolder) {
  const std::string file = programFolder + NormalizeSeparators(kHeightPictureFile);
  Picture& heights = FHeightSource->GetPicture();
  const std::optional<std::string> path = FindExistingPath(file);
  if (!path) {
    heights.SetLoadFailure(PictureReadFailure(file, "there is no such file"));
    return false;
  }
  // Stored pictures are read before the start-up registers the formats.
  StartImageLibrary();
  // The terrain samples at most the height source's largest grey bitmap: a
  // wider picture is read at that size, in grey, all the heights keep of it.
  try {
    heights.SetBitmap(LoadPictureWithin(*path, TGLBitmapHDS::kMaxBitmapSize, pf8bit));
  } catch (const std::exception& e) {
    heights.SetLoadFailure(e.what());
    throw;
  }
  return true;
}

void StoredScene::ShowGround(bool terrainRenderer) {
  const char* hidden = terrainRenderer ? "HeightField" : "TerrainRenderer";
  if (TGLBaseSceneObject* object = FScene->FindSceneObject(hidden)) object->SetVisible(false);
}

void StoredScene::BuildMaterials() {
  TGLLibMaterials& materials = *FMaterialLibrary->GetMaterials();
  auto add = [&](const char* name) {
    TGLLibMaterial* item = materials.Add();
    item->SetName(name);
    return item;
  };

  TGLMaterial& elevation = *add("elevation")->GetMaterial();
  SetColor(elevation.GetFrontProperties()->GetAmbient(), {0, 0, 0, 1});
  SetColor(elevation.GetFrontProperties()->GetDiffuse(), {0, 0, 0, 1});
  SetColor(elevation.GetFrontProperties()->GetEmission(), {0.2f, 0.2f, 0.2f, 0.992f});
  elevation.SetBlendingMode(bmTransparency);
  elevation.SetMaterialOptions({moIgnoreFog});
  elevation.GetTexture()->SetTextureMode(tmBlend);
  elevation.GetTexture()->SetDisabled(false);

  TGLMaterial& aerial = *add("aerial")->GetMaterial();
  SetColor(aerial.GetFrontProperties()->GetEmission(), {1, 1, 1, 1});
  aerial.SetBlendingMode(bmTransparency);
  aerial.GetTexture()->SetMinFilter(miLinear);
  aerial.GetTexture()->SetTextureMode(tmModulate);
  aerial.GetTexture()->SetDisabled(false);

  TGLLibMaterial* detailsItem = add("details");
  TGLMaterial& details = *detailsItem->GetMaterial();
  SetColor(details.GetFrontProperties()->GetEmission(), {1, 1, 1, 1});
  details.GetTexture()->SetTextureMode(tmModulate);
  details.GetTexture()->SetTextureFormat(tfLuminance);
  details.GetTexture()->SetCompression(tcStandard);
  details.GetTexture()->SetDisabled(false);
  detailsItem->GetTextureScale()->SetVector(0.001f, 0.001f, 0.001f);

  add("big")->GetMaterial()->GetTexture()->SetDisabled(false);

  TGLMaterial& small = *add("small")->GetMaterial();
  small.SetBlendingMode(bmTransparency);
  small.GetTexture()->SetImageAlpha(tiaSuperBlackTransparent);
  small.GetTexture()->SetTextureMode(tmModulate);
  small.GetTexture()->SetDisabled(false);
}

// One place for every stored object, in the stored order.
void StoredScene::BuildObjects() {
  TGLBaseSceneObject& root = *FScene->GetObjects();
  TGLMaterialLibrary& library = *FMaterialLibrary;

  auto* sky = AddNamed<TGLSkyDome>(root, "SkyDome");
  sky->SetObjectsSorting(osNone);
  Place(*sky, {0, 1, 0, 0}, {-1, 0, 0, 0});
  sky->GetPosition()->SetPoint(0, -0.2f, 0);
  sky->SetOptions(sdoTwinkle);
  TSkyDomeBands& bands = *sky->GetBands();
  while (bands.GetCount() < 6) bands.Add();
  TSkyDomeBand& band0 = *bands.GetItems(0);
  band0.SetStartAngle(0);
  band0.SetStopAngle(20);
  band0.GetStartColor()->SetColor({0.901961f, 0.901961f, 1, 1});
  band0.GetStopColor()->SetColor({0.705882f, 0.815686f, 0.933333f, 1});
  TSkyDomeBand& band1 = *bands.GetItems(1);
  band1.SetStartAngle(20);
  band1.SetStopAngle(90);
  band1.GetStartColor()->SetColor({0.706f, 0.816f, 0.933f, 1});
  band1.GetStopColor()->SetColor({0.333333f, 0.509804f, 0.886275f, 1});
  band1.SetStacks(4);

  AddCube(root, "Intermediatecube2", osRenderFarthestFirst, 1);
  AddCube(root, "Intermediatecube3", osInherited, 1);
  TGLDummyCube* statics = AddCube(root, "Staticcube", osRenderFarthestFirst, 1);

  auto* clouds = AddNamed<TGLPlane>(*statics, "pnclouds");
  Place(*clouds, {0, -1, 0, 0}, {0, 0, -1, 0});
  clouds->GetPosition()->SetPoint(0, 15, 0);
  clouds->GetScale()->SetVector(2000, 2000, 1);
  clouds->GetMaterial()->SetMaterialOptions({moIgnoreFog, moNoLighting});
  clouds->GetMaterial()->SetMaterialLibrary(&library);
  clouds->SetHeight(1);
  clouds->SetWidth(1);
  clouds->SetXTiles(15);
  clouds->SetYTiles(15);
  clouds->SetNoZWrite(false);

  AddSeaPlane(*statics, "pnsea", {0, 1, 0, 0}, library);
  TGLPlane* undersea = AddSeaPlane(*statics, "pnundersea", {0, -1, 0, 0}, library);
  undersea->GetMaterial()->SetBlendingMode(bmTransparency);

  // The ground when the terrain renderer is not used: its height event
  // answers nothing, so the surface lies flat.
  auto* field = AddNamed<TGLHeightField>(*statics, "HeightField");
  Place(*field, {0, 1, 0, 0}, {0, 0, 1, 0});
  field->GetScale()->SetVector(256, 256, 1);
  for (TGLSamplingScale* scale : {field->GetXSamplingScale(), field->GetYSamplingScale()}) {
    scale->SetMax(1);
    scale->SetStep(0.01f);
  }
  field->SetOptions({hfoTextureCoordinates});
  field->SetOnGetHeight([](float, float, float&, TVector4f&, TTexPoint&) {});

  auto* terrain = AddNamed<TGLTerrainRenderer>(*statics, "TerrainRenderer");
  terrain->SetObjectsSorting(osNone);
  Place(*terrain, {0, 1, 0, 0}, {0, 0, 1, 0});
  terrain->GetScale()->SetVector(1, 1, 0.05f);
  terrain->SetMaterialLibrary(&library);
  terrain->GetMaterial()->SetMaterialLibrary(&library);
  terrain->GetMaterial()->SetLibMaterialName("aerial");
  terrain->SetHeightDataSource(FHeightSource.get());
  terrain->SetTileSize(256);
  terrain->SetTilesPerTexture(1);
  terrain->SetCLODPrecision(1);

  AddCube(root, "Intermediatecube", osRenderFarthestFirst, 1);
  AddCube(root, "Mobsquare", osRenderFarthestFirst, 1);
  TGLDummyCube* nullCube = AddCube(root, "Nullcube", osInherited, 1);

  auto* nullSphere = AddNamed<TGLSphere>(*nullCube, "spnull");
  nullSphere->GetDirection()->SetVector(1, 0, 0);
  nullSphere->GetMaterial()->SetMaterialLibrary(&library);
  nullSphere->SetNormalDirection(ndInside);
  nullSphere->SetRadius(5);

  auto* nullPlane = AddNamed<TGLPlane>(*nullCube, "pnnullplane");
  Place(*nullPlane, {0, 1, 0, 0}, {0, 0, -1, 0});
  nullPlane->GetMaterial()->SetMaterialLibrary(&library);
  nullPlane->SetHeight(7);
  nullPlane->SetWidth(7);
  nullPlane->SetNoZWrite(false);

  auto* sprite1 = AddNamed<TGLSprite>(root, "Sprite1");
  sprite1->SetVisible(false);
  sprite1->GetMaterial()->SetMaterialLibrary(&library);
  sprite1->GetMaterial()->SetLibMaterialName("small");
  sprite1->SetWidth(0.4f);
  sprite1->SetHeight(0.4f);
  sprite1->SetNoZWrite(false);
  sprite1->SetMirrorU(false);
  sprite1->SetMirrorV(false);

  FLight = AddNamed<TGLLightSource>(root, "gllight");
  FLight->SetConstAttenuation(1);
  FLight->SetLinearAttenuation(0.5f);
  FLight->SetLightStyle(lsOmni);
  FLight->SetShining(false);
  FLight->SetSpotCutOff(180);
  FLight->GetSpotDirection()->SetVector(0, -1, 0);

  // A unit square notched from its bottom edge, a slab 0.1 high.
  auto* houseBase = AddNamed<TGLExtrusionSolid>(root, "eshousebase");
  houseBase->GetDirection()->SetVector(0, 0, 1);
  SetColor(houseBase->GetMaterial()->GetFrontProperties()->GetEmission(), {0.439216f, 0.858824f, 0.576471f, 1});
  const TAffineVector contours[2][4] = {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                        {{0.3f, 0, 0}, {0.6f, 0, 0}, {0.6f, 0.8f, 0}, {0.3f, 0.8f, 0}}};
  for (const auto& contour : contours) {
    TGLContourNodes* nodes = houseBase->GetContours()->Add()->GetNodes();
    for (const TAffineVector& point : contour) nodes->AddNode(point);
  }
  houseBase->SetParts({espOutside, espStartPolygon, espStopPolygon});
  houseBase->SetHeight(0.1f);
  houseBase->SetMinSmoothAngle(5);

  auto* sprite2 = AddNamed<TGLSprite>(root, "Sprite2");
  sprite2->SetVisible(false);
  sprite2->GetMaterial()->SetBlendingMode(bmTransparency);
  sprite2->GetMaterial()->GetTexture()->SetImageAlpha(tiaTopLeftPointColorTransparent);
  sprite2->SetWidth(4);
  sprite2->SetHeight(2);
  sprite2->SetNoZWrite(false);
  sprite2->SetMirrorU(false);
  sprite2->SetMirrorV(false);

  auto* disk = AddNamed<TGLDisk>(root, "Disk1");
  disk->SetVisible(false);
  Place(*disk, {0, 1, 0, 0}, {0, 0, 1, 0});
  TGLMaterial& diskMaterial = *disk->GetMaterial();
  SetColor(diskMaterial.GetBackProperties()->GetDiffuse(), {0.2f, 0.2f, 0.2f, 1});
  SetColor(diskMaterial.GetBackProperties()->GetEmission(), {0, 0, 0, 0});
  SetColor(diskMaterial.GetFrontProperties()->GetDiffuse(), {0.65f, 0.65f, 0.65f, 0.2f});
  SetColor(diskMaterial.GetFrontProperties()->GetEmission(), {0, 0, 0, 0.4f});
  SetColor(diskMaterial.GetFrontProperties()->GetSpecular(), {0, 0, 0, 0});
  diskMaterial.SetBlendingMode(bmTransparency);
  disk->SetOuterRadius(0.07f);
  disk->SetSweepAngle(360);

  TGLDummyCube* rain = AddCube(root, "Raincube", osInherited, 2);
  auto* rainLine = AddNamed<TGLLines>(*rain, "rainline");
  rainLine->SetAntiAliased(true);
  rainLine->GetLineColor()->SetColor({0.505f, 0.505f, 0.505f, 0.1f});
  rainLine->AddNode(0, 0, 0);
  rainLine->AddNode(0, 1, 0);
  rainLine->SetNodesAspect(lnaInvisible);
  rainLine->SetOptions({});

  AddNamed<TGLFrustrum>(root, "Frustrum1")->SetVisible(false);

  AddNamed<TGLSphere>(root, "GLSphere3")->SetRadius(0.5f);

  FCamera = AddNamed<TGLCamera>(*FScene->GetCameras(), "GLCamera");
  FCamera->SetDepthOfView(1000);
  FCamera->SetFocalLength(25);
  FCamera->GetPosition()->SetPoint(0, 0, -5);
  FCamera->GetUp()->SetVector(0, 1, 0);
}

void ApplyStoredViewerSettings(TGL3DSceneBuffer& buffer, TGLCamera* camera) {
  buffer.SetCamera(camera);
  TGLFogEnvironment& fog = *buffer.GetFogEnvironment();
  fog.GetFogColor()->SetColor({0.8f, 0.8f, 0.8f, 1});
  fog.SetFogStart(500);
  fog.SetFogEnd(512);
  buffer.SetFogEnable(true);
}
