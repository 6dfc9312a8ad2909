#pragma once
// What keys and the mouse do to the 3D view, without the window: the keys
// that turn, pitch and move the view, the hidden developer-mode sequence,
// drags, the regions of a double click and the command of a right click on
// a monster. The main window feeds them the toolkit's events and sends the
// commands they give.

#include <cstdint>
#include <optional>
#include <string>

class TMudstate;

// Virtual-key codes the handlers test.
enum TVirtualKey : std::uint16_t {
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_PRIOR = 33,  // Page Up
  VK_NEXT = 34,   // Page Down
  VK_END = 35,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_A = 65,
};

// One change of the view: an angle in degrees or a distance in map cells.
struct TViewMove {
  enum Kind { None, Turn, Pitch, Move };
  Kind kind = None;
  float amount = 0;
  // Up becomes (0, 0, 1) afterwards.
  bool levelUp = false;
  bool operator==(const TViewMove&) const = default;
};

// The key table: Left/Right turn by -5/5 steps, Page Up/Down pitch by -2/2,
// Up, "A" and Shift itself move forward, Down and End back; step is the
// movement step, doubled while Shift is held. Moves level the view when the
// terrain renderer is in use. None for any other key.
TViewMove ViewKeyMove(std::uint16_t key, bool shift, double step, bool useTerrainRenderer);

// Turns and pitches always; a move only when mayMove (developer mode while
// disconnected).
void ApplyViewMove(TMudstate& state, const TViewMove& move, bool mayMove);

// The hidden developer mode: Ctrl+G, then Ctrl+D. Any other key starts the
// sequence again, but for the Ctrl key itself, which is released between
// the two when a player lets go of it. True when this key completed it.
inline constexpr std::uint16_t GodModeKeys[2] = {'G', 'D'};
bool AdvanceGodMode(std::uint8_t& step, std::uint16_t key, bool ctrl);

// The divisor of a drag at a mouse sensitivity of 0 to 10: Round(|s - 9| /
// 10 * 6), and 1 where that is 0 (at 9), so every setting turns the view.
int DragDivisor(int sensitivity);

// A mouse position over the 3D view, in its coordinates: negative past its
// left or top edge while a button held keeps the mouse.
struct TMousePosition {
  int X = 0, Y = 0;
};

// A drag from the last mouse position to (x, y) with the left button held:
// a mostly vertical one pitches by dy div divisor, a mostly horizontal one
// turns by dx div divisor and levels the view. Nothing while no position is
// known yet (the first move after start-up), so the view does not jump.
std::optional<TViewMove> DragMove(std::optional<TMousePosition> last, int x, int y, int sensitivity);

// The direction the view faces, from its direction's x and y: the larger
// one wins ("east" or "west" by x, else "north" or "south" by y).
std::string Facing(float directionX, float directionY);

// The command of a double click at (x, y) in a view of width x height: near
// the top edge the facing, the bottom its opposite, the left and right edges
// a quarter turn anticlockwise and clockwise of it; "" in the centre and the
// corners.
std::string DoubleClickCommand(int x, int y, int width, int height, float directionX, float directionY);

// "kill " and the name of a monster object, without the builder's
// five-character suffix and with "_" as blanks; "" for a name of five
// characters or fewer.
std::string MonsterKillCommand(const std::string& objectName);
