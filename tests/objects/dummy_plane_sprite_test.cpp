// The dummy cube, the plane and the sprite as scene objects: defaults,
// setters and the change each one signals, copies, extents, ray casts
// through their parents and silhouettes.
#include <gtest/gtest.h>

#include "objects/dummy_cube.h"
#include "objects/plane.h"
#include "objects/sprite.h"
#include "tests/objects/drawable_test_support.h"

namespace {

TEST(TGLDummyCube, DefaultsAndSettersStoreOnlyNewValuesThenRebuild) {
  Counting<TGLDummyCube> cube;
  EXPECT_EQ(cube.GetCubeSize(), 1.0f);
  EXPECT_TRUE(NearVector(cube.GetEdgeColor()->GetColor(), {1, 1, 1, 1}));
  EXPECT_FALSE(cube.GetVisibleAtRunTime());
  EXPECT_FALSE(cube.GetAmalgamate());
  EXPECT_NE(cube.GetObjectStyle() & sosDirectDraw, 0);
  cube.ResetCounts();
  cube.SetCubeSize(1.0f);
  cube.SetVisibleAtRunTime(false);
  EXPECT_EQ(cube.structure, 0);
  cube.SetCubeSize(3.0f);
  cube.SetVisibleAtRunTime(true);
  TGLColor red(nullptr, clrRed);
  cube.SetEdgeColor(&red);
  EXPECT_EQ(cube.structure, 3);
  EXPECT_TRUE(NearVector(cube.GetEdgeColor()->GetColor(), clrRed));
  EXPECT_TRUE(NearVector(cube.AxisAlignedDimensionsUnscaled(), {1.5f, 1.5f, 1.5f, 0}));
}

TEST(TGLDummyCube, AmalgamateCarriesTheCacheResetFlagWhileOn) {
  TGLDummyCube cube;
  cube.SetAmalgamate(true);
  EXPECT_NE(cube.GetObjectStyle() & sosResetsGLStateCaches, 0);
  cube.SetAmalgamate(false);
  EXPECT_EQ(cube.GetObjectStyle() & sosResetsGLStateCaches, 0);
}

TEST(TGLDummyCube, BarycentreIsTheMeanOfTheChildrenOrItsOwnPosition) {
  TGLDummyCube cube;
  cube.GetPosition()->SetPoint(3, 4, 5);
  EXPECT_TRUE(NearVector(cube.BarycenterAbsolutePosition(), {3, 4, 5, 1}));
  TGLDummyCube group;
  group.AddNewChild<TGLDummyCube>();
  group.AddNewChild<TGLDummyCube>()->GetPosition()->SetPoint(2, 0, 0);
  EXPECT_TRUE(NearVector(group.BarycenterAbsolutePosition(), {1, 0, 0, 1}));
}

TEST(TGLDummyCube, IsNeverHitAndCopiesAllButAmalgamate) {
  TGLDummyCube source;
  source.SetCubeSize(4);
  source.SetVisibleAtRunTime(true);
  source.SetAmalgamate(true);
  TGLDummyCube copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetCubeSize(), 4.0f);
  EXPECT_TRUE(copy.GetVisibleAtRunTime());
  EXPECT_FALSE(copy.GetAmalgamate());
  TVector4f point{9, 9, 9, 9};
  EXPECT_FALSE(copy.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}, &point));
  EXPECT_TRUE(NearVector(point, {9, 9, 9, 9}));
}

TEST(TGLPlane, DefaultsAndScopesNeverAboveOne) {
  Counting<TGLPlane> plane;
  EXPECT_EQ(plane.GetWidth(), 1.0f);
  EXPECT_EQ(plane.GetXTiles(), 1u);
  EXPECT_TRUE((plane.GetStyle() == TPlaneStyles{psSingleQuad, psTileTexture}));
  EXPECT_FALSE(plane.IsXScopeStored());
  plane.ResetCounts();
  plane.SetXScope(2.5f);
  EXPECT_EQ(plane.GetXScope(), 1.0f);
  plane.SetYScope(-1);
  EXPECT_EQ(plane.GetYScope(), -1.0f);
  EXPECT_TRUE(plane.IsYScopeStored());
  plane.SetWidth(1);
  plane.SetWidth(4);
  plane.SetXTiles(3);
  plane.SetStyle({});
  EXPECT_FALSE(plane.Shape().SingleQuad);
  // 2.5 differs from the stored 1, so it counts as a change even though 1
  // is what stays.
  EXPECT_EQ(plane.structure, 5);
  plane.SetNoZWrite(true);
  EXPECT_EQ(plane.structure, 5);
  EXPECT_EQ(plane.notify, 5);
  EXPECT_TRUE(NearVector(plane.AxisAlignedDimensionsUnscaled(), {2, 0.5f, 0, 0}));
}

