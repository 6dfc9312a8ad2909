#pragma once
// The actor: a base mesh that plays frame animations, either the morph
// targets of its morphable mesh objects or the frames of its skeleton.
// Time advances the current frame by one per Interval milliseconds, with
// linear interpolation between frames; named animations select frame
// ranges; animation controllers blend further animations into a skeleton
// actor.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/owned_collection.h"
#include "engine/update_able_object.h"
#include "objects/base_mesh.h"
#include "objects/small_set.h"

class TGLActor;

enum TActorAnimationReference : std::uint8_t { aarMorph, aarSkeleton, aarNone };
enum TActorFrameInterpolation : std::uint8_t { afpNone, afpLinear };
enum TActorAnimationMode : std::uint8_t {
  aamNone, aamPlayOnce, aamLoop, aamBounceForward, aamBounceBackward, aamLoopBackward
};
enum TGLActorOption : std::uint8_t { aoSkeletonNormalizeNormals };
using TGLActorOptions = SmallSet<TGLActorOption>;

// A named range of frames.
class TActorAnimation : public TCollectionItem {
  CLIENT_DECLARE_CLASS(TActorAnimation)
public:
  TActorAnimation() = default;
  ~TActorAnimation() override;

  // The actor of the collection, or none.
  TGLActor* Actor() const;
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  int GetStartFrame() const { return FStartFrame; }
  // Clamped to the actor's frames; EndFrame is raised to it when lower.
  void SetStartFrame(int value);
  int GetEndFrame() const { return FEndFrame; }
  // Clamped to the actor's frames; StartFrame is lowered to it when higher.
  void SetEndFrame(int value);
  TActorAnimationReference GetReference() const { return FReference; }
  // Both frames clamped again to the frames of the new reference.
  void SetReference(TActorAnimationReference value);

  // The actor's morph targets or skeleton frames; 0 for aarNone.
  int FrameCount() const;
  // "index - name [start - end]"
  std::string GetDisplayName() const override;
  void Assign(const TPersistent* source) override;

private:
  int Clamped(int value) const;

  std::string FName;
  int FStartFrame = 0;
  int FEndFrame = 0;
  TActorAnimationReference FReference = aarMorph;
};

class TActorAnimations : public TOwnedCollection {
  CLIENT_DECLARE_CLASS(TActorAnimations)
public:
  explicit TActorAnimations(TGLActor* owner);
  ~TActorAnimations() override;

  TGLActor* GetActor() const { return FActor; }
  TActorAnimation* GetItems(int index) const { return static_cast<TActorAnimation*>(TOwnedCollection::GetItems(index)); }
  TActorAnimation* Add() { return static_cast<TActorAnimation*>(TOwnedCollection::Add()); }
  // The first animation of that name, ignoring ASCII case; none otherwise.
  TActorAnimation* FindName(const std::string& aName) const;

private:
  TGLActor* FActor;
};

// Blends a named animation of an actor into its skeleton at a ratio of its
// frame range.
class TGLAnimationControler : public TComponent {
  CLIENT_DECLARE_CLASS(TGLAnimationControler)
public:
  explicit TGLAnimationControler(TComponent* owner = nullptr);
  ~TGLAnimationControler() override;

  TGLActor* GetActor() const { return FActor; }
  void SetActor(TGLActor* value);
  const std::string& GetAnimationName() const { return FAnimationName; }
  void SetAnimationName(const std::string& value);
  float GetRatio() const { return FRatio; }
  // Stored clamped to [0, 1].
  void SetRatio(float value);

  // The blend record of the animation at the ratio; false when the actor
  // has no animation of that name.
  bool Apply(TBlendedLerpInfo& lerpInfo) const;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void DoChange();

  TGLActor* FActor = nullptr;
  std::string FAnimationName;
  float FRatio = 0.0f;
};

class TGLActor : public TGLBaseMesh {
  CLIENT_DECLARE_CLASS(TGLActor)
public:
  explicit TGLActor(TComponent* owner = nullptr);
  ~TGLActor() override;

