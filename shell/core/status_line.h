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

// Parses the text after the marker. Each field ends at the next "|"; once the
// line has ended (lineEnded), its end closes the last field too, so a last
// monster token without its "|" is one; what the line end closes is taken
// without its control sequences and the blanks around it (a coloured line
// ends with a reset of the colours). While the line may still grow, a field
// without its "|" is not there yet. On anything but Parsed the report is
// left as it was and error says which field failed.
TStatusParse ParseStatusFields(std::string_view fields, TStatusReport& report, std::string& error,
                               bool lineEnded = false);

// One monster token: "name", or a cell prefix "a,b" followed by the name.
// Control sequences (a monster in colour) and every "'" leave the token. The
// name, or nothing when the token adds no monster (a name empty or of blanks
// only, a prefix without digits after its ",", or a cell other than (0, 0),
// the only one the monster grid has).
std::optional<std::string> ParseMonsterToken(std::string_view token);

// The text without its escape sequences (read as the text pane reads them)
// and other control characters.
std::string WithoutControls(std::string_view text);

// A status line that stood whole at the end of a block: every field closed,
// nothing after its last "|" but blanks and control sequences. It is known
// by the number of its recent line among all received
// (ReceiveSplitter::GetDroppedLineCount) and where it begins there, and it
// keeps its text as it stood. What arrives after it in a later block without
// a "|" of its own is the next line's text (a prompt that the next line
// continues), not a monster.
struct TWholeStatusLine {
  std::uint64_t LineNumber = 0;
  std::size_t Begin = 0;
  std::string Text;
};

// Whether a line as the server sent it is a status line that stands whole.
bool StandsWhole(std::string_view line);

struct TFoundStatusLine {
  // The status line's line, joined when it was split; its fields start
  // after the marker at MarkerAt.
  std::string Line;
  std::size_t MarkerAt = 0;
  // A line end closes it; else it may still grow.
  bool Ended = false;
  // The status line and what followed it on its pane line.
  std::string PaneText;
  const std::string* Next = nullptr;  // the recent line after it, if any
};

// The newest status line among the recent lines: the newest line holding the
// marker, when it is longer than 25 characters; and, while that line may
// still grow, the status line before it, which is whole. A recent line holds
// several lines of the server when their line ends were hidden with a
// coordinate line (kept there as CR): each ends a status line as a shown
// line end does. A status line that does not end with "|" (blanks and
// control sequences after it aside) is joined with the next line when that
// one is not empty and ends with "|" (a status line broken by a line end).
// The recent lines start at line number firstLineNumber; the line of
// `whole`, when it is among them, ends where it stood whole unless a "|"
// came after.
std::vector<TFoundStatusLine> FindStatusLines(const std::deque<std::string>& recentLines,
                                              std::uint64_t firstLineNumber = 0,
                                              const TWholeStatusLine* whole = nullptr);

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
  // After the text side of every received block; the recent lines start at
  // line number firstLineNumber (ReceiveSplitter::GetDroppedLineCount).
  TStatusOutcome Receive(const std::deque<std::string>& recentLines, std::uint64_t firstLineNumber,
                         const TStatusOptions& options, TStatusTarget& target);

  // The last status line that stood whole at the end of a block.
  const std::optional<TWholeStatusLine>& GetWholeLine() const { return FWhole; }

private:
  TStatusOutcome ReadNewestLine(const std::deque<std::string>& recentLines, std::uint64_t firstLineNumber,
                                const TStatusOptions& options, TStatusTarget& target);
  void RememberWholeLine(const std::deque<std::string>& recentLines, std::uint64_t firstLineNumber);

  std::string FLastRejected;
  std::optional<TWholeStatusLine> FWhole;
};
