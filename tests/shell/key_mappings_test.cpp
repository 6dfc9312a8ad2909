#include "shell/core/key_mappings.h"

#include "platform/ini/ini_file.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::vector<std::string> EmptyRows() { return std::vector<std::string>(KeyCount); }

std::size_t RowOf(std::uint16_t code) {
  for (std::size_t row = 0; row < KeyCount; ++row)
    if (KeyTable[row].Code == code) return row;
  return KeyCount;
}

}  // namespace

TEST(KeyMappings, TheTableHoldsSixtyThreeDistinctKeysWithTheirCaptions) {
  std::set<std::uint16_t> codes;
  for (const TKeyName& key : KeyTable) codes.insert(key.Code);
  EXPECT_EQ(codes.size(), KeyCount);
  struct Case {
    std::size_t row;
    const char* caption;
    std::uint16_t code;
  } cases[] = {
      {0, "F1", 112},        {11, "F12", 123},         {12, "0 (numeric keypad)", 96},
      {22, "Page up", 33},   {26, "Left", 37},         {34, "Shift", 16},
      {49, "Muliply", 106},  {55, "Num lock", 144},    {62, "Right alt", 165},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyCaption(KeyTable[c.row]), c.caption);
    EXPECT_EQ(KeyTable[c.row].Code, c.code) << c.caption;
  }
}

TEST(KeyMappings, LoadKeepsTableOrderAndIgnoresCodesOutsideIt) {
  IniFile ini;
  ini.SetText("[KeyMapping]\n38=north\n112=look;score\n999=never\n65=\n113=  \"  say hi  \"  \n");
  TKeyMappings mappings;
  mappings.Load(ini);
  ASSERT_EQ(mappings.GetBindings().size(), 3u);
  EXPECT_EQ(mappings.GetBindings()[0].Code, 112);  // f1 comes first in the table
  EXPECT_EQ(mappings.GetBindings()[1].Code, 113);
  EXPECT_EQ(mappings.GetBindings()[2].Code, 38);
  EXPECT_EQ(mappings.Lookup(112), "look;score");
  EXPECT_EQ(mappings.Lookup(113), "  say hi  ");
  EXPECT_EQ(mappings.Lookup(999), "");
  EXPECT_EQ(mappings.Lookup(40), "");
}

TEST(KeyMappings, OkKeepsTrimmedCommandsAndSaveRewritesTheSection) {
  std::vector<std::string> rows = EmptyRows();
  rows[RowOf(112)] = "  look  ";
  rows[RowOf(38)] = "   ";
  rows[RowOf(37)] = "w;w;";
  TKeyMappings mappings;
  mappings.SetRows(rows);
  ASSERT_EQ(mappings.GetBindings().size(), 2u);
  EXPECT_EQ(mappings.Lookup(112), "look");
  EXPECT_EQ(mappings.Lookup(38), "") << "blanks only are not kept";

  IniFile ini;
  ini.SetText("[keymapping]\n38=old\n; stale note\n[3dclient]\nspeed=1\n");
  mappings.Save(ini);
  EXPECT_EQ(ini.GetText(), "[3dclient]\nspeed=1\n[keymapping]\n112=look\n37=w;w;\n");

  TKeyMappings reloaded;
  reloaded.Load(ini);
  EXPECT_EQ(reloaded.Lookup(37), "w;w;");
  EXPECT_EQ(reloaded.GetBindings().size(), 2u);
}

TEST(KeyMappings, ACommandSplitsAtEverySemicolon) {
  struct Case {
    const char* command;
    std::vector<std::string> parts;
  } cases[] = {
      {"look", {"look"}},
      {"n;s", {"n", "s"}},
      {"n;s;", {"n", "s", ""}},
      {";", {"", ""}},
      {"say a; b", {"say a", " b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitMappedCommand(c.command), c.parts) << c.command;
}
