#include "objects/actor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/gl_api.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TActorAnimation, TCollectionItem)
CLIENT_DEFINE_CLASS(TActorAnimations, TOwnedCollection)
CLIENT_DEFINE_CLASS(TGLAnimationControler, TComponent)
CLIENT_DEFINE_CLASS(TGLActor, TGLBaseMesh)
CLIENT_REGISTER_CLASS(TGLActor);
CLIENT_REGISTER_CLASS(TGLAnimationControler);

namespace {
bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

int FrameCountOf(const TGLActor* actor, TActorAnimationReference reference) {
  if (!actor) return 0;
  switch (reference) {
    case aarMorph:
      return actor->GetMeshObjects().MorphTargetCount();
    case aarSkeleton:
      return actor->GetSkeleton().GetFrames().GetCount();
    case aarNone:
      return 0;
  }
  return 0;
}
}  // namespace

// --- TActorAnimation ---------------------------------------------------------------
TActorAnimation::~TActorAnimation() {
  if (TGLActor* actor = Actor(); actor && actor->FTargetSmoothAnimation == this) actor->FTargetSmoothAnimation = nullptr;
}

TGLActor* TActorAnimation::Actor() const {
  const auto* animations = static_cast<const TActorAnimations*>(Collection());
  return animations ? animations->GetActor() : nullptr;
}

int TActorAnimation::FrameCount() const { return FrameCountOf(Actor(), FReference); }

int TActorAnimation::Clamped(int value) const {
  const int count = FrameCount();
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  // No frames: frame 0, as an animation cannot name a frame before it.
  return std::max(value, 0);
}

void TActorAnimation::SetStartFrame(int value) {
  FStartFrame = Clamped(value);
  if (FEndFrame < FStartFrame) FEndFrame = FStartFrame;
}

void TActorAnimation::SetEndFrame(int value) {
  FEndFrame = Clamped(value);
  if (FStartFrame > FEndFrame) FStartFrame = FEndFrame;
}

void TActorAnimation::SetReference(TActorAnimationReference value) {
  if (value == FReference) return;
  FReference = value;
  SetStartFrame(FStartFrame);
  SetEndFrame(FEndFrame);
}

std::string TActorAnimation::GetDisplayName() const {
  return std::to_string(GetIndex()) + " - " + FName + " [" + std::to_string(FStartFrame) + " - " +
         std::to_string(FEndFrame) + "]";
}

void TActorAnimation::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TActorAnimation*>(source)) {
    FName = other->FName;
    FStartFrame = other->FStartFrame;
    FEndFrame = other->FEndFrame;
    FReference = other->FReference;
    return;
  }
  TCollectionItem::Assign(source);
}

TActorAnimations::TActorAnimations(TGLActor* owner)
    : TOwnedCollection(owner, TActorAnimation::StaticClass()), FActor(owner) {}

TActorAnimations::~TActorAnimations() {
  // While the items can still reach the actor through this collection.
  Clear();
}

TActorAnimation* TActorAnimations::FindName(const std::string& aName) const {
  for (int i = 0; i < GetCount(); ++i)
    if (SameTextAscii(GetItems(i)->GetName(), aName)) return GetItems(i);
  return nullptr;
}

// --- TGLAnimationControler ---------------------------------------------------------
TGLAnimationControler::TGLAnimationControler(TComponent* owner) : TComponent(owner) {}

TGLAnimationControler::~TGLAnimationControler() { SetActor(nullptr); }

void TGLAnimationControler::SetActor(TGLActor* value) {
  if (value == FActor) return;
  if (FActor) FActor->UnRegisterControler(this);
  FActor = value;
  if (FActor) FActor->RegisterControler(this);
  DoChange();
}

void TGLAnimationControler::SetAnimationName(const std::string& value) {
  if (value == FAnimationName) return;
  FAnimationName = value;
  DoChange();
}

void TGLAnimationControler::SetRatio(float value) {
  if (value == FRatio) return;
  FRatio = std::clamp(value, 0.0f, 1.0f);
  DoChange();
}

void TGLAnimationControler::DoChange() {
  if (FActor && !FAnimationName.empty()) FActor->NotifyChange(this);
}

void TGLAnimationControler::Notification(TComponent* component, TOperation operation) {
  // The actor is going: it has already forgotten this controller.
  if (operation == opRemove && component == FActor) FActor = nullptr;
  TComponent::Notification(component, operation);
}

