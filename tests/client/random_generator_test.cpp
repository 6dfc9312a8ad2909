#include "client/random_generator.h"

#include <gtest/gtest.h>

namespace {

TEST(RandomGenerator, DrawsFollowTheLinearCongruentialState) {
  // state := state * 134775813 + 1 (mod 2^32); a real draw is the state
  // over 2^32, an integer draw below n the high word of state * n.
  TRandomGenerator random([] { return 0; });
  random.SetSeed(0);
  EXPECT_EQ(random.Random(), 1.0 / 4294967296.0);  // state 1
  EXPECT_EQ(random.GetSeed(), 1u);
  EXPECT_EQ(random.Random(100), 3);  // state 134775814: 13477581400 >> 32
  EXPECT_EQ(random.GetSeed(), 134775814u);

  random.SetSeed(-1);  // 2^32 - 134775813 + 1 = 4160191484
  EXPECT_EQ(random.Random(2), 1);
  EXPECT_EQ(random.GetSeed(), 4160191484u);
  EXPECT_EQ(random.Random(0), 0);  // an empty range still draws
  EXPECT_NE(random.GetSeed(), 4160191484u);
}

TEST(RandomGenerator, SameSeedSameSequenceAndRandomizeTakesTheInjectedTime) {
  TRandomGenerator a([] { return 0; });
  TRandomGenerator b([] { return 0; });
  a.SetSeed(42);
  b.SetSeed(42);
  for (int i = 0; i < 100; ++i) {
    const double draw = a.Random();
    EXPECT_GE(draw, 0.0);
    EXPECT_LT(draw, 1.0);
    EXPECT_EQ(draw, b.Random());
  }
  // 12:34:56.789
  a.SetClock([] { return ((12 * 60 + 34) * 60 + 56) * 1000 + 789; });
  a.Randomize();
  EXPECT_EQ(a.GetSeed(), 45296789u);

  const int32_t now = LocalTimeOfDayMs();
  EXPECT_GE(now, 0);
  EXPECT_LT(now, 24 * 3600 * 1000);
}

}  // namespace
