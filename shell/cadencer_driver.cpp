#include "shell/cadencer_driver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>
#include <exception>

namespace {

// Runs `work`, turning an exception into a report: nothing may unwind
// through Qt's event delivery.
template <class Work>
void Guarded(const std::function<void(const std::string&)>& report, Work&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    report(e.what());
  } catch (...) {
    report("Unknown exception in the frame loop");
  }
}

// Nanoseconds between two frames of the screen; 60 Hz without a screen that
// tells its rate.
qint64 FrameIntervalNs() {
  double rate = 0;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = QGuiApplication::primaryScreen()) rate = screen->refreshRate();
  if (!(rate >= 1 && rate <= 1000)) rate = 60;
  return static_cast<qint64>(1e9 / rate);
}

// The hidden object the tick events go to. Ticks are paced by the display: a
// tick is posted no sooner than one frame of the screen after the previous
// one began, since a frame drawn faster than the screen shows it is wasted,
// and a loop posting ticks back to back keeps a core busy with no work.
class TickReceiver : public QObject {
public:
  TickReceiver(std::function<void()> onTick, std::function<void(const std::string&)> report)
      : onTick_(std::move(onTick)), report_(std::move(report)) {}

  // Called by the owning target; safe from inside this object's own delivery.
  void Release() {
    onTick_ = nullptr;
    if (delivering_)
      deleteLater();
    else
      delete this;
  }

  void PostTick() {
    const qint64 waitNs = lastTick_.isValid() ? FrameIntervalNs() - lastTick_.nsecsElapsed() : 0;
    if (waitNs <= 0) {
      Post();
    } else if (timer_ == 0) {
      // Whole milliseconds, rounded up: never sooner than the frame.
      timer_ = startTimer(static_cast<int>((waitNs + 999999) / 1000000), Qt::PreciseTimer);
      if (timer_ == 0) Post();
    }
  }

protected:
  bool event(QEvent* event) override {
    if (event->type() != QtCadencerEventLoop::TickEventType()) return QObject::event(event);
    if (!onTick_) return true;
    lastTick_.start();
    delivering_ = true;
    // A copy: the target (and with it onTick_) may go during the tick.
    std::function<void()> tick = onTick_;
    Guarded(report_, tick);
    delivering_ = false;
    return true;
  }

  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() != timer_) return QObject::timerEvent(event);
    killTimer(timer_);
    timer_ = 0;
    // Behind whatever came in while the timer ran.
    Post();
  }

private:
  void Post() {
    // Qt owns posted events.
    QCoreApplication::postEvent(this, new QEvent(QtCadencerEventLoop::TickEventType()));
  }

  std::function<void()> onTick_;
  std::function<void(const std::string&)> report_;
  bool delivering_ = false;
  QElapsedTimer lastTick_;
  int timer_ = 0;
};

class QtTickTarget : public CadencerTickTarget {
public:
  explicit QtTickTarget(TickReceiver* receiver) : receiver_(receiver) {}
  ~QtTickTarget() override { receiver_->Release(); }
  void PostTick() override { receiver_->PostTick(); }

private:
  TickReceiver* receiver_;
};

}  // namespace

QtCadencerEventLoop::QtCadencerEventLoop() { SetCadencerEventLoop(this); }

QtCadencerEventLoop::~QtCadencerEventLoop() {
  if (GetCadencerEventLoop() == this) SetCadencerEventLoop(nullptr);
}

QEvent::Type QtCadencerEventLoop::TickEventType() {
  // Qt names no event types; this one stands for "TickGLCadencer".
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

std::unique_ptr<CadencerTickTarget> QtCadencerEventLoop::CreateTickTarget(std::function<void()> onTick) {
  auto report = [this](const std::string& message) { Report(message); };
  return std::make_unique<QtTickTarget>(new TickReceiver(std::move(onTick), std::move(report)));
}

void QtCadencerEventLoop::SetIdleHandler(std::function<void()> handler) {
  FIdleHandler = std::move(handler);
  if (!FIdleHandler) {
    // Perhaps from inside the timer's own timeout.
    if (FIdleTimer) {
      FIdleTimer->stop();
      FIdleTimer.release()->deleteLater();
    }
    return;
  }
  if (!FIdleTimer) {
    FIdleTimer = std::make_unique<QTimer>();
    FIdleTimer->setInterval(0);
    QObject::connect(FIdleTimer.get(), &QTimer::timeout, [this] {
      if (!FIdleHandler) return;
      std::function<void()> idle = FIdleHandler;
      Guarded([this](const std::string& m) { Report(m); }, idle);
    });
  }
  FIdleTimer->start();
}

bool QtCadencerEventLoop::Terminating() const {
  return !QCoreApplication::instance() || QCoreApplication::closingDown();
}

void QtCadencerEventLoop::Report(const std::string& message) const {
  if (OnError)
    OnError(message);
  else
    qWarning("%s", message.c_str());
}
