#pragma once
// How much memory a piece of work takes at its peak, read from the kernel:
// for the tests that a file or picture costs a small multiple of what it
// holds, not of what it declares.

#include <malloc.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

// How far the resident set grows at most while `work` runs, in bytes: the
// kernel's peak is reset first, so what ran before does not count, and the
// figure includes whatever a sanitizer adds. Nothing when the peak cannot
// be reset.
inline std::optional<std::int64_t> PeakGrowth(const std::function<void()>& work) {
  auto field = [](const char* name) -> std::int64_t {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind(name, 0) == 0) return std::stoll(line.substr(std::strlen(name))) * 1024;
    return -1;
  };
  // Memory freed before goes back to the system first, so that `work` cannot
  // hide in it.
  malloc_trim(0);
  {
    std::ofstream reset("/proc/self/clear_refs");
    if (!(reset << "5" << std::flush)) return std::nullopt;
  }
  const std::int64_t before = field("VmRSS:");
  work();
  const std::int64_t peak = field("VmHWM:");
  if (before < 0 || peak < 0) return std::nullopt;
  return peak - before;
}
