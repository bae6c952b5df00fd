#pragma once

#include <span>

namespace corv
{

// One row of the virtual-key table: the X keysym a code stands for and the
// Linux input key code of the same key. 0 means "none".
struct VkKey {
    int vk = 0;
    unsigned long keysym = 0;
    int linuxKey = 0;
};

// Maps Windows virtual-key codes to X keysyms and Linux key codes. Covers
// every key the templates can name and every key that can be a hot key.
class VkTable
{
public:
    // 0 for codes outside the table (including 0 and anything outside 0..255).
    static unsigned long keysym(int vk);
    static int linuxKey(int vk);
    // The character a printable key gives on a US keyboard, with or without
    // Shift ('3' and '#', 'a' and 'A'); 0 for other keys and the keypad.
    static char32_t usCharacter(int vk, bool shift);
    // Every row, in ascending code order.
    static std::span<const VkKey> rows();
};

} // namespace corv
