#include "shell/core/view_timer.h"

#include "client/mud_state.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ViewTimer, StatisticsCaptionByteForByte) {
  TStatistics s;
  s.FramesPerSecond = 59.996;
  s.DisplaysPerSecond = 3;
  s.LastRenderMs = 12;
  s.TimeOfDay = 14.5;
  s.CacheSize = 42;
  s.ShowMudXY = true;
  s.X = 120.5;
  s.Y = 85;
  s.Z = 0;
  EXPECT_EQ(StatisticsCaption(s),
            "FPS=60.00 Displays/s=3.00 Time to Displays12.00 Time of day 14.50 Cache size 42mud x120.50 y85.00 z0.00");
  s.ShowMudXY = false;
  s.X = -3.126;
  s.Y = 1.5;
  s.Z = 0.004;
  EXPECT_EQ(StatisticsCaption(s),
            "FPS=60.00 Displays/s=3.00 Time to Displays12.00 Time of day 14.50 Cache size 42abs x-3.13 y1.50 z0.00");
}

TEST(ViewTimer, DayCycleStepsATenthOfAnHourAndWraps) {
  EXPECT_NEAR(AdvanceDayTime(23.95), 0.05, 1e-9);
  EXPECT_NEAR(AdvanceDayTime(12.0), 12.1, 1e-9);
  double time = 5.0;
  for (int tick = 0; tick < 10; ++tick) time = AdvanceDayTime(time);
  EXPECT_NEAR(time, 6.0, 1e-9);
  double around = 0.0;
  for (int tick = 0; tick < 240; ++tick) around = AdvanceDayTime(around);
  EXPECT_GE(around, 0.0);
  EXPECT_LT(around, 24.0);
  EXPECT_NEAR(std::min(around, 24.0 - around), 0.0, 1e-6) << "a whole day comes back to midnight";
}

TEST(ViewTimer, WeatherSoundsFollowWindRainAndTerrain) {
  struct Case {
    double wind, rain;
    int level;
    double random;
    std::optional<float> windVolume;
    bool wings;
    std::optional<float> rainVolume;
  } cases[] = {
      {5.0, 0.0, 9, 0.0, 0.25f, false, std::nullopt},  // Wind 5 on open ground: 0.25 to below 0.5
      {5.0, 0.0, 9, 0.5, 0.375f, false, std::nullopt},
      {5.0, 10.0, 9, 0.999, 0.49975f, false, 0.9995f},
      {5.0, 8.0, 1, 0.5, std::nullopt, false, std::nullopt},  // inside: silent
      {5.0, 8.0, 2, 0.5, std::nullopt, false, std::nullopt},
      {30.0, 0.0, 10, 0.5, 1.0f, true, std::nullopt},   // held at full volume; wings in flight
      {-1.0, -1.0, 10, 0.5, std::nullopt, true, std::nullopt},  // unset
  };
  for (const Case& c : cases) {
    TMudstate state;
    state.Wind = c.wind;
    state.Rain = c.rain;
    state.Level = c.level;
    TWeatherSounds sounds = WeatherSounds(state, [&] { return c.random; });
    SCOPED_TRACE(testing::Message() << "wind " << c.wind << " rain " << c.rain << " level " << c.level);
    ASSERT_EQ(sounds.Wind.has_value(), c.windVolume.has_value());
    if (c.windVolume) {
      EXPECT_NEAR(*sounds.Wind, *c.windVolume, 1e-6);
    }
    EXPECT_EQ(sounds.WingBeats, c.wings);
    ASSERT_EQ(sounds.Rain.has_value(), c.rainVolume.has_value());
    if (c.rainVolume) {
      EXPECT_NEAR(*sounds.Rain, *c.rainVolume, 1e-6);
    }
  }
}
