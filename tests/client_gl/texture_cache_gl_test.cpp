// The texture cache on a real off-screen context: what GL holds of a
// texture follows its picture, so a texture that falls out of the cache
// gives back its large GL storage at once, not when (if ever) it is drawn
// again, and GL holds as many large textures as the cache, however many
// the walk has seen.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/mud.h"
#include "client/texture_cache.h"
#include "engine/context.h"
#include "engine/gl_api.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "platform/egl/egl_pbuffer_context.h"
#include "tests/client/mud_fixture.h"

namespace {

constexpr int kTextures = 6;
constexpr int kCapacity = 2;

class TextureCacheStorage : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEglContextClass();
    for (int i = 0; i < kTextures; ++i)
      mud_fixture::WriteBmp(world.Folder() / "textures" / ("walk" + std::to_string(i) + ".bmp"),
                            mud_fixture::SolidBitmap(512, 512, 0x102030 * (i + 1)));
    mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    ASSERT_EQ(mud->TextureCache->GetCapacity(), kCapacity);
    buffer().Resize(64, 64);
    buffer().CreateRenderingContext(0, true);
    buffer().GetRenderingContext()->Activate();
  }
  void TearDown() override {
    if (buffer().HasRenderingContext()) buffer().GetRenderingContext()->Deactivate();
    mud.reset();
    buffer().DestroyRenderingContext();
    UnRegisterEglContextClass();
  }
  TGL3DSceneBuffer& buffer() { return *world.viewer.GetBuffer(); }

  static std::string Name(int i) { return "textures\\walk" + std::to_string(i) + ".bmp"; }
  TGLTexture& Texture(int i) {
    return *mud->MaterialLibrary->LibMaterialByName(Name(i))->GetMaterial()->GetTexture();
  }
  // The width of level 0 of texture i's GL storage; 0 when it has none.
  // Asked of GL by the name of its last upload: asking the texture for its
  // name would upload a changed picture first.
  GLint StoredWidth(int i) {
    if (!Texture(i).HasTextureName()) return 0;
    const GLApi& gl = GLDriverApi();
    GLint bound = 0, width = 0;
    gl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    gl.glBindTexture(GL_TEXTURE_2D, names.at(i));
    gl.glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    gl.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return width;
  }
  // Drawn: uploaded when its picture changed.
  void Draw(int i) { names[i] = Texture(i).GetHandle(); }
  // Loaded near the player and drawn: uploaded at its large size.
  void LoadAndDraw(int i) {
    mud->LoadTexture(Name(i));
    Draw(i);
  }

  std::map<int, GLuint> names;
  mud_fixture::World world{Replace(mud_fixture::DefaultConfig(), "texturecachesize=\"4\"",
                                   "texturecachesize=\"" + std::to_string(kCapacity) + "\"")};
  std::unique_ptr<TMud> mud;

private:
  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
  }
};

TEST_F(TextureCacheStorage, ATextureThatFallsOutGivesBackItsLargeStorageAtOnce) {
  LoadAndDraw(0);
  ASSERT_EQ(StoredWidth(0), 256);
  LoadAndDraw(1);
  LoadAndDraw(2);  // the first falls out, and is not drawn again
  ASSERT_EQ(mud->TextureCache->IndexOfName(Name(0)), -1);
  EXPECT_LE(StoredWidth(0), 64) << "GL keeps the large picture of a texture that went small";
  // Drawn again, it is the small picture that GL holds.
  Draw(0);
  EXPECT_EQ(StoredWidth(0), 64);
}

TEST_F(TextureCacheStorage, GLHoldsAsManyLargeTexturesAsTheCacheAfterAWalkPastAllOfThem) {
  for (int lap = 0; lap < 2; ++lap)
    for (int i = 0; i < kTextures; ++i) LoadAndDraw(i);
  int large = 0;
  for (int i = 0; i < kTextures; ++i) {
    SCOPED_TRACE(Name(i));
    const GLint width = StoredWidth(i);
    const bool cached = mud->TextureCache->IndexOfName(Name(i)) != -1;
    EXPECT_EQ(width > 64, cached);
    large += width > 64;
  }
  EXPECT_EQ(large, kCapacity);
}

}  // namespace
