#include "client/random_generator.h"

#include <chrono>
#include <ctime>

int32_t LocalTimeOfDayMs() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + static_cast<int32_t>(ms);
}

TRandomGenerator::TRandomGenerator() : TRandomGenerator(LocalTimeOfDayMs) {}

TRandomGenerator::TRandomGenerator(Clock clock) { SetClock(std::move(clock)); }

void TRandomGenerator::SetClock(Clock clock) { FClock = clock ? std::move(clock) : Clock(LocalTimeOfDayMs); }

void TRandomGenerator::Randomize() { SetSeed(FClock()); }

uint32_t TRandomGenerator::Next() {
  FState = FState * 134775813u + 1u;
  return FState;
}

double TRandomGenerator::Random() { return static_cast<double>(Next()) * (1.0 / 4294967296.0); }

int32_t TRandomGenerator::Random(int32_t n) {
  const uint32_t state = Next();
  if (n <= 0) return 0;
  return static_cast<int32_t>((uint64_t{state} * static_cast<uint32_t>(n)) >> 32);
}
