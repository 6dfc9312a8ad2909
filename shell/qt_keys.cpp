#include "shell/qt_keys.h"

#include <QKeyEvent>

namespace {

struct KeyCode {
  int key;
  std::uint16_t code;
};

// The keys whose code does not follow from their letter or digit.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},        {Qt::Key_Backtab, 9},     {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},      {Qt::Key_Enter, 13},     {Qt::Key_Shift, 16},      {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},         {Qt::Key_AltGr, 18},     {Qt::Key_Pause, 19},      {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},     {Qt::Key_PageUp, 33},     {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},         {Qt::Key_Home, 36},      {Qt::Key_Left, 37},       {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},       {Qt::Key_Down, 40},      {Qt::Key_Select, 41},     {Qt::Key_Printer, 42},
    {Qt::Key_Execute, 43},     {Qt::Key_Print, 44},     {Qt::Key_SysReq, 44},     {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},      {Qt::Key_Help, 47},      {Qt::Key_Meta, 91},       {Qt::Key_Super_L, 91},
    {Qt::Key_Super_R, 92},     {Qt::Key_Menu, 93},      {Qt::Key_NumLock, 144},   {Qt::Key_ScrollLock, 145},
};

// The keypad's operators; its digits come from their own key codes.
constexpr KeyCode kKeypad[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Comma, 108},
    {Qt::Key_Minus, 109},    {Qt::Key_Period, 110}, {Qt::Key_Slash, 111},
};

}  // namespace

std::uint16_t VirtualKeyCode(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(96 + key - Qt::Key_0);
    for (const KeyCode& entry : kKeypad)
      if (entry.key == key) return entry.code;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<std::uint16_t>(112 + key - Qt::Key_F1);
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return static_cast<std::uint16_t>(key);
  for (const KeyCode& entry : kKeys)
    if (entry.key == key) return entry.code;
  return 0;
}

std::uint16_t VirtualKeyCode(const QKeyEvent& event) { return VirtualKeyCode(event.key(), event.modifiers()); }
