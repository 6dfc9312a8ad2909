#include "shell/core/renderer_threads.h"

#include <cstdlib>
#include <string>

void LimitSoftwareRendererThreads() {
  // Not overwritten: a count set by the user (or a test run) stands.
  setenv("LP_NUM_THREADS", std::to_string(kSoftwareRendererThreads).c_str(), 0);
}
