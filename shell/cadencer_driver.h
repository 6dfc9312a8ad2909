#pragma once
// The cadencer's as-soon-as-possible driver on the Qt event loop: each tick
// is an event of a registered type ("TickGLCadencer") posted to a hidden
// QObject. Qt delivers what was posted before it first, and an event posted
// during a delivery waits for the next pass of the loop, so input, paint,
// timers and the telnet hand-over get their turn between ticks. Ticks are
// paced by the screen's refresh rate (60 Hz without one): a tick is posted no
// sooner than one frame after the previous one began. The driver never runs
// the loop itself.
//
// Create one on the user-interface thread after the QApplication; it
// installs itself as the engine's loop and uninstalls when destroyed.

#include "engine/cadencer_loop.h"

#include <QEvent>
#include <functional>
#include <memory>
#include <string>

class QTimer;

class QtCadencerEventLoop : public CadencerEventLoop {
public:
  QtCadencerEventLoop();
  ~QtCadencerEventLoop() override;
  QtCadencerEventLoop(const QtCadencerEventLoop&) = delete;
  QtCadencerEventLoop& operator=(const QtCadencerEventLoop&) = delete;

  std::unique_ptr<CadencerTickTarget> CreateTickTarget(std::function<void()> onTick) override;
  // A zero-interval timer stands for the application's idle event.
  void SetIdleHandler(std::function<void()> handler) override;
  bool Terminating() const override;

  // The registered type of the tick event.
  static QEvent::Type TickEventType();

  // A tick that failed, with the exception's message; Qt must not see the
  // exception. Unset, the message goes to qWarning.
  std::function<void(const std::string& message)> OnError;

private:
  void Report(const std::string& message) const;

  std::unique_ptr<QTimer> FIdleTimer;
  std::function<void()> FIdleHandler;
};
