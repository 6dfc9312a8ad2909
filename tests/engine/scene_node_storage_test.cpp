// The scene node's stored pieces without a context: the "BehavioursData" and
// "EffectsData" properties (golden bytes, read-back, damaged data), the
// child order the streaming system sets, and the camera's deferred apply.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/behaviour.h"
#include "engine/camera.h"
#include "engine/effects.h"
#include "engine/engine_errors.h"
#include "engine/gl_recorder.h"
#include "engine/scene.h"
#include "engine/scene_node.h"
#include "platform/base/assertion.h"
#include "tests/support/null_gl.h"

namespace {

int g_loadedCalls = 0;

// A behaviour with a value of its own after the base data.
class TStoredBehaviour : public TGLBehaviour {
  CLIENT_DECLARE_CLASS(TStoredBehaviour)
public:
  std::string FriendlyName() const override { return "Stored behaviour"; }
  void WriteToFiler(TVirtualWriter& writer) const override {
    TGLBehaviour::WriteToFiler(writer);
    writer.WriteInteger(0);  // archive version
    writer.WriteInteger(Value);
  }
  void ReadFromFiler(TVirtualReader& reader) override {
    TGLBehaviour::ReadFromFiler(reader);
    CLIENT_ASSERT(reader.ReadInteger() == 0);
    Value = reader.ReadInteger();
  }
  void Loaded() override { ++g_loadedCalls; }
  int Value = 0;
};
CLIENT_DEFINE_CLASS(TStoredBehaviour, TGLBehaviour)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TStoredBehaviour);

class TStoredPostEffect : public TGLObjectPostEffect {
  CLIENT_DECLARE_CLASS(TStoredPostEffect)
public:
  std::string FriendlyName() const override { return "Stored effect"; }
};
CLIENT_DEFINE_CLASS(TStoredPostEffect, TGLObjectPostEffect)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TStoredPostEffect);

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TStoredBehaviour& AddBehaviour(TGLBaseSceneObject& object, const std::string& name, int value) {
  auto& item = object.GetBehaviours()->AddNew<TStoredBehaviour>();
  item.SetName(name);
  item.Value = value;
  return item;
}

// Two items of one class: the class name once, then its table index 0.
const std::string kTwoBehaviours =
    Bytes({0x02, 0x02,                                                                         // count 2
           0x06, 0x10, 'T', 'S', 't', 'o', 'r', 'e', 'd', 'B', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r',  // class
           0x02, 0x00, 0x06, 0x02, 'b', '1',  // item version, Name
           0x02, 0x00,                        // behaviour version
           0x02, 0x00, 0x03, 0xE8, 0x03,      // own version, 1000
           0x02, 0x00,                        // class table index 0
           0x02, 0x00, 0x06, 0x02, 'b', '2', 0x02, 0x00, 0x02, 0x00, 0x02, 0xF9});  // ..., -7

const std::string kOneEffect =
    Bytes({0x02, 0x01, 0x06, 0x11, 'T', 'S', 't', 'o', 'r', 'e', 'd', 'P', 'o', 's', 't', 'E', 'f', 'f', 'e', 'c', 't',
           0x02, 0x00, 0x06, 0x04, 'g', 'l', 'o', 'w', 0x02, 0x00});

}  // namespace

TEST(SceneNodeStorage, NothingIsStoredForMissingOrEmptyCollections) {
  TGLBaseSceneObject object;
  EXPECT_FALSE(object.WriteBehavioursData().has_value());
  EXPECT_FALSE(object.WriteEffectsData().has_value());
  object.GetBehaviours();
  object.GetEffects();
  EXPECT_FALSE(object.WriteBehavioursData().has_value());
  EXPECT_FALSE(object.WriteEffectsData().has_value());
}

TEST(SceneNodeStorage, BehavioursDataGoldenBytes) {
  TGLBaseSceneObject object;
  AddBehaviour(object, "b1", 1000);
  AddBehaviour(object, "b2", -7);
  const std::optional<std::string> data = object.WriteBehavioursData();
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(*data, kTwoBehaviours);
  EXPECT_FALSE(object.WriteEffectsData().has_value());
}

TEST(SceneNodeStorage, EffectsDataGoldenBytes) {
  TGLBaseSceneObject object;
  object.GetEffects()->AddNew<TStoredPostEffect>().SetName("glow");
  const std::optional<std::string> data = object.WriteEffectsData();
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(*data, kOneEffect);
}

