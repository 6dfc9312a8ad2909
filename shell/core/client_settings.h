#pragma once
// The window and view settings of section "3dclient" of the settings file,
// without the windows: every key read at the first activation with its
// default, what goes into the client's current state, and the keys written
// when the main window closes, in their order.

#include <optional>
#include <string>

class IniFile;
class TMudstate;

inline constexpr char SettingsFileName[] = "3dclient.ini";
inline constexpr char SettingsSection[] = "3dclient";
// The folder of the per-user configuration folder the file lives in.
inline constexpr char SettingsFolderName[] = "3dclient";

// "3dclient.ini" in the per-user configuration folder; the bare name (the
// current folder) when there is no such folder.
std::string SettingsFilePath();

// The values of the section as the windows hold them: texts where an edit
// shows them, the rest as read.
struct TClientSettings {
  bool NoSound = false;                  // Options cbNoSound
  std::string Speed = "1";               // Control edspeed
  std::string Level = "11";              // Control edLevel
  std::string Time = "12";               // Control edtime
  bool Fly = false;                      // Control cbfly
  std::string X = "0", Y = "0";          // Control edx, edy
  bool ShowMudXY = false;                // Control cbshowmudxy
  bool StripTelnetCoords = true;         // Control cbstriptelnetcoords
  bool ShowStats = false;                // Control cbstats
  bool FogEnabled = true;                // Control cbfog
  bool MouseMove = true;                 // Options cbmousemove
  std::string MaxTelnetLines = "5000";   // Options edmaxtelnetlines
  bool Map = false;                      // View > Map checked
  bool GodMode = false;                  // View > Images and Control visible
  int MouseSensitivity = 5;              // Options tbmousesensitivity
  int ViewerHeight = 209;                // pnviewer's height
  int RightWidth = 1;                    // pnright's width
  // Into the current state.
  double Rain = 0.0, Cloud = 0.0, Wind = 0.0, Fog = 0.0;
  double StateTime = 12.0;
};

// The default start position: the "x" and "y" attributes of the world's
// first god-mode location, or none when the world has no such location.
struct TStartPosition {
  std::string X, Y;
};

// What the screen leaves for the window's panels: the widest map panel and
// the tallest 3D view (or text panel) with which the window, everything
// else at its smallest, still fits on the screen.
struct TPanelRoom {
  int Width = 0;
  int Height = 0;
};

// What the window can use of each number of the section. A stored number
// outside its range is damaged: it falls back to the key's default, so what
// is used is what is written back and the file heals at the next close.
inline constexpr double kDayHours = 24;          // "time": 0 to below 24
inline constexpr double kMapExtent = 358;        // "x", "y": on the map; "speed": at most across it, either way
inline constexpr int kMostMouseSensitivity = 10;  // "mousesensitivity": the track bar, 0 to 10
inline constexpr int kLeastPanelHeight = 6;      // "viewerheight", "telnetheight": the panel never collapses
// "rain", "wind", "fog": the Control window's bars, at full strength by 10;
// "cloud" darkens the sky up to 30. -1 (unset) for any of them.
inline constexpr double kMostWeather = 10;
inline constexpr double kMostCloud = 30;
inline constexpr double kUnsetWeather = -1;

// Every key in the order of the read table. Without a start position "x" and
// "y" are not read and stay "0". A stored "x" or "y" that is not a number on
// the map falls back to the start position's (and to "0" when that is no
// such number either), so a damaged value cannot stop every later start.
// Texts that are no number at all ("speed", "level", "time") are kept as the
// user wrote them; one that is a number out of its range, like every other
// number out of range, becomes the default. "viewerheight" and "rightwidth"
// are kept within the room.
TClientSettings ReadClientSettings(const IniFile& ini, const std::optional<TStartPosition>& start,
                                   const TPanelRoom& room);

// The text panel's height when the 3D window is shown again: the key
// "telnetheight" (never written), this unless it is within the room.
inline constexpr int kDefaultTelnetHeight = 331;
int ReadTelnetHeight(const IniFile& ini, const TPanelRoom& room);

// What the settings put into the current state: the terrain type when "level"
// is a number, rain, cloud, wind, fog, the time of day, and x and y of the
// position from the texts of "x" and "y".
void ApplyClientSettings(const TClientSettings& settings, TMudstate& current);

// The movement step of the keys: the number in "speed", 1 when the text is no
// number (the key still turns the view).
double MovementStep(const std::string& speed);

// The keys written at close, in this order: speed, time, level, fly, map, x
// and y (with two decimals, only when the position is not (0, 0, 0)),
// showmudxy, viewerheight (only while the 3D window is shown), rightwidth,
// striptelnetcoords, showstats, mousemove, fogenabled, nosound,
// mousesensitivity, maxtelnetlines, rain, cloud, wind and fog of the current
// state, and godmode only when on: it is never written off, so developer mode
// stays once unlocked until the key is removed by hand.
void WriteClientSettings(IniFile& ini, const TClientSettings& settings, bool viewerShown, const TMudstate& current);
