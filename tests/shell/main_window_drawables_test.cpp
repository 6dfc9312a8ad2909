// The drawables in the main window's 3D view under an X server (Xvfb): a
// small scene of a textured cube, a lit sphere, a sprite, a disk and a fire
// burning on the window's own cadencer, in front of the window's camera.
// A screenshot of the window ("main_window_drawables.png" in the test
// output folder) has each drawable's colour where it stands and the
// start-up background elsewhere (the world's own objects are hidden).
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "objects/cube.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"
#include "tests/shell/view_probe.h"
#include "tests/support/solid_bitmap.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <dlfcn.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using gui_test::kStartupRgb;
using gui_test::Near;
using gui_test::ViewProbe;

std::string Name(QColor c) {
  return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue());
}

void Texture(TGLCustomSceneObject& object, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  TGLTexture* texture = object.GetMaterial()->GetTexture();
  texture->AssignBitmap(SolidBitmap(r, g, b));
  texture->SetTextureMode(tmReplace);
  texture->SetDisabled(false);
}

// Software GL under ASan and a parallel test run can be slow to draw.
constexpr int kPatienceMs = 30000;

class MainWindowDrawables : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, kPatienceMs));
    BuildScene(*main->GetView());
  }

  void TearDown() override {
    // The fire leaves the window's cadencer before the window goes; the
    // window's scene then frees the drawables, the fire's effect with them.
    if (manager) manager->SetCadencer(nullptr);
    MainWindowOnScreen::TearDown();
    manager.reset();
  }

  // The drawables stand on a plane kDistance ahead of the window's camera,
  // facing it, laid out across it as the camera sees it (whichever way the
  // start-up turned it): cube top left, sphere top right, sprite bottom
  // left, disk bottom right, the fire between sprite and disk.
  static constexpr float kDistance = 5.0f;

  void BuildScene(MainViewPanel& view) {
    TGLCamera& camera = *view.GetCamera();
    // The layout fills the stored camera's view; the world's own focal
    // length would narrow it.
    camera.SetFocalLength(25);
    const TVector4f eye = camera.GetAbsolutePosition();
    const TVector4f ahead = camera.GetAbsoluteDirection();
    TGLBaseSceneObject* objects = view.GetScene()->GetObjects();
    // The drawables stand alone before the background: the world's sky,
    // ground, sea and clouds are put out of the way.
    for (const char* world : {"SkyDome", "Staticcube", "Intermediatecube", "Intermediatecube2", "Intermediatecube3"})
      if (TGLBaseSceneObject* object = view.GetScene()->FindSceneObject(world)) object->SetVisible(false);

    // A light of the test's own at the eye, so that what faces the camera
    // is lit fully and what turns away darkens.
    light = objects->AddNewChild<TGLLightSource>();
    light->SetLightStyle(lsOmni);
    light->GetPosition()->SetPoint(eye[0], eye[1], eye[2]);
    light->SetShining(true);

    anchor = objects->AddNewChild<TGLDummyCube>();
    anchor->GetPosition()->SetPoint(eye[0] + ahead[0] * kDistance, eye[1] + ahead[1] * kDistance,
                                    eye[2] + ahead[2] * kDistance);
    const TVector4f up = camera.GetAbsoluteUp();
    anchor->GetDirection()->SetVector(-ahead[0], -ahead[1], -ahead[2]);
    anchor->GetUp()->SetVector(up[0], up[1], up[2]);

    auto* cube = anchor->AddNewChild<TGLCube>();
    cube->GetPosition()->SetPoint(-1.5f, 1.0f, 0);
    cube->SetCubeWidth(1.2f);
    cube->SetCubeHeight(1.2f);
    cube->Turn(20);
    Texture(*cube, 255, 0, 0);

    auto* sphere = anchor->AddNewChild<TGLSphere>();
    sphere->GetPosition()->SetPoint(1.5f, 1.0f, 0);
    sphere->SetRadius(kSphereRadius);
    // Diffuse green and nothing of its own: its colour comes from the light.
    TGLFaceProperties* front = sphere->GetMaterial()->GetFrontProperties();
    TGLColor black(nullptr, clrBlack), green(nullptr, clrGreen);
    front->SetAmbient(&black);
    front->SetDiffuse(&green);
    front->SetEmission(&black);

    auto* sprite = anchor->AddNewChild<TGLSprite>();
    sprite->GetPosition()->SetPoint(-1.5f, -1.0f, 0);
    sprite->SetWidth(1.4f);
    sprite->SetHeight(0.8f);
    sprite->Turn(60);  // it faces the camera regardless
    Texture(*sprite, 0, 0, 255);

    auto* disk = anchor->AddNewChild<TGLDisk>();
    disk->GetPosition()->SetPoint(1.5f, -1.0f, 0);
    disk->SetOuterRadius(0.7f);
    disk->SetInnerRadius(0.3f);
    Texture(*disk, 255, 255, 0);

    // The flames barely rise and live under a second, so that however
    // slowly the frames come the fire keeps burning at its base.
    manager = std::make_unique<TGLFireFXManager>();
    manager->SetRandomSource([this] { return std::generate_canonical<float, 24>(random) * 0.999f; });
    manager->SetUseInterval(false);
    manager->SetMaxParticles(64);
    manager->SetParticleLife(1);
    manager->SetFireRadius(0.2f);
    manager->SetParticleSize(0.35f);
    const TGLCoordinates still(nullptr, {0, 0, 0, 0}, csVector);
    const TGLCoordinates drift(nullptr, {0, 0.15f, 0, 0}, csVector);
    manager->SetFireDir(&still);
    manager->SetInitialDir(&drift);
    manager->SetCadencer(view.GetCadencer());
    auto* fire = anchor->AddNewChild<TGLDummyCube>();
    fire->GetPosition()->SetPoint(0, -1.0f, 0);
    fire->GetEffects()->AddNew<TGLBFireFX>().SetManager(manager.get());

    probe = std::make_unique<ViewProbe>(*objects);
  }

  // The screenshot pixel where a point given on the anchor's plane lands.
  QPoint ShotPixel(float x, float y) const {
    return probe->ShotPixel(anchor->LocalToAbsolute(TVector4f{x, y, 0, 1}), *main, *viewer);
  }

  QColor At(float x, float y) {
    const QPoint p = ShotPixel(x, y);
    if (!shot.rect().contains(p)) {
      ADD_FAILURE() << "outside the screenshot: " << p.x() << ", " << p.y();
      return {};
    }
    return shot.pixelColor(p);
  }

  static constexpr float kSphereRadius = 0.7f;

  std::unique_ptr<TGLFireFXManager> manager;
  std::minstd_rand random{7};
  TGLLightSource* light = nullptr;
  TGLDummyCube* anchor = nullptr;
  std::unique_ptr<ViewProbe> probe;
  QImage shot;
};

