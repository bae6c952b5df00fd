#pragma once

#include <QString>

namespace corv
{

// What the keys the player presses type on the session's keyboard layout,
// for people looking up which code to write and for --check.
class KeyboardLayout
{
public:
    virtual ~KeyboardLayout() = default;

    // What the player's press of virtual-key code vk types here with no
    // modifier of the slot held: a character, or the key's name; empty when
    // the layout lacks it. Keypad keys are named by what they type with
    // Num Lock on.
    virtual QString typed(int vk) const = 0;
    // Whether some key and level of this layout types c.
    virtual bool onLayout(char32_t c) const = 0;
    // Whether the backend this layout was opened for can type c at all: one
    // that binds a spare keycode also types what the layout lacks.
    virtual bool canType(char32_t c) const { return onLayout(c); }

    // The character a printable key gives on a US keyboard, alone or with
    // Shift: what the layout-aware backends type for it; 0 for other keys.
    static char32_t usCharacter(int vk, bool shift);
};

} // namespace corv
