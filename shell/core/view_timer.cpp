#include "shell/core/view_timer.h"

#include "client/client_helpers.h"
#include "client/mud.h"
#include "client/mud_state.h"

#include <algorithm>
#include <cmath>

std::string StatisticsCaption(const TStatistics& s) {
  auto f = [](double value) { return FormatFloatDecimals(2, value); };
  std::string caption = "FPS=" + f(s.FramesPerSecond) + " Displays/s=" + f(s.DisplaysPerSecond) +
                        " Time to Displays" + f(s.LastRenderMs) + " Time of day " + f(s.TimeOfDay) +
                        " Cache size " + std::to_string(s.CacheSize);
  caption += s.ShowMudXY ? "mud" : "abs";
  caption += " x" + f(s.X) + " y" + f(s.Y) + " z" + f(s.Z);
  return caption;
}

double AdvanceDayTime(double time) {
  time += 0.1;
  return time - std::trunc(time / 24) * 24;
}

TWeatherSounds WeatherSounds(const TMudstate& state, const std::function<double()>& random) {
  const bool skyShown = !TMud::IsHiddenViewType(state.Level);
  auto volume = [&](double value) -> std::optional<float> {
    if (!(value > 0) || !skyShown) return std::nullopt;
    return static_cast<float>(std::clamp((random() * 0.5 + 0.5) * value / 10, 0.0, 1.0));
  };
  TWeatherSounds sounds;
  sounds.Wind = volume(state.Wind);
  sounds.WingBeats = state.Level == 10;
  sounds.Rain = volume(state.Rain);
  return sounds;
}
