#include "shell/core/map_panel.h"

#include <cmath>

namespace {
// Round to nearest with halves to even: the default rounding mode.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }
}  // namespace

std::optional<TMapPanelMargins> MapPanelMargins(int panelWidth, int panelHeight, int pictureWidth,
                                                int pictureHeight) {
  if (panelWidth <= 100 || panelHeight <= pictureHeight) return std::nullopt;
  return TMapPanelMargins{RoundEven((panelHeight - pictureHeight) / 2.5), (panelWidth - pictureWidth) / 2};
}
