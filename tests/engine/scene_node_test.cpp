// The scene graph without a context: hierarchy and lookup, lazy matrices
// of a chain with non-unit scale, the orientation rules, ray casts,
// sorting orders and the change notifications that reach a buffer.
#include "engine/scene_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/behaviour.h"
#include "engine/effects.h"
#include "engine/gl_recorder.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/silhouette.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"
#include "tests/support/null_gl.h"

// Effects and a behaviour that note when they run.
std::vector<std::string>* g_effectLog = nullptr;

class LoggingPreEffect : public TGLObjectPreEffect {
  CLIENT_DECLARE_CLASS(LoggingPreEffect)
public:
  std::string FriendlyName() const override { return "LoggingPreEffect"; }
  void Render(TGL3DSceneBuffer*, TRenderContextInfo&) override { g_effectLog->push_back("pre"); }
  void DoProgress(const TProgressTimes&) override { g_effectLog->push_back("pre progress"); }
};
CLIENT_DEFINE_CLASS(LoggingPreEffect, TGLObjectPreEffect)

class LoggingPostEffect : public TGLObjectPostEffect {
  CLIENT_DECLARE_CLASS(LoggingPostEffect)
public:
  std::string FriendlyName() const override { return "LoggingPostEffect"; }
  void Render(TGL3DSceneBuffer*, TRenderContextInfo&) override { g_effectLog->push_back("post"); }
};
CLIENT_DEFINE_CLASS(LoggingPostEffect, TGLObjectPostEffect)

class LoggingBehaviour : public TGLBehaviour {
  CLIENT_DECLARE_CLASS(LoggingBehaviour)
public:
  std::string FriendlyName() const override { return "LoggingBehaviour"; }
  void DoProgress(const TProgressTimes&) override { g_effectLog->push_back("behaviour progress"); }
};
CLIENT_DEFINE_CLASS(LoggingBehaviour, TGLBehaviour)

namespace {

void ExpectMatrixNear(const TMatrix& a, const TMatrix& b, float tolerance = 1e-4f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a[r][c], b[r][c], tolerance) << "row " << r << " column " << c;
}

void ExpectVectorNear(const TVector4f& a, const TVector4f& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "component " << i;
}

// What the local matrix of a node must be, computed from its vectors.
TMatrix ExpectedLocal(const TVector4f& position, const TVector4f& direction, const TVector4f& up,
                      const TVector4f& scale) {
  TMatrix m;
  m[0] = VectorScale(VectorCross(up, direction), scale[0]);
  m[1] = VectorScale(up, scale[1]);
  m[2] = VectorScale(direction, scale[2]);
  m[0][3] = m[1][3] = m[2][3] = 0;
  m[3] = {position[0], position[1], position[2], 1};
  return m;
}

class SceneGraph : public ::testing::Test {
protected:
  TGL3DScene scene;
  TGLBaseSceneObject& Root() { return *scene.GetObjects(); }
};

TEST_F(SceneGraph, FindChildIgnoresCaseAndPrefersTheDeeperMatch) {
  auto* a = Root().AddNewChild<TGLBaseSceneObject>();
  a->SetName("Door");
  auto* b = Root().AddNewChild<TGLBaseSceneObject>();
  b->SetName("Hall");
  auto* deep = b->AddNewChild<TGLBaseSceneObject>();
  deep->SetName("door");
  EXPECT_EQ(Root().FindChild("DOOR", true), a);
  EXPECT_EQ(Root().FindChild("DOOR", false), deep) << "a grandchild of the name wins";
  EXPECT_EQ(Root().FindChild("nothing", false), nullptr);
  EXPECT_EQ(deep->FindChild("door", false), nullptr) << "the object itself never matches";
  EXPECT_EQ(scene.FindSceneObject("hall"), b);
}