TEST(SceneNodeStorage, ReadIntoNonEmptyCollectionReplacesItems) {
  TGLBaseSceneObject object;
  AddBehaviour(object, "old", 1);
  g_loadedCalls = 0;
  object.ReadBehavioursData(kTwoBehaviours);
  TGLBehaviours* behaviours = object.GetBehavioursIfAny();
  ASSERT_NE(behaviours, nullptr);
  ASSERT_EQ(behaviours->GetCount(), 2);
  const auto* first = dynamic_cast<TStoredBehaviour*>(behaviours->GetItems(0));
  const auto* second = dynamic_cast<TStoredBehaviour*>(behaviours->GetItems(1));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->GetName(), "b1");
  EXPECT_EQ(first->Value, 1000);
  EXPECT_EQ(second->GetName(), "b2");
  EXPECT_EQ(second->Value, -7);
  EXPECT_EQ(first->OwnerBaseSceneObject(), &object);
  EXPECT_EQ(g_loadedCalls, 2);  // not loading: the items hear at once
  // What was read writes back to the same bytes.
  EXPECT_EQ(object.WriteBehavioursData().value_or(""), kTwoBehaviours);
}

TEST(SceneNodeStorage, WhileLoadingTheItemsHearAtTheObjectsLoaded) {
  TGLBaseSceneObject object;
  g_loadedCalls = 0;
  object.BeginLoading();
  object.ReadBehavioursData(kTwoBehaviours);
  EXPECT_EQ(g_loadedCalls, 0);
  object.EndLoading();
  EXPECT_EQ(g_loadedCalls, 2);
}

TEST(SceneNodeStorage, EffectsReadBackAndRoundTripBetweenObjects) {
  TGLBaseSceneObject source, copy;
  source.GetEffects()->AddNew<TStoredPostEffect>().SetName("glow");
  AddBehaviour(source, "b", 5);
  copy.ReadEffectsData(source.WriteEffectsData().value());
  copy.ReadBehavioursData(source.WriteBehavioursData().value());
  ASSERT_EQ(copy.GetEffectsIfAny()->GetCount(), 1);
  EXPECT_TRUE(copy.GetEffectsIfAny()->GetItems(0)->Is<TStoredPostEffect>());
  EXPECT_EQ(copy.GetEffectsIfAny()->GetItems(0)->GetName(), "glow");
  EXPECT_EQ(static_cast<TStoredBehaviour*>(copy.GetBehavioursIfAny()->GetItems(0))->Value, 5);
}

TEST(SceneNodeStorage, DamagedDataRaisesAndKeepsTheCollection) {
  struct Case {
    const char* what;
    std::string data;
    bool effects;
    bool filerError;  // EFilerException, else EAssertionFailed
  };
  const std::vector<Case> cases = {
      {"empty", "", false, true},
      {"cut in the class name", kTwoBehaviours.substr(0, 10), false, true},
      {"cut in the second item", kTwoBehaviours.substr(0, kTwoBehaviours.size() - 3), false, true},
      {"negative count", Bytes({0x02, 0xFF}), false, true},
      {"huge count, no items", Bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F}), false, true},
      {"class index beyond the table", Bytes({0x02, 0x01, 0x02, 0x03}), false, true},
      {"boolean where the class should be", Bytes({0x02, 0x01, 0x09}), false, true},
      {"unknown class", Bytes({0x02, 0x01, 0x06, 0x04, 'T', 'N', 'o', 'p'}), false, false},
      {"wrong item version",
       Bytes({0x02, 0x01, 0x06, 0x10, 'T', 'S', 't', 'o', 'r', 'e', 'd', 'B', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r',
              0x02, 0x05}),
       false, false},
      {"an effect among the behaviours", kOneEffect, false, false},
      {"a behaviour among the effects", kTwoBehaviours, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TGLBaseSceneObject object;
    AddBehaviour(object, "kept", 3);
    object.GetEffects()->AddNew<TStoredPostEffect>().SetName("kept effect");
    auto read = [&] { c.effects ? object.ReadEffectsData(c.data) : object.ReadBehavioursData(c.data); };
    if (c.filerError)
      EXPECT_THROW(read(), EFilerException);
    else
      EXPECT_THROW(read(), EAssertionFailed);
    ASSERT_EQ(object.GetBehavioursIfAny()->GetCount(), 1);
    EXPECT_EQ(object.GetBehavioursIfAny()->GetItems(0)->GetName(), "kept");
    ASSERT_EQ(object.GetEffectsIfAny()->GetCount(), 1);
    EXPECT_EQ(object.GetEffectsIfAny()->GetItems(0)->GetName(), "kept effect");
  }
}

TEST(SceneNodeStorage, UnknownClassErrorNamesTheClass) {
  TGLBaseSceneObject object;
  try {
    object.ReadBehavioursData(Bytes({0x02, 0x01, 0x06, 0x04, 'T', 'N', 'o', 'p'}));
    FAIL() << "no error";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("Class TNop unknown."), std::string::npos) << e.what();
  }
}

