#pragma once
// The Control window's values without the window: filled from the displayed
// state, every number checked before OK changes anything, the default times
// of day and the world's god-mode locations.

#include <optional>
#include <string>
#include <vector>

class TMudstate;
class TXMLListDOM;

struct TControlValues {
  std::string Time = "12";  // edtime
  // The track bars, 0 to 10.
  int Clouds = 0, Wind = 0, Fog = 0, Rain = 0;
  std::string X = "253", Y = "295";  // edx, edy
  std::string Level;                 // edLevel
  bool ClearObjects = true;          // rbObjects: "Clear", else "Add"
  std::string Object;                // edObject
};

inline constexpr int ControlBarMaximum = 10;

// Time with two decimals, the weather bars at the nearest whole value (an
// unset -1 shows as 0), x and y with two decimals.
void FillControlValues(const TMudstate& state, TControlValues& values);

// The message of the first number OK cannot read (time, x, y), or nothing.
std::optional<std::string> CheckControlValues(const TControlValues& values);

// OK: time, weather and position into the current state, the received state
// made a copy of it, then the terrain type when edLevel holds one, then the
// monster list cleared or added to. Nothing changes when a number cannot be
// read; false then, with the message.
bool ApplyControlValues(const TControlValues& values, TMudstate& current, TMudstate& received,
                        std::string& error);

enum TDefaultMudTime { dtDay, dtNight, dtMorning, dtSunset };
// "12", "0", the sunrise hour and the sunset hour with two decimals.
std::string DefaultMudTime(TDefaultMudTime which, double sunrise, double sunset);

struct TMudLocation {
  std::string Line;  // "Harbour  (x=120  y=85)"
  std::string X, Y;  // the attributes as they stand
};
// One entry per child of GODMODELOCATIONS, in document order; its
// description, or its name when that is empty.
std::vector<TMudLocation> MudLocations(TXMLListDOM* godModeLocations);
