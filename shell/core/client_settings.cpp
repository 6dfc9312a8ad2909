#include "shell/core/client_settings.h"

#include "client/client_globals.h"
#include "client/client_helpers.h"
#include "client/mud_state.h"
#include "engine/gl_coordinates.h"
#include "platform/base/exception.h"
#include "platform/ini/ini_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

constexpr const char* S = SettingsSection;

std::optional<double> FloatOf(const std::string& text) {
  try {
    return StrToFloat(text);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

bool Within(double value, double low, double high) { return value >= low && value <= high; }

enum class TNumber { None, OutOfRange, Usable };

// Whether a text is a number within [low, high]; one too large for a double
// is a number out of range, not a text.
TNumber NumberIn(const std::string& text, double low, double high) {
  if (std::optional<double> value = FloatOf(text))
    return Within(*value, low, high) ? TNumber::Usable : TNumber::OutOfRange;
  std::string_view digits = TrimText(text);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double ignored = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), ignored);
  return error == std::errc::result_out_of_range && end == digits.data() + digits.size() ? TNumber::OutOfRange
                                                                                          : TNumber::None;
}

// A text kept as the user wrote it unless it is a number out of range.
std::string TextNumber(const IniFile& ini, const char* key, const char* fallback, double low, double high) {
  std::string stored = ini.ReadString(S, key, fallback);
  return NumberIn(stored, low, high) == TNumber::OutOfRange ? fallback : stored;
}

// The stored coordinate when it is a number on the map, else the start position's.
std::string Coordinate(const IniFile& ini, const char* key, const std::string& start) {
  std::string stored = ini.ReadString(S, key, start);
  if (NumberIn(stored, 0, kMapExtent) == TNumber::Usable) return stored;
  return NumberIn(start, 0, kMapExtent) == TNumber::Usable ? start : "0";
}

int IntegerIn(const IniFile& ini, const char* key, int fallback, int low, int high) {
  const int value = ini.ReadInteger(S, key, fallback);
  return value >= low && value <= high ? value : fallback;
}

double FloatIn(const IniFile& ini, const char* key, double fallback, double low, double high) {
  const double value = ini.ReadFloat(S, key, fallback);
  return Within(value, low, high) ? value : fallback;
}

}  // namespace

std::string SettingsFilePath() {
  std::string folder = UserConfigFolder(SettingsFolderName);
  if (folder.empty()) return SettingsFileName;
  return folder + "/" + SettingsFileName;
}

TClientSettings ReadClientSettings(const IniFile& ini, const std::optional<TStartPosition>& start,
                                   const TPanelRoom& room) {
  TClientSettings s;
  s.NoSound = ini.ReadBool(S, "nosound", false);
  s.Speed = TextNumber(ini, "speed", "1", -kMapExtent, kMapExtent);
  s.Level = ini.ReadString(S, "level", "11");
  // A terrain type is a 32-bit number; more digits are out of its range.
  if (IsNumber(s.Level) && NumberIn(s.Level, 0, std::numeric_limits<std::int32_t>::max()) != TNumber::Usable)
    s.Level = "11";
  s.Time = TextNumber(ini, "time", "12", 0, std::nextafter(kDayHours, 0.0));
  s.Fly = ini.ReadBool(S, "fly", false);
  if (start) {
    s.X = Coordinate(ini, "x", start->X);
    s.Y = Coordinate(ini, "y", start->Y);
  }
  s.ShowMudXY = ini.ReadBool(S, "showmudxy", false);
  s.StripTelnetCoords = ini.ReadBool(S, "striptelnetcoords", true);
  s.ShowStats = ini.ReadBool(S, "showstats", false);
  s.FogEnabled = ini.ReadBool(S, "fogenabled", true);
  s.MouseMove = ini.ReadBool(S, "mousemove", true);
  s.MaxTelnetLines = ini.ReadString(S, "maxtelnetlines", "5000");
  s.Map = ini.ReadBool(S, "map", false);
  s.GodMode = ini.ReadBool(S, "godmode", false);
  s.MouseSensitivity = IntegerIn(ini, "mousesensitivity", 5, 0, kMostMouseSensitivity);
  s.ViewerHeight = IntegerIn(ini, "viewerheight", 209, kLeastPanelHeight, room.Height);
  s.RightWidth = IntegerIn(ini, "rightwidth", 1, 0, room.Width);
  s.Rain = FloatIn(ini, "rain", 0.0, kUnsetWeather, kMostWeather);
  s.Cloud = FloatIn(ini, "cloud", 0.0, kUnsetWeather, kMostCloud);
  s.Wind = FloatIn(ini, "wind", 0.0, kUnsetWeather, kMostWeather);
  s.Fog = FloatIn(ini, "fog", 0.0, kUnsetWeather, kMostWeather);
  s.StateTime = FloatIn(ini, "time", 12.0, 0, std::nextafter(kDayHours, 0.0));
  return s;
}

