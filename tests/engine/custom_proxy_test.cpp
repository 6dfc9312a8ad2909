// Custom scene objects and proxies without a GL context: the material as
// owned value, copies, and what a proxy takes from its master (bounds, ray
// casts, the master's going away).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/custom_scene_object.h"
#include "engine/proxy_object.h"
#include "engine/scene.h"

namespace {

TEST(CustomSceneObject, MaterialIsOwnedAndCopiedIn) {
  TGLCustomSceneObject a, b;
  a.GetMaterial()->SetBlendingMode(bmTransparency);
  EXPECT_TRUE(a.Blended());
  EXPECT_FALSE(b.Blended());
  b.SetMaterial(a.GetMaterial());
  EXPECT_NE(b.GetMaterial(), a.GetMaterial());
  EXPECT_EQ(b.GetMaterial()->GetBlendingMode(), bmTransparency);
  EXPECT_TRUE(b.Blended());
}

TEST(CustomSceneObject, AssignTakesMaterialAndHint) {
  TGLCustomSceneObject source, copy;
  source.SetHint("a hint");
  source.GetMaterial()->SetBlendingMode(bmAdditive);
  source.GetPosition()->SetPoint(1, 2, 3);
  copy.Assign(&source);
  EXPECT_EQ(copy.GetHint(), "a hint");
  EXPECT_EQ(copy.GetMaterial()->GetBlendingMode(), bmAdditive);
  EXPECT_FLOAT_EQ(copy.GetPosition()->GetY(), 2);
}

TEST(CustomSceneObject, MaterialChangeIsAStructureChange) {
  TGL3DScene scene;
  auto* object = scene.GetObjects()->AddNewChild<TGL3DSceneObject>();
  object->ClearStructureChanged();
  object->GetMaterial()->SetBlendingMode(bmTransparency);
  EXPECT_TRUE(object->GetChanges() & ocfStructure);
}

class ProxyTest : public ::testing::Test {
protected:
  void SetUp() override {
    master = scene.GetObjects()->AddNewChild<TGL3DSceneObject>();
    master->GetPosition()->SetPoint(10, 0, 0);
    proxy = scene.GetObjects()->AddNewChild<TGLProxyObject>();
    proxy->SetMasterObject(master);
  }
  TGL3DScene scene;
  TGL3DSceneObject* master = nullptr;
  TGLProxyObject* proxy = nullptr;
};

TEST_F(ProxyTest, CreatedWithEveryOptionAndResettingCaches) {
  TGLProxyObject fresh;
  EXPECT_EQ(fresh.GetProxyOptions(), pooEffects | pooObjects | pooTransformation);
  EXPECT_TRUE(fresh.GetObjectStyle() & sosResetsGLStateCaches);
  EXPECT_FALSE(fresh.RayCastIntersect({0, 0, -5, 1}, {0, 0, 1, 0}));
}

TEST_F(ProxyTest, NewMasterOrOptionsAreStructureChanges) {
  proxy->ClearStructureChanged();
  proxy->SetProxyOptions(pooObjects);
  EXPECT_TRUE(proxy->GetChanges() & ocfStructure);
  proxy->ClearStructureChanged();
  proxy->SetProxyOptions(pooObjects);  // unchanged
  EXPECT_FALSE(proxy->GetChanges() & ocfStructure);
  proxy->SetMasterObject(nullptr);
  EXPECT_TRUE(proxy->GetChanges() & ocfStructure);
}

TEST_F(ProxyTest, BoundsAreTheMasters) {
  EXPECT_FLOAT_EQ(proxy->AxisAlignedDimensionsUnscaled()[0], 0.5f);
  master->GetScale()->SetVector(4, 4, 4);  // scale is not part of the unscaled half extents
  EXPECT_FLOAT_EQ(proxy->AxisAlignedDimensionsUnscaled()[0], 0.5f);
}

TEST_F(ProxyTest, RayHitsTheMasterAtTheProxysPlace) {
  TVector4f hit, normal;
  // Aimed at the proxy (origin): the master's sphere is found there.
  ASSERT_TRUE(proxy->RayCastIntersect({0, 0, -5, 1}, {0, 0, 1, 0}, &hit, &normal));
  const float radius = std::sqrt(0.75f);
  EXPECT_NEAR(hit[0], 0, 1e-5);
  EXPECT_NEAR(hit[2], -radius, 1e-5);
  EXPECT_NEAR(normal[2], -1, 1e-5);
  // Aimed at the master's own place: nothing there for the proxy.
  EXPECT_FALSE(proxy->RayCastIntersect({10, 0, -5, 1}, {0, 0, 1, 0}, &hit, &normal));
}

TEST_F(ProxyTest, DestroyedMasterIsForgotten) {
  std::unique_ptr<TGLBaseSceneObject> taken = scene.GetObjects()->Remove(master, false);
  EXPECT_EQ(proxy->GetMasterObject(), master);  // only taken out
  taken.reset();
  EXPECT_EQ(proxy->GetMasterObject(), nullptr);
}

TEST_F(ProxyTest, AssignTakesTheMaster) {
  TGLProxyObject copy;
  copy.Assign(proxy);
  EXPECT_EQ(copy.GetMasterObject(), master);
}

}  // namespace
