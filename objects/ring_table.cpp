#include "objects/ring_table.h"

#include <cmath>
#include <numbers>

RingTable MakeRingTable(int slices, double startDegrees, double sweepDegrees) {
  RingTable table;
  if (slices < 1) return table;
  const auto n = static_cast<std::size_t>(slices) + 1;
  table.Sines.resize(n);
  table.Cosines.resize(n);
  for (int i = 0; i <= slices; ++i) {
    const double angle = (startDegrees + sweepDegrees * i / slices) * std::numbers::pi / 180;
    table.Sines[i] = std::sin(angle);
    table.Cosines[i] = std::cos(angle);
  }
  if (std::fabs(sweepDegrees) == 360) {
    table.Sines[slices] = table.Sines[0];
    table.Cosines[slices] = table.Cosines[0];
  }
  return table;
}
