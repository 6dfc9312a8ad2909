// The terrain renderer on a real off-screen context: a generated hill seen
// from the side stands highest in the middle of the picture, the frame's
// triangle count is stable for a fixed camera, culling the whole object
// keeps the terrain wherever it is in view, and rendering (ROAM and
// full-resolution patches, per-tile materials) leaves no GL state behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "engine/camera.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/height_data_bitmap.h"
#include "objects/height_data_custom.h"
#include "objects/roam_patch.h"
#include "objects/terrain_renderer.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/objects_gl/drawable_on_context.h"
#include "tests/support/gl_fixture.h"

namespace {

// Flat ground (grey 128, height 0) with a round hill of grey 255 in the middle.
Picture Hill(int size) {
  Bitmap bitmap(size, size, pf8bit);
  const double c = size / 2.0, radius = size * 0.15;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c) / radius;
      bitmap.ScanLine(y)[x] = std::uint8_t(128 + std::lround(127 * std::max(0.0, 1 - d * d)));
    }
  Picture picture;
  picture.SetBitmap(std::move(bitmap));
  return picture;
}

void WhiteUnlit(TGLTerrainRenderer& terrain) {
  TGLMaterial* material = terrain.GetMaterial();
  material->SetMaterialOptions({moNoLighting});
  TGLColor white(nullptr, clrWhite);
  material->GetFrontProperties()->SetDiffuse(&white);
  material->GetFrontProperties()->SetEmission(&white);
}

class TerrainScene : public ::testing::Test {
protected:
  static constexpr int kSize = 64;

  void SetUp() override {
    RegisterEglContextClass();
    source.SetInfiniteWrap(false);
    source.SetPicture(Hill(256));
    // Height along +Z (64 units at the top); the camera stands south of the
    // tile, looking north (+Y), a little above the ground: the hill rises in
    // the middle of the view, the flat ground is a thin line at the sides.
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    camera->GetPosition()->SetPoint(128, -300, 10);
    camera->GetDirection()->SetVector(0, 1, 0);
    camera->GetUp()->SetVector(0, 0, 1);
    camera->SetDepthOfView(1000);
    camera->SetFocalLength(20);
    terrain = scene.GetObjects()->AddNewChild<TGLTerrainRenderer>();
    terrain->SetTileSize(256);
    terrain->SetCLODPrecision(1);
    terrain->GetScale()->SetVector(1, 1, 0.5f);
    terrain->SetHeightDataSource(&source);
    WhiteUnlit(*terrain);
    buffer.SetBackgroundColor(clBlack);
    buffer.Resize(kSize, kSize);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
  }

  void TearDown() override {
    buffer.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }

  RasterBuffer Picture() {
    RasterBuffer bitmap;
    bitmap.Width = kSize;
    bitmap.Height = kSize;
    buffer.RenderToBitmap(bitmap, 96);
    return bitmap;
  }

  // The first row from the top where the column is lit, kSize when none.
  static int TopOfColumn(const RasterBuffer& bitmap, int x) {
    for (int y = 0; y < bitmap.Height; ++y) {
      const std::size_t at = (std::size_t(y) * bitmap.Width + x) * 4;
      if (bitmap.Pixels[at] > 128 && bitmap.Pixels[at + 1] > 128 && bitmap.Pixels[at + 2] > 128) return y;
    }
    return bitmap.Height;
  }

  TGLBitmapHDS source;
  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera* camera = nullptr;
  TGLTerrainRenderer* terrain = nullptr;
};

}  // namespace

TEST_F(TerrainScene, HillStandsHighestInTheMiddle) {
  const RasterBuffer bitmap = Picture();
  ASSERT_EQ(bitmap.Pixels.size(), std::size_t(kSize * kSize * 4));
  const int middle = TopOfColumn(bitmap, kSize / 2);
  const int left = TopOfColumn(bitmap, 4);
  const int right = TopOfColumn(bitmap, kSize - 5);
  EXPECT_LT(middle, kSize) << "the terrain is in the picture";
  EXPECT_LT(left, kSize) << "the flat ground is in the picture at the sides";
  EXPECT_LT(middle + 10, left) << "the hill's top rises above the flat ground";
  EXPECT_LT(middle + 10, right);
  EXPECT_GT(middle, 0) << "and the whole hill is in the view";
  // The sky above the hill stays the background.
  const std::size_t above = (std::size_t(std::max(middle - 2, 0)) * kSize + kSize / 2) * 4;
  EXPECT_EQ(bitmap.Pixels[above + 1], 0);
  EXPECT_GT(terrain->GetTriangleCount(), 2);
}

TEST_F(TerrainScene, FixedCameraGivesTheSameTriangleCountEveryFrame) {
  buffer.Render();
  const int first = terrain->GetTriangleCount();
  buffer.Render();
  EXPECT_EQ(terrain->GetTriangleCount(), first);
  EXPECT_GT(first, 100);
  // Precision coarsens the mesh.
  terrain->SetCLODPrecision(5000);
  buffer.Render();
  EXPECT_LT(terrain->GetTriangleCount(), first);
}

