#include "shell/core/client_settings.h"

#include "client/client_globals.h"
#include "client/client_helpers.h"
#include "client/mud_state.h"
#include "engine/gl_coordinates.h"
#include "platform/base/exception.h"
#include "platform/ini/ini_file.h"

namespace {

constexpr const char* S = SettingsSection;

std::optional<double> FloatOf(const std::string& text) {
  try {
    return StrToFloat(text);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

// The stored coordinate when it is a number, else the start position's.
std::string Coordinate(const IniFile& ini, const char* key, const std::string& start) {
  std::string stored = ini.ReadString(S, key, start);
  if (FloatOf(stored)) return stored;
  return FloatOf(start) ? start : "0";
}

}  // namespace

std::string SettingsFilePath() {
  std::string folder = UserConfigFolder(SettingsFolderName);
  if (folder.empty()) return SettingsFileName;
  return folder + "/" + SettingsFileName;
}

TClientSettings ReadClientSettings(const IniFile& ini, const std::optional<TStartPosition>& start) {
  TClientSettings s;
  s.NoSound = ini.ReadBool(S, "nosound", false);
  s.Speed = ini.ReadString(S, "speed", "1");
  s.Level = ini.ReadString(S, "level", "11");
  s.Time = ini.ReadString(S, "time", "12");
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
  s.MouseSensitivity = ini.ReadInteger(S, "mousesensitivity", 5);
  s.ViewerHeight = ini.ReadInteger(S, "viewerheight", 209);
  if (s.ViewerHeight <= 5) s.ViewerHeight = 209;
  s.RightWidth = ini.ReadInteger(S, "rightwidth", 1);
  s.Rain = ini.ReadFloat(S, "rain", 0.0);
  s.Cloud = ini.ReadFloat(S, "cloud", 0.0);
  s.Wind = ini.ReadFloat(S, "wind", 0.0);
  s.Fog = ini.ReadFloat(S, "fog", 0.0);
  s.StateTime = ini.ReadFloat(S, "time", 12.0);
  return s;
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
