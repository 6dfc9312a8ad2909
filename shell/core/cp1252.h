#pragma once
// The server's bytes are Windows-1252 text, not UTF-8: conversions between
// those bytes and UTF-16 for display and typing.

#include <string>
#include <string_view>

char16_t Cp1252ToUtf16(unsigned char byte);
// The byte for a character, or '?' for a character that has none.
char Utf16ToCp1252(char16_t character);

std::u16string DecodeCp1252(std::string_view bytes);
std::string EncodeCp1252(std::u16string_view text);