TEST_F(SceneGraph, SetIndexClampsAndDetachedIndexIsMinusOne) {
  std::vector<TGLBaseSceneObject*> children;
  for (int i = 0; i < 4; ++i) children.push_back(Root().AddNewChild<TGLBaseSceneObject>());
  children[2]->SetIndex(-5);
  EXPECT_EQ(children[2]->GetIndex(), 0);
  children[2]->SetIndex(1000);
  EXPECT_EQ(children[2]->GetIndex(), 3);
  EXPECT_EQ(Root().GetChild(3), children[2]);
  TGLBaseSceneObject loose;
  EXPECT_EQ(loose.GetIndex(), -1);
  loose.SetIndex(3);
  EXPECT_EQ(loose.GetIndex(), -1);
}

TEST_F(SceneGraph, ChildrenFollowTheirParentsOwnershipAndScene) {
  auto* parent = Root().AddNewChild<TGLBaseSceneObject>();
  auto* child = parent->AddNewChild<TGLBaseSceneObject>();
  auto* grandchild = child->AddNewChild<TGLBaseSceneObject>();
  EXPECT_EQ(grandchild->GetScene(), &scene);
  EXPECT_EQ(child->GetParent(), parent);
  const std::uint32_t id = grandchild->GetPickId();
  EXPECT_EQ(TGLBaseSceneObject::FindByPickId(id), grandchild);

  // Removing with keepChildren hands the grandchild up to the parent.
  std::unique_ptr<TGLBaseSceneObject> removed = parent->Remove(child, true);
  ASSERT_EQ(removed.get(), child);
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_EQ(grandchild->GetParent(), parent);
  removed.reset();
  EXPECT_EQ(TGLBaseSceneObject::FindByPickId(id), grandchild);

  std::unique_ptr<TGLBaseSceneObject> detached = parent->MoveTo(nullptr);
  ASSERT_EQ(detached.get(), parent);
  EXPECT_EQ(grandchild->GetScene(), nullptr);
  detached.reset();
  EXPECT_EQ(TGLBaseSceneObject::FindByPickId(id), nullptr) << "freed with its parent";
  EXPECT_EQ(Root().GetCount(), 0);
}

TEST_F(SceneGraph, FreeingAChildTakesItOutOfItsParent) {
  auto* child = Root().AddNewChild<TGLBaseSceneObject>();
  Root().AddNewChild<TGLBaseSceneObject>();
  std::unique_ptr<TGLBaseSceneObject> owned = child->Detach();
  EXPECT_EQ(Root().GetCount(), 1);
  owned.reset();
  EXPECT_EQ(Root().GetCount(), 1);
}

TEST_F(SceneGraph, AbsoluteAndInverseMatricesOfAScaledChain) {
  auto* a = Root().AddNewChild<TGLBaseSceneObject>();
  auto* b = a->AddNewChild<TGLBaseSceneObject>();
  auto* c = b->AddNewChild<TGLBaseSceneObject>();
  a->GetPosition()->SetPoint(1, 2, 3);
  a->GetScale()->SetVector(2, 2, 2);
  a->Turn(30);
  b->GetPosition()->SetPoint(0, 1, 0);
  b->GetScale()->SetVector(1, 3, 0.5f);
  b->Pitch(45);
  c->GetPosition()->SetPoint(4, 0, -1);
  c->Roll(20);

  auto local = [](TGLBaseSceneObject* o) {
    return ExpectedLocal(o->GetPosition()->AsVector(), o->GetDirection()->AsVector(), o->GetUp()->AsVector(),
                         o->GetScale()->AsVector());
  };
  const TMatrix expected = MatrixMultiply(local(c), MatrixMultiply(local(b), local(a)));
  ExpectMatrixNear(c->GetAbsoluteMatrix(), expected);
  ExpectMatrixNear(MatrixMultiply(c->GetAbsoluteMatrix(), c->GetInvAbsoluteMatrix()), IdentityHmgMatrix);
  ExpectMatrixNear(MatrixMultiply(b->GetAbsoluteMatrix(), b->GetInvAbsoluteMatrix()), IdentityHmgMatrix);
  const TVector4f p{0.5f, -1, 2, 1};
  ExpectVectorNear(c->AbsoluteToLocal(c->LocalToAbsolute(p)), p, 1e-4f);

  // A change high up reaches the bottom of the chain.
  a->GetPosition()->SetX(10);
  const TMatrix moved = MatrixMultiply(local(c), MatrixMultiply(local(b), local(a)));
  ExpectMatrixNear(c->GetAbsoluteMatrix(), moved);
}

