#pragma once
// A window of cells of one intermediate map round the player: at most 7 x 7
// slots, slot (a, b) for a, b in -3..3 holding the map cell (x + a, y + b)
// of the window's centre (x, y), its colour and the per-cell container the
// object builder filled (or none).

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

class TGLBaseSceneObject;

struct TCellSlot {
  int32_t colour = -1;
  TGLBaseSceneObject* object = nullptr;
};

struct TCellWindow {
  static constexpr int32_t kMaxSize = 7;
  static constexpr int32_t kMaxHalf = kMaxSize / 2;

  std::array<std::array<TCellSlot, kMaxSize>, kMaxSize> grid{};
  int32_t size = kMaxSize;
  int32_t lastX = -1;  // -1: no centre yet
  int32_t lastY = -1;

  // Half the width: the slots with -h <= a, b <= h are in use.
  int32_t Half() const { return std::clamp(size, 1, kMaxSize) / 2; }
  TCellSlot& Slot(int32_t a, int32_t b) { return grid[static_cast<size_t>(a + kMaxHalf)][static_cast<size_t>(b + kMaxHalf)]; }
  const TCellSlot& Slot(int32_t a, int32_t b) const {
    return grid[static_cast<size_t>(a + kMaxHalf)][static_cast<size_t>(b + kMaxHalf)];
  }
};

// The size from the world description's text, the default when the text is
// empty; a text that is not a number raises EConvertError. The grid holds
// 7 x 7 slots, so the size is held within 1..7.
void SetCellWindowSize(TCellWindow& window, const std::string& text, int32_t defaultSize);
