// Behaviours and object effects without a GL context: which collection takes
// which items, name paths, the owner, the archive version, progress order
// and which effects render when.
#include "engine/behaviour.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/binary_filer.h"
#include "engine/effects.h"
#include "engine/scene_node.h"
#include "engine/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;
std::vector<std::string> g_log;

class TLogBehaviour : public TGLBehaviour {
  CLIENT_DECLARE_CLASS(TLogBehaviour)
public:
  std::string FriendlyName() const override { return "Log behaviour"; }
  void DoProgress(const TProgressTimes& t) override { g_log.push_back(GetName() + " " + std::to_string(t.deltaTime)); }
};
CLIENT_DEFINE_CLASS(TLogBehaviour, TGLBehaviour)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TLogBehaviour);

template <class Base>
class TLogEffect : public Base {
public:
  void Render(TGL3DSceneBuffer* buffer, TRenderContextInfo& rci) override {
    g_log.push_back(this->GetName() + (buffer ? " with buffer" : ""));
  }
  void DoProgress(const TProgressTimes&) override { g_log.push_back(this->GetName() + " progress"); }
};

class TLogPreEffect : public TLogEffect<TGLObjectPreEffect> {
  CLIENT_DECLARE_CLASS(TLogPreEffect)
public:
  std::string FriendlyName() const override { return "Pre"; }
};
CLIENT_DEFINE_CLASS(TLogPreEffect, TGLObjectPreEffect)

class TLogPostEffect : public TLogEffect<TGLObjectPostEffect> {
  CLIENT_DECLARE_CLASS(TLogPostEffect)
public:
  std::string FriendlyName() const override { return "Post"; }
};
CLIENT_DEFINE_CLASS(TLogPostEffect, TGLObjectPostEffect)

class TLogAfterEffect : public TLogEffect<TGLObjectAfterEffect> {
  CLIENT_DECLARE_CLASS(TLogAfterEffect)
public:
  std::string FriendlyName() const override { return "After"; }
};
CLIENT_DEFINE_CLASS(TLogAfterEffect, TGLObjectAfterEffect)

class BehaviourTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
    node.SetName("cube");
  }
  TGLBaseSceneObject node;
};