TEST_F(SceneGraph, MoveToRecomputesTheMovedSubtreeUnderTheNewParent) {
  auto* left = Root().AddNewChild<TGLBaseSceneObject>();
  auto* right = Root().AddNewChild<TGLBaseSceneObject>();
  left->GetPosition()->SetPoint(-5, 0, 0);
  right->GetPosition()->SetPoint(5, 0, 0);
  right->GetScale()->SetVector(2, 2, 2);
  auto* child = left->AddNewChild<TGLBaseSceneObject>();
  auto* grandchild = child->AddNewChild<TGLBaseSceneObject>();
  child->GetPosition()->SetPoint(1, 0, 0);
  grandchild->GetPosition()->SetPoint(0, 1, 0);
  // Fresh matrices everywhere, under the old parent.
  EXPECT_FLOAT_EQ(grandchild->GetAbsolutePosition()[0], -4.0f);
  right->GetAbsoluteMatrix();

  child->MoveTo(right);
  EXPECT_EQ(child->GetParent(), right);
  ExpectVectorNear(child->GetAbsolutePosition(), {7, 0, 0, 1});
  ExpectVectorNear(grandchild->GetAbsolutePosition(), {7, 2, 0, 1});
  ExpectMatrixNear(MatrixMultiply(grandchild->GetAbsoluteMatrix(), grandchild->GetInvAbsoluteMatrix()),
                   IdentityHmgMatrix);
}

TEST(SceneNodeOrientation, NullDirectionIsIgnoredAndParallelUpFallsBack) {
  TGLBaseSceneObject node;
  TGLCoordinates zero(nullptr, {0, 0, 0, 0}, csVector);
  node.SetDirection(&zero);
  ExpectVectorNear(node.GetDirection()->AsVector(), {0, 0, 1, 0});
  // Direction along Up: right falls back to (0, 0, 1) x Up.
  node.GetDirection()->SetVector(0, 3, 0);
  ExpectVectorNear(node.GetDirection()->AsVector(), {0, 1, 0, 0});
  ExpectVectorNear(node.GetUp()->AsVector(), {0, 0, -1, 0});
  // A zero-length direction set directly becomes (0, 0, 1).
  node.GetDirection()->SetVector(0, 0, 0);
  ExpectVectorNear(node.GetDirection()->AsVector(), {0, 0, 1, 0});
}

TEST(SceneNodeOrientation, BothFallBacksForUpAlongZ) {
  TGLBaseSceneObject node;
  node.GetUp()->SetVector(0, 0, 1);  // along Direction; (0,0,1) x Up is null too
  ExpectVectorNear(node.GetUp()->AsVector(), {0, 0, 1, 0});
  ExpectVectorNear(node.GetDirection()->AsVector(), {1, 0, 0, 0});
}

TEST(SceneNodeOrientation, TurnNinetyKeepsUpAndTurnsDirectionOntoX) {
  TGLBaseSceneObject node;
  node.Turn(90);
  ExpectVectorNear(node.GetUp()->AsVector(), {0, 1, 0, 0});
  EXPECT_NEAR(std::fabs(node.GetDirection()->GetX()), 1.0f, 1e-5f);
  EXPECT_NEAR(node.GetDirection()->GetZ(), 0.0f, 1e-5f);
  const float x = node.GetDirection()->GetX();
  float expected = -RadToDeg(std::atan2(x, 0.0f));
  if (x < 0) expected = -180.0f - expected;
  EXPECT_NEAR(node.GetTurnAngle(), expected, 1e-3f);
}

