#pragma once
// One state of the player's surroundings: where the player is and faces,
// the time of day, the weather, the terrain type and the monsters present.
// A scene node that never enters a scene: it is used for its position,
// direction and up vectors.
//
// Start values: Time 0, Cloud, Wind, Fog and Rain -1 (not set), Level 0,
// Position (0, 0, 0), Up (0, 0, 1). Up is set through the node's own
// setter, which keeps Direction perpendicular to it, so Direction starts
// as (1, 0, 0) rather than the node's (0, 0, 1), which would lie along Up.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/scene_node.h"

// The monster names of a state: a grid of one cell, [0][0], each cell a
// list of names in the order received.
class TMobsquare {
public:
  TMobsquare() = default;
  // The cell at (col, row); only (0, 0) exists (assertion failure otherwise).
  std::vector<std::string>& Cell(int col = 0, int row = 0);
  const std::vector<std::string>& Cell(int col = 0, int row = 0) const;
  // The cell's list takes a copy of the other's.
  void Assign(const TMobsquare& other) { FCell = other.FCell; }
  void Clear() { FCell.clear(); }

private:
  std::vector<std::string> FCell;
};

class TMudstate : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TMudstate)
public:
  TMudstate();

  // The node's part (position, direction, up, ...), then the values and a
  // copy of the monster list.
  void Assign(const TPersistent* source) override;

  double Time = 0.0;
  double Cloud = -1.0;
  double Wind = -1.0;
  double Fog = -1.0;
  double Rain = -1.0;
  std::int32_t Level = 0;
  TMobsquare& Mobs() { return *FMobs; }
  const TMobsquare& Mobs() const { return *FMobs; }

private:
  std::unique_ptr<TMobsquare> FMobs;
};
