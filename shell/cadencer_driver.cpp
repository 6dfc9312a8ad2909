#include "shell/cadencer_driver.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
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

// The hidden object the tick events go to.
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

protected:
  bool event(QEvent* event) override {
    if (event->type() != QtCadencerEventLoop::TickEventType()) return QObject::event(event);
    if (!onTick_) return true;
    delivering_ = true;
    // A copy: the target (and with it onTick_) may go during the tick.
    std::function<void()> tick = onTick_;
    Guarded(report_, tick);
    delivering_ = false;
    return true;
  }

private:
  std::function<void()> onTick_;
  std::function<void(const std::string&)> report_;
  bool delivering_ = false;
};

class QtTickTarget : public CadencerTickTarget {
public:
  explicit QtTickTarget(TickReceiver* receiver) : receiver_(receiver) {}
  ~QtTickTarget() override { receiver_->Release(); }
  void PostTick() override {
    // Qt owns posted events.
    QCoreApplication::postEvent(receiver_, new QEvent(QtCadencerEventLoop::TickEventType()));
  }

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
