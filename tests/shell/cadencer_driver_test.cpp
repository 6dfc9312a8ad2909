// The cadencer's driver on the real Qt loop: ticks take turns with events
// posted meanwhile and with timers, come a frame of the screen apart, run at
// the loop's own level, stop without a scene, and survive a failing frame.
#include "shell/cadencer_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/cadencer.h"
#include "engine/scene.h"
#include "tests/shell/gui_test_support.h"

namespace {

using gui_test::AnyApplication;

// The driver only runs a cadencer that has a scene.
struct CountingScene {
  CountingScene() {
    scene.OnProgress = [this](TObject*, double, double) { ++steps; };
  }
  operator TGL3DScene*() { return &scene; }
  TGL3DScene scene;
  int steps = 0;
};

// Records the posted events it receives.
class Recorder : public QObject {
public:
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  explicit Recorder(std::vector<std::string>& log) : log_(log) {}
  void PostMark() { QCoreApplication::postEvent(this, new QEvent(Type())); }

protected:
  bool event(QEvent* e) override {
    if (e->type() != Type()) return QObject::event(e);
    log_.push_back("event");
    return true;
  }

private:
  std::vector<std::string>& log_;
};

class CadencerDriverQtTest : public ::testing::Test {
protected:
  void SetUp() override {
    AnyApplication();
    loop = std::make_unique<QtCadencerEventLoop>();
  }
  void TearDown() override {
    cadencer.reset();
    loop.reset();
    // Let deferred deletions of hidden objects run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // Runs the loop until `done` holds or `ms` pass; false on the timeout.
  bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
    QEventLoop events;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (done()) events.quit();
    });
    poll.start(1);
    bool timedOut = false;
    QTimer::singleShot(ms, &events, [&] {
      timedOut = true;
      events.quit();
    });
    events.exec();
    return !timedOut;
  }

  std::unique_ptr<QtCadencerEventLoop> loop;
  std::unique_ptr<TGLCadencer> cadencer;
  CountingScene scene;
};

TEST_F(CadencerDriverQtTest, TicksInterleaveWithEventsPostedMeanwhile) {
  std::vector<std::string> log;
  Recorder recorder(log);
  cadencer = std::make_unique<TGLCadencer>();
  int ticks = 0;
  cadencer->OnProgress = [&](TObject*, double, double) {
    log.push_back("tick");
    // Posted during the tick: delivered before the next one.
    if (++ticks <= 3) recorder.PostMark();
    if (ticks == 4) cadencer->SetEnabled(false);
  };
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return ticks >= 4; }));
  EXPECT_EQ(log, (std::vector<std::string>{"tick", "event", "tick", "event", "tick", "event", "tick"}));
}

TEST_F(CadencerDriverQtTest, TimersFireWhileTheCadencerTicks) {
  cadencer = std::make_unique<TGLCadencer>();
  int ticks = 0;
  int timerShots = 0;
  int ticksAtFirstShot = -1;
  cadencer->OnProgress = [&](TObject*, double, double) { ++ticks; };
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (timerShots++ == 0) ticksAtFirstShot = ticks;
  });
  timer.start(5);
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return timerShots >= 5; })) << "timer starved: " << timerShots << " shots, "
                                                         << ticks << " ticks";
  EXPECT_GT(ticks, ticksAtFirstShot);
  EXPECT_GT(scene.steps, 0);
}

TEST_F(CadencerDriverQtTest, TicksComeAFrameOfTheScreenApart) {
  const qint64 frameNs = qint64(1e9 / gui_test::ScreenRefreshRate());
  cadencer = std::make_unique<TGLCadencer>();
  QElapsedTimer clock;
  clock.start();
  std::vector<qint64> at;
  cadencer->OnProgress = [&](TObject*, double, double) { at.push_back(clock.nsecsElapsed()); };
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return at.size() >= 12; }));
  // Back-to-back ticks would be microseconds apart; a little slack for the
  // time between the delivery and the progress event.
  for (std::size_t i = 1; i < at.size(); ++i) EXPECT_GE(at[i] - at[i - 1], frameNs - 500000) << i;
}

TEST_F(CadencerDriverQtTest, TickRunsAtTheLoopsOwnLevel) {
  cadencer = std::make_unique<TGLCadencer>();
  std::vector<int> levels;
  cadencer->OnProgress = [&](TObject*, double, double) { levels.push_back(QThread::currentThread()->loopLevel()); };
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return levels.size() >= 20; }));
  for (int level : levels) EXPECT_EQ(level, 1);  // the test's QEventLoop, never one of the driver's
}

TEST_F(CadencerDriverQtTest, WithoutSceneThereAreNoTicks) {
  cadencer = std::make_unique<TGLCadencer>();
  int ticks = 0;
  cadencer->OnProgress = [&](TObject*, double, double) { ++ticks; };
  cadencer->SetEnabled(false);
  cadencer->SetEnabled(true);
  int waited = 0;
  RunUntil([&] { return ++waited > 30; });
  EXPECT_EQ(ticks, 0);

  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return ticks > 0; }));
  cadencer->SetScene(nullptr);
  const int stopped = ticks;
  waited = 0;
  RunUntil([&] { return ++waited > 30; });
  EXPECT_LE(ticks, stopped + 1);  // at most the tick already posted
}

TEST_F(CadencerDriverQtTest, FailingFrameIsReportedAndTicksGoOn) {
  std::vector<std::string> errors;
  loop->OnError = [&](const std::string& message) { errors.push_back(message); };
  cadencer = std::make_unique<TGLCadencer>();
  int ticks = 0;
  cadencer->OnProgress = [&](TObject*, double, double) {
    if (++ticks == 2) throw std::runtime_error("frame failed");
  };
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return ticks >= 5; }));
  EXPECT_EQ(errors, (std::vector<std::string>{"frame failed"}));
}

TEST_F(CadencerDriverQtTest, IdleModeTicksFromAZeroTimer) {
  cadencer = std::make_unique<TGLCadencer>();
  int ticks = 0;
  cadencer->OnProgress = [&](TObject*, double, double) {
    if (++ticks == 10) cadencer->SetMode(cmManual);  // clears the idle timer from inside it
  };
  cadencer->SetMode(cmApplicationIdle);
  cadencer->SetScene(scene);
  ASSERT_TRUE(RunUntil([&] { return ticks >= 10; }));
  int waited = 0;
  RunUntil([&] { return ++waited > 20; });
  EXPECT_EQ(ticks, 10);
}

}  // namespace
