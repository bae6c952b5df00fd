#pragma once

#include "template/RuntimeTemplate.h"

#include <vector>

namespace corv
{

class KeyInjector;

// One keystroke of a mapping as it is typed: the slot's modifiers around a
// key, a printable key meant with Shift (its US character, Shifted), or a
// character by code point.
struct SlotStep {
    bool Ctrl = false;
    bool Shift = false; // a real Shift key around the key
    bool Alt = false;
    int Vk = 0;
    char32_t Character = 0;
    bool Shifted = false;
};

// The steps of a mapping: its slots, then its text (a line break is Enter).
// characters: Shift on a key is its US character, typed by the backend on
// any layout; otherwise Shift is a key of its own, as the code says.
std::vector<SlotStep> MappingSteps(const Mapping& mapping, bool characters);

// Types one step at once: down, then up, modifiers around it.
void TypeStep(KeyInjector& keys, const SlotStep& step);

} // namespace corv
