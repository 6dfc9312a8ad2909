#pragma once
// What the received-text handling needs of the text pane. The window's pane
// implements it; tests record the calls.

#include <cstddef>
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
  // The end of the last line, at most maxLength characters, as received
  // bytes (Windows-1252).
  virtual std::string LastLine(std::size_t maxLength) const = 0;
  // Characters in the last line.
  virtual std::size_t LastLineLength() const = 0;
  // Characters in the pane, one for each line end included.
  virtual std::size_t TextLength() const = 0;
  // The line (0-based) that holds the character at the offset.
  virtual int LineAt(std::size_t offset) const = 0;
  // Starts a new, empty last line; later text goes there.
  virtual void AddLine() = 0;
  // Appends one run to the last line with the given attributes.
  virtual void AppendColouredText(const TTextAttributes& attributes, std::string_view text) = 0;
  // Deletes lines first..last (0-based, inclusive).
  virtual void DeleteLines(int first, int last) = 0;
  // Scrolls so that the newest line is in view.
  virtual void ShowNewestLine() = 0;
};
