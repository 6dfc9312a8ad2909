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
  const int count = FrameCount();
  if (value > count - 1) value = count - 1;
  if (value < 0) value = 0;
  FCurrentFrame = value;
  FCurrentFrameDelta = 0;
  switch (FAnimationMode) {
    case aamPlayOnce:
      if (FCurrentFrame == FEndFrame) FAnimationMode = aamNone;
      break;
    case aamBounceForward:
      if (FCurrentFrame == FEndFrame) FAnimationMode = aamBounceBackward;
      break;
    case aamBounceBackward:
      if (FCurrentFrame == FStartFrame) FAnimationMode = aamBounceForward;
      break;
    default:
      break;
  }
  StructureChanged();
  if (OnFrameChanged) OnFrameChanged(this);
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

int TGLActor::NextFrameIndex() const {
  if (FTargetSmoothAnimation) return FTargetSmoothAnimation->GetStartFrame();
  switch (FAnimationMode) {
    case aamNone:
    case aamPlayOnce:
      return std::min(FCurrentFrame + 1, FEndFrame);
    case aamLoop:
    case aamBounceForward:
      if (FCurrentFrame + 1 <= FEndFrame) return FCurrentFrame + 1;
      return std::min(FStartFrame + (FCurrentFrame - FEndFrame), FEndFrame);
    case aamBounceBackward:
    case aamLoopBackward:
      if (FCurrentFrame - 1 >= FStartFrame) return FCurrentFrame - 1;
      return std::max(FEndFrame - (FStartFrame - FCurrentFrame), FStartFrame);
  }
  CLIENT_ASSERT(false, "Unknown animation mode");
  return FCurrentFrame;
}

void TGLActor::NextFrame(int nbSteps) {
  for (int i = 0; i < nbSteps; ++i) {
    SetCurrentFrame(NextFrameIndex());
    if (FCurrentFrame == FEndFrame && OnEndFrameReached) OnEndFrameReached(this);
    if (FCurrentFrame == FStartFrame && OnStartFrameReached) OnStartFrameReached(this);
  }
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
    double steps = std::trunc(delta);
    const float fraction = static_cast<float>(delta - steps);
    // Whole cycles beyond the first change nothing in any mode: a long
    // pause costs at most two cycles of steps.
    const double range = std::abs(FEndFrame - FStartFrame) + 1.0;
    const double cycle = 2.0 * range * std::max(range - 1.0, 1.0);
    if (steps > cycle) steps = cycle + std::fmod(steps - cycle, cycle);
    NextFrame(static_cast<int>(steps));
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
