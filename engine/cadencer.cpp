#include "engine/cadencer.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

#include "engine/cadencer_loop.h"
#include "engine/scene.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLCadencer, TComponent)

namespace {
CadencerEventLoop* g_loop = nullptr;
}  // namespace

CadencerEventLoop* GetCadencerEventLoop() { return g_loop; }

double MonotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The process-wide as-soon-as-possible driver: the cadencers in cmASAP mode
// and the hidden object that their tick events go to. Entries of cadencers
// that leave are cleared, not erased, because a tick may be walking the list;
// the handler compacts it after each round.
class AsapHandler {
public:
  static AsapHandler& Instance() {
    static AsapHandler handler;
    return handler;
  }

  bool Holds(const TGLCadencer* cadencer) const {
    return listExists_ && std::find(list_.begin(), list_.end(), cadencer) != list_.end();
  }

  void Join(TGLCadencer* cadencer) {
    listExists_ = true;
    if (std::find(list_.begin(), list_.end(), cadencer) == list_.end()) list_.push_back(cadencer);
    if (!target_ && g_loop) {
      target_ = g_loop->CreateTickTarget([this] { OnTick(); });
      target_->PostTick();
    }
  }

  // The hidden object belongs to the loop that made it; a new loop gets a
  // new one when cadencers are waiting.
  void LoopChanged() {
    target_.reset();
    if (g_loop && std::any_of(list_.begin(), list_.end(), [](TGLCadencer* c) { return c != nullptr; })) {
      target_ = g_loop->CreateTickTarget([this] { OnTick(); });
      target_->PostTick();
    }
  }

  void Leave(const TGLCadencer* cadencer) {
    std::replace(list_.begin(), list_.end(), const_cast<TGLCadencer*>(cadencer), static_cast<TGLCadencer*>(nullptr));
  }

private:
  // The delivery of one tick event: every live cadencer of the list gets one
  // tick, from the last to the first, then the next event is posted, or the
  // hidden object goes with the last cadencer.
  void OnTick() {
    if (busy_) return;
    busy_ = true;
    std::exception_ptr failure;
    try {
      for (std::size_t i = list_.size(); i-- > 0;) {
        if (i >= list_.size()) continue;
        TGLCadencer* cadencer = list_[i];
        if (!cadencer || cadencer->FMode != cmASAP || !cadencer->FEnabled || cadencer->FProgressing != 0) continue;
        if (g_loop && g_loop->Terminating())
          cadencer->SetEnabled(false);
        else
          cadencer->Progress();
      }
    } catch (...) {
      // The round ends here, but the driver goes on: the next tick is posted
      // before the failure reaches the loop's error report.
      failure = std::current_exception();
    }
    list_.erase(std::remove(list_.begin(), list_.end(), nullptr), list_.end());
    if (!list_.empty()) {
      target_->PostTick();
    } else {
      listExists_ = false;
      list_.shrink_to_fit();
      target_.reset();
    }
    busy_ = false;
    if (failure) std::rethrow_exception(failure);
  }

  std::vector<TGLCadencer*> list_;
  bool listExists_ = false;
  std::unique_ptr<CadencerTickTarget> target_;
  bool busy_ = false;
};

void SetCadencerEventLoop(CadencerEventLoop* loop) {
  if (loop == g_loop) return;
  g_loop = loop;
  AsapHandler::Instance().LoopChanged();
}

namespace {
// The cadencer whose tick the loop's idle event runs, if any.
TGLCadencer* g_idle_owner = nullptr;
}  // namespace

TGLCadencer::TGLCadencer(TComponent* owner, TGLCadencerClock clock)
    : TComponent(owner), FClock(clock ? std::move(clock) : TGLCadencerClock(&MonotonicSeconds)) {
  FDownTime = RawTime(FTimeReference);
  FOriginTime = FDownTime;
}