TEST(SceneNodeOrientation, AngleSettersStoreNormalisedAngles) {
  TGLBaseSceneObject node;
  node.SetTurnAngle(270);
  EXPECT_FLOAT_EQ(node.GetTurnAngle(), -90.0f);
  node.SetTurnAngle(0);
  ExpectVectorNear(node.GetDirection()->AsVector(), {0, 0, 1, 0});
}

TEST(SceneNodeOrientation, SetMatrixSplitsIntoVectors) {
  TGLBaseSceneObject node;
  TMatrix m = MatrixMultiply(CreateScaleMatrix({2, 3, 4}), CreateRotationMatrixY(0.5f));
  m[3] = {1, 2, 3, 1};
  node.SetMatrix(m);
  EXPECT_NEAR(node.GetScale()->GetX(), 2.0f, 1e-5f);
  EXPECT_NEAR(node.GetScale()->GetZ(), 4.0f, 1e-5f);
  ExpectVectorNear(node.GetPosition()->AsVector(), {1, 2, 3, 1});
  ExpectMatrixNear(node.GetMatrix(), m);
}

TEST(SceneNodeBounds, PointInObjectAndRayCastAgainstTheBoundingSphere) {
  TGLBaseSceneObject node;
  node.GetPosition()->SetPoint(10, 0, 0);
  EXPECT_TRUE(node.PointInObject({10.4f, 0.4f, -0.4f, 1}));
  EXPECT_TRUE(node.PointInObject({10.5f, 0, 0, 1})) << "bounds included";
  EXPECT_FALSE(node.PointInObject({10.6f, 0, 0, 1}));
  TVector4f point, normal;
  ASSERT_TRUE(node.RayCastIntersect({0, 0, 0, 1}, {1, 0, 0, 0}, &point, &normal));
  const float r = std::sqrt(0.75f);
  EXPECT_NEAR(point[0], 10 - r, 1e-5f);
  ExpectVectorNear(normal, {-1, 0, 0, 0});
  EXPECT_FALSE(node.RayCastIntersect({0, 0, 0, 1}, {0, 1, 0, 0}));
}

TEST(SceneNodeBounds, SilhouetteIsACircleAroundTheBoundingSphere) {
  TGLBaseSceneObject node;
  TGLSilhouetteParameters parameters;
  parameters.SeenFrom = {0, 0, 10};
  parameters.Style = 1;  // parallel: the sphere's own radius
  parameters.CappingRequired = true;
  auto silhouette = node.GenerateSilhouette(parameters);
  ASSERT_EQ(silhouette->GetVertices().GetCount(), 22);
  EXPECT_EQ(silhouette->GetIndices().GetCount(), 42);
  EXPECT_EQ(silhouette->GetCapIndices().GetCount(), 63);
  const float r = std::sqrt(0.75f) * 0.98f;
  for (int i = 0; i < 21; ++i) {
    const TVector4f& p = silhouette->GetVertices()[i];
    EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1]), r, 1e-5f);
    EXPECT_NEAR(p[2], 0.0f, 1e-6f) << "in the plane facing the viewpoint";
  }
  EXPECT_EQ(silhouette->GetIndices()[41], 0) << "the loop closes";
  // Seen from inside the sphere the rim is the sphere's own, not infinite.
  parameters.Style = 0;
  parameters.SeenFrom = {0, 0, 0.1f};
  auto inside = node.GenerateSilhouette(parameters);
  EXPECT_TRUE(std::isfinite(inside->GetVertices()[0][0]));
  parameters.Style = 7;
  EXPECT_THROW(node.GenerateSilhouette(parameters), EAssertionFailed);
}

