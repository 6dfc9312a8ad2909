#pragma once
// The pseudo-random generator the world builders draw from: a 32-bit linear
// congruential state (multiplier 134775813, increment 1). A build seeds it
// per cell so that a cell looks the same each time it is rebuilt, then
// reseeds it from the time of day. The clock is injected, so a test can make
// a whole build reproducible.

#include <cstdint>
#include <functional>

class TRandomGenerator {
public:
  // Milliseconds since midnight.
  using Clock = std::function<int32_t()>;

  TRandomGenerator();
  explicit TRandomGenerator(Clock clock);

  uint32_t GetSeed() const { return FState; }
  void SetSeed(int32_t seed) { FState = static_cast<uint32_t>(seed); }
  void SetClock(Clock clock);
  // The state from the clock: ((hour * 60 + minute) * 60 + second) * 1000 + ms.
  void Randomize();

  // Uniform in [0, 1).
  double Random();
  // Uniform in 0..n - 1 (0 when n <= 0): the high word of the state times n.
  int32_t Random(int32_t n);

private:
  uint32_t Next();
  uint32_t FState = 0;
  Clock FClock;
};

// The local time of day in milliseconds since midnight.
int32_t LocalTimeOfDayMs();