bool TGLAnimationControler::Apply(TBlendedLerpInfo& lerpInfo) const {
  const TActorAnimation* animation = FActor ? FActor->GetAnimations().FindName(FAnimationName) : nullptr;
  if (!animation) return false;
  const int start = animation->GetStartFrame(), end = animation->GetEndFrame();
  if (FRatio == 0.0f) {
    lerpInfo.frameIndex1 = lerpInfo.frameIndex2 = start;
    lerpInfo.lerpFactor = 0;
  } else if (FRatio == 1.0f) {
    lerpInfo.frameIndex1 = lerpInfo.frameIndex2 = end;
    lerpInfo.lerpFactor = 0;
  } else {
    const float f = static_cast<float>(end - start) * FRatio + static_cast<float>(start);
    lerpInfo.frameIndex1 = static_cast<int>(f);
    // Never past the animation's last frame (an animation of one frame
    // blends that frame with itself).
    lerpInfo.frameIndex2 = std::min(lerpInfo.frameIndex1 + 1, end);
    lerpInfo.lerpFactor = f - std::trunc(f);
  }
  lerpInfo.weight = 1;
  return true;
}

// --- TGLActor ----------------------------------------------------------------------------
TGLActor::TGLActor(TComponent* owner) : TGLBaseMesh(owner), FAnimations(std::make_unique<TActorAnimations>(this)) {
  FObjectStyle |= sosDirectDraw;
}

TGLActor::~TGLActor() {
  // Controllers hear of the going through their free notification.
  FTargetSmoothAnimation = nullptr;
  FAnimations.reset();
}

int TGLActor::FrameCount() const { return FrameCountOf(this, FReference); }

void TGLActor::SetStartFrame(int value) {
  if (value < 0 || value >= FrameCount() || value == FStartFrame) return;
  FStartFrame = value;
  if (FEndFrame < FStartFrame) FEndFrame = FStartFrame;
  if (FCurrentFrame < FStartFrame) SetCurrentFrame(FStartFrame);
}

void TGLActor::SetEndFrame(int value) {
  if (value < 0 || value >= FrameCount() || value == FEndFrame) return;
  FEndFrame = value;
  if (FCurrentFrame > FEndFrame) SetCurrentFrame(FEndFrame);
}

void TGLActor::SetCurrentFrame(int value) {
  if (value == FCurrentFrame) return;
  const FramePosition taken = Taken({FCurrentFrame, FAnimationMode}, value, FrameCount());
  FCurrentFrame = taken.frame;
  FAnimationMode = taken.mode;
  FCurrentFrameDelta = 0;
  StructureChanged();
  if (OnFrameChanged) OnFrameChanged(this);
}

TGLActor::FramePosition TGLActor::Taken(FramePosition from, int value, int count) const {
  if (value > count - 1) value = count - 1;
  if (value < 0) value = 0;
  TActorAnimationMode mode = from.mode;
  switch (mode) {
    case aamPlayOnce:
      if (value == FEndFrame) mode = aamNone;
      break;
    case aamBounceForward:
      if (value == FEndFrame) mode = aamBounceBackward;
      break;
    case aamBounceBackward:
      if (value == FStartFrame) mode = aamBounceForward;
      break;
    default:
      break;
  }
  return {value, mode};
}

void TGLActor::SetOptions(TGLActorOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  StructureChanged();
}

void TGLActor::SwitchToAnimation(TActorAnimation* anim, bool smooth) {
  if (!anim) return;
  if (smooth) {
    FTargetSmoothAnimation = anim;
    FCurrentFrameDelta = 0;
    return;
  }
  FReference = anim->GetReference();
  // Straight into the fields: the range of another reference must not be
  // refused by the frames of the old one.
  FStartFrame = anim->GetStartFrame();
  FEndFrame = anim->GetEndFrame();
  SetCurrentFrame(FStartFrame);
}

int TGLActor::NextFrameIndex() const { return NextFrameIndexFrom({FCurrentFrame, FAnimationMode}); }

int TGLActor::NextFrameIndexFrom(FramePosition from) const {
  if (FTargetSmoothAnimation) return FTargetSmoothAnimation->GetStartFrame();
  const int current = from.frame;
  switch (from.mode) {
    case aamNone:
    case aamPlayOnce:
      return std::min(current + 1, FEndFrame);
    case aamLoop:
    case aamBounceForward:
      if (current + 1 <= FEndFrame) return current + 1;
      return std::min(FStartFrame + (current - FEndFrame), FEndFrame);
    case aamBounceBackward:
    case aamLoopBackward:
      if (current - 1 >= FStartFrame) return current - 1;
      return std::max(FEndFrame - (FStartFrame - current), FStartFrame);
  }
  CLIENT_ASSERT(false, "Unknown animation mode");
  return current;
}

TGLActor::FramePosition TGLActor::Stepped(FramePosition from, int count) const {
  const int next = NextFrameIndexFrom(from);
  return next == from.frame ? from : Taken(from, next, count);
}