TEST(TGLPlane, AssignCopiesTheSizeOnly) {
  TGLPlane source;
  source.SetWidth(3);
  source.SetHeight(2);
  source.SetXTiles(5);
  TGLPlane copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetWidth(), 3.0f);
  EXPECT_EQ(copy.GetHeight(), 2.0f);
  EXPECT_EQ(copy.GetXTiles(), 1u);
}

TEST(TGLPlane, RayCastGoesThroughTheParentsTransformation) {
  auto parent = TurnedParent();
  auto* plane = parent->AddNewChild<TGLPlane>();
  TVector4f point, normal;
  ASSERT_TRUE(plane->RayCastIntersect({10, 0.5f, 0.5f, 1}, {-1, 0, 0, 0}, &point, &normal));
  EXPECT_TRUE(NearVector(point, {5, 0.5f, 0.5f, 1}));
  EXPECT_TRUE(NearVector(normal, {1, 0, 0, 0}));
  ASSERT_TRUE(plane->RayCastIntersect({0, 0, 0, 1}, {1, 0, 0, 0}, nullptr, &normal));
  EXPECT_TRUE(NearVector(normal, {-1, 0, 0, 0}));
  EXPECT_FALSE(plane->RayCastIntersect({10, 1.5f, 0, 1}, {-1, 0, 0, 0}));
}

TEST(TGLPlane, SilhouetteIsTheOutlineWithCapsWhenAsked) {
  TGLPlane plane;
  plane.SetWidth(2);
  TGLSilhouetteParameters parameters;
  parameters.SeenFrom = {0, 0, 5};
  parameters.CappingRequired = true;
  const auto silhouette = plane.GenerateSilhouette(parameters);
  ASSERT_EQ(silhouette->GetVertices().GetCount(), 4);
  EXPECT_TRUE(NearVector(silhouette->GetVertices()[0], {1, 0.5f, 0, 1}));
  EXPECT_EQ(silhouette->GetIndices().GetCount(), 8);
  EXPECT_EQ(silhouette->GetCapIndices().GetCount(), 6);
}

TEST(TGLSprite, SettersAskForARepaintNotARebuild) {
  Counting<TGLSprite> sprite;
  EXPECT_NE(sprite.GetObjectStyle() & sosDirectDraw, 0);
  EXPECT_NE(sprite.GetObjectStyle() & sosNoVisibilityCulling, 0);
  sprite.ResetCounts();
  sprite.SetWidth(1);
  sprite.SetRotation(0);
  EXPECT_EQ(sprite.notify, 0);
  sprite.SetWidth(2);
  sprite.SetHeight(3);
  sprite.SetRotation(45);
  EXPECT_EQ(sprite.notify, 3);
  // The flags notify even when unchanged.
  sprite.SetMirrorU(false);
  sprite.SetNoZWrite(false);
  EXPECT_EQ(sprite.notify, 5);
  EXPECT_EQ(sprite.structure, 0);
}

TEST(TGLSprite, AlphaChannelIsClampedAndStoredOnlyBelowOne) {
  const struct {
    float set, stored;
  } cases[] = {{1.5f, 1.0f}, {-0.2f, 0.0f}, {0.25f, 0.25f}};
  for (const auto& c : cases) {
    TGLSprite sprite;
    sprite.SetAlphaChannel(c.set);
    EXPECT_EQ(sprite.GetAlphaChannel(), c.stored) << c.set;
    EXPECT_EQ(sprite.IsAlphaChannelStored(), c.stored != 1.0f);
  }
}

TEST(TGLSprite, AssignLeavesTheMirrorsAlone) {
  TGLSprite source;
  source.SetWidth(2);
  source.SetRotation(30);
  source.SetAlphaChannel(0.5f);
  source.SetNoZWrite(true);
  source.SetMirrorU(true);
  TGLSprite copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetWidth(), 2.0f);
  EXPECT_EQ(copy.GetRotation(), 30.0f);
  EXPECT_EQ(copy.GetAlphaChannel(), 0.5f);
  EXPECT_TRUE(copy.GetNoZWrite());
  EXPECT_FALSE(copy.GetMirrorU());
}

}  // namespace
