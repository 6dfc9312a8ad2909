// A small scene rendered off-screen: a textured cube, a sphere, a sprite,
// a disk and a burning fire at known places, each read back as pixels
// where it stands. The frame is also written as a PPM picture to the test
// output folder for a look by eye.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "objects/cube.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/mesh.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "tests/objects_gl/drawable_on_context.h"
#include "tests/objects_gl/scene_picture.h"

namespace {

constexpr int kSize = 128;

void Texture(TGLCustomSceneObject& object, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TGLTexture* texture = object.GetMaterial()->GetTexture();
  texture->AssignBitmap(SolidBitmap(r, g, b));
  texture->SetTextureMode(tmReplace);
  texture->SetDisabled(false);
}

class DrawablesPicture : public ::testing::Test {
protected:
  void SetUp() override {
    picture_.Camera().GetPosition()->SetPoint(0, 0, 14);
    TGLBaseSceneObject* objects = picture_.Scene().GetObjects();

    cube_ = objects->AddNewChild<TGLCube>();
    cube_->GetPosition()->SetPoint(-1.5f, 1.5f, 0);
    cube_->SetCubeWidth(1.2f);
    cube_->SetCubeHeight(1.2f);
    cube_->Turn(20);
    Texture(*cube_, 255, 0, 0);

    sphere_ = objects->AddNewChild<TGLSphere>();
    sphere_->GetPosition()->SetPoint(1.5f, 1.5f, 0);
    sphere_->SetRadius(0.7f);
    // Lit by its own emission only, so the colour does not hang on a light.
    TGLFaceProperties* front = sphere_->GetMaterial()->GetFrontProperties();
    TGLColor black(nullptr, clrBlack), green(nullptr, clrGreen);
    front->SetAmbient(&black);
    front->SetDiffuse(&black);
    front->SetEmission(&green);

    sprite_ = objects->AddNewChild<TGLSprite>();
    sprite_->GetPosition()->SetPoint(-1.5f, -1.5f, 0);
    sprite_->SetWidth(1.4f);
    sprite_->SetHeight(0.8f);
    // Turned about its own axes: the sprite faces the camera regardless.
    sprite_->Turn(60);
    Texture(*sprite_, 0, 0, 255);

    disk_ = objects->AddNewChild<TGLDisk>();
    disk_->GetPosition()->SetPoint(1.5f, -1.5f, 0);
    disk_->SetOuterRadius(0.7f);
    disk_->SetInnerRadius(0.3f);
    Texture(*disk_, 255, 255, 0);

    manager_.SetRandomSource([this] { return std::generate_canonical<float, 24>(random_) * 0.999f; });
    manager_.SetUseInterval(false);
    manager_.SetMaxParticles(64);
    manager_.SetFireRadius(0.25f);
    manager_.SetParticleSize(0.35f);
    fire_ = objects->AddNewChild<TGLDummyCube>();
    // Without a reference the flames burn at the effect's own object.
    fire_->GetPosition()->SetPoint(0, -1.5f, 0);
    fire_->GetEffects()->AddNew<TGLBFireFX>().SetManager(&manager_);
    manager_.DoProgress({0.05, 0.05});
  }

