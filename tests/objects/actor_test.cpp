// The actor's frame clock: the frame sequence of every animation mode, the
// time per frame, named animations, smooth switches and the controllers'
// blend records, on an actor whose frames are the morph targets of one
// mesh object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/gl_recorder.h"
#include "objects/actor.h"
#include "objects/face_groups.h"
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

// NextFrame as the actor defines it: each step takes the next frame
// through the setter, then tells of reaching the end and the start frame.
// Events, when asked for, as "frame 3", "end", "start".
void StepOneAtATime(TGLActor& actor, long long steps, std::vector<std::string>* events = nullptr) {
  if (events) actor.OnFrameChanged = [&actor, events](TObject*) {
    events->push_back("frame " + std::to_string(actor.GetCurrentFrame()));
  };
  for (long long i = 0; i < steps; ++i) {
    actor.SetCurrentFrame(actor.NextFrameIndex());
    if (events && actor.GetCurrentFrame() == actor.GetEndFrame()) events->push_back("end");
    if (events && actor.GetCurrentFrame() == actor.GetStartFrame()) events->push_back("start");
  }
}

void RecordEvents(TGLActor& actor, std::vector<std::string>& events) {
  actor.OnFrameChanged = [&actor, &events](TObject*) {
    events.push_back("frame " + std::to_string(actor.GetCurrentFrame()));
  };
  actor.OnEndFrameReached = [&events](TObject*) { events.push_back("end"); };
  actor.OnStartFrameReached = [&events](TObject*) { events.push_back("start"); };
}

// Ten frames, and where an actor may stand in them: frames 2 to 5 from
// below, inside and above them, a range whose start lies past its end, and
// a smooth switch still pending. The delta shows whether a frame was taken.
struct Standing {
  const char* name;
  int start, end, current;
  bool pendingSwitch = false;
};
const Standing kStandings[] = {
    {"below the range", 2, 5, 0},      {"at the start", 2, 5, 2}, {"inside", 2, 5, 3},
    {"at the end", 2, 5, 5},           {"above the range", 2, 5, 8}, {"start past the end", 5, 3, 4},
    {"a switch pending", 2, 5, 3, true},
};
constexpr TActorAnimationMode kModes[] = {aamNone,          aamPlayOnce,        aamLoop,
                                          aamBounceForward, aamBounceBackward, aamLoopBackward};

void Place(TGLActor& actor, const Standing& standing, TActorAnimationMode mode) {
  AddMorphFrames(actor, 10);
  actor.SetStartFrame(standing.start);
  actor.SetEndFrame(standing.end);
  actor.SetCurrentFrame(standing.current);
  actor.SetAnimationMode(mode);
  actor.SetCurrentFrameDelta(0.25f);
  if (standing.pendingSwitch) {
    TActorAnimation* run = actor.GetAnimations().Add();
    run->SetStartFrame(7);
    run->SetEndFrame(8);
    actor.SwitchToAnimation(run, true);
    actor.SetCurrentFrameDelta(0.25f);
  }
}

TEST(Actor, ManyFramesAtOnceEndWhereSteppingEndsInEveryMode) {
  for (const Standing& standing : kStandings) {
    for (TActorAnimationMode mode : kModes) {
      for (int steps : {1, 2, 3, 5, 6, 7, 12, 13, 97, 6000}) {
        SCOPED_TRACE(std::string(standing.name) + ", mode " + std::to_string(mode) + ", " + std::to_string(steps) +
                     " steps");
        TGLActor stepped, jumped;
        Place(stepped, standing, mode);
        Place(jumped, standing, mode);
        StepOneAtATime(stepped, steps);
        jumped.NextFrame(steps);
        EXPECT_EQ(jumped.GetCurrentFrame(), stepped.GetCurrentFrame());
        EXPECT_EQ(jumped.GetAnimationMode(), stepped.GetAnimationMode());
        EXPECT_EQ(jumped.GetCurrentFrameDelta(), stepped.GetCurrentFrameDelta());
        // With someone listening, every step's events, in order.
        TGLActor heard, told;
        Place(heard, standing, mode);
        Place(told, standing, mode);
        std::vector<std::string> expected, events;
        StepOneAtATime(told, steps, &expected);
        RecordEvents(heard, events);
        heard.NextFrame(steps);
        EXPECT_EQ(events, expected);
        EXPECT_EQ(heard.GetCurrentFrame(), told.GetCurrentFrame());
        EXPECT_EQ(heard.GetAnimationMode(), told.GetAnimationMode());
      }
    }
  }
}

