// The actor's frame clock: the frame sequence of every animation mode, the
// time per frame, named animations, smooth switches and the controllers'
// blend records, on an actor whose frames are the morph targets of one
// mesh object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/gl_recorder.h"
#include "objects/actor.h"
#include "tests/support/null_gl.h"

namespace {

// Frame k moves the one vertex to (k, 0, 0).
void AddMorphFrames(TGLActor& actor, int frames) {
  auto* mesh = new TMorphableMeshObject(&actor.GetMeshObjects());
  actor.GetMeshObjects().Add(mesh);
  mesh->GetVertices().Add(TAffineVector{0, 0, 0});
  for (int k = 0; k < frames; ++k)
    (new TMeshMorphTarget(&mesh->GetMorphTargets()))->GetVertices().Add(TAffineVector{float(k), 0, 0});
  actor.PrepareMesh();
}

TEST(Actor, EachAnimationModeStepsThroughItsFrames) {
  struct Case {
    TActorAnimationMode mode;
    int first;
    std::vector<int> frames;  // after each tenth of a second
    int endReached;
    TActorAnimationMode modeAfter;
  };
  const Case cases[] = {
      {aamNone, 2, {2, 2, 2, 2, 2}, 0, aamNone},
      {aamPlayOnce, 2, {3, 4, 5, 5, 5}, 1, aamNone},
      {aamLoop, 2, {3, 4, 5, 2, 3}, 1, aamLoop},
      {aamLoopBackward, 5, {4, 3, 2, 5, 4}, 1, aamLoopBackward},
      {aamBounceForward, 2, {3, 4, 5, 4, 3}, 1, aamBounceBackward},
      {aamBounceBackward, 5, {4, 3, 2, 3, 4}, 0, aamBounceForward},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TGLActor actor;
    AddMorphFrames(actor, 6);
    actor.SetStartFrame(2);
    actor.SetEndFrame(5);
    actor.SetCurrentFrame(c.first);
    actor.SetAnimationMode(c.mode);
    int endReached = 0;
    actor.OnEndFrameReached = [&](TObject*) { ++endReached; };
    std::vector<int> frames;
    for (int step = 1; step <= 5; ++step) {
      actor.DoProgress({0.1, 0.1 * step});
      frames.push_back(actor.GetCurrentFrame());
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(endReached, c.endReached);
    EXPECT_EQ(actor.GetAnimationMode(), c.modeAfter);
  }
}

TEST(Actor, TimeAdvancesWholeFramesAndKeepsTheRest) {
  TGLActor actor;
  AddMorphFrames(actor, 6);
  actor.SetAnimationMode(aamLoop);
  actor.DoProgress({0.25, 0.25});  // Interval 100 ms
  EXPECT_EQ(actor.GetCurrentFrame(), 2);
  EXPECT_FLOAT_EQ(actor.GetCurrentFrameDelta(), 0.5f);
  actor.DoProgress({1e12, 1e12});  // a clock that jumped: bounded work, a frame in range
  EXPECT_GE(actor.GetCurrentFrame(), 0);
  EXPECT_LE(actor.GetCurrentFrame(), 5);

  // One frame, or a range of one frame, does not advance.
  for (int frames : {1, 6}) {
    TGLActor still;
    AddMorphFrames(still, frames);
    still.SetEndFrame(0);
    still.SetAnimationMode(aamLoop);
    still.DoProgress({1.0, 1.0});
    EXPECT_EQ(still.GetCurrentFrame(), 0) << frames;
    EXPECT_EQ(still.GetCurrentFrameDelta(), 0.0f) << frames;
  }
}

TEST(Actor, FramesOutsideTheMeshAreRefusedByTheActorAndClampedByAnAnimation) {
  TGLActor actor;
  AddMorphFrames(actor, 6);
  EXPECT_EQ(actor.GetEndFrame(), 5);
  actor.SetStartFrame(9);
  EXPECT_EQ(actor.GetStartFrame(), 0);
  actor.SetCurrentFrame(9);
  EXPECT_EQ(actor.GetCurrentFrame(), 5);

  TActorAnimation* walk = actor.GetAnimations().Add();
  walk->SetName("Walk");
  walk->SetStartFrame(9);
  EXPECT_EQ(walk->GetStartFrame(), 5);
  EXPECT_EQ(walk->GetEndFrame(), 5);
  walk->SetStartFrame(-2);
  walk->SetEndFrame(3);
  EXPECT_EQ(walk->GetStartFrame(), 0);
  EXPECT_EQ(walk->GetDisplayName(), "0 - Walk [0 - 3]");
  // A reference without frames leaves frame 0.
  walk->SetReference(aarNone);
  EXPECT_EQ(walk->GetStartFrame(), 0);
  EXPECT_EQ(walk->GetEndFrame(), 0);
  EXPECT_EQ(actor.GetAnimations().FindName("wALK"), walk);
  EXPECT_EQ(actor.GetAnimations().FindName("run"), nullptr);
}

TEST(Actor, SmoothSwitchHappensAtTheNextFrameStep) {
  TGLActor actor;
  AddMorphFrames(actor, 6);
  actor.SetAnimationMode(aamLoop);
  TActorAnimation* run = actor.GetAnimations().Add();
  run->SetName("run");
  run->SetStartFrame(3);
  run->SetEndFrame(4);
  actor.SwitchToAnimation(run, true);
  EXPECT_EQ(actor.NextFrameIndex(), 3);  // blending towards the new start
  actor.DoProgress({0.05, 0.05});
  EXPECT_EQ(actor.GetStartFrame(), 0);
  actor.DoProgress({0.05, 0.1});
  EXPECT_EQ(actor.GetTargetSmoothAnimation(), nullptr);
  EXPECT_EQ(actor.GetStartFrame(), 3);
  EXPECT_EQ(actor.GetEndFrame(), 4);
  EXPECT_EQ(actor.GetCurrentFrame(), 4);
  // An animation that goes takes the pending switch with it.
  actor.SwitchToAnimation(run, true);
  actor.GetAnimations().Clear();
  EXPECT_EQ(actor.GetTargetSmoothAnimation(), nullptr);
}

TEST(Actor, ControllerBlendRecordsFollowTheRatio) {
  TGLActor actor;
  AddMorphFrames(actor, 6);
  TActorAnimation* walk = actor.GetAnimations().Add();
  walk->SetName("walk");
  walk->SetStartFrame(1);
  walk->SetEndFrame(5);
  TGLAnimationControler controler;
  controler.SetActor(&actor);
  controler.SetAnimationName("walk");
  struct Case {
    float ratio;
    int frame1, frame2;
    float factor;
  };
  const Case cases[] = {{0, 1, 1, 0}, {1, 5, 5, 0}, {0.5f, 3, 4, 0}, {0.375f, 2, 3, 0.5f}, {1.5f, 5, 5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    controler.SetRatio(c.ratio);
    TBlendedLerpInfo info;
    ASSERT_TRUE(controler.Apply(info));
    EXPECT_EQ(info.frameIndex1, c.frame1);
    EXPECT_EQ(info.frameIndex2, c.frame2);
    EXPECT_FLOAT_EQ(info.lerpFactor, c.factor);
    EXPECT_EQ(info.weight, 1.0f);
  }
  EXPECT_EQ(controler.GetRatio(), 1.0f);
  // A one-frame animation blends that frame with itself, not the next one.
  walk->SetStartFrame(5);
  controler.SetRatio(0.5f);
  TBlendedLerpInfo info;
  ASSERT_TRUE(controler.Apply(info));
  EXPECT_EQ(info.frameIndex2, 5);
  controler.SetAnimationName("swim");
  EXPECT_FALSE(controler.Apply(info));
  EXPECT_EQ(actor.ControlerCount(), 1);
  controler.SetActor(nullptr);
  EXPECT_EQ(actor.ControlerCount(), 0);
}

TEST(Actor, ControllerForgetsAnActorThatGoes) {
  TGLAnimationControler controler;
  {
    TGLActor actor;
    controler.SetActor(&actor);
  }
  EXPECT_EQ(controler.GetActor(), nullptr);
}

TEST(Actor, DrawingPosesTheMorphFramesAndAMeshWithoutFramesDrawsAsItIs) {
  ScopedGLApi nullGL(NullGLApi());
  TRenderContextInfo rci;
  TGLActor empty;
  auto* plain = new TMorphableMeshObject(&empty.GetMeshObjects());
  empty.GetMeshObjects().Add(plain);
  plain->GetVertices().Add(TAffineVector{7, 0, 0});
  EXPECT_NO_THROW(empty.BuildList(rci));
  EXPECT_EQ(plain->GetVertices()[0][0], 7.0f);

  TGLActor actor;
  AddMorphFrames(actor, 6);
  actor.SetCurrentFrame(2);
  actor.SetCurrentFrameDelta(0.25f);
  actor.BuildList(rci);
  EXPECT_FLOAT_EQ(actor.GetMeshObjects().GetMeshObject(0)->GetVertices()[0][0], 2.25f);
  actor.SetFrameInterpolation(afpNone);
  actor.BuildList(rci);
  EXPECT_FLOAT_EQ(actor.GetMeshObjects().GetMeshObject(0)->GetVertices()[0][0], 2.0f);
}

}  // namespace