TEST_F(SceneGraph, SceneRayCastReturnsTheNearestVisibleHit) {
  auto* far = Root().AddNewChild<TGLBaseSceneObject>();
  auto* near = Root().AddNewChild<TGLBaseSceneObject>();
  auto* hiddenParent = Root().AddNewChild<TGLBaseSceneObject>();
  auto* hiddenChild = hiddenParent->AddNewChild<TGLBaseSceneObject>();
  far->GetPosition()->SetPoint(0, 0, -10);
  near->GetPosition()->SetPoint(0, 0, -5);
  hiddenParent->GetPosition()->SetPoint(0, 0, -2);
  hiddenParent->SetVisible(false);
  hiddenChild->GetPosition()->SetPoint(0, 0, 0);
  TVector4f point;
  EXPECT_EQ(scene.RayCastIntersect({0, 0, 0, 1}, {0, 0, -1, 0}, &point), near);
  EXPECT_LT(point[2], -4.0f);
  EXPECT_EQ(scene.RayCastIntersect({0, 0, 0, 1}, {0, 1, 0, 0}), nullptr);
}

// Render order through direct-drawn children that note themselves.
class RenderOrder : public SceneGraph {
protected:
  ScopedGLApi nullGL{NullGLApi()};
  std::vector<std::string> drawn;

  TGLDirectOpenGL* Add(const std::string& name, float z, bool blended = false) {
    auto* o = Root().AddNewChild<TGLDirectOpenGL>();
    o->SetName(name);
    o->GetPosition()->SetPoint(0, 0, z);
    o->SetBlend(blended);
    o->SetOnRender([this, name](TObject*, TRenderContextInfo&) { drawn.push_back(name); });
    return o;
  }

  std::vector<std::string> RenderWith(TGLObjectsSorting sorting) {
    drawn.clear();
    TRenderContextInfo rci;
    rci.objectsSorting = sorting;
    rci.cameraPosition = {0, 0, 0, 1};
    Root().Render(rci);
    return drawn;
  }
};

TEST_F(RenderOrder, SortingOrdersAsATable) {
  Add("near", -1);
  Add("far", -9, true);
  Add("middle", -5);
  Add("hidden", -20)->SetVisible(false);
  Add("closeBlended", -2, true);
  const struct {
    TGLObjectsSorting sorting;
    std::vector<std::string> order;
  } cases[] = {
      {osNone, {"near", "far", "middle", "closeBlended"}},
      {osRenderFarthestFirst, {"far", "middle", "closeBlended", "near"}},
      {osRenderNearestFirst, {"near", "closeBlended", "middle", "far"}},
      {osRenderBlendedLast, {"near", "middle", "far", "closeBlended"}},
  };
  for (const auto& c : cases) EXPECT_EQ(RenderWith(c.sorting), c.order) << int(c.sorting);
}

TEST_F(RenderOrder, ObjectsOwnSortingAndCullingWinOverInherited) {
  Add("a", -1);
  Add("b", -9);
  Root().SetObjectsSorting(osRenderFarthestFirst);
  EXPECT_EQ(RenderWith(osNone), (std::vector<std::string>{"b", "a"}));
}

TEST_F(RenderOrder, EffectsDrawAroundTheObjectAndProgressAfterBehaviours) {
  auto* o = Add("self", -1);
  g_effectLog = &drawn;
  o->GetEffects()->Add(std::make_unique<LoggingPostEffect>());
  o->GetEffects()->Add(std::make_unique<LoggingPreEffect>());
  o->GetBehaviours()->Add(std::make_unique<LoggingBehaviour>());
  GLCallRecorder calls(NullGLApi());
  EXPECT_EQ(RenderWith(osNone), (std::vector<std::string>{"pre", "self", "post"}));
  EXPECT_EQ(calls.Count("glPushMatrix"), calls.Count("glPopMatrix"));
  drawn.clear();
  o->OnProgress = [this](TObject*, double, double) { drawn.push_back("event"); };
  scene.Progress(0.1, 1.0);
  EXPECT_EQ(drawn, (std::vector<std::string>{"behaviour progress", "pre progress", "event"}));
  // A copy of the object takes copies of both collections.
  TGLBaseSceneObject copy;
  copy.Assign(o);
  ASSERT_NE(copy.GetEffectsIfAny(), nullptr);
  EXPECT_EQ(copy.GetEffectsIfAny()->GetCount(), 2);
  EXPECT_EQ(copy.GetBehavioursIfAny()->GetCount(), 1);
  g_effectLog = nullptr;
}

