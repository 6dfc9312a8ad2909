#include "shell/core/cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, HighBytesDecodeToTheirCharacters) {
  EXPECT_EQ(Cp1252ToUtf16(0x41), u'A');
  EXPECT_EQ(Cp1252ToUtf16(0x80), u'\u20AC');
  EXPECT_EQ(Cp1252ToUtf16(0x96), u'\u2013');
  EXPECT_EQ(Cp1252ToUtf16(0x81), u'\u0081');
  EXPECT_EQ(Cp1252ToUtf16(0xE9), u'\u00E9');
  EXPECT_EQ(Cp1252ToUtf16(0xFF), u'\u00FF');
  EXPECT_EQ(DecodeCp1252("caf\xe9 \x80"), u"caf\u00e9 \u20ac");
}

TEST(Cp1252, EncodingReversesDecodingAndMarksTheRest) {
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(static_cast<unsigned char>(Utf16ToCp1252(Cp1252ToUtf16(static_cast<unsigned char>(b)))), b);
  EXPECT_EQ(Utf16ToCp1252(u'\u4e2d'), '?');
  EXPECT_EQ(EncodeCp1252(u"caf\u00e9\u2026"), "caf\xe9\x85");
}

}  // namespace
