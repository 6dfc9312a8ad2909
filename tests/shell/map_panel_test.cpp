// The map panel's margins, worked out from the rules: the bar takes
// Round((height - 179) / 2.5), the margin (width - 179) div 2.
#include "shell/core/map_panel.h"

#include <gtest/gtest.h>

namespace {

TEST(MapPanel, MarginsCentreThePictureOnceThePanelIsLargeEnough) {
  struct Case {
    int width, height;
    std::optional<TMapPanelMargins> expected;
  };
  const Case cases[] = {
      {200, 554, TMapPanelMargins{150, 10}},  // 375 / 2.5 = 150
      {200, 184, TMapPanelMargins{2, 10}},    // 5 / 2.5 = 2
      {200, 183, TMapPanelMargins{2, 10}},    // 4 / 2.5 = 1.6
      {200, 180, TMapPanelMargins{0, 10}},    // 1 / 2.5 = 0.4
      {200, 186, TMapPanelMargins{3, 10}},    // 7 / 2.5 = 2.8
      {101, 300, TMapPanelMargins{48, -39}},  // 121 / 2.5 = 48.4; -78 div 2
      {250, 254, TMapPanelMargins{30, 35}},   // 75 / 2.5 = 30; 71 div 2
      {100, 554, std::nullopt},               // not wider than 100
      {1, 554, std::nullopt},                 // collapsed
      {200, 179, std::nullopt},               // not taller than the picture
  };
  for (const Case& c : cases) {
    const auto margins = MapPanelMargins(c.width, c.height, kAerialPictureSize, kAerialPictureSize);
    ASSERT_EQ(margins.has_value(), c.expected.has_value()) << c.width << "x" << c.height;
    if (!margins) continue;
    EXPECT_EQ(margins->TopBarHeight, c.expected->TopBarHeight) << c.width << "x" << c.height;
    EXPECT_EQ(margins->RightMarginWidth, c.expected->RightMarginWidth) << c.width << "x" << c.height;
  }
}

}  // namespace
