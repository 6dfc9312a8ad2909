// Each drawable rendered on a real context hands GL back as it found it:
// no error, no client array, attribute or matrix left behind, depth mask
// and texture units as they were. The call recorder checks the mesh's
// arrays and the fire's drawing order.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/gl_recorder.h"
#include "engine/matrix_geometry.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "objects/cube.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "tests/objects_gl/drawable_on_context.h"

namespace {

void Texture(TGLCustomSceneObject& object) {
  TGLTexture* texture = object.GetMaterial()->GetTexture();
  texture->AssignBitmap(SolidBitmap(255, 0, 0));
  texture->SetDisabled(false);
}

TEST_F(DrawableOnContext, EveryDrawableLeavesNoStateBehind) {
  const Case cases[] = {
      {"visible dummy cube", [](TGLDummyCube& r) { r.AddNewChild<TGLDummyCube>()->SetVisibleAtRunTime(true); }},
      {"amalgamated dummy cube",
       [](TGLDummyCube& r) {
         auto* group = r.AddNewChild<TGLDummyCube>();
         group->SetAmalgamate(true);
         group->AddNewChild<TGLCube>();
         group->AddNewChild<TGLSphere>();
       }},
      {"plane", [](TGLDummyCube& r) { Texture(*r.AddNewChild<TGLPlane>()); }},
      {"tiled plane without depth writes",
       [](TGLDummyCube& r) {
         auto* plane = r.AddNewChild<TGLPlane>();
         plane->SetStyle({psTileTexture});
         plane->SetXTiles(3);
         plane->SetNoZWrite(true);
       }},
      {"sprite",
       [](TGLDummyCube& r) {
         auto* sprite = r.AddNewChild<TGLSprite>();
         Texture(*sprite);
         sprite->SetAlphaChannel(0.5f);
         sprite->SetNoZWrite(true);
         sprite->SetRotation(30);
       }},
      {"cube", [](TGLDummyCube& r) { Texture(*r.AddNewChild<TGLCube>()); }},
      {"inside-out capped sphere",
       [](TGLDummyCube& r) {
         auto* sphere = r.AddNewChild<TGLSphere>();
         sphere->SetNormalDirection(ndInside);
         sphere->SetTop(45);
         sphere->SetTopCap(ctCenter);
       }},
      {"disk", [](TGLDummyCube& r) { r.AddNewChild<TGLDisk>()->SetInnerRadius(0.1f); }},
      {"mesh", [](TGLDummyCube& r) { r.AddNewChild<TGLMesh>(); }},
      {"mesh of positions and texture points",
       [](TGLDummyCube& r) { r.AddNewChild<TGLMesh>()->SetVertexMode(vmVT); }},
      {"empty mesh", [](TGLDummyCube& r) { r.AddNewChild<TGLMesh>()->GetVertices()->Clear(); }},
  };
  ExpectEachLeavesNoState(cases);
}

TEST_F(DrawableOnContext, EveryVertexModeOfTheMeshDisablesItsArraysAgain) {
  for (TVertexMode mode : {vmV, vmVN, vmVNC, vmVNCT, vmVNT, vmVT}) {
    SCOPED_TRACE(static_cast<int>(mode));
    root_ = std::make_unique<TGLDummyCube>();
    auto* mesh = root_->AddNewChild<TGLMesh>();
    mesh->SetVertexMode(mode);
    // Drawn directly too, so the arrays are set up on every frame.
    mesh->SetObjectStyle(mesh->GetObjectStyle() | sosDirectDraw);
    GLCallRecorder calls;
    RenderTwice(*root_);
    EXPECT_EQ(calls.Count("glDrawArrays"), 2);
    EXPECT_EQ(calls.Count("glPushClientAttrib"), calls.Count("glPopClientAttrib"));
    ExpectNoStateLeft();
  }
}

TEST_F(DrawableOnContext, FireWithAReferenceDrawsInWorldSpaceFarthestFirst) {
  TGLFireFXManager manager;
  manager.SetUseInterval(false);
  manager.SetMaxParticles(3);
  int draw = 0;
  const float draws[] = {0.5f, 0.5f, 0.9f, 0, 0.5f, 0.5f, 0.5f, 0.1f, 0, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0.5f};
  manager.SetRandomSource([&] { return draws[draw++ % 15]; });
  TGLDummyCube reference;
  reference.GetPosition()->SetPoint(10, 0, 0);
  manager.SetReference(&reference);
  manager.DoProgress({0.001, 0.001});
  ASSERT_EQ(manager.GetParticleCount(), 3);

  auto* fire = root_->AddNewChild<TGLDummyCube>();
  fire->GetPosition()->SetPoint(-50, 7, 3);
  fire->GetEffects()->AddNew<TGLBFireFX>().SetManager(&manager);
  const TMatrix view = CreateTranslationMatrix({0, 0, -10});
  TRenderContextInfo rci;
  rci.cameraDirection = {0, 0, -1, 0};
  rci.modelViewMatrix = &view;
  GLCallRecorder calls;
  fire->Render(rci);
  calls.SetPaused(true);
  ExpectNoStateLeft();
  // The view alone replaces the object's transformation.
  const auto loads = calls.CallsOf("glLoadMatrixf");
  ASSERT_EQ(loads.size(), 1u);
  // The translations add up to each particle's world position, the one
  // farthest along the camera direction (smallest z) first.
  const auto moves = calls.CallsOf("glTranslatef");
  ASSERT_EQ(moves.size(), 3u);
  float x = 0, y = 0, z = 0, lastZ = -1e9f;
  for (const GLCall& move : moves) {
    x += static_cast<float>(move.Args[0]);
    y += static_cast<float>(move.Args[1]);
    z += static_cast<float>(move.Args[2]);
    EXPECT_NEAR(x, 10.0f, 1.01f);
    EXPECT_GE(z, lastZ - 1e-5f);
    lastZ = z;
  }
  EXPECT_EQ(calls.Count("glBegin"), 3);
}

TEST_F(DrawableOnContext, LoneParticleIsDrawn) {
  TGLFireFXManager manager;
  manager.SetRandomSource([] { return 0.5f; });
  manager.DoProgress({0.25, 0.25});
  ASSERT_EQ(manager.GetParticleCount(), 1);
  auto* fire = root_->AddNewChild<TGLDummyCube>();
  fire->GetEffects()->AddNew<TGLBFireFX>().SetManager(&manager);
  GLCallRecorder calls;
  RenderTwice(*root_);
  calls.SetPaused(true);
  EXPECT_EQ(calls.Count("glBegin"), 2);
  ExpectNoStateLeft();
}

TEST_F(DrawableOnContext, AmalgamatedGroupIsDrawnInTheFrameThatCompilesItAndReplayedAfter) {
  auto* group = root_->AddNewChild<TGLDummyCube>();
  group->SetAmalgamate(true);
  group->AddNewChild<TGLCube>();
  GLCallRecorder calls;
  TRenderContextInfo rci;
  root_->Render(rci);
  EXPECT_EQ(calls.Count("glNewList"), 1);
  const GLuint list = group->GetGroupListHandle();
  ASSERT_NE(list, 0u);
  const auto first = calls.CallsOf("glCallList");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back().Args[0], list);
  calls.Clear();
  root_->Render(rci);
  EXPECT_EQ(calls.Count("glNewList"), 0);
  EXPECT_EQ(calls.Count("glBegin"), 0);
  // A change of the group's own structure compiles it again.
  group->SetCubeSize(2);
  EXPECT_EQ(group->GetGroupListHandle(), 0u);
  calls.Clear();
  root_->Render(rci);
  EXPECT_EQ(calls.Count("glNewList"), 1);
  calls.SetPaused(true);
  // A context change takes the group's list with the node's own.
  root_->DestroyHandles();
  EXPECT_EQ(group->GetGroupListHandle(), 0u);
  root_->Render(rci);
  EXPECT_NE(group->GetGroupListHandle(), 0u);
  // Turning it off frees the list.
  group->SetAmalgamate(false);
  EXPECT_EQ(group->GetGroupListHandle(), 0u);
  ExpectNoStateLeft();
}

}  // namespace