TGLCadencer::~TGLCadencer() {
  MarkDestroying();
  // Destroyed by its own tick (an OnProgress handler): the tick stops at
  // once instead of running on freed memory.
  if (FDestroyedFlag) *FDestroyedFlag = true;
  AsapHandler::Instance().Leave(this);
  if (g_idle_owner == this) {
    g_idle_owner = nullptr;
    if (g_loop) g_loop->SetIdleHandler({});
  }
}

void TGLCadencer::SetScene(TGL3DScene* scene) {
  // The free notification of a former scene stays: the other side may rely
  // on it, and it only tells this cadencer of what it no longer holds.
  FScene = scene;
  if (FScene) FreeNotification(FScene);
  UpdateDriverRegistration();
}

void TGLCadencer::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  if (!IsDesigning()) {
    const double now = GetRawReferenceTime();
    if (FEnabled)
      FOriginTime = now + FOriginTime - FDownTime;
    else
      FDownTime = now;
  }
  UpdateDriverRegistration();
}

void TGLCadencer::SetMode(TGLCadencerMode value) {
  if (FMode == value) return;
  if (FMode != cmManual) UnRegisterASAP();
  FMode = value;
  UpdateDriverRegistration();
}

void TGLCadencer::SetTimeMultiplier(double value) {
  if (value == FTimeMultiplier) return;
  if (value == 0) {
    // Keep the time of the pause: GetCurrentTime returns it while paused.
    GetCurrentTime();
    FOriginalTimeMultiplier = FTimeMultiplier;
    FTimeMultiplier = 0;
    SetEnabled(false);
    return;
  }
  const double now = GetRawReferenceTime();
  if (FTimeMultiplier == 0) {
    SetEnabled(true);
    FOriginTime = now - (now - FOriginTime) * FOriginalTimeMultiplier / value;
  } else {
    FOriginTime = now - (now - FOriginTime) * FTimeMultiplier / value;
  }
  FTimeMultiplier = value;
}

void TGLCadencer::SetTimeReference(TGLCadencerTimeReference value) {
  if (FTimeReference == value) return;
  CLIENT_ASSERT(value == cmRTC || value == cmPerformanceCounter || value == cmExternal);
  const double before = RawTime(FTimeReference);
  // An external clock starts at the cadencer's present time, so that with a
  // multiplier of 1 the time it is given is the time it reports.
  if (value == cmExternal) FExternalTime = GetCurrentTime();
  FTimeReference = value;
  ShiftOrigin(RawTime(FTimeReference) - before);
}

void TGLCadencer::ShiftOrigin(double amount) {
  FOriginTime += amount;
  FDownTime += amount;
}

double TGLCadencer::RawTime(TGLCadencerTimeReference reference) const {
  switch (reference) {
    case cmRTC:
    case cmPerformanceCounter:
      return FClock();
    case cmExternal:
      return FExternalTime;
  }
  CLIENT_ASSERT(false);
  return 0;
}

double TGLCadencer::GetRawReferenceTime() const { return RawTime(FTimeReference); }

double TGLCadencer::GetCurrentTime() {
  if (FTimeMultiplier == 0) return FCurrentTime;
  FCurrentTime = (GetRawReferenceTime() - FOriginTime) * FTimeMultiplier;
  return FCurrentTime;
}

void TGLCadencer::SetCurrentTime(double value) {
  if (FTimeReference == cmExternal) {
    FExternalTime = value;
    return;
  }
  if (FTimeMultiplier != 0) FOriginTime = GetRawReferenceTime() - value / FTimeMultiplier;
  FCurrentTime = value;
}

