// Skeletons without a context: frames as matrices in both transform modes,
// the bone cache, archives, blending, and skeleton mesh objects bound in a
// pose and moved by the bones.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "engine/matrix_geometry.h"
#include "objects/actor.h"
#include "objects/skeleton.h"
#include "tests/objects/geometry_expect.h"

namespace {

constexpr float kQuarterTurn = std::numbers::pi_v<float> / 2;

// A frame of one bone per entry: translation and rotation angles.
TSkeletonFrame* AddFrame(TSkeleton& skeleton, std::initializer_list<std::pair<TAffineVector, TAffineVector>> bones) {
  auto* frame = new TSkeletonFrame(&skeleton.GetFrames());
  for (const auto& [position, rotation] : bones) {
    frame->GetPosition().Add(position);
    frame->GetRotation().Add(rotation);
  }
  return frame;
}

TEST(SkeletonFrame, AQuarterTurnAboutZIsTheSameInAnglesAndInQuaternions) {
  TSkeletonFrame angles;
  angles.GetPosition().Add(TAffineVector{1, 2, 3});
  angles.GetRotation().Add(TAffineVector{0, 0, kQuarterTurn});
  TSkeletonFrame quaternion;
  quaternion.SetTransformMode(sftQuaternion);
  quaternion.GetPosition().Add(TAffineVector{1, 2, 3});
  const float h = std::sqrt(0.5f);
  quaternion.GetQuaternion().Add(TQuaternion{{0, 0, h}, h});
  for (TSkeletonFrame* frame : {&angles, &quaternion}) {
    const TMatrix& m = frame->LocalMatrixList()[0];
    // X turns to Y (the point (1, 0, 0) to (0, 1, 0)), then the translation.
    EXPECT_TRUE(NearVector(m[0], {0, 1, 0, 0}));
    EXPECT_TRUE(NearVector(m[1], {-1, 0, 0, 0}));
    EXPECT_TRUE(NearVector(m[2], {0, 0, 1, 0}));
    EXPECT_TRUE(NearVector(m[3], {1, 2, 3, 1}));
  }
  // The angles act about x first, then y, then z.
  TSkeletonFrame both;
  both.GetPosition().Add(TAffineVector{0, 0, 0});
  both.GetRotation().Add(TAffineVector{kQuarterTurn, 0, kQuarterTurn});
  const TMatrix& m = both.LocalMatrixList()[0];
  // y --x--> z --z--> z; z --x--> -y --z--> x.
  EXPECT_TRUE(NearVector(m[1], {0, 0, 1, 0}));
  EXPECT_TRUE(NearVector(m[2], {1, 0, 0, 0}));
  EXPECT_TRUE(NearVector(both.LocalMatrix(4)[3], {0, 0, 0, 1}));  // no entry: identity
}

TEST(Skeleton, BoneCacheHasAnEntryPerIdentifier) {
  TSkeleton skeleton;
  auto* root = new TSkeletonBone(&skeleton.GetRootBones(), 0);
  auto* three = new TSkeletonBone(root, 3);
  auto* seven = new TSkeletonBone(three, 7);
  EXPECT_EQ(skeleton.BoneByID(7), seven);
  EXPECT_EQ(skeleton.BoneIDCount(), 8);
  EXPECT_EQ(skeleton.BoneByID(3), three);
  EXPECT_EQ(skeleton.BoneByID(0), root);
  for (int empty : {1, 2, 4, 5, 6, 8, -1, 1000}) EXPECT_EQ(skeleton.BoneByID(empty), nullptr) << empty;
  delete seven;
  EXPECT_EQ(skeleton.BoneByID(7), nullptr);
}

TEST(Skeleton, BoneCacheDoesNotGrowWithTheIdentifiersValues) {
  // Two billion entries for one bone would be 16 GB of pointers.
  TSkeleton skeleton;
  auto* far = new TSkeletonBone(&skeleton.GetRootBones(), 0x7FFFFFF0);
  auto* near = new TSkeletonBone(far, 2);
  auto* last = new TSkeletonBone(&skeleton.GetRootBones(), std::numeric_limits<int>::max());
  EXPECT_EQ(skeleton.BoneByID(0), nullptr);
  EXPECT_EQ(skeleton.BoneByID(0x7FFFFFF0), far);
  EXPECT_EQ(skeleton.BoneByID(2), near);
  EXPECT_EQ(skeleton.BoneByID(std::numeric_limits<int>::max()), last);
  for (int empty : {1, 3, 0x7FFFFFEF, 0x7FFFFFF1, -1}) EXPECT_EQ(skeleton.BoneByID(empty), nullptr) << empty;
  EXPECT_EQ(skeleton.BoneIDCount(), std::int64_t{std::numeric_limits<int>::max()} + 1);
  // Of two bones of one identifier the later one, depth first, as with
  // identifiers close together.
  for (int id : {4, 0x40000000}) {
    SCOPED_TRACE(id);
    TSkeleton twice;
    (void)new TSkeletonBone(&twice.GetRootBones(), 0);
    auto* first = new TSkeletonBone(&twice.GetRootBones(), id);
    auto* second = new TSkeletonBone(first, id);
    EXPECT_EQ(twice.BoneByID(id), second);
  }
}

TEST(Skeleton, CollidersDecideTheArchiveVersionAndFindTheirBoneAgain) {
  TSkeleton plain;
  auto* bone = new TSkeletonBone(&plain.GetRootBones(), 2);
  bone->SetName("hip");
  AddFrame(plain, {{{1, 2, 3}, {0, 0, 0}}});
  const std::string withoutColliders = plain.SaveToString();
  EXPECT_EQ(withoutColliders.substr(0, 2), std::string("\x02\x00", 2));

  auto* collider = new TSkeletonCollider(&plain.GetColliders());
  collider->SetBone(bone);
  collider->SetLocalMatrix(CreateTranslationMatrix({0, 5, 0}));
  TSkeleton read;
  read.LoadFromString(plain.SaveToString());
  EXPECT_EQ(plain.SaveToString().substr(0, 2), std::string("\x02\x01", 2));
  ASSERT_EQ(read.GetColliders().GetCount(), 1);
  EXPECT_EQ(read.GetColliders().GetItems(0)->GetBone(), read.BoneByID(2));
  EXPECT_EQ(read.BoneByID(2)->GetName(), "hip");
  EXPECT_EQ(read.GetColliders().GetItems(0)->GetLocalMatrix()[3][1], 5.0f);
  EXPECT_EQ(read.BoneByID(2)->GetColor(), 0xFFFFFFFFu);

  read.LoadFromString(withoutColliders);
  EXPECT_EQ(read.GetColliders().GetCount(), 0);
  EXPECT_EQ(read.GetFrames().GetItems(0)->GetPosition()[0][2], 3.0f);
}

TEST(Skeleton, ColliderOfABoneThatGoesFollowsNothing) {
  // Another skeleton's archive, cut in its frames: reading it frees the
  // bones before it fails.
  TSkeleton other;
  (void)new TSkeletonBone(&other.GetRootBones(), 0);
  AddFrame(other, {{{0, 0, 0}, {0, 0, 0}}});
  std::string cut = other.SaveToString();
  cut.pop_back();
  struct Case {
    const char* name;
    std::function<void(TSkeleton&, TSkeletonBone*)> removeBone;
  };
  const Case cases[] = {
      {"bone deleted", [](TSkeleton&, TSkeletonBone* bone) { delete bone; }},
      {"skeleton read that fails", [&cut](TSkeleton& skeleton, TSkeletonBone*) {
         EXPECT_THROW(skeleton.LoadFromString(cut), Exception);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLActor actor;
    actor.GetMeshObjects().Add(new TMeshObject(&actor.GetMeshObjects()));
    TSkeleton& skeleton = actor.GetSkeleton();
    auto* bone = new TSkeletonBone(&skeleton.GetRootBones(), 0);
    AddFrame(skeleton, {{{0, 7, 0}, {0, 0, 0}}});
    auto* collider = new TSkeletonCollider(&skeleton.GetColliders());
    collider->SetBone(bone);
    collider->SetLocalMatrix(CreateTranslationMatrix({1, 0, 0}));
    skeleton.MorphMesh(false);
    EXPECT_TRUE(NearVector(collider->GetGlobalMatrix()[3], {1, 7, 0, 1}));

    c.removeBone(skeleton, bone);
    EXPECT_EQ(collider->GetBone(), nullptr);
    skeleton.MorphMesh(false);
    EXPECT_TRUE(NearVector(collider->GetGlobalMatrix()[3], {1, 0, 0, 1}));
  }
}

TEST(Skeleton, ColliderThatGoesFirstLeavesItsBone) {
  struct Case {
    const char* name;
    std::function<void(TSkeleton&, TSkeletonCollider*)> removeCollider;
  };
  const Case cases[] = {
      {"collider deleted", [](TSkeleton&, TSkeletonCollider* collider) { delete collider; }},
      {"colliders cleared", [](TSkeleton& skeleton, TSkeletonCollider*) { skeleton.GetColliders().Clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSkeleton skeleton;
    auto* bone = new TSkeletonBone(&skeleton.GetRootBones(), 0);
    auto* collider = new TSkeletonCollider(&skeleton.GetColliders());
    auto* stays = new TSkeletonCollider();
    collider->SetBone(bone);
    stays->SetBone(bone);
    ASSERT_EQ(bone->FollowingColliderCount(), 2);
    c.removeCollider(skeleton, collider);
    // The bone no longer reaches the collider that went (it would free the
    // collider again), and lets the one that stays go with it.
    ASSERT_EQ(bone->FollowingColliderCount(), 1);
    delete bone;
    EXPECT_EQ(stays->GetBone(), nullptr);
    EXPECT_EQ(skeleton.GetRootBones().GetCount(), 0);
    delete stays;
  }
}

TEST(Skeleton, FrameOfVersionZeroHasNoQuaternionsAndUsesAngles) {
  TSkeletonFrame frame;
  frame.SetName("f");
  frame.GetPosition().Add(TAffineVector{1, 0, 0});
  // Version 0: the name and the two vector lists only.
  std::string bytes = frame.SaveToString();
  const std::string tail = TQuaternionList().SaveToString() + std::string("\x02\x00", 2);
  ASSERT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  bytes = std::string("\x02\x00", 2) + bytes.substr(2, bytes.size() - 2 - tail.size());
  TSkeletonFrame read;
  read.SetTransformMode(sftQuaternion);
  read.GetQuaternion().Add(TQuaternion{{0, 0, 0}, 1});
  read.LoadFromString(bytes);
  EXPECT_EQ(read.GetTransformMode(), sftRotation);
  EXPECT_EQ(read.GetQuaternion().GetCount(), 0);
  EXPECT_EQ(read.GetName(), "f");
}

TEST(Skeleton, BlendingAddsTheRotationsOfFurtherEntriesWhateverTheirWeight) {
  TSkeleton skeleton;
  AddFrame(skeleton, {{{0, 0, 0}, {0, 0, 0}}});
  AddFrame(skeleton, {{{2, 0, 0}, {0, 0, 0.4f}}});
  AddFrame(skeleton, {{{8, 8, 8}, {0, 0.2f, 0}}});
  skeleton.BlendedLerps(std::vector<TBlendedLerpInfo>{{0, 1, 0.5f, 1}});
  EXPECT_TRUE(NearVector(skeleton.GetCurrentFrame().GetPosition()[0], {1, 0, 0}));
  EXPECT_TRUE(NearVector(skeleton.GetCurrentFrame().GetRotation()[0], {0, 0, 0.2f}));

  skeleton.BlendedLerps(std::vector<TBlendedLerpInfo>{{0, 1, 0.5f, 0.5f}, {2, 2, 0, 0}});
  EXPECT_TRUE(NearVector(skeleton.GetCurrentFrame().GetPosition()[0], {0.5f, 0, 0}));
  EXPECT_TRUE(NearVector(skeleton.GetCurrentFrame().GetRotation()[0], {0, 0.2f, 0.2f}));
  EXPECT_THROW(skeleton.BlendedLerps({}), EAssertionFailed);
}

// An actor whose mesh has one skeleton mesh object over two bones: bone 0
// at the origin, bone 1 its child two units along X; bone 2 a second root
// that stays put.
class SkinnedActor : public ::testing::Test {
protected:
  void SetUp() override {
    TSkeleton& skeleton = actor_.GetSkeleton();
    auto* root = new TSkeletonBone(&skeleton.GetRootBones(), 0);
    new TSkeletonBone(root, 1);
    new TSkeletonBone(&skeleton.GetRootBones(), 2);
    const TAffineVector none{0, 0, 0};
    bind_ = AddFrame(skeleton, {{none, none}, {{2, 0, 0}, none}, {none, none}});
    turned_ = AddFrame(skeleton, {{none, {0, 0, kQuarterTurn}}, {{2, 0, 0}, none}, {none, none}});

    skin_ = new TSkeletonMeshObject(&actor_.GetMeshObjects());
    actor_.GetMeshObjects().Add(skin_);
    skin_->GetVertices().Add(TAffineVector{1, 0, 0});  // on bone 0
    skin_->GetVertices().Add(TAffineVector{3, 0, 0});  // on bone 1
    skin_->GetVertices().Add(TAffineVector{1, 0, 0});  // half bone 0, half bone 2
    skin_->GetVertices().Add(TAffineVector{4, 5, 6});  // no weight at all
    for (int i = 0; i < 4; ++i) skin_->GetNormals().Add(TAffineVector{1, 0, 0});
    skin_->SetVerticeBoneWeightCount(4);
    skin_->SetBonesPerVertex(2);
    const TVertexBoneWeight weights[4][2] = {{{0, 1}, {2, 0}}, {{1, 1}, {2, 0}}, {{0, 0.5f}, {2, 0.5f}}, {{0, 0}, {2, 0}}};
    for (int i = 0; i < 4; ++i)
      for (int s = 0; s < 2; ++s) skin_->VerticesBonesWeights(i)[s] = weights[i][s];
  }

  void Pose(TSkeletonFrame* frame) {
    actor_.GetSkeleton().SetCurrentFrame(*frame);
    actor_.GetSkeleton().MorphMesh(true);
  }
  void Bind(TSkeletonFrame* frame) {
    actor_.GetSkeleton().SetCurrentFrame(*frame);
    actor_.GetSkeleton().GetRootBones().PrepareGlobalMatrices();
    skin_->PrepareBoneMatrixInvertedMeshes();
  }

  TGLActor actor_;
  TSkeletonFrame* bind_ = nullptr;
  TSkeletonFrame* turned_ = nullptr;
  TSkeletonMeshObject* skin_ = nullptr;
};

TEST_F(SkinnedActor, BindPoseComesBackUnchanged) {
  // Bound in the turned pose, where the bones are not at the identity.
  Bind(turned_);
  TAffineVectorList before;
  before.Assign(&skin_->GetVertices());
  Pose(turned_);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(NearVector(skin_->GetVertices()[i], before[i])) << i;
  EXPECT_TRUE(NearVector(skin_->GetNormals()[0], {1, 0, 0}));
}

TEST_F(SkinnedActor, AFrameMovesEachVertexWithItsBones) {
  Bind(bind_);
  Pose(turned_);
  const TAffineVectorList& v = skin_->GetVertices();
  EXPECT_TRUE(NearVector(v[0], {0, 1, 0}));       // turned a quarter about Z with bone 0
  EXPECT_TRUE(NearVector(v[1], {0, 3, 0}));       // bone 1 turns with its parent
  EXPECT_TRUE(NearVector(v[2], {0.5f, 0.5f, 0}));  // half turned, half still
  EXPECT_TRUE(NearVector(v[3], {0, 0, 0}));       // no weight: the origin
  EXPECT_TRUE(NearVector(skin_->GetNormals()[0], {0, 1, 0}));
  EXPECT_TRUE(NearVector(skin_->GetNormals()[3], {0, 0, 0}));
}

TEST_F(SkinnedActor, WeightsNamingMissingBonesStandStill) {
  skin_->VerticesBonesWeights(0)[0].BoneID = 40;
  Bind(bind_);
  Pose(turned_);
  EXPECT_TRUE(NearVector(skin_->GetVertices()[0], {1, 0, 0}));
}

TEST_F(SkinnedActor, ResizingKeepsTheWeightsBothSizesHave) {
  skin_->SetBonesPerVertex(1);
  skin_->SetVerticeBoneWeightCount(5);
  EXPECT_EQ(skin_->VerticesBonesWeights(1)[0].BoneID, 1);
  EXPECT_EQ(skin_->VerticesBonesWeights(2)[0].Weight, 0.5f);
  EXPECT_EQ(skin_->VerticesBonesWeights(4)[0].Weight, 0.0f);
}

}  // namespace
