// The cadencer on a clock the tests set: its time rules, the progress steps
// it hands out, subscribers, and the as-soon-as-possible driver on a fake
// event loop whose posted events run one by one.
#include "engine/cadencer.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/cadencer_loop.h"
#include "engine/scene.h"

namespace {

struct Step {
  double deltaTime;
  double newTime;
};

// Records every progress step it receives.
class RecordingComponent : public TGLCadenceAbleComponent {
public:
  void DoProgress(const TProgressTimes& times) override {
    steps.push_back({times.deltaTime, times.newTime});
    if (onProgress) onProgress();
  }
  std::vector<Step> steps;
  std::function<void()> onProgress;
};

// A scene that records the steps it is advanced by.
struct RecordingScene {
  RecordingScene() {
    scene.OnProgress = [this](TObject*, double deltaTime, double newTime) {
      steps.push_back({deltaTime, newTime});
      if (onProgress) onProgress();
    };
  }
  operator TGL3DScene*() { return &scene; }
  TGL3DScene scene;
  std::vector<Step> steps;
  std::function<void()> onProgress;
};

struct FakeClock {
  double now = 100.0;
  TGLCadencerClock Source() {
    return [this] { return now; };
  }
};

// A loop whose posted events wait in a queue until the test delivers them.
class FakeLoop : public CadencerEventLoop {
public:
  struct Event {
    const void* target;  // nullptr for a plain task
    std::function<void()> run;
  };

  class Target : public CadencerTickTarget {
  public:
    Target(FakeLoop& loop, std::function<void()> onTick) : loop_(loop), onTick_(std::move(onTick)) {
      ++loop_.liveTargets;
    }
    ~Target() override {
      --loop_.liveTargets;
      std::erase_if(loop_.queue, [this](const Event& e) { return e.target == this; });
    }
    void PostTick() override {
      ++loop_.postedTicks;
      loop_.queue.push_back({this, [this] { onTick_(); }});
    }

  private:
    FakeLoop& loop_;
    std::function<void()> onTick_;
  };

  FakeLoop() { SetCadencerEventLoop(this); }
  ~FakeLoop() override { SetCadencerEventLoop(nullptr); }

  std::unique_ptr<CadencerTickTarget> CreateTickTarget(std::function<void()> onTick) override {
    return std::make_unique<Target>(*this, std::move(onTick));
  }
  void SetIdleHandler(std::function<void()> handler) override { idle = std::move(handler); }
  bool Terminating() const override { return terminating; }

  void Post(std::function<void()> task) { queue.push_back({nullptr, std::move(task)}); }
  // Delivers the first pending event; false when none is pending.
  bool RunOne() {
    if (queue.empty()) return false;
    Event e = std::move(queue.front());
    queue.pop_front();
    e.run();
    return true;
  }

  std::deque<Event> queue;
  std::function<void()> idle;
  int liveTargets = 0;
  int postedTicks = 0;
  bool terminating = false;
};

// A manual cadencer on a fake clock with a recording scene.
class CadencerTest : public ::testing::Test {
protected:
  void SetUp() override {
    cadencer = std::make_unique<TGLCadencer>(nullptr, clock.Source());
    cadencer->SetMode(cmManual);
    cadencer->SetScene(scene);
  }
  // Advances the clock by `seconds` and ticks.
  void TickAfter(double seconds) {
    clock.now += seconds;
    cadencer->Progress();
  }

  FakeClock clock;
  RecordingScene scene;
  std::unique_ptr<TGLCadencer> cadencer;
};

TEST_F(CadencerTest, CreatedEnabledInAsapModeOnThePerformanceCounter) {
  TGLCadencer fresh(nullptr, clock.Source());
  EXPECT_TRUE(fresh.GetEnabled());
  EXPECT_EQ(fresh.GetMode(), cmASAP);
  EXPECT_EQ(fresh.GetTimeReference(), cmPerformanceCounter);
  EXPECT_EQ(fresh.GetTimeMultiplier(), 1.0);
  EXPECT_EQ(fresh.GetSleepLength(), -1);
  EXPECT_EQ(fresh.GetCurrentTime(), 0.0);
}

TEST_F(CadencerTest, TickHandsTheSceneTheTimeSinceTheLastTick) {
  TickAfter(0.5);
  TickAfter(0.25);
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[0].deltaTime, 0.5);
  EXPECT_DOUBLE_EQ(scene.steps[0].newTime, 0.5);
  EXPECT_DOUBLE_EQ(scene.steps[1].deltaTime, 0.25);
  EXPECT_DOUBLE_EQ(scene.steps[1].newTime, 0.75);
}