TEST(SceneNodeChildOrder, SetChildOrderMovesOnlyOwnChildren) {
  TGLBaseSceneObject parent, other;
  auto* a = parent.AddNewChild<TGLBaseSceneObject>();
  auto* b = parent.AddNewChild<TGLBaseSceneObject>();
  auto* c = parent.AddNewChild<TGLBaseSceneObject>();
  auto* stranger = other.AddNewChild<TGLBaseSceneObject>();
  parent.SetChildOrder(c, 0);
  EXPECT_EQ(parent.GetChild(0), c);
  EXPECT_EQ(parent.GetChild(1), a);
  EXPECT_EQ(parent.GetChild(2), b);
  parent.SetChildOrder(c, 99);  // clamped like SetIndex
  EXPECT_EQ(parent.GetChild(2), c);
  parent.SetChildOrder(stranger, 0);
  parent.SetChildOrder(nullptr, 0);
  parent.SetChildOrder(&other, 0);
  EXPECT_EQ(stranger->GetParent(), &other);
  EXPECT_EQ(other.GetIndex(), -1);
  EXPECT_EQ(parent.GetChild(0), a);
  EXPECT_EQ(c->GetParentComponent(), &parent);
  EXPECT_EQ(parent.GetParentComponent(), nullptr);
}

TEST(SceneNodeChildOrder, SceneOrdersChildrenOfEitherRoot) {
  TGL3DScene scene;
  auto* first = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  auto* second = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  auto* camera1 = scene.GetCameras()->AddNewChild<TGLCamera>();
  auto* camera2 = scene.GetCameras()->AddNewChild<TGLCamera>();
  scene.SetChildOrder(second, 0);
  scene.SetChildOrder(camera2, 0);
  EXPECT_EQ(scene.GetObjects()->GetChild(0), second);
  EXPECT_EQ(scene.GetObjects()->GetChild(1), first);
  EXPECT_EQ(scene.GetCameras()->GetChild(0), camera2);
  EXPECT_EQ(scene.GetCameras()->GetChild(1), camera1);
  EXPECT_EQ(second->GetParentComponent(), scene.GetObjects());
}

TEST(CameraDeferredApply, TheEventReplacesTheViewTransform) {
  GLCallRecorder calls(NullGLApi());
  TGLCamera camera;
  camera.GetPosition()->SetPoint(1, 2, 3);
  camera.GetDirection()->SetVector(1, 0, 0);
  camera.Apply();
  EXPECT_EQ(calls.Count("glMultMatrixf"), 1);
  const TVector4f last = camera.GetLastDirection();
  EXPECT_FLOAT_EQ(last[0], 1.0f);

  std::vector<TObject*> senders;
  camera.OnDeferredApply = [&](TObject* sender) { senders.push_back(sender); };
  camera.GetDirection()->SetVector(0, 0, 1);
  camera.StructureChanged();
  calls.Clear();
  camera.Apply();
  EXPECT_EQ(calls.Count("glMultMatrixf"), 0);
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], &camera);
  EXPECT_FLOAT_EQ(camera.GetLastDirection()[0], 1.0f);  // the event's business, not the camera's
  EXPECT_EQ(camera.GetChanges() & ocfStructure, 0);
}

TEST(CameraStorage, ValuesAreStoredWheneverTheyDifferFromANewCamerasOwn) {
  struct Case {
    const char* what;
    void (TGLCamera::*set)(float);
    bool (TGLCamera::*stored)() const;
    float start, other, one;
  };
  const Case cases[] = {
      {"FocalLength", &TGLCamera::SetFocalLength, &TGLCamera::IsFocalLengthStored, 50, 25, 1},
      {"DepthOfView", &TGLCamera::SetDepthOfView, &TGLCamera::IsDepthOfViewStored, 100, 1000, 1},
      {"SceneScale", &TGLCamera::SetSceneScale, &TGLCamera::IsSceneScaleStored, 1, 2, 1},
      {"NearPlaneBias", &TGLCamera::SetNearPlaneBias, &TGLCamera::IsNearPlaneBiasStored, 1, 0.5f, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TGLCamera camera;
    EXPECT_FALSE((camera.*c.stored)());
    (camera.*c.set)(c.other);
    EXPECT_TRUE((camera.*c.stored)());
    // A value of 1 would read back as the start value if it were left out.
    (camera.*c.set)(c.one);
    EXPECT_EQ((camera.*c.stored)(), c.one != c.start);
    (camera.*c.set)(c.start);
    EXPECT_FALSE((camera.*c.stored)());
  }
}