TEST_F(RenderOrder, PickingLoadsEachObjectsPickId) {
  auto* a = Add("a", -1);
  auto* b = Add("b", -2);
  GLCallRecorder calls(NullGLApi());
  TRenderContextInfo rci;
  rci.drawState = rdsPicking;
  rci.objectsSorting = osNone;
  Root().Render(rci);
  std::vector<double> names;
  for (const GLCall& call : calls.CallsOf("glLoadName")) names.push_back(call.Args[0]);
  EXPECT_EQ(names, (std::vector<double>{double(Root().GetPickId()), double(a->GetPickId()), double(b->GetPickId())}));
  EXPECT_EQ(calls.Count("glPushMatrix"), calls.Count("glPopMatrix"));
}

TEST_F(RenderOrder, ObjectBasedCullingKeepsSmallScaledObjectsInView) {
  auto* small = Add("small", -5);
  small->GetScale()->SetVector(0.3f, 0.3f, 0.3f);
  Add("behind", 50);
  TRenderContextInfo rci;
  rci.objectsSorting = osNone;
  rci.visibilityCulling = vcObjectBased;
  // A box frustum around the origin looking down -Z: x, y in -1..1, z in -10..0.
  rci.rcci.frustum.pLeft = {1, 0, 0, 1};
  rci.rcci.frustum.pRight = {-1, 0, 0, 1};
  rci.rcci.frustum.pBottom = {0, 1, 0, 1};
  rci.rcci.frustum.pTop = {0, -1, 0, 1};
  rci.rcci.frustum.pNear = {0, 0, -1, 0};
  rci.rcci.frustum.pFar = {0, 0, 1, 10};
  small->GetPosition()->SetPoint(1.2f, 0, -5);  // its sphere (r ~ 0.26) reaches into view
  drawn.clear();
  Root().Render(rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"small"}));
}

TEST_F(RenderOrder, HierarchicalCullingTestsTheWholeGroup) {
  // The same box frustum: x, y in -1..1, z in -10..0.
  TRenderContextInfo rci;
  rci.objectsSorting = osNone;
  rci.visibilityCulling = vcHierarchical;
  rci.rcci.frustum.pLeft = {1, 0, 0, 1};
  rci.rcci.frustum.pRight = {-1, 0, 0, 1};
  rci.rcci.frustum.pBottom = {0, 1, 0, 1};
  rci.rcci.frustum.pTop = {0, -1, 0, 1};
  rci.rcci.frustum.pNear = {0, 0, -1, 0};
  rci.rcci.frustum.pFar = {0, 0, 1, 10};
  auto* group = Add("group", -5);
  group->GetPosition()->SetPoint(5, 0, -5);  // out of view itself
  auto* inside = group->AddNewChild<TGLDirectOpenGL>();
  inside->GetPosition()->SetPoint(-5, 0, 0);  // back at x = 0: in view
  inside->SetOnRender([this](TObject*, TRenderContextInfo&) { drawn.push_back("inside"); });
  auto* away = Add("away", -5);
  away->GetPosition()->SetPoint(20, 0, -5);
  auto* awayChild = away->AddNewChild<TGLDirectOpenGL>();
  awayChild->SetOnRender([this](TObject*, TRenderContextInfo&) { drawn.push_back("awayChild"); });
  drawn.clear();
  Root().Render(rci);
  EXPECT_EQ(drawn, (std::vector<std::string>{"group", "inside"}));
}

TEST_F(RenderOrder, AnExceptionInADrawableLeavesTheMatrixStackBalanced) {
  auto* bad = Add("bad", -1);
  bad->SetOnRender([](TObject*, TRenderContextInfo&) { throw Exception("drawable failed"); });
  GLCallRecorder calls(NullGLApi());
  TRenderContextInfo rci;
  EXPECT_THROW(Root().Render(rci), Exception);
  EXPECT_EQ(calls.Count("glPushMatrix"), calls.Count("glPopMatrix"));
}

