#include "shell/core/control_values.h"

#include "client/client_globals.h"
#include "client/client_helpers.h"
#include "client/mud_state.h"
#include "client/xml_list_dom.h"
#include "platform/base/exception.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// The bars run from 0 to 10; an unset value (-1) shows as 0.
int BarPosition(double value) {
  double rounded = std::nearbyint(value);
  if (!(rounded > 0)) return 0;
  return static_cast<int>(std::min(rounded, 1.0 * ControlBarMaximum));
}

struct ReadNumbers {
  double Time, X, Y;
};

// Raises EConvertError naming the text that is not a number.
ReadNumbers Read(const TControlValues& values) {
  ReadNumbers read{StrToFloat(values.Time), StrToFloat(values.X), StrToFloat(values.Y)};
  // A time of day runs from 0 to below 24.
  if (read.Time < 0 || read.Time >= 24) throw EConvertError("'" + values.Time + "' is not a time of day (0 to 24)");
  return read;
}

}  // namespace

void FillControlValues(const TMudstate& state, TControlValues& values) {
  values.Time = FormatFloatDecimals(2, state.Time);
  values.Clouds = BarPosition(state.Cloud);
  values.Wind = BarPosition(state.Wind);
  values.Fog = BarPosition(state.Fog);
  values.Rain = BarPosition(state.Rain);
  values.X = FormatFloatDecimals(2, state.GetPosition()->GetX());
  values.Y = FormatFloatDecimals(2, state.GetPosition()->GetY());
}

std::optional<std::string> CheckControlValues(const TControlValues& values) {
  try {
    Read(values);
  } catch (const EConvertError& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

bool ApplyControlValues(const TControlValues& values, TMudstate& current, TMudstate& received,
                        std::string& error) {
  ReadNumbers read{};
  try {
    read = Read(values);
  } catch (const EConvertError& e) {
    error = e.what();
    return false;
  }
  current.Time = read.Time;
  current.Cloud = values.Clouds;
  current.Wind = values.Wind;
  current.Fog = values.Fog;
  current.Rain = values.Rain;
  current.GetPosition()->SetX(static_cast<float>(read.X));
  current.GetPosition()->SetY(static_cast<float>(read.Y));
  received.Assign(&current);
  std::int32_t level = 0;
  const std::string& text = values.Level;
  if (IsNumber(text) && std::from_chars(text.data(), text.data() + text.size(), level).ec == std::errc())
    current.Level = level;
  if (values.ClearObjects)
    current.Mobs().Clear();
  else if (!values.Object.empty())
    current.Mobs().Cell(0, 0).push_back(values.Object);
  return true;
}

std::string DefaultMudTime(TDefaultMudTime which, double sunrise, double sunset) {
  switch (which) {
    case dtDay: return "12";
    case dtNight: return "0";
    case dtMorning: return FormatFloatDecimals(2, sunrise);
    case dtSunset: return FormatFloatDecimals(2, sunset);
  }
  return {};
}

std::vector<TMudLocation> MudLocations(TXMLListDOM* godModeLocations) {
  std::vector<TMudLocation> locations;
  if (!godModeLocations || godModeLocations->IsEmpty()) return locations;
  for (int i = 0; i < godModeLocations->GetCount(); ++i) {
    TXMLListDOM* location = godModeLocations->GetItem(i);
    if (!location) break;
    std::string name = location->GetString("description");
    if (name.empty()) name = location->GetString("name");
    TMudLocation entry{"", location->GetString("x"), location->GetString("y")};
    entry.Line = name + "  (x=" + entry.X + "  y=" + entry.Y + ")";
    locations.push_back(std::move(entry));
  }
  return locations;
}
