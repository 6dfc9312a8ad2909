#pragma once
// The status line the game server appends to its text: free text, the
// marker "|4|", then the time of day, the map position, the terrain type,
// wind, cloud, fog and the monsters present, each field closed by "|":
//
//   Hp 30 |4|14:30|120,85,0|9|25|60|2|0,0Orc|0,0Town_guard|
//
// After every received block the newest such line among the recent raw
// lines is parsed whole or not at all; a line still arriving waits for the
// rest, because the recent lines grow with the next block. The result is
// merged into the client's states and the view is asked to follow.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TMudstate;
class TUndefinedarea;
class TGroundHeightList;

// What one status line says, before it touches any state.
struct TStatusReport {
  double Time = 0;  // hours + minutes / 60
  std::int32_t X = 0, Y = 0, Z = 0;
  std::int32_t Level = 0;
  double Wind = 0;   // sent value / 10
  double Cloud = 0;  // sent value / 10
  double Fog = 0;    // sent value x 5
  std::vector<std::string> Mobs;  // names for the one monster cell (0, 0)
};

enum class TStatusParse {
  Parsed,
  Incomplete,  // a field is not closed yet: the rest may still arrive
  Malformed,   // a closed field is not what the grammar asks
};

// Parses the text after the marker. On anything but Parsed the report is
// left as it was and error says which field failed.
TStatusParse ParseStatusFields(std::string_view fields, TStatusReport& report, std::string& error);

// One monster token: "name", or a cell prefix "a,b" followed by the name.
// Every "'" leaves the name. The name, or nothing when the token adds no
// monster (an empty name, a prefix without digits after its ",", or a cell
// other than (0, 0), the only one the monster grid has).
std::optional<std::string> ParseMonsterToken(std::string_view token);

struct TFoundStatusLine {
  std::string Line;                   // the whole line, joined when it was split
  const std::string* Next = nullptr;  // the recent line after it, if any
};

// The newest recent line holding the marker, when it is longer than 25
// characters. A line that does not end with "|" is joined with the next
// line when that one is not empty and ends with "|" (a status line broken
// by a line end).
std::optional<TFoundStatusLine> FindStatusLine(const std::deque<std::string>& recentLines);

// The red spot on the aerial picture: the 358-cell map shown at half scale,
// north up, 179 pixels high. Offsets from the picture's top left.
struct TMapSpotOffset {
  int Left = 0;
  int Top = 0;
};
TMapSpotOffset MapSpotOffset(double x, double y);

// What the status line reads and changes of the client core.
struct TStatusTarget {
  TMudstate& ReceivedState;
  TMudstate& CurrentState;
  TMudstate& PreviousState;
  const TUndefinedarea& UndefinedArea;
  TGroundHeightList& GroundHeights;
  std::function<void()> Update;  // the core applies the current state to the view
};

struct TStatusOptions {
  bool FogEnabled = true;         // the fog field is taken into the received state
  bool StripCoordinates = true;   // the status line keeps the text after it on its pane line
};

struct TStatusOutcome {
  bool Merged = false;   // a status line reached the states
  bool Updated = false;  // the view was asked to follow
  bool SpotShown = false;
  TMapSpotOffset Spot;   // where the spot goes while shown
  // A malformed line, said once however often it is parsed again.
  std::string Rejected;
};

class StatusLineReader {
public:
  // After the text side of every received block.
  TStatusOutcome Receive(const std::deque<std::string>& recentLines, const TStatusOptions& options,
                         TStatusTarget& target);

private:
  std::string FLastRejected;
};
