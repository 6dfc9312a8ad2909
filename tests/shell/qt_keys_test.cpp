#include "shell/qt_keys.h"

#include "shell/core/key_mappings.h"

#include <gtest/gtest.h>

#include <set>

TEST(QtKeys, ToolkitKeysBecomeTheVirtualKeyCodesOfTheKeyTable) {
  const auto none = Qt::NoModifier;
  const auto keypad = Qt::KeypadModifier;
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::uint16_t code;
  } cases[] = {
      {Qt::Key_F1, none, 112},           {Qt::Key_F12, none, 123},
      {Qt::Key_A, none, 65},             {Qt::Key_Z, Qt::ShiftModifier, 90},
      {Qt::Key_5, none, 53},             // the main row's digits are their characters
      {Qt::Key_0, keypad, 96},           {Qt::Key_9, keypad, 105},  // keypad, NumLock on
      {Qt::Key_Insert, keypad, 45},      {Qt::Key_End, keypad, 35},  // keypad, NumLock off
      {Qt::Key_Clear, keypad, 12},       {Qt::Key_Up, keypad, 38},
      {Qt::Key_Asterisk, keypad, 106},   {Qt::Key_Plus, keypad, 107},
      {Qt::Key_Minus, keypad, 109},      {Qt::Key_Period, keypad, 110},
      {Qt::Key_Slash, keypad, 111},      {Qt::Key_Enter, keypad, 13},
      {Qt::Key_Plus, none, 0},           // the main row's "+" is no key of the table
      {Qt::Key_Shift, Qt::ShiftModifier, 16},  {Qt::Key_Control, Qt::ControlModifier, 17},
      {Qt::Key_PageUp, none, 33},        {Qt::Key_PageDown, none, 34},
      {Qt::Key_Left, none, 37},          {Qt::Key_Down, none, 40},
      {Qt::Key_Backspace, none, 8},      {Qt::Key_Tab, none, 9},
      {Qt::Key_Return, none, 13},        {Qt::Key_Escape, none, 27},
      {Qt::Key_Space, none, 32},         {Qt::Key_Delete, none, 46},
      {Qt::Key_Super_L, none, 91},       {Qt::Key_Super_R, none, 92},
      {Qt::Key_Menu, none, 93},          {Qt::Key_NumLock, none, 144},
      {Qt::Key_ScrollLock, none, 145},   {Qt::Key_Pause, none, 19},
      {Qt::Key_unknown, none, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyCode(c.key, c.modifiers), c.code) << std::hex << c.key;
}

TEST(QtKeys, EveryKeyOfTheTableThatAKeyboardSendsHasAToolkitKey) {
  // Left and right Shift, Ctrl and Alt arrive as the one Shift, Ctrl and
  // Alt; the rest of the table is reachable.
  std::set<std::uint16_t> reachable;
  for (int key = 0; key <= 0xFF; ++key) {
    reachable.insert(VirtualKeyCode(key, Qt::NoModifier));
    reachable.insert(VirtualKeyCode(key, Qt::KeypadModifier));
  }
  for (int key = Qt::Key_Escape; key <= Qt::Key_F35; ++key) {
    reachable.insert(VirtualKeyCode(key, Qt::NoModifier));
    reachable.insert(VirtualKeyCode(key, Qt::KeypadModifier));
  }
  for (int key : {Qt::Key_Super_L, Qt::Key_Super_R, Qt::Key_Menu, Qt::Key_Help, Qt::Key_Select, Qt::Key_Printer,
                  Qt::Key_Execute})
    reachable.insert(VirtualKeyCode(key, Qt::NoModifier));
  for (const TKeyName& key : KeyTable) {
    if (key.Code >= 160 && key.Code <= 165) continue;
    EXPECT_TRUE(reachable.count(key.Code)) << key.Name;
  }
}
