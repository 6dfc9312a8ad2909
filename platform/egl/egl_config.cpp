#include "platform/egl/egl_config.h"

#include <array>
#include <cstdlib>

namespace egl_layer {

namespace {

// Below-request bits cost a tier; within a tier the distance counts.
struct Fit {
  int tier = 0;
  int distance = 0;
};

Fit FitBits(int have, int want) {
  if (have >= want) return {0, have - want};
  return {1, want - have};
}

}  // namespace

int ChooseConfig(const std::vector<ConfigInfo>& configs, const ConfigRequest& request) {
  int red = 8, green = 8, blue = 8;
  if (request.ColorBits <= 8) {
    red = 3, green = 3, blue = 2;
  } else if (request.ColorBits <= 16) {
    red = 5, green = 6, blue = 5;
  }
  int best = -1;
  std::array<int, 11> bestScore{};
  for (std::size_t i = 0; i < configs.size(); ++i) {
    const ConfigInfo& c = configs[i];
    if (!c.Pbuffer || !c.OpenGL) continue;
    const Fit r = FitBits(c.Red, red), g = FitBits(c.Green, green), b = FitBits(c.Blue, blue);
    const Fit depth = FitBits(c.Depth, request.DepthBits);
    const Fit stencil = FitBits(c.Stencil, request.StencilBits);
    const Fit alpha = FitBits(c.Alpha, request.AlphaBits);
    const std::array<int, 11> score{c.Slow ? 1 : 0,
                                    r.tier + g.tier + b.tier,
                                    depth.tier,
                                    stencil.tier,
                                    alpha.tier,
                                    std::abs(c.Samples - request.Samples),
                                    r.distance + g.distance + b.distance,
                                    depth.distance,
                                    stencil.distance,
                                    alpha.distance,
                                    c.Id};
    if (best < 0 || score < bestScore) {
      best = static_cast<int>(i);
      bestScore = score;
    }
  }
  return best;
}

}  // namespace egl_layer
