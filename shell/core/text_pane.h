#pragma once
// What the received-text handling needs of the text pane. The window's pane
// implements it; tests record the calls.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/color.h"

enum TFontStyle : std::uint8_t { fsBold = 1 };

struct TTextAttributes {
  TColor TextColor = 0xFFFFFF;
  std::uint8_t Style = 0;  // set of TFontStyle
  TColor BackColor = 0;
  bool operator==(const TTextAttributes&) const = default;
};

inline constexpr TTextAttributes DefaultTextAttributes{0xFFFFFF, 0, 0};

class TextPane {
public:
  virtual ~TextPane() = default;
  virtual int LineCount() const = 0;
  // The last line's text, as received bytes (Windows-1252).
  virtual std::string LastLine() const = 0;
  // Starts a new, empty last line; later text goes there.
  virtual void AddLine() = 0;
  // Appends one run to the last line with the given attributes.
  virtual void AppendColouredText(const TTextAttributes& attributes, std::string_view text) = 0;
  // Deletes lines first..last (0-based, inclusive).
  virtual void DeleteLines(int first, int last) = 0;
  // Scrolls so that the newest line is in view.
  virtual void ShowNewestLine() = 0;
};