TGLActor::FrameCycle TGLActor::CycleFrom(FramePosition from, int count) const {
  // Brent's cycle finding: a position decides the next one and there are
  // only so many, so the steps run into a loop.
  std::uint64_t power = 1, period = 1;
  FramePosition tortoise = from, hare = Stepped(from, count);
  while (!(tortoise == hare)) {
    if (power == period) {
      tortoise = hare;
      power *= 2;
      period = 0;
    }
    hare = Stepped(hare, count);
    ++period;
  }
  std::uint64_t lead = 0;
  tortoise = hare = from;
  for (std::uint64_t i = 0; i < period; ++i) hare = Stepped(hare, count);
  while (!(tortoise == hare)) {
    tortoise = Stepped(tortoise, count);
    hare = Stepped(hare, count);
    ++lead;
  }
  return {lead, period};
}

namespace {
// More steps than an actor of `count` frames has positions (a frame, or
// the one it started from, in one of six modes): past that many a run of
// steps has looped.
std::uint64_t PositionBound(int count) { return 6 * (std::uint64_t(std::max(count, 0)) + 2); }
}  // namespace

void TGLActor::NextFrame(int nbSteps) {
  if (nbSteps > 0) AdvanceFrames(static_cast<std::uint64_t>(nbSteps));
}

void TGLActor::AdvanceFrames(std::uint64_t steps) {
  if (steps == 0) return;
  if (AnyoneListens()) {
    // Every step with its events, which may change the actor; the mesh is
    // prepared once, after them.
    bool moved = false;
    for (std::uint64_t i = 0; i < steps; ++i) {
      const int next = NextFrameIndex();
      if (next != FCurrentFrame) {
        const FramePosition taken = Taken({FCurrentFrame, FAnimationMode}, next, FrameCount());
        FCurrentFrame = taken.frame;
        FAnimationMode = taken.mode;
        FCurrentFrameDelta = 0;
        moved = true;
        if (OnFrameChanged) OnFrameChanged(this);
      }
      if (FCurrentFrame == FEndFrame && OnEndFrameReached) OnEndFrameReached(this);
      if (FCurrentFrame == FStartFrame && OnStartFrameReached) OnStartFrameReached(this);
    }
    if (moved) StructureChanged();
    return;
  }
  // Nobody hears the steps in between: straight to where the last one ends,
  // through the loop the steps run into.
  const FramePosition from{FCurrentFrame, FAnimationMode};
  if (NextFrameIndexFrom(from) == from.frame) return;  // a frame that stays, and nothing else changes
  const int count = FrameCount();
  std::uint64_t walked = steps;
  if (steps > PositionBound(count)) {
    const FrameCycle cycle = CycleFrom(from, count);
    if (steps > cycle.lead) walked = cycle.lead + (steps - cycle.lead) % cycle.period;
  }
  FramePosition at = from;
  for (std::uint64_t i = 0; i < walked; ++i) at = Stepped(at, count);
  FCurrentFrame = at.frame;
  FAnimationMode = at.mode;
  FCurrentFrameDelta = 0;
  StructureChanged();
}

void TGLActor::SynchronizeWith(const TGLActor& referenceActor) {
  const int count = FrameCount();
  if (referenceActor.FStartFrame < count) FStartFrame = referenceActor.FStartFrame;
  if (referenceActor.FEndFrame < count) FEndFrame = referenceActor.FEndFrame;
  if (referenceActor.FCurrentFrame < count) FCurrentFrame = referenceActor.FCurrentFrame;
  FReference = referenceActor.FReference;
  FCurrentFrameDelta = referenceActor.FCurrentFrameDelta;
  FAnimationMode = referenceActor.FAnimationMode;
  FFrameInterpolation = referenceActor.FFrameInterpolation;
  FTargetSmoothAnimation = referenceActor.FTargetSmoothAnimation
                               ? FAnimations->FindName(referenceActor.FTargetSmoothAnimation->GetName())
                               : nullptr;
}

void TGLActor::Assign(const TPersistent* source) {
  TGLBaseMesh::Assign(source);
  if (const auto* other = dynamic_cast<const TGLActor*>(source); other && other != this) {
    FAnimations->Assign(other->FAnimations.get());
    FAnimationMode = other->FAnimationMode;
    SynchronizeWith(*other);
  }
}

void TGLActor::LoadFromStream(const std::string& fileName, TStream& aStream) {
  TGLBaseMesh::LoadFromStream(fileName, aStream);
  if (!fileName.empty()) FAnimations->Clear();
}

void TGLActor::PrepareMesh() {
  FStartFrame = 0;
  FEndFrame = FrameCount() - 1;
  FCurrentFrame = 0;
  FCurrentFrameDelta = 0;
  if (OnFrameChanged) OnFrameChanged(this);
  TGLBaseMesh::PrepareMesh();
}

