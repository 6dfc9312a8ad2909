#include "shell/core/view_input.h"

#include "client/mud_state.h"
#include "engine/gl_coordinates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TViewMove ViewKeyMove(std::uint16_t key, bool shift, double step, bool useTerrainRenderer) {
  const float s = static_cast<float>(step * (shift ? 2.0 : 1.0));
  switch (key) {
    case VK_LEFT: return {TViewMove::Turn, -5 * s, false};
    case VK_RIGHT: return {TViewMove::Turn, 5 * s, false};
    case VK_PRIOR: return {TViewMove::Pitch, -2 * s, false};
    case VK_NEXT: return {TViewMove::Pitch, 2 * s, false};
    case VK_UP:
    case VK_A:
    case VK_SHIFT: return {TViewMove::Move, s, useTerrainRenderer};
    case VK_DOWN:
    case VK_END: return {TViewMove::Move, -s, useTerrainRenderer};
    default: return {};
  }
}

void ApplyViewMove(TMudstate& state, const TViewMove& move, bool mayMove) {
  switch (move.kind) {
    case TViewMove::None: return;
    case TViewMove::Turn: state.Turn(move.amount); break;
    case TViewMove::Pitch: state.Pitch(move.amount); break;
    case TViewMove::Move:
      if (!mayMove) return;
      state.Move(move.amount);
      break;
  }
  if (move.levelUp) state.GetUp()->SetVector(0, 0, 1);
}

bool AdvanceGodMode(std::uint8_t& step, std::uint16_t key, bool ctrl) {
  if (key == VK_CONTROL) return false;
  if (ctrl && step < 2 && key == GodModeKeys[step]) {
    if (++step < 2) return false;
    step = 0;
    return true;
  }
  step = ctrl && key == GodModeKeys[0] ? 1 : 0;
  return false;
}

int DragDivisor(int sensitivity) {
  const int divisor = static_cast<int>(std::nearbyint(std::abs(sensitivity - 9) / 10.0 * 6));
  return std::max(divisor, 1);
}

std::optional<TViewMove> DragMove(std::optional<TMousePosition> last, int x, int y, int sensitivity) {
  if (!last) return std::nullopt;
  const int divisor = DragDivisor(sensitivity);
  const int dx = x - last->X;
  const int dy = last->Y - y;
  if (std::abs(dx) <= std::abs(dy)) return TViewMove{TViewMove::Pitch, static_cast<float>(dy / divisor), false};
  return TViewMove{TViewMove::Turn, static_cast<float>(dx / divisor), true};
}

std::string Facing(float directionX, float directionY) {
  if (std::fabs(directionX) > std::fabs(directionY)) return directionX >= 0 ? "east" : "west";
  return directionY >= 0 ? "north" : "south";
}

namespace {

// The compass in clockwise order.
constexpr const char* kCompass[4] = {"north", "east", "south", "west"};

int CompassIndex(const std::string& facing) {
  for (int i = 0; i < 4; ++i)
    if (facing == kCompass[i]) return i;
  return 0;
}

}  // namespace

std::string DoubleClickCommand(int x, int y, int width, int height, float directionX, float directionY) {
  const int w4 = width / 4, h4 = height / 4, w34 = 3 * width / 4, h34 = 3 * height / 4;
  const bool middleRows = h4 < y && y < h34;
  const bool middleColumns = w4 < x && x < w34;
  int quarterTurns;  // clockwise from the facing
  if (x < w4 && middleRows)
    quarterTurns = 3;
  else if (x > w34 && middleRows)
    quarterTurns = 1;
  else if (y < h4 && middleColumns)
    quarterTurns = 0;
  else if (y > h34 && middleColumns)
    quarterTurns = 2;
  else
    return {};
  return kCompass[(CompassIndex(Facing(directionX, directionY)) + quarterTurns) % 4];
}

std::string MonsterKillCommand(const std::string& objectName) {
  if (objectName.size() <= 5) return {};
  std::string name = objectName.substr(0, objectName.size() - 5);
  std::replace(name.begin(), name.end(), '_', ' ');
  return "kill " + name;
}
