#include "client/client_globals.h"

#include <gtest/gtest.h>

#include "client/integer_list.h"

namespace {

TEST(ColourConversion, HexTextIsRedFirstAndValueIsBlueHigh) {
  EXPECT_EQ(ColorToHex(0x332211), "112233");
  EXPECT_EQ(HexToColor("112233"), 0x332211);
  EXPECT_EQ(ColorToHex(0), "000000");
  EXPECT_EQ(ColorToHex(0x00FFFFFF), "ffffff");
  EXPECT_EQ(HexToColor("FfA0c1"), 0xC1A0FF);
  EXPECT_EQ(ColorToHex(HexToColor("c8b070")), "c8b070");
}

TEST(ColourConversion, MalformedColourTextRaises) {
  for (const char* text : {"", "zz0000", "12 456", "-12345", " 12345"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(HexToColor(text), EConvertError);
  }
}

TEST(ColourConversion, LightenDarkenAndBlendAtTheEndsOfTheirRanges) {
  struct Case {
    const char* what;
    int32_t result, expected;
  } cases[] = {
      {"darken white 8", DarkenColor(0xFFFFFF, 8), 0xEBEBEB},
      {"lighten black 30", LightenColor(0x000000, 30), 0x4C4C4C},
      {"lighten p 0", LightenColor(0x123456, 0), 0x123456},
      {"darken p 0", DarkenColor(0x123456, 0), 0x123456},
      {"lighten p 150", LightenColor(0x123456, 150), 0xFFFFFF},
      {"darken p 150", DarkenColor(0x123456, 150), 0x000000},
      {"lighten p 100", LightenColor(0x123456, 100), 0xFFFFFF},
      {"blend k 63", BlendColor(0, 0x808080, 63), 0x808080},
      {"blend k 0", BlendColor(0, 0x808080, 0), 0},
      {"blend toward smaller truncates", BlendColor(0xFF, 0x00, 1), 0xFB},
      {"blend k above 63 holds at b", BlendColor(0x102030, 0xFFFFFF, 90), 0xFFFFFF},
      {"blend k below 0 holds at a", BlendColor(0x102030, 0xFFFFFF, -7), 0x102030},
      {"system colour flag ignored", LightenColor(static_cast<int32_t>(0xFF000000u), 30), 0x4C4C4C},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.result, c.expected);
  }
  EXPECT_EQ(BlendColor(0x123456, 0x654321, 63) >> 24, 0);
}

TEST(ColourConversion, StaticColourTestUsesTheSharedList) {
  StaticColors.Clear();
  StaticColors.Add(0x332211);
  EXPECT_TRUE(IsStaticColor(0x332211));
  EXPECT_FALSE(IsStaticColor(0x112233));
  StaticColors.Clear();
  EXPECT_FALSE(IsStaticColor(0x332211));
}

TEST(NumberText, FullStopNumbersWithBlanksAroundParse) {
  EXPECT_DOUBLE_EQ(StrToFloat(" 2.5 "), 2.5);
  EXPECT_DOUBLE_EQ(StrToFloat("-0.25"), -0.25);
  EXPECT_DOUBLE_EQ(StrToFloat("+3"), 3.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1e2"), 100.0);
  EXPECT_EQ(StrToInt(" 42"), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  for (const char* bad : {"", "2,5", "abc", "1.5x", "inf", "nan", "+-1", "--1"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StrToFloat(bad), EConvertError);
  }
  for (const char* bad : {"", "1.5", "x", "99999999999", "+-3"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StrToInt(bad), EConvertError);
  }
}

TEST(ClientIntegerList, WithoutDuplicatesAddingTwiceKeepsOneEntry) {
  client::TIntegerList list;
  EXPECT_FALSE(list.GetSorted());
  EXPECT_TRUE(list.GetDuplicates());
  list.SetDuplicates(false);
  list.Add(5);
  list.Add(5);
  EXPECT_EQ(list.GetCount(), 1);
  list.SetDuplicates(true);
  list.Add(5);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(ClientIntegerList, SortedListStaysAscending) {
  client::TIntegerList list;
  list.SetSorted(true);
  for (int v : {3, 1, 2}) list.Add(v);
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{1, 2, 3}));
}

TEST(ClientIntegerList, IndexOfFindsFirstAndDeleteRemoves) {
  client::TIntegerList list;
  for (int v : {7, 9, 7}) list.Add(v);
  EXPECT_EQ(list.IndexOf(7), 0);
  EXPECT_EQ(list.IndexOf(8), -1);
  list.Delete(0);
  EXPECT_EQ(list.IndexOf(7), 1);
  EXPECT_EQ(list.Get(0), 9);
  EXPECT_THROW(list.Get(2), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  list.Sort();
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{7, 9}));
}

}  // namespace