int ReadTelnetHeight(const IniFile& ini, const TPanelRoom& room) {
  return IntegerIn(ini, "telnetheight", kDefaultTelnetHeight, kLeastPanelHeight, room.Height);
}

void ApplyClientSettings(const TClientSettings& settings, TMudstate& current) {
  if (IsNumber(settings.Level)) {
    try {
      current.Level = StrToInt(settings.Level);
    } catch (const EConvertError&) {
      // Too many digits for a terrain type: the state keeps its own.
    }
  }
  current.Rain = settings.Rain;
  current.Cloud = settings.Cloud;
  current.Wind = settings.Wind;
  current.Fog = settings.Fog;
  current.Time = settings.StateTime;
  current.GetPosition()->SetX(static_cast<float>(FloatOf(settings.X).value_or(0.0)));
  current.GetPosition()->SetY(static_cast<float>(FloatOf(settings.Y).value_or(0.0)));
}

double MovementStep(const std::string& speed) { return FloatOf(speed).value_or(1.0); }

void WriteClientSettings(IniFile& ini, const TClientSettings& settings, bool viewerShown, const TMudstate& current) {
  ini.WriteString(S, "speed", settings.Speed);
  ini.WriteString(S, "time", settings.Time);
  ini.WriteString(S, "level", settings.Level);
  ini.WriteBool(S, "fly", settings.Fly);
  ini.WriteBool(S, "map", settings.Map);
  const TGLCoordinates& position = *current.GetPosition();
  if (position.GetX() != 0 || position.GetY() != 0 || position.GetZ() != 0) {
    ini.WriteString(S, "x", FormatFloatDecimals(2, position.GetX()));
    ini.WriteString(S, "y", FormatFloatDecimals(2, position.GetY()));
  }
  ini.WriteBool(S, "showmudxy", settings.ShowMudXY);
  if (viewerShown) ini.WriteInteger(S, "viewerheight", settings.ViewerHeight);
  ini.WriteInteger(S, "rightwidth", settings.RightWidth);
  ini.WriteBool(S, "striptelnetcoords", settings.StripTelnetCoords);
  ini.WriteBool(S, "showstats", settings.ShowStats);
  ini.WriteBool(S, "mousemove", settings.MouseMove);
  ini.WriteBool(S, "fogenabled", settings.FogEnabled);
  ini.WriteBool(S, "nosound", settings.NoSound);
  ini.WriteInteger(S, "mousesensitivity", settings.MouseSensitivity);
  ini.WriteString(S, "maxtelnetlines", settings.MaxTelnetLines);
  ini.WriteFloat(S, "rain", current.Rain);
  ini.WriteFloat(S, "cloud", current.Cloud);
  ini.WriteFloat(S, "wind", current.Wind);
  ini.WriteFloat(S, "fog", current.Fog);
  if (settings.GodMode) ini.WriteBool(S, "godmode", true);
}
