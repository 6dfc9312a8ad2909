#pragma once
// The toolkit's keys as the virtual-key codes the key handler and the key
// mappings use: letters and digits as their capitals and digits, the keypad's
// digits 96 to 105 with NumLock on and its navigation keys without it, both
// Shift keys 16, both Ctrl keys 17, both Alt keys 18.

#include <Qt>
#include <cstdint>

class QKeyEvent;

// 0 for a key without a code.
std::uint16_t VirtualKeyCode(int key, Qt::KeyboardModifiers modifiers);
std::uint16_t VirtualKeyCode(const QKeyEvent& event);