TEST(Actor, ALongPauseEndsWhereSteppingEndsInEveryMode) {
  for (const Standing& standing : kStandings) {
    for (TActorAnimationMode mode : kModes) {
      SCOPED_TRACE(std::string(standing.name) + ", mode " + std::to_string(mode));
      // 650 s at 100 ms a frame: 6,500 frames and a half.
      TGLActor stepped, paused;
      Place(stepped, standing, mode);
      Place(paused, standing, mode);
      paused.DoProgress({650.05, 650.05});
      // A pending switch and the first frame as the clock takes them, then
      // one step at a time.
      const long long first = standing.pendingSwitch && mode != aamNone ? 1 : 0;
      if (first) stepped.DoProgress({0.1, 0.1});
      if (mode != aamNone) StepOneAtATime(stepped, 6500 - first);
      EXPECT_EQ(paused.GetCurrentFrame(), stepped.GetCurrentFrame());
      EXPECT_EQ(paused.GetAnimationMode(), stepped.GetAnimationMode());
      EXPECT_NEAR(paused.GetCurrentFrameDelta(), mode == aamNone ? 0.25f : 0.75f, 1e-3);
      // A clock that jumped by 10^13 frames: the frames repeat every 12 steps
      // in every mode over these ranges, once in them.
      TGLActor jumped, reference;
      Place(jumped, standing, mode);
      Place(reference, standing, mode);
      jumped.DoProgress({1e12, 1e12});
      if (first) reference.DoProgress({0.1, 0.1});
      if (mode != aamNone) StepOneAtATime(reference, 10000000000000LL % 12 + 48 - first);
      EXPECT_EQ(jumped.GetCurrentFrame(), reference.GetCurrentFrame());
      EXPECT_EQ(jumped.GetAnimationMode(), reference.GetAnimationMode());
      // Heard, the same pause tells the events of a loop or two, not 10^13.
      TGLActor heard;
      Place(heard, standing, mode);
      std::vector<std::string> events;
      RecordEvents(heard, events);
      heard.DoProgress({1e12, 1e12});
      EXPECT_EQ(heard.GetCurrentFrame(), reference.GetCurrentFrame());
      EXPECT_EQ(heard.GetAnimationMode(), reference.GetAnimationMode());
      EXPECT_LT(events.size(), 300u);
    }
  }
  // A range far from the frame: 900 frames to reach it, then two frames
  // that take turns.
  TGLActor far, reference;
  AddMorphFrames(far, 1000);
  AddMorphFrames(reference, 1000);
  for (TGLActor* actor : {&far, &reference}) {
    actor->SetStartFrame(900);
    actor->SetEndFrame(901);
    actor->SetCurrentFrame(0);
    actor->SetAnimationMode(aamLoop);
  }
  far.DoProgress({100.05, 100.05});
  StepOneAtATime(reference, 1000);
  EXPECT_EQ(far.GetCurrentFrame(), reference.GetCurrentFrame());
  EXPECT_EQ(far.GetCurrentFrame(), 900);
}

// A face group that counts how often the mesh prepares it.
class CountingFaceGroup : public TFGVertexIndexList {
public:
  CountingFaceGroup(TFaceGroups* owner, int& prepared) : TFGVertexIndexList(owner), prepared_(prepared) {}
  void Prepare() override { ++prepared_; }

private:
  int& prepared_;
};

TEST(Actor, ALongPausePreparesTheMeshOnceNotOncePerFrame) {
  TGLActor actor;
  AddMorphFrames(actor, 1000);
  int prepared = 0;
  new CountingFaceGroup(&actor.GetMeshObjects().GetMeshObject(0)->GetFaceGroups(), prepared);
  actor.SetAnimationMode(aamLoop);
  actor.SetCurrentFrame(10);
  prepared = 0;
  actor.DoProgress({600, 600});  // 6,000 frames
  EXPECT_EQ(actor.GetCurrentFrame(), 10);
  EXPECT_LE(prepared, 2);
  prepared = 0;
  actor.NextFrame(5000);
  EXPECT_EQ(actor.GetCurrentFrame(), 10);
  EXPECT_LE(prepared, 1);
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
