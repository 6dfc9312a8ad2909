#include "shell/core/cp1252.h"

namespace {
// 0x80..0x9F; the five unassigned bytes stand for the control code of the
// same value, as the platform's own conversion does.
constexpr char16_t High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
}  // namespace

char16_t Cp1252ToUtf16(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return High[byte - 0x80];
  return byte;
}

char Utf16ToCp1252(char16_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
  for (int i = 0; i < 32; ++i)
    if (High[i] == character) return static_cast<char>(0x80 + i);
  return '?';
}

std::u16string DecodeCp1252(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) text += Cp1252ToUtf16(static_cast<unsigned char>(c));
  return text;
}

std::string EncodeCp1252(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t c : text) bytes += Utf16ToCp1252(c);
  return bytes;
}