TEST_F(CadencerTest, TimeSpentDisabledDoesNotCount) {
  TickAfter(1.0);
  cadencer->SetEnabled(false);
  TickAfter(10.0);  // disabled: no step
  cadencer->SetEnabled(true);
  TickAfter(0.5);
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[1].deltaTime, 0.5);
  EXPECT_DOUBLE_EQ(scene.steps[1].newTime, 1.5);
}

TEST_F(CadencerTest, MultiplierZeroPausesAtThePresentTimeAndTwoResumesTwiceAsFast) {
  TickAfter(1.0);
  clock.now += 0.5;
  cadencer->SetTimeMultiplier(0);
  EXPECT_FALSE(cadencer->GetEnabled());
  clock.now += 5.0;
  EXPECT_DOUBLE_EQ(cadencer->GetCurrentTime(), 1.5);  // frozen, not 0
  cadencer->Progress();
  EXPECT_EQ(scene.steps.size(), 1u);

  cadencer->SetTimeMultiplier(2);
  EXPECT_TRUE(cadencer->GetEnabled());
  EXPECT_DOUBLE_EQ(cadencer->GetCurrentTime(), 1.5);  // no jump
  TickAfter(0.25);
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[1].deltaTime, 1.0);  // 0.5 before the pause, then 0.25 x 2
  EXPECT_DOUBLE_EQ(scene.steps[1].newTime, 2.0);
}

TEST_F(CadencerTest, NewMultiplierContinuesFromThePresentTime) {
  TickAfter(1.0);
  cadencer->SetTimeMultiplier(3);
  EXPECT_NEAR(cadencer->GetCurrentTime(), 1.0, 1e-9);
  clock.now += 1.0;
  EXPECT_NEAR(cadencer->GetCurrentTime(), 4.0, 1e-9);
}

// Times in binary fractions of a second, so that sums are exact.
TEST_F(CadencerTest, MinDeltaTimeAccumulatesShortTicks) {
  cadencer->SetMinDeltaTime(1.0 / 32);
  for (int i = 0; i < 8; ++i) TickAfter(1.0 / 128);
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[0].deltaTime, 1.0 / 32);
  EXPECT_DOUBLE_EQ(scene.steps[1].newTime, 2.0 / 32);
}

TEST_F(CadencerTest, FixedDeltaTimeRunsWholeStepsAndCarriesTheRest) {
  cadencer->SetFixedDeltaTime(1.0 / 64);
  TickAfter(3.5 / 64);
  ASSERT_EQ(scene.steps.size(), 3u);
  for (const Step& s : scene.steps) EXPECT_DOUBLE_EQ(s.deltaTime, 1.0 / 64);
  EXPECT_DOUBLE_EQ(cadencer->LastTime(), 3.0 / 64);
  TickAfter(0.5 / 64);  // with the half step carried: one more step
  EXPECT_EQ(scene.steps.size(), 4u);
}

TEST_F(CadencerTest, MaxDeltaTimeDropsTheStallFromTheClock) {
  cadencer->SetMaxDeltaTime(0.1);
  TickAfter(2.0);
  ASSERT_EQ(scene.steps.size(), 1u);
  EXPECT_DOUBLE_EQ(scene.steps[0].deltaTime, 0.1);
  EXPECT_NEAR(cadencer->GetCurrentTime(), 0.1, 1e-9);  // 1.9 s lost
}

