#include "objects/fire_particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/objects/geometry_expect.h"

namespace {

// Hands out the given numbers in turn, then 0.5 for ever.
struct ScriptedRandom {
  std::vector<float> values;
  std::size_t next = 0;
  int draws = 0;
  float operator()() {
    ++draws;
    return next < values.size() ? values[next++] : 0.5f;
  }
};

FireRandom Use(ScriptedRandom& r) {
  return [&r]() { return r(); };
}

TFireParticle Particle(float x, float ttl, float life = 2.0f) {
  TFireParticle p;
  p.Position = {x, 0, 0, 1};
  p.Speed = {0, 1, 0, 0};
  p.AlphaWeight = 1;
  p.TimeToLive = ttl;
  p.LifeLength = life;
  return p;
}

TEST(FireParticlePool, IntervalAccumulatorPacesOneSpawnPerStep) {
  struct Tick {
    double dt;
    int count;
    float accumulator;
  };
  // Interval 0.1: 0.25 s owes 2.5 spawns, one is made, 0.5 kept; then 3.0.
  // An exact 1.0 owes none yet and is kept as it is.
  const struct {
    const char* name;
    std::vector<Tick> ticks;
  } cases[] = {
      {"quarter seconds", {{0.25, 1, 0.5f}, {0.25, 2, 0.0f}}},
      {"exactly one interval waits", {{0.1, 0, 1.0f}, {0.05, 1, 0.5f}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FireParticlePool pool;
    ScriptedRandom random;
    FireSettings settings;
    for (const Tick& tick : c.ticks) {
      pool.Step(tick.dt, settings, NullHmgPoint, Use(random));
      EXPECT_EQ(pool.Count(), tick.count);
      EXPECT_NEAR(pool.IntervalAccumulator(), tick.accumulator, 1e-6f);
    }
  }
}

TEST(FireParticlePool, WithoutIntervalEveryStepRefillsThePool) {
  FireParticlePool pool(16);
  ScriptedRandom random;
  FireSettings settings;
  settings.UseInterval = false;
  pool.Step(0.01, settings, NullHmgPoint, Use(random));
  EXPECT_EQ(pool.Count(), 16);
  EXPECT_EQ(random.draws, 16 * 5);
}

TEST(FireParticlePool, SpawnTakesFiveDrawsInOrderAroundTheReference) {
  FireParticlePool pool;
  FireSettings settings;
  settings.FireRadius = 2;
  settings.FireCrown = 0.5f;
  settings.FireDensity = 0.75f;
  settings.ParticleLife = 4;
  settings.InitialDir = {0, 2, 0, 0};
  // x = 0.5 * 2, y = 0, z = -0.5 * 2 + 0.5, a quarter turn about Y, life
  // (0.5 * 0.5 + 0.5) * 4.
  ScriptedRandom random{{0.75f, 0.5f, 0.25f, 0.25f, 0.5f}};
  pool.Step(0.25, settings, {10, 1, 0, 1}, Use(random));
  ASSERT_EQ(pool.Count(), 1);
  const TFireParticle& p = pool.Particles()[0];
  // x' = c x + s z = -0.5, z' = c z - s x = -1.
  EXPECT_TRUE(NearVector(p.Position, {10 - 0.5f, 1, -1, 1}));
  EXPECT_TRUE(NearVector(p.Speed, {0, 2, 0, 0}));
  EXPECT_FLOAT_EQ(p.AlphaWeight, 0.75f);
  EXPECT_FLOAT_EQ(p.TimeToLive, 3.0f);
  EXPECT_FLOAT_EQ(p.LifeLength, 3.0f);
}

TEST(FireParticlePool, AgeingMovesWithTheNewSpeedAndRemovesTheDeadByTheLast) {
  FireParticlePool pool;
  pool.Add(Particle(1, 2));
  pool.Add(Particle(2, 0.25f));  // dies at exactly 0
  pool.Add(Particle(3, 2));
  FireSettings settings;
  settings.Disabled = true;
  settings.FireDir = {0, 2, 0, 0};
  ScriptedRandom random;
  pool.Step(0.25, settings, NullHmgPoint, Use(random));
  ASSERT_EQ(pool.Count(), 2);
  EXPECT_FLOAT_EQ(pool.Particles()[0].Position[0], 1);
  EXPECT_FLOAT_EQ(pool.Particles()[1].Position[0], 3);
  // speed 1 + 0.25 * 2, then 0.25 of that.
  EXPECT_FLOAT_EQ(pool.Particles()[1].Speed[1], 1.5f);
  EXPECT_FLOAT_EQ(pool.Particles()[1].Position[1], 0.375f);
  EXPECT_FLOAT_EQ(pool.Particles()[1].TimeToLive, 1.75f);
  EXPECT_EQ(random.draws, 0);
}

TEST(FireParticlePool, ProgressSkipsPausedOrIntervalLessTicksAndBurstsTime) {
  FireSettings paused;
  paused.Paused = true;
  FireSettings still;
  still.ParticleInterval = 0;
  ScriptedRandom random;
  for (const FireSettings& settings : {paused, still}) {
    FireParticlePool pool;
    pool.Add(Particle(0, 1));
    EXPECT_FALSE(pool.Progress(0.5, settings, NullHmgPoint, Use(random)));
    EXPECT_EQ(pool.Count(), 1);
    EXPECT_FLOAT_EQ(pool.Particles()[0].TimeToLive, 1.0f);
  }
  FireSettings burst;
  burst.FireBurst = -1;
  burst.Disabled = true;
  FireParticlePool pool;
  pool.Add(Particle(0, 1));
  EXPECT_TRUE(pool.Progress(0.25, burst, NullHmgPoint, Use(random)));
  EXPECT_FLOAT_EQ(pool.Particles()[0].TimeToLive, 0.5f);
}

TEST(FireParticlePool, LifelessOrEmptyPoolsSpawnNothingAndStop) {
  FireSettings lifeless;
  lifeless.ParticleLife = 0;
  lifeless.UseInterval = false;
  FireParticlePool pool(8);
  ScriptedRandom random;
  pool.Step(1.0, lifeless, NullHmgPoint, Use(random));
  EXPECT_EQ(pool.Count(), 0);

  FireParticlePool empty(0);
  empty.Step(1.0, FireSettings{}, NullHmgPoint, Use(random));
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.MaxParticles(), 0);
  FireParticlePool negative(-5);
  EXPECT_EQ(negative.MaxParticles(), 0);
}

TEST(FireParticlePool, ResizeKeepsTheRecordsThatFit) {
  FireParticlePool pool(4);
  for (int i = 0; i < 4; ++i) pool.Add(Particle(static_cast<float>(i), 1));
  EXPECT_FALSE(pool.Add(Particle(9, 1)));
  pool.Resize(2);
  ASSERT_EQ(pool.Count(), 2);
  EXPECT_FLOAT_EQ(pool.Particles()[1].Position[0], 1);
  pool.Resize(8);
  EXPECT_EQ(pool.Count(), 2);
  pool.Reset();
  EXPECT_EQ(pool.Count(), 0);
  EXPECT_EQ(pool.IntervalAccumulator(), 0.0f);
}

TEST(FireParticlePool, DrawOrderPutsTheFarthestAlongTheCameraFirst) {
  FireParticlePool pool;
  pool.Add(Particle(1, 1));
  pool.Add(Particle(-3, 1));
  pool.Add(Particle(2, 1));
  EXPECT_EQ(pool.DrawOrder({1, 0, 0, 0}), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(pool.DrawOrder({-1, 0, 0, 0}), (std::vector<int>{1, 0, 2}));
}

TEST(FireParticleAlpha, WeightTimesRemainingLifeOverLifeSquared) {
  EXPECT_FLOAT_EQ(FireParticleAlpha(Particle(0, 1, 2)), 0.25f);
  EXPECT_FLOAT_EQ(FireParticleAlpha(Particle(0, 1, 0)), 0.0f);
}

TEST(FireParticleShape, HexagonFacesTheCameraAtTheParticleSize) {
  constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const auto shape = FireParticleShape(kIdentity, 2, 0.86f);
  EXPECT_TRUE(NearVector(shape[0], {0, 0, 0}));
  EXPECT_TRUE(NearVector(shape[1], {-2, 0, 0}));
  EXPECT_TRUE(NearVector(shape[2], {-1, 1.72f, 0}));
  EXPECT_TRUE(NearVector(shape[4], {2, 0, 0}));
  EXPECT_TRUE(NearVector(shape[6], {-1, -1.72f, 0}));
  EXPECT_TRUE(NearVector(shape[7], shape[1]));
}

TEST(MakeFireRandom, StaysWithinTheUnitInterval) {
  const FireRandom random = MakeFireRandom();
  for (int i = 0; i < 1000; ++i) {
    const float u = random();
    ASSERT_GE(u, 0.0f);
    ASSERT_LT(u, 1.0f);
  }
}

}  // namespace