void TGLCadencer::Progress() {
  if (FProgressing < 0) return;
  if (FEnabled) {
    if (FSleepLength >= 0) std::this_thread::sleep_for(std::chrono::milliseconds(FSleepLength));
    // The loop delivered everything that was pending before this tick was
    // posted; a cadencer that left the driver meanwhile is not ticked.
    if (FMode == cmASAP && !AsapHandler::Instance().Holds(this)) return;
  }

  bool destroyed = false;
  struct TickScope {
    TGLCadencer* self;
    bool& destroyed;
    bool* outer;
    int saved;
    ~TickScope() {
      if (destroyed) {
        if (outer) *outer = true;
        return;
      }
      self->FProgressing = saved;
      self->FDestroyedFlag = outer;
    }
  } scope{this, destroyed, FDestroyedFlag, FProgressing};
  FDestroyedFlag = &destroyed;
  ++FProgressing;

  if (!FEnabled) return;
  double newTime = GetCurrentTime();
  double deltaTime = newTime - FLastTime;
  // Smaller steps accumulate into a later tick.
  if (!(deltaTime >= FMinDeltaTime && deltaTime >= FFixedDeltaTime)) return;
  if (FMaxDeltaTime > 0 && deltaTime > FMaxDeltaTime) {
    // The excess is dropped from the clock.
    FOriginTime += (deltaTime - FMaxDeltaTime) / FTimeMultiplier;
    deltaTime = FMaxDeltaTime;
    newTime = FLastTime + deltaTime;
  }
  double totalDelta = deltaTime;
  if (FFixedDeltaTime > 0) deltaTime = FFixedDeltaTime;
  while (totalDelta >= deltaTime) {
    FLastTime += deltaTime;
    const TProgressTimes times{deltaTime, FLastTime};
    if (FScene && deltaTime != 0) {
      FProgressing = -FProgressing;
      FScene->Progress(deltaTime, FLastTime);
      if (destroyed) return;
      FProgressing = -FProgressing;
    }
    // By index: a subscriber may unsubscribe or be destroyed meanwhile.
    for (std::size_t i = 0; i < FSubscribers.size(); ++i) {
      FSubscribers[i]->DoProgress(times);
      if (destroyed) return;
    }
    if (OnProgress && !IsDesigning()) {
      OnProgress(this, deltaTime, newTime);
      if (destroyed) return;
    }
    if (deltaTime <= 0) break;
    totalDelta -= deltaTime;
  }
}

void TGLCadencer::Subscribe(TGLCadenceAbleComponent* component) {
  if (!component) return;
  if (std::find(FSubscribers.begin(), FSubscribers.end(), component) != FSubscribers.end()) return;
  FSubscribers.push_back(component);
  FreeNotification(component);
}

void TGLCadencer::UnSubscribe(TGLCadenceAbleComponent* component) {
  auto it = std::find(FSubscribers.begin(), FSubscribers.end(), component);
  if (it == FSubscribers.end()) return;
  // The free notification stays, for whatever else links the two.
  FSubscribers.erase(it);
}

void TGLCadencer::Loaded() {
  TComponent::Loaded();
  UpdateDriverRegistration();
}

void TGLCadencer::Notification(TComponent* component, TOperation operation) {
  if (operation != opRemove) return;
  if (FScene && component == static_cast<TComponent*>(FScene)) {
    FScene = nullptr;
    // Without a scene the cadencer is not driven.
    if (!IsDestroying()) UpdateDriverRegistration();
  }
  FSubscribers.erase(std::remove(FSubscribers.begin(), FSubscribers.end(), component), FSubscribers.end());
}

void TGLCadencer::UpdateDriverRegistration() {
  if (IsLoading()) return;
  if ((FMode == cmASAP || FMode == cmApplicationIdle) && !IsDesigning() && FScene && FEnabled)
    RegisterASAP();
  else
    UnRegisterASAP();
}

void TGLCadencer::RegisterASAP() {
  if (FMode == cmASAP) {
    AsapHandler::Instance().Join(this);
  } else if (FMode == cmApplicationIdle) {
    g_idle_owner = this;
    // A tick per idle call; the loop keeps calling while it stays idle.
    if (g_loop) g_loop->SetIdleHandler([this] { Progress(); });
  }
}

void TGLCadencer::UnRegisterASAP() {
  if (FMode == cmApplicationIdle) {
    // Another cadencer's idle handler stays.
    if (g_idle_owner == this) {
      g_idle_owner = nullptr;
      if (g_loop) g_loop->SetIdleHandler({});
    }
  } else if (FMode == cmASAP) {
    AsapHandler::Instance().Leave(this);
  }
}