TEST_F(CadencerTest, OnProgressGetsTheTickTimeAndSubscribersTheStepTime) {
  std::vector<Step> events;
  cadencer->OnProgress = [&](TObject* sender, double dt, double t) {
    EXPECT_EQ(sender, cadencer.get());
    events.push_back({dt, t});
  };
  RecordingComponent subscriber;
  cadencer->Subscribe(&subscriber);
  cadencer->Subscribe(&subscriber);  // once only
  EXPECT_EQ(cadencer->Subscribers().size(), 1u);
  cadencer->SetFixedDeltaTime(0.25);
  TickAfter(0.5);
  ASSERT_EQ(subscriber.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(subscriber.steps[0].newTime, 0.25);
  EXPECT_DOUBLE_EQ(subscriber.steps[1].newTime, 0.5);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_DOUBLE_EQ(events[0].newTime, 0.5);
  EXPECT_DOUBLE_EQ(events[1].newTime, 0.5);
  cadencer->UnSubscribe(&subscriber);
  TickAfter(0.25);
  EXPECT_EQ(subscriber.steps.size(), 2u);
}

TEST_F(CadencerTest, ZeroStepReachesSubscribersButNotTheScene) {
  RecordingComponent subscriber;
  cadencer->Subscribe(&subscriber);
  cadencer->Progress();  // the clock did not move
  EXPECT_TRUE(scene.steps.empty());
  ASSERT_EQ(subscriber.steps.size(), 1u);
  EXPECT_EQ(subscriber.steps[0].deltaTime, 0.0);
}

TEST_F(CadencerTest, DestroyedSubscriberAndSceneAreForgotten) {
  auto subscriber = std::make_unique<RecordingComponent>();
  cadencer->Subscribe(subscriber.get());
  subscriber.reset();
  EXPECT_TRUE(cadencer->Subscribers().empty());
  auto ownScene = std::make_unique<TGL3DScene>();
  cadencer->SetScene(ownScene.get());
  ownScene.reset();
  EXPECT_EQ(cadencer->GetScene(), nullptr);
  TickAfter(1.0);  // nothing left to reach
}

TEST_F(CadencerTest, ProgressFromInsideTheSceneStepIsIgnored) {
  scene.onProgress = [&] { TickAfter(1.0); };
  TickAfter(1.0);
  EXPECT_EQ(scene.steps.size(), 1u);
}

TEST_F(CadencerTest, DestroyedByItsOwnTickStopsTheTick) {
  RecordingComponent later;
  cadencer->Subscribe(&later);
  scene.onProgress = [&] { cadencer.reset(); };
  TickAfter(1.0);
  EXPECT_EQ(cadencer, nullptr);
  EXPECT_TRUE(later.steps.empty());
}

TEST_F(CadencerTest, FailingSceneLeavesTheCadencerReady) {
  scene.onProgress = [] { throw std::runtime_error("scene failed"); };
  EXPECT_THROW(TickAfter(1.0), std::runtime_error);
  EXPECT_FALSE(cadencer->IsBusy());
  scene.onProgress = nullptr;
  TickAfter(1.0);
  EXPECT_EQ(scene.steps.size(), 2u);
}

TEST_F(CadencerTest, SwitchingTheTimeReferenceDoesNotJump) {
  TickAfter(2.0);
  cadencer->SetTimeReference(cmExternal);
  EXPECT_DOUBLE_EQ(cadencer->GetCurrentTime(), 2.0);
  cadencer->SetCurrentTime(2.5);
  cadencer->Progress();
  cadencer->SetTimeReference(cmRTC);
  clock.now += 1.0;
  EXPECT_DOUBLE_EQ(cadencer->GetCurrentTime(), 3.5);
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[1].deltaTime, 0.5);
}

// Under cmExternal the caller's times alone decide every step.
struct ExternalCase {
  const char* name;
  double minDelta, fixedDelta, maxDelta, multiplier;
  std::vector<double> times;     // set before each tick
  std::vector<Step> expected;    // steps the scene receives, in order
};

class ExternalTimeTable : public ::testing::TestWithParam<ExternalCase> {};

