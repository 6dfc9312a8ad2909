#pragma once
// The user-interface loop as the cadencer's as-soon-as-possible driver sees
// it. The engine knows no toolkit: the application installs an
// implementation (the shell's on the Qt loop) before it enables a cadencer.
// Without one, cadencers still register but nothing drives them; their owner
// may call Progress itself.
//
// The driver posts one tick event at a time to a hidden object of the loop
// and posts the next one from inside the delivery of the last, so that
// everything pending when a tick was posted (input, paint, timers, the telnet
// reader's hand-over) is delivered before that tick. It never runs the loop
// itself.

#include <functional>
#include <memory>

// The name under which the tick event type is registered with the loop.
inline constexpr const char* kCadencerTickEventName = "TickGLCadencer";

// A hidden object of the loop that receives tick events. Destroying it drops
// the events still pending for it; it may be destroyed from inside its own
// delivery.
class CadencerTickTarget {
public:
  virtual ~CadencerTickTarget() = default;
  // Posts one tick event behind everything already pending, no sooner than
  // the display can show a frame after the previous tick.
  virtual void PostTick() = 0;
};

class CadencerEventLoop {
public:
  virtual ~CadencerEventLoop() = default;
  // A new hidden object whose tick deliveries call `onTick`.
  virtual std::unique_ptr<CadencerTickTarget> CreateTickTarget(std::function<void()> onTick) = 0;
  // The application's idle event: called again and again while the loop has
  // nothing else to do. An empty function clears it.
  virtual void SetIdleHandler(std::function<void()> handler) = 0;
  // True once the application is shutting down.
  virtual bool Terminating() const = 0;
};

// The process-wide loop; nullptr when none is installed. The installer keeps
// ownership and uninstalls (nullptr) before destroying it.
void SetCadencerEventLoop(CadencerEventLoop* loop);
CadencerEventLoop* GetCadencerEventLoop();