TEST_F(BehaviourTest, EachCollectionTakesOnlyItsOwnKind) {
  TGLBehaviours behaviours(&node);
  TGLObjectEffects effects(&node);
  const struct {
    const TClassInfo& itemClass;
    bool behaviours, effects;
  } cases[] = {
      {TLogBehaviour::StaticClass(), true, false},
      {TLogPreEffect::StaticClass(), false, true},
      {TLogPostEffect::StaticClass(), false, true},
      {TLogAfterEffect::StaticClass(), false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(behaviours.CanAdd(c.itemClass), c.behaviours) << c.itemClass.ClassName();
    EXPECT_EQ(effects.CanAdd(c.itemClass), c.effects) << c.itemClass.ClassName();
  }
  EXPECT_THROW(behaviours.AddNew<TLogPreEffect>(), EAssertionFailed);
  EXPECT_THROW(effects.AddNew<TLogBehaviour>(), EAssertionFailed);
  EXPECT_EQ(behaviours.GetCount(), 0);
  EXPECT_EQ(effects.GetCount(), 0);
}

TEST_F(BehaviourTest, CollectionsNeedASceneObjectOwner) {
  TPersistent notANode;
  EXPECT_THROW(TGLBehaviours{nullptr}, EAssertionFailed);
  EXPECT_THROW(TGLBehaviours{&notANode}, EAssertionFailed);
  EXPECT_THROW(TGLObjectEffects{&notANode}, EAssertionFailed);
}

TEST_F(BehaviourTest, NamePathsFollowTheOwner) {
  TGLBehaviours behaviours(&node);
  TGLObjectEffects effects(&node);
  EXPECT_EQ(behaviours.GetNamePath(), "cube.Behaviours");
  EXPECT_EQ(effects.GetNamePath(), "cube.Effects");
  auto& item = behaviours.AddNew<TLogBehaviour>();
  EXPECT_EQ(item.GetNamePath(), "cube.Behaviours[0]");
  EXPECT_EQ(item.OwnerBaseSceneObject(), &node);
  behaviours.SetOwner(nullptr);
  EXPECT_EQ(behaviours.GetNamePath(), "TGLBehaviours");
  EXPECT_EQ(item.OwnerBaseSceneObject(), nullptr);
}

TEST_F(BehaviourTest, ArchiveHoldsVersionZeroAfterTheItem) {
  TGLBehaviours behaviours(&node);
  behaviours.AddNew<TLogBehaviour>().SetName("b");
  TMemoryStream stream;
  {
    TBinaryWriter writer(stream);
    behaviours.WriteToFiler(writer);
  }
  const Bytes expected{0x02, 0x01, 0x06, 13, 'T', 'L', 'o', 'g', 'B', 'e', 'h', 'a', 'v', 'i', 'o', 'u', 'r',
                       0x02, 0x00, 0x06, 0x01, 'b', 0x02, 0x00};
  EXPECT_EQ(stream.Bytes(), expected);

  TGLBehaviours copy(&node);
  TMemoryStream in(expected);
  TBinaryReader reader(in);
  copy.ReadFromFiler(reader);
  ASSERT_EQ(copy.GetCount(), 1);
  EXPECT_EQ(copy[0]->GetName(), "b");

  Bytes badVersion = expected;
  badVersion.back() = 0x01;
  TMemoryStream bad(badVersion);
  TBinaryReader badReader(bad);
  EXPECT_THROW(copy.ReadFromFiler(badReader), EAssertionFailed);
}

TEST_F(BehaviourTest, ProgressReachesItemsInOrder) {
  TGLBehaviours behaviours(&node);
  behaviours.AddNew<TLogBehaviour>().SetName("first");
  behaviours.AddNew<TLogBehaviour>().SetName("second");
  behaviours.DoProgress({0.5, 1.0});
  EXPECT_EQ(g_log, (std::vector<std::string>{"first 0.500000", "second 0.500000"}));

  g_log.clear();
  TGLObjectEffects effects(&node);
  effects.AddNew<TLogPostEffect>().SetName("post");
  effects.AddNew<TLogPreEffect>().SetName("pre");
  effects.DoProgress({0.5, 1.0});
  EXPECT_EQ(g_log, (std::vector<std::string>{"post progress", "pre progress"}));
}

TEST_F(BehaviourTest, PreAndPostEffectsRenderAndAfterEffectsWaitForTheFrameEnd) {
  TGLObjectEffects effects(&node);
  effects.AddNew<TLogAfterEffect>().SetName("after");
  effects.AddNew<TLogPostEffect>().SetName("post1");
  effects.AddNew<TLogPreEffect>().SetName("pre");
  effects.AddNew<TLogPostEffect>().SetName("post2");
  std::vector<TAfterRenderEffect> afterList;
  TRenderContextInfo rci;
  rci.afterRenderEffects = &afterList;
  auto* buffer = reinterpret_cast<TGL3DSceneBuffer*>(&afterList);  // only passed through, never used

  effects.RenderPreEffects(buffer, rci);
  EXPECT_EQ(g_log, (std::vector<std::string>{"pre with buffer"}));
  g_log.clear();
  effects.RenderPostEffects(buffer, rci);
  EXPECT_EQ(g_log, (std::vector<std::string>{"post1 with buffer", "post2 with buffer"}));
  ASSERT_EQ(afterList.size(), 1u);
  g_log.clear();
  afterList[0](*buffer, rci);
  EXPECT_EQ(g_log, (std::vector<std::string>{"after with buffer"}));

  // Without a buffer there is no frame end to wait for.
  afterList.clear();
  g_log.clear();
  effects.RenderPostEffects(nullptr, rci);
  EXPECT_EQ(g_log, (std::vector<std::string>{"post1", "post2"}));
  EXPECT_TRUE(afterList.empty());
}

}  // namespace
