#include "shell/core/renderer_threads.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

unsigned SoftwareRendererThreads(unsigned cores) {
  return cores == 0 ? kSoftwareRendererThreads : std::min(cores, kSoftwareRendererThreads);
}

void LimitSoftwareRendererThreads() {
  // Not overwritten: a count set by the user (or a test run) stands.
  const unsigned count = SoftwareRendererThreads(std::thread::hardware_concurrency());
  setenv("LP_NUM_THREADS", std::to_string(count).c_str(), 0);
}
