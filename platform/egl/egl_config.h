#pragma once
// Choosing a frame-buffer configuration. EGL's own order puts deep-colour
// configurations first (10-bit channels before 8-bit ones), so the choice is
// made here by our own scoring over the listed configurations.

#include <vector>

#include "platform/base/exception.h"

namespace egl_layer {

// Raised for EGL failures; the context class turns them into its messages.
CLIENT_DECLARE_EXCEPTION(EEglFailure, Exception);

struct ConfigInfo {
  int Id = 0;
  int Red = 0, Green = 0, Blue = 0, Alpha = 0;
  int Depth = 0, Stencil = 0, Samples = 0;
  bool Pbuffer = false;   // can back a pbuffer surface
  bool OpenGL = false;    // renders desktop OpenGL
  bool Slow = false;      // marked EGL_SLOW_CONFIG
};

struct ConfigRequest {
  int ColorBits = 32;  // 24 or 32: 8 bits a channel; 15 or 16: 5/6/5; 8: 3/3/2
  int AlphaBits = 0;
  int DepthBits = 0;
  int StencilBits = 0;
  int Samples = 0;
};

// The index of the configuration that fits the request best, -1 when none
// can back a desktop-GL pbuffer. Bits at or above a request beat bits below
// it; among those the closest wins, then the one without multisampling
// unless asked for, then the lowest id.
int ChooseConfig(const std::vector<ConfigInfo>& configs, const ConfigRequest& request);

}  // namespace egl_layer
