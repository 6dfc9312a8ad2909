#pragma once
// The frame clock: measures time and, on each tick, advances the scene, the
// subscribed components and its own OnProgress event.
//
// In cmASAP mode (the default) a cadencer that is Enabled and has a Scene is
// driven by the process-wide as-soon-as-possible handler, which posts one
// "TickGLCadencer" event at a time to a hidden object of the UI loop (see
// engine/cadencer_loop.h); in cmApplicationIdle it ticks from the loop's idle
// event; in cmManual the owner calls Progress.
//
// Time: (raw reference time - origin) x TimeMultiplier. The origin moves
// whenever the clock must not jump: time spent disabled does not count, a new
// multiplier continues from the present time, and a new time reference
// continues where the old one was. Every internal reference runs on a
// monotonic clock; under cmExternal the caller sets the raw time through
// SetCurrentTime.
//
// Main thread only.

#include <functional>
#include <vector>

#include "engine/component.h"

class TGL3DScene;

enum TGLCadencerMode { cmManual, cmASAP, cmApplicationIdle };
enum TGLCadencerTimeReference { cmRTC, cmPerformanceCounter, cmExternal };

using TGLProgressEvent = std::function<void(TObject* sender, double deltaTime, double newTime)>;

// The raw time in seconds of the internal references; tests inject their own.
using TGLCadencerClock = std::function<double()>;
// std::chrono::steady_clock in seconds.
double MonotonicSeconds();

class TGLCadencer : public TComponent {
  CLIENT_DECLARE_CLASS(TGLCadencer)
public:
  explicit TGLCadencer(TComponent* owner = nullptr, TGLCadencerClock clock = {});
  ~TGLCadencer() override;

  TGL3DScene* GetScene() const { return FScene; }
  // Forgotten when the scene is destroyed; without one, not driven.
  void SetScene(TGL3DScene* scene);

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value);
  double GetTimeMultiplier() const { return FTimeMultiplier; }
  void SetTimeMultiplier(double value);
  // Milliseconds slept before each tick; -1 for none.
  int GetSleepLength() const { return FSleepLength; }
  void SetSleepLength(int value) { FSleepLength = value; }
  TGLCadencerMode GetMode() const { return FMode; }
  void SetMode(TGLCadencerMode value);
  TGLCadencerTimeReference GetTimeReference() const { return FTimeReference; }
  void SetTimeReference(TGLCadencerTimeReference value);
  // 0 = no limit / no fixed step.
  double GetMaxDeltaTime() const { return FMaxDeltaTime; }
  void SetMaxDeltaTime(double value) { FMaxDeltaTime = value; }
  double GetMinDeltaTime() const { return FMinDeltaTime; }
  void SetMinDeltaTime(double value) { FMinDeltaTime = value; }
  double GetFixedDeltaTime() const { return FFixedDeltaTime; }
  void SetFixedDeltaTime(double value) { FFixedDeltaTime = value; }

  // The cadencer's time now, also kept as CurrentTime. Paused by a
  // multiplier of 0, the time at the pause.
  double GetCurrentTime();
  // The last computed time.
  double CurrentTime() const { return FCurrentTime; }
  // Under cmExternal: the raw time, the caller's clock. Under the other
  // references: moves the clock so that the time now reads `value`.
  void SetCurrentTime(double value);
  // Seconds of the time reference in force.
  double GetRawReferenceTime() const;
  // The time of the last progress step.
  double LastTime() const { return FLastTime; }
  // True while a tick runs.
  bool IsBusy() const { return FProgressing != 0; }

  // One tick.
  void Progress();

  // Added once; the component leaves the list when it is destroyed.
  void Subscribe(TGLCadenceAbleComponent* component);
  void UnSubscribe(TGLCadenceAbleComponent* component);
  const std::vector<TGLCadenceAbleComponent*>& Subscribers() const { return FSubscribers; }

  void Loaded() override;

  TGLProgressEvent OnProgress;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class AsapHandler;
  void UpdateDriverRegistration();
  void RegisterASAP();
  void UnRegisterASAP();
  double RawTime(TGLCadencerTimeReference reference) const;
  // Shifts the origin and the down time by the same amount, which leaves
  // the cadencer's time as it was.
  void ShiftOrigin(double amount);

  TGLCadencerClock FClock;
  std::vector<TGLCadenceAbleComponent*> FSubscribers;
  TGL3DScene* FScene = nullptr;
  double FTimeMultiplier = 1.0;
  double FLastTime = 0.0;
  double FDownTime = 0.0;
  double FOriginalTimeMultiplier = 1.0;
  bool FEnabled = true;
  int FSleepLength = -1;
  TGLCadencerMode FMode = cmASAP;
  TGLCadencerTimeReference FTimeReference = cmPerformanceCounter;
  double FCurrentTime = 0.0;
  // The caller's raw time under cmExternal.
  double FExternalTime = 0.0;
  double FOriginTime = 0.0;
  double FMaxDeltaTime = 0.0;
  double FMinDeltaTime = 0.0;
  double FFixedDeltaTime = 0.0;
  // > 0 while a tick runs, negated while the scene progresses.
  int FProgressing = 0;
  bool FIdleRegistered = false;
  // Set by the destructor when it runs inside a tick, which then stops.
  bool* FDestroyedFlag = nullptr;
};