void TGLActor::DoProgress(const TProgressTimes& progressTimes) {
  TGLBaseMesh::DoProgress(progressTimes);
  if (FAnimationMode == aamNone || FInterval <= 0 || FStartFrame == FEndFrame || FrameCount() <= 1) return;
  double delta = FCurrentFrameDelta + progressTimes.deltaTime * 1000.0 / FInterval;
  if (!(delta >= 0) || !std::isfinite(delta)) delta = 0;  // a clock that went back, or broke
  FCurrentFrameDelta = static_cast<float>(delta);
  if (delta >= 1) {
    if (FTargetSmoothAnimation) {
      TActorAnimation* target = FTargetSmoothAnimation;
      FTargetSmoothAnimation = nullptr;
      SwitchToAnimation(target, false);
    }
    const double whole = std::trunc(delta);
    const float fraction = static_cast<float>(delta - whole);
    // A count past 2^62 frames is as good as the exact one.
    constexpr double kMostSteps = 0x1p62;
    std::uint64_t steps = whole < kMostSteps ? static_cast<std::uint64_t>(whole) : std::uint64_t{1} << 62;
    if (AnyoneListens() && steps > PositionBound(FrameCount())) {
      // Whole loops beyond the first change nothing but how often the
      // events are told: a long pause tells at most two loops of them.
      const FrameCycle cycle = CycleFrom({FCurrentFrame, FAnimationMode}, FrameCount());
      const std::uint64_t once = cycle.lead + cycle.period;
      if (steps > once) steps = once + (steps - once) % cycle.period;
    }
    AdvanceFrames(steps);
    FCurrentFrameDelta = fraction;
    StructureChanged();
  } else if (FFrameInterpolation != afpNone) {
    StructureChanged();
  }
}

void TGLActor::BuildList(TRenderContextInfo& rci) {
  const int next = NextFrameIndex();
  const int count = FrameCount();
  // Frames the mesh no longer has (another mesh was loaded) pose nothing.
  const bool inRange = next >= 0 && next < count && FCurrentFrame >= 0 && FCurrentFrame < count;
  const bool linear = FFrameInterpolation == afpLinear;
  if (inRange && FReference == aarMorph) {
    if (linear)
      GetMeshObjects().Lerp(FCurrentFrame, next, FCurrentFrameDelta);
    else
      GetMeshObjects().MorphTo(FCurrentFrame);
  } else if (inRange && FReference == aarSkeleton) {
    TSkeleton& skeleton = GetSkeleton();
    if (!FControlers.empty()) {
      std::vector<TBlendedLerpInfo> infos;
      infos.push_back({FCurrentFrame, linear ? next : FCurrentFrame, linear ? FCurrentFrameDelta : 0.0f, 1.0f});
      for (const TGLAnimationControler* controler : FControlers) {
        TBlendedLerpInfo info;
        if (controler->Apply(info) && info.frameIndex1 >= 0 && info.frameIndex1 < count && info.frameIndex2 >= 0 &&
            info.frameIndex2 < count)
          infos.push_back(info);
      }
      skeleton.BlendedLerps(infos);
    } else if (linear) {
      skeleton.Lerp(FCurrentFrame, next, FCurrentFrameDelta);
    } else {
      skeleton.SetCurrentFrame(*skeleton.GetFrames().GetItems(FCurrentFrame));
    }
    skeleton.MorphMesh(FOptions.Contains(aoSkeletonNormalizeNormals));
  }
  TGLBaseMesh::BuildList(rci);
  if (GetOverlaySkeleton()) {
    const GLApi& gl = GL();
    gl.glPushAttrib(GL_ENABLE_BIT);
    struct Pop {
      ~Pop() { GL().glPopAttrib(); }
    } pop;
    gl.glDisable(GL_DEPTH_TEST);
    GetSkeleton().GetRootBones().BuildList(rci);
  }
}

void TGLActor::RegisterControler(TGLAnimationControler* controler) {
  if (std::find(FControlers.begin(), FControlers.end(), controler) != FControlers.end()) return;
  FControlers.push_back(controler);
  FHasControlers = true;
  FreeNotification(controler);
}

void TGLActor::UnRegisterControler(TGLAnimationControler* controler) {
  CLIENT_ASSERT(FHasControlers, "No controller registered");
  FControlers.erase(std::remove(FControlers.begin(), FControlers.end(), controler), FControlers.end());
  RemoveFreeNotification(controler);
  if (FControlers.empty()) FHasControlers = false;
}

void TGLActor::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && FHasControlers) {
    auto it = std::find(FControlers.begin(), FControlers.end(), component);
    if (it != FControlers.end()) {
      FControlers.erase(it);
      if (FControlers.empty()) FHasControlers = false;
    }
  }
  TGLBaseMesh::Notification(component, operation);
}