// A buffer that only counts what reaches it.
class Notifications : public SceneGraph {
protected:
  TGL3DSceneBuffer buffer;
  int changes = 0;
  void SetUp() override {
    buffer.OnChange = [this](TObject*) { ++changes; };
    scene.RegisterBuffer(&buffer);
  }
};

TEST_F(Notifications, CountsThroughTheBuffer) {
  auto* node = Root().AddNewChild<TGLBaseSceneObject>();
  changes = 0;
  node->GetAbsoluteMatrix();  // as a render does
  struct Step {
    const char* what;
    std::function<void()> act;
    int expected;
  } steps[] = {
      {"position", [&] { node->GetPosition()->SetX(1); }, 1},
      {"second move before the matrix is read", [&] { node->GetPosition()->SetX(2); }, 0},
      {"after a read", [&] { node->GetAbsoluteMatrix(); node->GetPosition()->SetX(3); }, 1},
      {"structure", [&] { node->StructureChanged(); }, 0},  // still flagged since creation
      {"structure after compile", [&] { node->ClearStructureChanged(); node->StructureChanged(); }, 1},
      {"structure again", [&] { node->StructureChanged(); }, 0},
      {"visible unchanged", [&] { node->SetVisible(true); }, 0},
      {"visible", [&] { node->SetVisible(false); }, 1},
      {"grouped in the scene", [&] {
         scene.BeginUpdate();
         node->SetShowAxes(true);
         node->SetVisible(true);
         scene.EndUpdate();
       }, 1},
      {"new child", [&] { node->AddNewChild<TGLBaseSceneObject>(); }, 1},
      {"scene sorting to inherited stores blended-last", [&] { scene.SetObjectsSorting(osInherited); }, 0},
  };
  for (auto& step : steps) {
    changes = 0;
    step.act();
    EXPECT_EQ(changes, step.expected) << step.what;
  }
  EXPECT_EQ(scene.GetObjectsSorting(), osRenderBlendedLast);
}

TEST_F(Notifications, DirectDrawnObjectsNotifyEveryStructureChange) {
  auto* direct = Root().AddNewChild<TGLDirectOpenGL>();
  changes = 0;
  direct->StructureChanged();
  direct->StructureChanged();
  EXPECT_EQ(changes, 2);
}

TEST_F(Notifications, UnbalancedEndUpdateIsAnAssertion) {
  auto* node = Root().AddNewChild<TGLBaseSceneObject>();
  EXPECT_THROW(node->EndUpdate(), EAssertionFailed);
  EXPECT_THROW(scene.EndUpdate(), EAssertionFailed);
}

TEST(SceneRoots, RootsAreNamedAndDirectDrawn) {
  TGL3DScene scene;
  EXPECT_EQ(scene.GetObjects()->GetName(), "ObjectRoot");
  EXPECT_EQ(scene.GetCameras()->GetName(), "CameraRoot");
  EXPECT_TRUE(scene.GetObjects()->GetObjectStyle() & sosDirectDraw);
  EXPECT_EQ(scene.GetObjects()->GetScene(), &scene);
  EXPECT_THROW(TGL3DSceneRootObject(nullptr), EAssertionFailed);
  scene.SetVisibilityCulling(vcInherited);
  EXPECT_EQ(scene.GetVisibilityCulling(), vcNone);
}

TEST(SceneProgress, ChildrenLastToFirstThenTheObject) {
  TGL3DScene scene;
  std::vector<std::string> order;
  auto* parent = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  for (const char* name : {"first", "second"}) {
    auto* child = parent->AddNewChild<TGLBaseSceneObject>();
    child->OnProgress = [&order, name](TObject*, double, double) { order.push_back(name); };
  }
  parent->OnProgress = [&order](TObject*, double dt, double) { order.push_back("parent " + std::to_string(int(dt * 10))); };
  scene.Progress(0.5, 1.0);
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first", "parent 5"}));
}

}  // namespace
