#pragma once
// What the main window's 240 ms timer works out, without the window: when
// the animation paused by typing resumes, the statistics caption, the day
// cycle's step and the volumes of the weather sounds.

#include <functional>
#include <optional>
#include <string>

class TMudstate;

inline constexpr int TimerInterval = 240;  // milliseconds
// The animation paused by typing resumes once no key has come for longer.
inline constexpr double TypingPauseSeconds = 2.0;
// The display rate is measured over windows of at least this many seconds.
inline constexpr double DisplayRateWindowSeconds = 10.0;

// What the caption shows.
struct TStatistics {
  double FramesPerSecond = 0;
  double DisplaysPerSecond = 0;
  int LastRenderMs = 0;
  double TimeOfDay = 0;
  int CacheSize = 0;
  // The map position (showMudXY) or else the camera's.
  bool ShowMudXY = false;
  double X = 0, Y = 0, Z = 0;
};

// "FPS=60.00 Displays/s=3.00 Time to Displays12.00 Time of day 14.50 Cache
// size 42mud x120.00 y85.00 z0.00" ("abs" in place of "mud" for the
// camera's position): every number but the cache size with two decimals.
std::string StatisticsCaption(const TStatistics& statistics);

// The day cycle's step: 0.1 hour later, wrapped into 0..24.
double AdvanceDayTime(double time);

// The weather sounds for a state: a volume while a sound plays, none while
// it is stopped. Wind and rain play while their value is above 0 and the
// terrain type shows the sky (not 1 or 2), at (r * 0.5 + 0.5) * value / 10
// with a fresh r in [0, 1) from random, held within 0..1, so they flutter
// between half and full strength; the wing beats play exactly at terrain
// type 10.
struct TWeatherSounds {
  std::optional<float> Wind;
  bool WingBeats = false;
  std::optional<float> Rain;
};
TWeatherSounds WeatherSounds(const TMudstate& state, const std::function<double()>& random);
