#pragma once
// Values the client core's units share (program folder, terrain switch,
// static colours, direction names) and the colour conversions of the world
// description: colour values are 0x00BBGGRR, written as "rrggbb" in files.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/integer_list.h"
#include "platform/base/exception.h"

// A text that is not the number or colour it should be raises EConvertError
// (platform/base/exception.h).

// The program folder with a trailing separator; every relative file name of
// the world description is relative to it.
inline std::string AppFolder;
inline bool UseTerrainRenderer = false;
// The background colours of the static-object map, filled by the world
// description reader and emptied when that reader goes.
inline client::TIntegerList StaticColors;
inline const std::array<std::string, 6> DirectionNames = {"north", "south", "east", "west", "up", "down"};

// "rrggbb", lower-case, red first.
std::string ColorToHex(int32_t colour);
// "rrggbb" to 0x00BBGGRR; a text that is not hexadecimal raises EConvertError.
int32_t HexToColor(std::string_view text);
bool IsStaticColor(int32_t colour);
int32_t LightenColor(int32_t colour, int percent);
int32_t DarkenColor(int32_t colour, int percent);
// Per channel a + (b - a) * k / 63; k outside 0..63 is held at the ends.
int32_t BlendColor(int32_t a, int32_t b, int k);

// Number texts of the world description, full stop as decimal separator
// whatever the locale. Blanks around the number are allowed; anything else
// raises EConvertError naming the text.
double StrToFloat(std::string_view text);
int32_t StrToInt(std::string_view text);
// Blanks removed from both ends.
std::string_view TrimText(std::string_view text);
