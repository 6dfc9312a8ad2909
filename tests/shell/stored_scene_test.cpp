// The main window's stored scene, built without GL or a window: the objects
// the client core finds by name, their order, the library's materials and
// the values the core and the start-up rely on.
#include "shell/core/stored_scene.h"

#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "objects/dummy_cube.h"
#include "objects/extrusion_geometry.h"
#include "objects/extrusion_solid.h"
#include "objects/fire_effect.h"
#include "objects/frustum.h"
#include "objects/height_data_bitmap.h"
#include "objects/height_field.h"
#include "objects/lines.h"
#include "objects/plane.h"
#include "objects/sky_dome.h"
#include "objects/sphere.h"
#include "objects/terrain_renderer.h"
#include "platform/base/exception.h"
#include "platform/picture/picture.h"
#include "tests/objects/batch_measure.h"
#include "tests/support/large_pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ChildNames(const TGLBaseSceneObject& parent) {
  std::vector<std::string> names;
  for (int i = 0; i < parent.GetCount(); ++i) names.push_back(parent.GetChild(i)->GetName());
  return names;
}

TEST(StoredScene, ObjectsStandInTheStoredOrder) {
  StoredScene stored;
  TGL3DScene& scene = *stored.GetScene();
  EXPECT_EQ(ChildNames(*scene.GetObjects()),
            (std::vector<std::string>{"SkyDome", "Intermediatecube2", "Intermediatecube3", "Staticcube",
                                      "Intermediatecube", "Mobsquare", "Nullcube", "Sprite1", "gllight",
                                      "eshousebase", "Sprite2", "Disk1", "Raincube", "Frustrum1", "GLSphere3"}));
  EXPECT_EQ(ChildNames(*scene.FindSceneObject("Staticcube")),
            (std::vector<std::string>{"pnclouds", "pnsea", "pnundersea", "HeightField", "TerrainRenderer"}));
  EXPECT_EQ(ChildNames(*scene.FindSceneObject("Nullcube")), (std::vector<std::string>{"spnull", "pnnullplane"}));
  EXPECT_EQ(ChildNames(*scene.FindSceneObject("Raincube")), (std::vector<std::string>{"rainline"}));
}

TEST(StoredScene, RainLineIsOneInvisibleNodedStreak) {
  StoredScene stored;
  auto* line = dynamic_cast<TGLLines*>(stored.GetScene()->FindSceneObject("rainline"));
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->GetAntiAliased());
  EXPECT_EQ(line->GetLineColor()->GetAlpha(), 0.1f);
  EXPECT_EQ(line->GetNodesAspect(), lnaInvisible);
  ASSERT_EQ(line->GetNodes()->GetCount(), 2);
  EXPECT_EQ(line->GetNodes()->GetItems(1)->GetY(), 1);
}

TEST(StoredScene, HouseBaseIsANotchedSlabAndTheFrustumIsHidden) {
  StoredScene stored;
  auto* house = dynamic_cast<TGLExtrusionSolid*>(stored.GetScene()->FindSceneObject("eshousebase"));
  ASSERT_NE(house, nullptr);
  EXPECT_EQ(house->GetContours()->GetCount(), 2);
  EXPECT_EQ(house->GetHeight(), 0.1f);
  EXPECT_EQ(house->GetMaterial()->GetFrontProperties()->GetEmission()->GetGreen(), 0.858824f);
  // The notch (0.3 x 0.8 from the bottom edge) cut from the unit square
  // leaves an eight-cornered outline: each cap is six triangles of 0.76.
  const auto outline = house->GetOutline().Paths();
  ASSERT_EQ(outline.size(), 1u);
  const GeometryBatches caps = BuildExtrusionCaps(outline, house->Shape(), {0, 0, 1});
  EXPECT_EQ(TriangleCount(caps), 2 * 6);
  EXPECT_NEAR(TotalArea(caps), 2 * (1 - 0.3 * 0.8), 1e-5);
  EXPECT_NEAR(EnclosedVolume(house->Geometry()), (1 - 0.3 * 0.8) * 0.1, 1e-5);
  auto* frustum = dynamic_cast<TGLFrustrum*>(stored.GetScene()->FindSceneObject("Frustrum1"));
  ASSERT_NE(frustum, nullptr);
  EXPECT_FALSE(frustum->GetVisible());
}

