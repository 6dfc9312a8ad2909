// The static areas without GL: which boxes a frame leaves out (a camera at
// the origin looking down -Z with a 90 degree view, near 1, far 100), and
// the box an area gathers from what it draws.
#include "client/static_area.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/effects.h"
#include "engine/fog_environment.h"
#include "engine/render_context_info.h"
#include "engine/scene_buffer.h"
#include "objects/fire_effect.h"
#include "objects/plane.h"
#include "objects/sprite.h"

namespace {

TRenderContextInfo LookingDownMinusZ(TGL3DSceneBuffer* buffer) {
  const float h = 1 / std::sqrt(2.0f);
  TRenderContextInfo rci;
  rci.buffer = buffer;
  rci.cameraPosition = {0, 0, 0, 1};
  rci.cameraDirection = {0, 0, -1, 0};
  TFrustum& f = rci.rcci.frustum;
  f.pLeft = {h, 0, -h, 0};
  f.pRight = {-h, 0, -h, 0};
  f.pTop = {0, -h, -h, 0};
  f.pBottom = {0, h, -h, 0};
  f.pNear = {0, 0, -1, -1};
  f.pFar = {0, 0, 1, 100};
  return rci;
}

TAABB Around(float x, float y, float z, float half) {
  return {{x - half, y - half, z - half}, {x + half, y + half, z + half}};
}

TEST(StaticArea, OutOfViewByFrustumFarPlaneAndFogEnd) {
  TGL3DSceneBuffer buffer;
  TGLFogEnvironment& fog = *buffer.GetFogEnvironment();
  const struct {
    const char* what;
    TAABB box;
    bool fogOn;
    TFogMode mode;
    int fogDisabled;
    bool out;
  } cases[] = {
      {"ahead", Around(0, 0, -10, 1), false, fmLinear, 0, false},
      {"behind", Around(0, 0, 10, 1), false, fmLinear, 0, true},
      {"far left", Around(-50, 0, -10, 1), false, fmLinear, 0, true},
      {"over the left edge", {{-11, -1, -11}, {-9, 1, -9}}, false, fmLinear, 0, false},
      {"above", Around(0, 40, -10, 1), false, fmLinear, 0, true},
      {"between the eye and the near plane", {{-1, -1, -0.5f}, {1, 1, 0.5f}}, false, fmLinear, 0, true},
      {"round the eye", {{-1, -1, -2}, {1, 1, 2}}, false, fmLinear, 0, false},
      {"beyond the far plane", Around(0, 0, -150, 1), false, fmLinear, 0, true},
      {"over the far plane", {{-1, -1, -105}, {1, 1, -95}}, false, fmLinear, 0, false},
      {"past the fog's end", Around(0, 0, -30, 1), true, fmLinear, 0, true},
      {"to the side, its depth past the fog's end", Around(25, 0, -22, 1), true, fmLinear, 0, true},
      {"over the fog's end", {{-1, -1, -25}, {1, 1, -15}}, true, fmLinear, 0, false},
      {"past the end of an exponential fog", Around(0, 0, -30, 1), true, fmExp, 0, false},
      {"past the end of a fog that is off", Around(0, 0, -30, 1), false, fmLinear, 0, false},
      {"past the fog's end while a drawable turns fog off", Around(0, 0, -30, 1), true, fmLinear, 1, false},
  };
  for (const auto& c : cases) {
    buffer.SetFogEnable(c.fogOn);
    fog.SetFogMode(c.mode);
    fog.SetFogStart(5);
    fog.SetFogEnd(20);
    TRenderContextInfo rci = LookingDownMinusZ(&buffer);
    rci.fogDisabledCounter = c.fogDisabled;
    EXPECT_EQ(TStaticArea::OutOfView(c.box, rci), c.out) << c.what;
  }
}

TEST(StaticArea, BoxHoldsEveryTurnOfItsBillboardsAndTheReachOfItsFlames) {
  TStaticArea area;
  auto* cell = area.AddNewChild<TGLDummyCube>();
  cell->GetPosition()->SetPoint(10, 0, 10);
  auto* roof = cell->AddNewChild<TGLPlane>();
  roof->SetWidth(1);
  roof->SetHeight(1);
  roof->GetPosition()->SetPoint(0, 2, 0);
  roof->GetDirection()->SetVector(0, 1, 0);

  const TAABB& plain = area.Box();
  EXPECT_NEAR(plain.Max[1], 2.0f, 1e-4f);  // the flat roof at 2 over the cell's cube of 1
  EXPECT_NEAR(plain.Min[0], 9.5f, 1e-4f);

  // A sprite 2 wide and 1 high, turned any way round its place.
  auto* sprite = cell->AddNewChild<TGLSprite>();
  sprite->SetWidth(2);
  sprite->SetHeight(1);
  sprite->GetPosition()->SetPoint(3, 1, 0);
  area.InvalidateBox();
  const float turned = std::hypot(2.0f, 1.0f) / 2;
  EXPECT_NEAR(area.Box().Max[0], 13 + turned, 1e-4f);
  EXPECT_NEAR(area.Box().Min[1], std::min(1 - turned, -0.5f), 1e-4f);
  EXPECT_NEAR(area.Box().Max[2], 10 + std::max(turned, 0.5f), 1e-4f);

  // A fire: particles of 0.15 from within 0.15 of its place rise for two
  // seconds at 1 a second, pulled up at 0.5 a second squared: 3.3 high.
  TGLFireFXManager manager;
  manager.SetFireRadius(0.15f);
  manager.SetParticleSize(0.15f);
  manager.SetParticleLife(2);
  manager.SetFireBurst(0);
  auto* fire = cell->AddNewChild<TGLDummyCube>();
  fire->SetCubeSize(0.1f);
  fire->GetPosition()->SetPoint(-3, 0, 0);
  static_cast<TGLBFireFX&>(fire->GetEffects()->AddNew(TGLBFireFX::StaticClass())).SetManager(&manager);
  // A new container (not a change inside one) is noticed by itself.
  auto* next = area.AddNewChild<TGLDummyCube>();
  next->GetPosition()->SetPoint(12, 0, 20);
  EXPECT_NEAR(area.Box().Max[1], 3.3f, 1e-4f);
  EXPECT_NEAR(area.Box().Min[0], 7 - 3.3f, 1e-4f);
  EXPECT_NEAR(area.Box().Max[2], 20.5f, 1e-4f);
  fire->GetEffects()->Clear();
}

}  // namespace