  void RenderAndRead() {
    picture_.RenderAndRead(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ppm");
  }
  Rgb PixelAt(const TAffineVector& p) const { return picture_.PixelAt(p); }

  ScenePicture picture_{kSize};
  TGLCube* cube_ = nullptr;
  TGLSphere* sphere_ = nullptr;
  TGLSprite* sprite_ = nullptr;
  TGLDisk* disk_ = nullptr;
  TGLDummyCube* fire_ = nullptr;
  TGLFireFXManager manager_;
  std::minstd_rand random_{7};
};

TEST_F(DrawablesPicture, EachDrawableShowsItsColourWhereItStands) {
  RenderAndRead();
  EXPECT_EQ(PixelAt({-1.5f, 1.5f, 0}), (Rgb{255, 0, 0})) << "textured cube";
  EXPECT_EQ(PixelAt({1.5f, 1.5f, 0}), (Rgb{0, 255, 0})) << "sphere";
  EXPECT_EQ(PixelAt({-1.5f, -1.5f, 0}), (Rgb{0, 0, 255})) << "sprite";
  EXPECT_EQ(PixelAt({1.5f + 0.5f, -1.5f, 0}), (Rgb{255, 255, 0})) << "disk ring";
  EXPECT_EQ(PixelAt({1.5f, -1.5f, 0}), (Rgb{0, 0, 0})) << "the disk's hole";
  const auto flame = PixelAt({0, -1.5f, 0});
  EXPECT_GT(flame[0], 150) << "fire";
  EXPECT_LT(flame[2], 100) << "fire";
  EXPECT_EQ(PixelAt({0, 0.5f, 0}), (Rgb{0, 0, 0})) << "background";
}

TEST_F(DrawablesPicture, SpriteKeepsItsProportionsWhenRotated) {
  sprite_->SetRotation(90);
  RenderAndRead();
  // Turned a quarter, the 1.4 x 0.8 sprite is tall and narrow.
  EXPECT_EQ(PixelAt({-1.5f, -1.5f + 0.6f, 0}), (Rgb{0, 0, 255}));
  EXPECT_EQ(PixelAt({-1.5f + 0.55f, -1.5f, 0}), (Rgb{0, 0, 0}));
}

TEST_F(DrawablesPicture, FireGoesOutWhenItsParticlesDie) {
  manager_.SetDisabled(true);
  manager_.DoProgress({10.0, 10.05});
  EXPECT_EQ(manager_.GetParticleCount(), 0);
  RenderAndRead();
  EXPECT_EQ(PixelAt({0, -1.5f, 0}), (Rgb{0, 0, 0}));
}

// A mesh of coloured vertices between two sprites, all lit by their
// emission as the world's textures are, as the world's ground meshes stand
// among its trees: the mesh's display list sets the material colours each
// time it replays, which the second sprite must not take for its own in
// any frame.
TEST(DrawablesFrames, SpritesAroundAColouredMeshLookTheSameInEveryFrame) {
  ScenePicture picture(kSize);
  picture.Camera().GetPosition()->SetPoint(0, 0, 14);
  TGLBaseSceneObject* objects = picture.Scene().GetObjects();
  const TGLColor white(nullptr, clrWhite);
  auto sprite = [&](float x) {
    auto* s = objects->AddNewChild<TGLSprite>();
    s->GetPosition()->SetPoint(x, 0, 0);
    s->SetWidth(1.4f);
    s->SetHeight(1.4f);
    TGLTexture* texture = s->GetMaterial()->GetTexture();
    texture->AssignBitmap(SolidBitmap(4, 4, 0x00FF00));
    texture->SetTextureMode(tmModulate);
    texture->SetDisabled(false);
    s->GetMaterial()->GetFrontProperties()->SetEmission(&white);
  };
  sprite(-2);
  auto* mesh = objects->AddNewChild<TGLMesh>();
  mesh->GetMaterial()->GetFrontProperties()->SetEmission(&white);
  mesh->GetVertices()->Clear();
  mesh->SetMode(mmQuads);
  for (const auto& [x, y] : {std::pair{-0.7f, -0.7f}, {0.7f, -0.7f}, {0.7f, 0.7f}, {-0.7f, 0.7f}})
    mesh->GetVertices()->AddVertex({x, y, 0}, {0, 0, 1}, {0.5f, 0, 0, 1}, {0, 0});
  sprite(2);

  std::vector<std::vector<Rgb>> frames;
  for (int frame = 1; frame <= 10; ++frame) {
    picture.RenderAndRead("SpritesAroundAColouredMesh.ppm");
    std::vector<Rgb> pixels;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) pixels.push_back(picture.Pixel(x, y));
    frames.push_back(pixels);
    EXPECT_EQ(picture.PixelAt({-2, 0, 0}), (Rgb{0, 255, 0})) << "first sprite, frame " << frame;
    EXPECT_EQ(picture.PixelAt({2, 0, 0}), (Rgb{0, 255, 0})) << "second sprite, frame " << frame;
  }
  EXPECT_NE(picture.PixelAt({0, 0, 0}), (Rgb{0, 0, 0})) << "the mesh shows";
  EXPECT_TRUE(frames[1] == frames[0]) << "frame 2 is frame 1";
  EXPECT_TRUE(frames[9] == frames[0]) << "frame 10 is frame 1";
}

}  // namespace