TEST(StoredScene, TheCoreFindsItsObjectsWhateverTheCase) {
  StoredScene stored;
  TGL3DScene& scene = *stored.GetScene();
  struct Case {
    const char* asked;
    const char* stored;
  } cases[] = {{"glCamera", "GLCamera"},           {"pnClouds", "pnclouds"},
               {"raincube", "Raincube"},           {"TerrainRenderer", "TerrainRenderer"},
               {"intermediatecube2", "Intermediatecube2"}, {"staticcube", "Staticcube"},
               {"mobsquare", "Mobsquare"},         {"nullcube", "Nullcube"},
               {"skydome", "SkyDome"},             {"PNSEA", "pnsea"}};
  for (const Case& c : cases) {
    TGLBaseSceneObject* found = scene.FindSceneObject(c.asked);
    ASSERT_NE(found, nullptr) << c.asked;
    EXPECT_EQ(found->GetName(), c.stored);
  }
  EXPECT_EQ(scene.FindSceneObject("glCamera"), stored.GetCamera());
  EXPECT_EQ(scene.FindSceneObject("GLLIGHT"), stored.GetLight());
  EXPECT_EQ(scene.FindSceneObject("no such object"), nullptr);
}

TEST(StoredScene, HeightFieldLiesFlatOverItsSamples) {
  StoredScene stored;
  auto* field = dynamic_cast<TGLHeightField*>(stored.GetScene()->FindSceneObject("HeightField"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->GetScale()->GetX(), 256.0f);
  EXPECT_EQ(field->GetScale()->GetZ(), 1.0f);
  EXPECT_EQ(field->GetDirection()->GetY(), 1.0f);
  EXPECT_EQ(field->GetUp()->GetZ(), 1.0f);
  EXPECT_EQ(field->GetOptions(), THeightFieldOptions{hfoTextureCoordinates});
  for (const TGLSamplingScale* scale : {field->GetXSamplingScale(), field->GetYSamplingScale()}) {
    EXPECT_EQ(scale->GetMin(), 0.0f);
    EXPECT_EQ(scale->GetMax(), 1.0f);
    EXPECT_EQ(scale->GetStep(), 0.01f);
  }
  // An event of its own (answering nothing), so the built-in ripple is not drawn.
  EXPECT_TRUE(field->GetOnGetHeight());
}

TEST(StoredScene, LibraryHoldsTheFiveMaterialsTheStartUpUses) {
  StoredScene stored;
  const TGLLibMaterials& materials = *stored.GetMaterialLibrary()->GetMaterials();
  ASSERT_EQ(materials.GetCount(), 5);
  const char* names[] = {"elevation", "aerial", "details", "big", "small"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(materials.GetItems(i)->GetName(), names[i]);
  EXPECT_EQ(materials.GetItems(0)->GetMaterial()->GetTexture()->GetTextureMode(), tmBlend);
  EXPECT_EQ(materials.GetItems(2)->GetTextureScale()->GetX(), 0.001f);
  EXPECT_EQ(materials.GetItems(4)->GetMaterial()->GetTexture()->GetImageAlpha(), tiaSuperBlackTransparent);
}

TEST(StoredScene, TerrainDrawsTheHeightSourceWithTheAerialMaterial) {
  StoredScene stored;
  auto* terrain = dynamic_cast<TGLTerrainRenderer*>(stored.GetScene()->FindSceneObject("TerrainRenderer"));
  ASSERT_NE(terrain, nullptr);
  EXPECT_EQ(terrain->GetHeightDataSource(), stored.GetHeightSource());
  EXPECT_EQ(terrain->GetMaterialLibrary(), stored.GetMaterialLibrary());
  EXPECT_EQ(terrain->GetMaterial()->GetLibMaterialName(), "aerial");
  EXPECT_EQ(terrain->GetTileSize(), 256);
  EXPECT_EQ(terrain->GetScale()->GetZ(), 0.05f);
  EXPECT_EQ(stored.GetCadencer()->GetScene(), stored.GetScene());
  EXPECT_FALSE(stored.GetCadencer()->GetEnabled());
  EXPECT_EQ(stored.GetFireFXManager()->GetCadencer(), stored.GetCadencer());
  EXPECT_EQ(stored.GetFireFXManager()->GetMaxParticles(), 16);
}

TEST(StoredScene, SkyDomeHasSixBandsTheFirstTwoStored) {
  StoredScene stored;
  auto* sky = dynamic_cast<TGLSkyDome*>(stored.GetScene()->FindSceneObject("skydome"));
  ASSERT_NE(sky, nullptr);
  ASSERT_EQ(sky->GetBands()->GetCount(), 6);
  EXPECT_EQ(sky->GetBands()->GetItems(0)->GetStopAngle(), 20);
  EXPECT_EQ(sky->GetBands()->GetItems(1)->GetStartAngle(), 20);
  EXPECT_EQ(sky->GetBands()->GetItems(1)->GetStopAngle(), 90);
  EXPECT_EQ(sky->GetBands()->GetItems(1)->GetStacks(), 4);
  EXPECT_EQ(sky->GetStars()->GetCount(), 0);
  EXPECT_EQ(sky->GetOptions(), sdoTwinkle);
}

TEST(StoredScene, ViewerSettingsGiveFogAndCamera) {
  StoredScene stored;
  TGL3DSceneBuffer buffer;
  ApplyStoredViewerSettings(buffer, stored.GetCamera());
  EXPECT_EQ(buffer.GetCamera(), stored.GetCamera());
  EXPECT_TRUE(buffer.GetFogEnable());
  EXPECT_EQ(buffer.GetFogEnvironment()->GetFogEnd(), 512);
  EXPECT_EQ(stored.GetCamera()->GetFocalLength(), 25);
}

TEST(StoredScene, HeightPictureComesFromTheWorldsFolder) {
  StoredScene stored;
  EXPECT_FALSE(stored.LoadHeightPicture("/nonexistent/"));
  EXPECT_TRUE(stored.GetHeightSource()->GetPicture().GetEmpty());
  EXPECT_EQ(stored.GetHeightSource()->GetPicture().GetLoadFailure(),
            "Picture \"/nonexistent/maps/elevation.bmp\" cannot be read: there is no such file");
  ASSERT_TRUE(stored.LoadHeightPicture(std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/"));
  const Picture& heights = stored.GetHeightSource()->GetPicture();
  EXPECT_EQ(heights.GetWidth(), 179);
  EXPECT_EQ(heights.GetBitmap().GetPixelFormat(), pf24bit) << "as the file holds it";
  EXPECT_EQ(heights.GetLoadFailure(), "");
}

// The terrain samples the height picture at most at the height source's
// largest grey bitmap: a wider picture is read at that size, grey; a
// damaged one stays empty and says which file and why.
TEST(StoredScene, HeightPictureIsReadAtMostAtTheSizeTheTerrainSamples) {
  const std::filesystem::path folder = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "stored_scene_heights";
  std::filesystem::create_directories(folder / "maps");
  const std::filesystem::path file = folder / "maps" / "elevation.bmp";
  StoredScene stored;
  std::ofstream(file, std::ios::binary) << OneBitBmp(TGLBitmapHDS::kMaxBitmapSize + 808, 9, 3, 0x000000, 0xFFFFFF);
  ASSERT_TRUE(stored.LoadHeightPicture(folder.string() + "/"));
  const Picture& heights = stored.GetHeightSource()->GetPicture();
  EXPECT_EQ(heights.GetWidth(), TGLBitmapHDS::kMaxBitmapSize);
  EXPECT_EQ(heights.GetHeight(), 8);  // Round(9 / 9000 x 8192)
  EXPECT_EQ(heights.GetBitmap().GetPixelFormat(), pf8bit);
  EXPECT_EQ(stored.GetHeightSource()->GetBitmapSize(), TGLBitmapHDS::kMaxBitmapSize);

  std::string damaged = OneBitBmp(64, 64, 8, 0x000000, 0xFFFFFF);
  damaged.resize(damaged.size() / 2);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
  StoredScene again;
  EXPECT_THROW(again.LoadHeightPicture(folder.string() + "/"), Exception);
  EXPECT_TRUE(again.GetHeightSource()->GetPicture().GetEmpty());
  EXPECT_EQ(again.GetHeightSource()->GetPicture().GetLoadFailure(),
            "Picture \"" + file.string() + "\" cannot be read: Invalid bitmap file: truncated pixel data");
  std::filesystem::remove_all(folder);
}

}  // namespace