TEST_F(MainWindowDrawables, ScreenshotShowsEachDrawableWhereItStands) {
  // The window's cadencer alone lights the fire and keeps it burning for a
  // few frames.
  const int frames = viewer->FrameCount();
  ASSERT_TRUE(QTest::qWaitFor([&] { return manager->GetParticleCount() > 0; }, kPatienceMs)) << "no flame";
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > frames + 5 && probe->Frames() > 5; }, kPatienceMs));
  EXPECT_GT(manager->GetParticleCount(), 0);

  shot = gui_test::WindowShot(*main, *viewer);
  shot.setDevicePixelRatio(1);
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/main_window_drawables.png";
  EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;

  // The scene lies inside the view, and the view inside the panel.
  const QRect panel(viewer->mapTo(main, QPoint(0, 0)) * viewer->devicePixelRatioF(),
                    viewer->size() * viewer->devicePixelRatioF());
  for (auto [x, y] : {std::pair{-2.4f, 1.9f}, {2.4f, 1.9f}, {-2.4f, -1.9f}, {2.4f, -1.9f}})
    EXPECT_TRUE(panel.contains(ShotPixel(x, y))) << x << ", " << y;

  EXPECT_EQ(Name(At(-1.5f, 1.0f)), "255,0,0") << "textured cube";
  EXPECT_EQ(Name(At(-1.5f, -1.0f)), "0,0,255") << "sprite";
  // Turned, the 1.4 x 0.8 sprite still faces the camera upright and wide.
  EXPECT_EQ(Name(At(-1.5f + 0.6f, -1.0f)), "0,0,255") << "sprite's side";
  EXPECT_TRUE(Near(At(-1.5f, -1.0f + 0.5f), kStartupRgb)) << "above the sprite: " << Name(At(-1.5f, -0.5f));
  EXPECT_EQ(Name(At(1.5f + 0.5f, -1.0f)), "255,255,0") << "disk ring";
  EXPECT_TRUE(Near(At(1.5f, -1.0f), kStartupRgb)) << "the disk's hole: " << Name(At(1.5f, -1.0f));

  // Facing the light the sphere is bright green; towards its rim, turned
  // away from the light, darker.
  const QColor sphere = At(1.5f, 1.0f);
  const QColor rim = At(1.5f + 0.85f * kSphereRadius, 1.0f);
  EXPECT_GT(sphere.green(), 200) << "sphere: " << Name(sphere);
  EXPECT_LT(sphere.red(), 60) << "sphere: " << Name(sphere);
  EXPECT_LT(sphere.blue(), 60) << "sphere: " << Name(sphere);
  EXPECT_LT(rim.green(), sphere.green() - 50) << "sphere rim: " << Name(rim);
  EXPECT_GT(rim.green(), 20) << "sphere rim: " << Name(rim);
  EXPECT_LT(rim.red() + rim.blue(), 60) << "sphere rim: " << Name(rim);

  // The flames add yellow to the sky behind them: red well up, blue as the
  // sky's.
  const QColor flame = At(0, -1.0f);
  EXPECT_GT(flame.red(), kStartupRgb.red() + 100) << "fire: " << Name(flame);
  EXPECT_GT(flame.green(), kStartupRgb.green()) << "fire: " << Name(flame);
  EXPECT_TRUE(std::abs(flame.blue() - kStartupRgb.blue()) <= 2) << "fire: " << Name(flame);

  for (auto [x, y] : {std::pair{0.0f, 1.0f}, {0.0f, 0.0f}, {-2.4f, 0.0f}, {2.4f, 1.9f}})
    EXPECT_TRUE(Near(At(x, y), kStartupRgb)) << "background at " << x << ", " << y << ": " << Name(At(x, y));
}

}  // namespace
