#pragma once
// The sines and cosines the round shapes place their rings by: one table
// for the quadrics, the disk, the pipe and the earth sky dome.

#include <vector>

struct RingTable {
  // slices + 1 entries each.
  std::vector<double> Sines, Cosines;
};

// The sines and cosines of slices + 1 angles from `startDegrees` over
// `sweepDegrees`, evenly spread. Over a whole turn the last entry is the
// first one again, exactly, so that a ring closes without a seam.
RingTable MakeRingTable(int slices, double startDegrees = 0, double sweepDegrees = 360);
