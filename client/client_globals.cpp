#include "client/client_globals.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// Colour values that name a system colour carry a flag in the top byte;
// there are no system colours here, so only the RGB bytes count.
int32_t ToRGB(int32_t colour) { return colour & 0x00FFFFFF; }

int Channel(int32_t colour, int shift) { return (colour >> shift) & 0xFF; }

int32_t FromChannels(int r, int g, int b) {
  return static_cast<int32_t>((static_cast<uint32_t>(b & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
                              static_cast<uint32_t>(r & 0xFF));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string_view TrimText(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string ColorToHex(int32_t colour) {
  static const char digits[] = "0123456789abcdef";
  std::string result;
  for (int shift : {0, 8, 16}) {
    const int c = Channel(colour, shift);
    result += digits[c >> 4];
    result += digits[c & 15];
  }
  return result;
}

int32_t HexToColor(std::string_view text) {
  // Characters 5-6, 3-4 and 1-2 in that order, as far as the text has them.
  auto piece = [&](size_t from) { return from < text.size() ? text.substr(from, 2) : std::string_view(); };
  const std::string digits = std::string(piece(4)) + std::string(piece(2)) + std::string(piece(0));
  uint32_t value = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, error] = std::from_chars(digits.data(), end, value, 16);
  if (digits.empty() || error != std::errc() || ptr != end) {
    throw EConvertError("'" + std::string(text) + "' is not a valid colour value");
  }
  return static_cast<int32_t>(value);
}

bool IsStaticColor(int32_t colour) { return StaticColors.IndexOf(colour) >= 0; }

int32_t LightenColor(int32_t colour, int percent) {
  colour = ToRGB(colour);
  if (percent < 1) return colour;
  percent = std::min(percent, 100);
  auto up = [&](int c) { return c + (255 - c) * percent / 100; };
  return FromChannels(up(Channel(colour, 0)), up(Channel(colour, 8)), up(Channel(colour, 16)));
}

int32_t DarkenColor(int32_t colour, int percent) {
  colour = ToRGB(colour);
  if (percent < 1) return colour;
  percent = std::min(percent, 100);
  auto down = [&](int c) { return c - c * percent / 100; };
  return FromChannels(down(Channel(colour, 0)), down(Channel(colour, 8)), down(Channel(colour, 16)));
}

int32_t BlendColor(int32_t a, int32_t b, int k) {
  // Callers compute k from times and weather that can run past the ends;
  // outside 0..63 the channels would wrap into unrelated colours.
  k = std::clamp(k, 0, 63);
  auto mix = [&](int shift) {
    const int ca = Channel(a, shift);
    const int cb = Channel(b, shift);
    return ca + (cb - ca) * k / 63;
  };
  return FromChannels(mix(0), mix(8), mix(16));
}

double StrToFloat(std::string_view text) {
  std::string_view t = TrimText(text);
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0.0;
  const char* end = digits.data() + digits.size();
  auto [ptr, error] = std::from_chars(digits.data(), end, value, std::chars_format::general);
  if (digits.empty() || error != std::errc() || ptr != end || !std::isfinite(value) ||
      (!digits.empty() && (digits.front() == '+' || digits.front() == '-') && t.front() == '+')) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

int32_t StrToInt(std::string_view text) {
  std::string_view t = TrimText(text);
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, error] = std::from_chars(digits.data(), end, value, 10);
  if (digits.empty() || error != std::errc() || ptr != end ||
      (!digits.empty() && digits.front() == '-' && t.front() == '+')) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}