TEST_F(TerrainScene, FullResolutionDrawsEverySample) {
  terrain->SetQualityDistance(1000);
  Picture();
  // The strip of the 256 x 256 tile, as its count goes.
  EXPECT_EQ(terrain->GetTriangleCount(), (2 * 257 + 2) * 256 - 2 - 2 * 256);
  const RasterBuffer again = Picture();  // from the compiled list
  EXPECT_LT(TopOfColumn(again, kSize / 2) + 10, TopOfColumn(again, 4));
}

TEST_F(TerrainScene, PostRenderEventsSeeTheFramesPatchesAndTiles) {
  int patchCalls = 0, tileCalls = 0;
  std::size_t patches = 0, tiles = 0;
  terrain->OnPatchPostRender = [&](TRenderContextInfo&, const std::vector<TGLROAMPatch*>& list) {
    ++patchCalls;
    patches = list.size();
  };
  terrain->OnHeightDataPostRender = [&](TRenderContextInfo&, const std::vector<THeightData*>& list) {
    ++tileCalls;
    tiles = list.size();
  };
  buffer.Render();
  EXPECT_EQ(patchCalls, 1);
  EXPECT_EQ(tileCalls, 1);
  EXPECT_EQ(patches, 1u);  // the one tile with data
  EXPECT_GT(tiles, patches);  // empty tiles in view are visited too
}

TEST_F(TerrainScene, UnderObjectCullingTheTerrainInViewIsDrawnAndOutOfViewIsNot) {
  for (TGLVisibilityCulling culling : {vcObjectBased, vcHierarchical}) {
    scene.SetVisibilityCulling(culling);
    // Above the tile, looking down at the hill: the terrain's origin (the
    // tile's corner) is 77 degrees off the line of sight, out of the view.
    camera->GetPosition()->SetPoint(128, 60, 120);
    camera->GetDirection()->SetVector(0, 1, -1);
    const RasterBuffer seen = Picture();
    EXPECT_GT(terrain->GetTriangleCount(), 2) << culling;
    EXPECT_LT(TopOfColumn(seen, kSize / 2), kSize) << culling;
    // South of the tile, looking south: none of it is in view.
    camera->GetPosition()->SetPoint(128, -300, 10);
    camera->GetDirection()->SetVector(0, -1, 0);
    const RasterBuffer away = Picture();
    EXPECT_EQ(terrain->GetTriangleCount(), 0) << culling;
    EXPECT_EQ(TopOfColumn(away, kSize / 2), kSize) << culling;
    EXPECT_EQ(TopOfColumn(away, 4), kSize) << culling;
  }
}

TEST_F(TerrainScene, SourceWithoutDataDrawsNothing) {
  TGLCustomHDS empty;
  terrain->SetHeightDataSource(&empty);
  const RasterBuffer bitmap = Picture();
  EXPECT_EQ(terrain->GetTriangleCount(), 0);
  EXPECT_EQ(TopOfColumn(bitmap, kSize / 2), kSize);
  terrain->SetHeightDataSource(&source);
}

class TerrainOnContext : public DrawableOnContext {
protected:
  void TearDown() override {
    terrain.reset();
    DrawableOnContext::TearDown();
  }
  void RenderTwice() {
    TRenderContextInfo rci;
    rci.cameraPosition = {20, 20, 30, 1};
    rci.cameraDirection = {0, 0, -1, 0};
    rci.rcci.origin = rci.cameraPosition;
    rci.rcci.farClippingDistance = 100;
    DrawableOnContext::RenderTwice(*terrain, rci);
  }
  std::unique_ptr<TGLTerrainRenderer> terrain = std::make_unique<TGLTerrainRenderer>();
};

TEST_F(TerrainOnContext, RenderingLeavesNoStateBehind) {
  TGLCustomHDS source;
  TGLMaterialLibrary library;
  library.GetMaterials()->Add()->SetName("rock");
  source.OnStartPreparingData = [](THeightData* tile) {
    tile->Allocate(hvtSmallInt);
    for (int i = 0; i < tile->GetSize() * tile->GetSize(); ++i) tile->SmallIntData()[i] = std::int16_t((i * 7919) % 4000);
    // Every other tile names a library material.
    if (((tile->GetXLeft() + tile->GetYTop()) / 16) % 2 == 0) tile->SetMaterialName("rock");
  };
  terrain->SetHeightDataSource(&source);
  terrain->SetMaterialLibrary(&library);
  terrain->SetCLODPrecision(10);
  for (float quality : {0.0f, 40.0f}) {
    terrain->SetQualityDistance(quality);
    RenderTwice();
    EXPECT_GT(terrain->GetTriangleCount(), 0);
    ExpectNoStateLeft();
  }
  terrain.reset();  // before the source and library it points at
}
