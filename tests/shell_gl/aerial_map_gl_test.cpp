// The aerial map as the terrain's texture on a real off-screen context: a
// picture larger than any texture is kept at gives GL the texture of the
// largest one kept, not one of its own size; the map panel gets no more than
// it shows.
#include "shell/core/aerial_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "client/texture_loading.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/texture.h"
#include "shell/core/map_panel.h"
#include "shell/core/stored_scene.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/large_pictures.h"

namespace {

namespace fs = std::filesystem;

class AerialMapTexture : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    // A folder per test: ctest runs the tests at once.
    folder = fs::path(CLIENT_TEST_OUTPUT_DIR) / "aerial_map" /
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder);
    fs::create_directories(folder / "maps");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    GLContextTest::TearDown();
  }

  // The size of level 0 of the GL texture the material "aerial" uploads.
  std::pair<GLint, GLint> UploadedSize(const TAerialMap& aerial) {
    StoredScene stored;
    TGLTexture& texture = *stored.GetMaterialLibrary()->LibMaterialByName("aerial")->GetMaterial()->GetTexture();
    texture.AssignBitmap(aerial.Terrain);
    const GLuint name = texture.GetHandle();
    EXPECT_NE(name, 0u);
    const GLApi& gl = GLDriverApi();
    gl.glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0, height = 0;
    gl.glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    gl.glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    texture.DestroyHandles();
    return {width, height};
  }

  fs::path folder;
};

TEST_F(AerialMapTexture, APictureLargerThanAnyTextureGivesTheTextureOfTheLargestKept) {
  struct Case {
    int side;
    GLint texture;  // the uploaded side: a power of two, the largest texture's at most
  } cases[] = {{179, 256}, {kLargestTextureSide, kLargestTextureSide}, {2 * kLargestTextureSide, kLargestTextureSide}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    {
      std::ofstream file(folder / "maps" / "aerial.bmp", std::ios::binary);
      file << OneBitBmp(c.side, c.side, 50, 0x204060, 0x80C0A0);
    }
    const std::optional<std::string> found = FindAerialMap(folder.string() + "/");
    ASSERT_TRUE(found);
    const TAerialMap aerial = ReadAerialMap(*found);
    EXPECT_EQ(UploadedSize(aerial), std::make_pair(c.texture, c.texture));
    EXPECT_EQ(aerial.Panel.GetWidth(), std::min(c.side, kAerialPictureSize));
    EXPECT_EQ(aerial.Panel.GetHeight(), std::min(c.side, kAerialPictureSize));
  }
}

// The terrain takes the file's picture upside down; the panel shows it
// turned half round (north up).
TEST_F(AerialMapTexture, TheTerrainTakesThePictureUpsideDownAndThePanelTurnedHalfRound) {
  // 100 x 100: the top-left square of 50 pixels dark, its neighbours light.
  {
    std::ofstream file(folder / "maps" / "aerial.bmp", std::ios::binary);
    file << OneBitBmp(100, 100, 50, 0x204060, 0x80C0A0);
  }
  const TAerialMap aerial = ReadAerialMap(*FindAerialMap(folder.string() + "/"));
  // The file's top-left (dark) and top-right (light) corners.
  EXPECT_EQ(aerial.Terrain.GetPixel(0, 99), 0x204060);
  EXPECT_EQ(aerial.Terrain.GetPixel(99, 99), 0x80C0A0);
  EXPECT_EQ(aerial.Panel.GetPixel(99, 99), 0x204060);
  EXPECT_EQ(aerial.Panel.GetPixel(0, 99), 0x80C0A0);
  // A packed picture is the one taken first.
  EXPECT_EQ(FindAerialMap(folder.string() + "/"), (folder / "maps" / "aerial.bmp").string());
  std::ofstream(folder / "maps" / "aerial.3db") << "packed";
  EXPECT_EQ(FindAerialMap(folder.string() + "/"), (folder / "maps" / "aerial.3db").string());
  fs::remove_all(folder / "maps");
  EXPECT_FALSE(FindAerialMap(folder.string() + "/"));
}

}  // namespace
