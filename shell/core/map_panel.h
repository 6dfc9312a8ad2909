#pragma once
// Where the pieces of the map panel go: the aerial picture shows the 358-cell
// map at half scale, north up, under a top bar and beside a right margin
// that keep it centred (the spot on it: MapSpotOffset of the status line).

#include <optional>

// The aerial picture's side on the panel, in pixels.
constexpr int kAerialPictureSize = 179;
// The panel's width while the map is shown, and while it is not.
constexpr int kMapPanelWidth = 200;
constexpr int kMapPanelCollapsedWidth = 1;

struct TMapPanelMargins {
  int TopBarHeight = 0;      // above the picture
  int RightMarginWidth = 0;  // between the picture and the panel's right edge
};

// The margins for a panel of the given size; nothing (the margins stay as
// they are) unless the panel is wider than 100 pixels and taller than the
// picture. The bar takes Round((panel height - picture height) / 2.5), halves
// to even; the margin (panel width - picture width) div 2.
std::optional<TMapPanelMargins> MapPanelMargins(int panelWidth, int panelHeight, int pictureWidth,
                                                int pictureHeight);