  int GetStartFrame() const { return FStartFrame; }
  // Accepted only inside the frames; EndFrame and CurrentFrame follow.
  void SetStartFrame(int value);
  int GetEndFrame() const { return FEndFrame; }
  void SetEndFrame(int value);
  TActorAnimationReference GetReference() const { return FReference; }
  void SetReference(TActorAnimationReference value) { FReference = value; }
  int GetCurrentFrame() const { return FCurrentFrame; }
  // Clamped to the frames; the delta starts again; a play-once mode stops
  // and a bounce turns at its end frame; OnFrameChanged.
  void SetCurrentFrame(int value);
  float GetCurrentFrameDelta() const { return FCurrentFrameDelta; }
  void SetCurrentFrameDelta(float value) { FCurrentFrameDelta = value; }
  TActorFrameInterpolation GetFrameInterpolation() const { return FFrameInterpolation; }
  void SetFrameInterpolation(TActorFrameInterpolation value) { FFrameInterpolation = value; }
  int GetInterval() const { return FInterval; }
  void SetInterval(int value) { FInterval = value; }
  TActorAnimationMode GetAnimationMode() const { return FAnimationMode; }
  void SetAnimationMode(TActorAnimationMode value) { FAnimationMode = value; }
  TGLActorOptions GetOptions() const { return FOptions; }
  void SetOptions(TGLActorOptions value);
  TActorAnimations& GetAnimations() { return *FAnimations; }
  const TActorAnimations& GetAnimations() const { return *FAnimations; }
  void SetAnimations(const TActorAnimations& value) { FAnimations->Assign(&value); }
  TActorAnimation* GetTargetSmoothAnimation() const { return FTargetSmoothAnimation; }
  int ControlerCount() const { return static_cast<int>(FControlers.size()); }

  TNotifyEvent OnFrameChanged;
  TNotifyEvent OnEndFrameReached;
  TNotifyEvent OnStartFrameReached;

  // Morph targets or skeleton frames, by Reference; 0 for aarNone.
  int FrameCount() const;
  // Smooth: at the next frame step. Otherwise now: its reference and
  // frames, from its start frame.
  void SwitchToAnimation(TActorAnimation* anim, bool smooth = false);
  // The frame after the current one in the animation mode (or the start of
  // a pending smooth switch).
  int NextFrameIndex() const;
  // nbSteps times: the next frame taken, then OnEndFrameReached and
  // OnStartFrameReached when it is the end or the start frame. Without
  // anyone listening, straight to the frame and mode the last step gives.
  void NextFrame(int nbSteps = 1);
  void SynchronizeWith(const TGLActor& referenceActor);

  void Assign(const TPersistent* source) override;
  // Animations are dropped once a new mesh has been loaded.
  void LoadFromStream(const std::string& fileName, TStream& aStream) override;
  // Frames 0 to the last one, from the first.
  void PrepareMesh() override;
  void PrepareBuildList(TRenderContextInfo& rci) override {}
  void DoProgress(const TProgressTimes& progressTimes) override;
  // Poses the mesh for the current frame and delta, then draws it (and the
  // skeleton over it on request).
  void BuildList(TRenderContextInfo& rci) override;

  void RegisterControler(TGLAnimationControler* controler);
  void UnRegisterControler(TGLAnimationControler* controler);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TActorAnimation;

  // Where the frame clock stands.
  struct FramePosition {
    int frame;
    TActorAnimationMode mode;
    bool operator==(const FramePosition&) const = default;
  };
  // The next frame from a position, as NextFrameIndex gives it.
  int NextFrameIndexFrom(FramePosition from) const;
  // Taking frame `value` from a position: the frame clamped to the `count`
  // frames there are, and the mode as reaching it changes it.
  FramePosition Taken(FramePosition from, int value, int count) const;
  // One step of NextFrame from a position (the same position when the
  // next frame is the current one, which nothing then changes).
  FramePosition Stepped(FramePosition from, int count) const;
  // Where a run of steps from a position repeats itself: after `lead`
  // steps, every `period` steps.
  struct FrameCycle {
    std::uint64_t lead, period;
  };
  FrameCycle CycleFrom(FramePosition from, int count) const;
  bool AnyoneListens() const { return OnFrameChanged || OnEndFrameReached || OnStartFrameReached; }
  // NextFrame over a count of steps that need not fit an int.
  void AdvanceFrames(std::uint64_t steps);

  int FStartFrame = 0;
  int FEndFrame = 0;
  TActorAnimationReference FReference = aarMorph;
  int FCurrentFrame = 0;
  float FCurrentFrameDelta = 0.0f;
  TActorFrameInterpolation FFrameInterpolation = afpLinear;
  int FInterval = 100;
  TActorAnimationMode FAnimationMode = aamNone;
  TGLActorOptions FOptions{aoSkeletonNormalizeNormals};
  TActorAnimation* FTargetSmoothAnimation = nullptr;
  std::vector<TGLAnimationControler*> FControlers;
  bool FHasControlers = false;
  std::unique_ptr<TActorAnimations> FAnimations;
};