TEST_P(ExternalTimeTable, GivesTheSameStepsEveryRun) {
  const ExternalCase& c = GetParam();
  for (int run = 0; run < 2; ++run) {
    TGLCadencer cadencer(nullptr, [] { return 12345.678; });
    RecordingScene scene;
    cadencer.SetMode(cmManual);
    cadencer.SetScene(scene);
    cadencer.SetTimeReference(cmExternal);
    cadencer.SetCurrentTime(0);
    cadencer.SetMinDeltaTime(c.minDelta);
    cadencer.SetFixedDeltaTime(c.fixedDelta);
    cadencer.SetMaxDeltaTime(c.maxDelta);
    cadencer.SetTimeMultiplier(c.multiplier);
    for (double t : c.times) {
      cadencer.SetCurrentTime(t);
      cadencer.Progress();
    }
    ASSERT_EQ(scene.steps.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_NEAR(scene.steps[i].deltaTime, c.expected[i].deltaTime, 1e-9) << c.name << " step " << i;
      EXPECT_NEAR(scene.steps[i].newTime, c.expected[i].newTime, 1e-9) << c.name << " step " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cadencer, ExternalTimeTable,
    ::testing::Values(
        ExternalCase{"Plain", 0, 0, 0, 1, {0.1, 0.3, 0.3, 0.6}, {{0.1, 0.1}, {0.2, 0.3}, {0.3, 0.6}}},
        ExternalCase{"MinDelta", 0.25, 0, 0, 1, {0.1, 0.2, 0.3, 0.5, 0.6}, {{0.3, 0.3}, {0.3, 0.6}}},
        ExternalCase{"FixedDelta", 0, 0.125, 0, 1, {0.3, 0.375, 0.4},
                     {{0.125, 0.125}, {0.125, 0.25}, {0.125, 0.375}}},
        ExternalCase{"MaxDelta", 0, 0, 0.5, 1, {2.0, 2.25}, {{0.5, 0.5}, {0.25, 0.75}}},
        ExternalCase{"Multiplier", 0, 0, 0, 2, {0.5, 1.0}, {{1.0, 1.0}, {1.0, 2.0}}},
        ExternalCase{"BackwardsIsNoStep", 0, 0, 0, 1, {1.0, 0.5, 1.5}, {{1.0, 1.0}, {0.5, 1.5}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CadencerExternal, DisabledSpanOfTheCallersClockDoesNotCount) {
  TGLCadencer cadencer(nullptr, [] { return 7.0; });
  RecordingScene scene;
  cadencer.SetMode(cmManual);
  cadencer.SetScene(scene);
  cadencer.SetTimeReference(cmExternal);
  cadencer.SetCurrentTime(5);
  cadencer.Progress();
  cadencer.SetEnabled(false);
  cadencer.SetCurrentTime(15);
  cadencer.SetEnabled(true);
  cadencer.SetCurrentTime(16);
  cadencer.Progress();
  ASSERT_EQ(scene.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.steps[1].deltaTime, 1.0);
  EXPECT_DOUBLE_EQ(scene.steps[1].newTime, 6.0);
}

// The as-soon-as-possible driver on the fake loop.
class CadencerDriverTest : public ::testing::Test {
protected:
  FakeClock clock;
  FakeLoop loop;
  RecordingScene scene;
};

TEST_F(CadencerDriverTest, WithoutSceneNothingIsPosted) {
  TGLCadencer cadencer(nullptr, clock.Source());
  cadencer.SetEnabled(false);
  cadencer.SetEnabled(true);
  EXPECT_EQ(loop.liveTargets, 0);
  EXPECT_TRUE(loop.queue.empty());
  cadencer.Progress();  // not in the driver's list: no tick
  clock.now += 1;
  cadencer.Progress();
  EXPECT_EQ(loop.postedTicks, 0);
}

TEST_F(CadencerDriverTest, SceneStartsTicksThatInterleaveWithPostedEvents) {
  TGLCadencer cadencer(nullptr, clock.Source());
  std::vector<std::string> order;
  cadencer.OnProgress = [&](TObject*, double, double) {
    order.push_back("tick");
    clock.now += 0.01;
  };
  cadencer.SetScene(scene);
  ASSERT_EQ(loop.liveTargets, 1);
  loop.Post([&] { order.push_back("input"); });
  loop.RunOne();  // the first tick
  loop.Post([&] { order.push_back("paint"); });
  loop.RunOne();  // input, posted before the second tick
  loop.RunOne();  // the second tick
  loop.RunOne();  // paint
  loop.RunOne();  // the third tick
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "input", "tick", "paint", "tick"}));
  EXPECT_EQ(loop.queue.size(), 1u);  // exactly one tick pending at a time
}

TEST_F(CadencerDriverTest, LastCadencerLeavingTakesTheHiddenObjectAway) {
  auto cadencer = std::make_unique<TGLCadencer>(nullptr, clock.Source());
  cadencer->SetScene(scene);
  clock.now += 1;
  loop.RunOne();
  EXPECT_EQ(scene.steps.size(), 1u);
  cadencer->SetEnabled(false);
  loop.RunOne();  // compacts the list; none left
  EXPECT_EQ(loop.liveTargets, 0);
  EXPECT_TRUE(loop.queue.empty());

  cadencer->SetEnabled(true);  // a new hidden object
  EXPECT_EQ(loop.liveTargets, 1);
  cadencer.reset();
  loop.RunOne();
  EXPECT_EQ(loop.liveTargets, 0);
  EXPECT_EQ(scene.steps.size(), 1u);
}

TEST_F(CadencerDriverTest, TwoCadencersTickLastJoinedFirst) {
  std::vector<std::string> order;
  RecordingScene otherScene;
  TGLCadencer first(nullptr, clock.Source());
  TGLCadencer second(nullptr, clock.Source());
  first.OnProgress = [&](TObject*, double, double) { order.push_back("first"); };
  second.OnProgress = [&](TObject*, double, double) { order.push_back("second"); };
  first.SetScene(scene);
  second.SetScene(otherScene);
  EXPECT_EQ(loop.liveTargets, 1);
  loop.RunOne();
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first"}));
}

TEST_F(CadencerDriverTest, CadencerFreedByAnotherDuringTheRoundIsSkipped) {
  auto victim = std::make_unique<TGLCadencer>(nullptr, clock.Source());
  TGLCadencer killer(nullptr, clock.Source());
  int victimTicks = 0;
  victim->OnProgress = [&](TObject*, double, double) { ++victimTicks; };
  killer.OnProgress = [&](TObject*, double, double) { victim.reset(); };
  victim->SetScene(scene);
  killer.SetScene(scene);  // joined last: ticks first
  loop.RunOne();
  EXPECT_EQ(victim, nullptr);
  EXPECT_EQ(victimTicks, 0);
  EXPECT_EQ(loop.queue.size(), 1u);
}

TEST_F(CadencerDriverTest, FailingTickReachesTheLoopAndTheDriverGoesOn) {
  TGLCadencer cadencer(nullptr, clock.Source());
  int ticks = 0;
  cadencer.OnProgress = [&](TObject*, double, double) {
    if (++ticks == 1) throw std::runtime_error("frame failed");
  };
  cadencer.SetScene(scene);
  EXPECT_THROW(loop.RunOne(), std::runtime_error);
  EXPECT_EQ(loop.queue.size(), 1u);
  loop.RunOne();
  EXPECT_EQ(ticks, 2);
}

TEST_F(CadencerDriverTest, TerminatingApplicationDisablesInsteadOfTicking) {
  TGLCadencer cadencer(nullptr, clock.Source());
  cadencer.SetScene(scene);
  loop.terminating = true;
  clock.now += 1;
  loop.RunOne();
  EXPECT_FALSE(cadencer.GetEnabled());
  EXPECT_TRUE(scene.steps.empty());
  EXPECT_EQ(loop.liveTargets, 0);
}

TEST_F(CadencerDriverTest, IdleModeTicksFromTheIdleEvent) {
  TGLCadencer cadencer(nullptr, clock.Source());
  cadencer.SetMode(cmApplicationIdle);
  EXPECT_FALSE(loop.idle);  // no scene yet
  cadencer.SetScene(scene);
  ASSERT_TRUE(loop.idle);
  EXPECT_EQ(loop.liveTargets, 0);
  clock.now += 1;
  loop.idle();
  EXPECT_EQ(scene.steps.size(), 1u);
  cadencer.SetMode(cmManual);
  EXPECT_FALSE(loop.idle);
}

TEST_F(CadencerDriverTest, ManualModeLeavesTheDriver) {
  TGLCadencer cadencer(nullptr, clock.Source());
  cadencer.SetScene(scene);
  cadencer.SetMode(cmManual);
  loop.RunOne();
  EXPECT_EQ(loop.liveTargets, 0);
  clock.now += 1;
  cadencer.Progress();  // the owner ticks it
  EXPECT_EQ(scene.steps.size(), 1u);
}

}  // namespace
